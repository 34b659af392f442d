#pragma once

// An in-process PlatformBackend for unit tests, with two faces: the interface the platform
// classes use, and a control surface through which a test sets up the world (elements and
// their attributes, script handlers, running applications, input sources, idle times) and
// reads back a transcript of what the classes did (calls made, key events posted, hot keys
// registered). Every member is safe to use from several threads.

#include "platform/backend/PlatformBackend.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace plumeo::testing {

/// A compiled script of the fake: remembers its source and the thread that compiled it.
class FakeCompiledScript : public CompiledScript {
public:
    explicit FakeCompiledScript(std::string source) : source(std::move(source)) {}

    const std::string source;
    const std::thread::id compiledOn = std::this_thread::get_id();
};

/// A script handler of the fake: gets the compiled script (for its properties) and the
/// parameters, answers like executeHandler.
using FakeScriptHandler =
    std::function<ScriptResult(FakeCompiledScript&, const std::vector<ScriptParameter>&)>;

/// One recorded key event post.
struct FakePostedEvent {
    KeyEventSpec spec;
    KeyEventDestination destination;
};

/// An input source the fake knows, with the two flags its list filter looks at.
struct FakeInputSource {
    InputSourceInfo info;
    bool isEnabled = true;
    bool isSelectCapable = true;
};

class FakeBackend : public PlatformBackend {
public:
    // ---- control surface --------------------------------------------------------------

    /// A new element with its own identity.
    AXElementRef makeElement() {
        std::lock_guard lock(mutex_);
        const std::uint64_t id = nextId_++;
        identity_[id] = id;
        return AXElementRef{id, nullptr};
    }
    /// Another reference to the same element under a different id, as the Apple backend hands
    /// out for separate queries; code that compares ids instead of asking the backend fails.
    AXElementRef aliasOf(const AXElementRef& element) {
        std::lock_guard lock(mutex_);
        const std::uint64_t id = nextId_++;
        identity_[id] = identityLocked(element.id);
        return AXElementRef{id, nullptr};
    }
    void setAttribute(const AXElementRef& element, const std::string& name, AXValue value) {
        std::lock_guard lock(mutex_);
        attributes_[identityLocked(element.id)][name] = std::move(value);
    }
    void removeAttribute(const AXElementRef& element, const std::string& name) {
        std::lock_guard lock(mutex_);
        attributes_[identityLocked(element.id)].erase(name);
    }
    /// Reading this attribute fails with `error` until cleared with success.
    void setAttributeError(const AXElementRef& element, const std::string& name, AXError error) {
        std::lock_guard lock(mutex_);
        if (error == AXError::success) {
            attributeErrors_[identityLocked(element.id)].erase(name);
        } else {
            attributeErrors_[identityLocked(element.id)][name] = error;
        }
    }
    /// The element is gone: every query on it fails with kAXErrorInvalidUIElement.
    void destroyElement(const AXElementRef& element) {
        std::lock_guard lock(mutex_);
        destroyed_.insert(identityLocked(element.id));
    }
    /// The next `count` Accessibility queries (one multiple read counts once) fail with
    /// kAXErrorCannotComplete, each taking `seconds` of uptime: a busy application.
    void makeBusy(int count, double seconds = 0) {
        std::lock_guard lock(mutex_);
        busyQueries_ = count;
        busySeconds_ = seconds;
    }
    /// Answers a parameterised attribute of an element (e.g. AXStringForRange).
    void setParameterizedAttribute(
        const AXElementRef& element, const std::string& name,
        std::function<std::optional<AXValue>(const AXValue& parameter)> answer) {
        std::lock_guard lock(mutex_);
        parameterized_[identityLocked(element.id)][name] = std::move(answer);
    }
    /// The element axApplicationElement(pid) returns; created on first use.
    AXElementRef applicationElement(std::int32_t pid) { return axApplicationElement(pid); }
    AXElementRef systemWideElement() { return axSystemWideElement(); }
    /// The global timeout set through axSetGlobalMessagingTimeout (or the system-wide element).
    std::optional<double> globalMessagingTimeout() {
        std::lock_guard lock(mutex_);
        return globalTimeout_;
    }
    std::optional<double> messagingTimeout(const AXElementRef& element) {
        std::lock_guard lock(mutex_);
        auto found = timeouts_.find(identityLocked(element.id));
        if (found == timeouts_.end()) {
            return std::nullopt;
        }
        return found->second;
    }
    void setTrusted(bool trusted) { trusted_ = trusted; }

