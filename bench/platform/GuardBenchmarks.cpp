#include "platform/ax/WordTargetGuard.h"
#include "tests/platform/FakeWordScene.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace plumeo {
namespace {

// The fake answers at once, so this measures the guard itself: its queries, comparisons and
// lock sections. The iteration count is fixed because the fake's call transcript grows with
// every query; its occasional reallocation would otherwise dominate the maximum. The fake's uptime
// is replaced by the real clock so the guard's own statistics measure real time.
class RealClockFakeBackend : public testing::FakeBackend {
public:
    double systemUptime() override {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }
};

void reportStatistics(benchmark::State& state, const WordTargetGuard& guard) {
    const auto stats = guard.statistics();
    state.counters["meanCheckUs"] = stats.checkMeanSeconds() * 1e6;
    state.counters["maxCheckUs"] = stats.checkMaxSeconds * 1e6;
}

void BM_QuickCheckWordInFront(benchmark::State& state) {
    testing::FakeWordScene scene(std::make_shared<RealClockFakeBackend>());
    auto guard = WordTargetGuard::make(scene.fake, testing::FakeWordScene::wordPid);
    guard->beginSending();
    const TargetExpectation expect{{5, 7}, {11, 13}};
    for (auto _ : state)
        benchmark::DoNotOptimize(guard->quickCheck(expect));
    reportStatistics(state, *guard);
}
BENCHMARK(BM_QuickCheckWordInFront)->Iterations(20000);

void BM_QuickCheckWordInBackground(benchmark::State& state) {
    testing::FakeWordScene scene(std::make_shared<RealClockFakeBackend>());
    auto guard = WordTargetGuard::make(scene.fake, testing::FakeWordScene::wordPid);
    scene.setFront(testing::FakeWordScene::otherPid);
    guard->beginSending();
    const TargetExpectation expect{{5, 7}, {11, 13}};
    for (auto _ : state)
        benchmark::DoNotOptimize(guard->quickCheck(expect));
    reportStatistics(state, *guard);
}
BENCHMARK(BM_QuickCheckWordInBackground)->Iterations(20000);

} // namespace
} // namespace plumeo
