#pragma once

// One line per figure, the same in every benchmark program, so that
// bench/run can gather the lines of all of them into one table:
//
//   BENCH <name> ours=<value><unit> base=<value><unit> ratio=<ours/base> target=<max> <ok|over>
//
// A benchmark calls BenchReport::figure() once it has both of its sides
// measured in the same run; the lines are printed after the Google Benchmark
// output, when the program ends, and appended to the file named by
// KALVINDO_BENCH_REPORT when that is set (bench/run sets it).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <time.h>
#include <vector>

namespace BenchReport {

struct Figure
{
    std::string name;
    double ours;
    double base;
    std::string unit;
    double target;
};

inline std::vector<Figure>& figures()
{
    static std::vector<Figure> all;
    return all;
}

inline std::string line(const Figure& f)
{
    const double ratio = f.base > 0 ? f.ours / f.base : 0.0;
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "BENCH %s ours=%.4g%s base=%.4g%s ratio=%.3g target=%g %s",
                  f.name.c_str(), f.ours, f.unit.c_str(), f.base, f.unit.c_str(), ratio, f.target,
                  f.base > 0 && ratio <= f.target ? "ok" : "over");
    return buffer;
}

inline void printAll()
{
    const char* path = std::getenv("KALVINDO_BENCH_REPORT");
    std::FILE* file = path && *path ? std::fopen(path, "a") : nullptr;
    for (const Figure& f : figures()) {
        const std::string text = line(f);
        std::printf("%s\n", text.c_str());
        if (file)
            std::fprintf(file, "%s\n", text.c_str());
    }
    if (file)
        std::fclose(file);
    std::fflush(stdout);
}

// Records a figure: `ours` and `base` in the same unit (for example "ms"),
// `target` the largest ratio ours/base that is still within the target.
// A figure given again under the same name (Google Benchmark may run a
// benchmark function more than once) replaces the earlier one.
inline void figure(const std::string& name, double ours, double base, const std::string& unit,
                   double target)
{
    // The list is made before the exit handler is registered, so that it is
    // destroyed after the handler has printed it.
    figures();
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(printAll); });
    for (Figure& f : figures())
        if (f.name == name) {
            f = Figure{name, ours, base, unit, target};
            return;
        }
    figures().push_back(Figure{name, ours, base, unit, target});
}

// For a pair measured by two benchmark functions, each gives its side; the
// figure is recorded once both sides are in (a run filtered to one of them
// reports nothing).
struct Pending
{
    double ours = -1;
    double base = -1;
    std::string unit;
    double target = 0;
};

inline std::map<std::string, Pending>& pending()
{
    static std::map<std::string, Pending> all;
    return all;
}

inline void completeIfBoth(const std::string& name)
{
    const Pending& p = pending()[name];
    if (p.ours >= 0 && p.base >= 0)
        figure(name, p.ours, p.base, p.unit, p.target);
}

inline void ours(const std::string& name, double value, const std::string& unit, double target)
{
    Pending& p = pending()[name];
    p.ours = value;
    p.unit = unit;
    p.target = target;
    completeIfBoth(name);
}

inline void base(const std::string& name, double value)
{
    pending()[name].base = value;
    completeIfBoth(name);
}

// The wall time of a benchmark's loop from its making, per iteration, in
// milliseconds or microseconds.
class LoopClock
{
public:
    double ms(std::int64_t iterations) const { return elapsed() * 1e3 / double(iterations); }
    double us(std::int64_t iterations) const { return elapsed() * 1e6 / double(iterations); }

private:
    double elapsed() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// The CPU time the calling thread has used, as a std::chrono clock. For work
// that neither sleeps nor waits on the disk it is the measure a shared,
// loaded machine leaves alone: wall time also counts the time slices that
// other processes got in between.
struct ThreadCpuClock
{
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<ThreadCpuClock>;
    static constexpr bool is_steady = true;

    static time_point now()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(duration(rep(t.tv_sec) * 1000000000 + t.tv_nsec));
    }
};

} // namespace BenchReport
