// The user, or Word, interfering at the moments the guard and the locator used to take on
// trust: right after the start, at the cursor of a document that was empty, and behind another
// application. Judged on the document the simulator holds.

#include "tests/e2e/SessionHarness.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace plumeo::e2e {
namespace {

// Stable mode at 3000 units a minute: 20 ms a unit, the first read-back after 24 units.
ModeSettings pacedStable() {
    return ModeSettings::make(TypingMode::stable, 3000, false, 0);
}

const std::u16string article = u"Plumeo types this sentence into Word, then 写一点中文 to end.";

std::u16string withoutAll(std::u16string text, char16_t unit) {
    std::erase(text, unit);
    return text;
}

// Before the first read-back nothing is confirmed, so the whole text typed so far used to be
// an acceptable cursor range, and the user's input was ignored for 0.15 s.
TEST_F(EndToEndTest, TheUsersClickRightAfterTheStartStopsTheSession) {
    struct Case {
        const char* what;
        int check;
        bool atInsertionPoint; // else where Word's cursor stands
    };
    const std::vector<Case> cases = {
        {"at the insertion point, about 50 ms in", 3, true},
        {"where the cursor stands, about 30 ms in", 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SessionSetup setup;
        setup.article = article;
        setup.settings = pacedStable();
        setup.initialText = u"前文。后文。";
        setup.cursor = 3;
        auto user = std::make_shared<SimControl>(simulator().socketPath());
        setup.beforeStart = [this, user, c] {
            guard->beforeCheck(c.check, [user, c] {
                const int cursor =
                    user->dump()["word"]["documents"][0]["selectionStart"].get<int>();
                user->clickInWordBody(c.atInsertionPoint ? 3 : cursor);
            });
        };
        startSession(setup);
        awaitIdle();

        const SessionPhase stop = phase();
        ASSERT_EQ(stop.kind, SessionPhase::Kind::paused) << ::testing::PrintToString(stop);
        if (c.atInsertionPoint) {
            EXPECT_TRUE(stop.reason.kind == StopReason::Kind::selectionChanged ||
                        stop.reason.kind == StopReason::Kind::userActivity)
                << stop.reason.message();
        } else {
            EXPECT_EQ(stop.reason, StopReason::userActivity("在 Word 中鼠标点击"));
        }
        EXPECT_EQ(simulatedDocument(), engine->expectedDocumentForSent())
            << "every typed unit where it belongs";
        EXPECT_EQ(engine->snapshot().ledger.sentUnits, c.check - 1);

        engine->requestCancel(CancelKind::user);
        ASSERT_TRUE(engine->waitUntilIdle(20.0));
    }
}

// An empty document, and the user types at the cursor after a few units: the units typed so
// far and the user's letters are no proof of where the session stands.
TEST_F(EndToEndTest, AfterTheUserTypedIntoAnEmptyDocumentResumeTypesNothingTwice) {
    SessionSetup setup;
    setup.article = article;
    setup.settings = pacedStable();
    startSession(setup);
    ASSERT_NO_FATAL_FAILURE(awaitTypedUnits(5));
    control().pressKey(0, 0, u"Q");
    control().pressKey(0, 0, u"Q");
    awaitIdle();
    ASSERT_EQ(phase().kind, SessionPhase::Kind::paused) << ::testing::PrintToString(phase());

    engine->replaceGuard(std::make_shared<HookedGuard>(WordTargetGuard::make(backend, wordPid)));
    engine->resume();
    awaitIdle();
    const SessionPhase end = phase();
    if (end.kind == SessionPhase::Kind::completed) {
        EXPECT_EQ(end.outcome.kind, VerificationOutcome::Kind::verifiedWithAcceptedDifferences);
        EXPECT_EQ(withoutAll(simulatedDocument(), u'Q'), article + u"\r") << "the article once";
    } else {
        EXPECT_EQ(end.kind, SessionPhase::Kind::needsRelocation) << ::testing::PrintToString(end);
    }
}

// Behind another application the focus is not checked, so a sheet on the document window
// would take the keys, a Return pressing its default button.
TEST_F(EndToEndTest, ASheetDuringBackgroundTypingStopsBeforeAnyKeyReachesIt) {
    const int canaryPid = static_cast<int>(getpid());
    ASSERT_TRUE(control().registerApp(canaryPid, "org.plumeo.canary", "金丝雀", "Canary"));
    SessionSetup setup;
    setup.article = article;
    setup.settings = pacedStable();
    auto word = std::make_shared<SimControl>(simulator().socketPath());
    setup.beforeStart = [this, word, canaryPid] {
        ASSERT_TRUE(word->activate(canaryPid));
        // Not a check on which the periodic look at the window falls.
        guard->beforeCheck(12, [word] { word->openSheet("存储"); });
    };
    startSession(setup);
    awaitIdle();

    EXPECT_EQ(phase(), SessionPhase::paused(StopReason::dialogOpened("文档窗口上出现了对话框")));
    EXPECT_EQ(control().dump()["word"]["documents"][0]["sheetKeys"].get<int>(), 0);
    EXPECT_EQ(simulatedDocument(), engine->expectedDocumentForSent());
    EXPECT_GT(guard->guard().statistics().backgroundChecks, 0);
    control().unregisterApp(canaryPid);
}

} // namespace
} // namespace plumeo::e2e
