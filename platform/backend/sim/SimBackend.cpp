#include "platform/backend/sim/SimBackend.h"

#include "core/text/Utf16.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <unistd.h>

namespace plumeo {

using nlohmann::json;

namespace {

/// The connection invalid error, which the Word bridge reads as "Word is not running".
constexpr std::int32_t connectionInvalid = -609;
constexpr int eventPollMs = 200;

class SimKeyboardEvent : public KeyboardEvent {
public:
    explicit SimKeyboardEvent(KeyEventSpec spec) : spec_(std::move(spec)) {}
    const KeyEventSpec& spec() const override { return spec_; }

private:
    KeyEventSpec spec_;
};

class SimCompiledScript : public CompiledScript {
public:
    explicit SimCompiledScript(std::string source) : source(std::move(source)) {}
    const std::string source;
};

ScriptDescriptor decodeDescriptor(const json& value) {
    if (!value.is_object() || value.empty()) {
        return ScriptDescriptor::makeNull();
    }
    const auto first = value.begin();
    const std::string& key = first.key();
    const json& payload = first.value();
    if (key == "list" && payload.is_array()) {
        std::vector<ScriptDescriptor> items;
        for (const auto& item : payload) {
            items.push_back(decodeDescriptor(item));
        }
        return ScriptDescriptor::makeList(std::move(items));
    }
    if (key == "string" && payload.is_string()) {
        return ScriptDescriptor::makeString(toUtf16(payload.get<std::string>()));
    }
    if (key == "integer" && payload.is_number_integer()) {
        return ScriptDescriptor::makeInteger(
            static_cast<std::int32_t>(payload.get<std::int64_t>()));
    }
    if (key == "boolean" && payload.is_boolean()) {
        return ScriptDescriptor::makeBoolean(payload.get<bool>());
    }
    if (key == "enum" && payload.is_number_integer()) {
        return ScriptDescriptor::makeEnumeration(
            static_cast<std::uint32_t>(payload.get<std::int64_t>()));
    }
    return ScriptDescriptor::makeNull();
}

std::optional<RunningApp> decodeApp(const json& value) {
    if (!value.is_object() || !value.contains("pid")) {
        return std::nullopt;
    }
    RunningApp app;
    app.pid = value.value("pid", 0);
    app.bundleIdentifier = value.value("bundleId", "");
    if (value.contains("name") && value["name"].is_string()) {
        app.localizedName = value["name"].get<std::string>();
    }
    return app;
}

InputSourceInfo decodeSource(const json& value) {
    InputSourceInfo info;
    info.id = value.value("id", "");
    info.localizedName = value.value("name", "");
    info.isASCIICapable = value.value("asciiCapable", false);
    info.type = value.value("type", "");
    info.native = std::make_shared<std::string>(*info.id);
    return info;
}


json keyEventJson(const KeyEventSpec& spec) {
    return {{"keyCode", spec.virtualKey},
            {"keyDown", spec.keyDown},
            {"flags", spec.flags},
            {"text", toUtf8(spec.unicode)},
            {"userData", spec.userData}};
}

} // namespace

SimBackend::SimBackend(std::string socketPath) : socketPath_(std::move(socketPath)) {}

SimBackend::~SimBackend() {
    stopping_ = true;
    {
        std::lock_guard lock(eventThreadMutex_);
        if (eventThread_.joinable()) {
            eventThread_.join();
        }
    }
    {
        // Deliveries still queued for the main thread would reach a backend that is gone.
        std::lock_guard lock(mainMutex_);
        mainJobs_.clear();
    }
    std::map<HotKeyRef, HotKeyID> registered;
    {
        std::lock_guard lock(callbackMutex_);
        registered.swap(hotKeys_);
    }
    // Registrations live in the simulator; leave none behind for the next client.
    for (const auto& [ref, id] : registered) {
        call("hotkey.unregister", {{"ref", ref}});
    }
}

std::optional<json> SimBackend::call(const std::string& op, const json& args) {
    ++requests_;
    std::unique_ptr<simproto::SimConnection> connection;
    {
        std::lock_guard lock(poolMutex_);
        if (!idle_.empty()) {
            connection = std::move(idle_.back());
            idle_.pop_back();
        }
    }
    try {
        if (!connection) {
            connection = std::make_unique<simproto::SimConnection>(socketPath_);
        }
        json result = connection->call(op, args);
        std::lock_guard lock(poolMutex_);
        idle_.push_back(std::move(connection));
        return result;
    } catch (const simproto::SimError& error) {
        // A refused request leaves the connection usable; a broken one is dropped.
        if (connection && error.code() != "transport" && error.code() != "connect") {
            std::lock_guard lock(poolMutex_);
            idle_.push_back(std::move(connection));
        }
        return std::nullopt;
    }
}

// -- Quartz events -------------------------------------------------------------------------------

std::unique_ptr<KeyboardEvent> SimBackend::createKeyboardEvent(const KeyEventSpec& spec) {
    if (!eventSourceCreated_) {
        // The event source and the first event are made on the main thread, as on a Mac.
        bool created = false;
        runOnMainThread([&] { created = mainThreadCall("keys.createSource"); });
        if (!created) {
            return nullptr;
        }
        eventSourceCreated_ = true;
    }
    return std::make_unique<SimKeyboardEvent>(spec);
}

void SimBackend::postKeyboardEvent(const KeyboardEvent& event,
                                   const KeyEventDestination& destination) {
    postKeyboardEvents({&event}, destination);
}

void SimBackend::postKeyboardEvents(const std::vector<const KeyboardEvent*>& events,
                                    const KeyEventDestination& destination) {
    if (events.empty()) {
        return;
    }
    json args = {{"events", json::array()}};
    for (const KeyboardEvent* event : events) {
        args["events"].push_back(keyEventJson(event->spec()));
    }
    args["route"] = destination.kind == KeyEventDestination::Kind::hidTap ? "hid" : "process";
    if (destination.kind == KeyEventDestination::Kind::process) {
        args["pid"] = destination.pid;
    }
    // CGEventPostToPid returns once the event sits in the target's queue, so a click the user
    // makes afterwards reaches Word after it. A one-way post does not keep that order: under
    // load an injected click overtook a whole stretch of keys that had not been read yet. The
    // post therefore waits for the simulator to take the events in, over one ordered
    // connection of its own; events posted back to back travel together, as one round trip.
    std::lock_guard lock(postMutex_);
    ++requests_;
    try {
        if (!postConnection_) {
            postConnection_ = std::make_unique<simproto::SimConnection>(socketPath_);
        }
        postConnection_->call("keys.post", args);
    } catch (const simproto::SimError&) {
        // Posting reports nothing; a broken connection is made anew for the next event.
        postConnection_.reset();
    }
}

double SimBackend::secondsSinceLastEventType(EventSourceState, std::uint32_t eventType) {
    const auto seconds = call("keys.idle", {{"eventType", eventType}});
    // Unknown means "long ago", so a lost simulator never reads as user activity.
    return seconds && seconds->is_number() ? seconds->get<double>() : 1.0e9;
}

bool SimBackend::preflightPostEventAccess() {
    const auto granted = call("keys.postAccess");
    return granted && granted->is_boolean() && granted->get<bool>();
}

bool SimBackend::requestPostEventAccess() {
    const auto granted = call("keys.requestPostAccess");
    return granted && granted->is_boolean() && granted->get<bool>();
}

// -- Scripts -------------------------------------------------------------------------------------

ScriptCompilation SimBackend::compileScript(const std::string& source) {
    ScriptCompilation compilation;
    const auto answer = call("script.compile", {{"source", source}});
    if (!answer || !answer->is_object()) {
        compilation.status = ScriptCompilation::Status::notCreated;
        return compilation;
    }
    if (!answer->value("compiled", false)) {
        compilation.status = ScriptCompilation::Status::notCompiled;
        if (answer->contains("message") && (*answer)["message"].is_string()) {
            compilation.errorMessage = (*answer)["message"].get<std::string>();
        }
        if (answer->contains("number") && (*answer)["number"].is_number_integer()) {
            compilation.errorNumber = (*answer)["number"].get<std::int32_t>();
        }
        return compilation;
    }
    compilation.status = ScriptCompilation::Status::compiled;
    compilation.script = std::make_unique<SimCompiledScript>(source);
    return compilation;
}

ScriptResult SimBackend::executeHandler(CompiledScript& script, std::string_view handlerName,
                                        const std::vector<ScriptParameter>& parameters) {
    const auto* compiled = dynamic_cast<SimCompiledScript*>(&script);
    if (!compiled) {
        return ScriptResult::failure(-1708, "not a script of this backend");
    }
    json params = json::array();
    for (const auto& parameter : parameters) {
        if (const auto* text = std::get_if<std::u16string>(&parameter)) {
            params.push_back({{"string", toUtf8(*text)}});
        } else {
            params.push_back({{"integer", std::get<std::int32_t>(parameter)}});
        }
    }
    const auto answer = call(
        "script.run",
        {{"source", compiled->source}, {"handler", std::string(handlerName)}, {"params", params}});
    if (!answer || !answer->is_object()) {
        return ScriptResult::failure(connectionInvalid, "Connection is invalid.");
    }
    if (answer->contains("descriptor")) {
        return ScriptResult::success(decodeDescriptor((*answer)["descriptor"]));
    }
    std::optional<std::int32_t> number;
    std::optional<std::string> message;
    if (answer->contains("errorNumber") && (*answer)["errorNumber"].is_number_integer()) {
        number = (*answer)["errorNumber"].get<std::int32_t>();
    }
    if (answer->contains("errorMessage") && (*answer)["errorMessage"].is_string()) {
        message = (*answer)["errorMessage"].get<std::string>();
    }
    return ScriptResult::failure(number, message);
}

// -- Applications --------------------------------------------------------------------------------

std::vector<RunningApp> SimBackend::runningApplications(std::string_view bundleIdentifier) {
    std::vector<RunningApp> apps;
    const auto list = call("apps.running", {{"bundleId", std::string(bundleIdentifier)}});
    if (list && list->is_array()) {
        for (const auto& entry : *list) {
            if (auto app = decodeApp(entry)) {
                apps.push_back(*app);
            }
        }
    }
    return apps;
}

std::optional<RunningApp> SimBackend::runningApplication(std::int32_t pid) {
    const auto app = call("apps.byPid", {{"pid", pid}});
    return app ? decodeApp(*app) : std::nullopt;
}

std::optional<RunningApp> SimBackend::frontmostApplication() {
    const auto app = call("apps.frontmost");
    return app ? decodeApp(*app) : std::nullopt;
}

bool SimBackend::activateApplication(std::int32_t pid) {
    const auto done = call("apps.activate", {{"pid", pid}});
    return done && done->is_boolean() && done->get<bool>();
}

bool SimBackend::openApplication(std::string_view bundleIdentifier) {
    const auto done = call("apps.open", {{"bundleId", std::string(bundleIdentifier)}});
    return done && done->is_boolean() && done->get<bool>();
}

bool SimBackend::openURL(std::string_view) {
    // The simulated desktop has no settings panes to show.
    return false;
}

bool SimBackend::processExists(std::int32_t pid) {
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

ObserverToken SimBackend::addObserver(std::string kind,
                                      std::function<void(std::int32_t)> callback) {
    ObserverToken token = 0;
    {
        std::lock_guard lock(callbackMutex_);
        token = nextToken_++;
        observers_[token] = {std::move(kind), std::move(callback)};
    }
    ensureEventThread();
    return token;
}

ObserverToken
SimBackend::observeApplicationTerminated(std::function<void(std::int32_t pid)> onTerminated) {
    return addObserver("terminated", std::move(onTerminated));
}

ObserverToken
SimBackend::observeApplicationActivated(std::function<void(std::int32_t pid)> onActivated) {
    return addObserver("activated", std::move(onActivated));
}

void SimBackend::removeObserver(ObserverToken token) {
    std::lock_guard lock(callbackMutex_);
    observers_.erase(token);
}

std::optional<std::int32_t>
SimBackend::determinePermissionToAutomate(std::string_view bundleIdentifier, ConsentPrompt) {
    const auto status = call("perm.automation", {{"bundleId", std::string(bundleIdentifier)}});
    if (!status || !status->is_number_integer()) {
        return std::nullopt;
    }
    return status->get<std::int32_t>();
}

// -- Hot keys ------------------------------------------------------------------------------------

std::optional<HotKeyHandlerRef> SimBackend::installHotKeyHandler(HotKeyCallback callback) {
    std::optional<HotKeyHandlerRef> ref;
    runOnMainThread([&] {
        if (!mainThreadCall("hotkey.installHandler")) {
            return;
        }
        std::lock_guard lock(callbackMutex_);
        ref = nextToken_++;
        hotKeyHandlers_[*ref] = std::move(callback);
    });
    if (ref) {
        ensureEventThread();
    }
    return ref;
}

void SimBackend::removeHotKeyHandler(HotKeyHandlerRef handler) {
    runOnMainThread([&] {
        mainThreadCall("hotkey.removeHandler");
        std::lock_guard lock(callbackMutex_);
        hotKeyHandlers_.erase(handler);
    });
}

std::optional<HotKeyRef> SimBackend::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                    HotKeyID id, HotKeyOwnership ownership) {
    std::optional<json> ref;
    runOnMainThread([&] {
        ref = call("hotkey.register", {{"keyCode", keyCode},
                                       {"modifiers", modifiers},
                                       {"signature", id.signature},
                                       {"id", id.id},
                                       {"exclusive", ownership == HotKeyOwnership::exclusive},
                                       {"mainThread", isMainThread()}});
    });
    if (!ref || !ref->is_number_unsigned()) {
        return std::nullopt;
    }
    std::lock_guard lock(callbackMutex_);
    hotKeys_[ref->get<HotKeyRef>()] = id;
    return ref->get<HotKeyRef>();
}

void SimBackend::unregisterHotKey(HotKeyRef ref) {
    {
        std::lock_guard lock(callbackMutex_);
        hotKeys_.erase(ref);
    }
    runOnMainThread([&] {
        call("hotkey.unregister", {{"ref", ref}, {"mainThread", isMainThread()}});
    });
}

// -- Input sources -------------------------------------------------------------------------------

std::optional<InputSourceInfo> SimBackend::currentKeyboardInputSource() {
    std::optional<json> source;
    runOnMainThread([&] { source = call("input.current", {{"mainThread", isMainThread()}}); });
    if (!source || !source->is_object()) {
        return std::nullopt;
    }
    return decodeSource(*source);
}

std::optional<std::vector<InputSourceInfo>>
SimBackend::inputSourceList(const InputSourceFilter& filter) {
    json args = {{"includeAllInstalled", filter.includeAllInstalled}};
    if (filter.id) {
        args["id"] = *filter.id;
    }
    if (filter.isEnabled) {
        args["enabled"] = *filter.isEnabled;
    }
    if (filter.isSelectCapable) {
        args["selectCapable"] = *filter.isSelectCapable;
    }
    std::optional<json> list;
    runOnMainThread([&] {
        args["mainThread"] = isMainThread();
        list = call("input.list", args);
    });
    if (!list || !list->is_array()) {
        return std::nullopt;
    }
    std::vector<InputSourceInfo> sources;
    for (const auto& source : *list) {
        sources.push_back(decodeSource(source));
    }
    return sources;
}

std::int32_t SimBackend::selectInputSource(const InputSourceInfo& source) {
    const auto* id = static_cast<const std::string*>(source.native.get());
    const std::string wanted = id ? *id : source.id.value_or("");
    std::optional<json> status;
    runOnMainThread([&] {
        status = call("input.select", {{"id", wanted}, {"mainThread", isMainThread()}});
    });
    return status && status->is_number_integer() ? status->get<std::int32_t>() : -50;
}

bool SimBackend::mainThreadCall(const char* what) {
    const auto allowed =
        call("sys.mainThreadCall", {{"what", what}, {"mainThread", isMainThread()}});
    return allowed && allowed->is_boolean() && allowed->get<bool>();
}

// -- Process and threads -------------------------------------------------------------------------

double SimBackend::systemUptime() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SimBackend::sleepMicroseconds(std::uint32_t microseconds) {
    usleep(microseconds);
}

bool SimBackend::isMainThread() {
    std::lock_guard lock(mainMutex_);
    return mainThread_ == std::this_thread::get_id();
}

bool SimBackend::runOnMainThread(const std::function<void()>& work, double waitSeconds) {
    auto job = std::make_shared<MainJob>();
    {
        std::unique_lock lock(mainMutex_);
        if (!mainThread_ || *mainThread_ == std::this_thread::get_id()) {
            lock.unlock();
            work();
            return true;
        }
        job->work = work;
        mainJobs_.push_back(job);
        mainChanged_.notify_all();
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSeconds);
        if (!mainChanged_.wait_until(lock, deadline,
                                     [&] { return job->taken || job->abandoned; })) {
            // The main thread is busy or waiting for us: give up rather than deadlock.
            std::erase(mainJobs_, job);
            return false;
        }
        if (job->abandoned) {
            lock.unlock();
            work();
            return true;
        }
        mainChanged_.wait(lock, [&] { return job->done; });
    }
    return true;
}

