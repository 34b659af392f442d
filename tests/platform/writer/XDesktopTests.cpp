// The X side of the Writer backend against a virtual display of its own (Xvfb and openbox),
// with windows of the test's own standing in for Writer's.

#include <gtest/gtest.h>

// After GoogleTest: Xlib's macros (None, Bool, Status) would rewrite its names.
#include "platform/backend/writer/WriterBackend.h"
#include "platform/backend/writer/XDisplaySession.h"
#include "tests/platform/writer/XTestWindow.h"

#include <X11/keysym.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace plumeo {
namespace {

using namespace std::chrono_literals;
using xtest::XTestWindow;

class XDesktopTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!programOnPath("Xvfb") || !programOnPath("openbox"))
            return;
        XDisplaySession::Options options;
        options.forceVirtual = true;
        session_ = std::make_unique<XDisplaySession>(options);
    }
    static void TearDownTestSuite() { session_.reset(); }

    void SetUp() override {
        if (!session_)
            GTEST_SKIP() << "Xvfb or openbox is not installed";
        desktop_ = std::make_unique<XDesktop>(session_->display());
    }

    /// Activates `window` and waits until it holds the keyboard focus.
    bool focus(Window window) {
        for (int i = 0; i < 200; ++i) {
            if (desktop_->focusedTopLevel() == window && desktop_->activeWindow() == window)
                return true;
            desktop_->requestActivation(window);
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    static std::unique_ptr<XDisplaySession> session_;
    std::unique_ptr<XDesktop> desktop_;
};

std::unique_ptr<XDisplaySession> XDesktopTest::session_;

// XTest types into whatever has the focus: events addressed to one process must not land in
// another's window. And Plumeo's own events are never taken for the user's.
TEST_F(XDesktopTest, KeyEventsReachOnlyTheAddressedProcessAndAreNotTheUsers) {
    XTestWindow window(session_->display(), 0ms);
    ASSERT_TRUE(focus(window.id()));
    WriterBackend backend(session_->display(), nullptr);
    const auto post = [&](std::int32_t pid, std::u16string text) {
        KeyEventSpec spec;
        spec.unicode = std::move(text);
        auto down = backend.createKeyboardEvent(spec);
        spec.keyDown = false;
        auto up = backend.createKeyboardEvent(spec);
        backend.postKeyboardEvent(*down, KeyEventDestination::process(pid));
        backend.postKeyboardEvent(*up, KeyEventDestination::process(pid));
    };
    post(getpid() + 1, u"x");
    post(getpid(), u"a");
    EXPECT_EQ(window.waitFor(1), U"a");
    EXPECT_EQ(backend.droppedKeyEvents(), 2u);

    std::this_thread::sleep_for(200ms);
    EXPECT_GT(backend.secondsSinceLastEventType(EventSourceState::hidSystemState, 10), 1000.0)
        << "XTest's key presses are Plumeo's, not the user's";
    EXPECT_LT(backend.secondsSinceLastEventType(EventSourceState::privateState, 10), 5.0);
}

// The engine keeps a key down while it checks the next one, which can take long when the office
// is busy; X would repeat a key held past its delay. No key may stay down at the server.
TEST_F(XDesktopTest, AKeyDownLeavesNoKeyHeldAtTheServer) {
    XTestWindow window(session_->display(), 0ms);
    ASSERT_TRUE(focus(window.id()));
    WriterBackend backend(session_->display(), nullptr);
    KeyEventSpec spec;
    spec.virtualKey = 0x24; // Return
    spec.keyDown = true;
    backend.postKeyboardEvent(*backend.createKeyboardEvent(spec), KeyEventDestination::process(getpid()));
    std::this_thread::sleep_for(200ms);

    Display* display = XOpenDisplay(session_->display().c_str());
    ASSERT_NE(display, nullptr);
    char keys[32] = {};
    XQueryKeymap(display, keys);
    const KeyCode returnKey = XKeysymToKeycode(display, XK_Return);
    XCloseDisplay(display);
    EXPECT_FALSE(keys[returnKey / 8] & (1 << (returnKey % 8))) << "Return is still held down";
}

// A modal dialog of the document window is seen as Word's dialogs are, and activation is
// confirmed by reading the focus back.
TEST_F(XDesktopTest, DialogsAndActivationAsTheGuardReadsThem) {
    XTestWindow document(session_->display(), 0ms);
    ASSERT_TRUE(focus(document.id()));
    WriterBackend backend(session_->display(), nullptr);
    const auto app = backend.axApplicationElement(getpid());
    auto window = axElement(backend.axAttribute(app, "AXFocusedWindow"));
    ASSERT_TRUE(window);
    EXPECT_EQ(axString(backend.axAttribute(*window, "AXSubrole")), u"AXStandardWindow");
    EXPECT_EQ(backend.frontmostApplication()->pid, getpid());

    XTestWindow dialog(session_->display(), 0ms, true, document.id());
    ASSERT_TRUE(focus(dialog.id()));
    auto focused = axElement(backend.axAttribute(app, "AXFocusedWindow"));
    ASSERT_TRUE(focused);
    EXPECT_FALSE(backend.axIsSameElement(*focused, *window));
    EXPECT_EQ(axString(backend.axAttribute(*focused, "AXSubrole")), u"AXDialog");
    EXPECT_EQ(axBool(backend.axAttribute(*focused, "AXModal")), true);
    const auto children = axElementList(backend.axAttribute(*window, "AXChildren"));
    ASSERT_TRUE(children && children->size() == 1);
    EXPECT_EQ(axString(backend.axAttribute(children->front(), "AXRole")), u"AXSheet");

    EXPECT_TRUE(backend.activateApplication(getpid()));
    EXPECT_FALSE(backend.activateApplication(getpid() + 100000)) << "no window to activate";
}

namespace {
/// An office whose one handler keeps its call open as a dialog does, until `release` or a
/// few seconds; reading its body counts as an answer.
class DialogOffice final : public WriterOfficeLink {
public:
    std::optional<std::u16string> bodyText() override { return u""; }
    std::optional<std::int64_t> bodyLength() override { return 0; }
    std::optional<std::u16string> bodyRange(AXTextRange) override { return u""; }
    std::optional<AXTextRange> selection() override { return AXTextRange{0, 0}; }
    bool cursorInBody() override { return true; }
    std::optional<std::u16string> textBeforeCursor(std::int16_t) override { return u""; }
    std::optional<std::u16string> frontWindowTitle() override { return std::nullopt; }
    ScriptCompilation compileScript(const std::string&) override { return {}; }
    bool waitsForUser(const CompiledScript&, std::string_view) override { return true; }
    ScriptResult executeHandler(CompiledScript&, std::string_view,
                                const std::vector<ScriptParameter>&) override {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        answered = changed.wait_for(lock, 5s, [this] { return released; });
        return ScriptResult::success(ScriptDescriptor::makeNull());
    }
    std::optional<std::int32_t> officePid() override { return getpid(); }
    bool startOffice() override { return true; }

    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool released = false;
    bool answered = false;
};

class NoScript final : public CompiledScript {};
} // namespace

// While the office shows a dialog on a script's request, the guard must still be answered:
// it is what has to notice the dialog.
TEST_F(XDesktopTest, AScriptWaitingOnADialogLeavesTheGuardItsAnswers) {
    XTestWindow document(session_->display(), 0ms);
    ASSERT_TRUE(focus(document.id()));
    auto office = std::make_shared<DialogOffice>();
    WriterBackend backend(session_->display(), office);
    NoScript script;
    std::thread dialog([&] { backend.executeHandler(script, "showdialog", {}); });
    {
        std::unique_lock lock(office->mutex);
        office->changed.wait(lock, [&] { return office->entered; });
    }
    const auto focused =
        backend.axAttribute(backend.axApplicationElement(getpid()), "AXFocusedUIElement");
    {
        std::lock_guard lock(office->mutex);
        office->released = true;
    }
    office->changed.notify_all();
    dialog.join();
    EXPECT_TRUE(axElement(focused));
    EXPECT_TRUE(office->answered) << "the focus query waited for the dialog to end";
}

// The pause and stop keys: a combination another client holds is refused, a press of a
// registered one reaches the handler.
TEST_F(XDesktopTest, HotKeysAreExclusiveAndHeard) {
    WriterBackend backend(session_->display(), nullptr);
    WriterBackend other(session_->display(), nullptr);
    std::atomic<int> pressed{0};
    backend.installHotKeyHandler([&](std::optional<HotKeyID> id) {
        if (id && id->id == 7)
            ++pressed;
        return 0;
    });
    const std::uint32_t modifiers = 0x1000 | 0x800; // control, option
    ASSERT_TRUE(backend.registerHotKey(35, modifiers, {0x504C4D4F, 7}, HotKeyOwnership::exclusive));
    EXPECT_FALSE(other.registerHotKey(35, modifiers, {0x504C4D4F, 8}, HotKeyOwnership::exclusive));

    XKeyTyper typer(session_->display());
    typer.sendKey(XK_p, true, ControlMask | Mod1Mask);
    typer.sendKey(XK_p, false, ControlMask | Mod1Mask);
    for (int i = 0; i < 200 && pressed == 0; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(pressed, 1);
}

} // namespace
} // namespace plumeo
