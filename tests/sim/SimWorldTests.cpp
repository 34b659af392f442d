#include "sim/model/ScriptLibrary.h"
#include "sim/model/SimWorld.h"

#include <fstream>
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
    std::optional<int> startWordProcess() override {
        if (failStart) {
            return std::nullopt;
        }
        return nextPid++;
    }
    void stopProcess(int pid) override { stopped.push_back(pid); }
    bool hasExited(int pid) override {
        return std::find(stopped.begin(), stopped.end(), pid) != stopped.end();
    }

    int nextPid = 500;
    bool failStart = false;
    std::vector<int> stopped;
};

KeyEvent textKey(std::u16string text) {
    KeyEvent event;
    event.text = std::move(text);
    return event;
}

KeyEvent codeKey(std::uint16_t code, std::uint64_t flags = 0) {
    KeyEvent event;
    event.keyCode = code;
    event.flags = flags;
    return event;
}

template <typename T> T as(const std::optional<AXAnswer>& answer) {
    EXPECT_TRUE(answer.has_value());
    if (!answer || !std::holds_alternative<T>(*answer)) {
        ADD_FAILURE() << "answer of another type";
        return T{};
    }
    return std::get<T>(*answer);
}

class SimWorldTest : public ::testing::Test {
protected:
    SimWorldTest() : world(SimConfig{.desktopPid = 1}, clock, processes) {
        world.launchWord();
        word = *world.wordPid();
        world.activate(word);
        docName = *world.newDocument();
    }

    ElementId focusedElement() {
        return as<ElementId>(world.attribute(world.applicationElement(word), "AXFocusedUIElement"));
    }
    std::u16string role(ElementId element) {
        return as<std::u16string>(world.attribute(element, "AXRole"));
    }
    std::u16string story() { return world.document(docName)->story(); }
    void type(std::u16string_view text) {
        for (char16_t unit : text) {
            world.postKey(textKey(std::u16string(1, unit)), SimWorld::Route::process, word);
        }
    }
    ScriptOutcome run(std::string_view handler, std::vector<std::u16string> strings = {},
                      std::vector<std::int64_t> ints = {}) {
        return world.runHandler(handler, strings, ints);
    }

    ManualClock clock;
    FakeProcesses processes;
    SimWorld world;
    int word = 0;
    std::string docName;
};

} // namespace

TEST_F(SimWorldTest, WordAbsorbsQueuedKeysAtItsRateAfterItsLatency) {
    world.autoCorrect() = AutoCorrectOptions::allOff();
    world.config().wordEventsPerSecond = 100;
    world.config().wordLatencySeconds = 0.2;
    type(u"abcdefghij");
    EXPECT_EQ(story(), u"\r");
    EXPECT_EQ(world.pendingWordEvents(), 10u);

    clock.advance(0.2);
    world.advance();
    EXPECT_EQ(story(), u"a\r");
    clock.advance(0.045);
    world.advance();
    EXPECT_EQ(story(), u"abcde\r") << "one key per 10 ms after the first";
    clock.advance(1);
    world.advance();
    EXPECT_EQ(story(), u"abcdefghij\r");
    EXPECT_EQ(world.pendingWordEvents(), 0u);
}

TEST_F(SimWorldTest, NewTimingReschedulesWhatWordHasNotTakenInOrder) {
    world.autoCorrect() = AutoCorrectOptions::allOff();
    world.setWordTiming(0, 60);
    type(u"ab");
    clock.advance(1);
    type(u"c");
    EXPECT_EQ(story(), u"\r");
    world.setWordTiming(10, 0);
    EXPECT_EQ(story(), u"a\r") << "the first at once, the rest 100 ms apart";
    clock.advance(0.2);
    world.advance();
    EXPECT_EQ(story(), u"abc\r");
}

TEST_F(SimWorldTest, KeyCodesMapToWordsCharacters) {
    world.autoCorrect() = AutoCorrectOptions::allOff();
    type(u"a");
    world.postKey(codeKey(36), SimWorld::Route::process, word);
    world.postKey(codeKey(36, shiftFlag), SimWorld::Route::process, word);
    world.postKey(codeKey(48), SimWorld::Route::process, word);
    world.postKey(textKey(u"\U0001F600"), SimWorld::Route::process, word);
    EXPECT_EQ(story(), u"a\r\v\t\U0001F600\r");
    world.postKey(codeKey(51), SimWorld::Route::process, word);
    EXPECT_EQ(story(), u"a\r\v\t\r") << "one Delete removes the whole emoji";

    KeyEvent up = textKey(u"z");
    up.keyDown = false;
    world.postKey(up, SimWorld::Route::process, word);
    world.postKey(textKey(u"c"), SimWorld::Route::process, word);
    KeyEvent command = textKey(u"v");
    command.flags = commandFlag;
    world.postKey(command, SimWorld::Route::process, word);
    EXPECT_EQ(story(), u"a\r\v\tc\r") << "key-ups and command shortcuts type nothing";
}

