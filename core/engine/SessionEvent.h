#pragma once

#include "core/engine/StopReason.h"
#include "core/engine/VerificationOutcome.h"

#include <string>
#include <utility>

namespace plumeo {

/// Something that happens to a session; SessionStateMachine::transition decides what it does
/// to the phase. Only the fields that belong to the kind are meaningful.
struct SessionEvent {
    enum class Kind {
        prepare,
        prepared,
        tick,
        startTyping,
        stop,
        resumeRequested,
        resumeConfirmed,
        relocationNeeded,
        allSent,
        verified,
        reverify,
        cancel,
        fail,
        reset,
    };

    Kind kind = Kind::prepare;
    int seconds = 0;             ///< prepared: the countdown; tick: the seconds left
    StopReason reason;           ///< stop, cancel, fail
    std::string explanation;     ///< relocationNeeded
    VerificationOutcome outcome; ///< verified

    static SessionEvent prepare() { return {}; }
    static SessionEvent prepared(int countdown) { return withSeconds(Kind::prepared, countdown); }
    static SessionEvent tick(int secondsLeft) { return withSeconds(Kind::tick, secondsLeft); }
    static SessionEvent startTyping() { return withKind(Kind::startTyping); }
    static SessionEvent stop(StopReason reason) {
        return withReason(Kind::stop, std::move(reason));
    }
    static SessionEvent resumeRequested() { return withKind(Kind::resumeRequested); }
    static SessionEvent resumeConfirmed() { return withKind(Kind::resumeConfirmed); }
    static SessionEvent relocationNeeded(std::string explanation) {
        SessionEvent event = withKind(Kind::relocationNeeded);
        event.explanation = std::move(explanation);
        return event;
    }
    static SessionEvent allSent() { return withKind(Kind::allSent); }
    static SessionEvent verified(VerificationOutcome outcome) {
        SessionEvent event = withKind(Kind::verified);
        event.outcome = std::move(outcome);
        return event;
    }
    static SessionEvent reverify() { return withKind(Kind::reverify); }
    static SessionEvent cancel(StopReason reason) {
        return withReason(Kind::cancel, std::move(reason));
    }
    static SessionEvent fail(StopReason reason) {
        return withReason(Kind::fail, std::move(reason));
    }
    static SessionEvent reset() { return withKind(Kind::reset); }

    /// Compares the kind and the payload that belongs to it; other fields are ignored.
    bool operator==(const SessionEvent& other) const {
        if (kind != other.kind)
            return false;
        switch (kind) {
        case Kind::prepared:
        case Kind::tick:
            return seconds == other.seconds;
        case Kind::stop:
        case Kind::cancel:
        case Kind::fail:
            return reason == other.reason;
        case Kind::relocationNeeded:
            return explanation == other.explanation;
        case Kind::verified:
            return outcome == other.outcome;
        default:
            return true;
        }
    }

private:
    static SessionEvent withKind(Kind kind) {
        SessionEvent event;
        event.kind = kind;
        return event;
    }
    static SessionEvent withSeconds(Kind kind, int seconds) {
        SessionEvent event = withKind(kind);
        event.seconds = seconds;
        return event;
    }
    static SessionEvent withReason(Kind kind, StopReason reason) {
        SessionEvent event = withKind(kind);
        event.reason = std::move(reason);
        return event;
    }
};

} // namespace plumeo
