#pragma once

#include "platform/backend/PlatformBackend.h"
#include "platform/backend/writer/MainThreadLoop.h"
#include "platform/backend/writer/WriterOfficeLink.h"
#include "platform/backend/writer/XDesktop.h"
#include "platform/backend/writer/XInputWatch.h"
#include "platform/backend/writer/XKeyTyper.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace plumeo {

/// The PlatformBackend that drives LibreOffice Writer on an X11 desktop, so that the product
/// written for Word runs against a word processor it did not write.
///
/// Word's bundle identifier names LibreOffice's process (soffice.bin). Accessibility is
/// answered from the window manager (the active window, dialogs and their modality) and from
/// the office itself (the body text, its length and the selection, through the link); key
/// events go through XTest to the focused window, and only when that window belongs to the
/// process they are addressed to; idle times come from the X server's real devices; the
/// script libraries are answered by the link through UNO.
class WriterBackend : public PlatformBackend {
public:
    /// The bundle identifier the platform classes ask for, answered with LibreOffice.
    static constexpr std::string_view wordBundleID = "com.microsoft.Word";

    struct Options {
        XKeyTyper::Options typing;
        /// How often application launches, quits and activations are looked for.
        double watchIntervalSeconds = 0.25;
    };

    /// Throws std::runtime_error (message for the user) when the display cannot be used.
    WriterBackend(const std::string& displayName, std::shared_ptr<WriterOfficeLink> office,
                  Options options);
    WriterBackend(const std::string& displayName, std::shared_ptr<WriterOfficeLink> office)
        : WriterBackend(displayName, std::move(office), Options{}) {}
    ~WriterBackend() override;

    const std::string& displayName() const { return displayName_; }
    /// Key events dropped because the focus was not in the process they were addressed to.
    std::uint64_t droppedKeyEvents() const { return dropped_; }
    const XKeyTyper& typer() const { return typer_; }

    AXElementRef axApplicationElement(std::int32_t pid) override;
    AXElementRef axSystemWideElement() override;
    AXResult axAttribute(const AXElementRef& element, std::string_view attribute) override;
    std::vector<AXResult> axMultipleAttributes(const AXElementRef& element,
                                               const std::vector<std::string>& names) override;
    AXResult axParameterizedAttribute(const AXElementRef& element, std::string_view attribute,
                                      const AXValue& parameter) override;
    std::vector<std::string> axAttributeNames(const AXElementRef& element) override;
    std::vector<std::string> axParameterizedAttributeNames(const AXElementRef& element) override;
    AXError axSetMessagingTimeout(const AXElementRef& element, double seconds) override;
    AXError axSetGlobalMessagingTimeout(double seconds) override;
    std::optional<std::int32_t> axPid(const AXElementRef& element) override;
    bool axIsSameElement(const AXElementRef& a, const AXElementRef& b) override;
    bool axIsProcessTrusted() override { return true; }
    bool axIsProcessTrustedWithOptions(ConsentPrompt) override { return true; }

    std::unique_ptr<KeyboardEvent> createKeyboardEvent(const KeyEventSpec& spec) override;
    void postKeyboardEvent(const KeyboardEvent& event,
                           const KeyEventDestination& destination) override;
    double secondsSinceLastEventType(EventSourceState state, std::uint32_t eventType) override;
    bool preflightPostEventAccess() override { return true; }
    bool requestPostEventAccess() override { return true; }

    ScriptCompilation compileScript(const std::string& source) override;
    ScriptResult executeHandler(CompiledScript& script, std::string_view handlerName,
                                const std::vector<ScriptParameter>& parameters) override;

    std::vector<RunningApp> runningApplications(std::string_view bundleIdentifier) override;
    std::optional<RunningApp> runningApplication(std::int32_t pid) override;
    std::optional<RunningApp> frontmostApplication() override;
    bool activateApplication(std::int32_t pid) override;
    bool openApplication(std::string_view bundleIdentifier) override;
    bool openURL(std::string_view url) override;
    bool processExists(std::int32_t pid) override;
    ObserverToken
    observeApplicationTerminated(std::function<void(std::int32_t pid)> onTerminated) override;
    ObserverToken
    observeApplicationActivated(std::function<void(std::int32_t pid)> onActivated) override;
    void removeObserver(ObserverToken token) override;

