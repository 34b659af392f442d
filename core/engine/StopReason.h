#pragma once

#include <string>
#include <utility>

namespace plumeo {

/// Why sending stopped. Thirteen kinds carry a detail text saying what exactly was found; the
/// last four (userPause onwards) carry none and keep `detail` empty.
struct StopReason {
    enum class Kind {
        targetNotFrontmost,
        documentChanged,
        focusLeftBody,
        dialogOpened,
        selectionChanged,
        userActivity,
        permissionLost,
        readbackMismatch,
        readbackFailed,
        wordNotKeepingUp,
        documentNotEditable,
        typoUnverifiable,
        internalError,
        userPause,
        userCancel,
        emergencyStop,
        wordTerminated,
    };

    Kind kind = Kind::userPause;
    std::string detail;

    static StopReason targetNotFrontmost(std::string detail) {
        return {Kind::targetNotFrontmost, std::move(detail)};
    }
    static StopReason documentChanged(std::string detail) {
        return {Kind::documentChanged, std::move(detail)};
    }
    static StopReason focusLeftBody(std::string detail) {
        return {Kind::focusLeftBody, std::move(detail)};
    }
    static StopReason dialogOpened(std::string detail) {
        return {Kind::dialogOpened, std::move(detail)};
    }
    static StopReason selectionChanged(std::string detail) {
        return {Kind::selectionChanged, std::move(detail)};
    }
    static StopReason userActivity(std::string detail) {
        return {Kind::userActivity, std::move(detail)};
    }
    static StopReason permissionLost(std::string detail) {
        return {Kind::permissionLost, std::move(detail)};
    }
    static StopReason readbackMismatch(std::string detail) {
        return {Kind::readbackMismatch, std::move(detail)};
    }
    static StopReason readbackFailed(std::string detail) {
        return {Kind::readbackFailed, std::move(detail)};
    }
    static StopReason wordNotKeepingUp(std::string detail) {
        return {Kind::wordNotKeepingUp, std::move(detail)};
    }
    static StopReason documentNotEditable(std::string detail) {
        return {Kind::documentNotEditable, std::move(detail)};
    }
    static StopReason typoUnverifiable(std::string detail) {
        return {Kind::typoUnverifiable, std::move(detail)};
    }
    static StopReason internalError(std::string detail) {
        return {Kind::internalError, std::move(detail)};
    }
    static StopReason userPause() { return {Kind::userPause, {}}; }
    static StopReason userCancel() { return {Kind::userCancel, {}}; }
    static StopReason emergencyStop() { return {Kind::emergencyStop, {}}; }
    static StopReason wordTerminated() { return {Kind::wordTerminated, {}}; }

    /// Whether this kind carries a detail text.
    static bool hasDetail(Kind kind) { return kind < Kind::userPause; }

    /// The user-facing text, the detail included.
    std::string message() const;
    /// After a resumable stop the session pauses and may continue; the others end it.
    bool isResumable() const;

    bool operator==(const StopReason&) const = default;
};

} // namespace plumeo
