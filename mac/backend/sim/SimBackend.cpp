#include "mac/backend/sim/SimBackend.h"

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

std::optional<AXValue> decodeValue(const json& value) {
    if (!value.is_object() || value.empty()) {
        return std::nullopt;
    }
    const auto first = value.begin();
    const std::string& key = first.key();
    const json& payload = first.value();
    if (key == "element" && payload.is_number_unsigned()) {
        return AXValue{AXElementRef{payload.get<std::uint64_t>(), nullptr}};
    }
    if (key == "elements" && payload.is_array()) {
        std::vector<AXElementRef> elements;
        for (const auto& id : payload) {
            if (!id.is_number_unsigned()) {
                return std::nullopt;
            }
            elements.push_back({id.get<std::uint64_t>(), nullptr});
        }
        return AXValue{std::move(elements)};
    }
    if (key == "string" && payload.is_string()) {
        return AXValue{toUtf16(payload.get<std::string>())};
    }
    if (key == "number" && payload.is_number()) {
        return AXValue{payload.get<double>()};
    }
    if (key == "bool" && payload.is_boolean()) {
        return AXValue{payload.get<bool>()};
    }
    if (key == "range" && payload.is_array() && payload.size() == 2 &&
        payload[0].is_number_integer() && payload[1].is_number_integer()) {
        return AXValue{AXTextRange{payload[0].get<std::int64_t>(), payload[1].get<std::int64_t>()}};
    }
    return AXValue{AXOtherValue{key}};
}

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

json elementArgs(const AXElementRef& element) {
    return {{"element", element.id}};
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

// -- Accessibility -------------------------------------------------------------------------------

AXElementRef SimBackend::axApplicationElement(std::int32_t pid) {
    const auto id = call("ax.application", {{"pid", pid}});
    return AXElementRef{id && id->is_number_unsigned() ? id->get<std::uint64_t>() : 0, nullptr};
}

AXElementRef SimBackend::axSystemWideElement() {
    const auto id = call("ax.systemWide");
    return AXElementRef{id && id->is_number_unsigned() ? id->get<std::uint64_t>() : 0, nullptr};
}

std::optional<AXValue> SimBackend::axAttribute(const AXElementRef& element,
                                               std::string_view attribute) {
    json args = elementArgs(element);
    args["name"] = std::string(attribute);
    const auto value = call("ax.attribute", args);
    return value ? decodeValue(*value) : std::nullopt;
}

std::optional<AXValue> SimBackend::axParameterizedAttribute(const AXElementRef& element,
                                                            std::string_view attribute,
                                                            const AXValue& parameter) {
    json args = elementArgs(element);
    args["name"] = std::string(attribute);
    if (const auto* range = std::get_if<AXTextRange>(&parameter)) {
        args["parameter"] = {{"range", {range->location, range->length}}};
    } else {
        args["parameter"] = json::object();
    }
    const auto value = call("ax.parameterized", args);
    return value ? decodeValue(*value) : std::nullopt;
}

std::vector<std::string> SimBackend::axAttributeNames(const AXElementRef& element) {
    const auto names = call("ax.attributeNames", elementArgs(element));
    if (!names || !names->is_array()) {
        return {};
    }
    return names->get<std::vector<std::string>>();
}

std::vector<std::string> SimBackend::axParameterizedAttributeNames(const AXElementRef& element) {
    const auto names = call("ax.parameterizedNames", elementArgs(element));
    if (!names || !names->is_array()) {
        return {};
    }
    return names->get<std::vector<std::string>>();
}

void SimBackend::axSetMessagingTimeout(const AXElementRef&, double) {
    // The simulator answers at once; there is nothing to bound.
}

std::optional<std::int32_t> SimBackend::axPid(const AXElementRef& element) {
    const auto pid = call("ax.pid", elementArgs(element));
    if (!pid || !pid->is_number_integer()) {
        return std::nullopt;
    }
    return pid->get<std::int32_t>();
}

bool SimBackend::axIsSameElement(const AXElementRef& a, const AXElementRef& b) {
    return a.id != 0 && a.id == b.id;
}

bool SimBackend::axIsProcessTrusted() {
    const auto trusted = call("ax.trusted");
    return trusted && trusted->is_boolean() && trusted->get<bool>();
}

bool SimBackend::axIsProcessTrustedWithOptions(ConsentPrompt) {
    return axIsProcessTrusted();
}

// -- Quartz events -------------------------------------------------------------------------------

std::unique_ptr<KeyboardEvent> SimBackend::createKeyboardEvent(const KeyEventSpec& spec) {
    return std::make_unique<SimKeyboardEvent>(spec);
}

void SimBackend::postKeyboardEvent(const KeyboardEvent& event,
                                   const KeyEventDestination& destination) {
    const KeyEventSpec& spec = event.spec();
    json args = {
        {"route", destination.kind == KeyEventDestination::Kind::hidTap ? "hid" : "process"},
        {"keyCode", spec.virtualKey},
        {"keyDown", spec.keyDown},
        {"flags", spec.flags},
        {"text", toUtf8(spec.unicode)},
        {"userData", spec.userData}};
    if (destination.kind == KeyEventDestination::Kind::process) {
        args["pid"] = destination.pid;
    }
    call("keys.post", args);
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
    HotKeyHandlerRef ref = 0;
    {
        std::lock_guard lock(callbackMutex_);
        ref = nextToken_++;
        hotKeyHandlers_[ref] = std::move(callback);
    }
    ensureEventThread();
    return ref;
}

void SimBackend::removeHotKeyHandler(HotKeyHandlerRef handler) {
    std::lock_guard lock(callbackMutex_);
    hotKeyHandlers_.erase(handler);
}

std::optional<HotKeyRef> SimBackend::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                    HotKeyID id) {
    const auto ref = call("hotkey.register", {{"keyCode", keyCode},
                                              {"modifiers", modifiers},
                                              {"signature", id.signature},
                                              {"id", id.id}});
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
    call("hotkey.unregister", {{"ref", ref}});
}

// -- Input sources -------------------------------------------------------------------------------

std::optional<InputSourceInfo> SimBackend::currentKeyboardInputSource() {
    const auto source = call("input.current");
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
    const auto list = call("input.list", args);
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
    const auto status = call("input.select", {{"id", wanted}});
    return status && status->is_number_integer() ? status->get<std::int32_t>() : -50;
}

// -- Process and threads -------------------------------------------------------------------------

double SimBackend::systemUptime() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SimBackend::sleepMicroseconds(std::uint32_t microseconds) {
    usleep(microseconds);
}

void SimBackend::runOnMainThread(const std::function<void()>& work) {
    work();
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
                dispatch(event);
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
