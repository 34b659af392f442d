// Fast-mode sessions through the whole platform layer into a simulated Word that absorbs a set
// number of key events a second. The fast mode paces itself by how quickly Word keeps up, so
// its rate should come close to what Word can take; the guard's own statistics give the cost
// of the check that precedes every stroke.

#include "core/engine/TypingEngine.h"
#include "core/text/TextPreparer.h"
#include "platform/ax/WordDocumentReader.h"
#include "platform/ax/WordTargetGuard.h"
#include "platform/backend/sim/SimBackend.h"
#include "platform/input/CGKeySink.h"
#include "platform/script/WordBridge.h"
#include "tests/support/SimulatorFixture.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <string>

namespace plumeo {
namespace {

std::u16string articleOfUnits(int units) {
    const std::u16string pattern = u"Fast typing 快速输入 ";
    std::u16string article;
    while (static_cast<int>(article.size()) < units)
        article += pattern;
    article.resize(static_cast<std::size_t>(units));
    return article;
}

/// Jiffies the host took from this virtual machine, and all jiffies, since boot (Linux).
struct CpuTimes {
    double steal = 0;
    double total = 0;
};

CpuTimes cpuTimes() {
    std::ifstream stat("/proc/stat");
    std::string cpu;
    stat >> cpu;
    CpuTimes times;
    double field = 0;
    for (int i = 0; i < 8 && stat >> field; ++i) {
        times.total += field;
        if (i == 7)
            times.steal = field;
    }
    return times;
}

/// Arguments: the key events a second that the simulated Word absorbs (0: no limit, which
/// measures the platform layer's own ceiling; every stroke is a key down and a key up, so Word
/// takes half as many units), and the article's length in units.
void BM_FastSessionAgainstSimulatedWord(benchmark::State& state) {
    const double eventsPerSecond = static_cast<double>(state.range(0));
    const double wordUnitsPerSecond = eventsPerSecond / 2;
    const int units = static_cast<int>(state.range(1));

    testing::SimulatorProcess::Options options;
    options.documents = 1;
    testing::SimulatorProcess simulator(options);
    auto& control = simulator.control();
    control.setWordTiming(eventsPerSecond, 0);
    const auto wordPid = control.wordPid().value_or(0);
    const auto name = control.dump()["word"]["documents"][0]["name"].get<std::string>();
    auto backend = std::make_shared<SimBackend>(simulator.socketPath());
    const PreparedText text = TextPreparer::prepare(articleOfUnits(units));

    double totalRate = 0;
    double checkMeanSeconds = 0;
    double checkMaxSeconds = 0;
    double interval = 0;
    double requestsPerUnit = 0;
    double guardRoundTrips = 0;
    int sessions = 0;
    const CpuTimes before = cpuTimes();
    for (auto _ : state) {
        control.setDocumentText(name, u"", 0);
        auto bridge = std::make_shared<WordBridge>(backend);
        bridge->setBoundDocumentID(name);
        const DocState docState = bridge->state();
        auto reader = std::make_shared<WordDocumentReader>(bridge, backend, wordPid);
        std::shared_ptr<WordTargetGuard> guard = WordTargetGuard::make(backend, wordPid);
        if (!guard) {
            state.SkipWithError("Word has no focused window in the simulator");
            return;
        }
        TypingEngineOptions engineOptions;
        engineOptions.text = text;
        engineOptions.settings = ModeSettings::make(TypingMode::fast, std::nullopt, false, 0);
        engineOptions.seed = 0x5EED + static_cast<std::uint64_t>(sessions);
        engineOptions.sink = std::make_shared<CGKeySink>(backend, CGKeySink::Route::pid(wordPid));
        engineOptions.guardian = guard;
        engineOptions.reader = reader;
        engineOptions.documentID = docState.documentID;
        engineOptions.initialContent = reader->readAll();
        engineOptions.insertionOffset = docState.selectionStart;
        auto engine = TypingEngine::create(std::move(engineOptions));

        const auto requestsBefore = backend->requestCount();
        const auto started = std::chrono::steady_clock::now();
        engine->start();
        if (!engine->waitUntilIdle(120.0)) {
            state.SkipWithError("the session did not end");
            return;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        state.SetIterationTime(seconds);
        if (engine->snapshot().phase != SessionPhase::completed(VerificationOutcome::verified())) {
            state.SkipWithError(("the session ended " + engine->snapshot().phase.title()).c_str());
            return;
        }
        // Whole session, start to verified end: checkpoints and the final read included.
        totalRate += units / seconds;
        const auto stats = guard->statistics();
        checkMeanSeconds += stats.checkMeanSeconds();
        checkMaxSeconds = std::max(checkMaxSeconds, stats.checkMaxSeconds);
        interval += engine->adaptiveIntervalMs();
        requestsPerUnit += static_cast<double>(backend->requestCount() - requestsBefore) / units;
        // The guard alone, on checks that pass: the cursor at the end of what was typed.
        constexpr int checks = 100;
        const TargetExpectation atEnd{{units, units}, {units + 1, units + 1}};
        const auto guardBefore = backend->requestCount();
        for (int i = 0; i < checks; ++i)
            guard->quickCheck(atEnd);
        guardRoundTrips += static_cast<double>(backend->requestCount() - guardBefore) / checks;
        ++sessions;
    }
    if (sessions == 0)
        return;
    // On a virtual machine the rate follows the processor time the host takes away: every
    // check is a chain of round trips that waits for both processes to be scheduled.
    const CpuTimes after = cpuTimes();
    if (after.total > before.total)
        state.counters["stolenShare"] = (after.steal - before.steal) / (after.total - before.total);
    const double rate = totalRate / sessions;
    state.counters["unitsPerSecond"] = rate;
    if (wordUnitsPerSecond > 0) {
        state.counters["wordUnitsPerSecond"] = wordUnitsPerSecond;
        state.counters["shareOfWordRate"] = rate / wordUnitsPerSecond;
    }
    state.counters["finalIntervalMs"] = interval / sessions;
    state.counters["checkMeanUs"] = checkMeanSeconds / sessions * 1e6;
    state.counters["checkMaxUs"] = checkMaxSeconds * 1e6;
    // Each request is one round trip to the simulator, as each query to Word is on a Mac.
    state.counters["roundTripsPerUnit"] = requestsPerUnit / sessions;
    state.counters["guardRoundTripsPerCheck"] = guardRoundTrips / sessions;
}
BENCHMARK(BM_FastSessionAgainstSimulatedWord)
    ->Args({0, 600})    // no limit: what the guard and the sink allow
    ->Args({200, 300})  // Word takes 100 units a second
    ->Args({600, 600})  // 300 units a second
    ->Args({2000, 600}) // 1000 units a second: the fast mode's 1 ms hold allows no more
    ->Args({2000, 3000}) // the same, long enough for the start and the final read to weigh less
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace plumeo
