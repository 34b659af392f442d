// The Apple backend against a real TextEdit, on a Mac with the Accessibility and Automation
// grants (see the README). It checks what only the real system can answer: UTF-16 ranges
// with emoji through Accessibility, where keys posted to a process land, what posting does to
// the idle clock, Text Input Source calls hopped to the main thread, hot-key registration and
// the descriptors AppleScript hands back.

#include "core/text/Utf16.h"
#include "platform/backend/apple/AppleBackend.h"

#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>
#include <thread>

namespace plumeo {
namespace {

constexpr std::string_view textEditId = "com.apple.TextEdit";
constexpr std::uint32_t plmo = 0x504C4D4F;

constexpr const char* textEditScript = R"(on opendocument(t)
	tell application id "com.apple.TextEdit"
		activate
		set d to make new document with properties {text:t}
		return name of d
	end tell
end opendocument

on documenttext(n)
	tell application id "com.apple.TextEdit" to return text of document n
end documenttext

on closedocument(n)
	tell application id "com.apple.TextEdit" to close document n saving no
end closedocument

on probe(s, n)
	return {s, n + 1, true, "a😀b", 1.5, string}
end probe

on fail()
	error "boom" number 4242
end fail)";

class AppleLiveTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(backend.axIsProcessTrusted()) << "grant Accessibility to the test runner";
        auto compilation = backend.compileScript(textEditScript);
        ASSERT_EQ(compilation.status, ScriptCompilation::Status::compiled)
            << compilation.errorMessage.value_or("");
        script = std::move(compilation.script);
    }

    void TearDown() override {
        if (!documentName.empty()) {
            call("closedocument", {documentName});
        }
    }

    ScriptResult call(std::string_view handler, std::vector<ScriptParameter> parameters) {
        return backend.executeHandler(*script, handler, parameters);
    }

    /// Opens a TextEdit document holding `text`, in front; its name is kept for TearDown.
    std::int32_t openDocument(const std::u16string& text) {
        const auto opened = call("opendocument", {text});
        EXPECT_TRUE(opened.succeeded())
            << opened.errorMessage.value_or("") << " (grant Automation of TextEdit)";
        documentName = opened.descriptor ? opened.descriptor->stringValue().value_or(u"") : u"";
        const auto apps = backend.runningApplications(textEditId);
        EXPECT_EQ(apps.size(), 1u);
        const std::int32_t pid = apps.empty() ? 0 : apps.front().pid;
        waitUntilFrontmost(pid);
        return pid;
    }

    std::u16string documentText() {
        const auto text = call("documenttext", {documentName});
        return text.descriptor ? text.descriptor->stringValue().value_or(u"") : u"";
    }

    /// Turns the main run loop meanwhile: AppKit brings the running applications up to date
    /// only then.
    void waitUntilFrontmost(std::int32_t pid) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            const auto front = backend.frontmostApplication();
            if (front && front->pid == pid) {
                return;
            }
            CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.1, false);
        }
        FAIL() << "application " << pid << " did not come to the front";
    }

    void type(std::u16string_view text, KeyEventDestination destination) {
        for (const bool down : {true, false}) {
            KeyEventSpec spec{0, down, 0, std::u16string(text), plmo};
            const auto event = backend.createKeyboardEvent(spec);
            ASSERT_NE(event, nullptr);
            backend.postKeyboardEvent(*event, destination);
        }
    }

    AppleBackend backend;
    std::unique_ptr<CompiledScript> script;
    std::u16string documentName;
};

TEST_F(AppleLiveTest, AccessibilityReadsUtf16RangesAcrossEmoji) {
    const std::u16string text = u"前😀後 a👍🏽b";
    const std::int32_t pid = openDocument(text);
    const auto body =
        axElement(backend.axAttribute(backend.axApplicationElement(pid), "AXFocusedUIElement"));
    ASSERT_TRUE(body);
    EXPECT_EQ(axNumber(backend.axAttribute(*body, "AXNumberOfCharacters")),
              static_cast<double>(text.size()));
    // Ranges count UTF-16 units: the emoji are surrogate pairs, the skin tone a second pair.
    EXPECT_EQ(
        axString(backend.axParameterizedAttribute(*body, "AXStringForRange", AXTextRange{1, 2})),
        u"😀");
    EXPECT_EQ(
        axString(backend.axParameterizedAttribute(*body, "AXStringForRange", AXTextRange{6, 5})),
        u"👍🏽b");
    EXPECT_TRUE(axRange(backend.axAttribute(*body, "AXSelectedTextRange")));
    const auto several =
        backend.axMultipleAttributes(*body, {"AXRole", "AXNumberOfCharacters", "AXNoSuchThing"});
    ASSERT_EQ(several.size(), 3u);
    EXPECT_EQ(axString(several[0]), u"AXTextArea");
    EXPECT_EQ(axNumber(several[1]), static_cast<double>(text.size()));
    EXPECT_FALSE(several[2].ok());
    RecordProperty("unknownAttributeError", static_cast<int>(several[2].error));
    EXPECT_TRUE(backend.axIsSameElement(
        *body,
        *axElement(backend.axAttribute(backend.axApplicationElement(pid), "AXFocusedUIElement"))));
}

