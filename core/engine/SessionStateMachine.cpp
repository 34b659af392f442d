#include "core/engine/SessionStateMachine.h"

namespace plumeo::SessionStateMachine {

namespace {

using PhaseKind = SessionPhase::Kind;
using EventKind = SessionEvent::Kind;
using ReasonKind = StopReason::Kind;

// A countdown that reaches zero (or a session prepared without one) starts typing.
SessionPhase countdownOrTyping(int secondsLeft) {
    return secondsLeft > 0 ? SessionPhase::countdown(secondsLeft) : SessionPhase::typing();
}

// While typing, the user's own cancellations cancel, the reasons that make continuing
// impossible fail the session, and everything else pauses it.
SessionPhase stopWhileTyping(const StopReason& reason) {
    switch (reason.kind) {
    case ReasonKind::userCancel:
    case ReasonKind::emergencyStop:
        return SessionPhase::cancelled(reason);
    case ReasonKind::documentNotEditable:
    case ReasonKind::internalError:
    case ReasonKind::wordTerminated:
        return SessionPhase::failed(reason);
    default:
        return SessionPhase::paused(reason);
    }
}

std::optional<SessionPhase> stop(const SessionPhase& phase, const StopReason& reason) {
    switch (phase.kind) {
    case PhaseKind::preparing:
    case PhaseKind::countdown:
        // Nothing has been typed yet, so a resumable stop just returns to idle.
        return reason.isResumable() ? SessionPhase::idle() : SessionPhase::cancelled(reason);
    case PhaseKind::typing:
        return stopWhileTyping(reason);
    case PhaseKind::resuming:
    case PhaseKind::verifying:
        return reason.isResumable() ? SessionPhase::paused(reason) : SessionPhase::failed(reason);
    default:
        return std::nullopt;
    }
}

bool isIdleOrTerminal(const SessionPhase& phase) {
    return phase.kind == PhaseKind::idle || phase.isTerminal();
}

} // namespace

std::optional<SessionPhase> transition(const SessionPhase& phase, const SessionEvent& event) {
    switch (event.kind) {
    case EventKind::prepare:
        if (isIdleOrTerminal(phase))
            return SessionPhase::preparing();
        return std::nullopt;
    case EventKind::prepared:
        if (phase.kind == PhaseKind::preparing)
            return countdownOrTyping(event.seconds);
        return std::nullopt;
    case EventKind::tick:
        if (phase.kind == PhaseKind::countdown)
            return countdownOrTyping(event.seconds);
        return std::nullopt;
    case EventKind::startTyping:
        if (phase.kind == PhaseKind::countdown)
            return SessionPhase::typing();
        return std::nullopt;
    case EventKind::stop:
        return stop(phase, event.reason);
    case EventKind::resumeRequested:
        if (phase.kind == PhaseKind::paused || phase.kind == PhaseKind::needsRelocation)
            return SessionPhase::resuming();
        return std::nullopt;
    case EventKind::resumeConfirmed:
        if (phase.kind == PhaseKind::resuming)
            return SessionPhase::typing();
        return std::nullopt;
    case EventKind::relocationNeeded:
        if (phase.kind == PhaseKind::resuming)
            return SessionPhase::needsRelocation(event.explanation);
        return std::nullopt;
    case EventKind::allSent:
        if (phase.kind == PhaseKind::typing)
            return SessionPhase::verifying();
        return std::nullopt;
    case EventKind::verified:
        if (phase.kind == PhaseKind::verifying)
            return SessionPhase::completed(event.outcome);
        return std::nullopt;
    case EventKind::reverify:
        // Only an outcome that could not be checked is worth checking again.
        if (phase.kind == PhaseKind::completed &&
            phase.outcome.kind == VerificationOutcome::Kind::unverified)
            return SessionPhase::verifying();
        return std::nullopt;
    case EventKind::cancel:
        if (!isIdleOrTerminal(phase))
            return SessionPhase::cancelled(event.reason);
        return std::nullopt;
    case EventKind::fail:
        if (!phase.isTerminal())
            return SessionPhase::failed(event.reason);
        return std::nullopt;
    case EventKind::reset:
        if (isIdleOrTerminal(phase))
            return SessionPhase::idle();
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace plumeo::SessionStateMachine
