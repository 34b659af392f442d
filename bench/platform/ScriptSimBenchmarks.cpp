#include "platform/backend/sim/SimBackend.h"
#include "platform/script/WordBridge.h"
#include "tests/support/SimulatorFixture.h"

#include <benchmark/benchmark.h>

namespace plumeo {
namespace {

// A checkpoint read as the engine makes it: the runner hop plus one request to the simulator,
// which stands where Word's Apple event handling stands on a Mac.
void BM_BridgeReadAgainstSimulator(benchmark::State& state) {
    testing::SimulatorProcess::Options options;
    options.documents = 1;
    testing::SimulatorProcess simulator(options);
    const auto name = simulator.control().dump()["word"]["documents"][0]["name"].get<std::string>();
    simulator.control().setDocumentText(name, std::u16string(2000, u'字'), 2000);
    WordBridge bridge(std::make_shared<SimBackend>(simulator.socketPath()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(bridge.state());
        benchmark::DoNotOptimize(bridge.read(1900, 2000));
    }
}
BENCHMARK(BM_BridgeReadAgainstSimulator)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
} // namespace plumeo
