#include "sim/model/AccessibilityTree.h"

#include "core/text/Utf16.h"
#include "sim/model/SimDesktop.h"
#include "sim/model/SimWord.h"

#include <algorithm>

namespace plumeo::sim {

namespace {

constexpr ElementId applicationTag = ElementId{1} << 40;

std::u16string withLineFeeds(std::u16string text) {
    std::replace(text.begin(), text.end(), u'\r', u'\n');
    return text;
}

} // namespace

ElementId ElementTable::add(SimElement element) {
    const ElementId id = nextElement_++;
    elements_.emplace(id, element);
    return id;
}

const SimElement* ElementTable::find(ElementId id) const {
    const auto found = elements_.find(id);
    return found == elements_.end() ? nullptr : &found->second;
}

AccessibilityTree::AccessibilityTree(const SimConfig& config, const ElementTable& elements,
                                     SimDesktop& desktop, SimWord& word)
    : config_(config), elements_(elements), desktop_(desktop), word_(word) {}

ElementId AccessibilityTree::applicationElement(int pid) const {
    return applicationTag | static_cast<std::uint32_t>(pid);
}

std::optional<int> AccessibilityTree::elementPid(ElementId id) const {
    if (id & applicationTag) {
        return static_cast<int>(id & 0xFFFFFFFFu);
    }
    if (const SimElement* found = elements_.find(id)) {
        return found->pid;
    }
    return std::nullopt;
}

std::optional<ElementId> AccessibilityTree::wordFocusedWindow() {
    if (const Dialog* dialog = word_.frontDialog()) {
        return dialog->window;
    }
    if (const DocEntry* front = word_.frontEntry()) {
        return front->window;
    }
    return std::nullopt;
}

std::optional<ElementId> AccessibilityTree::wordFocusedElement() {
    if (const Dialog* dialog = word_.frontDialog()) {
        return dialog->button;
    }
    DocEntry* front = word_.frontEntry();
    if (!front) {
        return std::nullopt;
    }
    if (front->sheet != 0) {
        return front->sheetButton;
    }
    if (front->focusOnToolbar) {
        return front->button;
    }
    if (config_.splitGroupFocus) {
        return front->splitGroup;
    }
    const int characters = front->doc.storyLength() - 1;
    if (config_.pageUnits > 0 && characters > 0) {
        const int page = std::min(front->doc.selectionStart(), characters - 1) / config_.pageUnits;
        return word_.pageElement(*front, page);
    }
    return front->body;
}

std::optional<ElementId> AccessibilityTree::appFocusedWindow(int pid) {
    if (desktop_.wordPid() == pid) {
        return wordFocusedWindow();
    }
    for (const auto& client : desktop_.clients()) {
        if (client->info.pid == pid) {
            return client->window;
        }
    }
    return std::nullopt;
}

std::optional<ElementId> AccessibilityTree::appFocusedElement(int pid) {
    if (desktop_.wordPid() == pid) {
        return wordFocusedElement();
    }
    for (const auto& client : desktop_.clients()) {
        if (client->info.pid == pid) {
            return client->field;
        }
    }
    return std::nullopt;
}

std::optional<AXAnswer> AccessibilityTree::attribute(ElementId id, std::string_view name) {
    if (!desktop_.permissions().accessibility) {
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
            if (!desktop_.app(desktop_.frontmostPid())) {
                return std::nullopt;
            }
            return AXAnswer{applicationElement(desktop_.frontmostPid())};
        }
        if (name == "AXFocusedUIElement") {
            return optionalElement(appFocusedElement(desktop_.frontmostPid()));
        }
        return std::nullopt;
    }

