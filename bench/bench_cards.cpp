// The birthday reminder at start-up and the layout of the phone list, each
// against its bare floor in the same run:
//   - the reminder over 100,000 contacts of which 10,000 are marked, against
//     the one SQLite statement that selects the marked contacts whose day
//     and month fall on their reminder day;
//   - laying out the phone list of 10,000 contacts, against reading the
//     same rows' seven fields through the record store.
#include "core/birthday/BirthdayReminder.h"
#include "core/report/ListReport.h"
#include "core/report/PhoneListLayout.h"
#include "core/store/DataFolder.h"
#include "core/store/Table.h"
#include "support/BenchReport.h"

#include <QApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr int MarkedEvery = 10; // 10,000 of 100,000
const QDate Today(2026, 4, 10);

struct Folder
{
    QTemporaryDir root{QDir::tempPath() + QStringLiteral("/kalvindo-bench-XXXXXX")};
    QString path;
    QString file() const { return path + QStringLiteral("/Telefon.DB"); }
};

Folder* g_reminder = nullptr; // 100,000 contacts
Folder* g_list = nullptr;     // 10,000 contacts

// Fills the contact table as another program would, in one transaction;
// the program makes its sort keys when it first opens the file.
void fill(const QString& file, int count)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Telefon (Navn, Telefon, Adresse1, Adresse2, Postnr, Bynavn, "
                       "Mobil, Land, FKort, JKort, Reminder, Fodselsdag, Dg, Md, Regnr) VALUES "
                       "(?1, ?2, ?3, 'Baghuset', '8000', 'Aarhus C', ?4, 'Danmark', ?5, 'Nej', ?6, "
                       "?7, ?8, ?9, ?10)",
                       -1, &insert, nullptr);
    QRandomGenerator random(4711);
    for (int i = 0; i < count; ++i) {
        const QByteArray name =
            "Kontakt " + QByteArray::number(random.bounded(1000000)) + ' ' + QByteArray::number(i);
        const QByteArray phone = QByteArray::number(20000000 + i);
        const QByteArray street = "Vestergade " + QByteArray::number(random.bounded(1, 200));
        const QDate born = QDate(1940, 1, 1).addDays(random.bounded(60 * 365));
        const QByteArray iso = born.toString(Qt::ISODate).toLatin1();
        const QByteArray dg = iso.mid(8, 2), md = iso.mid(5, 2);
        sqlite3_bind_text(insert, 1, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, phone.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, street.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, phone.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 5, i % MarkedEvery == 0 ? "Ja" : "Nej", -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 6, random.bounded(15));
        sqlite3_bind_text(insert, 7, iso.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 8, dg.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 9, md.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 10, i + 1);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
}

Folder* prepare(int count)
{
    auto* folder = new Folder;
    folder->path = folder->root.filePath(QStringLiteral("Data"));
    DataFolder::createDelivered(
        folder->path, QStringLiteral(KALVINDO_SOURCE_DIR "/resources/data/postnumre.csv"));
    fill(folder->file(), count);
    TTable table; // makes the sort keys once, outside the measurements
    table.SetDatabaseName(folder->path);
    table.SetTableName(QStringLiteral("Telefon.DB"));
    table.Open();
    return folder;
}

std::unique_ptr<TTable> openContacts(const Folder& folder)
{
    auto table = std::make_unique<TTable>();
    table->SetDatabaseName(folder.path);
    table->SetTableName(QStringLiteral("Telefon.DB"));
    table->Open();
    return table;
}

// --- the reminder -------------------------------------------------------------

void Reminder_Program(benchmark::State& state)
{
    const auto table = openContacts(*g_reminder);
    qint64 fired = 0;
    const BenchReport::LoopClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        table->SetFiltered(false);
        state.ResumeTiming();
        fired += BirthdayReminder::due(*table, Today, -1).size();
    }
    BenchReport::ours("cards_reminder_at_startup", clock.ms(state.iterations()), "ms", 2);
    state.counters["fired"] = double(fired) / double(state.iterations());
}
BENCHMARK(Reminder_Program)->Unit(benchmark::kMillisecond);

void Reminder_Sqlite(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(g_reminder->file().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const QByteArray today = Today.toString(Qt::ISODate).toLatin1();
    qint64 fired = 0;
    const BenchReport::LoopClock clock;
    for (auto _ : state) {
        sqlite3_stmt* query = nullptr;
        sqlite3_prepare_v2(
            db,
            "SELECT Navn, Telefon, Fodselsdag FROM Telefon WHERE FKort = 'Ja' AND "
            "strftime('%m-%d', Fodselsdag) = strftime('%m-%d', ?1, COALESCE(Reminder, 0) || "
            "' days')",
            -1, &query, nullptr);
        sqlite3_bind_text(query, 1, today.constData(), -1, SQLITE_STATIC);
        while (sqlite3_step(query) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_text(query, 0));
            ++fired;
        }
        sqlite3_finalize(query);
    }
    BenchReport::base("cards_reminder_at_startup", clock.ms(state.iterations()));
    sqlite3_close_v2(db);
    state.counters["fired"] = double(fired) / double(state.iterations());
}
BENCHMARK(Reminder_Sqlite)->Unit(benchmark::kMillisecond);

// --- the phone list -----------------------------------------------------------

void PhoneList_Layout(benchmark::State& state)
{
    const auto table = openContacts(*g_list);
    TListReportForm report(*table);
    report.SetReportTitle(QStringLiteral("Telefonliste"));
    size_t pages = 0;
    const BenchReport::LoopClock clock;
    for (auto _ : state)
        pages += report.Document().pages.size();
    BenchReport::ours("cards_phone_list_layout", clock.ms(state.iterations()), "ms", 2);
    state.counters["pages"] = double(pages) / double(state.iterations());
}
BENCHMARK(PhoneList_Layout)->Unit(benchmark::kMillisecond);

void PhoneList_ReadFields(benchmark::State& state)
{
    const auto table = openContacts(*g_list);
    std::vector<int> fields;
    for (const char* name : PhoneListLayout::Fields)
        fields.push_back(table->FieldByName(QLatin1String(name)).Index());
    qint64 chars = 0;
    const BenchReport::LoopClock clock;
    for (auto _ : state) {
        table->TextsInOrder(fields, [&chars](const QString* values) {
            for (int i = 0; i < 7; ++i)
                chars += values[i].size();
        });
    }
    BenchReport::base("cards_phone_list_layout", clock.ms(state.iterations()));
    benchmark::DoNotOptimize(chars);
}
BENCHMARK(PhoneList_ReadFields)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv); // the report measures its texts with the fonts
    benchmark::Initialize(&argc, argv);
    g_reminder = prepare(100000);
    g_list = prepare(10000);
    benchmark::RunSpecifiedBenchmarks();
    delete g_list;
    delete g_reminder;
    benchmark::Shutdown();
    return 0;
}
