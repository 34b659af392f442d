#pragma once

#include "core/engine/TypingEngine.h"
#include "core/text/TextPreparer.h"
#include "tests/core/engine/FakeWordProcessor.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plumeo::test {

/// A clock that moves only when told to.
class ManualClock final : public EngineClock {
public:
    double now() const override { return seconds_.load(); }
    void advance(double seconds) { seconds_.fetch_add(seconds); }

private:
    std::atomic<double> seconds_{1000.0};
};

/// Keeps every snapshot it is given.
class RecordingObserver final : public EngineObserver {
public:
    void engineDidUpdate(const EngineSnapshot& snapshot) override {
        std::lock_guard lock(mutex_);
        snapshots_.push_back(snapshot);
    }
    std::vector<EngineSnapshot> snapshots() const {
        std::lock_guard lock(mutex_);
        return snapshots_;
    }
    /// Whether some snapshot showed a phase of this kind.
    bool sawPhase(SessionPhase::Kind kind) const {
        std::lock_guard lock(mutex_);
        for (const auto& snapshot : snapshots_)
            if (snapshot.phase.kind == kind)
                return true;
        return false;
    }

private:
    mutable std::mutex mutex_;
    std::vector<EngineSnapshot> snapshots_;
};

/// Settings that keep sessions short: the planned delays shrink to almost nothing.
inline ModeSettings quickSettings(TypingMode mode, bool typos = false, double typoRate = 0) {
    return ModeSettings::make(mode, 600000, typos, typoRate);
}

/// One session against a fresh fake word processor. Timing is tightened so failing
/// read-backs give up quickly.
class EngineHarness {
public:
    struct Setup {
        std::u16string article =
            u"Hello, 世界! 这是一段测试文字。\nSecond paragraph, with more words.";
        ModeSettings settings = quickSettings(TypingMode::stable);
        std::u16string content;
        int insertionOffset = 0;
        std::uint64_t seed = 7;
        std::shared_ptr<EngineClock> clock;
        /// Where snapshots go instead of the harness's own queue.
        std::shared_ptr<TaskQueue> observerQueue;
    };

    explicit EngineHarness(Setup setup)
        : wordProcessor(std::make_shared<FakeWordProcessor>(setup.content, setup.insertionOffset)),
          queue(std::make_shared<SerialTaskQueue>()),
          observer(std::make_shared<RecordingObserver>()) {
        wordProcessor->setViolationHandler([](const std::string& what) { ADD_FAILURE() << what; });
        TypingEngineOptions options;
        options.text = TextPreparer::prepare(setup.article);
        options.settings = setup.settings;
        options.seed = setup.seed;
        options.sink = wordProcessor;
        options.guardian = wordProcessor;
        options.reader = wordProcessor;
        options.documentID = "doc-1";
        options.initialContent = setup.content;
        options.insertionOffset = setup.insertionOffset;
        options.clock = setup.clock;
        options.observer = observer;
        options.observerQueue = setup.observerQueue ? setup.observerQueue : queue;
        engine = TypingEngine::create(std::move(options));
        engine->setCheckpointTimeout(0.25);
        engine->setPollInterval(0.002);
        engine->setSettleWindow(0.02);
    }

    /// Waits for the current job and for every snapshot it published.
    void settle() {
        ASSERT_TRUE(engine->waitUntilIdle(20.0)) << "the engine's job did not end";
        queue->drain();
    }

    /// Starts (or resumes) the session and waits as settle() does.
    void startAndSettle() {
        engine->start();
        settle();
    }
    void resumeAndSettle() {
        engine->resume();
        settle();
    }

    /// Stops the session from outside and traps every stroke that follows.
    void stop(const StopReason& reason) {
        engine->requestStop(reason);
        wordProcessor->trapPosts();
    }

    SessionPhase phase() const { return engine->snapshot().phase; }
    /// The document without the fake's lag: what the session should have produced.
    std::u16string expectedDocument() const { return engine->expectedFinalDocument(); }

    std::shared_ptr<FakeWordProcessor> wordProcessor;
    std::shared_ptr<SerialTaskQueue> queue;
    std::shared_ptr<RecordingObserver> observer;
    std::shared_ptr<TypingEngine> engine;
};

} // namespace plumeo::test
