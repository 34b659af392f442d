// Peak heap use of preparing and planning a 1 MiB article. This program alone replaces the
// global allocation functions to count live bytes, so the timing benchmarks stay undisturbed.

#include "bench/text/MixedArticle.h"
#include "core/text/Planner.h"
#include "core/text/TextPreparer.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstddef>
#include <new>

namespace {

std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

void resetPeak() {
    peakBytes = liveBytes.load();
}

double peakMiBAbove(std::size_t floor) {
    return static_cast<double>(peakBytes.load() - floor) / (1 << 20);
}

} // namespace

// Each block carries its size in front, keeping the alignment malloc gives. Not inlined, so
// the compiler does not pair a new expression with the free() below and warn about it.
constexpr std::size_t sizePrefix = alignof(std::max_align_t);

[[gnu::noinline]] void* operator new(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + sizePrefix));
    if (!block)
        throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    const std::size_t live = liveBytes += size;
    std::size_t peak = peakBytes.load();
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
    }
    return block + sizePrefix;
}

[[gnu::noinline]] void operator delete(void* pointer) noexcept {
    if (!pointer)
        return;
    unsigned char* block = static_cast<unsigned char*>(pointer) - sizePrefix;
    liveBytes -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}

void operator delete(void* pointer, std::size_t) noexcept {
    operator delete(pointer);
}

namespace plumeo {
namespace {

/// Counters in MiB above what was live before: the prepared text alone, then with the natural
/// plan and the speed search on top of it.
void prepareAndPlanOneMebibyte(benchmark::State& state) {
    const std::u16string article = mixedArticle(1 << 20);
    const ModeSettings settings = ModeSettings::make(TypingMode::natural, 200, true, 0.05);
    for (auto _ : state) {
        const std::size_t floor = liveBytes.load();
        resetPeak();
        const PreparedText text = TextPreparer::prepare(article);
        state.counters["prepareMiB"] = peakMiBAbove(floor);
        const std::vector<PlanStep> steps = Planner::plan(text, settings, 0, 42);
        benchmark::DoNotOptimize(Planner::speedForTargetSeconds(40000, text, settings, 42));
        state.counters["prepareAndPlanMiB"] = peakMiBAbove(floor);
        state.counters["units"] = text.count();
    }
}
BENCHMARK(prepareAndPlanOneMebibyte)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace plumeo
