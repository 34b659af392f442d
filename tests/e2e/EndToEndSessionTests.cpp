// Whole sessions of the real engine through the platform layer into the simulated Word: every
// stroke passes the real guard and the real key sink, every read-back the real reader, and the
// result is judged on the document the simulator holds.

#include "core/text/PacingProfile.h"
#include "tests/e2e/SessionHarness.h"

#include <gtest/gtest.h>

namespace plumeo::e2e {
namespace {

// Mixed scripts, an emoji outside the Basic Multilingual Plane and a paragraph break, worded so
// that none of Word's AutoCorrect rules (all on, as Word ships) touches it.
const std::u16string mixedArticle = u"Plumeo 写中文，English words 和 emoji 😀 一起。\n"
                                    u"第二段 Second line 🎉 到此为止";
const std::u16string mixedArticleAsStored = u"Plumeo 写中文，English words 和 emoji 😀 一起。\r"
                                            u"第二段 Second line 🎉 到此为止";

// Long enough that a user has time to interfere (tens of milliseconds per unit).
const std::u16string longerArticle = u"这是一段稍长的文字，用来在输入途中打断它。"
                                     u"It keeps going for a while so the user can act. "
                                     u"最后一句在这里结束";

ModeSettings paced(TypingMode mode, double unitsPerMinute) {
    return ModeSettings::make(mode, unitsPerMinute, false, 0);
}

class ModeSessionTest : public EndToEndTest, public ::testing::WithParamInterface<TypingMode> {};

TEST_P(ModeSessionTest, InsertsTheArticleBetweenExistingTextAndVerifiesIt) {
    const bool natural = GetParam() == TypingMode::natural;
    SessionSetup setup;
    setup.article = mixedArticle;
    setup.settings = quickSettings(GetParam(), natural, natural ? 0.5 : 0);
    setup.initialText = u"开头。\r结尾。";
    setup.cursor = 4;
    runSession(setup);

    EXPECT_EQ(phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(simulatedDocument(), u"开头。\r" + mixedArticleAsStored + u"结尾。\r");
    const auto ledger = engine->snapshot().ledger;
    EXPECT_TRUE(ledger.finalVerified);
    EXPECT_EQ(ledger.confirmedUnits, ledger.totalUnits);
    // Every backspace removed a typo that had been seen in place, and nothing else.
    EXPECT_EQ(sink->backspaces(), ledger.typosCorrected);
    EXPECT_EQ(ledger.typosCorrected, ledger.typosMade);
    if (natural) {
        EXPECT_GT(ledger.typosMade, 0) << "the seed gave no typo; the typo path went untested";
    }
    EXPECT_TRUE(reader->readsAreFaithful()) << reader->fallbackReason().value_or("");
}

INSTANTIATE_TEST_SUITE_P(AllModes, ModeSessionTest,
                         ::testing::Values(TypingMode::stable, TypingMode::fast,
                                           TypingMode::natural),
                         [](const auto& info) { return std::string(rawValue(info.param)); });

TEST_F(EndToEndTest, AClickAtTheCursorPausesForTheUserAndResumingFinishesTheArticle) {
    SessionSetup setup;
    setup.article = longerArticle;
    setup.settings = paced(TypingMode::stable, 3000);
    setup.initialText = u"前文。后文。";
    setup.cursor = 3;
    // The user clicks between two strokes, well past the guard's grace time, exactly where
    // Word's cursor stands, so only the click itself tells that someone is at the machine.
    auto user = std::make_shared<SimControl>(simulator().socketPath());
    setup.beforeStart = [this, user] {
        guard->beforeCheck(15, [user] {
            const auto state = user->dump();
            user->clickInWordBody(state["word"]["documents"][0]["selectionStart"].get<int>());
        });
    };
    runSession(setup);

    ASSERT_EQ(phase(), SessionPhase::paused(StopReason::userActivity("在 Word 中鼠标点击")));
    EXPECT_EQ(engine->snapshot().ledger.sentUnits, 14);
    EXPECT_EQ(simulatedDocument(), engine->expectedDocumentForSent());

    engine->replaceGuard(std::make_shared<HookedGuard>(WordTargetGuard::make(backend, wordPid)));
    resumeAndAwait();
    EXPECT_EQ(phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(simulatedDocument(), u"前文。" + longerArticle + u"后文。\r");
    EXPECT_EQ(sink->backspaces(), 0);
}

TEST_F(EndToEndTest, AClickElsewhereStopsTheSessionAndTheUserPutsTheCursorBackToFinish) {
    SessionSetup setup;
    setup.article = longerArticle;
    setup.settings = paced(TypingMode::stable, 3000);
    setup.initialText = u"前文。后文。";
    setup.cursor = 3;
    startSession(setup);
    ASSERT_NO_FATAL_FAILURE(awaitTypedUnits(10));
    ASSERT_TRUE(control().clickInWordBody(0));
    awaitIdle();

    // The moved cursor is what the guard looks at first.
    ASSERT_EQ(phase().kind, SessionPhase::Kind::paused) << ::testing::PrintToString(phase());
    EXPECT_EQ(phase().reason.kind, StopReason::Kind::selectionChanged);
    // What was typed before the click stays where it was typed.
    EXPECT_EQ(simulatedDocument(), engine->expectedDocumentForSent());
    const int typedEnd = 3 + engine->snapshot().ledger.sentUnits;

    // The cursor is now at the document's start: the continuation point is unique but the user
    // must put the cursor back there first.
    engine->replaceGuard(std::make_shared<HookedGuard>(WordTargetGuard::make(backend, wordPid)));
    resumeAndAwait();
    ASSERT_EQ(phase().kind, SessionPhase::Kind::needsRelocation)
        << ::testing::PrintToString(phase());
    const auto hint = engine->snapshot().relocation;
    ASSERT_TRUE(hint.has_value());
    EXPECT_EQ(hint->knownCursor, typedEnd);

    control().setSelection(documentName, typedEnd, typedEnd);
    resumeAndAwait();
    EXPECT_EQ(phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(simulatedDocument(), u"前文。" + longerArticle + u"后文。\r");
    EXPECT_EQ(sink->backspaces(), 0);
}

TEST_F(EndToEndTest, ADialogStopsTheSessionBeforeItTakesKeysAndTypingResumesAfterIt) {
    SessionSetup setup;
    setup.article = longerArticle;
    setup.settings = paced(TypingMode::stable, 3000);
    startSession(setup);
    ASSERT_NO_FATAL_FAILURE(awaitTypedUnits(10));
    control().openDialog("查找和替换", std::nullopt);
    awaitIdle();

    EXPECT_EQ(phase(), SessionPhase::paused(StopReason::dialogOpened("出现窗口「查找和替换」")));
    // A stroke already on its way when the dialog opened is the most that may reach it.
    EXPECT_LE(control().dump()["word"]["keysToDialogs"].get<int>(), 1);

    ASSERT_TRUE(control().closeDialog());
    resumeAndAwait();
    const auto end = phase();
    // A stroke swallowed by the dialog is text the document lacks; the engine must notice
    // rather than claim success.
    if (control().dump()["word"]["keysToDialogs"].get<int>() == 0) {
        EXPECT_EQ(end, SessionPhase::completed(VerificationOutcome::verified()));
        EXPECT_EQ(simulatedDocument(), longerArticle + u"\r");
    } else {
        EXPECT_NE(end, SessionPhase::completed(VerificationOutcome::verified()));
    }
}

TEST_F(EndToEndTest, ASheetOnTheDocumentWindowStopsTheSession) {
    SessionSetup setup;
    setup.article = longerArticle;
    setup.settings = paced(TypingMode::stable, 3000);
    startSession(setup);
    ASSERT_NO_FATAL_FAILURE(awaitTypedUnits(10));
    ASSERT_TRUE(control().openSheet("存储"));
    awaitIdle();

    // Whichever the guard looks at first: the sheet itself (on its periodic look at the
    // window) or the focus the sheet took away from the body.
    const auto stop = phase();
    ASSERT_EQ(stop.kind, SessionPhase::Kind::paused) << ::testing::PrintToString(stop);
    EXPECT_TRUE(stop.reason == StopReason::dialogOpened("文档窗口上出现了对话框") ||
                stop.reason.kind == StopReason::Kind::focusLeftBody)
        << stop.reason.message();
    EXPECT_LE(control().dump()["word"]["documents"][0]["sheetKeys"].get<int>(), 1);
}

TEST_F(EndToEndTest, FastModeIntoASlowWordFinishesVerifiedWithoutAPause) {
    // Word takes 120 key events a second: 60 single-stroke units, far below what the fast mode
    // sends at its shortest interval.
    control().setWordTiming(120, 0);
    SessionSetup setup;
    for (int sentence = 0; sentence < 4; ++sentence)
        setup.article += u"Word is slow today 但是输入不会中断，";
    setup.settings = ModeSettings::make(TypingMode::fast, std::nullopt, false, 0);
    runSession(setup);

    EXPECT_EQ(phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(simulatedDocument(), setup.article + u"\r");
    EXPECT_FALSE(observer->saw(SessionPhase::Kind::paused));
    EXPECT_FALSE(engine->snapshot().lastStop.has_value());
    // Whether the interval had to grow depends on how fast this machine sends compared with
    // Word's rate; the back-off arithmetic itself is pinned by the engine's own tests.
}

TEST_F(EndToEndTest, WordsAutoCorrectStopsTheSessionAndResumingAcceptsTheChangedText) {
    // Word replaces "a--b" with an em dash once the following space is typed.
    control().setAutoCorrect("replaceSymbols", true);
    SessionSetup setup;
    setup.article = u"Use a--b here, then keep typing the rest of this sentence 到结尾。";
    setup.settings = quickSettings(TypingMode::stable);
    runSession(setup);

    // Word shortened what was typed, so the read-back cannot confirm it.
    ASSERT_EQ(phase().kind, SessionPhase::Kind::paused) << ::testing::PrintToString(phase());
    EXPECT_EQ(phase().reason.kind, StopReason::Kind::readbackMismatch);

    resumeAndAwait();
    EXPECT_EQ(phase(),
              SessionPhase::completed(VerificationOutcome::verifiedWithAcceptedDifferences(1)));
    EXPECT_EQ(simulatedDocument(),
              u"Use a\u2014b here, then keep typing the rest of this sentence 到结尾。\r");
    EXPECT_EQ(sink->backspaces(), 0);
}

TEST_F(EndToEndTest, WordQuittingEndsTheSessionAndNoKeyFollowsIt) {
    SessionSetup setup;
    setup.article = longerArticle;
    setup.settings = quickSettings(TypingMode::stable);
    // Word quits right before the guard's tenth look, between two strokes.
    auto quitter = std::make_shared<SimControl>(simulator().socketPath());
    setup.beforeStart = [this, quitter] {
        guard->beforeCheck(10, [quitter] { quitter->quitWord(); });
    };
    runSession(setup);

    const auto end = phase();
    EXPECT_TRUE(end.isTerminal()) << ::testing::PrintToString(end);
    EXPECT_EQ(end.reason, StopReason::wordTerminated());
    EXPECT_EQ(sink->postsAfterWordQuit(), 0);
    EXPECT_EQ(sink->posts(), 9);
    const auto word = control().dump()["word"];
    EXPECT_FALSE(word["running"].get<bool>());
    EXPECT_EQ(word["pendingEvents"].get<int>(), 0);
}

} // namespace
} // namespace plumeo::e2e
