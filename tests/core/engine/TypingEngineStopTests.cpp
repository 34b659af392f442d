#include "tests/core/engine/EngineTestSupport.h"

#include <functional>
#include <future>
#include <utility>

namespace plumeo::test {
namespace {

using Kind = SessionPhase::Kind;

/// A session slow enough (20 ms a unit) that a test can act between strokes.
EngineHarness::Setup paced(std::u16string article = u"abcdefghijklmnopqrstuvwxyz0123456789") {
    EngineHarness::Setup setup;
    setup.article = std::move(article);
    setup.settings = ModeSettings::make(TypingMode::stable, 3000, false, 0);
    return setup;
}

/// Resolves once the stroke with this index has been handed to the sink.
std::future<void> whenPosting(FakeWordProcessor& wordProcessor, int strokeIndex,
                              std::function<void()> alsoDo = {}) {
    auto reached = std::make_shared<std::promise<void>>();
    wordProcessor.setPostHook([=](int index) {
        if (index != strokeIndex)
            return;
        if (alsoDo)
            alsoDo();
        reached->set_value();
    });
    return reached->get_future();
}

TEST(TypingEngineStopTests, StopDuringAPostLetsThatPostFinishAndNothingAfter) {
    EngineHarness::Setup setup = paced();
    // 100 ms a unit: the worker is still waiting after the slow post when the request lands.
    setup.settings.unitsPerMinute = 600;
    EngineHarness session(setup);
    auto clock = std::make_shared<SystemClock>();
    double postStartedAt = 0;
    std::promise<void> posting;
    session.wordProcessor->setPostHook([&](int index) {
        if (index != 5)
            return;
        postStartedAt = clock->now();
        posting.set_value();
        // Hold the post long enough for the stop request to arrive in the middle of it.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    });
    session.engine->start();
    posting.get_future().wait();
    session.stop(StopReason::userPause()); // waits for the post in progress
    session.settle();

    EXPECT_EQ(session.phase(), SessionPhase::paused(StopReason::userPause()));
    const auto lastStop = session.engine->snapshot().lastStop;
    ASSERT_TRUE(lastStop.has_value());
    EXPECT_EQ(lastStop->postsAfterStop, 0);
    ASSERT_TRUE(lastStop->lastPostBeforeStop.has_value());
    EXPECT_GT(*lastStop->lastPostBeforeStop, postStartedAt); // the interrupted post completed
    EXPECT_LE(*lastStop->lastPostBeforeStop, lastStop->requestedAt);
    ASSERT_TRUE(lastStop->acknowledgedAt.has_value());
    EXPECT_GE(*lastStop->acknowledgedAt, lastStop->requestedAt);
    EXPECT_EQ(session.wordProcessor->transcript().size(), 6u);
    EXPECT_EQ(lastStop->sentUnitsAtStop, 6);
    EXPECT_EQ(session.engine->snapshot().ledger.strokesSent, 6);
    EXPECT_EQ(session.wordProcessor->violations(), 0);
}

TEST(TypingEngineStopTests, GuardObjectionStopsBeforeThatStroke) {
    EngineHarness session(paced());
    session.wordProcessor->objectAtCheck(4, StopReason::targetNotFrontmost("Finder 在前台"));
    session.startAndSettle();
    EXPECT_EQ(session.phase(),
              SessionPhase::paused(StopReason::targetNotFrontmost("Finder 在前台")));
    EXPECT_EQ(session.wordProcessor->transcript().size(), 3u);
    EXPECT_EQ(session.wordProcessor->document(), u"abc");
    // Nothing was deleted and the settle measurement found all three units in place.
    EXPECT_EQ(session.engine->snapshot().lastStop->landedUnitsAfterSettle, 3);
}

TEST(TypingEngineStopTests, FailingPostBecomesPermissionLost) {
    EngineHarness session(paced());
    session.wordProcessor->failPostAt(2);
    session.startAndSettle();
    EXPECT_EQ(session.phase(),
              SessionPhase::paused(StopReason::permissionLost("键盘事件发送失败：事件源不可用")));
    EXPECT_EQ(session.wordProcessor->transcript().size(), 2u);
}

TEST(TypingEngineStopTests, CancelWhileTypingEndsTheSessionAndKeepsTheText) {
    EngineHarness session(paced());
    auto posting = whenPosting(*session.wordProcessor, 4);
    session.engine->start();
    posting.wait();
    session.engine->requestCancel(CancelKind::emergency);
    session.wordProcessor->trapPosts();
    session.settle();
    EXPECT_EQ(session.phase(), SessionPhase::cancelled(StopReason::emergencyStop()));
    EXPECT_EQ(session.wordProcessor->document(), u"abcde");
}

TEST(TypingEngineStopTests, CancelWhilePausedEndsAtOnceWithoutAJob) {
    EngineHarness session(paced());
    session.wordProcessor->objectAtCheck(2, StopReason::userActivity("键盘"));
    session.startAndSettle();
    ASSERT_EQ(session.phase().kind, Kind::paused);
    const int reads = session.wordProcessor->stateCalls();
    session.engine->requestCancel(CancelKind::user);
    EXPECT_EQ(session.phase(), SessionPhase::cancelled(StopReason::userCancel()));
    session.settle();
    EXPECT_EQ(session.wordProcessor->stateCalls(), reads);
    session.engine->resume(); // over
    session.settle();
    EXPECT_EQ(session.phase(), SessionPhase::cancelled(StopReason::userCancel()));
}

TEST(TypingEngineStopTests, SettleMeasurementWaitsForStrokesStillInFlight) {
    EngineHarness session(paced());
    session.engine->setSettleWindow(0.15);
    session.wordProcessor->setLatency(std::chrono::milliseconds(40));
    auto posting = whenPosting(*session.wordProcessor, 6);
    session.engine->start();
    posting.wait();
    session.stop(StopReason::userPause());
    session.settle();
    const auto lastStop = session.engine->snapshot().lastStop;
    ASSERT_TRUE(lastStop.has_value());
    EXPECT_EQ(lastStop->landedUnitsAfterSettle, lastStop->sentUnitsAtStop);
    EXPECT_EQ(session.wordProcessor->pendingStrokes(), 0);
}

TEST(TypingEngineStopTests, StopDuringALongPacingDelayIsTakenOverAtOnce) {
    EngineHarness::Setup setup = paced(u"abc");
    setup.settings.unitsPerMinute = 1; // a minute between two units
    EngineHarness session(setup);
    auto posting = whenPosting(*session.wordProcessor, 0);
    session.engine->start();
    posting.wait();
    session.stop(StopReason::userPause());
    session.settle();
    EXPECT_EQ(session.phase(), SessionPhase::paused(StopReason::userPause()));
    const auto lastStop = session.engine->snapshot().lastStop;
    ASSERT_TRUE(lastStop && lastStop->acknowledgedAt);
    EXPECT_LT(*lastStop->acknowledgedAt - lastStop->requestedAt, 30.0); // not the delay's end
}

TEST(TypingEngineStopTests, ClusterStoppedBetweenItsKeyEventsDoesNotCountAsSent) {
    // A family emoji of 19 UTF-16 units: one unit, more than one key event.
    const std::u16string family = u"👨🏽‍👩🏽‍👧🏽‍👦🏽";
    EngineHarness session(paced(u"ab" + family + u"cd"));
    ASSERT_GT(session.engine->text().units[2].strokes().size(), 1u);
    session.wordProcessor->objectAtCheck(4, StopReason::userActivity("键盘")); // second chunk
    session.startAndSettle();
    const EngineSnapshot stopped = session.engine->snapshot();
    EXPECT_EQ(stopped.ledger.sentUnits, 2);
    EXPECT_EQ(stopped.lastStop->sentUnitsAtStop, 2);
    EXPECT_EQ(stopped.lastStop->landedUnitsAfterSettle, std::nullopt); // inside the cluster

    session.wordProcessor->switchDocument("doc-2");
    session.resumeAndSettle();
    const auto hint = session.engine->snapshot().relocation;
    ASSERT_TRUE(hint.has_value());
    EXPECT_EQ(hint->typedTail, u"ab");
    EXPECT_EQ(hint->nextText, u"ab" + family + u"cd");
    EXPECT_EQ(hint->sentUnits, 2);
}

// --- Checkpoint diagnoses

constexpr char16_t plainArticle[] = u"abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGH";

TEST(TypingEngineStopTests, CursorShortWithConsistentTextMeansWordIsNotKeepingUp) {
    EngineHarness::Setup setup;
    setup.article = plainArticle;
    EngineHarness session(setup);
    // Word stops taking strokes in after the tenth; the first checkpoint follows unit 24.
    session.wordProcessor->setPostHook([&](int index) {
        if (index == 10)
            session.wordProcessor->setAbsorbing(false);
    });
    session.startAndSettle();
    EXPECT_EQ(session.phase(), SessionPhase::paused(StopReason::wordNotKeepingUp(
                                   "已发送 24 个单元，Word 光标只前进到 10，预期 24")));
}

TEST(TypingEngineStopTests, CursorShortWithChangedTextIsAMismatch) {
    EngineHarness::Setup setup;
    setup.article = u"Write a--b and then some more words so we pass 24 units.";
    EngineHarness session(setup);
    session.wordProcessor->addAutocorrection(u"a--b", u"a—b");
    session.startAndSettle();
    const SessionPhase phase = session.phase();
    ASSERT_EQ(phase.kind, Kind::paused);
    EXPECT_EQ(phase.reason.kind, StopReason::Kind::readbackMismatch);
    EXPECT_NE(phase.reason.detail.find("连字符被替换为破折号"), std::string::npos)
        << phase.reason.detail;
    EXPECT_EQ(session.engine->snapshot().ledger.confirmedUnits, 0);
}

// The real guard does not compare document lengths, so the window read back at a checkpoint
// is what must notice these; the cursor stands where it is expected each time.
TEST(TypingEngineStopTests, CheckpointWindowCatchesChangesTheCursorDoesNotShow) {
    const std::vector<std::pair<const char*, std::function<void(FakeWordProcessor&)>>> cases = {
        // Text after the insertion point deleted: the read-back is only a prefix of the window.
        {"AfterTextCut", [](FakeWordProcessor& wp) {
             const std::u16string document = wp.document();
             wp.editDocument(document.substr(0, document.size() - 12));
         }},
        // A letter capitalised 22 units before the expected cursor, same length.
        {"EarlyCapital", [](FakeWordProcessor& wp) {
             std::u16string document = wp.document();
             document[4] = u'C';
             wp.editDocument(document);
         }},
    };
    for (const auto& [name, change] : cases) {
        EngineHarness::Setup setup;
        setup.article = plainArticle; // first checkpoint after 24 units
        setup.content = u"前文" + std::u16string(16, u'后');
        setup.insertionOffset = 2;
        EngineHarness session(setup);
        session.wordProcessor->setGuardChecksTarget(false);
        session.wordProcessor->setPostHook([&, change = change](int index) {
            if (index == 20)
                change(*session.wordProcessor);
        });
        session.startAndSettle();
        EXPECT_EQ(session.phase().reason.kind, StopReason::Kind::readbackMismatch) << name;
        EXPECT_EQ(session.wordProcessor->transcript().size(), 24u) << name;
    }
}

struct CheckpointFault {
    const char* name;
    std::function<void(FakeWordProcessor&)> inject;
    std::function<bool(const StopReason&)> expected;
};

class CheckpointFaultTest : public ::testing::TestWithParam<CheckpointFault> {};

TEST_P(CheckpointFaultTest, FaultAtTheFirstCheckpointGivesItsReason) {
    EngineHarness::Setup setup;
    setup.article = plainArticle; // first checkpoint after 24 units, the cursor expected at 26
    setup.content = u"前文";
    setup.insertionOffset = 2;
    EngineHarness session(setup);
    session.wordProcessor->setStateHook([&, injected = false]() mutable {
        if (!std::exchange(injected, true))
            GetParam().inject(*session.wordProcessor);
    });
    session.startAndSettle();
    const SessionPhase phase = session.phase();
    ASSERT_EQ(phase.kind, Kind::paused);
    EXPECT_TRUE(GetParam().expected(phase.reason)) << phase.reason.message();
    EXPECT_EQ(session.wordProcessor->transcript().size(), 24u);
}

bool is(const StopReason& actual, const StopReason& expected) {
    return actual == expected;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CheckpointFaultTest,
    ::testing::Values(
        CheckpointFault{
            "OtherDocument", [](auto& wp) { wp.switchDocument("doc-2"); },
            [](auto& r) { return is(r, StopReason::documentChanged("当前活动文档不是目标文档")); }},
        CheckpointFault{
            "OutsideBody", [](auto& wp) { wp.setInMainStory(false); },
            [](auto& r) { return is(r, StopReason::focusLeftBody("光标不在主正文中")); }},
        CheckpointFault{
            "Selection", [](auto& wp) { wp.select(2, 5); },
            [](auto& r) { return is(r, StopReason::selectionChanged("出现了非空选区")); }},
        CheckpointFault{
            "CursorElsewhere", [](auto& wp) { wp.moveCursor(0); },
            [](auto& r) { return is(r, StopReason::selectionChanged("光标位置 0，预期 26")); }},
        CheckpointFault{"ReadTimesOut", [](auto& wp) { wp.failNextReads(1, ReadError::timeout()); },
                        [](auto& r) {
                            return is(r, StopReason::readbackFailed(
                                             "Word 在限定时间内没有响应（可能有对话框打开）"));
                        }},
        CheckpointFault{"ReadThrowsOtherError", [](auto& wp) { wp.failNextReads(1); },
                        [](auto& r) { return is(r, StopReason::readbackFailed("模拟读回故障")); }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace plumeo::test
