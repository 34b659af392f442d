// The cost of one platform call through the simulator backend: a socket round trip to
// plumeo-sim. The target guard makes a handful of Accessibility queries before every key
// event and the sink two posts per stroke, so these bound how fast a simulated session runs.

#include "platform/backend/sim/SimBackend.h"
#include "tests/support/SimulatorFixture.h"

#include <benchmark/benchmark.h>

namespace {

using plumeo::testing::SimulatorProcess;

SimulatorProcess::Options oneDocument() {
    SimulatorProcess::Options options;
    options.documents = 1;
    return options;
}

struct Simulated {
    Simulated() : backend(simulator.socketPath()) {
        wordPid = backend.runningApplications("com.microsoft.Word").at(0).pid;
    }
    SimulatorProcess simulator{oneDocument()};
    plumeo::SimBackend backend;
    std::int32_t wordPid = 0;
};

Simulated& simulated() {
    static Simulated instance;
    return instance;
}

void BM_AccessibilityAttribute(benchmark::State& state) {
    auto& sim = simulated();
    const auto app = sim.backend.axApplicationElement(sim.wordPid);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sim.backend.axAttribute(app, "AXFocusedUIElement"));
    }
}
BENCHMARK(BM_AccessibilityAttribute);

void BM_PostKeyStroke(benchmark::State& state) {
    auto& sim = simulated();
    plumeo::KeyEventSpec spec;
    spec.unicode = u"x";
    const auto down = sim.backend.createKeyboardEvent(spec);
    spec.keyDown = false;
    const auto up = sim.backend.createKeyboardEvent(spec);
    const auto destination = plumeo::KeyEventDestination::process(sim.wordPid);
    for (auto _ : state) {
        sim.backend.postKeyboardEvent(*down, destination);
        sim.backend.postKeyboardEvent(*up, destination);
    }
}
BENCHMARK(BM_PostKeyStroke);

void BM_ScriptDocstate(benchmark::State& state) {
    auto& sim = simulated();
    auto compiled = sim.backend.compileScript("on docstate()\nend docstate\n");
    for (auto _ : state) {
        benchmark::DoNotOptimize(sim.backend.executeHandler(*compiled.script, "docstate", {}));
    }
}
BENCHMARK(BM_ScriptDocstate);

} // namespace
