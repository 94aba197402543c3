// A backup of a 100,000-contact data folder (with family members, keywords
// and pictures) against a plain copy of the data folder's files, interleaved
// in the same run, and the check at close that finds nothing changed.
#include "bookgen/BookGenerator.h"
#include "core/backup/DataBackup.h"
#include "support/BenchReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <sqlite3.h>
#include <string>

namespace {

struct Files
{
    QTemporaryDir root{QDir::tempPath() + QStringLiteral("/kalvindo-bench-XXXXXX")};
    QString data() const { return root.filePath(QStringLiteral("Data")); }
    QString pictures() const { return root.filePath(QStringLiteral("Billeder")); }
    QString copies() const { return root.filePath(QStringLiteral("Copies")); }
};

Files* g_files = nullptr;

void prepareFiles()
{
    g_files = new Files;
    // A realistic book: family members, keywords, card marks and a picture
    // for one contact in twenty, as the program writes them.
    BookGen::Options options;
    options.contacts = 100000;
    options.pictureFolder = g_files->pictures();
    BookGen::make(g_files->data(),
                  QStringLiteral(KALVINDO_SOURCE_DIR "/resources/data/postnumre.csv"), options);
}

void copyFiles(const QString& from, const QString& to)
{
    namespace fs = std::filesystem;
    fs::create_directories(to.toStdString());
    for (const QString& name : QDir(from).entryList(QDir::Files))
        fs::copy_file(QDir(from).filePath(name).toStdString(),
                      QDir(to).filePath(name).toStdString());
}

// The yardstick: one plain copy of the data folder's files. At a close the
// backup does more (it takes the pictures too) and must still cost less. The
// first backup has nothing to share with, so it is set against a plain copy
// of all it holds: the files and the pictures.
void plainCopy(const QString& target, bool withPictures = false)
{
    copyFiles(g_files->data(), target);
    if (withPictures)
        copyFiles(g_files->pictures(), QDir(target).filePath(QStringLiteral("Billeder")));
}

// A backup and a plain copy of the same moment's files, timed one after the
// other in each iteration, so that the load of the machine weighs on both.
struct BackupAgainstCopy
{
    bool withPictures = false;
    std::chrono::nanoseconds ours{}, plain{};

    void time(DataBackup& backup, const QDateTime& when)
    {
        const auto start = std::chrono::steady_clock::now();
        backup.Take(when);
        const auto between = std::chrono::steady_clock::now();
        plainCopy(g_files->copies(), withPictures);
        plain += std::chrono::steady_clock::now() - between;
        ours += between - start;
    }
    void report(benchmark::State& state, const std::string& name, double target) const
    {
        const auto ms = [&](std::chrono::nanoseconds t) {
            return double(t.count()) / 1e6 / double(state.iterations());
        };
        state.counters["backup_ms"] = ms(ours);
        state.counters["copy_ms"] = ms(plain);
        state.counters["ratio"] = ms(ours) / ms(plain);
        BenchReport::figure(name, ms(ours), ms(plain), "ms", target);
    }
};

void Backup_AgainstPlainCopy(benchmark::State& state)
{
    DataBackup backup(g_files->data(), g_files->pictures());
    BackupAgainstCopy pair{.withPictures = true};
    QDateTime when(QDate(2026, 1, 1), QTime(0, 0));
    for (auto _ : state) {
        pair.time(backup, when);
        state.PauseTiming();
        QDir(backup.BackupRoot()).removeRecursively();
        QDir(g_files->copies()).removeRecursively();
        when = when.addSecs(1);
        state.ResumeTiming();
    }
    // The first backup copies every file and links every picture.
    pair.report(state, "backup.first", 1.0);
}
BENCHMARK(Backup_AgainstPlainCopy)->Unit(benchmark::kMillisecond)->Iterations(10);

// At a close after one contact was changed: the contact file is copied, the
// files that did not change are linked to the newest backup.
void Backup_AfterOneChange(benchmark::State& state)
{
    DataBackup backup(g_files->data(), g_files->pictures());
    QDateTime when(QDate(2026, 3, 1), QTime(0, 0));
    backup.Take(when);
    sqlite3* db = nullptr;
    sqlite3_open_v2((g_files->data() + QStringLiteral("/Telefon.DB")).toUtf8().constData(), &db,
                    SQLITE_OPEN_READWRITE, nullptr);
    BackupAgainstCopy pair;
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3_exec(db,
                     "UPDATE Telefon SET Adresse2 = ifnull(Adresse2, '') || 'x' WHERE rowid = 1",
                     nullptr, nullptr, nullptr);
        when = when.addSecs(1);
        state.ResumeTiming();
        pair.time(backup, when);
        state.PauseTiming();
        QDir(g_files->copies()).removeRecursively();
        state.ResumeTiming();
    }
    sqlite3_close_v2(db);
    QDir(backup.BackupRoot()).removeRecursively();
    pair.report(state, "backup.close_after_one_change", 1.0);
}
BENCHMARK(Backup_AfterOneChange)->Unit(benchmark::kMillisecond)->Iterations(10);

// At a close with nothing changed since the last backup.
void Backup_NothingChanged(benchmark::State& state)
{
    DataBackup backup(g_files->data(), g_files->pictures());
    backup.Take(QDateTime(QDate(2026, 2, 1), QTime(0, 0)));
    std::chrono::nanoseconds ours{};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!backup.TakeIfChanged(QDateTime(QDate(2026, 2, 1), QTime(1, 0))).isEmpty())
            state.SkipWithError("a backup was taken");
        ours += std::chrono::steady_clock::now() - start;
    }
    QDir(backup.BackupRoot()).removeRecursively();
    const auto start = std::chrono::steady_clock::now();
    plainCopy(g_files->copies());
    const auto plain = std::chrono::steady_clock::now() - start;
    QDir(g_files->copies()).removeRecursively();
    BenchReport::figure("backup.close_nothing_changed",
                        double(ours.count()) / 1e6 / double(state.iterations()),
                        double(std::chrono::nanoseconds(plain).count()) / 1e6, "ms", 1.0);
}
BENCHMARK(Backup_NothingChanged)->Unit(benchmark::kMicrosecond);

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
