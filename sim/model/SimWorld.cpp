#include "sim/model/SimWorld.h"

#include "core/text/Utf16.h"

namespace plumeo::sim {

SimWorld::SimWorld(SimConfig config, const SimClock& clock, ProcessHost& processes)
    : config_(config), processes_(processes), desktop_(config_, processes, elements_),
      word_(config_, clock, elements_, desktop_), delivery_(config_, clock, desktop_, word_),
      tree_(config_, elements_, desktop_, word_), scripts_(config_, desktop_, word_, *this) {}

SimWorld::~SimWorld() = default;

void SimWorld::advance() {
    delivery_.advance();
}

void SimWorld::setWordTiming(double eventsPerSecond, double latencySeconds) {
    delivery_.setWordTiming(eventsPerSecond, latencySeconds);
}

// -- Applications --------------------------------------------------------------------------------

bool SimWorld::launchWord() {
    return desktop_.launchWord();
}

void SimWorld::quitWord() {
    const auto pid = desktop_.wordPid();
    if (!pid) {
        return;
    }
    processes_.stopProcess(*pid);
    processExited(*pid);
}

void SimWorld::processExited(int pid) {
    if (desktop_.wordPid() != pid) {
        return;
    }
    word_.closeEverything();
    delivery_.clearWordQueue();
    desktop_.wordExited(pid);
}

std::vector<AppInfo> SimWorld::runningApps(std::string_view bundleId) const {
    return desktop_.runningApps(bundleId);
}

std::optional<AppInfo> SimWorld::app(int pid) const {
    return desktop_.app(pid);
}

std::optional<AppInfo> SimWorld::frontmost() const {
    return desktop_.frontmost();
}

bool SimWorld::activate(int pid) {
    return desktop_.activate(pid);
}

bool SimWorld::openApp(std::string_view bundleId) {
    return desktop_.openApp(bundleId);
}

bool SimWorld::registerClientApp(const AppInfo& info, const std::string& windowTitle) {
    return desktop_.registerClientApp(info, windowTitle);
}

void SimWorld::unregisterClientApp(int pid) {
    desktop_.unregisterClientApp(pid);
}

std::optional<std::u16string> SimWorld::clientFieldText(int pid) const {
    return desktop_.clientFieldText(pid);
}

std::vector<int> SimWorld::clientPids() const {
    return desktop_.clientPids();
}

// -- Documents, dialogs and sheets ---------------------------------------------------------------

std::vector<std::string> SimWorld::documentNames() const {
    return word_.documentNames();
}

WordDocument* SimWorld::document(std::string_view name) {
    return word_.document(name);
}

WordDocument* SimWorld::activeDocument() {
    return word_.activeDocument();
}

std::optional<std::string> SimWorld::newDocument() {
    return word_.newDocument();
}

bool SimWorld::closeDocument(std::string_view name) {
    return word_.closeDocument(name);
}

bool SimWorld::activateDocument(std::string_view name) {
    return word_.activateDocument(name);
}

void SimWorld::refreshBody(std::string_view name) {
    word_.refreshBody(name);
}

void SimWorld::setFocusOnToolbar(bool onToolbar) {
    word_.setFocusOnToolbar(onToolbar);
}

int SimWorld::openDialog(const std::string& title, std::optional<double> giveUpAfterSeconds) {
    return word_.openDialog(title, giveUpAfterSeconds);
}

bool SimWorld::closeDialog(const std::string& button) {
    return word_.closeDialog(button);
}

bool SimWorld::modalDialogOpen() const {
    return word_.modalDialogOpen();
}

std::optional<std::string> SimWorld::dialogOutcome(int dialogId) const {
    return word_.dialogOutcome(dialogId);
}

bool SimWorld::openSheet(const std::string& title) {
    return word_.openSheet(title);
}

bool SimWorld::closeSheet() {
    return word_.closeSheet();
}

// -- Key events ----------------------------------------------------------------------------------

bool SimWorld::postKey(const KeyEvent& event, Route route, int pid) {
    return delivery_.postKey(event, route, pid);
}

void SimWorld::pressKeyAsUser(const KeyEvent& event) {
    delivery_.pressKeyAsUser(event);
}

bool SimWorld::clickInWordBody(int position) {
    return delivery_.clickInWordBody(position);
}

double SimWorld::secondsSinceLastEvent(std::uint32_t eventType) const {
    return delivery_.secondsSinceLastEvent(eventType);
}

// -- Accessibility -------------------------------------------------------------------------------

ElementId SimWorld::applicationElement(int pid) const {
    return tree_.applicationElement(pid);
}

std::optional<AXAnswer> SimWorld::attribute(ElementId element, std::string_view name) {
    delivery_.advance();
    return tree_.attribute(element, name);
}

std::optional<AXAnswer> SimWorld::parameterizedAttribute(ElementId element, std::string_view name,
                                                         const AXRange& range) {
    delivery_.advance();
    return tree_.parameterizedAttribute(element, name, range);
}

AXReply SimWorld::axReply(ElementId element, std::string_view name, double timeoutSeconds) {
    delivery_.advance();
    return tree_.reply(element, name, timeoutSeconds);
}

std::vector<AXReply> SimWorld::axMultipleReply(ElementId element,
                                               const std::vector<std::string>& names,
                                               double timeoutSeconds) {
    delivery_.advance();
    return tree_.multipleReply(element, names, timeoutSeconds);
}

AXReply SimWorld::axParameterizedReply(ElementId element, std::string_view name,
                                       const AXRange& range, double timeoutSeconds) {
    delivery_.advance();
    return tree_.parameterizedReply(element, name, range, timeoutSeconds);
}

std::vector<std::string> SimWorld::attributeNames(ElementId element) {
    return tree_.attributeNames(element);
}

std::vector<std::string> SimWorld::parameterizedAttributeNames(ElementId element) {
    return tree_.parameterizedAttributeNames(element);
}

std::optional<int> SimWorld::elementPid(ElementId element) const {
    return tree_.elementPid(element);
}

// -- Scripts -------------------------------------------------------------------------------------

ScriptOutcome SimWorld::runHandler(std::string_view handler,
                                   const std::vector<std::u16string>& strings,
                                   const std::vector<std::int64_t>& ints, bool checksWordRunning) {
    delivery_.advance();
    return scripts_.runHandler(handler, strings, ints, checksWordRunning);
}

int SimWorld::automationStatus() const {
    return scripts_.automationStatus();
}

// -- Permissions, input sources, hot keys, notifications -----------------------------------------

const InputSource* SimWorld::currentInputSource() const {
    return desktop_.currentInputSource();
}

bool SimWorld::selectInputSource(std::string_view id) {
    return desktop_.selectInputSource(id);
}

std::optional<std::uint64_t> SimWorld::registerHotKey(std::uint32_t keyCode,
                                                      std::uint32_t modifiers,
                                                      std::uint32_t signature, std::uint32_t id,
                                                      bool exclusive) {
    return desktop_.registerHotKey(keyCode, modifiers, signature, id, exclusive);
}

void SimWorld::unregisterHotKey(std::uint64_t ref) {
    desktop_.unregisterHotKey(ref);
}

void SimWorld::reserveHotKey(std::uint32_t keyCode, std::uint32_t modifiers, bool exclusive) {
    desktop_.reserveHotKey(keyCode, modifiers, exclusive);
}

std::vector<SimEvent> SimWorld::eventsAfter(std::uint64_t seq) const {
    return desktop_.eventsAfter(seq);
}

// -- Dump ----------------------------------------------------------------------------------------

nlohmann::json SimWorld::dump() const {
    using nlohmann::json;
    json documents = json::array();
    for (const auto& entry : word_.documents()) {
        const WordDocument& doc = entry->doc;
        documents.push_back({
            {"name", doc.name()},
            {"path", doc.posixPath()},
            {"text", toUtf8(doc.story())},
            {"selectionStart", doc.selectionStart()},
            {"selectionEnd", doc.selectionEnd()},
            {"storyType", doc.storyType()},
            {"protection", doc.protection()},
            {"trackRevisions", doc.trackRevisions()},
            {"revisionCount", doc.revisionCount()},
            {"window", entry->window},
            {"body", entry->body},
            {"bodyRole", entry->bodyIsText ? "AXTextArea" : "AXScrollArea"},
            {"sheet", entry->sheet != 0},
            {"sheetKeys", entry->sheetKeys},
            {"focusOnToolbar", entry->focusOnToolbar},
        });
    }
    json dialogs = json::array();
    for (const auto& dialog : word_.dialogs()) {
        dialogs.push_back({{"id", dialog->id}, {"title", dialog->title}, {"keys", dialog->keys}});
    }
    json clients = json::array();
    for (const auto& client : desktop_.clients()) {
        clients.push_back({{"pid", client->info.pid},
                           {"bundleId", client->info.bundleId},
                           {"name", client->info.name},
                           {"windowTitle", client->title},
                           {"fieldText", toUtf8(client->text)},
                           {"keys", client->keys}});
    }
    json options = json::object();
    for (const auto& [name, on] : word_.autoCorrect().named()) {
        options[name] = on;
    }
    return {
        {"word",
         {{"running", desktop_.wordPid().has_value()},
          {"pid", desktop_.wordPid() ? json(*desktop_.wordPid()) : json(nullptr)},
          {"documents", documents},
          {"dialogs", dialogs},
          {"pendingEvents", delivery_.pendingWordEvents()},
          {"keysToDocument", word_.keysToDocument()},
          {"keysToDialogs", word_.keysToDialogs()}}},
        {"frontmostPid", desktop_.frontmostPid()},
        {"clients", clients},
        {"permissions",
         {{"accessibility", desktop_.permissions().accessibility},
          {"postEvents", desktop_.permissions().postEvents},
          {"automation", desktop_.permissions().automation}}},
        {"inputSource", desktop_.currentSourceId()},
        {"autoCorrect", options},
        {"config",
         {{"wordEventsPerSecond", config_.wordEventsPerSecond},
          {"wordLatencySeconds", config_.wordLatencySeconds},
          {"bodyRecreateEveryChars", config_.bodyRecreateEveryChars},
          {"axTextInBackground", config_.axTextInBackground},
          {"scriptTimeScale", config_.scriptTimeScale},
          {"axBusyShare", config_.axBusyShare},
          {"axBusyLatencySeconds", config_.axBusyLatencySeconds},
          {"dropBackgroundKeys", config_.dropBackgroundKeys},
          {"pageUnits", config_.pageUnits},
          {"splitGroupFocus", config_.splitGroupFocus},
          {"noSelectionAtStart", config_.noSelectionAtStart},
          {"refuseActivation", config_.refuseActivation},
          {"scriptsLaunchWord", config_.scriptsLaunchWord},
          {"mainThreadRules", config_.mainThreadRules}}},
        {"lastEventSeq", lastEventSeq()},
        {"mainThreadViolations", desktop_.mainThreadViolations()},
    };
}

} // namespace plumeo::sim
