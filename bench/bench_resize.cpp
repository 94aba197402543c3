// Scaling the whole main window between two sizes through its resizer,
// against setting the same bounds and fonts on the same controls directly
// from a prepared list. Every global allocation is counted too: after the
// recording the resizer itself is to allocate nothing, so what a scaling
// pass allocates beyond the direct writes is the toolkit's measuring of the
// labels' texts.
#include "core/data/DM.h"
#include "gui/layout/FormResizer.h"
#include "gui/windows/PhoneForm.h"
#include "support/BenchReport.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long long> allocations{0};

} // namespace

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// What the resizer left on one control at one window size.
struct Placed
{
    QWidget* control;
    QRect bounds;
    QFont font;
};

struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<TDM> dm; // outlives the window that uses it
    std::unique_ptr<TPhoneForm> form;
    TFormResizer* resizer = nullptr;
    const QSize small{1024, 600};
    const QSize large{1280, 750};
    std::vector<Placed> atSmall, atLarge;

    Fixture()
    {
        QDir::setCurrent(dir.path());
        form = std::make_unique<TPhoneForm>();
        dm = std::make_unique<TDM>(nullptr, dir.filePath(QStringLiteral("Data")));
        form->SetDataModule(dm.get());
        resizer = form->FormResizer1();
        atLarge = placedAt(large);
        atSmall = placedAt(small);
        // The direct writes go to the controls the resizer changes, not to
        // those it leaves to their layout.
        std::vector<Placed> changedLarge, changedSmall;
        for (std::size_t i = 0; i < atSmall.size(); ++i) {
            if (atSmall[i].bounds == atLarge[i].bounds && atSmall[i].font == atLarge[i].font)
                continue;
            changedLarge.push_back(atLarge[i]);
            changedSmall.push_back(atSmall[i]);
        }
        atLarge.swap(changedLarge);
        atSmall.swap(changedSmall);
    }

    std::vector<Placed> placedAt(QSize size)
    {
        form->resize(size);
        resizer->ResizeAll();
        std::vector<Placed> placed;
        for (const auto& record : resizer->Records())
            if (QWidget* control = record->Control())
                placed.push_back({control, control->geometry(), control->font()});
        return placed;
    }

    void scale(QSize size)
    {
        form->resize(size);
        resizer->ResizeAll();
    }

    void setDirectly(QSize size, const std::vector<Placed>& placed)
    {
        form->resize(size);
        for (const Placed& p : placed) {
            p.control->setFont(p.font);
            p.control->setGeometry(p.bounds);
        }
    }
};

// Made on first use and destroyed before the application object.
std::unique_ptr<Fixture> theFixture;

Fixture& fixture()
{
    if (!theFixture)
        theFixture = std::make_unique<Fixture>();
    return *theFixture;
}

void ResizeAll(benchmark::State& state)
{
    Fixture& f = fixture();
    const long long before = allocations.load();
    for (auto _ : state) {
        f.scale(f.large);
        f.scale(f.small);
    }
    state.counters["controls"] = double(f.resizer->Records().size());
    state.counters["allocs"] = double(allocations.load() - before) / double(state.iterations());
}
BENCHMARK(ResizeAll)->Unit(benchmark::kMicrosecond);

void SetBoundsAndFontsDirectly(benchmark::State& state)
{
    Fixture& f = fixture();
    const long long before = allocations.load();
    for (auto _ : state) {
        f.setDirectly(f.large, f.atLarge);
        f.setDirectly(f.small, f.atSmall);
    }
    state.counters["controls"] = double(f.atSmall.size());
    state.counters["allocs"] = double(allocations.load() - before) / double(state.iterations());
}
BENCHMARK(SetBoundsAndFontsDirectly)->Unit(benchmark::kMicrosecond);

// Both, interleaved in one loop, so that a machine whose speed wanders
// (shared, throttled) weighs on them alike; the ratio is the figure to read.
// Both are work on the main thread alone, so its CPU time is what is timed.
void ResizeAllAgainstDirectWrites(benchmark::State& state)
{
    using Clock = BenchReport::ThreadCpuClock;
    Fixture& f = fixture();
    Clock::duration scaling{}, direct{};
    long long scalingAllocs = 0, directAllocs = 0;
    for (auto _ : state) {
        const long long a0 = allocations.load();
        const auto t0 = Clock::now();
        f.scale(f.large);
        f.scale(f.small);
        const auto t1 = Clock::now();
        const long long a1 = allocations.load();
        f.setDirectly(f.large, f.atLarge);
        f.setDirectly(f.small, f.atSmall);
        const auto t2 = Clock::now();
        scalingAllocs += a1 - a0;
        directAllocs += allocations.load() - a1;
        scaling += t1 - t0;
        direct += t2 - t1;
    }
    const double n = double(state.iterations());
    const auto us = [&](Clock::duration d) {
        return std::chrono::duration<double, std::micro>(d).count() / n;
    };
    state.counters["resize_us"] = us(scaling);
    state.counters["direct_us"] = us(direct);
    state.counters["ratio"] = us(scaling) / us(direct);
    state.counters["resize_allocs"] = double(scalingAllocs) / n;
    state.counters["direct_allocs"] = double(directAllocs) / n;
    BenchReport::figure("resize_all", us(scaling), us(direct), "us", 2);
}
BENCHMARK(ResizeAllAgainstDirectWrites)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theFixture.reset();
    return 0;
}
