#pragma once

#include "platform/backend/PlatformBackend.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace plumeo {

struct AppleWorkspaceState;

/// What a Carbon hot-key handler is given as user data.
struct AppleHotKeyHandler {
    HotKeyCallback callback;
};

/// The PlatformBackend of macOS: each call is the Apple call its interface comment names, plus
/// the conversions between Core Foundation or Objective-C values and the interface's values.
/// Accessibility, Quartz events, Carbon hot keys and Text Input Sources are plain C++ over the
/// C APIs; scripts, running applications, workspace notifications and the main-thread hop are
/// Objective-C++ (ARC), kept out of this header.
class AppleBackend : public PlatformBackend {
public:
    AppleBackend();
    ~AppleBackend() override;

    AppleBackend(const AppleBackend&) = delete;
    AppleBackend& operator=(const AppleBackend&) = delete;

    // AppleAccessibility.cpp
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
    bool axIsProcessTrusted() override;
    bool axIsProcessTrustedWithOptions(ConsentPrompt prompt) override;

    // AppleKeyEvents.cpp
    std::unique_ptr<KeyboardEvent> createKeyboardEvent(const KeyEventSpec& spec) override;
    void postKeyboardEvent(const KeyboardEvent& event,
                           const KeyEventDestination& destination) override;
    double secondsSinceLastEventType(EventSourceState state, std::uint32_t eventType) override;
    bool preflightPostEventAccess() override;
    bool requestPostEventAccess() override;

    // AppleScripting.mm
    ScriptCompilation compileScript(const std::string& source) override;
    ScriptResult executeHandler(CompiledScript& script, std::string_view handlerName,
                                const std::vector<ScriptParameter>& parameters) override;
    std::optional<std::int32_t> determinePermissionToAutomate(std::string_view bundleIdentifier,
                                                              ConsentPrompt prompt) override;

    // AppleWorkspace.mm
    std::vector<RunningApp> runningApplications(std::string_view bundleIdentifier) override;
    std::optional<RunningApp> runningApplication(std::int32_t pid) override;
    std::optional<RunningApp> frontmostApplication() override;
    bool activateApplication(std::int32_t pid) override;
    bool openApplication(std::string_view bundleIdentifier) override;
    bool openURL(std::string_view url) override;
    ObserverToken
    observeApplicationTerminated(std::function<void(std::int32_t pid)> onTerminated) override;
    ObserverToken
    observeApplicationActivated(std::function<void(std::int32_t pid)> onActivated) override;
    void removeObserver(ObserverToken token) override;
    double systemUptime() override;
    bool isMainThread() override;
    bool runOnMainThread(const std::function<void()>& work, double waitSeconds = 2.0) override;
    void runMainLoop() override;
    void stopMainLoop() override;
    std::string operatingSystemVersion() override;

    // AppleHotKeys.cpp
    std::optional<HotKeyHandlerRef> installHotKeyHandler(HotKeyCallback callback) override;
    void removeHotKeyHandler(HotKeyHandlerRef handler) override;
    std::optional<HotKeyRef> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                            HotKeyID id, HotKeyOwnership ownership) override;
    void unregisterHotKey(HotKeyRef ref) override;

    // AppleInputSources.cpp
    std::optional<InputSourceInfo> currentKeyboardInputSource() override;
    std::optional<std::vector<InputSourceInfo>>
    inputSourceList(const InputSourceFilter& filter) override;
    std::int32_t selectInputSource(const InputSourceInfo& source) override;

    // AppleBackend.cpp
    bool processExists(std::int32_t pid) override;
    void sleepMicroseconds(std::uint32_t microseconds) override;

    // AppleWorkspace.mm
    ActivityToken beginActivity(std::string_view reason) override;
    void endActivity(ActivityToken token) override;

private:
    /// Unregisters every hot key and removes every handler this backend installed.
    void releaseHotKeys();

    // The private-state event source (a CGEventSourceRef; null when its creation failed),
    // made on the main thread together with the first keyboard event.
    std::mutex eventSourceMutex_;
    std::atomic<bool> eventSourceReady_{false};
    std::shared_ptr<const void> eventSource_;

    std::atomic<bool> stopMainLoopRequested_{false};

    // The activities begun and not yet ended (each the retained object NSProcessInfo gave).
    std::mutex activityMutex_;
    ActivityToken lastActivity_ = 0;
    std::map<ActivityToken, std::shared_ptr<const void>> activities_;

    struct WorkspaceStateDeleter {
        void operator()(AppleWorkspaceState* state) const;
    };
    std::unique_ptr<AppleWorkspaceState, WorkspaceStateDeleter> workspace_;

    // Installed hot-key handlers by their EventHandlerRef (each holds the callback its Carbon
    // handler is given as user data), and the registered EventHotKeyRefs.
    std::mutex hotKeyMutex_;
    std::map<HotKeyHandlerRef, std::unique_ptr<AppleHotKeyHandler>> hotKeyHandlers_;
    std::set<HotKeyRef> hotKeys_;
};

/// A new Apple backend.
std::unique_ptr<PlatformBackend> makeAppleBackend();

} // namespace plumeo
