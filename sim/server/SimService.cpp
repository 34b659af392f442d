#include "sim/server/SimService.h"

#include "core/text/Utf16.h"
#include "sim/model/ScriptLibrary.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <unistd.h>

namespace plumeo::sim {

using nlohmann::json;

namespace {

/// A request whose arguments do not fit the operation.
struct InvalidArguments {
    std::string message;
};

const json& field(const json& args, const char* key) {
    const auto found = args.find(key);
    if (found == args.end()) {
        throw InvalidArguments{std::string("missing \"") + key + "\""};
    }
    return *found;
}

std::int64_t integerArg(const json& args, const char* key) {
    const json& value = field(args, key);
    if (!value.is_number_integer()) {
        throw InvalidArguments{std::string("\"") + key + "\" must be an integer"};
    }
    return value.get<std::int64_t>();
}

std::int64_t integerArg(const json& args, const char* key, std::int64_t fallback) {
    return args.contains(key) ? integerArg(args, key) : fallback;
}

double numberArg(const json& args, const char* key) {
    const json& value = field(args, key);
    if (!value.is_number()) {
        throw InvalidArguments{std::string("\"") + key + "\" must be a number"};
    }
    return value.get<double>();
}

bool boolArg(const json& args, const char* key) {
    const json& value = field(args, key);
    if (!value.is_boolean()) {
        throw InvalidArguments{std::string("\"") + key + "\" must be a Boolean"};
    }
    return value.get<bool>();
}

bool boolArg(const json& args, const char* key, bool fallback) {
    return args.contains(key) ? boolArg(args, key) : fallback;
}

std::string stringArg(const json& args, const char* key) {
    const json& value = field(args, key);
    if (!value.is_string()) {
        throw InvalidArguments{std::string("\"") + key + "\" must be a string"};
    }
    return value.get<std::string>();
}

std::string stringArg(const json& args, const char* key, const std::string& fallback) {
    return args.contains(key) ? stringArg(args, key) : fallback;
}

std::u16string textArg(const json& args, const char* key) {
    try {
        return toUtf16(stringArg(args, key));
    } catch (const Utf8Error&) {
        throw InvalidArguments{std::string("\"") + key + "\" is not valid UTF-8"};
    }
}

sim::ElementId elementArg(const json& args) {
    const json& value = field(args, "element");
    if (!value.is_number_unsigned()) {
        throw InvalidArguments{"\"element\" must be an element id"};
    }
    return value.get<sim::ElementId>();
}

int pidArg(const json& args) {
    const std::int64_t pid = integerArg(args, "pid");
    if (pid < 0 || pid > 0x7FFFFFFF) {
        throw InvalidArguments{"\"pid\" out of range"};
    }
    return static_cast<int>(pid);
}

json appJson(const std::optional<AppInfo>& app) {
    if (!app) {
        return nullptr;
    }
    return {{"pid", app->pid}, {"bundleId", app->bundleId}, {"name", app->name}};
}

/// An element travels with its process id, which the client keeps, as AXUIElementGetPid needs
/// no round trip on a Mac.
json answerJson(const std::optional<AXAnswer>& answer, SimWorld& world) {
    if (!answer) {
        return nullptr;
    }
    return std::visit(
        [&world](const auto& value) -> json {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, ElementId>) {
                const auto pid = world.elementPid(value);
                return {{"element", value}, {"pid", pid ? json(*pid) : json(nullptr)}};
            } else if constexpr (std::is_same_v<T, ElementList>) {
                json pids = json::array();
                for (const ElementId id : value.ids) {
                    const auto pid = world.elementPid(id);
                    pids.push_back(pid ? json(*pid) : json(nullptr));
                }
                return {{"elements", value.ids}, {"pids", pids}};
            } else if constexpr (std::is_same_v<T, std::u16string>) {
                return {{"string", toUtf8(value)}};
            } else if constexpr (std::is_same_v<T, double>) {
                return {{"number", value}};
            } else if constexpr (std::is_same_v<T, bool>) {
                return {{"bool", value}};
            } else {
                return {{"range", {value.location, value.length}}};
            }
        },
        *answer);
}

json replyJson(const AXReply& reply, SimWorld& world) {
    if (!reply.value) {
        return {{"error", reply.error}};
    }
    return answerJson(reply.value, world);
}

/// The messaging timeout the client set for the element (else the system's default).
double timeoutArg(const json& args) {
    constexpr double systemDefaultSeconds = 6.0;
    if (!args.contains("timeoutMs")) {
        return systemDefaultSeconds;
    }
    const double ms = numberArg(args, "timeoutMs");
    return ms > 0 ? ms / 1000.0 : systemDefaultSeconds;
}

json descriptorJson(const ScriptValue& value) {
    switch (value.type) {
    case ScriptValue::Type::list: {
        json items = json::array();
        for (const auto& item : value.items) {
            items.push_back(descriptorJson(item));
        }
        return {{"list", items}};
    }
    case ScriptValue::Type::string:
        return {{"string", toUtf8(value.text)}};
    case ScriptValue::Type::integer:
        return {{"integer", value.number}};
    case ScriptValue::Type::boolean:
        return {{"boolean", value.number != 0}};
    case ScriptValue::Type::enumeration:
        return {{"enum", value.number}};
    case ScriptValue::Type::null:
        break;
    }
    return {{"null", true}};
}

json sourceJson(const InputSource& source) {
    return {{"id", source.id},
            {"name", source.name},
            {"asciiCapable", source.asciiCapable},
            {"type", source.type},
            {"enabled", source.enabled},
            {"selectCapable", source.selectCapable}};
}

KeyEvent keyArg(const json& args) {
    KeyEvent event;
    const std::int64_t keyCode = integerArg(args, "keyCode");
    if (keyCode < 0 || keyCode > 0xFFFF) {
        throw InvalidArguments{"\"keyCode\" out of range"};
    }
    event.keyCode = static_cast<std::uint16_t>(keyCode);
    event.keyDown = boolArg(args, "keyDown", true);
    event.flags = static_cast<std::uint64_t>(integerArg(args, "flags", 0));
    event.text = args.contains("text") ? textArg(args, "text") : std::u16string();
    event.userData = integerArg(args, "userData", 0);
    return event;
}

json scriptError(int number, const std::string& message) {
    return {{"errorNumber", number}, {"errorMessage", message}};
}

} // namespace

