#include "sim/model/SimWorld.h"

#include "core/text/Utf16.h"
#include "sim/model/ScriptLibrary.h"

#include <algorithm>
#include <cctype>

namespace plumeo::sim {

namespace {

constexpr ElementId applicationTag = ElementId{1} << 40;
constexpr const char* desktopBundleId = "com.apple.finder";
constexpr const char* dialogTitle = "Plumeo 自检：模拟对话框";

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::u16string withLineFeeds(std::u16string text) {
    std::replace(text.begin(), text.end(), u'\r', u'\n');
    return text;
}

std::uint64_t modifierFlags(std::uint32_t carbonModifiers) {
    std::uint64_t flags = 0;
    if (carbonModifiers & 0x100) {
        flags |= commandFlag;
    }
    if (carbonModifiers & 0x200) {
        flags |= shiftFlag;
    }
    if (carbonModifiers & 0x800) {
        flags |= optionFlag;
    }
    if (carbonModifiers & 0x1000) {
        flags |= controlFlag;
    }
    return flags;
}

} // namespace

// ----------------------------------------------------------------------------------------------

struct SimWorld::Element {
    enum class Kind {
        docWindow,
        toolbar,
        toolbarButton,
        body,
        sheet,
        sheetButton,
        dialog,
        dialogText,
        dialogButton,
        clientWindow,
        clientField,
    };
    Kind kind = Kind::docWindow;
    int pid = 0;
    int owner = 0; ///< document serial, dialog id or client pid
};

struct SimWorld::DocEntry {
    int serial = 0;
    WordDocument doc;
    ElementId window = 0, toolbar = 0, button = 0, body = 0;
    bool bodyIsText = false;
    int bodyEpoch = 0;
    ElementId sheet = 0, sheetButton = 0;
    int sheetKeys = 0;
    bool focusOnToolbar = false;

