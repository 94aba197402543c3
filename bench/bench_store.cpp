// The record store against the bare SQLite C API on the same table files:
// opening 100,000 contacts and reading the first screen in name order,
// opening the table file with the check of its sort keys, and posting one
// contact so that it is on disk when the post returns.
#include "core/store/Connection.h"
#include "core/store/DataFolder.h"
#include "core/store/SortKeys.h"
#include "core/store/Table.h"
#include "support/BenchContacts.h"
#include "support/BenchReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <sqlite3.h>

namespace {

using BenchContacts::ContactCount;
using BenchContacts::fillContacts;
constexpr int ScreenRows = 30;

struct Files
{
    QTemporaryDir root{QDir::tempPath() + QStringLiteral("/kalvindo-bench-XXXXXX")};
    QString readFolder() const { return root.filePath(QStringLiteral("Data")); }
    QString readFile() const { return readFolder() + QStringLiteral("/Telefon.DB"); }
    QString postFolder() const { return root.filePath(QStringLiteral("PostData")); }
    QString rawPostFile() const { return root.filePath(QStringLiteral("Raw/Telefon.DB")); }
};

Files* g_files = nullptr;

void prepareFiles()
{
    g_files = new Files;
    DataFolder::createDelivered(
        g_files->readFolder(), QStringLiteral(KALVINDO_SOURCE_DIR "/resources/data/postnumre.csv"));
    fillContacts(g_files->readFile());
    {
        TTable table;
        table.SetDatabaseName(g_files->readFolder());
        table.SetTableName(QStringLiteral("Telefon.DB"));
        table.Open();
    }
    QDir().mkpath(g_files->postFolder());
    QDir().mkpath(g_files->root.filePath(QStringLiteral("Raw")));
    QFile::copy(g_files->readFile(), g_files->postFolder() + QStringLiteral("/Telefon.DB"));
    QFile::copy(g_files->readFile(), g_files->rawPostFile());
}

// --- (a) open and read the first screen in name order -----------------------

void OpenFirstScreen_Table(benchmark::State& state)
{
    qint64 bytes = 0;
    const BenchReport::LoopClock clock;
    for (auto _ : state) {
        TTable table;
        table.SetDatabaseName(g_files->readFolder());
        table.SetTableName(QStringLiteral("Telefon.DB"));
        table.Open();
        TField& navn = table.FieldByName(QStringLiteral("Navn"));
        TField& telefon = table.FieldByName(QStringLiteral("Telefon"));
        table.First();
        for (int i = 0; i < ScreenRows; ++i) {
            if (i > 0)
                table.Next();
            bytes += navn.AsString().size() + telefon.AsString().size();
        }
    }
    benchmark::DoNotOptimize(bytes);
    BenchReport::ours("store_open_first_screen", clock.us(state.iterations()), "us", 3);
}
BENCHMARK(OpenFirstScreen_Table)->Unit(benchmark::kMicrosecond);

void OpenFirstScreen_Sqlite(benchmark::State& state)
{
    const QByteArray path = g_files->readFile().toUtf8();
    qint64 bytes = 0;
    const BenchReport::LoopClock clock;
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* query = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT Navn, Telefon FROM Telefon ORDER BY Navn_Sort, Telefon_Sort "
                           "LIMIT 30",
                           -1, &query, nullptr);
        int rows = 0;
        while (sqlite3_step(query) == SQLITE_ROW) {
            bytes += sqlite3_column_bytes(query, 0) + sqlite3_column_bytes(query, 1);
            ++rows;
        }
        if (rows != ScreenRows)
            state.SkipWithError("the query gave too few rows");
        sqlite3_finalize(query);
        sqlite3_close_v2(db);
    }
    benchmark::DoNotOptimize(bytes);
    BenchReport::base("store_open_first_screen", clock.us(state.iterations()));
}
BENCHMARK(OpenFirstScreen_Sqlite)->Unit(benchmark::kMicrosecond);

// --- (b) open the table file, its sort keys checked -------------------------

// The whole open of a file as the cursors have it: the checks of the file,
// the format and the sort keys.
void OpenFile_Connection(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Connection::open(g_files->readFile()));
}
BENCHMARK(OpenFile_Connection)->Unit(benchmark::kMicrosecond);

void OpenFile_Sqlite(benchmark::State& state)
{
    const QByteArray path = g_files->readFile().toUtf8();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
            SQLITE_OK)
            state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_close_v2(db);
    }
}
BENCHMARK(OpenFile_Sqlite)->Unit(benchmark::kMicrosecond);