    void setPostEventAccess(bool granted) { postAccess_ = granted; }
    /// Makes the next `count` createKeyboardEvent calls return null.
    void failEventCreation(int count) { failCreations_ = count; }
    std::vector<FakePostedEvent> postedEvents() {
        std::lock_guard lock(mutex_);
        return posted_;
    }
    /// What secondsSinceLastEventType answers for one state and event type (default: a day).
    void setSecondsSinceLastEvent(EventSourceState state, std::uint32_t eventType, double seconds) {
        std::lock_guard lock(mutex_);
        idleSeconds_[{static_cast<int>(state), eventType}] = seconds;
    }

    void setScriptHandler(const std::string& name, FakeScriptHandler handler) {
        std::lock_guard lock(mutex_);
        handlers_[name] = std::move(handler);
    }
    /// Makes compileScript fail with this status and message until cleared with nullopt.
    void setCompileFailure(std::optional<ScriptCompilation::Status> status,
                           std::optional<std::string> message = std::nullopt,
                           std::optional<std::int32_t> number = std::nullopt) {
        std::lock_guard lock(mutex_);
        compileFailure_ = status;
        compileMessage_ = std::move(message);
        compileNumber_ = number;
    }
    int compileCount() const { return compiles_; }
    std::vector<std::string> compiledSources() {
        std::lock_guard lock(mutex_);
        return sources_;
    }

    void addRunningApp(RunningApp app) {
        std::lock_guard lock(mutex_);
        apps_.push_back(std::move(app));
        alivePids_.insert(apps_.back().pid);
    }
    /// Removes the application and its process, without notifying observers.
    void removeRunningApp(std::int32_t pid) {
        std::lock_guard lock(mutex_);
        std::erase_if(apps_, [pid](const RunningApp& app) { return app.pid == pid; });
        alivePids_.erase(pid);
    }
    void setFrontmostPid(std::optional<std::int32_t> pid) {
        std::lock_guard lock(mutex_);
        frontmost_ = pid;
    }
    /// Delivers NSWorkspaceDidTerminateApplicationNotification to every terminate observer.
    void notifyTerminated(std::int32_t pid) { notify(terminateObservers_, pid); }
    std::size_t observerCount() {
        std::lock_guard lock(mutex_);
        return terminateObservers_.size() + activateObservers_.size();
    }

    /// The OSStatus determinePermissionToAutomate reports (default 0); nullopt means no target.
    void setAutomationStatus(std::optional<std::int32_t> status) {
        std::lock_guard lock(mutex_);
        automationStatus_ = status;
    }

