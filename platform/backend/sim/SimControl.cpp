#include "platform/backend/sim/SimControl.h"

#include "core/text/Utf16.h"

namespace plumeo {

using nlohmann::json;

SimControl::SimControl(const std::string& socketPath) : connection_(socketPath) {}

json SimControl::dump() {
    return connection_.call("ctl.dump");
}

int SimControl::simulatorPid() {
    return connection_.call("ping").value("pid", 0);
}

std::optional<int> SimControl::wordPid() {
    const json state = dump();
    const json& word = state["word"];
    if (!word["running"].get<bool>()) {
        return std::nullopt;
    }
    return word["pid"].get<int>();
}

bool SimControl::launchWord() {
    return connection_.call("ctl.launchWord").get<bool>();
}

void SimControl::quitWord() {
    connection_.call("ctl.quitWord");
}

void SimControl::setWordTiming(double eventsPerSecond, double latencyMs) {
    connection_.call("ctl.setWordTiming",
                     {{"eventsPerSecond", eventsPerSecond}, {"latencyMs", latencyMs}});
}

std::string SimControl::newDocument() {
    const json name = connection_.call("ctl.newDocument");
    if (!name.is_string()) {
        throw simproto::SimError("state", "Word is not running");
    }
    return name.get<std::string>();
}

void SimControl::setDocumentText(const std::string& name, std::u16string_view text, int cursor) {
    if (!connection_
             .call("ctl.setDocument", {{"name", name}, {"text", toUtf8(text)}, {"cursor", cursor}})
             .get<bool>()) {
        throw simproto::SimError("state", "no document " + name);
    }
}

void SimControl::setSelection(const std::string& name, int start, int end) {
    connection_.call("ctl.setDocument", {{"name", name}, {"cursor", start}, {"selectionEnd", end}});
}

void SimControl::setDocumentPath(const std::string& name, const std::string& path) {
    connection_.call("ctl.setDocument", {{"name", name}, {"path", path}});
}

void SimControl::saveDocumentAs(const std::string& document, const std::string& path) {
    connection_.call("ctl.setDocument", {{"name", document}, {"saveAs", path}});
}

void SimControl::setStoryType(const std::string& name, std::uint32_t code) {
    connection_.call("ctl.setDocument", {{"name", name}, {"storyType", code}});
}

std::u16string SimControl::documentText(const std::string& name) {
    const json text = connection_.call("ctl.documentText", {{"name", name}});
    if (!text.is_string()) {
        throw simproto::SimError("state", "no document " + name);
    }
    return toUtf16(text.get<std::string>());
}

void SimControl::setBodyRecreateEvery(int characters) {
    connection_.call("ctl.setConfig", {{"bodyRecreateEveryChars", characters}});
}

void SimControl::setAxTextInBackground(bool available) {
    connection_.call("ctl.setConfig", {{"axTextInBackground", available}});
}

void SimControl::setScriptTimeScale(double scale) {
    connection_.call("ctl.setConfig", {{"scriptTimeScale", scale}});
}

void SimControl::setAutoCorrect(const std::string& option, bool on) {
    connection_.call("ctl.setAutoCorrect", {{"option", option}, {"on", on}});
}

void SimControl::focusToolbar(bool onToolbar) {
    connection_.call("ctl.focusToolbar", {{"on", onToolbar}});
}

int SimControl::openDialog(const std::string& title, std::optional<double> giveUpAfterSeconds) {
    json args = {{"title", title}};
    if (giveUpAfterSeconds) {
        args["giveUpAfterSeconds"] = *giveUpAfterSeconds;
    }
    return connection_.call("ctl.openDialog", args).get<int>();
}

bool SimControl::closeDialog(const std::string& button) {
    return connection_.call("ctl.closeDialog", {{"button", button}}).get<bool>();
}

bool SimControl::openSheet(const std::string& title) {
    return connection_.call("ctl.openSheet", {{"title", title}}).get<bool>();
}

bool SimControl::closeSheet() {
    return connection_.call("ctl.closeSheet").get<bool>();
}

bool SimControl::clickInWordBody(int position) {
    return connection_.call("ctl.click", {{"position", position}}).get<bool>();
}

void SimControl::pressKey(std::uint16_t keyCode, std::uint64_t flags, std::u16string_view text) {
    connection_.call("ctl.pressKey",
                     {{"keyCode", keyCode}, {"flags", flags}, {"text", toUtf8(text)}});
}

bool SimControl::activate(int pid) {
    return connection_.call("ctl.activate", {{"pid", pid}}).get<bool>();
}

bool SimControl::activateBundle(const std::string& bundleId) {
    return connection_.call("ctl.activate", {{"bundleId", bundleId}}).get<bool>();
}

void SimControl::setAccessibility(bool granted) {
    connection_.call("ctl.setPermission", {{"name", "accessibility"}, {"value", granted}});
}

void SimControl::setPostEvents(bool granted) {
    connection_.call("ctl.setPermission", {{"name", "postEvents"}, {"value", granted}});
}

void SimControl::setAutomation(int status) {
    connection_.call("ctl.setPermission", {{"name", "automation"}, {"value", status}});
}

void SimControl::reserveHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers,
                               bool exclusive) {
    connection_.call(
        "ctl.reserveHotKey",
        {{"keyCode", keyCode}, {"modifiers", carbonModifiers}, {"exclusive", exclusive}});
}

void SimControl::setAxBusy(double share, double latencyMs) {
    connection_.call("ctl.setConfig", {{"axBusyShare", share}, {"axBusyLatencyMs", latencyMs}});
}

void SimControl::setDropBackgroundKeys(bool drop) {
    connection_.call("ctl.setConfig", {{"dropBackgroundKeys", drop}});
}

void SimControl::setPageUnits(int units) {
    connection_.call("ctl.setConfig", {{"pageUnits", units}});
}

void SimControl::setSplitGroupFocus(bool on) {
    connection_.call("ctl.setConfig", {{"splitGroupFocus", on}});
}

void SimControl::setNoSelectionAtStart(bool on) {
    connection_.call("ctl.setConfig", {{"noSelectionAtStart", on}});
}

void SimControl::setRefuseActivation(bool refuse) {
    connection_.call("ctl.setConfig", {{"refuseActivation", refuse}});
}

void SimControl::setScriptsLaunchWord(bool launch) {
    connection_.call("ctl.setConfig", {{"scriptsLaunchWord", launch}});
}

void SimControl::setMainThreadRules(bool enforce) {
    connection_.call("ctl.setConfig", {{"mainThreadRules", enforce}});
}

bool SimControl::registerApp(int pid, const std::string& bundleId, const std::string& name,
                             const std::string& windowTitle) {
    return connection_
        .call("apps.register",
              {{"pid", pid}, {"bundleId", bundleId}, {"name", name}, {"windowTitle", windowTitle}})
        .get<bool>();
}

void SimControl::unregisterApp(int pid) {
    connection_.call("apps.unregister", {{"pid", pid}});
}

std::optional<std::u16string> SimControl::fieldText(int pid) {
    const json text = connection_.call("apps.fieldText", {{"pid", pid}});
    if (!text.is_string()) {
        return std::nullopt;
    }
    return toUtf16(text.get<std::string>());
}

void SimControl::shutdown() {
    connection_.call("ctl.shutdown");
}

} // namespace plumeo
