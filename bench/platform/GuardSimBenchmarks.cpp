#include "platform/ax/WordTargetGuard.h"
#include "platform/backend/sim/SimBackend.h"
#include "tests/support/SimulatorFixture.h"

#include <benchmark/benchmark.h>

namespace plumeo {
namespace {

// Every Accessibility query is a round trip to the simulator process, as every query to Word
// is an interprocess message on a Mac: the check's realistic cost.
void BM_QuickCheckAgainstSimulator(benchmark::State& state) {
    testing::SimulatorProcess::Options options;
    options.documents = 1;
    testing::SimulatorProcess simulator(options);
    auto backend = std::make_shared<SimBackend>(simulator.socketPath());
    const auto pid = simulator.control().wordPid();
    const auto name = simulator.control().dump()["word"]["documents"][0]["name"].get<std::string>();
    simulator.control().setDocumentText(name, u"一段已有的文字", 7);
    auto guard = WordTargetGuard::make(backend, pid.value_or(0));
    if (!guard) {
        state.SkipWithError("Word has no focused window in the simulator");
        return;
    }
    guard->beginSending();
    const TargetExpectation expect{{7, 7}, {8, 8}};
    for (auto _ : state) {
        if (auto stop = guard->quickCheck(expect)) {
            state.SkipWithError(stop->message().c_str());
            break;
        }
    }
    const auto stats = guard->statistics();
    state.counters["meanCheckUs"] = stats.checkMeanSeconds() * 1e6;
    state.counters["maxCheckUs"] = stats.checkMaxSeconds * 1e6;
}
BENCHMARK(BM_QuickCheckAgainstSimulator)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace plumeo