double SteadySimClock::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

SimService::SimService(SimConfig config, ProcessHost& processes)
    : processes_(processes), world_(std::make_unique<SimWorld>(config, clock_, processes)) {}

SimService::~SimService() = default;

std::string SimService::oversizedAnswer() {
    return simproto::encodeError(0, "oversized", "request longer than the message limit");
}

std::string SimService::handleLine(std::string_view line) {
    auto parsed = simproto::parseRequest(line);
    if (auto* bad = std::get_if<simproto::BadRequest>(&parsed)) {
        return simproto::encodeError(bad->id, bad->code, bad->message);
    }
    const auto& request = std::get<simproto::Request>(parsed);
    try {
        return simproto::encodeResult(request.id, dispatch(request));
    } catch (const InvalidArguments& invalid) {
        return simproto::encodeError(request.id, "invalid", invalid.message);
    } catch (const std::exception& error) {
        // A model failure is reported, never allowed to take the simulator down.
        return simproto::encodeError(request.id, "internal", error.what());
    }
}

void SimService::withWorld(const std::function<void(SimWorld&)>& work) {
    bool newEvents = false;
    {
        std::lock_guard lock(mutex_);
        const std::uint64_t before = world_->lastEventSeq();
        work(*world_);
        newEvents = world_->lastEventSeq() != before;
    }
    // Only a waiter for notifications needs waking at once; every other wait looks again within
    // a few milliseconds. Waking them all on every request had them contend for the world with
    // the next request, the very one a client waits for.
    if (newEvents) {
        changed_.notify_all();
    }
}

void SimService::tick() {
    withWorld([this](SimWorld& world) {
        if (const auto pid = world.wordPid(); pid && processes_.hasExited(*pid)) {
            world.processExited(*pid);
        }
        // A client that ended without signing off takes its window with it.
        for (int pid : world.clientPids()) {
            if (kill(pid, 0) != 0 && errno == ESRCH) {
                world.unregisterClientApp(pid);
            }
        }
        world.advance();
    });
}

void SimService::shutdown() {
    shutdown_ = true;
    changed_.notify_all();
}

