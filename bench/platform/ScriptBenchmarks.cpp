#include "platform/script/WordBridge.h"
#include "tests/platform/FakeBackend.h"

#include <benchmark/benchmark.h>

namespace plumeo {
namespace {

using testing::FakeBackend;
using testing::FakeCompiledScript;

// What a script call costs beyond the script itself: the hop to the runner's thread and back.
// Every engine checkpoint and typo check pays it once per read.
void BM_RunnerRoundTrip(benchmark::State& state) {
    auto backend = std::make_shared<FakeBackend>();
    backend->setScriptHandler("ping", [](FakeCompiledScript&, const auto&) {
        return ScriptResult::success(ScriptDescriptor::makeInteger(1));
    });
    ScriptRunner runner(backend, "on ping()\nend ping", "Plumeo.Bench",
                        ScriptInstancePolicy::reuseCompiled);
    for (auto _ : state)
        benchmark::DoNotOptimize(runner.call("ping", {}));
}
BENCHMARK(BM_RunnerRoundTrip)->Iterations(20000)->UseRealTime();

// The bridge's state read: round trip plus parsing the eight-item list.
void BM_BridgeState(benchmark::State& state) {
    using D = ScriptDescriptor;
    auto backend = std::make_shared<FakeBackend>();
    const D answer = D::makeList({D::makeInteger(1), D::makeString(u"文档1"),
                                  D::makeString(u"/Users/a/文档1.docx"), D::makeInteger(120),
                                  D::makeInteger(120), D::makeEnumeration(0x02300001),
                                  D::makeBoolean(false), D::makeEnumeration(0x0279FFFF)});
    backend->setScriptHandler("docstate", [answer](FakeCompiledScript&, const auto&) {
        return ScriptResult::success(answer);
    });
    WordBridge bridge(backend);
    for (auto _ : state)
        benchmark::DoNotOptimize(bridge.state());
}
BENCHMARK(BM_BridgeState)->Iterations(20000)->UseRealTime();

} // namespace
} // namespace plumeo
