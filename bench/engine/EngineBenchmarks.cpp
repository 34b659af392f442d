// Engine overhead per stroke, and how fast a stop request is taken over by the worker.
// Run from a Release build: ./bench/engine/plumeo-bench-engine

#include "core/engine/TypingEngine.h"
#include "core/text/TextPreparer.h"
#include "core/text/Utf16.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <thread>
#include <vector>

namespace plumeo {
namespace {

/// Ports that cost next to nothing: strokes land at once at the end of the document, the guard
/// never objects, reads answer from the document as it stands.
class EchoDocument final : public KeyEventSink, public TargetGuard, public DocumentReader {
public:
    void release(const KeyStroke&) override {}
    std::chrono::steady_clock::time_point press(const KeyStroke& stroke) override {
        posts.fetch_add(1, std::memory_order_relaxed);
        switch (stroke.kind) {
        case KeyStroke::Kind::text:
            text += stroke.text;
            break;
        case KeyStroke::Kind::returnKey:
            text += u'\r';
            break;
        case KeyStroke::Kind::shiftReturn:
            text += u'\v';
            break;
        case KeyStroke::Kind::tab:
            text += u'\t';
            break;
        case KeyStroke::Kind::backspace:
            if (!text.empty())
                text.pop_back();
            break;
        }
        return std::chrono::steady_clock::now();
    }
    void beginSending() override {}
    std::optional<StopReason> quickCheck(const TargetExpectation&) override { return std::nullopt; }
    DocState state() override {
        DocState state;
        state.documentID = "doc";
        state.selectionStart = state.selectionEnd = utf16Count(text);
        state.inMainStory = true;
        return state;
    }
    std::u16string read(int start, int end) override { return utf16Slice(text, start, end); }
    std::u16string readAll() override { return text; }

    std::u16string text;
    std::atomic<int> posts{0};
};

std::u16string article(int paragraphs) {
    std::u16string text;
    for (int i = 0; i < paragraphs; ++i)
        text += u"The quick brown fox jumps over the lazy dog, 敏捷的棕色狐狸跳过了懒狗。\n";
    return text;
}

std::shared_ptr<TypingEngine> makeEngine(const PreparedText& text, double unitsPerMinute,
                                         std::shared_ptr<EchoDocument> document) {
    TypingEngineOptions options;
    options.text = text;
    options.settings = ModeSettings::make(TypingMode::stable, unitsPerMinute, false, 0);
    options.seed = 1;
    options.sink = document;
    options.guardian = document;
    options.reader = document;
    options.documentID = "doc";
    return TypingEngine::create(std::move(options));
}

void BM_EngineOverheadPerStroke(benchmark::State& state) {
    const PreparedText text = TextPreparer::prepare(article(200));
    std::int64_t strokes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_shared<EchoDocument>();
        // A speed this high makes every planned delay vanish.
        auto engine = makeEngine(text, 1e12, document);
        state.ResumeTiming();
        engine->start();
        engine->waitUntilIdle(600);
        state.PauseTiming();
        if (engine->snapshot().phase != SessionPhase::completed(VerificationOutcome::verified()))
            state.SkipWithError("the session did not end verified");
        strokes += document->posts.load();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(strokes);
    state.counters["strokes_per_s"] =
        benchmark::Counter(static_cast<double>(strokes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EngineOverheadPerStroke)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StopAcknowledgement(benchmark::State& state) {
    const PreparedText text = TextPreparer::prepare(article(4));
    const int stops = static_cast<int>(state.range(0));
    std::vector<double> latencies;
    int postsAfterStop = 0;
    int reportedPostsAfterStop = 0;
    for (auto _ : state) {
        latencies.clear();
        for (int i = 0; i < stops; ++i) {
            auto document = std::make_shared<EchoDocument>();
            // 20 ms between units: the worker spends nearly all its time in the wait.
            auto engine = makeEngine(text, 3000, document);
            engine->setSettleWindow(0);
            engine->start();
            // Stop while the worker waits between steps: after the first unit went out.
            while (document->posts.load() == 0)
                std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::microseconds(1000 + (i % 7) * 500));
            engine->requestStop(StopReason::userPause());
            const int postsAtStop = document->posts.load();
            engine->waitUntilIdle(10);
            postsAfterStop += document->posts.load() - postsAtStop;
            const auto lastStop = engine->snapshot().lastStop;
            if (!lastStop || !lastStop->ackLatencyMs()) {
                state.SkipWithError("a stop was not acknowledged");
                return;
            }
            reportedPostsAfterStop += lastStop->postsAfterStop;
            latencies.push_back(*lastStop->ackLatencyMs());
        }
    }
    std::sort(latencies.begin(), latencies.end());
    auto percentile = [&](double p) {
        return latencies[std::min(latencies.size() - 1,
                                  static_cast<std::size_t>(p * latencies.size()))];
    };
    state.counters["ack_p50_ms"] = percentile(0.50);
    state.counters["ack_p99_ms"] = percentile(0.99);
    state.counters["ack_max_ms"] = latencies.back();
    state.counters["posts_after_stop"] = postsAfterStop;
    state.counters["reported_posts_after_stop"] = reportedPostsAfterStop;
}
BENCHMARK(BM_StopAcknowledgement)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace plumeo