    if (id & applicationTag) {
        const int pid = static_cast<int>(id & 0xFFFFFFFFu);
        const auto info = desktop_.app(pid);
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
            return AXAnswer{pid == desktop_.frontmostPid()};
        }
        if (name == "AXFocusedWindow" || name == "AXMainWindow") {
            return optionalElement(appFocusedWindow(pid));
        }
        if (name == "AXFocusedUIElement") {
            return optionalElement(appFocusedElement(pid));
        }
        if (name == "AXWindows" || name == "AXChildren") {
            ElementList windows;
            if (desktop_.wordPid() == pid) {
                for (auto it = word_.dialogs().rbegin(); it != word_.dialogs().rend(); ++it) {
                    windows.ids.push_back((*it)->window);
                }
                for (const auto& doc : word_.documents()) {
                    windows.ids.push_back(doc->window);
                }
            } else if (const auto window = appFocusedWindow(pid)) {
                windows.ids.push_back(*window);
            }
            return AXAnswer{windows};
        }
        return std::nullopt;
    }

    const SimElement* found = elements_.find(id);
    if (!found) {
        return std::nullopt;
    }
    using Kind = SimElement::Kind;
    const ElementId appElement = applicationElement(found->pid);

    if (found->kind == Kind::clientWindow || found->kind == Kind::clientField) {
        const ClientApp* client = nullptr;
        for (const auto& candidate : desktop_.clients()) {
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
        for (const auto& candidate : word_.dialogs()) {
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
    for (auto& candidate : word_.documents()) {
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
            return AXAnswer{word_.frontEntry() == doc};
        }
        if (name == "AXChildren") {
            ElementList children{
                {doc->toolbar, config_.splitGroupFocus ? doc->splitGroup : doc->body}};
            const int characters = doc->doc.storyLength() - 1;
            if (config_.pageUnits > 0 && characters > 0 && !config_.splitGroupFocus) {
                children.ids.pop_back();
                for (int page = 0; page * config_.pageUnits < characters; ++page) {
                    children.ids.push_back(word_.pageElement(*doc, page));
                }
            }
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
    case Kind::page:
        return pageAttribute(*doc, *found, name);
    case Kind::splitGroup:
        if (name == "AXRole") {
            return AXAnswer{std::u16string(u"AXSplitGroup")};
        }
        if (name == "AXChildren") {
            return AXAnswer{ElementList{{doc->body}}};
        }
        if (name == "AXWindow" || name == "AXParent") {
            return AXAnswer{doc->window};
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
        const bool textVisible = desktop_.wordFrontmost() || config_.axTextInBackground;
        const int characters = doc->doc.storyLength() - 1;
        if (name == "AXRole") {
            return AXAnswer{std::u16string(doc->bodyIsText ? u"AXTextArea" : u"AXScrollArea")};
        }
        if (name == "AXDescription") {
            return AXAnswer{std::u16string(u"正文")};
        }
        if (name == "AXWindow") {
            return AXAnswer{doc->window};
        }
        if (name == "AXParent") {
            return AXAnswer{config_.splitGroupFocus ? doc->splitGroup : doc->window};
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
        if (name == "AXSelectedTextRange" && config_.noSelectionAtStart &&
            doc->doc.selectionEnd() == 0) {
            return std::nullopt; // Word gives no range at the very start of a document
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

std::optional<AXAnswer> AccessibilityTree::parameterizedAttribute(ElementId id,
                                                                  std::string_view name,
                                                                  const AXRange& range) {
    if (!desktop_.permissions().accessibility ||
        (name != "AXStringForRange" && name != "AXAttributedStringForRange")) {
        return std::nullopt;
    }
    const SimElement* found = elements_.find(id);
    if (found && found->kind == SimElement::Kind::page) {
        for (auto& doc : word_.documents()) {
            const auto page =
                doc->serial == found->owner ? pageRange(*doc, found->index) : std::nullopt;
            if (!page || (!desktop_.wordFrontmost() && !config_.axTextInBackground)) {
                continue;
            }
            // Offsets are the page's own.
            if (range.location < 0 || range.length < 0 ||
                range.location + range.length > page->length) {
                return std::nullopt;
            }
            return AXAnswer{withLineFeeds(
                doc->doc.story().substr(static_cast<std::size_t>(page->location + range.location),
                                        static_cast<std::size_t>(range.length)))};
        }
        return std::nullopt;
    }
    if (!found || found->kind != SimElement::Kind::body) {
        return std::nullopt;
    }
    for (auto& doc : word_.documents()) {
        if (doc->body != id || !doc->bodyIsText) {
            continue;
        }
        if (!desktop_.wordFrontmost() && !config_.axTextInBackground) {
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

std::vector<std::string> AccessibilityTree::attributeNames(ElementId id) {
    if (!desktop_.permissions().accessibility) {
        return {};
    }
    if (id == systemWideId) {
        return {"AXRole", "AXFocusedApplication", "AXFocusedUIElement"};
    }
    if (id & applicationTag) {
        if (!desktop_.app(static_cast<int>(id & 0xFFFFFFFFu))) {
            return {};
        }
        return {"AXRole",       "AXTitle",   "AXFrontmost", "AXFocusedWindow",
                "AXMainWindow", "AXWindows", "AXChildren",  "AXFocusedUIElement"};
    }
    const SimElement* found = elements_.find(id);
    if (!found) {
        return {};
    }
    if (found->kind == SimElement::Kind::page) {
        return {"AXRole",
                "AXWindow",
                "AXParent",
                "AXNumberOfCharacters",
                "AXSelectedTextRange",
                "AXSharedCharacterRange",
                "AXValue"};
    }
    if (found->kind == SimElement::Kind::body) {
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

std::vector<std::string> AccessibilityTree::parameterizedAttributeNames(ElementId id) {
    const SimElement* found = elements_.find(id);
    if (!desktop_.permissions().accessibility || !found ||
        (found->kind != SimElement::Kind::body && found->kind != SimElement::Kind::page)) {
        return {};
    }
    return {"AXStringForRange", "AXAttributedStringForRange"};
}

// -- Errors --------------------------------------------------------------------------------------

bool AccessibilityTree::exists(ElementId id) const {
    if (id == systemWideId) {
        return true;
    }
    if (id & applicationTag) {
        return desktop_.app(static_cast<int>(id & 0xFFFFFFFFu)).has_value();
    }
    const SimElement* found = elements_.find(id);
    if (found && found->kind == SimElement::Kind::page) {
        // A page that the text no longer reaches is gone.
        for (const auto& doc : word_.documents()) {
            if (doc->serial == found->owner) {
                return pageRange(*doc, found->index).has_value();
            }
        }
        return false;
    }
    return found != nullptr;
}

std::optional<AXRange> AccessibilityTree::pageRange(const DocEntry& doc, int index) const {
    const int characters = doc.doc.storyLength() - 1;
    const int start = index * config_.pageUnits;
    if (config_.pageUnits <= 0 || start >= characters) {
        return std::nullopt;
    }
    return AXRange{start, std::min(config_.pageUnits, characters - start)};
}

std::optional<AXAnswer> AccessibilityTree::pageAttribute(const DocEntry& doc,
                                                         const SimElement& page,
                                                         std::string_view name) {
    const auto range = pageRange(doc, page.index);
    if (!range) {
        return std::nullopt;
    }
    const bool textVisible = desktop_.wordFrontmost() || config_.axTextInBackground;
    if (name == "AXRole") {
        return AXAnswer{std::u16string(u"AXTextArea")};
    }
    if (name == "AXWindow" || name == "AXParent") {
        return AXAnswer{doc.window};
    }
    if (name == "AXSharedCharacterRange") {
        return AXAnswer{*range};
    }
    if (name == "AXNumberOfCharacters" && textVisible) {
        return AXAnswer{static_cast<double>(range->length)};
    }
    if (name == "AXValue" && textVisible) {
        return AXAnswer{withLineFeeds(doc.doc.story().substr(
            static_cast<std::size_t>(range->location), static_cast<std::size_t>(range->length)))};
    }
    if (name == "AXSelectedTextRange") {
        const std::int64_t start = doc.doc.selectionStart() - range->location;
        const std::int64_t length = doc.doc.selectionEnd() - doc.doc.selectionStart();
        if (start < 0 || start + length > range->length) {
            return std::nullopt; // the selection lies on another page
        }
        return AXAnswer{AXRange{start, length}};
    }
    return std::nullopt;
}

bool AccessibilityTree::busyTurn(ElementId id) {
    if (config_.axBusyShare <= 0 || id == systemWideId) {
        return false;
    }
    const auto pid = elementPid(id);
    if (!pid || pid != desktop_.wordPid()) {
        return false;
    }
    // A steady share rather than a random one, so a test sees the same sequence every run.
    busyCredit_ += std::min(config_.axBusyShare, 1.0);
    if (busyCredit_ < 1.0) {
        return false;
    }
    busyCredit_ -= 1.0;
    return true;
}

AXReply AccessibilityTree::busyReply(double timeoutSeconds) const {
    AXReply busy;
    busy.error = axerror::cannotComplete;
    busy.delaySeconds = std::min(std::max(config_.axBusyLatencySeconds, 0.0), timeoutSeconds);
    return busy;
}

AXReply AccessibilityTree::reply(ElementId id, std::string_view name, double timeoutSeconds) {
    AXReply answer;
    if (!desktop_.permissions().accessibility) {
        answer.error = axerror::apiDisabled;
        return answer;
    }
    if (!exists(id)) {
        answer.error = axerror::invalidUIElement;
        return answer;
    }
    if (busyTurn(id)) {
        return busyReply(timeoutSeconds);
    }
    answer.value = attribute(id, name);
    if (!answer.value) {
        const auto names = attributeNames(id);
        const bool supported = std::find(names.begin(), names.end(), name) != names.end();
        answer.error = supported ? axerror::noValue : axerror::attributeUnsupported;
    }
    return answer;
}

std::vector<AXReply> AccessibilityTree::multipleReply(ElementId id,
                                                      const std::vector<std::string>& names,
                                                      double timeoutSeconds) {
    AXReply failed;
    if (!desktop_.permissions().accessibility) {
        failed.error = axerror::apiDisabled;
    } else if (!exists(id)) {
        failed.error = axerror::invalidUIElement;
    } else if (busyTurn(id)) {
        failed = busyReply(timeoutSeconds);
    } else {
        const auto supported = attributeNames(id);
        std::vector<AXReply> replies;
        for (const auto& name : names) {
            AXReply answer;
            answer.value = attribute(id, name);
            if (!answer.value) {
                const bool known =
                    std::find(supported.begin(), supported.end(), name) != supported.end();
                answer.error = known ? axerror::noValue : axerror::attributeUnsupported;
            }
            replies.push_back(std::move(answer));
        }
        return replies;
    }
    std::vector<AXReply> replies(names.size(), failed);
    // The call took its time once, not once per attribute.
    for (std::size_t i = 1; i < replies.size(); ++i) {
        replies[i].delaySeconds = 0;
    }
    return replies;
}

AXReply AccessibilityTree::parameterizedReply(ElementId id, std::string_view name,
                                              const AXRange& range, double timeoutSeconds) {
    AXReply answer;
    if (!desktop_.permissions().accessibility) {
        answer.error = axerror::apiDisabled;
        return answer;
    }
    if (!exists(id)) {
        answer.error = axerror::invalidUIElement;
        return answer;
    }
    if (busyTurn(id)) {
        return busyReply(timeoutSeconds);
    }
    answer.value = parameterizedAttribute(id, name, range);
    if (!answer.value) {
        const auto names = parameterizedAttributeNames(id);
        const bool supported = std::find(names.begin(), names.end(), name) != names.end();
        answer.error = supported ? axerror::noValue : axerror::parameterizedAttributeUnsupported;
    }
    return answer;
}

} // namespace plumeo::sim
