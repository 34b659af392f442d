// The script-side platform classes against a real simulator process: the handler libraries as
// built into the program, the runner, the bridge's parsing and error mapping, the cursor mover,
// the permission and input source services and the global hot keys, end to end.

#include "platform/backend/sim/SimBackend.h"
#include "platform/input/HotKeyCenter.h"
#include "platform/input/InputSourceController.h"
#include "platform/input/Permissions.h"
#include "platform/script/WordBridge.h"
#include "platform/script/WordCursorMover.h"
#include "tests/support/SimulatorFixture.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace plumeo {
namespace {

using testing::SimulatorFixture;

// CGEventFlags of the hardware keyboard.
constexpr std::uint64_t controlOptionCommand = 0x40000 | 0x80000 | 0x100000;

ReadError readErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const ReadError& error) {
        return error;
    }
    ADD_FAILURE() << "no ReadError";
    return ReadError::failed(0, "none");
}

class PlatformScriptSimTest : public SimulatorFixture {
protected:
    void SetUp() override {
        SimulatorFixture::SetUp();
        backend = std::make_shared<SimBackend>(simulator().socketPath());
        documentName = control().dump()["word"]["documents"][0]["name"].get<std::string>();
    }
    void TearDown() override {
        backend.reset();
        SimulatorFixture::TearDown();
    }

    std::shared_ptr<SimBackend> backend;
    std::string documentName;
};

TEST_F(PlatformScriptSimTest, BridgeReadsStateAndTextOfTheActiveDocument) {
    WordBridge bridge(backend);
    control().setDocumentText(documentName, u"第一段😀\rabc", 3);

    DocState state = bridge.state();
    EXPECT_EQ(state.documentName, documentName);
    EXPECT_EQ(state.documentID, documentName) << "never saved: known by name";
    EXPECT_EQ(state.selectionStart, 3);
    EXPECT_EQ(state.selectionEnd, 3);
    EXPECT_TRUE(state.inMainStory);
    EXPECT_FALSE(state.isProtected);

    // Script text keeps every length but not characters beyond the BMP.
    const std::u16string all = bridge.readAll();
    EXPECT_EQ(all.size(), std::u16string(u"第一段😀\rabc\r").size());
    EXPECT_EQ(all.substr(0, 3), u"第一段");
    EXPECT_EQ(bridge.read(6, 9), u"abc");

    control().setDocumentPath(documentName, "/Users/test/报告.docx");
    control().setSelection(documentName, 2, 5);
    control().setStoryType(documentName, 0x02300002);
    state = bridge.state();
    EXPECT_EQ(state.documentID, "/Users/test/报告.docx");
    EXPECT_EQ(state.selectionEnd, 5);
    EXPECT_FALSE(state.inMainStory);
}

TEST_F(PlatformScriptSimTest, BridgeEnvironmentAndAutocorrectOptions) {
    WordBridge bridge(backend);
    const std::string second = control().newDocument();
    const auto environment = bridge.environment();
    EXPECT_FALSE(environment.wordVersion.empty());
    EXPECT_EQ(environment.documentCount, 2);
    EXPECT_EQ(environment.documentNames.size(), 2u);
    EXPECT_NE(std::find(environment.documentNames.begin(), environment.documentNames.end(), second),
              environment.documentNames.end());

    const auto settings = bridge.autocorrectSettings();
    ASSERT_EQ(settings.size(), 11u);
    EXPECT_EQ(settings.front().first, "句首字母大写");
}

TEST_F(PlatformScriptSimTest, BridgeFailuresBecomeReadErrors) {
    WordBridge bridge(backend);
    bridge.setBoundDocumentID("不存在.docx");
    const ReadError missing = readErrorOf([&] { bridge.readAll(); });
    EXPECT_EQ(missing.kind(), ReadError::Kind::failed);
    EXPECT_EQ(missing.code(), -1728);

    // A modal dialog keeps Word from answering until the handler's own limit cuts it off.
    control().setScriptTimeScale(0.05);
    control().openDialog("Microsoft Word", std::nullopt);
    EXPECT_EQ(readErrorOf([&] { bridge.state(); }), ReadError::timeout());
    control().closeDialog();

    // A handler addressed to Word would start it again; ours look first.
    control().setScriptsLaunchWord(true);
    control().quitWord();
    EXPECT_EQ(readErrorOf([&] { bridge.state(); }), ReadError::wordNotRunning());
    EXPECT_EQ(readErrorOf([&] { bridge.readAll(); }), ReadError::wordNotRunning());
    WordCursorMover mover(backend);
    EXPECT_EQ(readErrorOf([&] { mover.moveInsertionPoint(documentName, 0); }),
              ReadError::wordNotRunning());
    EXPECT_FALSE(control().wordPid()) << "a read after Word quit started it again";
}

