#include "platform/ax/WordTargetGuard.h"
#include "tests/platform/FakeWordScene.h"
#include "tests/platform/StopReasonPrinting.h"

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace plumeo {
namespace {

using testing::expectation;
using testing::FakeBackend;
using testing::FakeWordScene;

constexpr std::uint32_t keyDown = 10;
constexpr std::uint32_t leftMouseDown = 1;

class WordTargetGuardTest : public ::testing::Test {
protected:
    std::unique_ptr<WordTargetGuard> makeGuard() { return scene.sendingGuard(); }

    FakeWordScene scene;
};

TEST_F(WordTargetGuardTest, NeedsAFocusedWindowToBindTo) {
    scene.fake->removeAttribute(scene.app, "AXFocusedWindow");
    EXPECT_EQ(WordTargetGuard::make(scene.fake, FakeWordScene::wordPid), nullptr);
}

TEST_F(WordTargetGuardTest, PassesWhenEverythingIsInPlace) {
    auto guard = makeGuard();
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt) << "check " << i + 1;
    EXPECT_EQ(guard->boundWindowTitle(), "文档1");
}

// Each row breaks one thing in an otherwise healthy scene; the first check must name it.
TEST_F(WordTargetGuardTest, NamesEachFailure) {
    struct Case {
        const char* what;
        std::function<void(FakeWordScene&)> breakIt;
        StopReason expected;
    };
    const std::vector<Case> cases = {
        {"process gone without a notification",
         [](FakeWordScene& s) { s.fake->removeRunningApp(FakeWordScene::wordPid); },
         StopReason::wordTerminated()},
        {"trust revoked", [](FakeWordScene& s) { s.fake->setTrusted(false); },
         StopReason::permissionLost("辅助功能权限已被关闭")},
        {"no focused window",
         [](FakeWordScene& s) { s.fake->removeAttribute(s.app, "AXFocusedWindow"); },
         StopReason::dialogOpened("Word 没有焦点窗口")},
        {"dialog window",
         [](FakeWordScene& s) { s.focusWindow(s.makeWindow("查找和替换", "AXDialog")); },
         StopReason::dialogOpened("出现窗口「查找和替换」")},
        {"system dialog window",
         [](FakeWordScene& s) { s.focusWindow(s.makeWindow("", "AXSystemDialog")); },
         StopReason::dialogOpened("出现窗口「」")},
        {"floating window",
         [](FakeWordScene& s) { s.focusWindow(s.makeWindow("格式", "AXFloatingWindow")); },
         StopReason::dialogOpened("出现窗口「格式」")},
        {"another document window",
         [](FakeWordScene& s) { s.focusWindow(s.makeWindow("文档2", "AXStandardWindow")); },
         StopReason::documentChanged("Word 当前窗口是「文档2」，不是目标文档")},
        {"sheet on the bound window",
         [](FakeWordScene& s) { s.setChildren(s.window, {s.makeElement(u"AXSheet", s.window)}); },
         StopReason::dialogOpened("文档窗口上出现了对话框")},
        {"bound window modal",
         [](FakeWordScene& s) { s.fake->setAttribute(s.window, "AXModal", true); },
         StopReason::dialogOpened("文档窗口上出现了对话框")},
        {"no focused element",
         [](FakeWordScene& s) { s.fake->removeAttribute(s.app, "AXFocusedUIElement"); },
         StopReason::focusLeftBody("无法确认焦点元素")},
        {"focus on a button",
         [](FakeWordScene& s) { s.focus(s.makeElement(u"AXButton", s.window)); },
         StopReason::focusLeftBody("焦点移到了 AXButton")},
        {"text area of another window",
         [](FakeWordScene& s) {
             s.focus(s.makeTextArea(s.makeWindow("x", "AXStandardWindow"), 10, 5));
         },
         StopReason::focusLeftBody("焦点移到了 AXTextArea")},
        {"non-empty selection", [](FakeWordScene& s) { s.setSelection(s.body, 5, 2); },
         StopReason::selectionChanged("出现了非空选区")},
        {"cursor past the range", [](FakeWordScene& s) { s.setSelection(s.body, 8, 0); },
         StopReason::selectionChanged("光标位于 8，预期在 5…7")},
        {"cursor before the range", [](FakeWordScene& s) { s.setSelection(s.body, 4, 0); },
         StopReason::selectionChanged("光标位于 4，预期在 5…7")},
        {"key press", [](FakeWordScene& s) { s.setInputAgo(keyDown, 0.1); },
         StopReason::userActivity("在 Word 中按键")},
        {"left click", [](FakeWordScene& s) { s.setInputAgo(leftMouseDown, 0.1); },
         StopReason::userActivity("在 Word 中鼠标点击")},
        {"right click", [](FakeWordScene& s) { s.setInputAgo(3, 0.1); },
         StopReason::userActivity("在 Word 中鼠标右键")},
        {"other mouse button", [](FakeWordScene& s) { s.setInputAgo(25, 0.1); },
         StopReason::userActivity("在 Word 中鼠标按键")},
    };
    for (const auto& c : cases) {
        FakeWordScene fresh;
        auto guard = fresh.sendingGuard();
        ASSERT_NE(guard, nullptr) << c.what;
        c.breakIt(fresh);
        EXPECT_EQ(guard->quickCheck(expectation()), c.expected) << c.what;
    }
}

TEST_F(WordTargetGuardTest, TheEarlierStepWinsWhenSeveralFail) {
    auto guard = makeGuard();
    scene.setSelection(scene.body, 9, 3);
    scene.setInputAgo(keyDown, 0.1);
    scene.focusWindow(scene.makeWindow("文档2", "AXStandardWindow"));
    EXPECT_EQ(guard->quickCheck(expectation())->kind, StopReason::Kind::documentChanged);
}

TEST_F(WordTargetGuardTest, CursorBoundsAreInclusive) {
    auto guard = makeGuard();
    scene.setSelection(scene.body, 5, 0);
    EXPECT_EQ(guard->quickCheck(expectation(5, 7)), std::nullopt);
    scene.setSelection(scene.body, 7, 0);
    EXPECT_EQ(guard->quickCheck(expectation(5, 7)), std::nullopt);
    // A selection range Word cannot mean (not found) carries no information.
    scene.setSelection(scene.body, std::int64_t{0x7fffffffffffffff}, 0);
    EXPECT_EQ(guard->quickCheck(expectation(5, 7)), std::nullopt);
}

TEST_F(WordTargetGuardTest, ReportsTheFrontApplicationWhenBackgroundTypingIsOff) {
    auto guard = makeGuard();
    guard->setAllowBackground(false);
    scene.setFront(FakeWordScene::otherPid);
    EXPECT_EQ(guard->quickCheck(expectation()),
              StopReason::targetNotFrontmost("当前前台是「Safari」"));

    // The front process is no running application, or has no name: a generic name.
    scene.setFront(31337);
    EXPECT_EQ(guard->quickCheck(expectation()),
              StopReason::targetNotFrontmost("当前前台是「其他应用」"));
    scene.fake->addRunningApp({31338, "org.example.nameless", std::nullopt});
    scene.setFront(31338);
    EXPECT_EQ(guard->quickCheck(expectation()),
              StopReason::targetNotFrontmost("当前前台是「其他应用」"));
}

// When the front application cannot be told, nothing is skipped and no input forgotten.
TEST_F(WordTargetGuardTest, AnUnknownFrontApplicationCountsAsWordInFront) {
    auto guard = makeGuard();
    scene.fake->removeAttribute(scene.systemWide, "AXFocusedApplication");
    scene.setSelection(scene.body, 5, 2);
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::selectionChanged("出现了非空选区"));
    scene.setSelection(scene.body, 5, 0);
    scene.setInputAgo(keyDown, 0.05);
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::userActivity("在 Word 中按键"));
    scene.setFront(FakeWordScene::wordPid);
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::userActivity("在 Word 中按键"));
    EXPECT_EQ(guard->statistics().backgroundChecks, 0);
}

