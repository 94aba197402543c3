#pragma once

// Pairs measurements into BenchReport figures. A benchmark function times
// its loop with a Timer and records the time per iteration under a key;
// a figure names the key of its own side and the key of its baseline, and
// is reported as soon as both have been measured in the run.
//
//   BenchPairs::Timer timer(state);
//   for (auto _ : state) { ... }
//   BenchPairs::record("post.100000", timer.perIteration());
//
//   BenchPairs::pair("daily.post.100000", "post.100000", "insert.100000", 1.5);
#include "BenchReport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace BenchPairs {

// Wall-clock time of a benchmark's loop, without the pauses taken through it.
class Timer
{
public:
    using Clock = std::chrono::steady_clock;
    explicit Timer(benchmark::State& state) : m_state(state), m_start(Clock::now()) {}
    void pause()
    {
        m_state.PauseTiming();
        m_paused = Clock::now();
    }
    void resume()
    {
        m_excluded += Clock::now() - m_paused;
        m_state.ResumeTiming();
    }
    // Leaves a step out of the figure without stopping the library's clock,
    // for steps of a few microseconds: pausing it reads the process's CPU
    // time, which costs about as much as such a step.
    template <typename Step> void untimed(Step step)
    {
        const auto start = Clock::now();
        step();
        m_excluded += Clock::now() - start;
    }
    // Microseconds per iteration, once the loop has ended.
    double perIteration() const
    {
        const auto total = Clock::now() - m_start - m_excluded;
        const double iterations = m_state.iterations() > 0 ? double(m_state.iterations()) : 1.0;
        return std::chrono::duration<double, std::micro>(total).count() / iterations;
    }

private:
    benchmark::State& m_state;
    Clock::time_point m_start;
    Clock::time_point m_paused;
    Clock::duration m_excluded{};
};

struct Pair
{
    std::string figure, ours, base;
    double target;
};

inline std::map<std::string, double>& measured()
{
    static std::map<std::string, double> all;
    return all;
}

inline std::vector<Pair>& pairs()
{
    static std::vector<Pair> all;
    return all;
}

inline void report()
{
    for (const Pair& p : pairs()) {
        const auto ours = measured().find(p.ours);
        const auto base = measured().find(p.base);
        if (ours != measured().end() && base != measured().end())
            BenchReport::figure(p.figure, ours->second, base->second, "us", p.target);
    }
}

// A figure: the time recorded under `ours` against the one under `base`.
inline void pair(const std::string& figure, const std::string& ours, const std::string& base,
                 double target)
{
    pairs().push_back({figure, ours, base, target});
    report();
}

// Microseconds per iteration measured under a key; a later run of the same
// benchmark replaces it.
inline void record(const std::string& key, double microseconds)
{
    measured()[key] = microseconds;
    report();
}

} // namespace BenchPairs
