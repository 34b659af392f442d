#include "sim/model/SimWorld.h"

#include <gtest/gtest.h>

using namespace plumeo::sim;

namespace {

class ManualClock : public SimClock {
public:
    double now() const override { return now_; }
    void advance(double seconds) { now_ += seconds; }

private:
    double now_ = 1000;
};

/// Hands out made-up pids and records which processes were stopped.
class FakeProcesses : public ProcessHost {
public:
    std::optional<int> startWordProcess() override { return nextPid++; }
    void stopProcess(int pid) override { stopped.push_back(pid); }
    bool hasExited(int pid) override {
        return std::find(stopped.begin(), stopped.end(), pid) != stopped.end();
    }

    int nextPid = 500;
    std::vector<int> stopped;
};

KeyEvent textKey(std::u16string text) {
    KeyEvent event;
    event.text = std::move(text);
    return event;
}

// What no whole session exercises: the user's own keyboard, Word dying from outside, hot keys,
// withdrawn permissions and input sources.
class SimWorldTest : public ::testing::Test {
protected:
    SimWorldTest() : world(SimConfig{.desktopPid = 1}, clock, processes) {
        world.launchWord();
        word = *world.wordPid();
        world.activate(word);
        docName = *world.newDocument();
        world.autoCorrect() = AutoCorrectOptions::allOff();
    }

    std::u16string story() { return world.document(docName)->story(); }
    bool typeToWord(std::u16string text) {
        return world.postKey(textKey(std::move(text)), SimWorld::Route::process, word);
    }

    ManualClock clock;
    FakeProcesses processes;
    SimWorld world;
    int word = 0;
    std::string docName;
};

} // namespace

TEST_F(SimWorldTest, OnlyTheUsersKeysAndClicksCountAsActivityAndHidKeysGoToTheFront) {
    clock.advance(5);
    const double idleBefore = world.secondsSinceLastEvent(10);
    typeToWord(u"x");
    EXPECT_EQ(world.secondsSinceLastEvent(10), idleBefore) << "a key posted to Word's process";
    world.pressKeyAsUser(textKey(u"y"));
    EXPECT_EQ(world.secondsSinceLastEvent(10), 0);
    EXPECT_GT(world.secondsSinceLastEvent(1), 1000) << "no click yet";
    world.clickInWordBody(0);
    EXPECT_EQ(world.secondsSinceLastEvent(1), 0);

    ASSERT_TRUE(world.registerClientApp({4242, "org.plumeo.canary", "金丝雀"}, "金丝雀窗口"));
    world.activate(4242);
    world.postKey(textKey(u"h"), SimWorld::Route::hidTap, 0);
    typeToWord(u"w");
    EXPECT_EQ(world.clientFieldText(4242), u"h");
    EXPECT_EQ(story(), u"wxy\r");
}

TEST_F(SimWorldTest, WordProcessDyingFromOutsideIsNoticed) {
    world.processExited(word + 1);
    EXPECT_TRUE(world.wordRunning()) << "another process";
    const auto before = world.lastEventSeq();
    world.processExited(word);
    EXPECT_FALSE(world.wordRunning());
    const auto events = world.eventsAfter(before);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, "terminated");
    EXPECT_EQ(events[0].pid, word);
    EXPECT_EQ(events[1].kind, "activated");
    EXPECT_FALSE(typeToWord(u"x"));
}

TEST_F(SimWorldTest, HotKeysCatchTheirCombinationBeforeAnyApplication) {
    ASSERT_TRUE(world.registerHotKey(35, 0x1900, 0x504C4D4F, 1));
    EXPECT_FALSE(world.registerHotKey(35, 0x1900, 0x504C4D4F, 7)) << "taken";
    const auto before = world.lastEventSeq();
    KeyEvent press;
    press.keyCode = 35;
    press.flags = controlFlag | optionFlag | commandFlag;
    world.pressKeyAsUser(press);
    press.flags = controlFlag | commandFlag;
    world.pressKeyAsUser(press);
    const auto events = world.eventsAfter(before);
    ASSERT_EQ(events.size(), 1u) << "other modifiers are no hot key";
    EXPECT_EQ(events[0].kind, "hotKey");
    EXPECT_EQ(events[0].hotKeyId, 1u);
    EXPECT_EQ(story(), u"\r");
}

TEST_F(SimWorldTest, WithdrawnPermissionsHideTheTreeAndDropPostedKeys) {
    world.permissions().postEvents = false;
    EXPECT_FALSE(typeToWord(u"x"));
    world.pressKeyAsUser(textKey(u"u"));
    EXPECT_EQ(story(), u"u\r") << "the user's own keyboard needs no permission";

    world.permissions().accessibility = false;
    EXPECT_FALSE(world.attribute(world.applicationElement(word), "AXFocusedUIElement"));
    EXPECT_FALSE(world.attribute(SimWorld::systemWideId, "AXFocusedApplication"));
}

TEST_F(SimWorldTest, InputSourcesSelectOnlyEnabledOnes) {
    EXPECT_EQ(world.currentInputSource()->id, "com.apple.inputmethod.SCIM.ITABC");
    EXPECT_FALSE(world.selectInputSource("com.apple.keylayout.US")) << "not enabled";
    EXPECT_TRUE(world.selectInputSource("com.apple.keylayout.ABC"));
    EXPECT_EQ(world.currentInputSource()->type, "TISTypeKeyboardLayout");
}