TEST_F(WordTargetGuardTest, TrustIsAskedOnEveryTenthCheckOnly) {
    auto guard = makeGuard();
    EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt);
    scene.fake->setTrusted(false);
    for (int n = 2; n <= 10; ++n)
        EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt) << "check " << n;
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::permissionLost("辅助功能权限已被关闭"))
        << "check 11";
    EXPECT_EQ(scene.fake->callCount("axIsProcessTrusted"), 2);
}

TEST_F(WordTargetGuardTest, ASheetInFrontTakesTheFocusAndIsNamedAtTheNextSnapshot) {
    auto guard = makeGuard();
    EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt);
    auto sheet = scene.makeElement(u"AXSheet", scene.window);
    scene.setChildren(scene.window, {sheet});
    scene.focus(scene.makeElement(u"AXButton", scene.window));
    for (int n = 2; n <= 8; ++n)
        EXPECT_EQ(guard->quickCheck(expectation()), StopReason::focusLeftBody("焦点移到了 AXButton"))
            << "check " << n;
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::dialogOpened("文档窗口上出现了对话框"))
        << "check 9";
}

// Behind another application the focus is not looked at: the sheet itself must be seen.
TEST_F(WordTargetGuardTest, ASheetOrModalWindowIsNoticedOnEveryCheckWhileWordIsBehind) {
    auto guard = makeGuard();
    scene.setFront(FakeWordScene::otherPid);
    EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt);
    const StopReason dialog = StopReason::dialogOpened("文档窗口上出现了对话框");
    scene.setChildren(scene.window, {scene.makeElement(u"AXSheet", scene.window)});
    EXPECT_EQ(guard->quickCheck(expectation()), dialog) << "check 2";
    scene.setChildren(scene.window, {});
    scene.fake->setAttribute(scene.window, "AXModal", true);
    EXPECT_EQ(guard->quickCheck(expectation()), dialog) << "check 3";
    // A window too busy to say is no window without a sheet.
    scene.fake->setAttribute(scene.window, "AXModal", false);
    scene.fake->setAttributeError(scene.window, "AXChildren", AXError::cannotComplete);
    const auto busy = guard->quickCheck(expectation());
    ASSERT_TRUE(busy.has_value()) << "check 4";
    EXPECT_EQ(busy->kind, StopReason::Kind::wordNotKeepingUp);
}