TEST_F(SimWorldTest, OnlyHidEventsCountAsUserActivity) {
    clock.advance(5);
    const double idleBefore = world.secondsSinceLastEvent(10);
    type(u"x");
    EXPECT_EQ(world.secondsSinceLastEvent(10), idleBefore);

    world.postKey(textKey(u"y"), SimWorld::Route::hidTap, 0);
    EXPECT_EQ(world.secondsSinceLastEvent(10), 0);
    clock.advance(0.5);
    EXPECT_DOUBLE_EQ(world.secondsSinceLastEvent(10), 0.5);
    EXPECT_GT(world.secondsSinceLastEvent(1), 1000) << "no click yet";

    world.clickInWordBody(0);
    EXPECT_EQ(world.secondsSinceLastEvent(1), 0);
    EXPECT_EQ(world.document(docName)->selectionStart(), 0);
}

TEST_F(SimWorldTest, EmptyBodyIsAScrollAreaReplacedByATextAreaInTheSameWindow) {
    const ElementId empty = focusedElement();
    EXPECT_EQ(role(empty), u"AXScrollArea");
    EXPECT_EQ(as<double>(world.attribute(empty, "AXNumberOfCharacters")), 0);
    EXPECT_FALSE(world.attribute(empty, "AXSelectedTextRange"));
    const ElementId window = as<ElementId>(world.attribute(empty, "AXWindow"));

    type(u"A");
    const ElementId filled = focusedElement();
    EXPECT_NE(filled, empty);
    EXPECT_EQ(role(filled), u"AXTextArea");
    EXPECT_EQ(as<ElementId>(world.attribute(filled, "AXWindow")), window);
    EXPECT_EQ(as<double>(world.attribute(filled, "AXNumberOfCharacters")), 1);
    EXPECT_EQ(as<AXRange>(world.attribute(filled, "AXSelectedTextRange")), (AXRange{1, 0}));
    EXPECT_FALSE(world.attribute(empty, "AXRole")) << "the old element is gone";

    world.postKey(codeKey(51), SimWorld::Route::process, word);
    EXPECT_EQ(role(focusedElement()), u"AXScrollArea");
    EXPECT_NE(focusedElement(), empty);
}

TEST_F(SimWorldTest, BodyIsRecreatedEveryConfiguredNumberOfCharacters) {
    world.autoCorrect() = AutoCorrectOptions::allOff();
    world.config().bodyRecreateEveryChars = 3;
    type(u"ab");
    const ElementId first = focusedElement();
    type(u"c");
    const ElementId second = focusedElement();
    type(u"de");
    EXPECT_NE(first, second);
    EXPECT_EQ(focusedElement(), second);
    type(u"f");
    EXPECT_NE(focusedElement(), second);
}

TEST_F(SimWorldTest, BodyTextReadsFaithfullyWithLineFeedsOnlyInFront) {
    world.document(docName)->setContent(u"a\U0001F600\rb", 5);
    world.refreshBody(docName);
    const ElementId body = focusedElement();
    EXPECT_EQ(as<std::u16string>(world.parameterizedAttribute(body, "AXStringForRange", {0, 5})),
              u"a\U0001F600\nb");
    EXPECT_FALSE(world.parameterizedAttribute(body, "AXStringForRange", {0, 6}))
        << "the final mark is not part of the accessible text";

    world.activate(1);
    EXPECT_FALSE(world.attribute(body, "AXNumberOfCharacters"));
    EXPECT_FALSE(world.parameterizedAttribute(body, "AXStringForRange", {0, 1}));
    EXPECT_TRUE(world.attribute(body, "AXSelectedTextRange"));
    world.config().axTextInBackground = true;
    EXPECT_EQ(as<double>(world.attribute(body, "AXNumberOfCharacters")), 5);

    world.permissions().accessibility = false;
    EXPECT_FALSE(world.attribute(body, "AXRole"));
    EXPECT_FALSE(world.attribute(SimWorld::systemWideId, "AXFocusedApplication"));
    EXPECT_TRUE(world.attributeNames(body).empty());
}