TEST_F(AppleLiveTest, KeysPostedToTheProcessLandInFrontAndAreAllOrNothingBehind) {
    const std::int32_t pid = openDocument(u"");
    type(u"x😀", KeyEventDestination::process(pid));
    backend.sleepMicroseconds(300'000);
    EXPECT_EQ(documentText(), u"x😀");

    ASSERT_TRUE(backend.openApplication("com.apple.finder"));
    const auto finder = backend.runningApplications("com.apple.finder");
    ASSERT_FALSE(finder.empty());
    backend.activateApplication(finder.front().pid);
    waitUntilFrontmost(finder.front().pid);
    type(u"y", KeyEventDestination::process(pid));
    backend.sleepMicroseconds(300'000);
    const std::u16string behind = documentText();
    // Whether a background TextEdit takes the key is what this reports; a partial or
    // misplaced key would be a fault.
    RecordProperty("keyTakenBehind", behind == u"x😀y" ? "yes" : "no");
    EXPECT_TRUE(behind == u"x😀" || behind == u"x😀y") << toUtf8(behind);
}

TEST_F(AppleLiveTest, ProcessRoutedKeysLeaveTheHidIdleClockRunning) {
    // The target guard reads the HID system state's idle time as the user's own activity, so
    // the keys it posts to Word's process must not restart that clock.
    const std::int32_t pid = openDocument(u"");
    const double before = backend.secondsSinceLastEventType(EventSourceState::hidSystemState, 10);
    type(u"p", KeyEventDestination::process(pid));
    const double afterProcessKey =
        backend.secondsSinceLastEventType(EventSourceState::hidSystemState, 10);
    EXPECT_GE(afterProcessKey, before);

    type(u"h", KeyEventDestination::hidTap());
    backend.sleepMicroseconds(300'000);
    EXPECT_EQ(documentText(), u"ph");
    RecordProperty("hidIdleAfterHidTapSeconds", std::to_string(backend.secondsSinceLastEventType(
                                                    EventSourceState::hidSystemState, 10)));
}

TEST_F(AppleLiveTest, InputSourceCallsHopToTheMainThreadWhileItsLoopTurns) {
    std::optional<InputSourceInfo> current;
    std::optional<std::vector<InputSourceInfo>> enabled;
    std::int32_t selected = -1;
    std::thread worker([&] {
        current = backend.currentKeyboardInputSource();
        enabled = backend.inputSourceList({std::nullopt, true, true, false});
        if (current) {
            selected = backend.selectInputSource(*current);
        }
        backend.stopMainLoop();
    });
    backend.runMainLoop();
    worker.join();
    ASSERT_TRUE(current && current->id);
    ASSERT_TRUE(enabled);
    bool listed = false;
    for (const auto& source : *enabled) {
        listed = listed || source.id == current->id;
    }
    EXPECT_TRUE(listed) << *current->id;
    EXPECT_EQ(selected, 0);
}

TEST_F(AppleLiveTest, AHopGivesUpWhenTheMainThreadWaitsForTheCaller) {
    bool ran = false;
    bool hopped = true;
    std::thread worker([&] { hopped = backend.runOnMainThread([&] { ran = true; }, 0.2); });
    worker.join(); // the main thread waits here and turns no run loop
    EXPECT_FALSE(hopped);
    // The abandoned block reaches the main thread later and must leave `ran` alone.
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.1, false);
    EXPECT_FALSE(ran);
}

TEST_F(AppleLiveTest, AnExclusiveHotKeyIsRefusedWhileHeld) {
    const auto handler = backend.installHotKeyHandler([](std::optional<HotKeyID>) { return 0; });
    ASSERT_TRUE(handler);
    const auto first = backend.registerHotKey(35, 0x1900, {plmo, 1}, HotKeyOwnership::exclusive);
    ASSERT_TRUE(first);
    const auto second = backend.registerHotKey(35, 0x1900, {plmo, 2}, HotKeyOwnership::exclusive);
    EXPECT_FALSE(second);
    backend.unregisterHotKey(*first);
    const auto again = backend.registerHotKey(35, 0x1900, {plmo, 1}, HotKeyOwnership::exclusive);
    EXPECT_TRUE(again);
    if (again) {
        backend.unregisterHotKey(*again);
    }
    backend.removeHotKeyHandler(*handler);
}

TEST_F(AppleLiveTest, ScriptDescriptorsAndErrorsArriveTyped) {
    const auto result = call("probe", {std::u16string(u"z😀"), std::int32_t{41}});
    ASSERT_TRUE(result.succeeded()) << result.errorMessage.value_or("");
    const ScriptDescriptor& list = *result.descriptor;
    ASSERT_EQ(list.numberOfItems(), 6);
    EXPECT_EQ(list.item(1)->stringValue(), u"z😀");
    EXPECT_EQ(list.item(2)->int32Value(), 42);
    EXPECT_EQ(list.item(3)->booleanValue(), true);
    EXPECT_EQ(list.item(4)->stringValue(), u"a😀b");
    EXPECT_EQ(list.item(5)->type, ScriptDescriptor::Type::other) << list.item(5)->descriptorType;
    EXPECT_EQ(list.item(5)->data.size(), sizeof(double));
    EXPECT_EQ(list.item(6)->enumCodeValue(), 0x54455854u); // 'TEXT', the class string

    const auto failed = call("fail", {});
    EXPECT_FALSE(failed.succeeded());
    EXPECT_EQ(failed.errorNumber, 4242);
    EXPECT_EQ(failed.errorMessage, "boom");

    const auto broken = backend.compileScript("on (");
    EXPECT_EQ(broken.status, ScriptCompilation::Status::notCompiled);
    EXPECT_TRUE(broken.errorMessage);
    EXPECT_TRUE(broken.errorNumber);
}

} // namespace
} // namespace plumeo

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