TEST_F(WordTargetGuardTest, WordTerminatedBeforeOrWithoutTheNotification) {
    auto guard = makeGuard();
    scene.fake->notifyTerminated(FakeWordScene::otherPid);
    EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt) << "another app quitting";
    EXPECT_FALSE(guard->isTerminated());

    scene.fake->notifyTerminated(FakeWordScene::wordPid);
    EXPECT_TRUE(guard->isTerminated());
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::wordTerminated());
    // Terminated stays terminated, even if a process with that id shows up again.
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::wordTerminated());
}

// Word can quit while the check makes its round trips; a key posted after them would go to a
// process that is gone.
TEST(WordTargetGuardTermination, WordQuittingDuringTheCheckStopsTheKey) {
    class QuittingWord : public FakeBackend {
    public:
        double secondsSinceLastEventType(EventSourceState state, std::uint32_t eventType) override {
            if (quitDuringCheck)
                removeRunningApp(FakeWordScene::wordPid);
            return FakeBackend::secondsSinceLastEventType(state, eventType);
        }
        std::atomic<bool> quitDuringCheck{false};
    };
    auto backend = std::make_shared<QuittingWord>();
    FakeWordScene scene(backend);
    auto guard = scene.sendingGuard();
    ASSERT_NE(guard, nullptr);
    EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt);
    backend->quitDuringCheck = true;
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::wordTerminated());
}

TEST_F(WordTargetGuardTest, RemovesItsTerminationObserver) {
    const auto before = scene.fake->observerCount();
    auto guard = makeGuard();
    EXPECT_EQ(scene.fake->observerCount(), before + 1);
    guard.reset();
    EXPECT_EQ(scene.fake->observerCount(), before);
    scene.fake->notifyTerminated(FakeWordScene::wordPid); // reaches nobody, harms nothing
}

