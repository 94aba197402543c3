// A name search runs on every keystroke in the overview's search box. This
// compares FindFirst without a match over 100,000 contacts with the floor: one
// memmem over the same names, upper-cased in advance and held in one buffer.

#include "BenchNames.h"
#include "core/data/DM.h"
#include "core/search/EasyFind.h"
#include "core/store/Connection.h"
#include "core/store/DataFolder.h"
#include "support/BenchReport.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

constexpr int ContactCount = 100000;

void fillContacts(const QString& file)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(file.toUtf8().constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot open Telefon.DB");
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    const int prepared =
        sqlite3_prepare_v2(db,
                           "INSERT INTO Telefon (Navn, Telefon, Land, FKort, JKort, Regnr) "
                           "VALUES (?, ?, 'Danmark', 'Nej', 'Nej', ?)",
                           -1, &insert, nullptr);
    if (prepared != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    for (int i = 0; i < ContactCount; ++i) {
        const QByteArray name = BenchNames::contactName(i);
        const QByteArray phone = BenchNames::contactPhone(i);
        sqlite3_bind_text(insert, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, phone.constData(), int(phone.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 3, i + 1);
        if (sqlite3_step(insert) != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

struct Contacts
{
    QTemporaryDir dir;
    std::unique_ptr<TDM> dm;

    Contacts()
    {
        const QString data = dir.filePath(QStringLiteral("Data"));
        DataFolder::createDelivered(
            data, QStringLiteral(KALVINDO_SOURCE_DIR "/resources/data/postnumre.csv"));
        fillContacts(data + QStringLiteral("/Telefon.DB"));
        dm = std::make_unique<TDM>(nullptr, data);
        dm->TelefonTable->Open();
    }
};

Contacts& contacts()
{
    static Contacts instance;
    return instance;
}

// Keys found in no name: one of rare letters, one that keeps meeting common
// endings ("...ersen") before it fails.
QString missingKey(benchmark::State& state)
{
    return state.range(0) == 0 ? QStringLiteral("qqxz") : QStringLiteral("ersenx");
}

std::unique_ptr<TEasyFind> nameSearch(const QString& key)
{
    auto find = std::make_unique<TEasyFind>(nullptr, QStringLiteral("EasyFind1"));
    find->SetDataSource(contacts().dm->TelefonSource);
    find->SetSearchField(QStringLiteral("Navn"));
    find->SetSearchKey(key);
    return find;
}

std::string figureName(const benchmark::State& state)
{
    return state.range(0) == 0 ? "easyfind_no_match" : "easyfind_no_match_ersenx";
}

void BM_MemmemFloor(benchmark::State& state)
{
    QByteArray buffer;
    for (const QString& name : contacts().dm->TelefonTable->ColumnInOrder(0)) {
        buffer += name.toUpper().toUtf8();
        buffer += '\0';
    }
    const QByteArray needle = missingKey(state).toUpper().toUtf8();
    const BenchReport::LoopClock clock;
    for (auto _ : state) {
        const void* hit = memmem(buffer.constData(), size_t(buffer.size()), needle.constData(),
                                 size_t(needle.size()));
        benchmark::DoNotOptimize(hit);
    }
    BenchReport::base(figureName(state), clock.ms(state.iterations()));
    state.counters["bytes"] = double(buffer.size());
}

void BM_FindFirstNoMatch(benchmark::State& state)
{
    auto find = nameSearch(missingKey(state));
    find->FindFirst(); // the first search after a change reads the names
    const BenchReport::LoopClock clock;
    for (auto _ : state)
        find->FindFirst();
    BenchReport::ours(figureName(state), clock.ms(state.iterations()), "ms", 5);
}

// What the first keystroke after a post, filter or index change costs: the
// names are read and upper-cased again. Switching the letter case setting
// forces that on every search.
void BM_FindFirstRereadingNames(benchmark::State& state)
{
    auto find = nameSearch(missingKey(state));
    bool caseSensitive = false;
    const BenchReport::LoopClock clock;
    for (auto _ : state) {
        caseSensitive = !caseSensitive;
        find->SetCaseSensitive(caseSensitive);
        find->FindFirst();
    }
    // Against one frame: the keystroke must not be seen to wait.
    BenchReport::figure("easyfind_first_search_after_change", clock.ms(state.iterations()), 16,
                        "ms", 1);
}

} // namespace

BENCHMARK(BM_MemmemFloor)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindFirstNoMatch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindFirstRereadingNames)->Arg(0)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
