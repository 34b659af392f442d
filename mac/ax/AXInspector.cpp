#include "mac/ax/AXInspector.h"

#include "core/text/Utf16.h"

#include <cmath>
#include <limits>

namespace plumeo {

AXInspector::AXInspector(std::shared_ptr<PlatformBackend> backend, std::int32_t pid)
    : backend_(std::move(backend)), pid_(pid), app_(backend_->axApplicationElement(pid)) {
    backend_->axSetMessagingTimeout(app_, applicationTimeoutSeconds);
}

std::optional<AXElementRef> AXInspector::focusedWindow() const {
    return copyElement(app_, AXNames::focusedWindow);
}

std::optional<AXElementRef> AXInspector::focusedElement() const {
    return copyElement(app_, AXNames::focusedUIElement);
}

std::optional<AXInspector::FocusInfo> AXInspector::focusInfo() const {
    auto window = focusedWindow();
    if (!window)
        return std::nullopt;

    FocusInfo info;
    info.windowTitle = copyString(*window, AXNames::title).value_or("");
    info.windowRole = role(*window);
    info.windowSubrole = copyString(*window, AXNames::subrole).value_or("");
    info.isModal = copyBool(*window, AXNames::modal).value_or(false);
    if (auto children = copyElementList(*window, AXNames::children)) {
        for (const auto& child : *children) {
            if (role(child) == AXNames::sheetRole) {
                info.hasSheet = true;
                break;
            }
        }
    }
    if (auto element = focusedElement()) {
        info.elementRole = role(*element);
        info.elementSubrole = copyString(*element, AXNames::subrole).value_or("");
        info.elementDescription = copyString(*element, AXNames::description).value_or("");
    }
    return info;
}

std::optional<AXElementRef> AXInspector::copyElement(const AXElementRef& element,
                                                     std::string_view attribute) const {
    return axElement(backend_->axAttribute(element, attribute));
}

std::optional<std::vector<AXElementRef>>
AXInspector::copyElementList(const AXElementRef& element, std::string_view attribute) const {
    return axElementList(backend_->axAttribute(element, attribute));
}

std::optional<std::string> AXInspector::copyString(const AXElementRef& element,
                                                   std::string_view attribute) const {
    auto text = axString(backend_->axAttribute(element, attribute));
    if (!text)
        return std::nullopt;
    return toUtf8(*text);
}

std::optional<bool> AXInspector::copyBool(const AXElementRef& element,
                                          std::string_view attribute) const {
    return axBool(backend_->axAttribute(element, attribute));
}

std::optional<double> AXInspector::copyNumber(const AXElementRef& element,
                                              std::string_view attribute) const {
    return axNumber(backend_->axAttribute(element, attribute));
}

std::string AXInspector::role(const AXElementRef& element) const {
    return copyString(element, AXNames::role).value_or("");
}

std::optional<AXElementRef> AXInspector::window(const AXElementRef& element) const {
    return copyElement(element, AXNames::window);
}

std::optional<AXTextRange> AXInspector::selectedRange(const AXElementRef& element) const {
    return axRange(backend_->axAttribute(element, AXNames::selectedTextRange));
}

std::optional<int> AXInspector::characterCount(const AXElementRef& element) const {
    auto number = copyNumber(element, AXNames::numberOfCharacters);
    // A count that cannot be a position in a document is no count at all.
    if (!number || !std::isfinite(*number) || *number < 0 ||
        *number > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*number);
}

std::vector<std::string> AXInspector::attributeNames(const AXElementRef& element) const {
    return backend_->axAttributeNames(element);
}

bool AXInspector::isSameElement(const AXElementRef& a, const AXElementRef& b) const {
    return backend_->axIsSameElement(a, b);
}

std::optional<std::int32_t> AXInspector::systemFocusedAppPID(PlatformBackend& backend) {
    auto systemWide = backend.axSystemWideElement();
    backend.axSetMessagingTimeout(systemWide, applicationTimeoutSeconds);
    auto app = axElement(backend.axAttribute(systemWide, AXNames::focusedApplication));
    if (!app)
        return std::nullopt;
    return backend.axPid(*app);
}

bool AXInspector::isEmptyBodyTransition(const AXElementRef& from, const AXElementRef& to) const {
    if (role(from) != AXNames::scrollAreaRole || role(to) != AXNames::textAreaRole)
        return false;
    auto fromWindow = window(from);
    if (!fromWindow)
        return false;
    auto toWindow = window(to);
    return toWindow && isSameElement(*fromWindow, *toWindow);
}

bool AXInspector::isSameDocumentPage(const AXElementRef& window, const AXElementRef& candidate,
                                     const TargetExpectation& expect) const {
    if (role(candidate) != AXNames::textAreaRole)
        return false;
    auto candidateWindow = this->window(candidate);
    if (!candidateWindow || !isSameElement(*candidateWindow, window))
        return false;
    // The Accessibility text lacks the final paragraph mark that Word's story length counts.
    auto count = characterCount(candidate);
    if (!count)
        return false;
    const std::int64_t storyLength = static_cast<std::int64_t>(*count) + 1;
    if (storyLength < expect.documentLength.lower || storyLength > expect.documentLength.upper)
        return false;
    auto selection = selectedRange(candidate);
    return selection && selection->length == 0 && selection->location >= expect.cursor.lower &&
           selection->location <= expect.cursor.upper;
}

} // namespace plumeo