bool SimBackend::postToMain(std::function<void()> work) {
    std::lock_guard lock(mainMutex_);
    if (!mainThread_) {
        return false;
    }
    auto job = std::make_shared<MainJob>();
    job->work = std::move(work);
    mainJobs_.push_back(std::move(job));
    mainChanged_.notify_all();
    return true;
}

void SimBackend::runMainLoop() {
    std::unique_lock lock(mainMutex_);
    mainThread_ = std::this_thread::get_id();
    for (;;) {
        mainChanged_.wait(lock, [&] { return stopRequested_ || !mainJobs_.empty(); });
        if (stopRequested_) {
            break;
        }
        auto job = mainJobs_.front();
        mainJobs_.pop_front();
        job->taken = true;
        mainChanged_.notify_all();
        lock.unlock();
        job->work();
        lock.lock();
        job->done = true;
        mainChanged_.notify_all();
    }
    stopRequested_ = false;
    mainThread_.reset();
    // Whatever is still queued will not run here: waiting callers run it themselves.
    for (const auto& job : mainJobs_) {
        job->abandoned = true;
    }
    mainJobs_.clear();
    mainChanged_.notify_all();
}

void SimBackend::claimMainThread() {
    std::lock_guard lock(mainMutex_);
    mainThread_ = std::this_thread::get_id();
}

