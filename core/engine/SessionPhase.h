#pragma once

#include "core/engine/StopReason.h"
#include "core/engine/VerificationOutcome.h"

#include <string>
#include <utility>

namespace plumeo {

/// Where a typing session stands. Only the fields that belong to the kind are meaningful.
struct SessionPhase {
    enum class Kind {
        idle,
        preparing,
        countdown,
        typing,
        paused,
        resuming,
        needsRelocation,
        verifying,
        completed,
        cancelled,
        failed,
    };

    Kind kind = Kind::idle;
    int secondsLeft = 0;         ///< countdown
    StopReason reason;           ///< paused, cancelled, failed
    std::string explanation;     ///< needsRelocation: what the user is asked to do
    VerificationOutcome outcome; ///< completed

    static SessionPhase idle() { return {}; }
    static SessionPhase preparing() { return withKind(Kind::preparing); }
    static SessionPhase countdown(int secondsLeft) {
        SessionPhase phase = withKind(Kind::countdown);
        phase.secondsLeft = secondsLeft;
        return phase;
    }
    static SessionPhase typing() { return withKind(Kind::typing); }
    static SessionPhase paused(StopReason reason) {
        return withReason(Kind::paused, std::move(reason));
    }
    static SessionPhase resuming() { return withKind(Kind::resuming); }
    static SessionPhase needsRelocation(std::string explanation) {
        SessionPhase phase = withKind(Kind::needsRelocation);
        phase.explanation = std::move(explanation);
        return phase;
    }
    static SessionPhase verifying() { return withKind(Kind::verifying); }
    static SessionPhase completed(VerificationOutcome outcome) {
        SessionPhase phase = withKind(Kind::completed);
        phase.outcome = std::move(outcome);
        return phase;
    }
    static SessionPhase cancelled(StopReason reason) {
        return withReason(Kind::cancelled, std::move(reason));
    }
    static SessionPhase failed(StopReason reason) {
        return withReason(Kind::failed, std::move(reason));
    }

    /// The user-facing name of the phase.
    std::string title() const;
    bool allowsSending() const { return kind == Kind::typing; }
    bool isTerminal() const {
        return kind == Kind::completed || kind == Kind::cancelled || kind == Kind::failed;
    }
    /// While counting down and typing the progress display shows the speed, not the status.
    bool prefersSpeedOverStatus() const { return kind == Kind::countdown || kind == Kind::typing; }
    /// The detail line of the progress display: the preferred text when it is not empty,
    /// else the other one.
    std::string hudDetailText(const std::string& speedText, const std::string& statusMessage) const;

    /// Compares the kind and the payload that belongs to it; other fields are ignored.
    bool operator==(const SessionPhase& other) const;

private:
    static SessionPhase withKind(Kind kind) {
        SessionPhase phase;
        phase.kind = kind;
        return phase;
    }
    static SessionPhase withReason(Kind kind, StopReason reason) {
        SessionPhase phase = withKind(kind);
        phase.reason = std::move(reason);
        return phase;
    }
};

} // namespace plumeo
