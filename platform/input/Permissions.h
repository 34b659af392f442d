#pragma once

#include "platform/backend/PlatformBackend.h"

#include <string>
#include <utility>

namespace plumeo {

/// Whether one of the system grants the program needs is given.
struct PermissionState {
    enum class Kind { granted, denied, notDetermined, unavailable };

    Kind kind = Kind::notDetermined;
    std::string detail; ///< Only for unavailable: why the state cannot be determined.

    static PermissionState granted() { return {Kind::granted, {}}; }
    static PermissionState denied() { return {Kind::denied, {}}; }
    static PermissionState notDetermined() { return {Kind::notDetermined, {}}; }
    static PermissionState unavailable(std::string detail) {
        return {Kind::unavailable, std::move(detail)};
    }

    /// The text shown for the state; for unavailable, its detail.
    std::string label() const;

    bool operator==(const PermissionState&) const = default;
};

/// The three grants: Accessibility, posting keyboard events, and automating Word. Nothing
/// here throws; what cannot be determined is reported as unavailable.
namespace Permissions {

PermissionState accessibility(PlatformBackend& backend);
PermissionState postEvents(PlatformBackend& backend);
/// Asks for Accessibility trust with the system prompt, then for event posting; returns
/// whether the program is trusted for Accessibility.
bool requestAccessibility(PlatformBackend& backend);
/// Whether Word may be automated by Apple events. With ConsentPrompt::ifNeeded the system
/// may ask the user first. Sends nothing when Word is not running.
PermissionState automation(PlatformBackend& backend, ConsentPrompt prompt);
/// Opens System Settings at Privacy & Security › Accessibility.
void openAccessibilitySettings(PlatformBackend& backend);
/// Opens System Settings at Privacy & Security › Automation.
void openAutomationSettings(PlatformBackend& backend);

} // namespace Permissions

} // namespace plumeo