TEST_F(SimWorldTest, SystemWideFocusFollowsTheFrontmostApplication) {
    EXPECT_EQ(as<ElementId>(world.attribute(SimWorld::systemWideId, "AXFocusedApplication")),
              world.applicationElement(word));
    ASSERT_TRUE(world.registerClientApp({4242, "org.plumeo.canary", "金丝雀"}, "金丝雀窗口"));
    world.activate(4242);
    const ElementId focusedApp =
        as<ElementId>(world.attribute(SimWorld::systemWideId, "AXFocusedApplication"));
    EXPECT_EQ(world.elementPid(focusedApp), 4242);
    EXPECT_EQ(world.frontmost()->bundleId, "org.plumeo.canary");
}

TEST_F(SimWorldTest, HidKeysGoToTheFrontmostFieldButProcessKeysStillReachWord) {
    world.autoCorrect() = AutoCorrectOptions::allOff();
    world.registerClientApp({4242, "org.plumeo.canary", "金丝雀"}, "金丝雀窗口");
    world.activate(4242);
    world.postKey(textKey(u"h"), SimWorld::Route::hidTap, 0);
    type(u"w");
    EXPECT_EQ(world.clientFieldText(4242), u"h");
    EXPECT_EQ(story(), u"w\r");

    world.activate(word);
    world.postKey(textKey(u"x"), SimWorld::Route::hidTap, 0);
    EXPECT_EQ(story(), u"wx\r");
    EXPECT_EQ(world.clientFieldText(4242), u"h");
}

TEST_F(SimWorldTest, ModalDialogTakesKeysAndBlocksScriptsUntilItGivesUp) {
    const int dialog = world.openDialog("提示", 4.0);
    const auto window =
        as<ElementId>(world.attribute(world.applicationElement(word), "AXFocusedWindow"));
    EXPECT_EQ(as<std::u16string>(world.attribute(window, "AXSubrole")), u"AXDialog");
    EXPECT_TRUE(as<bool>(world.attribute(window, "AXModal")));

    type(u"x");
    EXPECT_EQ(story(), u"\r") << "the key went to the dialog";
    EXPECT_TRUE(run("docstate").wordBusy);
    EXPECT_FALSE(world.dialogOutcome(dialog));

    clock.advance(4);
    world.advance();
    EXPECT_EQ(world.dialogOutcome(dialog), "gave up");
    EXPECT_FALSE(run("docstate").wordBusy);
    EXPECT_FALSE(world.attribute(window, "AXRole"));

    const int second = world.openDialog("提示", std::nullopt);
    world.closeDialog("好");
    EXPECT_EQ(world.dialogOutcome(second), "按钮：好");
}

TEST_F(SimWorldTest, SheetShowsAsAWindowChildAndTakesTheKeys) {
    ASSERT_TRUE(world.openSheet("存储"));
    const auto window =
        as<ElementId>(world.attribute(world.applicationElement(word), "AXFocusedWindow"));
    const auto children = as<ElementList>(world.attribute(window, "AXChildren"));
    bool hasSheet = false;
    for (ElementId child : children.ids) {
        hasSheet = hasSheet || role(child) == u"AXSheet";
    }
    EXPECT_TRUE(hasSheet);
    EXPECT_EQ(role(focusedElement()), u"AXButton");
    type(u"x");
    EXPECT_EQ(story(), u"\r");
    EXPECT_FALSE(run("docstate").wordBusy) << "a sheet does not block scripts";
    world.closeSheet();
    EXPECT_EQ(role(focusedElement()), u"AXScrollArea");
}

TEST_F(SimWorldTest, DocstateReportsTheActiveDocumentsFields) {
    world.document(docName)->setContent(u"abc", 1);
    world.document(docName)->setSelection(1, 2);
    world.document(docName)->setPosixPath("/tmp/a.docx");
    const auto state = run("docstate");
    ASSERT_TRUE(state.value);
    const auto& items = state.value->items;
    ASSERT_EQ(items.size(), 8u);
    EXPECT_EQ(items[0].number, 1);
    EXPECT_EQ(items[1].text, u"文档1");
    EXPECT_EQ(items[2].text, u"/tmp/a.docx");
    EXPECT_EQ(items[3].number, 1);
    EXPECT_EQ(items[4].number, 2);
    EXPECT_EQ(items[5].type, ScriptValue::Type::enumeration);
    EXPECT_EQ(items[5].number, mainTextStory);
    EXPECT_EQ(items[7].number, noProtection);

    world.closeDocument(docName);
    const auto none = run("docstate");
    ASSERT_TRUE(none.value);
    ASSERT_EQ(none.value->items.size(), 1u);
    EXPECT_EQ(none.value->items[0].number, 0);
}

