#include "platform/ax/AXInspector.h"
#include "tests/platform/FakeWordScene.h"

#include <gtest/gtest.h>
#include <limits>

namespace plumeo {
namespace {

using testing::FakeWordScene;

class AXInspectorTest : public ::testing::Test {
protected:
    FakeWordScene scene;
    AXInspector ax{scene.fake, FakeWordScene::wordPid};
};

TEST_F(AXInspectorTest, FocusInfoSnapshotsWindowAndElement) {
    scene.fake->setAttribute(scene.window, "AXModal", false);
    scene.setChildren(scene.window, {scene.makeElement(u"AXToolbar", scene.window),
                                     scene.makeElement(u"AXSheet", scene.window)});
    scene.fake->setAttribute(scene.body, "AXSubrole", u"AXContentArea");
    scene.fake->setAttribute(scene.body, "AXDescription", u"正文");

    AXInspector::FocusInfo expected;
    expected.windowTitle = "文档1";
    expected.windowRole = "AXWindow";
    expected.windowSubrole = "AXStandardWindow";
    expected.isModal = false;
    expected.hasSheet = true;
    expected.elementRole = "AXTextArea";
    expected.elementSubrole = "AXContentArea";
    expected.elementDescription = "正文";
    EXPECT_EQ(ax.focusInfo(), expected);
    EXPECT_EQ(scene.fake->messagingTimeout(scene.app), 0.25);

    // Without a focused element only the window half is filled; without a window, nothing.
    scene.fake->removeAttribute(scene.app, "AXFocusedUIElement");
    expected.elementRole = expected.elementSubrole = expected.elementDescription = "";
    EXPECT_EQ(ax.focusInfo(), expected);
    scene.fake->removeAttribute(scene.app, "AXFocusedWindow");
    EXPECT_EQ(ax.focusInfo(), std::nullopt);
}

TEST_F(AXInspectorTest, ValuesOfTheWrongTypeReadAsNothing) {
    auto element = scene.fake->makeElement();
    scene.fake->setAttribute(element, "AXRole", 3.0);
    scene.fake->setAttribute(element, "AXWindow", u"not an element");
    scene.fake->setAttribute(element, "AXModal", u"yes");
    scene.fake->setAttribute(element, "AXSelectedTextRange", 4.0);
    scene.fake->setAttribute(element, "AXChildren", scene.window);
    EXPECT_EQ(ax.role(element), "");
    EXPECT_EQ(ax.window(element), std::nullopt);
    EXPECT_EQ(ax.copyBool(element, "AXModal"), std::nullopt);
    EXPECT_EQ(ax.selectedRange(element), std::nullopt);
    EXPECT_EQ(ax.copyElementList(element, "AXChildren"), std::nullopt);
    EXPECT_EQ(ax.copyString(element, "AXTitle"), std::nullopt) << "missing";

    // A count must be a usable document length.
    for (double bad : {-1.0, std::numeric_limits<double>::quiet_NaN(), 1e12}) {
        scene.fake->setAttribute(element, "AXNumberOfCharacters", bad);
        EXPECT_EQ(ax.characterCount(element), std::nullopt) << bad;
    }
    scene.fake->setAttribute(element, "AXNumberOfCharacters", 12.0);
    EXPECT_EQ(ax.characterCount(element), 12);
}

TEST_F(AXInspectorTest, SameDocumentPageChecksRoleWindowLengthAndCursor) {
    // Story length counts the final paragraph mark: 12 characters are a story of 13.
    const TargetExpectation expect{{5, 7}, {11, 13}};
    auto page = scene.makeTextArea(scene.window, 12, 7);
    EXPECT_TRUE(ax.isSameDocumentPage(scene.window, page, expect));

    scene.fake->setAttribute(page, "AXNumberOfCharacters", 13.0);
    EXPECT_FALSE(ax.isSameDocumentPage(scene.window, page, expect)) << "story of 14";
    scene.fake->setAttribute(page, "AXNumberOfCharacters", 10.0);
    EXPECT_TRUE(ax.isSameDocumentPage(scene.window, page, expect)) << "story of 11";
    scene.fake->setAttribute(page, "AXNumberOfCharacters", 9.0);
    EXPECT_FALSE(ax.isSameDocumentPage(scene.window, page, expect)) << "story of 10";

    scene.fake->setAttribute(page, "AXNumberOfCharacters", 12.0);
    scene.setSelection(page, 6, 1);
    EXPECT_FALSE(ax.isSameDocumentPage(scene.window, page, expect)) << "non-empty selection";
    scene.setSelection(page, 8, 0);
    EXPECT_FALSE(ax.isSameDocumentPage(scene.window, page, expect)) << "cursor outside";
    scene.fake->removeAttribute(page, "AXSelectedTextRange");
    EXPECT_FALSE(ax.isSameDocumentPage(scene.window, page, expect)) << "no selection";

    auto scroll = scene.makeScrollArea(scene.window, 12);
    scene.setSelection(scroll, 5, 0);
    EXPECT_FALSE(ax.isSameDocumentPage(scene.window, scroll, expect)) << "not a text area";
    auto other = scene.makeTextArea(scene.makeWindow("文档2", "AXStandardWindow"), 12, 5);
    EXPECT_FALSE(ax.isSameDocumentPage(scene.window, other, expect)) << "another window";
}

} // namespace
} // namespace plumeo
