#include "platform/ax/AXInspector.h"

#include "core/text/Utf16.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace plumeo {

AXInspector::AXInspector(std::shared_ptr<PlatformBackend> backend, std::int32_t pid,
                         double busyBudgetSeconds)
    : backend_(std::move(backend)), pid_(pid), app_(backend_->axApplicationElement(pid)),
      busyBudgetSeconds_(busyBudgetSeconds) {
    backend_->axSetMessagingTimeout(app_, applicationTimeoutSeconds);
}

std::optional<AXElementRef> AXInspector::focusedWindow() const {
    return copyElement(app_, AXNames::focusedWindow);
}

std::optional<AXElementRef> AXInspector::focusedElement() const {
    return copyElement(app_, AXNames::focusedUIElement);
}

AXInspector::Focus AXInspector::focus(double busyBudgetSeconds) const {
    auto results = copyResults(
        app_, {std::string(AXNames::focusedWindow), std::string(AXNames::focusedUIElement)},
        busyBudgetSeconds);
    return Focus{std::move(results[0]), std::move(results[1])};
}

void AXInspector::bound(AXResult& result) const {
    if (!result.value)
        return;
    if (auto* element = std::get_if<AXElementRef>(&*result.value)) {
        backend_->axSetMessagingTimeout(*element, applicationTimeoutSeconds);
    } else if (auto* list = std::get_if<std::vector<AXElementRef>>(&*result.value)) {
        for (const auto& each : *list)
            backend_->axSetMessagingTimeout(each, applicationTimeoutSeconds);
    }
}

bool AXInspector::retryAfterBusy(double startedUptime, double busyBudgetSeconds) const {
    if (backend_->systemUptime() - startedUptime >= busyBudgetSeconds)
        return false;
    backend_->sleepMicroseconds(busyRetryPauseMicroseconds);
    return true;
}

AXResult AXInspector::copyResult(const AXElementRef& element, std::string_view attribute,
                                 double busyBudgetSeconds) const {
    const double started = busyBudgetSeconds > 0 ? backend_->systemUptime() : 0;
    for (;;) {
        AXResult result = backend_->axAttribute(element, attribute);
        if (!result.busy() || !retryAfterBusy(started, busyBudgetSeconds)) {
            bound(result);
            return result;
        }
    }
}

AXResult AXInspector::copyParameterizedResult(const AXElementRef& element,
                                              std::string_view attribute, const AXValue& parameter,
                                              double busyBudgetSeconds) const {
    const double started = busyBudgetSeconds > 0 ? backend_->systemUptime() : 0;
    for (;;) {
        AXResult result = backend_->axParameterizedAttribute(element, attribute, parameter);
        if (!result.busy() || !retryAfterBusy(started, busyBudgetSeconds)) {
            bound(result);
            return result;
        }
    }
}

std::vector<AXResult> AXInspector::copyResults(const AXElementRef& element,
                                               const std::vector<std::string>& names,
                                               double busyBudgetSeconds) const {
    const double started = busyBudgetSeconds > 0 ? backend_->systemUptime() : 0;
    for (;;) {
        auto results = backend_->axMultipleAttributes(element, names);
        results.resize(names.size(), AXResult::failed(AXError::failure));
        // A busy Word fails the whole call; a single busy entry is not worth a second trip.
        const bool busy = std::all_of(results.begin(), results.end(),
                                      [](const AXResult& result) { return result.busy(); });
        if (!busy || !retryAfterBusy(started, busyBudgetSeconds)) {
            for (auto& result : results)
                bound(result);
            return results;
        }
    }
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
    return axElement(copyResult(element, attribute, busyBudgetSeconds_));
}

std::optional<std::vector<AXElementRef>>
AXInspector::copyElementList(const AXElementRef& element, std::string_view attribute) const {
    return axElementList(copyResult(element, attribute, busyBudgetSeconds_));
}

std::optional<std::string> AXInspector::copyString(const AXElementRef& element,
                                                   std::string_view attribute) const {
    auto text = axString(copyResult(element, attribute, busyBudgetSeconds_));
    if (!text)
        return std::nullopt;
    return toUtf8(*text);
}

std::optional<bool> AXInspector::copyBool(const AXElementRef& element,
                                          std::string_view attribute) const {
    return axBool(copyResult(element, attribute, busyBudgetSeconds_));
}

std::optional<double> AXInspector::copyNumber(const AXElementRef& element,
                                              std::string_view attribute) const {
    return axNumber(copyResult(element, attribute, busyBudgetSeconds_));
}

std::string AXInspector::role(const AXElementRef& element) const {
    return copyString(element, AXNames::role).value_or("");
}

std::optional<AXElementRef> AXInspector::window(const AXElementRef& element) const {
    return copyElement(element, AXNames::window);
}

std::optional<AXTextRange> AXInspector::selectedRange(const AXElementRef& element) const {
    return axRange(copyResult(element, AXNames::selectedTextRange, busyBudgetSeconds_));
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
    // Queries on the system-wide element run under the process-wide timeout; setting it here
    // bounds this one, and every element the platform classes query carries its own.
    backend.axSetGlobalMessagingTimeout(applicationTimeoutSeconds);
    auto systemWide = backend.axSystemWideElement();
    auto app = axElement(backend.axAttribute(systemWide, AXNames::focusedApplication));
    if (!app)
        return std::nullopt;
    return backend.axPid(*app);
}

bool AXInspector::waitUntilFocused(PlatformBackend& backend, std::int32_t pid, double waitSeconds) {
    constexpr std::uint32_t pollMicroseconds = 50000;
    const double deadline = backend.systemUptime() + waitSeconds;
    for (;;) {
        if (systemFocusedAppPID(backend) == pid)
            return true;
        if (backend.systemUptime() >= deadline)
            return false;
        backend.sleepMicroseconds(pollMicroseconds);
    }
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
    const auto page =
        axRange(copyResult(candidate, AXNames::sharedCharacterRange, busyBudgetSeconds_));
    const std::int64_t offset = page ? page->location : 0;
    const std::int64_t storyLength = offset + static_cast<std::int64_t>(*count) + 1;
    if (storyLength < expect.documentLength.lower || storyLength > expect.documentLength.upper)
        return false;
    auto selection = selectedRange(candidate);
    return selection && selection->length == 0 &&
           offset + selection->location >= expect.cursor.lower &&
           offset + selection->location <= expect.cursor.upper;
}

} // namespace plumeo
