#include "sim/model/SimWord.h"

#include "sim/model/SimDesktop.h"

#include <algorithm>

namespace plumeo::sim {

SimWord::SimWord(const SimConfig& config, const SimClock& clock, ElementTable& elements,
                 SimDesktop& desktop)
    : config_(config), clock_(clock), elements_(elements), desktop_(desktop) {}

// -- Documents -----------------------------------------------------------------------------------

std::vector<std::string> SimWord::documentNames() const {
    std::vector<std::string> names;
    for (const auto& entry : documents_) {
        names.push_back(entry->doc.name());
    }
    return names;
}

DocEntry* SimWord::entry(std::string_view name) {
    for (auto& entry : documents_) {
        if (entry->doc.name() == name) {
            return entry.get();
        }
    }
    return nullptr;
}

DocEntry* SimWord::frontEntry() {
    return documents_.empty() ? nullptr : documents_.front().get();
}

WordDocument* SimWord::document(std::string_view name) {
    DocEntry* found = entry(name);
    return found ? &found->doc : nullptr;
}

WordDocument* SimWord::activeDocument() {
    DocEntry* front = frontEntry();
    return front ? &front->doc : nullptr;
}

std::optional<std::string> SimWord::newDocument() {
    const auto wordPid = desktop_.wordPid();
    if (!wordPid) {
        return std::nullopt;
    }
    const int serial = ++documentsCreated_;
    auto entry = std::make_unique<DocEntry>("文档" + std::to_string(serial));
    entry->serial = serial;
    const int pid = *wordPid;
    entry->window = elements_.add({SimElement::Kind::docWindow, pid, serial});
    entry->toolbar = elements_.add({SimElement::Kind::toolbar, pid, serial});
    entry->button = elements_.add({SimElement::Kind::toolbarButton, pid, serial});
    entry->body = elements_.add({SimElement::Kind::body, pid, serial});
    entry->splitGroup = elements_.add({SimElement::Kind::splitGroup, pid, serial});
    const std::string name = entry->doc.name();
    documents_.insert(documents_.begin(), std::move(entry));
    return name;
}

ElementId SimWord::pageElement(DocEntry& doc, int index) {
    while (static_cast<int>(doc.pages.size()) <= index) {
        doc.pages.push_back(elements_.add({SimElement::Kind::page, desktop_.wordPid().value_or(0),
                                           doc.serial, static_cast<int>(doc.pages.size())}));
    }
    return doc.pages[static_cast<std::size_t>(index)];
}

void SimWord::dropDocument(DocEntry& doc) {
    for (ElementId page : doc.pages) {
        elements_.remove(page);
    }
    for (ElementId id : {doc.window, doc.toolbar, doc.button, doc.body, doc.splitGroup, doc.sheet,
                         doc.sheetButton}) {
        elements_.remove(id);
    }
}

bool SimWord::closeDocument(std::string_view name) {
    for (auto it = documents_.begin(); it != documents_.end(); ++it) {
        if ((*it)->doc.name() == name) {
            dropDocument(**it);
            documents_.erase(it);
            return true;
        }
    }
    return false;
}

bool SimWord::activateDocument(std::string_view name) {
    for (auto it = documents_.begin(); it != documents_.end(); ++it) {
        if ((*it)->doc.name() == name) {
            std::rotate(documents_.begin(), it, it + 1);
            return true;
        }
    }
    return false;
}

void SimWord::refreshBody(std::string_view name) {
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
    elements_.remove(doc->body);
    doc->body =
        elements_.add({SimElement::Kind::body, desktop_.wordPid().value_or(0), doc->serial});
    doc->bodyIsText = isText;
    doc->bodyEpoch = epoch;
}

void SimWord::setFocusOnToolbar(bool onToolbar) {
    if (DocEntry* front = frontEntry()) {
        front->focusOnToolbar = onToolbar;
    }
}

void SimWord::closeEverything() {
    while (!documents_.empty()) {
        dropDocument(*documents_.front());
        documents_.erase(documents_.begin());
    }
    while (!dialogs_.empty()) {
        closeDialogAt(dialogs_.size() - 1, "gave up");
    }
}

// -- Dialogs and sheets --------------------------------------------------------------------------

Dialog* SimWord::frontDialog() {
    return dialogs_.empty() ? nullptr : dialogs_.back().get();
}

const Dialog* SimWord::frontDialog() const {
    return dialogs_.empty() ? nullptr : dialogs_.back().get();
}

int SimWord::openDialog(const std::string& title, std::optional<double> giveUpAfterSeconds) {
    auto dialog = std::make_unique<Dialog>();
    dialog->id = nextDialogId_++;
    dialog->title = title;
    const int pid = desktop_.wordPid().value_or(0);
    dialog->window = elements_.add({SimElement::Kind::dialog, pid, dialog->id});
    dialog->text = elements_.add({SimElement::Kind::dialogText, pid, dialog->id});
    dialog->button = elements_.add({SimElement::Kind::dialogButton, pid, dialog->id});
    if (giveUpAfterSeconds) {
        dialog->giveUpAt = clock_.now() + *giveUpAfterSeconds;
    }
    const int id = dialog->id;
    dialogs_.push_back(std::move(dialog));
    return id;
}

void SimWord::closeDialogAt(std::size_t index, const std::string& outcome) {
    Dialog& dialog = *dialogs_[index];
    dialogOutcomes_[dialog.id] = outcome;
    elements_.remove(dialog.window);
    elements_.remove(dialog.text);
    elements_.remove(dialog.button);
    dialogs_.erase(dialogs_.begin() + static_cast<std::ptrdiff_t>(index));
}

bool SimWord::closeDialog(const std::string& button) {
    if (dialogs_.empty()) {
        return false;
    }
    closeDialogAt(dialogs_.size() - 1, "按钮：" + button);
    return true;
}

bool SimWord::modalDialogOpen() const {
    return !dialogs_.empty();
}

std::optional<std::string> SimWord::dialogOutcome(int dialogId) const {
    const auto found = dialogOutcomes_.find(dialogId);
    if (found == dialogOutcomes_.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool SimWord::openSheet(const std::string& title) {
    DocEntry* front = frontEntry();
    if (!front || front->sheet != 0) {
        return false;
    }
    (void)title;
    const int pid = *desktop_.wordPid();
    front->sheet = elements_.add({SimElement::Kind::sheet, pid, front->serial});
    front->sheetButton = elements_.add({SimElement::Kind::sheetButton, pid, front->serial});
    return true;
}

bool SimWord::closeSheet() {
    DocEntry* front = frontEntry();
    if (!front || front->sheet == 0) {
        return false;
    }
    elements_.remove(front->sheet);
    elements_.remove(front->sheetButton);
    front->sheet = front->sheetButton = 0;
    return true;
}

// -- Keys ----------------------------------------------------------------------------------------

void SimWord::takeKey(const KeyEvent& event) {
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

} // namespace plumeo::sim
