// A stroke's key stays down while the next stroke is checked. Whatever ends that overlap (the
// next press, a read-back, a wait, a typo check, the end of the session or a stop of any
// kind) must let the key up first, and never sooner than the hold time after its press.

#include "tests/core/engine/EngineTestSupport.h"

#include <atomic>
#include <functional>

namespace plumeo::test {
namespace {

using Kind = SessionPhase::Kind;
using KeyEvent = FakeWordProcessor::KeyEvent;

/// The fake's guard, with something happening at check `n` (1-based): while the key of the
/// stroke before is still down.
class ActingGuard final : public TargetGuard {
public:
    ActingGuard(std::shared_ptr<FakeWordProcessor> inner, int n, std::function<void()> act)
        : inner_(std::move(inner)), n_(n), act_(std::move(act)) {}
    void beginSending() override { inner_->beginSending(); }
    std::optional<StopReason> quickCheck(const TargetExpectation& expectation) override {
        if (++checks_ == n_)
            act_();
        return inner_->quickCheck(expectation);
    }

private:
    std::shared_ptr<FakeWordProcessor> inner_;
    int n_;
    std::function<void()> act_;
    int checks_ = 0;
};

/// Each reading is 50 ms after the one before, so the worker publishes after every step.
class SteppingClock final : public EngineClock {
public:
    double now() const override { return seconds_.fetch_add(0.05); }

private:
    mutable std::atomic<double> seconds_{1000.0};
};

/// Runs every task at once on the caller's thread, then `after`.
class InlineQueue final : public TaskQueue {
public:
    void enqueue(std::function<void()> task) override {
        task();
        if (after)
            after();
    }
    std::function<void()> after;
};

int keysDown(const std::vector<KeyEvent>& events) {
    int down = 0;
    for (const auto& event : events)
        down += event.down ? 1 : -1;
    return down;
}

/// One key down at a time, each let up as the same stroke after at least `holdMs`, none
/// left down.
void expectKeysWellFormed(const std::vector<KeyEvent>& events, double holdMs,
                          const std::string& name) {
    const KeyEvent* held = nullptr;
    for (const auto& event : events) {
        if (event.down) {
            EXPECT_EQ(held, nullptr) << name << ": a key went down while another was down";
            held = &event;
            continue;
        }
        ASSERT_NE(held, nullptr) << name << ": a key went up that was not down";
        EXPECT_EQ(event.stroke, held->stroke) << name;
        const double heldMs =
            std::chrono::duration<double, std::milli>(event.at - held->at).count();
        EXPECT_GE(heldMs, holdMs) << name << ": a key went up before its hold time";
        held = nullptr;
    }
    EXPECT_EQ(held, nullptr) << name << ": a key was left down";
}

TEST(HeldKeyTests, EveryKeyGoesUpAfterItsHoldBeforeAnythingElseHappensAndWhateverStops) {
    struct Case {
        std::string name;
        ModeSettings settings;
        /// Arranges the stop, if any; the stroke count it allows.
        std::function<void(EngineHarness&, InlineQueue&)> arrange;
        std::optional<int> strokes;
        Kind ends = Kind::completed;
    };
    const StopReason dialog = StopReason::dialogOpened("对话框");
    const std::vector<Case> cases = {
        {"fast, to the end", quickSettings(TypingMode::fast), {}, {}},
        // Typos are checked by reading back, and the natural mode waits between units.
        {"natural with typos", quickSettings(TypingMode::natural, true, 0.3), {}, {}},
        {"objection while a key is down", quickSettings(TypingMode::fast),
         [&](EngineHarness& session, InlineQueue&) { session.wordProcessor->objectAtCheck(6, dialog); }, 5,
         Kind::paused},
        {"stop request while a key is down", quickSettings(TypingMode::fast),
         [](EngineHarness& session, InlineQueue&) {
             session.engine->replaceGuard(std::make_shared<ActingGuard>(
                 session.wordProcessor, 6, [&session] { session.stop(StopReason::userPause()); }));
         },
         5, Kind::paused},
        // Noticed between two strokes, not by the send of the next one.
        {"stop request between strokes", quickSettings(TypingMode::fast),
         [](EngineHarness& session, InlineQueue& queue) {
             queue.after = [&session, done = false]() mutable {
                 if (done || session.wordProcessor->transcript().size() != 5)
                     return;
                 done = true;
                 session.stop(StopReason::userPause());
             };
         },
         5, Kind::paused},
        {"emergency stop while a key is down", quickSettings(TypingMode::fast),
         [](EngineHarness& session, InlineQueue&) {
             session.engine->replaceGuard(
                 std::make_shared<ActingGuard>(session.wordProcessor, 6, [&session] {
                     session.engine->requestCancel(CancelKind::emergency);
                     session.wordProcessor->trapPosts();
                 }));
         },
         5, Kind::cancelled},
        {"failing press while a key is down", quickSettings(TypingMode::fast),
         [](EngineHarness& session, InlineQueue&) { session.wordProcessor->failPostAt(5); }, 5, Kind::paused},
    };
    for (const Case& testCase : cases) {
        EngineHarness::Setup setup;
        setup.settings = testCase.settings;
        auto inlineQueue = std::make_shared<InlineQueue>();
        if (testCase.name == "stop request between strokes") {
            setup.clock = std::make_shared<SteppingClock>();
            setup.observerQueue = inlineQueue;
        }
        EngineHarness session(setup);
        // The document is read only with every key up: read-backs, typo checks, the settle
        // measurement after a stop and the final verification.
        int readsWithKeyDown = 0;
        session.wordProcessor->setStateHook([&] {
            readsWithKeyDown += keysDown(session.wordProcessor->keyEvents()) != 0;
        });
        if (testCase.arrange)
            testCase.arrange(session, *inlineQueue);
        session.engine->start();
        session.settle();

        EXPECT_EQ(session.phase().kind, testCase.ends) << testCase.name;
        const auto events = session.wordProcessor->keyEvents();
        expectKeysWellFormed(events, PacingProfile::forMode(testCase.settings.mode).keyHoldMs,
                             testCase.name);
        EXPECT_EQ(readsWithKeyDown, 0) << testCase.name;
        if (testCase.strokes) {
            EXPECT_EQ(session.wordProcessor->transcript().size(), std::size_t(*testCase.strokes))
                << testCase.name;
        }
        if (testCase.settings.typoEnabled) {
            EXPECT_GT(session.engine->snapshot().ledger.typosCorrected, 0) << testCase.name;
        }
    }
}

} // namespace
} // namespace plumeo::test
