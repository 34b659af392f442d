#include "platform/input/Permissions.h"

#include "platform/script/WordBridge.h"

namespace plumeo {

std::string PermissionState::label() const {
    switch (kind) {
    case Kind::granted:
        return "已授权";
    case Kind::denied:
        return "已拒绝";
    case Kind::notDetermined:
        return "未授权";
    case Kind::unavailable:
        return detail;
    }
    return detail;
}

namespace Permissions {

namespace {

constexpr std::string_view privacyPane = "x-apple.systempreferences:com.apple.preference.security?";

} // namespace

PermissionState accessibility(PlatformBackend& backend) {
    return backend.axIsProcessTrusted() ? PermissionState::granted()
                                        : PermissionState::notDetermined();
}

PermissionState postEvents(PlatformBackend& backend) {
    return backend.preflightPostEventAccess() ? PermissionState::granted()
                                              : PermissionState::notDetermined();
}

bool requestAccessibility(PlatformBackend& backend) {
    const bool trusted = backend.axIsProcessTrustedWithOptions(ConsentPrompt::ifNeeded);
    backend.requestPostEventAccess();
    return trusted;
}

PermissionState automation(PlatformBackend& backend, ConsentPrompt prompt) {
    if (!WordBridge::isWordRunning(backend)) {
        return PermissionState::unavailable("Word 未运行，无法检查");
    }
    const auto status = backend.determinePermissionToAutomate(WordBridge::bundleID, prompt);
    if (!status) {
        return PermissionState::unavailable("无法创建目标");
    }
    switch (*status) {
    case 0:
        return PermissionState::granted();
    case -1743: // errAEEventNotPermitted
        return PermissionState::denied();
    case -1744: // errAEEventWouldRequireUserConsent
        return PermissionState::notDetermined();
    case -600: // procNotFound
        return PermissionState::unavailable("Word 未运行");
    default:
        return PermissionState::unavailable("状态码 " + std::to_string(*status));
    }
}

void openAccessibilitySettings(PlatformBackend& backend) {
    backend.openURL(std::string(privacyPane) + "Privacy_Accessibility");
}

void openAutomationSettings(PlatformBackend& backend) {
    backend.openURL(std::string(privacyPane) + "Privacy_Automation");
}

} // namespace Permissions

} // namespace plumeo