TEST_F(WordTargetGuardTest, TheGraceAfterBeginSendingCoversOnlyOwnKeyEvents) {
    auto guard = WordTargetGuard::make(scene.fake, FakeWordScene::wordPid);
    ASSERT_NE(guard, nullptr);
    guard->beginSending(); // at 1000.0
    scene.fake->advanceUptime(0.3);

    // Keys sent to Word's process never reach the system's input: every key is the user's.
    scene.setInputAgo(keyDown, 0.25); // pressed at 1000.05
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::userActivity("在 Word 中按键"));

    guard->setOwnKeysReachSystemInput(true);
    EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt) << "may be one of ours";
    scene.setInputAgo(leftMouseDown, 0.25);
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::userActivity("在 Word 中鼠标点击"))
        << "a click is never ours";
    scene.setInputAgo(leftMouseDown, 100);
    scene.setInputAgo(keyDown, 0.1); // pressed at 1000.2, after the grace
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::userActivity("在 Word 中按键"));

    // A new sending run moves the baseline.
    guard->beginSending();
    EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt);

    guard->setDetectUserActivity(false);
    scene.fake->advanceUptime(1.0);
    scene.setInputAgo(keyDown, 0.0);
    EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt);
}

TEST_F(WordTargetGuardTest, BackgroundChecksPassAndMoveTheActivityReference) {
    auto guard = makeGuard(); // begins at 1000, now 1001
    ASSERT_TRUE(guard->allowBackground());
    scene.setFront(FakeWordScene::otherPid);
    // Neither the focus nor the user's typing elsewhere matters while Word is behind.
    scene.focus(scene.makeElement(u"AXButton", scene.window));
    scene.setInputAgo(keyDown, 0.5);
    EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt);
    EXPECT_EQ(guard->statistics().backgroundChecks, 1);

    // Dialog checks still run in the background.
    scene.focusWindow(scene.makeWindow("另存为", "AXDialog"));
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::dialogOpened("出现窗口「另存为」"));
    scene.focusWindow(scene.window);
    scene.focus(scene.body);
    EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt); // last background seen: 1001
    EXPECT_EQ(guard->statistics().backgroundChecks, 2);

    // Back to Word at 1002: the key press at 1000.5 predates the last background check, the
    // click at 1001.5 that brought Word forward does not.
    scene.fake->advanceUptime(1.0);
    scene.setFront(FakeWordScene::wordPid);
    scene.setInputAgo(keyDown, 1.5);
    scene.setInputAgo(leftMouseDown, 0.5);
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::userActivity("在 Word 中鼠标点击"));
}

TEST_F(WordTargetGuardTest, AdoptsTheFilledBodyAfterTheFirstCharacter) {
    // An empty document: the focused body is a scroll area.
    auto emptyBody = scene.makeScrollArea(scene.window);
    scene.focus(emptyBody);
    auto guard = makeGuard();
    EXPECT_EQ(guard->quickCheck(expectation(0, 0)), std::nullopt);

    // The first character turns it into a text area whose size the expectation does not
    // describe yet; the transition alone makes it the body.
    auto filled = scene.makeTextArea(scene.window, 40, 1);
    scene.focus(filled);
    EXPECT_EQ(guard->quickCheck(expectation(1, 1)), std::nullopt);
    // Now it is the body itself; going back to a scroll area is not a transition.
    scene.focus(scene.makeScrollArea(scene.window));
    EXPECT_EQ(guard->quickCheck(expectation(1, 1)),
              StopReason::focusLeftBody("焦点移到了 AXScrollArea"));
}

// The empty body in the bound window, or (focused at the start) in the other window that the
// filled text area then appears in: neither is the target's window.
TEST_F(WordTargetGuardTest, TheFilledBodyMustAppearInTheBoundWindow) {
    for (bool emptyBodyInBoundWindow : {true, false}) {
        FakeWordScene fresh;
        auto other = fresh.makeWindow("文档2", "AXStandardWindow");
        fresh.focus(fresh.makeScrollArea(emptyBodyInBoundWindow ? fresh.window : other));
        auto guard = WordTargetGuard::make(fresh.fake, FakeWordScene::wordPid);
        fresh.focus(fresh.makeTextArea(other, 1, 1));
        EXPECT_EQ(guard->quickCheck(expectation(1, 1)),
                  StopReason::focusLeftBody("焦点移到了 AXTextArea"));
    }
}

