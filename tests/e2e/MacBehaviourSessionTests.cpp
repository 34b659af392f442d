// Sessions against a simulator told to behave as macOS and Word may really behave. With each
// switch on, a session ends safely: verified, or stopped with nothing wrong in the document.

#include "platform/backend/MainLoop.h"
#include "tests/e2e/SessionHarness.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace plumeo::e2e {
namespace {

const std::u16string article = u"Plumeo 写中文，English words 和 emoji 😀 一起。\n"
                               u"第二段 Second line 🎉 到此为止";
const std::u16string articleAsStored = u"Plumeo 写中文，English words 和 emoji 😀 一起。\r"
                                       u"第二段 Second line 🎉 到此为止";

class MacBehaviourTest : public EndToEndTest {
protected:
    SessionSetup setup() {
        SessionSetup setup;
        setup.article = article;
        setup.settings = quickSettings(TypingMode::fast);
        return setup;
    }
    void expectVerified() {
        EXPECT_EQ(phase(), SessionPhase::completed(VerificationOutcome::verified()));
        EXPECT_EQ(simulatedDocument(), articleAsStored + u"\r");
    }
};

TEST_F(MacBehaviourTest, AWordBusyForAShareOfQueriesIsWaitedFor) {
    control().setAxBusy(0.3, 20);
    runSession(setup());
    expectVerified();
}

TEST_F(MacBehaviourTest, AWordThatStopsAnsweringStopsTypingForThatReason) {
    auto session = setup();
    session.beforeStart = [&] { control().setAxBusy(1.0, 0); };
    runSession(session);
    EXPECT_EQ(phase().reason.kind, StopReason::Kind::wordNotKeepingUp) << phase().title();
    EXPECT_EQ(simulatedDocument(), u"\r");
}

TEST_F(MacBehaviourTest, TheBodyShownPageByPageIsStillTheTarget) {
    control().setPageUnits(16);
    control().setNoSelectionAtStart(true);
    auto session = setup();
    session.article = u"Page by page 一页一页地输入，also across the pages.";
    runSession(session);
    EXPECT_EQ(phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(simulatedDocument(), session.article + u"\r");
}

TEST_F(MacBehaviourTest, AFocusedSplitGroupAndNoRangeAtTheStartAreNoInterference) {
    control().setSplitGroupFocus(true);
    control().setNoSelectionAtStart(true);
    runSession(setup());
    expectVerified();
}

TEST_F(MacBehaviourTest, KeysLostBehindAnotherApplicationNeverYieldAWrongVerdict) {
    control().setDropBackgroundKeys(true);
    const int canary = static_cast<int>(getpid());
    ASSERT_TRUE(control().registerApp(canary, "org.plumeo.tests", "测试", "金丝雀"));
    auto session = setup();
    session.beforeStart = [&] { guard->beforeCheck(12, [&] { control().activate(canary); }); };
    runSession(session);
    if (phase().kind == SessionPhase::Kind::completed)
        expectVerified();
    else
        EXPECT_EQ(phase().kind, SessionPhase::Kind::paused) << phase().title();
    EXPECT_EQ(control().fieldText(canary), u"") << "keys posted to Word never go elsewhere";
}

TEST_F(MacBehaviourTest, TheMainThreadRulesHoldWhileTheMainLoopTurns) {
    control().setMainThreadRules(true);
    runBesideMainLoop(*backend, [&] { runSession(setup()); });
    expectVerified();
    EXPECT_EQ(control().dump()["mainThreadViolations"], 0);
}

} // namespace
} // namespace plumeo::e2e