void SimBackend::stopMainLoop() {
    std::lock_guard lock(mainMutex_);
    stopRequested_ = true;
    mainChanged_.notify_all();
}

std::string SimBackend::operatingSystemVersion() {
    return "Plumeo 模拟器（plumeo-sim）";
}

// -- Notifications -------------------------------------------------------------------------------

void SimBackend::ensureEventThread() {
    std::lock_guard lock(eventThreadMutex_);
    if (eventThread_.joinable() || stopping_) {
        return;
    }
    // The starting point is taken here, so whatever happens after the first observer or
    // handler was installed is delivered.
    std::optional<std::uint64_t> after;
    if (const auto answer = call("events.wait", {{"after", 0}, {"timeoutMs", 0}})) {
        after = answer->value("last", std::uint64_t{0});
    }
    eventThread_ = std::thread([this, after] { pollEvents(after); });
}

void SimBackend::pollEvents(std::optional<std::uint64_t> after) {
    std::unique_ptr<simproto::SimConnection> connection;
    while (!stopping_) {
        try {
            if (!connection) {
                connection = std::make_unique<simproto::SimConnection>(socketPath_);
            }
            if (!after) {
                after = connection->call("events.wait", {{"after", 0}, {"timeoutMs", 0}})
                            .value("last", std::uint64_t{0});
            }
            const json answer =
                connection->call("events.wait", {{"after", *after}, {"timeoutMs", eventPollMs}});
            for (const auto& event : answer.value("events", json::array())) {
                after = std::max(*after, event.value("seq", std::uint64_t{0}));
                // Notifications and hot keys arrive on the main thread while it turns.
                if (!postToMain([this, event] { dispatch(event); })) {
                    dispatch(event);
                }
            }
        } catch (const simproto::SimError&) {
            connection.reset();
            std::this_thread::sleep_for(std::chrono::milliseconds(eventPollMs));
        }
    }
}

void SimBackend::dispatch(const json& event) {
    const std::string kind = event.value("kind", "");
    std::lock_guard lock(callbackMutex_);
    if (kind == "hotKey") {
        const HotKeyID id{event.value("signature", 0u), event.value("hotKeyId", 0u)};
        bool ours = false;
        for (const auto& [ref, registered] : hotKeys_) {
            ours = ours || registered == id;
        }
        if (!ours) {
            return;
        }
        // Copies, since a handler may remove itself (or others) while it runs.
        const auto handlers = hotKeyHandlers_;
        for (const auto& [ref, handler] : handlers) {
            if (hotKeyHandlers_.count(ref)) {
                handler(id);
            }
        }
        return;
    }
    const auto pid = event.value("pid", 0);
    const auto observers = observers_;
    for (const auto& [token, observer] : observers) {
        if (observer.kind == kind && observers_.count(token)) {
            observer.callback(pid);
        }
    }
}

} // namespace plumeo