TEST_F(WordTargetGuardTest, TheCursorNeverGoesBackBehindWhereItWasSeen) {
    auto guard = makeGuard();
    // 5...9: four units sent and not read back yet. Then a click back into them.
    scene.setSelection(scene.body, 7, 0);
    EXPECT_EQ(guard->quickCheck(expectation(5, 9)), std::nullopt);
    scene.setSelection(scene.body, 6, 0);
    EXPECT_EQ(guard->quickCheck(expectation(5, 9)),
              StopReason::selectionChanged("光标位于 6，预期在 7…9"));
    // A new sending run knows no earlier cursor; an upper bound below the cursor seen is the
    // engine's own verified backspace.
    guard->beginSending();
    scene.setSelection(scene.body, 9, 0);
    EXPECT_EQ(guard->quickCheck(expectation(5, 9)), std::nullopt);
    scene.setSelection(scene.body, 8, 0);
    EXPECT_EQ(guard->quickCheck(expectation(5, 8)), std::nullopt);
}

// A backend whose focused-window query costs time, so checks have a measurable duration.
class SlowFakeBackend : public FakeBackend {
public:
    std::atomic<double> focusedWindowCost{0.0};

    AXResult axAttribute(const AXElementRef& element, std::string_view attribute) override {
        if (attribute == "AXFocusedWindow")
            advanceUptime(focusedWindowCost.load());
        return FakeBackend::axAttribute(element, attribute);
    }
    std::vector<AXResult> axMultipleAttributes(const AXElementRef& element,
                                               const std::vector<std::string>& names) override {
        if (std::find(names.begin(), names.end(), "AXFocusedWindow") != names.end())
            advanceUptime(focusedWindowCost.load());
        return FakeBackend::axMultipleAttributes(element, names);
    }
};

TEST(WordTargetGuardStatistics, CountSumAndMaximumOfCheckDurations) {
    auto slow = std::make_shared<SlowFakeBackend>();
    FakeWordScene scene(slow);
    auto guard = scene.sendingGuard();
    ASSERT_NE(guard, nullptr);

    for (double cost : {0.002, 0.010, 0.004}) {
        slow->focusedWindowCost = cost;
        EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt);
    }
    // A failing check is measured too.
    slow->focusedWindowCost = 0.001;
    scene.setSelection(scene.body, 5, 1);
    EXPECT_NE(guard->quickCheck(expectation()), std::nullopt);

    const auto stats = guard->statistics();
    EXPECT_EQ(stats.checkCount, 4);
    EXPECT_NEAR(stats.checkTotalSeconds, 0.002 + 0.010 + 0.004 + 0.001, 1e-9);
    EXPECT_NEAR(stats.checkMaxSeconds, 0.010, 1e-9);
    EXPECT_NEAR(stats.checkMeanSeconds(), 0.017 / 4, 1e-9);
    EXPECT_EQ(stats.backgroundChecks, 0);
}

// Run under ThreadSanitizer: the guard is checked on one thread while others change its
// settings, read its statistics and deliver Word's termination.
TEST(WordTargetGuardConcurrency, SettingsStatisticsAndTerminationFromOtherThreads) {
    FakeWordScene scene;
    auto guard = scene.sendingGuard();
    ASSERT_NE(guard, nullptr);
    std::atomic<bool> done{false};
    std::thread other([&] {
        int flips = 0;
        while (!done.load()) {
            guard->setAllowBackground(++flips % 2 == 0);
            guard->setActivityGraceSeconds(0.15);
            (void)guard->statistics();
            (void)guard->isTerminated();
        }
    });
    for (int i = 0; i < 300; ++i) {
        if (i == 200)
            scene.fake->notifyTerminated(FakeWordScene::wordPid);
        auto stop = guard->quickCheck(expectation());
        if (i >= 200) {
            EXPECT_EQ(stop, StopReason::wordTerminated());
        }
    }
    done = true;
    other.join();
    EXPECT_EQ(guard->statistics().checkCount, 300);
}

} // namespace
} // namespace plumeo
