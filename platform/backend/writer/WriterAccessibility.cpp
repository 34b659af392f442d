// The Accessibility half of WriterBackend: Word's elements as X windows and the office's
// document model show them.

#include "platform/backend/writer/WriterBackend.h"

#include "core/text/Utf16.h"

namespace plumeo {

namespace {

using Names = std::vector<std::string>;

const Names applicationAttributes{"AXRole", "AXTitle", "AXFocusedWindow", "AXFocusedUIElement",
                                  "AXWindows", "AXFrontmost"};
const Names windowAttributes{"AXRole", "AXSubrole", "AXTitle", "AXModal", "AXChildren",
                             "AXWindow", "AXMain", "AXFocused"};
const Names bodyAttributes{"AXRole", "AXWindow", "AXValue", "AXNumberOfCharacters",
                           "AXSelectedTextRange"};

AXResult unsupported() { return AXResult::failed(AXError::attributeUnsupported); }
AXResult text(const std::string& utf8) { return AXResult::of(toUtf16(utf8)); }

} // namespace

AXElementRef WriterBackend::element(ElementKind kind, std::uint64_t value) {
    return AXElementRef{(static_cast<std::uint64_t>(kind) << 56) | value, nullptr};
}

WriterBackend::ElementKind WriterBackend::kindOf(const AXElementRef& element) {
    return static_cast<ElementKind>(element.id >> 56);
}

std::uint64_t WriterBackend::valueOf(const AXElementRef& element) {
    return element.id & ((std::uint64_t{1} << 56) - 1);
}

AXElementRef WriterBackend::axApplicationElement(std::int32_t pid) {
    return element(ElementKind::application, static_cast<std::uint32_t>(pid));
}

AXElementRef WriterBackend::axSystemWideElement() { return element(ElementKind::systemWide, 0); }

bool WriterBackend::isDocumentWindow(const XDesktop::WindowInfo& info) const {
    // Writer's document frames; the Start Center and the other modules have classes of their
    // own.
    return !info.isDialog() && info.windowClass == "libreoffice-writer";
}

std::optional<Window> WriterBackend::focusedWindowOf(std::int32_t pid) {
    if (const auto active = desktop_.activeWindow()) {
        if (const auto info = desktop_.info(*active); info && info->pid == pid)
            return *active;
    }
    // In the background an application's focused window is the one it would show first.
    const auto windows = desktop_.windowsBottomToTop();
    for (auto window = windows.rbegin(); window != windows.rend(); ++window) {
        if (const auto info = desktop_.info(*window); info && info->pid == pid && !info->hidden)
            return *window;
    }
    return std::nullopt;
}

std::optional<AXElementRef> WriterBackend::focusedElementOf(std::int32_t pid) {
    const auto window = focusedWindowOf(pid);
    if (!window)
        return std::nullopt;
    const auto info = desktop_.info(*window);
    std::unique_lock delivery(deliveryMutex_);
    if (info && isDocumentWindow(*info) && office_ && office_->cursorInBody())
        return element(ElementKind::body, *window);
    return element(ElementKind::control, *window);
}

AXResult WriterBackend::axAttribute(const AXElementRef& ref, std::string_view attribute) {
    const std::uint64_t value = valueOf(ref);
    switch (kindOf(ref)) {
    case ElementKind::systemWide: {
        if (attribute == "AXRole")
            return text("AXSystemWide");
        const auto pid = activePid();
        if (!pid)
            return AXResult::failed(AXError::noValue);
        if (attribute == "AXFocusedApplication")
            return AXResult::of(axApplicationElement(*pid));
        if (attribute == "AXFocusedUIElement") {
            const auto focused = focusedElementOf(*pid);
            return focused ? AXResult::of(*focused) : AXResult::failed(AXError::noValue);
        }
        return unsupported();
    }
    case ElementKind::application:
        return applicationAttribute(static_cast<std::int32_t>(value), attribute);
    case ElementKind::window:
        return windowAttribute(static_cast<Window>(value), attribute);
    case ElementKind::body:
        return bodyAttribute(static_cast<Window>(value), attribute);
    case ElementKind::control:
        if (attribute == "AXRole")
            return text("AXGroup");
        if (attribute == "AXWindow")
            return AXResult::of(element(ElementKind::window, value));
        return unsupported();
    case ElementKind::sheet:
        if (attribute == "AXRole")
            return text("AXSheet");
        if (attribute == "AXTitle") {
            const auto info = desktop_.info(static_cast<Window>(value));
            return info ? text(info->title) : AXResult::failed(AXError::invalidUIElement);
        }
        return unsupported();
    }
    return AXResult::failed(AXError::illegalArgument);
}

AXResult WriterBackend::applicationAttribute(std::int32_t pid, std::string_view attribute) {
    if (!processExists(pid))
        return AXResult::failed(AXError::invalidUIElement);
    if (attribute == "AXRole")
        return text("AXApplication");
    if (attribute == "AXTitle") {
        const auto app = runningApplication(pid);
        return text(app && app->localizedName ? *app->localizedName : "");
    }
    if (attribute == "AXFrontmost")
        return AXResult::of(activePid() == pid);
    if (attribute == "AXFocusedWindow") {
        const auto window = focusedWindowOf(pid);
        return window ? AXResult::of(element(ElementKind::window, *window))
                      : AXResult::failed(AXError::noValue);
    }
    if (attribute == "AXFocusedUIElement") {
        const auto focused = focusedElementOf(pid);
        return focused ? AXResult::of(*focused) : AXResult::failed(AXError::noValue);
    }
    if (attribute == "AXWindows") {
        std::vector<AXElementRef> windows;
        for (Window window : desktop_.windowsBottomToTop()) {
            if (const auto info = desktop_.info(window); info && info->pid == pid)
                windows.insert(windows.begin(), element(ElementKind::window, window));
        }
        return AXResult::of(std::move(windows));
    }
    return unsupported();
}

AXResult WriterBackend::windowAttribute(Window window, std::string_view attribute) {
    const auto info = desktop_.info(window);
    if (!info)
        return AXResult::failed(AXError::invalidUIElement);
    if (attribute == "AXRole")
        return text("AXWindow");
    if (attribute == "AXSubrole")
        return text(info->isDialog() ? "AXDialog" : "AXStandardWindow");
    if (attribute == "AXTitle")
        return text(info->title);
    if (attribute == "AXModal")
        return AXResult::of(info->modal);
    if (attribute == "AXWindow")
        return AXResult::of(element(ElementKind::window, window));
    if (attribute == "AXMain" || attribute == "AXFocused")
        return AXResult::of(desktop_.activeWindow() == window);
    if (attribute == "AXChildren") {
        std::vector<AXElementRef> children;
        if (isDocumentWindow(*info))
            children.push_back(element(ElementKind::body, window));
        // A modal dialog that belongs to this window covers it as a sheet covers a Mac
        // document window.
        for (Window other : desktop_.windowsBottomToTop()) {
            const auto otherInfo = desktop_.info(other);
            if (otherInfo && otherInfo->transientFor == window && otherInfo->modal)
                children.push_back(element(ElementKind::sheet, other));
        }
        return AXResult::of(std::move(children));
    }
    return unsupported();
}

AXResult WriterBackend::bodyAttribute(Window window, std::string_view attribute) {
    if (attribute == "AXRole")
        return text("AXTextArea");
    if (attribute == "AXWindow")
        return AXResult::of(element(ElementKind::window, window));
    if (!office_)
        return AXResult::failed(AXError::cannotComplete);
    std::lock_guard delivery(deliveryMutex_);
    if (attribute == "AXValue") {
        auto body = office_->bodyText();
        return body ? AXResult::of(std::move(*body)) : AXResult::failed(AXError::cannotComplete);
    }
    if (attribute == "AXNumberOfCharacters") {
        const auto length = office_->bodyLength();
        return length ? AXResult::of(static_cast<double>(*length))
                      : AXResult::failed(AXError::cannotComplete);
    }
    if (attribute == "AXSelectedTextRange") {
        const auto range = office_->selection();
        return range ? AXResult::of(*range) : AXResult::failed(AXError::noValue);
    }
    return unsupported();
}

std::vector<AXResult> WriterBackend::axMultipleAttributes(const AXElementRef& ref,
                                                          const std::vector<std::string>& names) {
    std::vector<AXResult> results;
    for (const auto& name : names)
        results.push_back(axAttribute(ref, name));
    return results;
}

AXResult WriterBackend::axParameterizedAttribute(const AXElementRef& ref,
                                                 std::string_view attribute,
                                                 const AXValue& parameter) {
    if (kindOf(ref) != ElementKind::body || attribute != "AXStringForRange")
        return AXResult::failed(AXError::parameterizedAttributeUnsupported);
    const auto* range = std::get_if<AXTextRange>(&parameter);
    if (!range || range->location < 0 || range->length < 0)
        return AXResult::failed(AXError::illegalArgument);
    if (!office_)
        return AXResult::failed(AXError::cannotComplete);
    std::unique_lock delivery(deliveryMutex_);
    auto part = office_->bodyRange(*range);
    return part ? AXResult::of(std::move(*part)) : AXResult::failed(AXError::illegalArgument);
}

std::vector<std::string> WriterBackend::axAttributeNames(const AXElementRef& ref) {
    switch (kindOf(ref)) {
    case ElementKind::application: return applicationAttributes;
    case ElementKind::window: return windowAttributes;
    case ElementKind::body: return bodyAttributes;
    case ElementKind::systemWide: return {"AXRole", "AXFocusedApplication", "AXFocusedUIElement"};
    case ElementKind::control: return {"AXRole", "AXWindow"};
    case ElementKind::sheet: return {"AXRole", "AXTitle"};
    }
    return {};
}

std::vector<std::string> WriterBackend::axParameterizedAttributeNames(const AXElementRef& ref) {
    if (kindOf(ref) == ElementKind::body)
        return {"AXStringForRange"};
    return {};
}

// Every answer comes from the X server or over the office's pipe, each bounded on its own;
// there is no messaging timeout to set.
AXError WriterBackend::axSetMessagingTimeout(const AXElementRef&, double) {
    return AXError::success;
}

AXError WriterBackend::axSetGlobalMessagingTimeout(double) { return AXError::success; }

std::optional<std::int32_t> WriterBackend::axPid(const AXElementRef& ref) {
    switch (kindOf(ref)) {
    case ElementKind::application: return static_cast<std::int32_t>(valueOf(ref));
    case ElementKind::window:
    case ElementKind::body:
    case ElementKind::control:
    case ElementKind::sheet: {
        const auto info = desktop_.info(static_cast<Window>(valueOf(ref)));
        return info ? info->pid : std::nullopt;
    }
    case ElementKind::systemWide: break;
    }
    return std::nullopt;
}

bool WriterBackend::axIsSameElement(const AXElementRef& a, const AXElementRef& b) {
    return a.id == b.id;
}

} // namespace plumeo
