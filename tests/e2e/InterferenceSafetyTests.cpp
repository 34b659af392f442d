// The user, or Word, interfering where the guard and the locator used to take things on trust:
// right after the start, at the cursor of an empty document, and behind another application.

#include "tests/e2e/SessionHarness.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace plumeo::e2e {
namespace {

// 20 ms a unit; the first read-back after 24 units.
const ModeSettings pacedStable = ModeSettings::make(TypingMode::stable, 3000, false, 0);
const std::u16string article = u"Plumeo types this sentence into Word, then 写一点中文 to end.";

// Nothing is confirmed yet, and the user's input used to be ignored for 0.15 s.
TEST_F(EndToEndTest, AClickAtTheInsertionPointRightAfterTheStartStopsTheSession) {
    auto user = std::make_shared<SimControl>(simulator().socketPath());
    // About 50 ms in: before the third stroke.
    startSession({article, pacedStable, u"前文。后文。", 3, 1,
                  [this, user] { guard->beforeCheck(3, [user] { user->clickInWordBody(3); }); }});
    awaitIdle();

    ASSERT_EQ(phase().kind, SessionPhase::Kind::paused) << ::testing::PrintToString(phase());
    EXPECT_EQ(simulatedDocument(), engine->expectedDocumentForSent()) << "nothing misplaced";
    EXPECT_EQ(engine->snapshot().ledger.sentUnits, 2);
}

TEST_F(EndToEndTest, AfterTheUserTypedIntoAnEmptyDocumentResumeTypesNothingTwice) {
    startSession({article, pacedStable, u"", 0, 1, {}});
    ASSERT_NO_FATAL_FAILURE(awaitTypedUnits(5));
    control().pressKey(0, 0, u"Q");
    awaitIdle();
    ASSERT_EQ(phase().kind, SessionPhase::Kind::paused) << ::testing::PrintToString(phase());

    resumeAndAwait();
    if (phase().kind != SessionPhase::Kind::completed) {
        EXPECT_EQ(phase().kind, SessionPhase::Kind::needsRelocation);
        return;
    }
    std::u16string document = simulatedDocument();
    std::erase(document, u'Q');
    EXPECT_EQ(document, article + u"\r") << "the article once";
}

// Behind another application the focus is not checked, so a sheet would take the keys.
TEST_F(EndToEndTest, ASheetDuringBackgroundTypingStopsBeforeAnyKeyReachesIt) {
    const int canaryPid = static_cast<int>(getpid());
    ASSERT_TRUE(control().registerApp(canaryPid, "org.plumeo.canary", "金丝雀", "Canary"));
    auto word = std::make_shared<SimControl>(simulator().socketPath());
    // Check 12: not one on which the periodic look at the window falls.
    startSession({article, pacedStable, u"", 0, 1, [this, word, canaryPid] {
                      word->activate(canaryPid);
                      guard->beforeCheck(12, [word] { word->openSheet("存储"); });
                  }});
    awaitIdle();

    EXPECT_EQ(phase(), SessionPhase::paused(StopReason::dialogOpened("文档窗口上出现了对话框")));
    EXPECT_EQ(control().dump()["word"]["documents"][0]["sheetKeys"].get<int>(), 0);
    EXPECT_GT(guard->guard().statistics().backgroundChecks, 0);
}

} // namespace
} // namespace plumeo::e2e
