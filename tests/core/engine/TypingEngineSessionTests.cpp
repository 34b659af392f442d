#include "core/text/Planner.h"
#include "tests/core/engine/EngineTestSupport.h"

#include <future>
#include <thread>

namespace plumeo::test {
namespace {

using Kind = SessionPhase::Kind;

/// An engine on `wordProcessor` alone, outside any harness, so tests can own and release it.
TypingEngineOptions optionsOn(const std::shared_ptr<FakeWordProcessor>& wordProcessor,
                              std::u16string_view article, TypingMode mode) {
    TypingEngineOptions options;
    if (!article.empty())
        options.text = TextPreparer::prepare(article);
    options.settings = quickSettings(mode);
    options.sink = wordProcessor;
    options.guardian = wordProcessor;
    options.reader = wordProcessor;
    options.documentID = "doc-1";
    options.observerQueue = std::make_shared<SerialTaskQueue>();
    return options;
}

int strokesOf(const PreparedText& text) {
    int strokes = 0;
    for (const auto& unit : text.units)
        strokes += static_cast<int>(unit.strokes().size());
    return strokes;
}

TEST(TypingEngineSessionTests, StableSessionTypesEveryStrokeAndEndsVerified) {
    EngineHarness::Setup setup;
    // The family emoji is one unit of 19 UTF-16 units, so more than one key event.
    setup.article = u"Hello, 世界! 😀 emoji\tand tab 👨🏽‍👩🏽‍👧🏽‍👦🏽.\nSecond line 第二段.";
    setup.content = u"前文。后文";
    setup.insertionOffset = 3;
    EngineHarness session(setup);
    session.startAndSettle();

    const PreparedText& text = session.engine->text();
    EXPECT_EQ(session.phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(session.wordProcessor->document(), u"前文。" + text.fullWordString() + u"后文");
    EXPECT_EQ(session.wordProcessor->document(), session.expectedDocument());

    const EngineSnapshot snapshot = session.engine->snapshot();
    EXPECT_EQ(snapshot.ledger.sentUnits, text.count());
    EXPECT_EQ(snapshot.ledger.confirmedUnits, text.count());
    EXPECT_TRUE(snapshot.ledger.finalVerified);
    EXPECT_EQ(snapshot.ledger.strokesSent, strokesOf(text));
    EXPECT_FALSE(snapshot.lastStop.has_value());

    // What arrived is exactly the units' strokes in order.
    std::vector<KeyStroke> expectedStrokes;
    for (const auto& unit : text.units)
        for (const auto& stroke : unit.strokes())
            expectedStrokes.push_back(stroke);
    const auto transcript = session.wordProcessor->transcript();
    ASSERT_EQ(transcript.size(), expectedStrokes.size());
    for (std::size_t i = 0; i < transcript.size(); ++i) {
        EXPECT_EQ(transcript[i].stroke, expectedStrokes[i]) << "stroke " << i;
    }
    // The guard was asked before every stroke, with a range that always held the cursor.
    EXPECT_EQ(session.wordProcessor->expectations().size(), transcript.size());
    EXPECT_EQ(session.wordProcessor->beginSendingCalls(), 1);

    EXPECT_TRUE(session.observer->sawPhase(Kind::typing));
    EXPECT_TRUE(session.observer->sawPhase(Kind::verifying));
    EXPECT_EQ(session.observer->snapshots().back(), snapshot);
}

class EveryModeTest : public ::testing::TestWithParam<ModeSettings> {};

TEST_P(EveryModeTest, SessionWithLaggingWordEndsWithTheExpectedDocument) {
    EngineHarness::Setup setup;
    setup.article = u"The quick brown fox jumps over the lazy dog while 我们在说话，"
                    u"他们在看书。\nAnother paragraph follows here with several words.\n";
    setup.settings = GetParam();
    // An emoji within the eight units a typo check reads after the insertion point.
    setup.content = u"Existing 1234567😀end";
    setup.insertionOffset = 9;
    EngineHarness session(setup);
    // Word takes every stroke in a little late, so checkpoints see the cursor catch up.
    session.wordProcessor->setLatency(std::chrono::milliseconds(2));
    session.startAndSettle();

    EXPECT_EQ(session.phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(session.wordProcessor->document(), session.expectedDocument());
    const ProgressLedger ledger = session.engine->snapshot().ledger;
    EXPECT_EQ(ledger.typosCorrected, ledger.typosMade);
    EXPECT_EQ(session.wordProcessor->backspacesPosted(), ledger.typosMade);
    if (GetParam().typoEnabled) {
        EXPECT_GT(ledger.typosMade, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, EveryModeTest,
                         ::testing::Values(quickSettings(TypingMode::stable),
                                           quickSettings(TypingMode::fast),
                                           quickSettings(TypingMode::natural),
                                           quickSettings(TypingMode::natural, true, 0.3)),
                         [](const auto& info) {
                             return std::string(rawValue(info.param.mode)) +
                                    (info.param.typoEnabled ? "Typos" : "");
                         });

TEST(TypingEngineSessionTests, EmptyPlanGoesStraightToFinalVerification) {
    auto wordProcessor = std::make_shared<FakeWordProcessor>(u"abc", 1);
    TypingEngineOptions options = optionsOn(wordProcessor, u"", TypingMode::stable);
    options.text.offsets = {0}; // No units at all.
    options.initialContent = u"abc";
    options.insertionOffset = 1;
    auto engine = TypingEngine::create(std::move(options));
    engine->start();
    ASSERT_TRUE(engine->waitUntilIdle(10));
    EXPECT_EQ(engine->snapshot().phase, SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_TRUE(wordProcessor->transcript().empty());
}

TEST(TypingEngineSessionTests, StartOnlyFromIdleAndStopsOutsideWorkAreIgnored) {
    EngineHarness session({});
    session.engine->requestStop(StopReason::userPause()); // idle: ignored
    session.engine->start();
    session.startAndSettle();
    EXPECT_EQ(session.phase().kind, Kind::completed);
    EXPECT_EQ(session.wordProcessor->beginSendingCalls(), 1);
    const int strokes = static_cast<int>(session.wordProcessor->transcript().size());

    session.engine->requestStop(StopReason::userPause()); // completed: ignored
    session.engine->start();
    session.engine->resume();
    session.engine->continueFromCursor(std::nullopt);
    session.engine->reverify(); // verified, nothing to repeat
    session.settle();
    EXPECT_EQ(session.phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_FALSE(session.engine->snapshot().lastStop.has_value());
    EXPECT_EQ(static_cast<int>(session.wordProcessor->transcript().size()), strokes);
}

TEST(TypingEngineSessionTests, ReplacedGuardIsPreparedButNotInstalledWhileTyping) {
    EngineHarness::Setup setup;
    setup.settings = ModeSettings::make(TypingMode::stable, 3000, false, 0);
    EngineHarness session(setup);
    auto replacement = std::make_shared<FakeWordProcessor>();
    // The replacement would object to everything if it were ever asked.
    replacement->objectAtCheck(1, StopReason::dialogOpened("不该被询问"));

    std::promise<void> typing;
    session.wordProcessor->setPostHook([&, done = false](int) mutable {
        if (!std::exchange(done, true))
            typing.set_value();
    });
    session.engine->start();
    typing.get_future().wait();
    session.engine->replaceGuard(replacement);
    session.settle();

    EXPECT_EQ(replacement->beginSendingCalls(), 1);
    EXPECT_TRUE(replacement->expectations().empty());
    EXPECT_EQ(session.phase(), SessionPhase::completed(VerificationOutcome::verified()));
}

TEST(TypingEngineSessionTests, EngineReleasedByItsOwnersFinishesItsJobAndGoesAway) {
    auto wordProcessor = std::make_shared<FakeWordProcessor>();
    std::weak_ptr<TypingEngine> weakEngine;
    {
        auto engine = TypingEngine::create(
            optionsOn(wordProcessor, u"released while typing", TypingMode::stable));
        weakEngine = engine;
        engine->start();
    } // The last outside owner lets go while the job runs; the job keeps the engine alive.
    for (int i = 0; i < 2000 && !weakEngine.expired(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(weakEngine.expired());
    EXPECT_EQ(wordProcessor->document(), u"released while typing");
}

/// Owns the engine and lets it go from the observer queue once the session is over.
class OwningObserver final : public EngineObserver {
public:
    void engineDidUpdate(const EngineSnapshot& snapshot) override {
        if (snapshot.phase.isTerminal()) {
            engine.reset();
            finished.set_value();
        }
    }
    std::shared_ptr<TypingEngine> engine;
    std::promise<void> finished;
};

TEST(TypingEngineSessionTests, EngineMayBeReleasedOnTheObserverQueue) {
    auto wordProcessor = std::make_shared<FakeWordProcessor>();
    auto observer = std::make_shared<OwningObserver>();
    std::weak_ptr<TypingEngine> weakEngine;
    {
        TypingEngineOptions options = optionsOn(wordProcessor, u"short", TypingMode::fast);
        options.observer = observer;
        observer->engine = TypingEngine::create(std::move(options));
        weakEngine = observer->engine;
        observer->engine->start();
    }
    observer->finished.get_future().wait();
    for (int i = 0; i < 2000 && !weakEngine.expired(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(weakEngine.expired());
}

TEST(TypingEngineSessionTests, FastModeSlowsDownWhenReadBacksTakeLongAndRecovers) {
    // Each checkpoint's first state read costs this much clock time: 0.6 s, then 0.1 s.
    auto clock = std::make_shared<ManualClock>();
    EngineHarness::Setup setup;
    setup.article = std::u16string(60, u'a') + std::u16string(60, u'b');
    setup.settings = ModeSettings::make(TypingMode::fast, std::nullopt, false, 0);
    setup.clock = clock;
    EngineHarness session(setup);
    std::vector<double> costs = {0.6, 0.1};
    session.wordProcessor->setStateHook([&, next = std::size_t{0}]() mutable {
        if (next < costs.size())
            clock->advance(costs[next++]);
    });
    EXPECT_EQ(session.engine->adaptiveIntervalMs(), 1.0);
    session.startAndSettle();
    EXPECT_EQ(session.phase(), SessionPhase::completed(VerificationOutcome::verified()));
    // 1 ms → min(1.5 + 5, 60) = 6.5 ms after 0.6 s, then max(1, 6.5 × 0.85) after 0.1 s.
    EXPECT_NEAR(session.engine->adaptiveIntervalMs(), 5.525, 1e-9);
}

} // namespace
} // namespace plumeo::test