TEST_F(SimWorldTest, ContentReadsUseThePlaceholderFormAndClampRanges) {
    world.document(docName)->setContent(u"a\U0001F600b", 0);
    EXPECT_EQ(run("readall", {u""}).value->text, u"a12b\r");
    EXPECT_EQ(run("readrange", {u""}, {1, 3}).value->text, u"12");
    EXPECT_EQ(run("readrange", {u""}, {3, 99}).value->text, u"b\r");
    EXPECT_EQ(run("rawall", {u"文档1"}).value->text, u"a12b\r");
    EXPECT_EQ(run("charat", {u"文档1"}, {3}).value->text, u"2");
    EXPECT_EQ(run("readall", {u"没有"}).errorNumber, -1728);
    EXPECT_EQ(run("charat", {u"文档1"}, {9}).errorNumber, -1728);
}

TEST_F(SimWorldTest, PlacecursorMovesOnlyInTheNamedActiveDocument) {
    world.document(docName)->setContent(u"hello", 0);
    EXPECT_EQ(run("placecursor", {u"文档1"}, {3}).value->number, 3);
    EXPECT_EQ(world.document(docName)->selectionStart(), 3);
    const std::string other = *world.newDocument();
    EXPECT_EQ(run("placecursor", {u"文档1"}, {1}).value->number, -1);
    EXPECT_EQ(world.document(docName)->selectionStart(), 3);
    EXPECT_EQ(other, "文档2");
    EXPECT_EQ(world.documentNames(), (std::vector<std::string>{"文档2", "文档1"}));
}

TEST_F(SimWorldTest, FixtureHandlersDriveDocumentsProtectionAndRevisions) {
    const auto created = run("newdoc");
    EXPECT_EQ(created.value->text, u"文档2");
    EXPECT_EQ(run("listdocs").value->items.size(), 2u);
    run("activatedoc", {u"文档1"});
    EXPECT_EQ(world.activeDocument()->name(), "文档1");
    run("protectdoc", {u"文档1"});
    EXPECT_TRUE(world.document("文档1")->isProtected());
    type(u"x");
    EXPECT_EQ(story(), u"\r");
    run("unprotectdoc", {u"文档1"});
    run("setrevisions", {u"文档1"}, {1});
    type(u"ab");
    EXPECT_EQ(run("revcount", {u"文档1"}).value->number, 1);
    run("closedoc", {u"文档2"});
    EXPECT_EQ(run("unsaveddocs").value->items.size(), 1u);
    EXPECT_TRUE(run("showdialog", {}, {2}).waitingForDialog.has_value());
    EXPECT_EQ(run("docstate").errorNumber, 0);
    EXPECT_TRUE(run("docstate").wordBusy);
}

TEST_F(SimWorldTest, ScriptErrorsForMissingWordPermissionAndUnknownHandlers) {
    world.permissions().automation = -1743;
    EXPECT_EQ(run("docstate").errorNumber, -1743);
    world.permissions().automation = -1744;
    EXPECT_EQ(run("docstate").errorNumber, -1744);
    world.permissions().automation = 0;
    EXPECT_EQ(run("nosuch").errorNumber, -1708);
    EXPECT_EQ(run("readrange", {u""}, {1}).errorNumber, -1721);

    world.quitWord();
    EXPECT_EQ(run("docstate").errorNumber, -600);
    EXPECT_EQ(world.automationStatus(), -600);
}

TEST_F(SimWorldTest, QuittingWordStopsItsProcessAndNotifies) {
    const auto before = world.lastEventSeq();
    world.postKey(textKey(u"q"), SimWorld::Route::process, word);
    ASSERT_TRUE(run("quitword").value);
    EXPECT_EQ(processes.stopped, std::vector<int>{word});
    EXPECT_FALSE(world.wordRunning());
    EXPECT_TRUE(world.runningApps(wordBundleId).empty());
    EXPECT_EQ(world.frontmost()->pid, 1);
    EXPECT_FALSE(world.attribute(world.applicationElement(word), "AXFocusedWindow"));

    const auto events = world.eventsAfter(before);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, "terminated");
    EXPECT_EQ(events[0].pid, word);
    EXPECT_EQ(events[1].kind, "activated");
    EXPECT_FALSE(world.postKey(textKey(u"x"), SimWorld::Route::process, word));

    ASSERT_TRUE(world.openApp(wordBundleId));
    EXPECT_NE(*world.wordPid(), word);
    EXPECT_TRUE(world.documentNames().empty());
}