    void failHotKeyHandlerInstall(bool fail) { failHandlerInstall_ = fail; }
    /// Another application holds this key code exclusively: an exclusive registration fails,
    /// a shared one succeeds (and would never hear a press).
    void takeHotKey(std::uint32_t keyCode) {
        std::lock_guard lock(mutex_);
        takenKeyCodes_.insert(keyCode);
    }
    struct RegisteredHotKey {
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        HotKeyID id;
        HotKeyOwnership ownership = HotKeyOwnership::exclusive;
    };
    std::vector<RegisteredHotKey> registeredHotKeys() {
        std::lock_guard lock(mutex_);
        std::vector<RegisteredHotKey> keys;
        for (const auto& [ref, key] : hotKeys_) {
            keys.push_back(key);
        }
        return keys;
    }
    std::size_t installedHotKeyHandlers() {
        std::lock_guard lock(mutex_);
        return hotKeyHandlers_.size();
    }
    /// Presses a registered combination: every installed handler gets its identifier. Returns
    /// the handlers' statuses; an unregistered combination reaches nobody.
    std::vector<std::int32_t> pressHotKey(std::uint32_t keyCode, std::uint32_t modifiers) {
        std::optional<HotKeyID> id;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [ref, key] : hotKeys_) {
                if (key.keyCode == keyCode && key.modifiers == modifiers) {
                    id = key.id;
                }
            }
        }
        return id ? deliverHotKeyEvent(id) : std::vector<std::int32_t>{};
    }
    /// Sends a hot-key event straight to the handlers, as GetEventParameter would read it.
    std::vector<std::int32_t> deliverHotKeyEvent(std::optional<HotKeyID> id) {
        std::vector<HotKeyCallback> callbacks;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [ref, callback] : hotKeyHandlers_) {
                callbacks.push_back(callback);
            }
        }
        std::vector<std::int32_t> statuses;
        for (const auto& callback : callbacks) {
            statuses.push_back(callback(id));
        }
        return statuses;
    }

    void setInputSources(std::vector<FakeInputSource> sources) {
        std::lock_guard lock(mutex_);
        inputSources_ = std::move(sources);
    }
    /// Selects the current source by id; nullopt means the system reports none.
    void setCurrentInputSource(std::optional<std::string> id) {
        std::lock_guard lock(mutex_);
        currentSource_ = std::move(id);
    }
    void failInputSourceSelection(std::int32_t status) { selectStatus_ = status; }

    void advanceUptime(double seconds) {
        std::lock_guard lock(mutex_);
        uptime_ += seconds;
    }
    /// Every sleepMicroseconds argument; sleeping advances the uptime instead of waiting.
    std::vector<std::uint32_t> sleeps() {
        std::lock_guard lock(mutex_);
        return sleeps_;
    }

    /// How often an interface method (by name, e.g. "axAttribute") was called.
    int callCount(const std::string& method) {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count(calls_.begin(), calls_.end(), method));
    }
    std::vector<std::string> calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    // ---- PlatformBackend ------------------------------------------------------------------

    AXElementRef axApplicationElement(std::int32_t pid) override {
        std::lock_guard lock(mutex_);
        record("axApplicationElement");
        auto found = appElements_.find(pid);
        if (found == appElements_.end()) {
            const std::uint64_t id = nextId_++;
            identity_[id] = id;
            elementPids_[id] = pid;
            found = appElements_.emplace(pid, id).first;
        }
        return AXElementRef{found->second, nullptr};
    }
    AXElementRef axSystemWideElement() override {
        std::lock_guard lock(mutex_);
        record("axSystemWideElement");
        if (systemWide_ == 0) {
            systemWide_ = nextId_++;
            identity_[systemWide_] = systemWide_;
        }
        return AXElementRef{systemWide_, nullptr};
    }
    AXResult axAttribute(const AXElementRef& element, std::string_view attribute) override {
        std::lock_guard lock(mutex_);
        record("axAttribute");
        if (auto failure = queryFailureLocked(element)) {
            return AXResult::failed(*failure);
        }
        return attributeLocked(element, attribute);
    }
    std::vector<AXResult> axMultipleAttributes(const AXElementRef& element,
                                               const std::vector<std::string>& names) override {
        std::lock_guard lock(mutex_);
        record("axMultipleAttributes");
        if (auto failure = queryFailureLocked(element)) {
            return std::vector<AXResult>(names.size(), AXResult::failed(*failure));
        }
        std::vector<AXResult> results;
        for (const auto& name : names) {
            results.push_back(attributeLocked(element, name));
        }
        return results;
    }
    AXResult axParameterizedAttribute(const AXElementRef& element, std::string_view attribute,
                                      const AXValue& parameter) override {
        std::function<std::optional<AXValue>(const AXValue&)> answer;
        {
            std::lock_guard lock(mutex_);
            record("axParameterizedAttribute");
            if (auto failure = queryFailureLocked(element)) {
                return AXResult::failed(*failure);
            }
            auto element_ = parameterized_.find(identityLocked(element.id));
            if (element_ == parameterized_.end()) {
                return AXResult::failed(AXError::parameterizedAttributeUnsupported);
            }
            auto found = element_->second.find(std::string(attribute));
            if (found == element_->second.end()) {
                return AXResult::failed(AXError::parameterizedAttributeUnsupported);
            }
            answer = found->second;
        }
        auto value = answer(parameter);
        return value ? AXResult::of(std::move(*value)) : AXResult::failed(AXError::noValue);
    }
    std::vector<std::string> axAttributeNames(const AXElementRef& element) override {
        std::lock_guard lock(mutex_);
        record("axAttributeNames");
        std::vector<std::string> names;
        auto element_ = attributes_.find(identityLocked(element.id));
        if (element_ != attributes_.end()) {
            for (const auto& [name, value] : element_->second) {
                names.push_back(name);
            }
        }
        return names;
    }
    std::vector<std::string> axParameterizedAttributeNames(const AXElementRef& element) override {
        std::lock_guard lock(mutex_);
        record("axParameterizedAttributeNames");
        std::vector<std::string> names;
        auto element_ = parameterized_.find(identityLocked(element.id));
        if (element_ != parameterized_.end()) {
            for (const auto& [name, answer] : element_->second) {
                names.push_back(name);
            }
        }
        return names;
    }
    AXError axSetMessagingTimeout(const AXElementRef& element, double seconds) override {
        std::lock_guard lock(mutex_);
        record("axSetMessagingTimeout");
        if (systemWide_ != 0 && identityLocked(element.id) == systemWide_) {
            globalTimeout_ = seconds;
        } else {
            timeouts_[identityLocked(element.id)] = seconds;
        }
        return AXError::success;
    }
    AXError axSetGlobalMessagingTimeout(double seconds) override {
        std::lock_guard lock(mutex_);
        record("axSetGlobalMessagingTimeout");
        globalTimeout_ = seconds;
        return AXError::success;
    }
    std::optional<std::int32_t> axPid(const AXElementRef& element) override {
        std::lock_guard lock(mutex_);
        record("axPid");
        auto found = elementPids_.find(identityLocked(element.id));
        if (found == elementPids_.end()) {
            return std::nullopt;
        }
        return found->second;
    }
    bool axIsSameElement(const AXElementRef& a, const AXElementRef& b) override {
        std::lock_guard lock(mutex_);
        record("axIsSameElement");
        return identityLocked(a.id) == identityLocked(b.id);
    }
    bool axIsProcessTrusted() override {
        std::lock_guard lock(mutex_);
        record("axIsProcessTrusted");
        return trusted_;
    }
    bool axIsProcessTrustedWithOptions(ConsentPrompt prompt) override {
        std::lock_guard lock(mutex_);
        record(prompt == ConsentPrompt::ifNeeded ? "axIsProcessTrustedWithOptions(prompt)"
                                                 : "axIsProcessTrustedWithOptions");
        return trusted_;
    }

    std::unique_ptr<KeyboardEvent> createKeyboardEvent(const KeyEventSpec& spec) override {
        std::lock_guard lock(mutex_);
        record("createKeyboardEvent");
        if (failCreations_ > 0) {
            --failCreations_;
            return nullptr;
        }
        return std::make_unique<Event>(spec);
    }
    void postKeyboardEvent(const KeyboardEvent& event,
                           const KeyEventDestination& destination) override {
        std::lock_guard lock(mutex_);
        record("postKeyboardEvent");
        posted_.push_back({event.spec(), destination});
    }
    double secondsSinceLastEventType(EventSourceState state, std::uint32_t eventType) override {
        std::lock_guard lock(mutex_);
        record("secondsSinceLastEventType");
        // kCGAnyInputEventType: the newest input of any kind in that state.
        if (eventType == 0xFFFFFFFFu) {
            double newest = 86400.0;
            for (const auto& [key, seconds] : idleSeconds_)
                if (key.first == static_cast<int>(state))
                    newest = std::min(newest, seconds);
            return newest;
        }
        auto found = idleSeconds_.find({static_cast<int>(state), eventType});
        return found == idleSeconds_.end() ? 86400.0 : found->second;
    }
    bool preflightPostEventAccess() override {
        std::lock_guard lock(mutex_);
        record("preflightPostEventAccess");
        return postAccess_;
    }
    bool requestPostEventAccess() override {
        std::lock_guard lock(mutex_);
        record("requestPostEventAccess");
        return postAccess_;
    }

    ScriptCompilation compileScript(const std::string& source) override {
        std::lock_guard lock(mutex_);
        record("compileScript");
        ++compiles_;
        sources_.push_back(source);
        if (compileFailure_) {
            ScriptCompilation failed;
            failed.status = *compileFailure_;
            failed.errorMessage = compileMessage_;
            failed.errorNumber = compileNumber_;
            return failed;
        }
        ScriptCompilation compiled;
        compiled.status = ScriptCompilation::Status::compiled;
        compiled.script = std::make_unique<FakeCompiledScript>(source);
        return compiled;
    }
    ScriptResult executeHandler(CompiledScript& script, std::string_view handlerName,
                                const std::vector<ScriptParameter>& parameters) override {
        auto& fakeScript = dynamic_cast<FakeCompiledScript&>(script);
        // A compiled script object belongs to the thread that compiled it.
        EXPECT_EQ(fakeScript.compiledOn, std::this_thread::get_id())
            << "script executed off its compiling thread";
        FakeScriptHandler handler;
        {
            std::lock_guard lock(mutex_);
            record("executeHandler");
            auto found = handlers_.find(std::string(handlerName));
            if (found != handlers_.end()) {
                handler = found->second;
            }
        }
        if (!handler) {
            return ScriptResult::failure(-1708, "«script» doesn’t understand the “" +
                                                    std::string(handlerName) + "” message.");
        }
        return handler(fakeScript, parameters);
    }

    std::vector<RunningApp> runningApplications(std::string_view bundleIdentifier) override {
        std::lock_guard lock(mutex_);
        record("runningApplications");
        std::vector<RunningApp> matching;
        for (const auto& app : apps_) {
            if (app.bundleIdentifier == bundleIdentifier) {
                matching.push_back(app);
            }
        }
        return matching;
    }
    std::optional<RunningApp> runningApplication(std::int32_t pid) override {
        std::lock_guard lock(mutex_);
        record("runningApplication");
        return appLocked(pid);
    }
    std::optional<RunningApp> frontmostApplication() override {
        std::lock_guard lock(mutex_);
        record("frontmostApplication");
        if (!frontmost_) {
            return std::nullopt;
        }
        return appLocked(*frontmost_);
    }
    bool activateApplication(std::int32_t pid) override {
        std::lock_guard lock(mutex_);
        record("activateApplication");
        if (!appLocked(pid)) {
            return false;
        }
        frontmost_ = pid;
        return true;
    }
    bool openApplication(std::string_view) override {
        std::lock_guard lock(mutex_);
        record("openApplication");
        return true;
    }
    bool openURL(std::string_view) override {
        std::lock_guard lock(mutex_);
        record("openURL");
        return true;
    }
    bool processExists(std::int32_t pid) override {
        std::lock_guard lock(mutex_);
        record("processExists");
        return alivePids_.count(pid) > 0;
    }
    ObserverToken
    observeApplicationTerminated(std::function<void(std::int32_t pid)> onTerminated) override {
        std::lock_guard lock(mutex_);
        record("observeApplicationTerminated");
        const ObserverToken token = nextId_++;
        terminateObservers_[token] = std::move(onTerminated);
        return token;
    }
    ObserverToken
    observeApplicationActivated(std::function<void(std::int32_t pid)> onActivated) override {
        std::lock_guard lock(mutex_);
        record("observeApplicationActivated");
        const ObserverToken token = nextId_++;
        activateObservers_[token] = std::move(onActivated);
        return token;
    }
    void removeObserver(ObserverToken token) override {
        std::lock_guard lock(mutex_);
        record("removeObserver");
        terminateObservers_.erase(token);
        activateObservers_.erase(token);
    }

    std::optional<std::int32_t> determinePermissionToAutomate(std::string_view,
                                                              ConsentPrompt) override {
        std::lock_guard lock(mutex_);
        record("determinePermissionToAutomate");
        return automationStatus_;
    }

    std::optional<HotKeyHandlerRef> installHotKeyHandler(HotKeyCallback callback) override {
        std::lock_guard lock(mutex_);
        record("installHotKeyHandler");
        if (failHandlerInstall_) {
            return std::nullopt;
        }
        const HotKeyHandlerRef ref = nextId_++;
        hotKeyHandlers_[ref] = std::move(callback);
        return ref;
    }
    void removeHotKeyHandler(HotKeyHandlerRef handler) override {
        std::lock_guard lock(mutex_);
        record("removeHotKeyHandler");
        EXPECT_EQ(hotKeyHandlers_.erase(handler), 1u) << "removing an unknown hot-key handler";
    }
    std::optional<HotKeyRef> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                            HotKeyID id, HotKeyOwnership ownership) override {
        std::lock_guard lock(mutex_);
        record("registerHotKey");
        if (ownership == HotKeyOwnership::exclusive && takenKeyCodes_.count(keyCode) > 0) {
            return std::nullopt;
        }
        const HotKeyRef ref = nextId_++;
        hotKeys_[ref] = {keyCode, modifiers, id, ownership};
        return ref;
    }
    void unregisterHotKey(HotKeyRef ref) override {
        std::lock_guard lock(mutex_);
        record("unregisterHotKey");
        EXPECT_EQ(hotKeys_.erase(ref), 1u) << "unregistering an unknown hot key";
    }

    std::optional<InputSourceInfo> currentKeyboardInputSource() override {
        std::lock_guard lock(mutex_);
        record("currentKeyboardInputSource");
        if (!currentSource_) {
            return std::nullopt;
        }
        for (const auto& source : inputSources_) {
            if (source.info.id == currentSource_) {
                return source.info;
            }
        }
        return std::nullopt;
    }
    std::optional<std::vector<InputSourceInfo>>
    inputSourceList(const InputSourceFilter& filter) override {
        std::lock_guard lock(mutex_);
        record("inputSourceList");
        std::vector<InputSourceInfo> list;
        for (const auto& source : inputSources_) {
            if ((filter.id && source.info.id != filter.id) ||
                (filter.isEnabled && source.isEnabled != *filter.isEnabled) ||
                (filter.isSelectCapable && source.isSelectCapable != *filter.isSelectCapable)) {
                continue;
            }
            list.push_back(source.info);
        }
        return list;
    }
    std::int32_t selectInputSource(const InputSourceInfo& source) override {
        std::lock_guard lock(mutex_);
        record("selectInputSource");
        if (selectStatus_ != 0) {
            return selectStatus_;
        }
        currentSource_ = source.id;
        return 0;
    }

    double systemUptime() override {
        std::lock_guard lock(mutex_);
        record("systemUptime");
        return uptime_;
    }
    void sleepMicroseconds(std::uint32_t microseconds) override {
        std::lock_guard lock(mutex_);
        record("sleepMicroseconds");
        sleeps_.push_back(microseconds);
        uptime_ += microseconds / 1e6;
    }
    /// The thread that made the fake stands for the main thread.
    bool isMainThread() override { return std::this_thread::get_id() == mainThread_; }
    bool runOnMainThread(const std::function<void()>& work, double) override {
        work();
        return true;
    }
    void runMainLoop() override {
        std::unique_lock lock(mutex_);
        loopChanged_.wait(lock, [&] { return stopLoop_; });
        stopLoop_ = false;
    }
    void stopMainLoop() override {
        std::lock_guard lock(mutex_);
        stopLoop_ = true;
        loopChanged_.notify_all();
    }
    std::string operatingSystemVersion() override { return "Fake OS 1.0"; }