    explicit DocEntry(std::string name) : doc(std::move(name)) {}
};

struct SimWorld::Dialog {
    int id = 0;
    std::string title;
    ElementId window = 0, text = 0, button = 0;
    std::optional<double> giveUpAt;
    int keys = 0;
};

struct SimWorld::ClientApp {
    AppInfo info;
    std::string title;
    ElementId window = 0, field = 0;
    std::u16string text;
    int keys = 0;
};

struct SimWorld::HotKey {
    std::uint64_t ref = 0;
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
    bool reserved = false;
};

ScriptValue ScriptValue::list(std::vector<ScriptValue> items) {
    ScriptValue value;
    value.type = Type::list;
    value.items = std::move(items);
    return value;
}
ScriptValue ScriptValue::string(std::u16string text) {
    ScriptValue value;
    value.type = Type::string;
    value.text = std::move(text);
    return value;
}
ScriptValue ScriptValue::integer(std::int64_t number) {
    ScriptValue value;
    value.type = Type::integer;
    value.number = number;
    return value;
}
ScriptValue ScriptValue::boolean(bool flag) {
    ScriptValue value;
    value.type = Type::boolean;
    value.number = flag ? 1 : 0;
    return value;
}
ScriptValue ScriptValue::enumeration(std::uint32_t code) {
    ScriptValue value;
    value.type = Type::enumeration;
    value.number = code;
    return value;
}

ScriptOutcome ScriptOutcome::success(ScriptValue value) {
    ScriptOutcome outcome;
    outcome.value = std::move(value);
    return outcome;
}
ScriptOutcome ScriptOutcome::failure(int number, std::string message) {
    ScriptOutcome outcome;
    outcome.errorNumber = number;
    outcome.errorMessage = std::move(message);
    return outcome;
}

// ----------------------------------------------------------------------------------------------

SimWorld::SimWorld(SimConfig config, const SimClock& clock, ProcessHost& processes)
    : config_(config), clock_(clock), processes_(processes) {
    startTime_ = clock_.now();
    frontmostPid_ = config_.desktopPid;
    inputSources_ = {
        {"com.apple.keylayout.ABC", "ABC", true, "TISTypeKeyboardLayout", true, true},
        {"com.apple.inputmethod.SCIM.ITABC", "简体拼音", false, "TISTypeKeyboardInputMode", true,
         true},
        {"com.apple.CharacterPaletteIM", "表情与符号", false, "TISTypeCharacterPalette", true,
         true},
        {"com.apple.PressAndHold", "PressAndHold", false, "TISTypeInkInputSource", true, true},
        {"com.apple.keylayout.US", "U.S.", true, "TISTypeKeyboardLayout", false, true},
    };
    currentSource_ = "com.apple.inputmethod.SCIM.ITABC";
}

SimWorld::~SimWorld() = default;

void SimWorld::advance() {
    const double now = clock_.now();
    for (;;) {
        // Dialog give-ups and queued keys happen in time order, so a key due before a dialog
        // goes away still lands in the dialog.
        std::optional<std::size_t> dialogIndex;
        double dialogTime = now + 1;
        for (std::size_t i = 0; i < dialogs_.size(); ++i) {
            if (dialogs_[i]->giveUpAt && *dialogs_[i]->giveUpAt < dialogTime) {
                dialogTime = *dialogs_[i]->giveUpAt;
                dialogIndex = i;
            }
        }
        const double keyTime = wordQueue_.empty() ? now + 1 : wordQueue_.front().due;
        if (dialogIndex && dialogTime <= now && dialogTime <= keyTime) {
            closeDialogAt(*dialogIndex, "gave up");
            continue;
        }
        if (!wordQueue_.empty() && keyTime <= now) {
            const KeyEvent event = wordQueue_.front().event;
            wordQueue_.pop_front();
            applyWordKey(event);
            continue;
        }
        break;
    }
}

// -- Applications --------------------------------------------------------------------------------

void SimWorld::emit(std::string kind, int pid, std::string bundleId, std::uint32_t signature,
                    std::uint32_t hotKeyId) {
    events_.push_back({nextSeq_++, std::move(kind), pid, std::move(bundleId), signature, hotKeyId});
    constexpr std::size_t keptEvents = 4096;
    if (events_.size() > keptEvents) {
        events_.erase(events_.begin(), events_.begin() + (events_.size() - keptEvents));
    }
}

void SimWorld::setFrontmost(int pid) {
    if (pid == frontmostPid_) {
        return;
    }
    frontmostPid_ = pid;
    const auto info = app(pid);
    emit("activated", pid, info ? info->bundleId : "");
}

bool SimWorld::launchWord() {
    if (wordPid_) {
        return true;
    }
    const auto pid = processes_.startWordProcess();
    if (!pid) {
        return false;
    }
    wordPid_ = *pid;
    emit("launched", *pid, wordBundleId);
    return true;
}

void SimWorld::quitWord() {
    if (!wordPid_) {
        return;
    }
    const int pid = *wordPid_;
    processes_.stopProcess(pid);
    processExited(pid);
}

void SimWorld::processExited(int pid) {
    if (!wordPid_ || *wordPid_ != pid) {
        return;
    }
    while (!documents_.empty()) {
        dropDocument(*documents_.front());
        documents_.erase(documents_.begin());
    }
    while (!dialogs_.empty()) {
        closeDialogAt(dialogs_.size() - 1, "gave up");
    }
    wordQueue_.clear();
    wordPid_.reset();
    emit("terminated", pid, wordBundleId);
    if (frontmostPid_ == pid) {
        setFrontmost(config_.desktopPid);
    }
}

std::vector<AppInfo> SimWorld::runningApps(std::string_view bundleId) const {
    std::vector<AppInfo> found;
    if (wordPid_ && bundleId == wordBundleId) {
        found.push_back({*wordPid_, wordBundleId, wordName});
    }
    if (bundleId == desktopBundleId) {
        found.push_back({config_.desktopPid, desktopBundleId, "访达"});
    }
    for (const auto& client : clients_) {
        if (client->info.bundleId == bundleId) {
            found.push_back(client->info);
        }
    }
    return found;
}

std::optional<AppInfo> SimWorld::app(int pid) const {
    if (wordPid_ && *wordPid_ == pid) {
        return AppInfo{pid, wordBundleId, wordName};
    }
    if (pid == config_.desktopPid) {
        return AppInfo{pid, desktopBundleId, "访达"};
    }
    for (const auto& client : clients_) {
        if (client->info.pid == pid) {
            return client->info;
        }
    }
    return std::nullopt;
}

std::optional<AppInfo> SimWorld::frontmost() const {
    return app(frontmostPid_);
}

bool SimWorld::wordFrontmost() const {
    return wordPid_ && *wordPid_ == frontmostPid_;
}

bool SimWorld::activate(int pid) {
    if (!app(pid)) {
        return false;
    }
    setFrontmost(pid);
    return true;
}

bool SimWorld::openApp(std::string_view bundleId) {
    if (bundleId == wordBundleId && !launchWord()) {
        return false;
    }
    const auto apps = runningApps(bundleId);
    return !apps.empty() && activate(apps.front().pid);
}

bool SimWorld::registerClientApp(const AppInfo& info, const std::string& windowTitle) {
    if (app(info.pid)) {
        return false;
    }
    auto client = std::make_unique<ClientApp>();
    client->info = info;
    client->title = windowTitle;
    client->window = newElement({Element::Kind::clientWindow, info.pid, info.pid});
    client->field = newElement({Element::Kind::clientField, info.pid, info.pid});
    clients_.push_back(std::move(client));
    emit("launched", info.pid, info.bundleId);
    return true;
}

void SimWorld::unregisterClientApp(int pid) {
    for (auto it = clients_.begin(); it != clients_.end(); ++it) {
        if ((*it)->info.pid == pid) {
            elements_.erase((*it)->window);
            elements_.erase((*it)->field);
            const std::string bundleId = (*it)->info.bundleId;
            clients_.erase(it);
            emit("terminated", pid, bundleId);
            if (frontmostPid_ == pid) {
                setFrontmost(wordPid_ ? *wordPid_ : config_.desktopPid);
            }
            return;
        }
    }
}

std::optional<std::u16string> SimWorld::clientFieldText(int pid) const {
    for (const auto& client : clients_) {
        if (client->info.pid == pid) {
            return client->text;
        }
    }
    return std::nullopt;
}

std::vector<int> SimWorld::clientPids() const {
    std::vector<int> pids;
    for (const auto& client : clients_) {
        pids.push_back(client->info.pid);
    }
    return pids;
}

// -- Documents -----------------------------------------------------------------------------------

ElementId SimWorld::newElement(Element element) {
    const ElementId id = nextElement_++;
    elements_.emplace(id, element);
    return id;
}

const SimWorld::Element* SimWorld::element(ElementId id) const {
    const auto found = elements_.find(id);
    return found == elements_.end() ? nullptr : &found->second;
}

std::vector<std::string> SimWorld::documentNames() const {
    std::vector<std::string> names;
    for (const auto& entry : documents_) {
        names.push_back(entry->doc.name());
    }
    return names;
}

SimWorld::DocEntry* SimWorld::entry(std::string_view name) {
    for (auto& entry : documents_) {
        if (entry->doc.name() == name) {
            return entry.get();
        }
    }
    return nullptr;
}

SimWorld::DocEntry* SimWorld::frontEntry() {
    return documents_.empty() ? nullptr : documents_.front().get();
}

WordDocument* SimWorld::document(std::string_view name) {
    DocEntry* found = entry(name);
    return found ? &found->doc : nullptr;
}

WordDocument* SimWorld::activeDocument() {
    DocEntry* front = frontEntry();
    return front ? &front->doc : nullptr;
}

std::optional<std::string> SimWorld::newDocument() {
    if (!wordPid_) {
        return std::nullopt;
    }
    const int serial = ++documentsCreated_;
    auto entry = std::make_unique<DocEntry>("文档" + std::to_string(serial));
    entry->serial = serial;
    const int pid = *wordPid_;
    entry->window = newElement({Element::Kind::docWindow, pid, serial});
    entry->toolbar = newElement({Element::Kind::toolbar, pid, serial});
    entry->button = newElement({Element::Kind::toolbarButton, pid, serial});
    entry->body = newElement({Element::Kind::body, pid, serial});
    const std::string name = entry->doc.name();
    documents_.insert(documents_.begin(), std::move(entry));
    return name;
}

void SimWorld::dropDocument(DocEntry& doc) {
    for (ElementId id :
         {doc.window, doc.toolbar, doc.button, doc.body, doc.sheet, doc.sheetButton}) {
        elements_.erase(id);
    }
}

bool SimWorld::closeDocument(std::string_view name) {
    for (auto it = documents_.begin(); it != documents_.end(); ++it) {
        if ((*it)->doc.name() == name) {
            dropDocument(**it);
            documents_.erase(it);
            return true;
        }
    }
    return false;
}

bool SimWorld::activateDocument(std::string_view name) {
    for (auto it = documents_.begin(); it != documents_.end(); ++it) {
        if ((*it)->doc.name() == name) {
            std::rotate(documents_.begin(), it, it + 1);
            return true;
        }
    }
    return false;
}

void SimWorld::refreshBody(std::string_view name) {
    DocEntry* doc = entry(name);
    if (!doc) {
        return;
    }
    // Word exposes an empty body as a scroll area and a filled one as a text area, and
    // replaces the text element now and then while typing; each is a new element.
    const int characters = doc->doc.storyLength() - 1;
    const bool isText = characters > 0;
    const int every = config_.bodyRecreateEveryChars;
    const int epoch = (isText && every > 0) ? characters / every : 0;
    if (isText == doc->bodyIsText && epoch == doc->bodyEpoch) {
        return;
    }
    elements_.erase(doc->body);
    doc->body = newElement({Element::Kind::body, wordPid_.value_or(0), doc->serial});
    doc->bodyIsText = isText;
    doc->bodyEpoch = epoch;
}

void SimWorld::setFocusOnToolbar(bool onToolbar) {
    if (DocEntry* front = frontEntry()) {
        front->focusOnToolbar = onToolbar;
    }
}

// -- Dialogs and sheets --------------------------------------------------------------------------

SimWorld::Dialog* SimWorld::frontDialog() {
    return dialogs_.empty() ? nullptr : dialogs_.back().get();
}

const SimWorld::Dialog* SimWorld::frontDialog() const {
    return dialogs_.empty() ? nullptr : dialogs_.back().get();
}

int SimWorld::openDialog(const std::string& title, std::optional<double> giveUpAfterSeconds) {
    auto dialog = std::make_unique<Dialog>();
    dialog->id = nextDialogId_++;
    dialog->title = title;
    const int pid = wordPid_.value_or(0);
    dialog->window = newElement({Element::Kind::dialog, pid, dialog->id});
    dialog->text = newElement({Element::Kind::dialogText, pid, dialog->id});
    dialog->button = newElement({Element::Kind::dialogButton, pid, dialog->id});
    if (giveUpAfterSeconds) {
        dialog->giveUpAt = clock_.now() + *giveUpAfterSeconds;
    }
    const int id = dialog->id;
    dialogs_.push_back(std::move(dialog));
    return id;
}

void SimWorld::closeDialogAt(std::size_t index, const std::string& outcome) {
    Dialog& dialog = *dialogs_[index];
    dialogOutcomes_[dialog.id] = outcome;
    elements_.erase(dialog.window);
    elements_.erase(dialog.text);
    elements_.erase(dialog.button);
    dialogs_.erase(dialogs_.begin() + static_cast<std::ptrdiff_t>(index));
}

bool SimWorld::closeDialog(const std::string& button) {
    if (dialogs_.empty()) {
        return false;
    }
    closeDialogAt(dialogs_.size() - 1, "按钮：" + button);
    return true;
}

bool SimWorld::modalDialogOpen() const {
    return !dialogs_.empty();
}

std::optional<std::string> SimWorld::dialogOutcome(int dialogId) const {
    const auto found = dialogOutcomes_.find(dialogId);
    if (found == dialogOutcomes_.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool SimWorld::openSheet(const std::string& title) {
    DocEntry* front = frontEntry();
    if (!front || front->sheet != 0) {
        return false;
    }
    (void)title;
    front->sheet = newElement({Element::Kind::sheet, *wordPid_, front->serial});
    front->sheetButton = newElement({Element::Kind::sheetButton, *wordPid_, front->serial});
    return true;
}

bool SimWorld::closeSheet() {
    DocEntry* front = frontEntry();
    if (!front || front->sheet == 0) {
        return false;
    }
    elements_.erase(front->sheet);
    elements_.erase(front->sheetButton);
    front->sheet = front->sheetButton = 0;
    return true;
}

// -- Key events ----------------------------------------------------------------------------------

void SimWorld::noteHid(std::uint32_t eventType) {
    lastHidEvent_[eventType] = clock_.now();
}

double SimWorld::secondsSinceLastEvent(std::uint32_t eventType) const {
    const double now = clock_.now();
    const auto found = lastHidEvent_.find(eventType);
    // Nothing since start-up: as long an idle time as a machine that was left alone.
    if (found == lastHidEvent_.end()) {
        return now - startTime_ + 10000.0;
    }
    return now - found->second;
}

bool SimWorld::matchesHotKey(const KeyEvent& event) {
    const std::uint64_t relevant = commandFlag | shiftFlag | optionFlag | controlFlag;
    for (const auto& hotKey : hotKeys_) {
        if (hotKey.keyCode == event.keyCode &&
            modifierFlags(hotKey.modifiers) == (event.flags & relevant)) {
            if (!hotKey.reserved) {
                emit("hotKey", 0, "", hotKey.signature, hotKey.id);
            }
            return true;
        }
    }
    return false;
}

bool SimWorld::postKey(const KeyEvent& event, Route route, int pid) {
    advance();
    if (!permissions_.postEvents) {
        return false;
    }
    if (route == Route::hidTap) {
        noteHid(event.keyDown ? 10 : 11);
        if (event.keyDown && matchesHotKey(event)) {
            return true;
        }
        deliverToFrontmost(event);
        return true;
    }
    if (wordPid_ && *wordPid_ == pid) {
        enqueueForWord(event);
        return true;
    }
    for (auto& client : clients_) {
        if (client->info.pid == pid) {
            deliverToClient(*client, event);
            return true;
        }
    }
    return false;
}

void SimWorld::pressKeyAsUser(const KeyEvent& event) {
    advance();
    noteHid(10);
    noteHid(11);
    if (matchesHotKey(event)) {
        return;
    }
    KeyEvent down = event;
    down.keyDown = true;
    deliverToFrontmost(down);
}

bool SimWorld::clickInWordBody(int position) {
    advance();
    noteHid(1);
    noteHid(2);
    DocEntry* front = frontEntry();
    if (!wordPid_ || !front) {
        return false;
    }
    setFrontmost(*wordPid_);
    if (modalDialogOpen() || front->sheet != 0) {
        return false;
    }
    front->focusOnToolbar = false;
    front->doc.setSelection(position, position);
    return true;
}

void SimWorld::deliverToFrontmost(const KeyEvent& event) {
    if (wordFrontmost()) {
        enqueueForWord(event);
        return;
    }
    for (auto& client : clients_) {
        if (client->info.pid == frontmostPid_) {
            deliverToClient(*client, event);
            return;
        }
    }
}

void SimWorld::deliverToClient(ClientApp& client, const KeyEvent& event) {
    if (!event.keyDown) {
        return;
    }
    ++client.keys;
    if (event.keyCode == 36) {
        client.text.push_back(u'\r');
    } else if (event.keyCode == 48) {
        client.text.push_back(u'\t');
    } else if (event.keyCode == 51) {
        if (!client.text.empty()) {
            client.text.pop_back();
        }
    } else {
        client.text += event.text;
    }
}

double SimWorld::dueTime(double arrived, double previousDue) const {
    const double spacing =
        config_.wordEventsPerSecond > 0 ? 1.0 / config_.wordEventsPerSecond : 0.0;
    return std::max(arrived + config_.wordLatencySeconds, previousDue + spacing);
}

void SimWorld::enqueueForWord(const KeyEvent& event) {
    const double now = clock_.now();
    lastWordDue_ = dueTime(now, lastWordDue_);
    wordQueue_.push_back({event, now, lastWordDue_});
    advance();
}

void SimWorld::setWordTiming(double eventsPerSecond, double latencySeconds) {
    advance();
    config_.wordEventsPerSecond = std::max(eventsPerSecond, 0.0);
    config_.wordLatencySeconds = std::max(latencySeconds, 0.0);
    // Word keeps the order; the new pace starts from now for what it has not taken yet.
    double previous = clock_.now() - 1e9;
    for (auto& queued : wordQueue_) {
        queued.due =
            dueTime(std::max(queued.arrived, clock_.now() - config_.wordLatencySeconds), previous);
        previous = queued.due;
    }
    lastWordDue_ = wordQueue_.empty() ? 0 : previous;
    advance();
}

void SimWorld::applyWordKey(const KeyEvent& event) {
    if (!event.keyDown) {
        return;
    }
    if (Dialog* dialog = frontDialog()) {
        ++dialog->keys;
        ++keysToDialogs_;
        return;
    }
    DocEntry* front = frontEntry();
    if (!front) {
        return;
    }
    if (front->sheet != 0) {
        ++front->sheetKeys;
        return;
    }
    if (front->focusOnToolbar || (event.flags & commandFlag)) {
        return;
    }
    ++keysToWordDocument_;
    WordDocument& doc = front->doc;
    switch (event.keyCode) {
    case 36:
        doc.typeText((event.flags & shiftFlag) ? u"\v" : u"\r", autoCorrect_);
        break;
    case 48:
        doc.typeText(u"\t", autoCorrect_);
        break;
    case 51:
        doc.deleteBackward();
        break;
    case 123:
        doc.moveCursor(-1);
        break;
    case 124:
        doc.moveCursor(1);
        break;
    default:
        doc.typeText(event.text, autoCorrect_);
        break;
    }
    refreshBody(doc.name());
}

// -- Accessibility -------------------------------------------------------------------------------

ElementId SimWorld::applicationElement(int pid) const {
    return applicationTag | static_cast<std::uint32_t>(pid);
}

std::optional<int> SimWorld::elementPid(ElementId id) const {
    if (id & applicationTag) {
        return static_cast<int>(id & 0xFFFFFFFFu);
    }
    if (const Element* found = element(id)) {
        return found->pid;
    }
    return std::nullopt;
}

std::optional<ElementId> SimWorld::wordFocusedWindow() {
    if (const Dialog* dialog = frontDialog()) {
        return dialog->window;
    }
    if (const DocEntry* front = frontEntry()) {
        return front->window;
    }
    return std::nullopt;
}

std::optional<ElementId> SimWorld::wordFocusedElement() {
    if (const Dialog* dialog = frontDialog()) {
        return dialog->button;
    }
    const DocEntry* front = frontEntry();
    if (!front) {
        return std::nullopt;
    }
    if (front->sheet != 0) {
        return front->sheetButton;
    }
    return front->focusOnToolbar ? front->button : front->body;
}

std::optional<ElementId> SimWorld::appFocusedWindow(int pid) {
    if (wordPid_ && *wordPid_ == pid) {
        return wordFocusedWindow();
    }
    for (const auto& client : clients_) {
        if (client->info.pid == pid) {
            return client->window;
        }
    }
    return std::nullopt;
}

std::optional<ElementId> SimWorld::appFocusedElement(int pid) {
    if (wordPid_ && *wordPid_ == pid) {
        return wordFocusedElement();
    }
    for (const auto& client : clients_) {
        if (client->info.pid == pid) {
            return client->field;
        }
    }
    return std::nullopt;
}

std::optional<AXAnswer> SimWorld::attribute(ElementId id, std::string_view name) {
    advance();
    if (!permissions_.accessibility) {
        return std::nullopt;
    }
    auto optionalElement = [](std::optional<ElementId> value) -> std::optional<AXAnswer> {
        if (!value) {
            return std::nullopt;
        }
        return AXAnswer{*value};
    };

    if (id == systemWideId) {
        if (name == "AXRole") {
            return AXAnswer{std::u16string(u"AXSystemWide")};
        }
        if (name == "AXFocusedApplication") {
            if (!app(frontmostPid_)) {
                return std::nullopt;
            }
            return AXAnswer{applicationElement(frontmostPid_)};
        }
        if (name == "AXFocusedUIElement") {
            return optionalElement(appFocusedElement(frontmostPid_));
        }
        return std::nullopt;
    }

    if (id & applicationTag) {
        const int pid = static_cast<int>(id & 0xFFFFFFFFu);
        const auto info = app(pid);
        if (!info) {
            return std::nullopt;
        }
        if (name == "AXRole") {
            return AXAnswer{std::u16string(u"AXApplication")};
        }
        if (name == "AXTitle") {
            return AXAnswer{toUtf16(info->name)};
        }
        if (name == "AXFrontmost") {
            return AXAnswer{pid == frontmostPid_};
        }
        if (name == "AXFocusedWindow" || name == "AXMainWindow") {
            return optionalElement(appFocusedWindow(pid));
        }
        if (name == "AXFocusedUIElement") {
            return optionalElement(appFocusedElement(pid));
        }
        if (name == "AXWindows" || name == "AXChildren") {
            ElementList windows;
            if (wordPid_ && *wordPid_ == pid) {
                for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it) {
                    windows.ids.push_back((*it)->window);
                }
                for (const auto& doc : documents_) {
                    windows.ids.push_back(doc->window);
                }
            } else if (const auto window = appFocusedWindow(pid)) {
                windows.ids.push_back(*window);
            }
            return AXAnswer{windows};
        }
        return std::nullopt;
    }

    const Element* found = element(id);
    if (!found) {
        return std::nullopt;
    }
    using Kind = Element::Kind;
    const ElementId appElement = applicationElement(found->pid);

    if (found->kind == Kind::clientWindow || found->kind == Kind::clientField) {
        const ClientApp* client = nullptr;
        for (const auto& candidate : clients_) {
            client = candidate->info.pid == found->owner ? candidate.get() : client;
        }
        if (!client) {
            return std::nullopt;
        }
        const bool isWindow = found->kind == Kind::clientWindow;
        if (name == "AXRole") {
            return AXAnswer{std::u16string(isWindow ? u"AXWindow" : u"AXTextField")};
        }
        if (name == "AXSubrole" && isWindow) {
            return AXAnswer{std::u16string(u"AXStandardWindow")};
        }
        if (name == "AXTitle" && isWindow) {
            return AXAnswer{toUtf16(client->title)};
        }
        if (name == "AXModal" && isWindow) {
            return AXAnswer{false};
        }
        if (name == "AXChildren" && isWindow) {
            return AXAnswer{ElementList{{client->field}}};
        }
        if (name == "AXValue" && !isWindow) {
            return AXAnswer{client->text};
        }
        if (name == "AXWindow" && !isWindow) {
            return AXAnswer{client->window};
        }
        if (name == "AXParent") {
            return AXAnswer{isWindow ? appElement : client->window};
        }
        return std::nullopt;
    }

    if (found->kind == Kind::dialog || found->kind == Kind::dialogText ||
        found->kind == Kind::dialogButton) {
        const Dialog* dialog = nullptr;
        for (const auto& candidate : dialogs_) {
            dialog = candidate->id == found->owner ? candidate.get() : dialog;
        }
        if (!dialog) {
            return std::nullopt;
        }
        if (found->kind == Kind::dialog) {
            if (name == "AXRole") {
                return AXAnswer{std::u16string(u"AXWindow")};
            }
            if (name == "AXSubrole") {
                return AXAnswer{std::u16string(u"AXDialog")};
            }
            if (name == "AXTitle") {
                return AXAnswer{toUtf16(dialog->title)};
            }
            if (name == "AXModal") {
                return AXAnswer{true};
            }
            if (name == "AXChildren") {
                return AXAnswer{ElementList{{dialog->text, dialog->button}}};
            }
            if (name == "AXParent") {
                return AXAnswer{appElement};
            }
            return std::nullopt;
        }
        const bool isButton = found->kind == Kind::dialogButton;
        if (name == "AXRole") {
            return AXAnswer{std::u16string(isButton ? u"AXButton" : u"AXStaticText")};
        }
        if (name == "AXTitle" && isButton) {
            return AXAnswer{std::u16string(u"好")};
        }
        if (name == "AXValue" && !isButton) {
            return AXAnswer{toUtf16(dialog->title)};
        }
        if (name == "AXWindow" || name == "AXParent") {
            return AXAnswer{dialog->window};
        }
        return std::nullopt;
    }

    DocEntry* doc = nullptr;
    for (auto& candidate : documents_) {
        doc = candidate->serial == found->owner ? candidate.get() : doc;
    }
    if (!doc) {
        return std::nullopt;
    }
    switch (found->kind) {
    case Kind::docWindow:
        if (name == "AXRole") {
            return AXAnswer{std::u16string(u"AXWindow")};
        }
        if (name == "AXSubrole") {
            return AXAnswer{std::u16string(u"AXStandardWindow")};
        }
        if (name == "AXTitle") {
            return AXAnswer{toUtf16(doc->doc.name())};
        }
        if (name == "AXModal") {
            return AXAnswer{false};
        }
        if (name == "AXMain") {
            return AXAnswer{frontEntry() == doc};
        }
        if (name == "AXChildren") {
            ElementList children{{doc->toolbar, doc->body}};
            if (doc->sheet != 0) {
                children.ids.push_back(doc->sheet);
            }
            return AXAnswer{children};
        }
        if (name == "AXParent") {
            return AXAnswer{appElement};
        }
        return std::nullopt;
    case Kind::toolbar:
        if (name == "AXRole") {
            return AXAnswer{std::u16string(u"AXToolbar")};
        }
        if (name == "AXChildren") {
            return AXAnswer{ElementList{{doc->button}}};
        }
        if (name == "AXWindow" || name == "AXParent") {
            return AXAnswer{doc->window};
        }
        return std::nullopt;
    case Kind::toolbarButton:
    case Kind::sheetButton:
        if (name == "AXRole") {
            return AXAnswer{std::u16string(u"AXButton")};
        }
        if (name == "AXTitle") {
            return AXAnswer{std::u16string(found->kind == Kind::sheetButton ? u"取消" : u"保存")};
        }
        if (name == "AXWindow") {
            return AXAnswer{doc->window};
        }
        if (name == "AXParent") {
            return AXAnswer{found->kind == Kind::sheetButton ? doc->sheet : doc->toolbar};
        }
        return std::nullopt;
    case Kind::sheet:
        if (name == "AXRole") {
            return AXAnswer{std::u16string(u"AXSheet")};
        }
        if (name == "AXChildren") {
            return AXAnswer{ElementList{{doc->sheetButton}}};
        }
        if (name == "AXWindow" || name == "AXParent") {
            return AXAnswer{doc->window};
        }
        return std::nullopt;
    case Kind::body: {
        if (id != doc->body) {
            return std::nullopt; // a replaced body element is gone
        }
        const bool textVisible = wordFrontmost() || config_.axTextInBackground;
        const int characters = doc->doc.storyLength() - 1;
        if (name == "AXRole") {
            return AXAnswer{std::u16string(doc->bodyIsText ? u"AXTextArea" : u"AXScrollArea")};
        }
        if (name == "AXDescription") {
            return AXAnswer{std::u16string(u"正文")};
        }
        if (name == "AXWindow" || name == "AXParent") {
            return AXAnswer{doc->window};
        }
        if (name == "AXChildren") {
            return AXAnswer{ElementList{}};
        }
        if (name == "AXNumberOfCharacters" && textVisible) {
            return AXAnswer{static_cast<double>(characters)};
        }
        if (!doc->bodyIsText) {
            return std::nullopt;
        }
        if (name == "AXSelectedTextRange") {
            return AXAnswer{AXRange{doc->doc.selectionStart(),
                                    doc->doc.selectionEnd() - doc->doc.selectionStart()}};
        }
        if (name == "AXValue" && textVisible) {
            return AXAnswer{withLineFeeds(doc->doc.story().substr(0, characters))};
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<AXAnswer> SimWorld::parameterizedAttribute(ElementId id, std::string_view name,
                                                         const AXRange& range) {
    advance();
    if (!permissions_.accessibility ||
        (name != "AXStringForRange" && name != "AXAttributedStringForRange")) {
        return std::nullopt;
    }
    const Element* found = element(id);
    if (!found || found->kind != Element::Kind::body) {
        return std::nullopt;
    }
    for (auto& doc : documents_) {
        if (doc->body != id || !doc->bodyIsText) {
            continue;
        }
        if (!wordFrontmost() && !config_.axTextInBackground) {
            return std::nullopt;
        }
        const std::int64_t characters = doc->doc.storyLength() - 1;
        if (range.location < 0 || range.length < 0 || range.location + range.length > characters) {
            return std::nullopt;
        }
        return AXAnswer{withLineFeeds(doc->doc.story().substr(
            static_cast<std::size_t>(range.location), static_cast<std::size_t>(range.length)))};
    }
    return std::nullopt;
}

std::vector<std::string> SimWorld::attributeNames(ElementId id) {
    if (!permissions_.accessibility) {
        return {};
    }
    if (id == systemWideId) {
        return {"AXRole", "AXFocusedApplication", "AXFocusedUIElement"};
    }
    if (id & applicationTag) {
        if (!app(static_cast<int>(id & 0xFFFFFFFFu))) {
            return {};
        }
        return {"AXRole",       "AXTitle",   "AXFrontmost", "AXFocusedWindow",
                "AXMainWindow", "AXWindows", "AXChildren",  "AXFocusedUIElement"};
    }
    const Element* found = element(id);
    if (!found) {
        return {};
    }
    if (found->kind == Element::Kind::body) {
        return {"AXRole",
                "AXDescription",
                "AXWindow",
                "AXParent",
                "AXChildren",
                "AXNumberOfCharacters",
                "AXSelectedTextRange",
                "AXValue"};
    }
    return {"AXRole", "AXSubrole", "AXTitle", "AXChildren", "AXParent", "AXWindow"};
}

std::vector<std::string> SimWorld::parameterizedAttributeNames(ElementId id) {
    const Element* found = element(id);
    if (!permissions_.accessibility || !found || found->kind != Element::Kind::body) {
        return {};
    }
    return {"AXStringForRange", "AXAttributedStringForRange"};
}

// -- Scripts -------------------------------------------------------------------------------------

int SimWorld::automationStatus() const {
    if (!wordPid_) {
        return -600;
    }
    return permissions_.automation;
}

std::u16string SimWorld::scriptText(std::u16string_view text) const {
    // Word's script interface keeps every length but loses characters beyond the BMP.
    std::u16string out(text);
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (isHighSurrogate(out[i]) && isLowSurrogate(out[i + 1])) {
            out[i] = u'1';
            out[i + 1] = u'2';
            ++i;
        }
    }
    return out;
}

ScriptOutcome SimWorld::runHandler(std::string_view handler,
                                   const std::vector<std::u16string>& strings,
                                   const std::vector<std::int64_t>& ints) {
    advance();
    if (!wordPid_) {
        return ScriptOutcome::failure(-600, "Application isn’t running.");
    }
    if (permissions_.automation == -1743) {
        return ScriptOutcome::failure(-1743,
                                      "Not authorized to send Apple events to Microsoft Word.");
    }
    if (permissions_.automation == -1744) {
        return ScriptOutcome::failure(
            -1744, "Sending Apple events to Microsoft Word requires the user’s consent.");
    }
    if (modalDialogOpen()) {
        ScriptOutcome busy;
        busy.wordBusy = true;
        return busy;
    }
    ScriptOutcome failure;
    auto value = wordHandler(lowered(handler), strings, ints, failure);
    if (!value) {
        return failure;
    }
    if (failure.waitingForDialog) {
        return failure;
    }
    return ScriptOutcome::success(std::move(*value));
}

std::optional<ScriptValue> SimWorld::wordHandler(std::string_view handler,
                                                 const std::vector<std::u16string>& strings,
                                                 const std::vector<std::int64_t>& ints,
                                                 ScriptOutcome& failure) {
    struct Shape {
        std::string_view name;
        std::size_t strings;
        std::size_t ints;
    };
    static constexpr Shape shapes[] = {
        {"docstate", 0, 0},    {"readrange", 1, 2},    {"readall", 1, 0},
        {"environment", 0, 0}, {"autosettings", 0, 0}, {"placecursor", 1, 1},
        {"newdoc", 0, 0},      {"closedoc", 1, 0},     {"listdocs", 0, 0},
        {"activatedoc", 1, 0}, {"activateword", 0, 0}, {"setcursor", 1, 1},
        {"protectdoc", 1, 0},  {"unprotectdoc", 1, 0}, {"setrevisions", 1, 1},
        {"revcount", 1, 0},    {"showdialog", 0, 1},   {"unsaveddocs", 0, 0},
        {"quitword", 0, 0},    {"rawall", 1, 0},       {"rawutf", 1, 0},
        {"charcount", 1, 0},   {"charat", 1, 1},
    };
    const Shape* shape = nullptr;
    for (const auto& candidate : shapes) {
        shape = candidate.name == handler ? &candidate : shape;
    }
    if (!shape) {
        failure = ScriptOutcome::failure(-1708, "«script» doesn’t understand the “" +
                                                    std::string(handler) + "” message.");
        return std::nullopt;
    }
    if (strings.size() + ints.size() != shape->strings + shape->ints ||
        strings.size() != shape->strings) {
        failure = ScriptOutcome::failure(-1721, "Wrong number of parameters.");
        return std::nullopt;
    }

    auto namedEntry = [&](bool emptyMeansActive) -> DocEntry* {
        const std::string name = toUtf8(strings.at(0));
        DocEntry* doc = (emptyMeansActive && name.empty()) ? frontEntry() : entry(name);
        if (!doc) {
            failure = ScriptOutcome::failure(
                -1728, "Microsoft Word got an error: Can’t get document \"" + name + "\".");
        }
        return doc;
    };
    auto names = [](const std::vector<std::string>& list) {
        std::vector<ScriptValue> items;
        for (const auto& name : list) {
            items.push_back(ScriptValue::string(toUtf16(name)));
        }
        return ScriptValue::list(std::move(items));
    };
    const ScriptValue nothing;

    if (handler == "docstate") {
        DocEntry* front = frontEntry();
        if (!front) {
            return ScriptValue::list({ScriptValue::integer(0)});
        }
        const WordDocument& doc = front->doc;
        return ScriptValue::list({
            ScriptValue::integer(static_cast<std::int64_t>(documents_.size())),
            ScriptValue::string(toUtf16(doc.name())),
            ScriptValue::string(toUtf16(doc.posixPath())),
            ScriptValue::integer(doc.selectionStart()),
            ScriptValue::integer(doc.selectionEnd()),
            ScriptValue::enumeration(doc.storyType()),
            ScriptValue::boolean(doc.trackRevisions()),
            ScriptValue::enumeration(doc.protection()),
        });
    }
    if (handler == "readrange" || handler == "readall") {
        DocEntry* doc = namedEntry(true);
        if (!doc) {
            return std::nullopt;
        }
        const auto& story = doc->doc.story();
        if (handler == "readall") {
            return ScriptValue::string(scriptText(story));
        }
        const auto length = static_cast<std::int64_t>(story.size());
        const auto start = std::clamp<std::int64_t>(ints[0], 0, length);
        const auto end = std::clamp<std::int64_t>(ints[1], start, length);
        return ScriptValue::string(scriptText(story.substr(start, end - start)));
    }
    if (handler == "environment") {
        return ScriptValue::list({ScriptValue::string(u"16.89"),
                                  ScriptValue::integer(static_cast<int>(documents_.size())),
                                  names(documentNames())});
    }
    if (handler == "autosettings") {
        std::vector<ScriptValue> flags;
        for (const auto& [name, on] : autoCorrect_.named()) {
            flags.push_back(ScriptValue::boolean(on));
        }
        return ScriptValue::list(std::move(flags));
    }
    if (handler == "placecursor") {
        DocEntry* front = frontEntry();
        if (!front || toUtf16(front->doc.name()) != strings[0]) {
            return ScriptValue::integer(-1);
        }
        front->doc.setSelection(static_cast<int>(ints[0]), static_cast<int>(ints[0]));
        return ScriptValue::integer(front->doc.selectionStart());
    }
    if (handler == "newdoc") {
        setFrontmost(*wordPid_);
        return ScriptValue::string(toUtf16(newDocument().value_or("")));
    }
    if (handler == "closedoc") {
        DocEntry* doc = namedEntry(false);
        if (!doc) {
            return std::nullopt;
        }
        closeDocument(doc->doc.name());
        return nothing;
    }
    if (handler == "listdocs") {
        return names(documentNames());
    }
    if (handler == "activatedoc") {
        DocEntry* doc = namedEntry(false);
        if (!doc) {
            return std::nullopt;
        }
        setFrontmost(*wordPid_);
        activateDocument(doc->doc.name());
        return nothing;
    }
    if (handler == "activateword") {
        setFrontmost(*wordPid_);
        return nothing;
    }
    if (handler == "setcursor") {
        if (DocEntry* front = frontEntry()) {
            front->doc.setSelection(static_cast<int>(ints[0]), static_cast<int>(ints[0]));
        }
        return nothing;
    }
    if (handler == "protectdoc" || handler == "unprotectdoc" || handler == "setrevisions" ||
        handler == "revcount" || handler == "rawall" || handler == "rawutf" ||
        handler == "charcount" || handler == "charat") {
        DocEntry* doc = namedEntry(false);
        if (!doc) {
            return std::nullopt;
        }
        WordDocument& target = doc->doc;
        if (handler == "protectdoc" || handler == "unprotectdoc") {
            target.setProtection(handler == "protectdoc" ? allowOnlyReading : noProtection);
            return nothing;
        }
        if (handler == "setrevisions") {
            target.setTrackRevisions(ints[0] == 1);
            return nothing;
        }
        if (handler == "revcount") {
            return ScriptValue::integer(target.revisionCount());
        }
        if (handler == "charcount") {
            return ScriptValue::integer(target.storyLength());
        }
        const std::u16string text = scriptText(target.story());
        if (handler == "charat") {
            if (ints[0] < 1 || ints[0] > static_cast<std::int64_t>(text.size())) {
                failure = ScriptOutcome::failure(
                    -1728, "Microsoft Word got an error: Can’t get character " +
                               std::to_string(ints[0]) + " of document.");
                return std::nullopt;
            }
            return ScriptValue::string(text.substr(static_cast<std::size_t>(ints[0] - 1), 1));
        }
        return ScriptValue::string(text);
    }
    if (handler == "showdialog") {
        const double giveUp = static_cast<double>(std::max<std::int64_t>(ints[0], 0));
        failure.waitingForDialog = openDialog(dialogTitle, giveUp * config_.scriptTimeScale);
        return nothing;
    }
    if (handler == "unsaveddocs") {
        std::vector<std::string> unsaved;
        for (const auto& doc : documents_) {
            if (doc->doc.posixPath().empty()) {
                unsaved.push_back(doc->doc.name());
            }
        }
        return names(unsaved);
    }
    // quitword
    quitWord();
    return nothing;
}

// -- Permissions, input sources, hot keys --------------------------------------------------------

const InputSource* SimWorld::currentInputSource() const {
    for (const auto& source : inputSources_) {
        if (source.id == currentSource_) {
            return &source;
        }
    }
    return nullptr;
}

bool SimWorld::selectInputSource(std::string_view id) {
    for (const auto& source : inputSources_) {
        if (source.id == id && source.enabled && source.selectCapable) {
            currentSource_ = source.id;
            return true;
        }
    }
    return false;
}

std::optional<std::uint64_t> SimWorld::registerHotKey(std::uint32_t keyCode,
                                                      std::uint32_t modifiers,
                                                      std::uint32_t signature, std::uint32_t id) {
    for (const auto& hotKey : hotKeys_) {
        if (hotKey.keyCode == keyCode && hotKey.modifiers == modifiers) {
            return std::nullopt;
        }
    }
    const std::uint64_t ref = nextHotKeyRef_++;
    hotKeys_.push_back({ref, keyCode, modifiers, signature, id, false});
    return ref;
}

void SimWorld::unregisterHotKey(std::uint64_t ref) {
    std::erase_if(hotKeys_, [ref](const HotKey& hotKey) { return hotKey.ref == ref; });
}

void SimWorld::reserveHotKey(std::uint32_t keyCode, std::uint32_t modifiers) {
    hotKeys_.push_back({nextHotKeyRef_++, keyCode, modifiers, 0, 0, true});
}

std::vector<SimEvent> SimWorld::eventsAfter(std::uint64_t seq) const {
    std::vector<SimEvent> found;
    for (const auto& event : events_) {
        if (event.seq > seq) {
            found.push_back(event);
        }
    }
    return found;
}

// -- Dump ----------------------------------------------------------------------------------------

nlohmann::json SimWorld::dump() const {
    using nlohmann::json;
    json documents = json::array();
    for (const auto& entry : documents_) {
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
    for (const auto& dialog : dialogs_) {
        dialogs.push_back({{"id", dialog->id}, {"title", dialog->title}, {"keys", dialog->keys}});
    }
    json clients = json::array();
    for (const auto& client : clients_) {
        clients.push_back({{"pid", client->info.pid},
                           {"bundleId", client->info.bundleId},
                           {"name", client->info.name},
                           {"windowTitle", client->title},
                           {"fieldText", toUtf8(client->text)},
                           {"keys", client->keys}});
    }
    json options = json::object();
    for (const auto& [name, on] : autoCorrect_.named()) {
        options[name] = on;
    }
    return {
        {"word",
         {{"running", wordPid_.has_value()},
          {"pid", wordPid_ ? json(*wordPid_) : json(nullptr)},
          {"documents", documents},
          {"dialogs", dialogs},
          {"pendingEvents", wordQueue_.size()},
          {"keysToDocument", keysToWordDocument_},
          {"keysToDialogs", keysToDialogs_}}},
        {"frontmostPid", frontmostPid_},
        {"clients", clients},
        {"permissions",
         {{"accessibility", permissions_.accessibility},
          {"postEvents", permissions_.postEvents},
          {"automation", permissions_.automation}}},
        {"inputSource", currentSource_},
        {"autoCorrect", options},
        {"config",
         {{"wordEventsPerSecond", config_.wordEventsPerSecond},
          {"wordLatencySeconds", config_.wordLatencySeconds},
          {"bodyRecreateEveryChars", config_.bodyRecreateEveryChars},
          {"axTextInBackground", config_.axTextInBackground},
          {"scriptTimeScale", config_.scriptTimeScale}}},
        {"lastEventSeq", lastEventSeq()},
    };
}

} // namespace plumeo::sim
