// Start-up to the first paint of the main window, the whole process from its
// start, against a minimal Qt program with a window of six tab pages, the two
// started in turn in the same run; and the peak resident memory of both with
// the overview page brought forward. A plugin loaded through Qt's environment
// reports the first paint of either program with its peak memory and ends
// it, so the program measured is the delivered one, in a copy of its program
// folder, on the delivered data folder and on made-up books of 1,000, 10,000
// and 100,000 contacts (made once and kept in the build's bench/books).
//
// Run it with a display (xvfb-run -a bench/bench_startup); without one both
// programs paint offscreen. KALVINDO_BENCH_PROGRAM_DIR names another build's
// program folder to measure instead of this build's.
#include "bookgen/BookGenerator.h"
#include "core/birthday/BirthdayReminder.h"
#include "core/data/DM.h"
#include "core/store/Table.h"
#include "support/BenchReport.h"

#include <QCoreApplication>
#include <QDate>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The tab page of the main window that shows the overview grid.
constexpr int OverviewPage = 4;

struct Program
{
    std::string path;
    std::string folder; // working directory
};

struct Painted
{
    double seconds = -1; // negative: no paint reported within a minute
    double peakKb = 0;
};

std::vector<std::string> childEnvironment(int page)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (entry.rfind("QT_QPA_GENERIC_PLUGINS=", 0) != 0 &&
            entry.rfind("QT_PLUGIN_PATH=", 0) != 0 &&
            entry.rfind("KALVINDO_FIRSTPAINT_PAGE=", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("QT_QPA_GENERIC_PLUGINS=firstpaint");
    env.push_back("QT_PLUGIN_PATH=" KALVINDO_BENCH_PLUGINS);
    if (page >= 0)
        env.push_back("KALVINDO_FIRSTPAINT_PAGE=" + std::to_string(page));
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        env.push_back("QT_QPA_PLATFORM=offscreen");
    return env;
}

// Reads the plugin's line "painted <kB>" within a minute of the start: on a
// machine shared by many builds a start can take some seconds.
bool readReport(int fd, std::string& line)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    char c = 0;
    while (line.empty() || line.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, int(left.count())) != 1 || read(fd, &c, 1) != 1)
            return false;
        line += c;
    }
    return true;
}