private:
    class Event : public KeyboardEvent {
    public:
        explicit Event(KeyEventSpec spec) : spec_(std::move(spec)) {}
        const KeyEventSpec& spec() const override { return spec_; }

    private:
        KeyEventSpec spec_;
    };

    // The caller holds mutex_.
    void record(const char* method) { calls_.emplace_back(method); }
    std::optional<AXError> queryFailureLocked(const AXElementRef& element) {
        if (destroyed_.count(identityLocked(element.id)) > 0) {
            return AXError::invalidUIElement;
        }
        // The system answers for the system-wide element, however busy the application is.
        if (busyQueries_ > 0 && identityLocked(element.id) != systemWide_) {
            --busyQueries_;
            uptime_ += busySeconds_;
            return AXError::cannotComplete;
        }
        return std::nullopt;
    }
    AXResult attributeLocked(const AXElementRef& element, std::string_view attribute) {
        const auto identity = identityLocked(element.id);
        if (auto errors = attributeErrors_.find(identity); errors != attributeErrors_.end()) {
            if (auto error = errors->second.find(std::string(attribute));
                error != errors->second.end()) {
                return AXResult::failed(error->second);
            }
        }
        auto element_ = attributes_.find(identity);
        if (element_ == attributes_.end()) {
            return AXResult::failed(AXError::noValue);
        }
        auto found = element_->second.find(std::string(attribute));
        if (found == element_->second.end()) {
            return AXResult::failed(AXError::noValue);
        }
        return AXResult::of(found->second);
    }
    std::uint64_t identityLocked(std::uint64_t id) const {
        auto found = identity_.find(id);
        return found == identity_.end() ? id : found->second;
    }
    std::optional<RunningApp> appLocked(std::int32_t pid) const {
        for (const auto& app : apps_) {
            if (app.pid == pid) {
                return app;
            }
        }
        return std::nullopt;
    }
    void notify(std::map<ObserverToken, std::function<void(std::int32_t)>>& observers,
                std::int32_t pid) {
        std::vector<std::function<void(std::int32_t)>> callbacks;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [token, callback] : observers) {
                callbacks.push_back(callback);
            }
        }
        for (const auto& callback : callbacks) {
            callback(pid);
        }
    }

    std::mutex mutex_;
    std::vector<std::string> calls_;
    std::uint64_t nextId_ = 1;

    std::map<std::uint64_t, std::uint64_t> identity_;
    std::map<std::uint64_t, std::map<std::string, AXValue>> attributes_;
    std::map<std::uint64_t,
             std::map<std::string, std::function<std::optional<AXValue>(const AXValue&)>>>
        parameterized_;
    std::map<std::uint64_t, std::int32_t> elementPids_;
    std::map<std::uint64_t, double> timeouts_;
    std::optional<double> globalTimeout_;
    std::map<std::uint64_t, std::map<std::string, AXError>> attributeErrors_;
    std::set<std::uint64_t> destroyed_;
    int busyQueries_ = 0;
    double busySeconds_ = 0;
    std::map<std::int32_t, std::uint64_t> appElements_;
    std::uint64_t systemWide_ = 0;
    std::atomic<bool> trusted_{true};

    std::atomic<bool> postAccess_{true};
    std::atomic<int> failCreations_{0};
    std::vector<FakePostedEvent> posted_;
    std::map<std::pair<int, std::uint32_t>, double> idleSeconds_;

    std::map<std::string, FakeScriptHandler> handlers_;
    std::optional<ScriptCompilation::Status> compileFailure_;
    std::optional<std::string> compileMessage_;
    std::optional<std::int32_t> compileNumber_;
    std::atomic<int> compiles_{0};
    std::vector<std::string> sources_;

    std::vector<RunningApp> apps_;
    std::set<std::int32_t> alivePids_;
    std::optional<std::int32_t> frontmost_;
    std::map<ObserverToken, std::function<void(std::int32_t)>> terminateObservers_;
    std::map<ObserverToken, std::function<void(std::int32_t)>> activateObservers_;

    std::optional<std::int32_t> automationStatus_ = 0;

    std::atomic<bool> failHandlerInstall_{false};
    std::set<std::uint32_t> takenKeyCodes_;
    std::map<HotKeyRef, RegisteredHotKey> hotKeys_;
    std::map<HotKeyHandlerRef, HotKeyCallback> hotKeyHandlers_;

    std::vector<FakeInputSource> inputSources_;
    std::optional<std::string> currentSource_;
    std::atomic<std::int32_t> selectStatus_{0};

    double uptime_ = 1000.0;
    std::vector<std::uint32_t> sleeps_;
    const std::thread::id mainThread_ = std::this_thread::get_id();
    std::condition_variable loopChanged_;
    bool stopLoop_ = false;
};

} // namespace plumeo::testing