// The check of the sort keys alone, when nothing needs making again.
void KeyCheck_NothingToDo(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(g_files->readFile().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    SortKeys::registerFunctions(db);
    const BenchReport::LoopClock clock;
    for (auto _ : state)
        if (SortKeys::bringUpToDate(db, QStringLiteral("main"), Schema::telefon(),
                                    g_files->readFile())
                .rows != 0)
            state.SkipWithError("keys were made");
    // Its target is a budget of its own: under 10 ms at every open.
    BenchReport::figure("store_key_check_at_open", clock.ms(state.iterations()), 10, "ms", 1);
    sqlite3_close_v2(db);
}
BENCHMARK(KeyCheck_NothingToDo)->Unit(benchmark::kMicrosecond);

// And when another program changed 100 of the names: only those get keys.
void KeyCheck_HundredChanged(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(g_files->readFile().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    SortKeys::registerFunctions(db);
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3_exec(db,
                     "UPDATE Telefon SET Navn = Navn || ' ' WHERE rowid IN (SELECT rowid FROM "
                     "Telefon ORDER BY random() LIMIT 100)",
                     nullptr, nullptr, nullptr);
        state.ResumeTiming();
        if (SortKeys::bringUpToDate(db, QStringLiteral("main"), Schema::telefon(),
                                    g_files->readFile())
                .rows != 100)
            state.SkipWithError("not the 100 rows");
    }
    sqlite3_close_v2(db);
}
BENCHMARK(KeyCheck_HundredChanged)->Unit(benchmark::kMicrosecond);

// --- (c) post one contact, on disk when the post returns --------------------

QString uniqueName(int n)
{
    return QStringLiteral("Zoë Bænk %1").arg(n);
}

int g_serial = 0;

// One contact posted through the record store, on disk when it returns.
struct TablePoster
{
    TTable table;
    TablePoster()
    {
        table.SetDatabaseName(g_files->postFolder());
        table.SetTableName(QStringLiteral("Telefon.DB"));
        table.Open();
    }
    void post()
    {
        const int serial = ++g_serial;
        table.Insert();
        table.FieldByName(QStringLiteral("Navn")).SetAsString(uniqueName(serial));
        table.FieldByName(QStringLiteral("Telefon")).SetAsString(QStringLiteral("86123456"));
        table.FieldByName(QStringLiteral("Adresse1")).SetAsString(QStringLiteral("Søndergade 12"));
        table.FieldByName(QStringLiteral("Postnr")).SetAsString(QStringLiteral("8000"));
        table.FieldByName(QStringLiteral("Bynavn")).SetAsString(QStringLiteral("Aarhus C"));
        table.FieldByName(QStringLiteral("Land")).SetAsString(QStringLiteral("Danmark"));
        table.FieldByName(QStringLiteral("FKort")).SetAsString(QStringLiteral("Nej"));
        table.FieldByName(QStringLiteral("JKort")).SetAsString(QStringLiteral("Nej"));
        table.FieldByName(QStringLiteral("Regnr")).SetAsInteger(ContactCount + serial);
        table.Post();
    }
};

// The same contact by a bare statement with a full sync.
struct BarePoster
{
    sqlite3* db = nullptr;
    sqlite3_stmt* insert = nullptr;
    BarePoster()
    {
        sqlite3_open_v2(g_files->rawPostFile().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE,
                        nullptr);
        sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(db,
                           "INSERT INTO Telefon (Navn, Telefon, Adresse1, Postnr, Bynavn, Land, "
                           "FKort, JKort, Regnr) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
                           -1, &insert, nullptr);
    }
    ~BarePoster()
    {
        sqlite3_finalize(insert);
        sqlite3_close_v2(db);
    }
    bool post()
    {
        const int serial = ++g_serial;
        const QByteArray name = uniqueName(serial).toUtf8();
        const auto text = [&](int i, const char* value) {
            sqlite3_bind_text(insert, i, value, -1, SQLITE_STATIC);
        };
        sqlite3_bind_text(insert, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        text(2, "86123456");
        text(3, "Søndergade 12");
        text(4, "8000");
        text(5, "Aarhus C");
        text(6, "Danmark");
        text(7, "Nej");
        text(8, "Nej");
        sqlite3_bind_int(insert, 9, ContactCount + serial);
        const bool done = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
        return done;
    }
};

void PostContact_Table(benchmark::State& state)
{
    TablePoster poster;
    for (auto _ : state)
        poster.post();
}
BENCHMARK(PostContact_Table)->Unit(benchmark::kMicrosecond);

void PostContact_Sqlite(benchmark::State& state)
{
    BarePoster poster;
    for (auto _ : state)
        if (!poster.post())
            state.SkipWithError(sqlite3_errmsg(poster.db));
}
BENCHMARK(PostContact_Sqlite)->Unit(benchmark::kMicrosecond);

// Both in turn in one loop: a sync takes as long as the disk lets it at that
// moment, so the ratio of posts that share their moments is the steady one.
void PostContact_Interleaved(benchmark::State& state)
{
    TablePoster table;
    BarePoster bare;
    std::chrono::nanoseconds viaTable{0}, viaBare{0};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        table.post();
        const auto between = std::chrono::steady_clock::now();
        if (!bare.post())
            state.SkipWithError(sqlite3_errmsg(bare.db));
        viaTable += between - start;
        viaBare += std::chrono::steady_clock::now() - between;
    }
    const auto us = [&](std::chrono::nanoseconds t) {
        return double(t.count()) / 1000.0 / double(state.iterations());
    };
    state.counters["table_us"] = us(viaTable);
    state.counters["bare_us"] = us(viaBare);
    state.counters["ratio"] = us(viaTable) / us(viaBare);
    BenchReport::figure("store_post_on_disk", us(viaTable), us(viaBare), "us", 1.5);
}
BENCHMARK(PostContact_Interleaved)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    prepareFiles();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete g_files;
    return 0;
}
