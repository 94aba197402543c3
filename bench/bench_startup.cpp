// Start-up to the first paint of the main window, the whole process from its
// start, against a minimal Qt program with a window of six tab pages, the two
// started in turn in the same run. A plugin loaded through Qt's environment
// reports the first paint of either program and ends it, so the program
// measured is the delivered one, in a copy of its program folder.
//
// Run it with a display (xvfb-run -a bench/bench_startup); without one both
// programs paint offscreen. KALVINDO_BENCH_PROGRAM_DIR names another build's
// program folder to measure instead of this build's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Program
{
    std::string path;
    std::string folder; // working directory
};

std::vector<std::string> childEnvironment()
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (entry.rfind("QT_QPA_GENERIC_PLUGINS=", 0) != 0 &&
            entry.rfind("QT_PLUGIN_PATH=", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("QT_QPA_GENERIC_PLUGINS=firstpaint");
    env.push_back("QT_PLUGIN_PATH=" KALVINDO_BENCH_PLUGINS);
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        env.push_back("QT_QPA_PLATFORM=offscreen");
    return env;
}

// Seconds from starting the program to its report of the first paint; a
// negative value when it did not report within ten seconds.
double startToFirstPaint(const Program& program)
{
    int out[2];
    if (pipe(out) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, program.folder.c_str());
    static std::vector<std::string> env = childEnvironment();
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
    double seconds = -1;
    if (spawned == 0) {
        pollfd ready{out[0], POLLIN, 0};
        char c = 0;
        if (poll(&ready, 1, 10000) == 1 && read(out[0], &c, 1) == 1)
            seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    close(out[0]);
    return seconds;
}

// A copy of the program folder, so that no run can touch the build's data.
const std::string& programFolder()
{
    static const std::string folder = [] {
        const fs::path copy =
            fs::temp_directory_path() / ("kalvindo-startup-" + std::to_string(getpid()));
        fs::remove_all(copy);
        // Another build's program folder may be measured in its place.
        const char* other = std::getenv("KALVINDO_BENCH_PROGRAM_DIR");
        fs::copy(other ? other : KALVINDO_PROGRAM_DIR, copy, fs::copy_options::recursive);
        std::atexit([] {
            fs::remove_all(fs::temp_directory_path() /
                           ("kalvindo-startup-" + std::to_string(getpid())));
        });
        return copy.string();
    }();
    return folder;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void StartupToFirstPaint(benchmark::State& state)
{
    const Program kalvindo{programFolder() + "/kalvindo", programFolder()};
    const Program minimal{KALVINDO_BENCH_MINIMAL, programFolder()};
    std::vector<double> program, floor;
    for (auto _ : state) {
        const double f = startToFirstPaint(minimal);
        const double p = startToFirstPaint(kalvindo);
        if (f < 0 || p < 0) {
            state.SkipWithError("a program did not paint within ten seconds");
            return;
        }
        floor.push_back(f);
        program.push_back(p);
        state.SetIterationTime(p);
    }
    state.counters["kalvindo_ms"] = median(program) * 1000;
    state.counters["minimal_ms"] = median(floor) * 1000;
    state.counters["ratio"] = median(program) / median(floor);
    const bool xdg = std::system("command -v xdg-mime >/dev/null 2>&1") == 0;
    state.SetLabel(xdg ? "xdg-utils installed" : "without xdg-utils");
}

} // namespace

BENCHMARK(StartupToFirstPaint)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
