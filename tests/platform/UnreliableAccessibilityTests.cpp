// The guard and the inspector against Accessibility as macOS really answers: errors instead of
// values, a Word too busy to answer, a focus on a split group, a body shown page by page.

#include "platform/ax/WordTargetGuard.h"
#include "tests/platform/FakeWordScene.h"
#include "tests/platform/StopReasonPrinting.h"

#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace plumeo {
namespace {

using testing::expectation;
using testing::FakeWordScene;

class UnreliableAccessibilityTest : public ::testing::Test {
protected:
    std::unique_ptr<WordTargetGuard> makeGuard() { return scene.sendingGuard(); }

    FakeWordScene scene;
};

TEST_F(UnreliableAccessibilityTest, ABusyWordIsAskedAgainAndAnUnresponsiveOneIsNotAMissingWindow) {
    auto guard = makeGuard();
    scene.fake->makeBusy(3, 0.05);
    EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt) << "busy for 0.15 s of a 0.5 s budget";

    scene.fake->makeBusy(1000, 0.1);
    EXPECT_EQ(guard->quickCheck(expectation()),
              StopReason::wordNotKeepingUp("Word 没有响应辅助功能查询"));

    scene.fake->makeBusy(0);
    scene.fake->setAttributeError(scene.app, "AXFocusedWindow", AXError::apiDisabled);
    EXPECT_EQ(guard->quickCheck(expectation()), StopReason::permissionLost("辅助功能权限已被关闭"));
}

TEST_F(UnreliableAccessibilityTest, TheBodyInsideAFocusedSplitGroupIsTheBody) {
    auto guard = makeGuard();
    auto group = scene.makeElement(u"AXSplitGroup", scene.window);
    scene.setChildren(group, {scene.fake->aliasOf(scene.body)});
    scene.focus(group);
    EXPECT_EQ(guard->quickCheck(expectation()), std::nullopt);
    scene.setSelection(scene.body, 9, 0);
    EXPECT_EQ(guard->quickCheck(expectation()),
              StopReason::selectionChanged("光标位于 9，预期在 5…7"));
}

// Runs `afterChildren` once, right after the next AXChildren answer.
struct ChangingChildrenBackend : testing::FakeBackend {
    AXResult axAttribute(const AXElementRef& element, std::string_view attribute) override {
        AXResult result = FakeBackend::axAttribute(element, attribute);
        if (attribute == "AXChildren" && afterChildren)
            std::exchange(afterChildren, nullptr)();
        return result;
    }
    std::function<void()> afterChildren;
};

// The first character replaces an empty body; with the last key still landing while the next
// one is checked, that may fall between two of the guard's questions.
TEST(BodyReplacedDuringACheck, TheFirstCharacterLandingMidCheckIsNoFocusChange) {
    auto backend = std::make_shared<ChangingChildrenBackend>();
    FakeWordScene scene(backend, 0, 0);
    const auto emptyBody = scene.makeScrollArea(scene.window);
    const auto group = scene.makeElement(u"AXSplitGroup", scene.window);
    scene.setChildren(group, {emptyBody});
    scene.focus(group);
    auto guard = scene.sendingGuard();
    ASSERT_EQ(guard->quickCheck({{0, 0}, {1, 1}}), std::nullopt);
    backend->afterChildren = [&] {
        scene.setChildren(group, {scene.makeTextArea(scene.window, 1, 1)});
        backend->destroyElement(emptyBody);
    };
    EXPECT_EQ(guard->quickCheck({{0, 1}, {1, 2}}), std::nullopt);
}

TEST_F(UnreliableAccessibilityTest, APageCountsFromWhereItStartsInTheDocument) {
    auto guard = makeGuard();
    // The body now shows units 100...110 of the document, with the cursor 5 into it.
    scene.fake->setAttribute(scene.body, "AXSharedCharacterRange", AXTextRange{100, 10});
    EXPECT_EQ(guard->quickCheck(expectation(105, 106)), std::nullopt);
    EXPECT_EQ(guard->quickCheck(expectation()),
              StopReason::selectionChanged("光标位于 105，预期在 5…7"));

    // Typing on into the next page moves the focus to that page's element.
    auto next = scene.makeTextArea(scene.window, 3, 1);
    scene.fake->setAttribute(next, "AXSharedCharacterRange", AXTextRange{110, 3});
    scene.focus(next);
    EXPECT_EQ(guard->quickCheck({{111, 112}, {114, 115}}), std::nullopt);
}

TEST_F(UnreliableAccessibilityTest, EveryElementQueriedCarriesItsOwnTimeout) {
    AXInspector ax(scene.fake, FakeWordScene::wordPid);
    const auto window = ax.focusedWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(scene.fake->messagingTimeout(*window), AXInspector::applicationTimeoutSeconds)
        << "elements do not inherit the application element's timeout";
    EXPECT_EQ(AXInspector::systemFocusedAppPID(*scene.fake), FakeWordScene::wordPid);
    EXPECT_EQ(scene.fake->globalMessagingTimeout(), AXInspector::applicationTimeoutSeconds);
}

} // namespace
} // namespace plumeo