TEST_F(SimWorldTest, WordProcessDyingFromOutsideIsNoticed) {
    world.processExited(word + 1);
    EXPECT_TRUE(world.wordRunning()) << "another process";
    world.processExited(word);
    EXPECT_FALSE(world.wordRunning());
    EXPECT_EQ(world.eventsAfter(0).back().kind, "activated");
}

TEST_F(SimWorldTest, HotKeysCatchTheirCombinationBeforeAnyApplication) {
    const auto ref = world.registerHotKey(35, 0x1900, 0x504C4D4F, 1);
    ASSERT_TRUE(ref);
    EXPECT_FALSE(world.registerHotKey(35, 0x1900, 0x504C4D4F, 7)) << "taken";
    world.reserveHotKey(47, 0x1900);
    EXPECT_FALSE(world.registerHotKey(47, 0x1900, 0x504C4D4F, 2));

    const auto before = world.lastEventSeq();
    world.pressKeyAsUser(codeKey(35, controlFlag | optionFlag | commandFlag));
    auto events = world.eventsAfter(before);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, "hotKey");
    EXPECT_EQ(events[0].signature, 0x504C4D4Fu);
    EXPECT_EQ(events[0].hotKeyId, 1u);
    EXPECT_EQ(story(), u"\r");

    world.postKey(codeKey(35, controlFlag | commandFlag), SimWorld::Route::hidTap, 0);
    EXPECT_EQ(world.eventsAfter(before).size(), 1u) << "other modifiers are no hot key";
    world.unregisterHotKey(*ref);
    EXPECT_TRUE(world.registerHotKey(35, 0x1900, 0x504C4D4F, 1));
}

TEST_F(SimWorldTest, WithoutPostingPermissionEventsAreDropped) {
    world.permissions().postEvents = false;
    EXPECT_FALSE(world.postKey(textKey(u"x"), SimWorld::Route::process, word));
    EXPECT_EQ(story(), u"\r");
    world.pressKeyAsUser(textKey(u"u"));
    EXPECT_EQ(story(), u"u\r") << "the user's own keyboard needs no permission";
}

TEST_F(SimWorldTest, InputSourcesSelectOnlyEnabledOnes) {
    EXPECT_EQ(world.currentInputSource()->id, "com.apple.inputmethod.SCIM.ITABC");
    EXPECT_FALSE(world.selectInputSource("com.apple.keylayout.US")) << "not enabled";
    EXPECT_FALSE(world.selectInputSource("nope"));
    EXPECT_TRUE(world.selectInputSource("com.apple.keylayout.ABC"));
    EXPECT_EQ(world.currentInputSource()->type, "TISTypeKeyboardLayout");
}

TEST(ScriptLibraryScan, FindsTopLevelHandlersAndRejectsUnclosedOnes) {
    const auto scan = scanLibrary("-- lib\non docstate()\n\twith timeout of 3 seconds\n"
                                  "\t\ttry\n\t\ton error\n\t\tend try\n\tend timeout\n"
                                  "end docstate\n\nON ReadRange(docName, a, b)\nend readrange\n");
    ASSERT_TRUE(scan.compiled) << scan.errorMessage;
    EXPECT_EQ(scan.handlers, (std::vector<std::string>{"docstate", "readrange"}));
    EXPECT_TRUE(scan.declares("DocState"));
    EXPECT_FALSE(scan.declares("readall"));

    EXPECT_FALSE(scanLibrary("on docstate()\n\treturn 1\n").compiled);
    EXPECT_FALSE(scanLibrary("end docstate\n").compiled);
    EXPECT_EQ(handlerTimeLimitSeconds("readall"), 5);
    EXPECT_EQ(handlerTimeLimitSeconds("docstate"), 3);
}

TEST(ScriptLibraryScan, AcceptsTheProgramsOwnHandlerLibraries) {
    const std::pair<const char*, std::vector<std::string>> libraries[] = {
        {"WordHandlers.applescript",
         {"docstate", "readrange", "readall", "environment", "autosettings", "targetdocument"}},
        {"PlaceCursor.applescript", {"placecursor"}},
    };
    for (const auto& [file, handlers] : libraries) {
        std::ifstream in(std::string(PLUMEO_SOURCE_DIR) + "/mac/script/" + file);
        if (!in) {
            GTEST_SKIP() << file << " is not there";
        }
        const std::string source((std::istreambuf_iterator<char>(in)), {});
        const auto scan = scanLibrary(source);
        ASSERT_TRUE(scan.compiled) << file << ": " << scan.errorMessage;
        EXPECT_EQ(scan.handlers, handlers) << file;
    }
}