// Two open documents with the same file name in different folders: reads and cursor moves
// reach the one the session is bound to, never whichever Word finds first by name.
TEST_F(PlatformScriptSimTest, TheBoundDocumentIsFoundByItsPath) {
    const std::string second = control().newDocument(); // now in front
    control().saveDocumentAs(documentName, "/Users/a/报告.docx");
    control().saveDocumentAs(second, "/Users/b/报告.docx");
    control().setDocumentText("/Users/a/报告.docx", u"甲方文本", 2);
    control().setDocumentText("/Users/b/报告.docx", u"乙方文本", 1);

    WordBridge bridge(backend);
    EXPECT_EQ(bridge.state().documentID, "/Users/b/报告.docx");
    bridge.setBoundDocumentID("/Users/a/报告.docx");
    EXPECT_EQ(bridge.readAll(), u"甲方文本\r");
    EXPECT_EQ(bridge.read(0, 2), u"甲方");
    bridge.setBoundDocumentID("/Users/A/报告.docx");
    EXPECT_EQ(readErrorOf([&] { bridge.readAll(); }).code(), -1728) << "paths differ in case";

    WordCursorMover mover(backend);
    EXPECT_EQ(mover.moveInsertionPoint("/Users/a/报告.docx", 3), -1) << "not the active one";
    EXPECT_EQ(bridge.state().selectionStart, 1);
    EXPECT_EQ(mover.moveInsertionPoint("/Users/b/报告.docx", 3), 3);
    EXPECT_EQ(bridge.state().selectionStart, 3);
}

TEST_F(PlatformScriptSimTest, AutomationPermissionFollowsTheSystem) {
    EXPECT_EQ(Permissions::automation(*backend, ConsentPrompt::never), PermissionState::granted());
    control().setAutomation(-1743);
    EXPECT_EQ(Permissions::automation(*backend, ConsentPrompt::never), PermissionState::denied());

    control().quitWord();
    EXPECT_EQ(Permissions::automation(*backend, ConsentPrompt::never),
              PermissionState::unavailable("Word 未运行，无法检查"));
}

TEST_F(PlatformScriptSimTest, InputSourcesSwitchToAPlainLayoutAndBack) {
    InputSourceController controller(backend);
    const auto saved = controller.current();
    ASSERT_TRUE(saved.isInputMethod) << "the simulator starts on an input method";

    for (const auto& source : controller.enabledSources()) {
        EXPECT_EQ(source.id.find("CharacterPalette"), std::string::npos);
        EXPECT_EQ(source.id.find("PressAndHold"), std::string::npos);
    }
    const auto ascii = controller.firstASCIIKeyboardLayout();
    ASSERT_TRUE(ascii.has_value());
    ASSERT_TRUE(controller.select(ascii->id));
    EXPECT_EQ(controller.current().id, ascii->id);
    EXPECT_FALSE(controller.select("com.example.none"));
    EXPECT_EQ(controller.current().id, ascii->id);
    ASSERT_TRUE(controller.select(saved.id));
    EXPECT_EQ(controller.current(), saved);
}

TEST_F(PlatformScriptSimTest, HotKeysPressedOnTheKeyboardReachTheHandler) {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<HotKeyCenter::Action> actions;
    HotKeyCenter center(backend, [&](HotKeyCenter::Action action) {
        {
            std::lock_guard lock(mutex);
            actions.push_back(action);
        }
        arrived.notify_all();
    });
    ASSERT_TRUE(center.registerHotKeys());

    control().pressKey(35, controlOptionCommand);
    control().pressKey(35, controlOptionCommand);
    control().pressKey(47, controlOptionCommand);

    std::unique_lock lock(mutex);
    arrived.wait_for(lock, std::chrono::seconds(10), [&] { return actions.size() >= 3; });
    EXPECT_EQ(actions, (std::vector<HotKeyCenter::Action>{HotKeyCenter::Action::togglePause,
                                                          HotKeyCenter::Action::togglePause,
                                                          HotKeyCenter::Action::emergencyStop}));
}

} // namespace
} // namespace plumeo