    std::optional<std::int32_t> determinePermissionToAutomate(std::string_view,
                                                              ConsentPrompt) override {
        return 0;
    }

    std::optional<HotKeyHandlerRef> installHotKeyHandler(HotKeyCallback callback) override;
    void removeHotKeyHandler(HotKeyHandlerRef handler) override;
    std::optional<HotKeyRef> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                            HotKeyID id, HotKeyOwnership ownership) override;
    void unregisterHotKey(HotKeyRef ref) override;

    std::optional<InputSourceInfo> currentKeyboardInputSource() override;
    std::optional<std::vector<InputSourceInfo>>
    inputSourceList(const InputSourceFilter& filter) override;
    std::int32_t selectInputSource(const InputSourceInfo& source) override;

    double systemUptime() override;
    void sleepMicroseconds(std::uint32_t microseconds) override;
    bool isMainThread() override { return mainLoop_.isMainThread(); }
    bool runOnMainThread(const std::function<void()>& work, double waitSeconds = 2.0) override {
        return mainLoop_.runOnMainThread(work, waitSeconds);
    }
    void runMainLoop() override { mainLoop_.run(); }
    void stopMainLoop() override { mainLoop_.stop(); }
    void claimMainThread() override { mainLoop_.claim(); }
    std::string operatingSystemVersion() override;

private:
    enum class ElementKind : std::uint8_t {
        systemWide = 1,
        application, ///< value: pid
        window,      ///< value: X window
        body,        ///< value: the document window holding it
        control,     ///< value: the window; the focus is in it but not in the body
        sheet,       ///< value: a modal dialog over a document window
    };
    static AXElementRef element(ElementKind kind, std::uint64_t value);
    static ElementKind kindOf(const AXElementRef& element);
    static std::uint64_t valueOf(const AXElementRef& element);

    AXResult applicationAttribute(std::int32_t pid, std::string_view attribute);
    AXResult windowAttribute(Window window, std::string_view attribute);
    AXResult bodyAttribute(Window window, std::string_view attribute);
    /// The window of `pid` that has focus, or that would have it if `pid` were in front: its
    /// top-most window.
    std::optional<Window> focusedWindowOf(std::int32_t pid);
    std::optional<AXElementRef> focusedElementOf(std::int32_t pid);
    bool isDocumentWindow(const XDesktop::WindowInfo& info) const;
    std::vector<std::int32_t> officePids() const;
    /// Before a script call: lets the office handle the key events sent since the last one.
    void absorbSentInput();
    /// After a script call: waits (briefly) until the window manager has given the focus to
    /// the document window the office put in front.
    void followOfficeFocus();
    std::optional<std::int32_t> activePid();
    void watch();

    std::string displayName_;
    std::shared_ptr<WriterOfficeLink> office_;
    Options options_;
    XDesktop desktop_;
    XKeyTyper typer_;
    XInputWatch input_;
    MainThreadLoop mainLoop_;
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<bool> inputSent_{false};
    /// Held while one key event is delivered and while the document is read: a character
    /// typed through Writer's notation toggle is several keys, and a read between them would
    /// see its spelled number, which Word never shows.
    std::mutex deliveryMutex_;

    // Callbacks run with callbackMutex_ held, so none starts after a removal returns; it is
    // recursive so a callback may remove itself.
    std::recursive_mutex callbackMutex_;
    struct Observer {
        bool terminations = false;
        std::function<void(std::int32_t)> callback;
    };
    std::map<ObserverToken, Observer> observers_;
    std::map<HotKeyHandlerRef, HotKeyCallback> hotKeyHandlers_;
    std::map<HotKeyRef, std::uint64_t> hotKeyGrabs_;
    std::uint64_t nextToken_ = 1;

    std::atomic<bool> stopping_{false};
    std::thread watcher_;
};

} // namespace plumeo
