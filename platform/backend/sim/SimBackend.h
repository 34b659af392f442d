#pragma once

#include "platform/backend/PlatformBackend.h"
#include "sim/protocol/SimProtocol.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace plumeo {

/// The PlatformBackend of builds without macOS: every call becomes one request to the
/// simulator (plumeo-sim) at a Unix socket. Process existence, time and sleeping are the real
/// system's. The simulator's workspace notifications and hot-key presses arrive through a long
/// poll on a thread of the backend's own, which runs the callbacks.
///
/// Calls never throw: when the simulator cannot be reached, queries answer "cannot complete",
/// posts do nothing and scripts fail with error -609 (connection invalid).
///
/// The main thread is whichever thread runs runMainLoop. While one does, hops go to it and
/// notifications and hot-key presses are delivered on it; while none does, the caller stands
/// in for it (and the simulator, with its main-thread rules on, refuses what macOS would).
class SimBackend : public PlatformBackend {
public:
    explicit SimBackend(std::string socketPath);
    ~SimBackend() override;

    const std::string& socketPath() const { return socketPath_; }
    /// Requests sent to the simulator so far, key posts included: each is one round trip, as a
    /// query to Word is on a Mac.
    std::uint64_t requestCount() const { return requests_; }

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

    std::unique_ptr<KeyboardEvent> createKeyboardEvent(const KeyEventSpec& spec) override;
    void postKeyboardEvent(const KeyboardEvent& event,
                           const KeyEventDestination& destination) override;
    void postKeyboardEvents(const std::vector<const KeyboardEvent*>& events,
                            const KeyEventDestination& destination) override;
    double secondsSinceLastEventType(EventSourceState state, std::uint32_t eventType) override;
    bool preflightPostEventAccess() override;
    bool requestPostEventAccess() override;

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

    std::optional<std::int32_t> determinePermissionToAutomate(std::string_view bundleIdentifier,
                                                              ConsentPrompt prompt) override;

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
    bool isMainThread() override;
    bool runOnMainThread(const std::function<void()>& work, double waitSeconds = 2.0) override;
    void runMainLoop() override;
    void stopMainLoop() override;
    void claimMainThread() override;
    std::string operatingSystemVersion() override;

private:
    /// One request on a pooled connection; empty when the simulator cannot be reached or
    /// refuses the request.
    std::optional<nlohmann::json> call(const std::string& op,
                                       const nlohmann::json& args = nlohmann::json::object());
    ObserverToken addObserver(std::string kind, std::function<void(std::int32_t)> callback);
    /// The messaging timeout a query on this element runs under, in milliseconds; 0 for the
    /// system default.
    double timeoutMsFor(const AXElementRef& element);
    /// Tells the simulator that a call macOS allows only on the main thread is being made;
    /// false when it refuses (made off the main thread under its rules).
    bool mainThreadCall(const char* what);
    /// Queues `work` for the main thread without waiting; false when no main loop runs.
    bool postToMain(std::function<void()> work);
    void ensureEventThread();
    void pollEvents(std::optional<std::uint64_t> after);
    void dispatch(const nlohmann::json& event);

    struct Observer {
        std::string kind;
        std::function<void(std::int32_t)> callback;
    };

    const std::string socketPath_;
    std::mutex poolMutex_;
    std::vector<std::unique_ptr<simproto::SimConnection>> idle_;
    // Key events go over a connection of their own: one ordered stream, as the event stream is
    // on a Mac, where pooled connections could let a key-up overtake its key-down.
    std::mutex postMutex_;
    std::unique_ptr<simproto::SimConnection> postConnection_;

    // Callbacks run with callbackMutex_ held, so none starts after a removal returns; it is
    // recursive so a callback may remove itself.
    std::recursive_mutex callbackMutex_;
    std::map<ObserverToken, Observer> observers_;
    std::map<HotKeyHandlerRef, HotKeyCallback> hotKeyHandlers_;
    std::map<HotKeyRef, HotKeyID> hotKeys_;
    std::uint64_t nextToken_ = 1;

    std::atomic<std::uint64_t> requests_{0};

    std::mutex timeoutMutex_;
    std::map<std::uint64_t, double> elementTimeouts_;
    double globalTimeout_ = 0;
    std::optional<std::uint64_t> systemWideId_;

    struct MainJob {
        std::function<void()> work;
        bool taken = false;
        bool done = false;
        bool abandoned = false; ///< the main loop ended before taking it
    };
    std::mutex mainMutex_;
    std::condition_variable mainChanged_;
    std::deque<std::shared_ptr<MainJob>> mainJobs_;
    std::optional<std::thread::id> mainThread_;
    bool stopRequested_ = false;
    std::atomic<bool> eventSourceCreated_{false};

    std::mutex eventThreadMutex_;
    std::thread eventThread_;
    std::atomic<bool> stopping_{false};
};

} // namespace plumeo
