#include "tests/core/engine/EngineTestSupport.h"

namespace plumeo::test {
namespace {

/// Each reading 50 ms after the last, so the worker publishes after every step.
struct SteppingClock final : EngineClock {
    double now() const override { return seconds.fetch_add(0.05); }
    mutable std::atomic<double> seconds{1000.0};
};

/// Runs each task at once on the worker, then `after`.
struct InlineQueue final : TaskQueue {
    void enqueue(std::function<void()> task) override {
        task();
        if (after)
            after();
    }
    std::function<void()> after;
};

// A key stays down while the next stroke is checked; whatever else follows (a read, a wait, a
// stop of any kind) lets it up first, and never before its hold time.
TEST(HeldKeyTests, EveryKeyGoesUpAfterItsHoldBeforeTheNextPressOrReadAndOnEveryStop) {
    using Kind = SessionPhase::Kind;
    using Milliseconds = std::chrono::duration<double, std::milli>;
    const ModeSettings fast = quickSettings(TypingMode::fast);
    const std::vector<std::tuple<std::string, ModeSettings, Kind>> cases = {
        {"to the end", fast, Kind::completed},
        {"typos", quickSettings(TypingMode::natural, true, 0.3), Kind::completed},
        {"objection", fast, Kind::paused},
        {"stop between strokes", fast, Kind::paused},
        {"failing press", fast, Kind::paused}};
    for (const auto& [name, settings, ends] : cases) {
        EngineHarness::Setup setup;
        setup.settings = settings;
        auto queue = std::make_shared<InlineQueue>();
        if (name == "stop between strokes") {
            setup.clock = std::make_shared<SteppingClock>();
            setup.observerQueue = queue;
        }
        EngineHarness session(setup);
        auto& word = *session.wordProcessor;
        int readsWithKeyDown = 0;
        word.setStateHook([&] {
            int down = 0;
            for (const auto& event : word.keyEvents())
                down += event.down ? 1 : -1;
            readsWithKeyDown += down != 0;
        });
        if (name == "objection")
            word.objectAtCheck(6, StopReason::dialogOpened("对话框"));
        if (name == "failing press")
            word.failPostAt(5);
        queue->after = [&, stopped = false]() mutable {
            if (stopped || word.transcript().size() != 5)
                return;
            stopped = true;
            session.stop(StopReason::userPause());
        };
        session.engine->start();
        session.settle();

        EXPECT_EQ(session.phase().kind, ends) << name;
        EXPECT_EQ(readsWithKeyDown, 0) << name << ": the document was read with a key down";
        if (ends != Kind::completed) {
            EXPECT_EQ(word.transcript().size(), 5u) << name;
        }
        const auto events = word.keyEvents();
        ASSERT_EQ(events.size() % 2, 0u) << name << ": a key was left down";
        for (std::size_t i = 0; i < events.size(); i += 2) {
            ASSERT_TRUE(events[i].down && !events[i + 1].down) << name << ": two keys down";
            const Milliseconds held = events[i + 1].at - events[i].at;
            EXPECT_GE(held.count(), PacingProfile::forMode(settings.mode).keyHoldMs)
                << name << ": a key went up before its hold time";
        }
    }
}

} // namespace
} // namespace plumeo::test
