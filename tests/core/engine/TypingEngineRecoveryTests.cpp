#include "core/text/Planner.h"
#include "core/text/Utf16.h"
#include "tests/core/engine/EngineTestSupport.h"

#include <atomic>
#include <future>
#include <stdexcept>
#include <tuple>

namespace plumeo::test {
namespace {

using Kind = SessionPhase::Kind;

constexpr char16_t autocorrectedArticle[] =
    u"Write a--b and then some more words so we pass 24 units.";
constexpr char16_t plainArticle[] = u"abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGH";

/// The index of the stroke that types the plan's first typo, and that typo.
std::pair<int, StepAction> firstTypo(const TypingEngine& engine) {
    int strokes = 0;
    for (const PlanStep& step : Planner::plan(engine.text(), engine.settings(), 0, engine.seed())) {
        if (step.action.kind == StepAction::Kind::typoInsert)
            return {strokes, step.action};
        strokes +=
            step.action.kind == StepAction::Kind::unit
                ? static_cast<int>(engine.text().units[step.action.unitIndex].strokes().size())
                : 1;
    }
    ADD_FAILURE() << "the plan has no typo";
    return {-1, {}};
}

EngineHarness::Setup typoSetup() {
    EngineHarness::Setup setup;
    setup.article = u"typing practice makes perfect sentences appear quickly";
    setup.settings = quickSettings(TypingMode::natural, true, 0.3);
    return setup;
}

/// Pauses the session from outside once the stroke with this index is being posted.
void pauseAtStroke(EngineHarness& session, int strokeIndex) {
    auto reached = std::make_shared<std::promise<void>>();
    session.wordProcessor->setPostHook([=](int index) {
        if (index == strokeIndex)
            reached->set_value();
    });
    session.engine->start();
    reached->get_future().wait();
    session.engine->requestPause(StopReason::userPause());
    session.settle();
    session.wordProcessor->setPostHook({});
    ASSERT_EQ(session.phase(), SessionPhase::paused(StopReason::userPause()));
}

EngineHarness::Setup pacedSetup(std::u16string article = plainArticle) {
    EngineHarness::Setup setup;
    setup.article = std::move(article);
    setup.settings = ModeSettings::make(TypingMode::stable, 3000, false, 0);
    setup.content = u"前文后文";
    setup.insertionOffset = 2;
    return setup;
}

// --- Typos

TEST(TypingEngineTypoTests, TypoLandingOnePositionOffIsNeverBackspaced) {
    EngineHarness session(typoSetup());
    const auto [strokeIndex, typo] = firstTypo(*session.engine);
    session.wordProcessor->misplaceStroke(strokeIndex);
    session.startAndSettle();

    EXPECT_EQ(session.phase(), SessionPhase::paused(StopReason::typoUnverifiable(
                                   "错字未出现在预期位置，已停止且未退格")));
    EXPECT_EQ(session.wordProcessor->backspacesPosted(), 0);
    const std::u16string document = session.wordProcessor->document();
    const std::u16string typed = session.engine->text().wordString(0, typo.unitIndex);
    // The wrong character stays, one place early.
    EXPECT_EQ(document, typed.substr(0, typed.size() - 1) + typo.wrong + typed.back());
    EXPECT_EQ(session.engine->snapshot().ledger.typosCorrected, 0);
}

TEST(TypingEngineTypoTests, PendingTypoFoundOnResumeIsRemovedWithOneVerifiedBackspace) {
    EngineHarness session(typoSetup());
    const auto [strokeIndex, typo] = firstTypo(*session.engine);
    // Stop at the backspace that would take the typo back: the typo stays in the document.
    session.wordProcessor->objectAtCheck(strokeIndex + 2, StopReason::targetNotFrontmost("测试"));
    session.startAndSettle();
    ASSERT_EQ(session.phase().kind, Kind::paused);
    ASSERT_EQ(session.wordProcessor->backspacesPosted(), 0);
    EXPECT_EQ(session.wordProcessor->document(),
              session.engine->text().wordString(0, typo.unitIndex) + typo.wrong);

    session.wordProcessor->releaseTrap();
    session.resumeAndSettle();

    EXPECT_EQ(session.phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(session.wordProcessor->document(), session.expectedDocument());
    const auto transcript = session.wordProcessor->transcript();
    ASSERT_GT(transcript.size(), static_cast<std::size_t>(strokeIndex + 1));
    EXPECT_EQ(transcript[strokeIndex + 1].stroke, KeyStroke::backspace());
    const ProgressLedger ledger = session.engine->snapshot().ledger;
    EXPECT_EQ(ledger.typosCorrected, ledger.typosMade);
    EXPECT_EQ(session.wordProcessor->backspacesPosted(), ledger.typosMade);
    EXPECT_TRUE(session.engine->snapshot().notes.empty());
}

TEST(TypingEngineTypoTests, BackspaceThatDoesNotRemoveTheTypoIsAMismatch) {
    EngineHarness session(typoSetup());
    const auto [strokeIndex, typo] = firstTypo(*session.engine);
    // Word swallows the backspace: the typo is still there afterwards.
    session.wordProcessor->setPostHook([&, index = strokeIndex + 1](int posted) {
        if (posted == index)
            session.wordProcessor->setAbsorbing(false);
    });
    session.startAndSettle();
    EXPECT_EQ(session.phase(),
              SessionPhase::paused(StopReason::readbackMismatch("退格后内容与预期不一致")));
    EXPECT_EQ(session.wordProcessor->backspacesPosted(), 1);
}

// --- Resume

TEST(TypingEngineResumeTests, UnchangedDocumentResumesExactlyWhereItStopped) {
    EngineHarness session(pacedSetup());
    pauseAtStroke(session, 30);
    session.resumeAndSettle();
    EXPECT_EQ(session.phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(session.wordProcessor->document(), session.expectedDocument());
    EXPECT_EQ(session.wordProcessor->transcript().size(), std::size(plainArticle) - 1);
    EXPECT_TRUE(session.engine->snapshot().notes.empty());
    EXPECT_EQ(session.wordProcessor->beginSendingCalls(), 2);
}

TEST(TypingEngineResumeTests, AutocorrectedWordIsAcceptedAsOneDifference) {
    EngineHarness::Setup setup;
    setup.article = autocorrectedArticle;
    EngineHarness session(setup);
    session.wordProcessor->addAutocorrection(u"a--b", u"a—b");
    session.startAndSettle();
    ASSERT_EQ(session.phase().reason.kind, StopReason::Kind::readbackMismatch);

    session.resumeAndSettle();
    EXPECT_EQ(session.phase(),
              SessionPhase::completed(VerificationOutcome::verifiedWithAcceptedDifferences(1)));
    EXPECT_EQ(session.wordProcessor->document(),
              u"Write a—b and then some more words so we pass 24 units.");
    EXPECT_EQ(session.engine->acceptedDifferences(), 1);
    EXPECT_EQ(session.engine->snapshot().notes,
              std::vector<std::string>{
                  "已写入的内容被 Word（如自动更正）或手动改动过；以文档当前内容为准，从第 24 "
                  "个单元继续。最终结果会标注「含已接受差异」。"});
    EXPECT_FALSE(session.engine->snapshot().ledger.finalVerified);
}

TEST(TypingEngineResumeTests, MovedCursorAsksForRelocationWithTheKnownPosition) {
    EngineHarness session(pacedSetup());
    pauseAtStroke(session, 30);
    const ProgressLedger ledger = session.engine->snapshot().ledger;
    session.wordProcessor->moveCursor(0);
    session.resumeAndSettle();

    const EngineSnapshot snapshot = session.engine->snapshot();
    ASSERT_EQ(snapshot.phase.kind, Kind::needsRelocation);
    EXPECT_EQ(snapshot.phase.explanation,
              "续写位置已唯一确认，但光标不在该处。可点「把光标移回续写位置」，或自己把光标放回后"
              "再点继续。");
    ASSERT_TRUE(snapshot.relocation.has_value());
    const int continuation = 2 + ledger.sentUnits;
    EXPECT_EQ(snapshot.relocation->knownCursor, continuation);
    const std::u16string article = plainArticle;
    EXPECT_EQ(snapshot.relocation->typedTail, article.substr(ledger.sentUnits - 20, 20));
    EXPECT_EQ(snapshot.relocation->nextText, article.substr(ledger.confirmedUnits, 20));
    EXPECT_EQ(snapshot.relocation->sentUnits, ledger.sentUnits);

    session.wordProcessor->moveCursor(continuation);
    session.resumeAndSettle();
    EXPECT_EQ(session.phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_FALSE(session.engine->snapshot().relocation.has_value());
}

// The user typed, then put the cursor back after the typed text. Only a context that is unique
// (a long before-text), or that reaches back to the document's start, confirms the cursor.
TEST(TypingEngineResumeTests, UserTextBeforeTheCursorIsLocatedByContextOrLeftToTheUser) {
    struct Case {
        std::u16string content; // long enough, or not, for the 48-unit context
        bool atCursor;          // the user typed at the cursor, else at the document's start
    };
    for (const Case& c : std::vector<Case>{
             {std::u16string(60, u'x') + u"前文后文", false}, {u"前文后文", false}, {u"", true}}) {
        EngineHarness::Setup setup = pacedSetup();
        setup.content = c.content;
        setup.insertionOffset = std::max(0, utf16Count(c.content) - 2);
        EngineHarness session(setup);
        pauseAtStroke(session, 10);
        const int cursor = session.wordProcessor->cursor();
        std::u16string edited = session.wordProcessor->document();
        edited.insert(c.atCursor ? cursor : 0, u"插入");
        session.wordProcessor->editDocument(edited);
        session.wordProcessor->moveCursor(cursor + 2);
        session.resumeAndSettle();

        if (c.content.size() < 48) {
            EXPECT_EQ(session.phase().kind, Kind::needsRelocation);
            EXPECT_EQ(session.wordProcessor->document(), edited);
            continue;
        }
        // The article is whole, but the text around it is not what it was.
        EXPECT_EQ(session.phase(), SessionPhase::completed(
                                       VerificationOutcome::verifiedWithAcceptedDifferences(1)));
        EXPECT_EQ(session.wordProcessor->document(),
                  u"插入" + c.content.substr(0, c.content.size() - 2) + plainArticle + u"后文");
    }
}

TEST(TypingEngineResumeTests, ResumeThatCannotReadPausesAgain) {
    EngineHarness session(pacedSetup());
    pauseAtStroke(session, 5);
    session.wordProcessor->failNextReads(1, ReadError::failed(-1728, "x"));
    session.resumeAndSettle();
    EXPECT_EQ(session.phase(),
              SessionPhase::paused(StopReason::readbackFailed("读回失败（-1728）：x")));
}

TEST(TypingEngineResumeTests, ProtectedDocumentEndsTheSessionWithoutAKey) {
    EngineHarness session(pacedSetup());
    pauseAtStroke(session, 5);
    const auto strokes = session.wordProcessor->transcript().size();
    session.wordProcessor->setProtected(true);
    session.wordProcessor->setGuardChecksTarget(false); // the engine's own check must hold
    session.resumeAndSettle();
    EXPECT_EQ(session.phase(),
              SessionPhase::failed(StopReason::documentNotEditable("文档处于保护状态")));
    EXPECT_EQ(session.wordProcessor->transcript().size(), strokes);
    session.resumeAndSettle();
    EXPECT_EQ(session.phase().kind, Kind::failed);
}

TEST(TypingEngineResumeTests, TargetProblemsAskForRelocation) {
    struct Case {
        std::function<void(FakeWordProcessor&)> inject;
        std::string explanation;
    };
    const std::vector<Case> cases = {
        {[](auto& wp) { wp.switchDocument("doc-2"); }, "当前活动文档不是目标文档，请切回原文档"},
        {[](auto& wp) { wp.setInMainStory(false); }, "光标不在主正文中"},
        {[](auto& wp) { wp.select(0, 3); }, "请取消选中文字，只保留插入光标"},
    };
    for (const Case& c : cases) {
        EngineHarness session(pacedSetup());
        pauseAtStroke(session, 5);
        c.inject(*session.wordProcessor);
        session.resumeAndSettle();
        EXPECT_EQ(session.phase(), SessionPhase::needsRelocation(c.explanation));
    }
}

TEST(TypingEngineResumeTests, ChangedTypedTextThatCannotBeLocatedAsksTheUser) {
    EngineHarness session(pacedSetup());
    pauseAtStroke(session, 30);
    // The user rewrote the end of what was typed: nothing identifies the position any more.
    std::u16string document = session.wordProcessor->document();
    const int cursor = session.wordProcessor->cursor();
    for (int i = cursor - 10; i < cursor; ++i)
        document[i] = u'#';
    session.wordProcessor->editDocument(document);
    session.resumeAndSettle();
    EXPECT_EQ(session.phase(),
              SessionPhase::needsRelocation(
                  "无法唯一确认续写位置（已写入内容可能被修改、删除或存在重复）。可以把光标放在上次"
                  "写到的位置之后再点继续，或选择「从光标处继续剩余内容」。"));
}

class InterruptedSessionTest
    : public ::testing::TestWithParam<std::tuple<TypingMode, int /* stroke */>> {};

TEST_P(InterruptedSessionTest, PausedAnywhereAndResumedEndsWithTheExpectedDocument) {
    const auto [mode, stroke] = GetParam();
    EngineHarness::Setup setup = typoSetup();
    setup.settings = quickSettings(mode, mode == TypingMode::natural, 0.3);
    setup.content = u"前文后文";
    setup.insertionOffset = 2;
    EngineHarness session(setup);
    session.wordProcessor->setLatency(std::chrono::milliseconds(1));
    session.wordProcessor->objectAtCheck(stroke, StopReason::userActivity("鼠标"));
    session.startAndSettle();
    ASSERT_EQ(session.phase(), SessionPhase::paused(StopReason::userActivity("鼠标")));

    session.wordProcessor->releaseTrap();
    session.resumeAndSettle();
    EXPECT_EQ(session.phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(session.wordProcessor->document(), session.expectedDocument());
    const ProgressLedger ledger = session.engine->snapshot().ledger;
    EXPECT_EQ(ledger.typosCorrected, ledger.typosMade);
    EXPECT_EQ(session.wordProcessor->backspacesPosted(), ledger.typosMade);
}

INSTANTIATE_TEST_SUITE_P(StopPoints, InterruptedSessionTest,
                         ::testing::Combine(::testing::Values(TypingMode::stable, TypingMode::fast,
                                                              TypingMode::natural),
                                            ::testing::Values(2, 5, 9, 14, 23, 31, 42)),
                         [](const auto& info) {
                             return std::string(rawValue(std::get<0>(info.param))) + "AtCheck" +
                                    std::to_string(std::get<1>(info.param));
                         });

// --- Continue from the cursor

TEST(TypingEngineContinueTests, ContinuesFromTheUnitTheTextBeforeTheCursorEndsWith) {
    EngineHarness session(pacedSetup());
    pauseAtStroke(session, 30);
    const int sent = session.engine->snapshot().ledger.sentUnits;
    session.wordProcessor->switchDocument("doc-2");
    session.resumeAndSettle();
    ASSERT_EQ(session.phase().kind, Kind::needsRelocation);

    session.wordProcessor->switchDocument("doc-1");
    session.engine->continueFromCursor(std::nullopt);
    session.settle();
    EXPECT_EQ(session.phase(),
              SessionPhase::completed(VerificationOutcome::verifiedWithAcceptedDifferences(1)));
    EXPECT_EQ(session.wordProcessor->document(), u"前文" + std::u16string(plainArticle) + u"后文");
    EXPECT_EQ(session.engine->snapshot().notes,
              std::vector<std::string>{"用户选择从光标处继续：从第 " + std::to_string(sent) +
                                       " 个单元起输入剩余内容；此前内容以文档现状为准，最终结果标注"
                                       "「含已接受差异」。"});
}

TEST(TypingEngineContinueTests, RefusesUntilTheCursorMakesSense) {
    EngineHarness session(pacedSetup());
    pauseAtStroke(session, 30); // past the first checkpoint, so 24 units are confirmed
    session.engine->continueFromCursor(std::nullopt); // paused, not relocating: nothing
    session.settle();
    ASSERT_EQ(session.phase().kind, Kind::paused);

    session.wordProcessor->switchDocument("doc-2");
    session.resumeAndSettle();
    session.wordProcessor->switchDocument("doc-1");

    session.wordProcessor->select(0, 2);
    session.engine->continueFromCursor(std::nullopt);
    session.settle();
    EXPECT_EQ(session.phase(),
              SessionPhase::needsRelocation("请把插入光标放在正文中（不要选中文字）"));

    session.wordProcessor->moveCursor(0); // nothing typed lies before this cursor
    session.engine->continueFromCursor(std::nullopt);
    session.settle();
    EXPECT_EQ(session.phase(), SessionPhase::needsRelocation(
                                   "光标前的文字与原文对不上，无法判断已经写到哪里。请核对后选择"
                                   "「从最后确认处继续」，或取消任务。"));

    // A unit beyond the text continues from its end: straight to the final verification.
    const int strokes = static_cast<int>(session.wordProcessor->transcript().size());
    session.engine->continueFromCursor(10000);
    session.settle();
    EXPECT_EQ(session.phase(),
              SessionPhase::completed(VerificationOutcome::verifiedWithAcceptedDifferences(1)));
    EXPECT_EQ(static_cast<int>(session.wordProcessor->transcript().size()), strokes);
}

TEST(TypingEngineContinueTests, CancelWhileRelocatingEndsTheSession) {
    EngineHarness session(pacedSetup());
    pauseAtStroke(session, 5);
    session.wordProcessor->switchDocument("doc-2");
    session.resumeAndSettle();
    ASSERT_EQ(session.phase().kind, Kind::needsRelocation);
    session.engine->requestCancel(CancelKind::user);
    EXPECT_EQ(session.phase(), SessionPhase::cancelled(StopReason::userCancel()));
    EXPECT_FALSE(session.engine->snapshot().relocation.has_value());
}

// --- Accepting differences

TEST(TypingEngineAcceptTests, AcceptedAutocorrectionCountsItsDifferences) {
    EngineHarness::Setup setup;
    setup.article = autocorrectedArticle;
    EngineHarness session(setup);
    session.wordProcessor->addAutocorrection(u"a--b", u"a—b");
    session.startAndSettle();
    ASSERT_EQ(session.phase().kind, Kind::paused);

    session.engine->acceptDifferencesAndContinue();
    session.settle();
    EXPECT_EQ(session.phase(),
              SessionPhase::completed(VerificationOutcome::verifiedWithAcceptedDifferences(1)));
    EXPECT_EQ(session.engine->snapshot().notes,
              std::vector<std::string>{
                  "用户接受了插入区内 1 处差异后继续；最终结果不会标为「完全一致」。"});
    EXPECT_EQ(session.wordProcessor->document(),
              u"Write a—b and then some more words so we pass 24 units.");
}

TEST(TypingEngineAcceptTests, RefusesWhenTextOutsideTheRegionChangedOrCannotBeRead) {
    EngineHarness session(pacedSetup());
    pauseAtStroke(session, 5);

    session.wordProcessor->failNextReads(1);
    session.engine->acceptDifferencesAndContinue();
    session.settle();
    EXPECT_EQ(session.phase().kind, Kind::paused);

    const std::u16string original = session.wordProcessor->document();
    // The user edited the text after the insertion point, then the text before it.
    for (const std::size_t edited : {original.size() - 1, std::size_t{0}}) {
        std::u16string document = original;
        document[edited] = u'改';
        session.wordProcessor->editDocument(document);
        session.engine->acceptDifferencesAndContinue();
        session.settle();
        EXPECT_EQ(session.phase().kind, Kind::paused);
    }
    const std::string refused = "无法接受差异：光标之后或插入区之前的内容与开始时不同。";
    EXPECT_EQ(session.engine->snapshot().notes,
              (std::vector<std::string>{"读回失败，无法接受差异：模拟读回故障", refused, refused}));
    EXPECT_EQ(session.engine->acceptedDifferences(), 0);
}

TEST(TypingEngineAcceptTests, AcceptingWithoutAVisibleDifferenceStillMarksTheResult) {
    EngineHarness session(pacedSetup());
    pauseAtStroke(session, 5);
    session.engine->acceptDifferencesAndContinue();
    session.settle();
    EXPECT_EQ(session.phase(),
              SessionPhase::completed(VerificationOutcome::verifiedWithAcceptedDifferences(1)));
    EXPECT_FALSE(session.engine->snapshot().ledger.finalVerified);
    EXPECT_EQ(session.engine->snapshot().notes,
              std::vector<std::string>{
                  "用户接受了插入区内 1 处差异后继续；最终结果不会标为「完全一致」。"});
}

TEST(TypingEngineAcceptTests, RequestMadeWhileTypingIsNotHeldForTheNextStop) {
    EngineHarness session(pacedSetup());
    session.wordProcessor->objectAtCheck(5, StopReason::userActivity("键盘"));
    session.engine->start();
    session.engine->acceptDifferencesAndContinue(); // typing: there is nothing to accept
    session.settle();
    EXPECT_EQ(session.phase(), SessionPhase::paused(StopReason::userActivity("键盘")));
    EXPECT_EQ(session.wordProcessor->transcript().size(), 4u);
}

/// An observer queue that fails once when armed: something outside the ports going wrong.
class FailingQueue final : public TaskQueue {
public:
    void enqueue(std::function<void()> task) override {
        if (armed.exchange(false))
            throw std::runtime_error("队列故障");
        queue.enqueue(std::move(task));
    }
    std::atomic<bool> armed{false};
    SerialTaskQueue queue;
};

TEST(TypingEngineAcceptTests, FailureWhilePausedEndsInTheFallbackPhase) {
    auto queue = std::make_shared<FailingQueue>();
    EngineHarness::Setup setup = pacedSetup();
    setup.observerQueue = queue;
    EngineHarness session(setup);
    pauseAtStroke(session, 5);
    session.wordProcessor->editDocument(u"改" + session.wordProcessor->document());
    queue->armed = true; // the refusal note's snapshot fails while the phase is paused
    session.engine->acceptDifferencesAndContinue();
    session.settle();
    EXPECT_EQ(session.phase(), SessionPhase::cancelled(StopReason::internalError("队列故障")));
}

// --- Keys still in flight after a stop

TEST(TypingEngineResumeTests, ResumeWaitsForKeysStillLandingAndTypesNothingTwice) {
    EngineHarness session(pacedSetup());
    session.engine->setSettleWindow(0.1);
    session.engine->setCheckpointTimeout(1.0);
    // Word takes every key in 300 ms late; the settle measurement after the stop cannot read.
    session.wordProcessor->setLatency(std::chrono::milliseconds(300));
    session.wordProcessor->failNextReads(1);
    session.wordProcessor->objectAtCheck(12, StopReason::userActivity("键盘"));
    session.startAndSettle();
    ASSERT_GT(session.wordProcessor->pendingStrokes(), 0);

    session.wordProcessor->releaseTrap();
    session.resumeAndSettle();
    EXPECT_EQ(session.phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(session.wordProcessor->document(), u"前文" + std::u16string(plainArticle) + u"后文");
    EXPECT_TRUE(session.engine->snapshot().notes.empty());
}

TEST(TypingEngineResumeTests, DocumentThatNeverComesToRestPausesAgain) {
    EngineHarness session(pacedSetup());
    pauseAtStroke(session, 5);
    session.engine->setQuietTimeout(0.2);
    // Something keeps moving the cursor while the resume waits for the document to rest.
    session.wordProcessor->setStateHook([&, flip = false]() mutable {
        if (session.engine->snapshot().phase.kind == Kind::resuming)
            session.wordProcessor->moveCursor((flip = !flip) ? 0 : 1);
    });
    const auto strokes = session.wordProcessor->transcript().size();
    session.resumeAndSettle();
    EXPECT_EQ(session.phase(),
              SessionPhase::paused(StopReason::wordNotKeepingUp(
                  "文档一直在变化（Word 可能仍在处理已发送的按键，或有人正在编辑），请稍候再继续")));
    EXPECT_EQ(session.wordProcessor->transcript().size(), strokes);
}

// --- Final verification

TEST(TypingEngineVerificationTests, PlaceholderReadsPassCheckpointsAndReverifyConfirms) {
    EngineHarness::Setup setup;
    setup.article = u"表情 😀 测试 🎉 and more text to cross a checkpoint or two 😀!";
    setup.content = u"前😀后";
    setup.insertionOffset = 3;
    EngineHarness session(setup);
    session.wordProcessor->setScriptReads(true);
    session.startAndSettle();
    EXPECT_EQ(session.phase(),
              SessionPhase::completed(VerificationOutcome::unverified(
                  "除 emoji 外逐字一致；emoji 在 Word 脚本读回中只显示为占位符，需要 Word "
                  "位于前台时用辅助功能读回才能逐字核实（可点「在 Word 前台核实」）")));
    EXPECT_EQ(session.engine->snapshot().ledger.confirmedUnits, session.engine->text().count());

    session.wordProcessor->failNextReads(1, ReadError::wordNotRunning());
    session.engine->reverify();
    session.settle();
    EXPECT_EQ(session.phase(),
              SessionPhase::completed(VerificationOutcome::unverified("Word 没有运行")));

    session.wordProcessor->setScriptReads(false);
    session.engine->reverify();
    session.settle();
    EXPECT_EQ(session.phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_TRUE(session.engine->snapshot().ledger.finalVerified);
}

TEST(TypingEngineVerificationTests, ChangeOutsideTheReadBackWindowsIsAMismatch) {
    EngineHarness::Setup setup;
    setup.article = u"short insertion";
    setup.content = u"0123456789012345678901234567890123456789";
    setup.insertionOffset = 40;
    EngineHarness session(setup);
    session.wordProcessor->setPostHook([&](int index) {
        if (index == 2)
            session.wordProcessor->editDocument(u"X" + setup.content.substr(1) + u"sh");
    });
    session.startAndSettle();
    const SessionPhase phase = session.phase();
    ASSERT_EQ(phase.kind, Kind::completed);
    ASSERT_EQ(phase.outcome.kind, VerificationOutcome::Kind::mismatch);
    EXPECT_TRUE(phase.outcome.report.outsideContentChanged());
    EXPECT_FALSE(session.engine->snapshot().ledger.finalVerified);
}

} // namespace
} // namespace plumeo::test