// Starts a program and waits for its report of the first paint (with page
// >= 0: of that tab page, brought forward after the first paint).
Painted startToFirstPaint(const Program& program, int page = -1)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, program.folder.c_str());
    std::vector<std::string> env = childEnvironment(page);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string path = program.path;
    char* argv[] = {path.data(), nullptr};

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    Painted painted;
    if (spawned == 0) {
        std::string line;
        if (readReport(out[0], line)) {
            painted.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            painted.peakKb = std::atof(line.c_str() + line.find(' ') + 1);
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    close(out[0]);
    return painted;
}

fs::path scratch()
{
    return fs::temp_directory_path() / ("kalvindo-startup-" + std::to_string(getpid()));
}

// A book made by an earlier build is brought to this build's file format
// once, as the program does at its first start with it, so that no measured
// start pays for that.
void bringUpToDate(const fs::path& data)
{
    TDM dm(nullptr, QString::fromStdString(data.string()));
    for (TTable* table : dm.ContactTables())
        table->Open();
}

// A made-up book of the given size, made once: its Data and Billeder folders.
fs::path book(int contacts)
{
    const fs::path made = fs::path(KALVINDO_BENCH_BOOKS) / std::to_string(contacts);
    if (fs::exists(made / "Data")) {
        bringUpToDate(made / "Data");
        return made;
    }
    const fs::path making = made.string() + ".making";
    fs::remove_all(making);
    BookGen::Options options;
    options.contacts = contacts;
    options.pictureFolder = QString::fromStdString((making / "Billeder").string());
    BookGen::make(QString::fromStdString((making / "Data").string()),
                  QStringLiteral(KALVINDO_SOURCE_DIR "/resources/data/postnumre.csv"), options);
    fs::rename(making, made);
    return made;
}

// A made-up book has dozens of birthday cards due on any day at 100,000
// contacts, and each reminder is a box that waits for the user before the
// main window is shown. The copy measured is a day without reminders: the
// contacts whose reminder is due today lose their card mark. The program
// still reads every marked contact to find that out.
void withoutRemindersToday(const fs::path& data)
{
    QList<BirthdayReminder::Reminder> due;
    {
        TDM dm(nullptr, QString::fromStdString(data.string()));
        dm.TelefonTable->Open();
        due = BirthdayReminder::due(*dm.TelefonTable, QDate::currentDate(), 0);
    }
    sqlite3* db = nullptr;
    if (sqlite3_open((data / "Telefon.DB").c_str(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot open " + (data / "Telefon.DB").string());
    sqlite3_stmt* unmark = nullptr;
    sqlite3_prepare_v2(db, "UPDATE Telefon SET FKort = 'Nej' WHERE Navn = ? AND Telefon = ?", -1,
                       &unmark, nullptr);
    for (const BirthdayReminder::Reminder& reminder : due) {
        const QByteArray name = reminder.contact.navn.toUtf8();
        const QByteArray phone = reminder.contact.telefon.toUtf8();
        sqlite3_bind_text(unmark, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(unmark, 2, phone.constData(), int(phone.size()), SQLITE_TRANSIENT);
        sqlite3_step(unmark);
        sqlite3_reset(unmark);
    }
    sqlite3_finalize(unmark);
    sqlite3_close(db);
}

// A copy of the program folder, so that no run can touch the build's data;
// with a made-up book for its data folder when contacts > 0.
const std::string& programFolder(int contacts)
{
    static std::map<int, std::string> folders;
    if (auto it = folders.find(contacts); it != folders.end())
        return it->second;
    if (folders.empty())
        std::atexit([] { fs::remove_all(scratch()); });
    const fs::path copy = scratch() / std::to_string(contacts);
    fs::remove_all(copy);
    fs::create_directories(copy.parent_path());
    // Another build's program folder may be measured in its place.
    const char* other = std::getenv("KALVINDO_BENCH_PROGRAM_DIR");
    fs::copy(other ? other : KALVINDO_PROGRAM_DIR, copy, fs::copy_options::recursive);
    if (contacts > 0) {
        const fs::path made = book(contacts);
        fs::remove_all(copy / "Data");
        fs::copy(made / "Data", copy / "Data", fs::copy_options::recursive);
        withoutRemindersToday(copy / "Data");
        fs::copy(made / "Billeder", copy / "Billeder",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    return folders[contacts] = copy.string();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::string sizeName(int contacts)
{
    return contacts > 0 ? std::to_string(contacts) : "delivered";
}

void StartupToFirstPaint(benchmark::State& state)
{
    const int contacts = int(state.range(0));
    const Program kalvindo{programFolder(contacts) + "/kalvindo", programFolder(contacts)};
    const Program minimal{KALVINDO_BENCH_MINIMAL, programFolder(contacts)};
    std::vector<double> program, floor;
    for (auto _ : state) {
        const Painted f = startToFirstPaint(minimal);
        const Painted p = startToFirstPaint(kalvindo);
        if (f.seconds < 0 || p.seconds < 0) {
            state.SkipWithError("a program did not paint within a minute");
            return;
        }
        floor.push_back(f.seconds);
        program.push_back(p.seconds);
        state.SetIterationTime(p.seconds);
    }
    state.counters["kalvindo_ms"] = median(program) * 1000;
    state.counters["minimal_ms"] = median(floor) * 1000;
    state.counters["ratio"] = median(program) / median(floor);
    BenchReport::figure("startup_" + sizeName(contacts), median(program) * 1000,
                        median(floor) * 1000, "ms", 2);
    const bool xdg = std::system("command -v xdg-mime >/dev/null 2>&1") == 0;
    state.SetLabel(xdg ? "xdg-utils installed" : "without xdg-utils");
}

// The peak resident memory with the overview shown, against the minimal
// program's with the same tab page shown plus the size of the contact table
// file: what a program that held the file in memory once would need.
void PeakMemoryWithOverview(benchmark::State& state)
{
    const int contacts = int(state.range(0));
    const Program kalvindo{programFolder(contacts) + "/kalvindo", programFolder(contacts)};
    const Program minimal{KALVINDO_BENCH_MINIMAL, programFolder(contacts)};
    const double fileMb =
        double(fs::file_size(fs::path(programFolder(contacts)) / "Data" / "Telefon.DB")) /
        (1024.0 * 1024.0);
    std::vector<double> program, floor;
    for (auto _ : state) {
        const Painted f = startToFirstPaint(minimal, OverviewPage);
        const Painted p = startToFirstPaint(kalvindo, OverviewPage);
        if (f.seconds < 0 || p.seconds < 0 || f.peakKb <= 0 || p.peakKb <= 0) {
            state.SkipWithError("a program did not report its memory within a minute");
            return;
        }
        floor.push_back(f.peakKb / 1024.0);
        program.push_back(p.peakKb / 1024.0);
        state.SetIterationTime(p.seconds);
    }
    state.counters["kalvindo_MB"] = median(program);
    state.counters["minimal_MB"] = median(floor);
    state.counters["file_MB"] = fileMb;
    BenchReport::figure("memory_" + sizeName(contacts), median(program), median(floor) + fileMb,
                        "MB", 1.5);
}

} // namespace

BENCHMARK(StartupToFirstPaint)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PeakMemoryWithOverview)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // The books are made through the record store, which wants an application.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