bool SimService::waitUntil(double seconds, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::unique_lock lock(mutex_);
    for (;;) {
        world_->advance();
        if (done()) {
            return true;
        }
        if (shutdown_ || std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        // Time-driven changes (queued keys, dialog give-ups) need a look now and then.
        changed_.wait_for(lock, std::chrono::milliseconds(5));
    }
}

nlohmann::json SimService::runScript(const json& args) {
    const std::string source = stringArg(args, "source");
    const std::string handler = stringArg(args, "handler");
    std::vector<std::u16string> strings;
    std::vector<std::int64_t> ints;
    const json& params = field(args, "params");
    if (!params.is_array()) {
        throw InvalidArguments{"\"params\" must be an array"};
    }
    for (const auto& param : params) {
        if (param.is_object() && param.contains("string")) {
            strings.push_back(textArg(param, "string"));
        } else if (param.is_object() && param.contains("integer")) {
            ints.push_back(integerArg(param, "integer"));
        } else {
            throw InvalidArguments{"a parameter is {\"string\": ...} or {\"integer\": ...}"};
        }
    }
    const LibraryScan library = scanLibrary(source);
    if (!library.compiled) {
        return scriptError(-2741, library.errorMessage);
    }
    if (!library.declares(handler)) {
        return scriptError(-1708, "«script» doesn’t understand the “" + handler + "” message.");
    }

    double scale = 1;
    withWorld([&](SimWorld& world) { scale = world.config().scriptTimeScale; });
    const double limit = handlerTimeLimitSeconds(handler) * scale;
    const auto timedOut = scriptError(-1712, "Microsoft Word got an error: AppleEvent timed out.");

    // Word behind a modal dialog answers nothing until the dialog goes or the time limit hits.
    ScriptOutcome outcome;
    const bool answered = waitUntil(limit, [&] {
        outcome = world_->runHandler(handler, strings, ints, library.checksWordRunning(handler));
        return !outcome.wordBusy;
    });
    if (!answered) {
        return timedOut;
    }
    if (outcome.waitingForDialog) {
        std::optional<std::string> result;
        const int dialog = *outcome.waitingForDialog;
        if (!waitUntil(limit,
                       [&] { return (result = world_->dialogOutcome(dialog)).has_value(); })) {
            return timedOut;
        }
        return {{"descriptor", {{"string", *result}}}};
    }
    if (!outcome.value) {
        return scriptError(outcome.errorNumber, outcome.errorMessage);
    }
    return {{"descriptor", descriptorJson(*outcome.value)}};
}

nlohmann::json SimService::waitForEvents(const json& args) {
    const auto after = static_cast<std::uint64_t>(integerArg(args, "after", 0));
    const double timeout = std::min(static_cast<double>(integerArg(args, "timeoutMs", 0)), 30000.0);
    std::vector<SimEvent> events;
    std::uint64_t last = 0;
    waitUntil(timeout / 1000.0, [&] {
        events = world_->eventsAfter(after);
        last = world_->lastEventSeq();
        return !events.empty();
    });
    json list = json::array();
    for (const auto& event : events) {
        list.push_back({{"seq", event.seq},
                        {"kind", event.kind},
                        {"pid", event.pid},
                        {"bundleId", event.bundleId},
                        {"signature", event.signature},
                        {"hotKeyId", event.hotKeyId}});
    }
    return {{"events", list}, {"last", last}};
}

nlohmann::json SimService::dispatch(const simproto::Request& request) {
    const std::string& op = request.op;
    const json& args = request.args;
    if (op == "script.run") {
        return runScript(args);
    }
    if (op == "events.wait") {
        return waitForEvents(args);
    }
    if (op == "script.compile") {
        const LibraryScan library = scanLibrary(stringArg(args, "source"));
        if (!library.compiled) {
            // AppleScript's number for a syntax error.
            return {{"compiled", false}, {"message", library.errorMessage}, {"number", -2741}};
        }
        return {{"compiled", true}, {"handlers", library.handlers}};
    }
    if (op == "ping") {
        return {{"pid", getpid()}};
    }
    if (op == "ctl.shutdown") {
        shutdown();
        return true;
    }

    json result;
    bool known = true;
    double delaySeconds = 0; // a busy Word answers late, without holding up everyone else
    withWorld([&](SimWorld& world) {
        world.advance();
        if (op == "apps.running") {
            result = json::array();
            for (const auto& app : world.runningApps(stringArg(args, "bundleId"))) {
                result.push_back(appJson(app));
            }
        } else if (op == "apps.byPid") {
            result = appJson(world.app(pidArg(args)));
        } else if (op == "apps.frontmost") {
            result = appJson(world.frontmost());
        } else if (op == "apps.activate" || op == "ctl.activate") {
            // The user's clicks always work; a program's request may be refused.
            const bool byUser = op == "ctl.activate";
            int pid = 0;
            if (args.contains("bundleId")) {
                const auto apps = world.runningApps(stringArg(args, "bundleId"));
                pid = apps.empty() ? -1 : apps.front().pid;
            } else {
                pid = pidArg(args);
            }
            result = pid >= 0 && (byUser ? world.activate(pid) : world.requestActivation(pid));
        } else if (op == "apps.open") {
            result = world.openApp(stringArg(args, "bundleId"));
        } else if (op == "apps.register") {
            result = world.registerClientApp(
                {pidArg(args), stringArg(args, "bundleId"), stringArg(args, "name")},
                stringArg(args, "windowTitle", ""));
        } else if (op == "apps.unregister") {
            world.unregisterClientApp(pidArg(args));
            result = true;
        } else if (op == "apps.fieldText") {
            const auto text = world.clientFieldText(pidArg(args));
            result = text ? json(toUtf8(*text)) : json(nullptr);
        } else if (op == "ax.trusted") {
            result = world.permissions().accessibility;
        } else if (op == "ax.application") {
            result = world.applicationElement(pidArg(args));
        } else if (op == "ax.systemWide") {
            result = SimWorld::systemWideId;
        } else if (op == "ax.attribute") {
            const AXReply reply =
                world.axReply(elementArg(args), stringArg(args, "name"), timeoutArg(args));
            delaySeconds = reply.delaySeconds;
            result = replyJson(reply, world);
        } else if (op == "ax.attributes") {
            const json& names = field(args, "names");
            if (!names.is_array()) {
                throw InvalidArguments{"\"names\" must be a list"};
            }
            std::vector<std::string> wanted;
            for (const auto& name : names) {
                if (!name.is_string()) {
                    throw InvalidArguments{"\"names\" must hold strings"};
                }
                wanted.push_back(name.get<std::string>());
            }
            result = json::array();
            for (const auto& reply :
                 world.axMultipleReply(elementArg(args), wanted, timeoutArg(args))) {
                delaySeconds += reply.delaySeconds;
                result.push_back(replyJson(reply, world));
            }
        } else if (op == "ax.parameterized") {
            const json& parameter = field(args, "parameter");
            const auto range = parameter.is_object() ? parameter.find("range") : parameter.end();
            if (range == parameter.end() || !range->is_array() || range->size() != 2 ||
                !(*range)[0].is_number_integer() || !(*range)[1].is_number_integer()) {
                // only range parameters are understood
                result = {{"error", axerror::parameterizedAttributeUnsupported}};
            } else {
                const AXReply reply = world.axParameterizedReply(
                    elementArg(args), stringArg(args, "name"),
                    {(*range)[0].get<std::int64_t>(), (*range)[1].get<std::int64_t>()},
                    timeoutArg(args));
                delaySeconds = reply.delaySeconds;
                result = replyJson(reply, world);
            }
        } else if (op == "ax.attributeNames") {
            result = world.attributeNames(elementArg(args));
        } else if (op == "ax.parameterizedNames") {
            result = world.parameterizedAttributeNames(elementArg(args));
        } else if (op == "ax.pid") {
            const auto pid = world.elementPid(elementArg(args));
            result = pid ? json(*pid) : json(nullptr);
        } else if (op == "keys.post") {
            const std::string route = stringArg(args, "route");
            if (route != "process" && route != "hid") {
                throw InvalidArguments{"\"route\" is \"process\" or \"hid\""};
            }
            const auto to = route == "hid" ? SimWorld::Route::hidTap : SimWorld::Route::process;
            const int pid = route == "hid" ? 0 : pidArg(args);
            // One event, or several posted back to back. All are read before the first goes
            // out, so a bad one cannot leave half of them posted.
            std::vector<KeyEvent> keys;
            if (const auto events = args.find("events"); events == args.end()) {
                keys.push_back(keyArg(args));
            } else if (!events->is_array()) {
                throw InvalidArguments{"\"events\" is an array"};
            } else {
                for (const json& event : *events) {
                    keys.push_back(keyArg(event));
                }
            }
            bool posted = true;
            for (const KeyEvent& key : keys) {
                posted = world.postKey(key, to, pid) && posted;
            }
            result = posted;
        } else if (op == "keys.idle") {
            result = world.secondsSinceLastEvent(
                static_cast<std::uint32_t>(integerArg(args, "eventType")));
        } else if (op == "keys.postAccess" || op == "keys.requestPostAccess") {
            result = world.permissions().postEvents;
        } else if (op == "perm.automation") {
            result = stringArg(args, "bundleId") == wordBundleId ? world.automationStatus() : -600;
        } else if (op == "sys.mainThreadCall") {
            result = world.allowMainThreadCall(boolArg(args, "mainThread"));
        } else if ((op.starts_with("hotkey.") || op.starts_with("input.")) &&
                   !world.allowMainThreadCall(boolArg(args, "mainThread", true))) {
            result = nullptr; // refused: made off the main thread
        } else if (op == "hotkey.register") {
            const auto ref =
                world.registerHotKey(static_cast<std::uint32_t>(integerArg(args, "keyCode")),
                                     static_cast<std::uint32_t>(integerArg(args, "modifiers")),
                                     static_cast<std::uint32_t>(integerArg(args, "signature")),
                                     static_cast<std::uint32_t>(integerArg(args, "id")),
                                     boolArg(args, "exclusive", true));
            result = ref ? json(*ref) : json(nullptr);
        } else if (op == "hotkey.unregister") {
            world.unregisterHotKey(static_cast<std::uint64_t>(integerArg(args, "ref")));
            result = true;
        } else if (op == "input.current") {
            const InputSource* current = world.currentInputSource();
            result = current ? sourceJson(*current) : json(nullptr);
        } else if (op == "input.list") {
            result = json::array();
            const bool all = boolArg(args, "includeAllInstalled", false);
            for (const auto& source : world.inputSources()) {
                if ((!all && !source.enabled) ||
                    (args.contains("id") && stringArg(args, "id") != source.id) ||
                    (args.contains("enabled") && boolArg(args, "enabled") != source.enabled) ||
                    (args.contains("selectCapable") &&
                     boolArg(args, "selectCapable") != source.selectCapable)) {
                    continue;
                }
                result.push_back(sourceJson(source));
            }
        } else if (op == "input.select") {
            result = world.selectInputSource(stringArg(args, "id")) ? 0 : -50;
        } else if (op == "ctl.dump") {
            result = world.dump();
        } else if (op == "ctl.setWordTiming") {
            world.setWordTiming(numberArg(args, "eventsPerSecond"),
                                numberArg(args, "latencyMs") / 1000.0);
            result = true;
        } else if (op == "ctl.setConfig") {
            SimConfig& config = world.config();
            if (args.contains("bodyRecreateEveryChars")) {
                config.bodyRecreateEveryChars =
                    static_cast<int>(integerArg(args, "bodyRecreateEveryChars"));
            }
            config.axTextInBackground =
                boolArg(args, "axTextInBackground", config.axTextInBackground);
            if (args.contains("scriptTimeScale")) {
                config.scriptTimeScale = numberArg(args, "scriptTimeScale");
            }
            if (args.contains("axBusyShare")) {
                config.axBusyShare = std::clamp(numberArg(args, "axBusyShare"), 0.0, 1.0);
            }
            if (args.contains("axBusyLatencyMs")) {
                config.axBusyLatencySeconds = numberArg(args, "axBusyLatencyMs") / 1000.0;
            }
            if (args.contains("pageUnits")) {
                config.pageUnits = static_cast<int>(integerArg(args, "pageUnits"));
            }
            config.dropBackgroundKeys =
                boolArg(args, "dropBackgroundKeys", config.dropBackgroundKeys);
            config.splitGroupFocus = boolArg(args, "splitGroupFocus", config.splitGroupFocus);
            config.noSelectionAtStart =
                boolArg(args, "noSelectionAtStart", config.noSelectionAtStart);
            config.refuseActivation = boolArg(args, "refuseActivation", config.refuseActivation);
            config.scriptsLaunchWord = boolArg(args, "scriptsLaunchWord", config.scriptsLaunchWord);
            config.mainThreadRules = boolArg(args, "mainThreadRules", config.mainThreadRules);
            result = true;
        } else if (op == "ctl.launchWord") {
            result = world.launchWord();
        } else if (op == "ctl.quitWord") {
            world.quitWord();
            result = true;
        } else if (op == "ctl.newDocument") {
            const auto name = world.newDocument();
            result = name ? json(*name) : json(nullptr);
        } else if (op == "ctl.setDocument") {
            WordDocument* doc = args.contains("name") ? world.document(stringArg(args, "name"))
                                                      : world.activeDocument();
            if (!doc) {
                result = false;
                return;
            }
            if (args.contains("text")) {
                const std::u16string text = textArg(args, "text");
                doc->setContent(text,
                                static_cast<int>(integerArg(args, "cursor", utf16Count(text))));
            } else if (args.contains("cursor")) {
                const auto cursor = static_cast<int>(integerArg(args, "cursor"));
                doc->setSelection(cursor,
                                  static_cast<int>(integerArg(args, "selectionEnd", cursor)));
            }
            if (args.contains("path")) {
                doc->setPosixPath(stringArg(args, "path"));
            }
            if (args.contains("saveAs")) {
                doc->saveAs(stringArg(args, "saveAs"));
            }
            if (args.contains("storyType")) {
                doc->setStoryType(static_cast<std::uint32_t>(integerArg(args, "storyType")));
            }
            world.refreshBody(doc->posixPath().empty() ? doc->name() : doc->posixPath());
            result = true;
        } else if (op == "ctl.documentText") {
            const WordDocument* doc = world.document(stringArg(args, "name"));
            result = doc ? json(toUtf8(doc->story())) : json(nullptr);
        } else if (op == "ctl.openSheet") {
            result = world.openSheet(stringArg(args, "title", "存储"));
        } else if (op == "ctl.closeSheet") {
            result = world.closeSheet();
        } else if (op == "ctl.openDialog") {
            std::optional<double> giveUp;
            if (args.contains("giveUpAfterSeconds")) {
                giveUp = numberArg(args, "giveUpAfterSeconds");
            }
            result = world.openDialog(stringArg(args, "title", "Microsoft Word"), giveUp);
        } else if (op == "ctl.closeDialog") {
            result = world.closeDialog(stringArg(args, "button", "好"));
        } else if (op == "ctl.click") {
            result = world.clickInWordBody(static_cast<int>(integerArg(args, "position")));
        } else if (op == "ctl.pressKey") {
            world.pressKeyAsUser(keyArg(args));
            result = true;
        } else if (op == "ctl.setPermission") {
            const std::string name = stringArg(args, "name");
            PermissionState& permissions = world.permissions();
            if (name == "accessibility") {
                permissions.accessibility = boolArg(args, "value");
            } else if (name == "postEvents") {
                permissions.postEvents = boolArg(args, "value");
            } else if (name == "automation") {
                const auto status = integerArg(args, "value");
                if (status != 0 && status != -1743 && status != -1744) {
                    throw InvalidArguments{"automation is 0, -1743 or -1744"};
                }
                permissions.automation = static_cast<int>(status);
            } else {
                throw InvalidArguments{"unknown permission " + name};
            }
            result = true;
        } else if (op == "ctl.setAutoCorrect") {
            if (!world.autoCorrect().set(stringArg(args, "option"), boolArg(args, "on"))) {
                throw InvalidArguments{"unknown option"};
            }
            result = true;
        } else if (op == "ctl.focusToolbar") {
            world.setFocusOnToolbar(boolArg(args, "on"));
            result = true;
        } else if (op == "ctl.reserveHotKey") {
            world.reserveHotKey(static_cast<std::uint32_t>(integerArg(args, "keyCode")),
                                static_cast<std::uint32_t>(integerArg(args, "modifiers")),
                                boolArg(args, "exclusive", true));
            result = true;
        } else {
            known = false;
        }
    });
    if (!known) {
        throw InvalidArguments{"unknown operation \"" + op + "\""};
    }
    if (delaySeconds > 0) {
        waitUntil(delaySeconds, [] { return false; });
    }
    return result;
}

} // namespace plumeo::sim
