#include "core/engine/SessionStateMachine.h"

#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace plumeo {

// Failure messages show the phase by its title instead of its bytes.
void PrintTo(const SessionPhase& phase, std::ostream* out) {
    *out << phase.title();
}

namespace {

using Phase = SessionPhase::Kind;
using Event = SessionEvent::Kind;

std::vector<StopReason> everyStopReason() {
    std::vector<StopReason> reasons;
    for (int k = 0; k <= static_cast<int>(StopReason::Kind::wordTerminated); ++k) {
        const auto kind = static_cast<StopReason::Kind>(k);
        reasons.push_back({kind, StopReason::hasDetail(kind) ? "d" : ""});
    }
    return reasons;
}

const std::vector<SessionPhase> everyPhase = {
    SessionPhase::idle(),
    SessionPhase::preparing(),
    SessionPhase::countdown(2),
    SessionPhase::typing(),
    SessionPhase::paused(StopReason::userPause()),
    SessionPhase::resuming(),
    SessionPhase::needsRelocation("x"),
    SessionPhase::verifying(),
    SessionPhase::completed(VerificationOutcome::verified()),
    SessionPhase::completed(VerificationOutcome::unverified("x")),
    SessionPhase::cancelled(StopReason::userCancel()),
    SessionPhase::failed(StopReason::wordTerminated()),
};

std::vector<SessionEvent> everyEvent() {
    std::vector<SessionEvent> events = {
        SessionEvent::prepare(),
        SessionEvent::prepared(3),
        SessionEvent::prepared(0),
        SessionEvent::tick(1),
        SessionEvent::tick(0),
        SessionEvent::startTyping(),
        SessionEvent::resumeRequested(),
        SessionEvent::resumeConfirmed(),
        SessionEvent::allSent(),
        SessionEvent::relocationNeeded("x"),
        SessionEvent::reverify(),
        SessionEvent::verified(VerificationOutcome::verified()),
        SessionEvent::reset(),
        SessionEvent::cancel(StopReason::emergencyStop()),
        SessionEvent::fail(StopReason::internalError("x")),
    };
    for (const StopReason& reason : everyStopReason())
        events.push_back(SessionEvent::stop(reason));
    return events;
}

// Keys go out only while typing, so these are the only doors into it: the start, and a
// resume whose position was confirmed. Stops, cancels and failures never leave a session
// typing, and an ended session takes nothing but a new start (or a second look at an outcome
// that could not be checked).
TEST(SessionStateMachineTest, TypingIsEnteredOnlyByStartingOrAConfirmedResume) {
    const auto isDoorIntoTyping = [](Phase from, Event event) {
        return (from == Phase::preparing && event == Event::prepared) ||
               (from == Phase::countdown &&
                (event == Event::tick || event == Event::startTyping)) ||
               (from == Phase::resuming && event == Event::resumeConfirmed);
    };
    for (const SessionPhase& from : everyPhase) {
        for (const SessionEvent& event : everyEvent()) {
            const auto next = SessionStateMachine::transition(from, event);
            if (!next)
                continue;
            SCOPED_TRACE(from.title() + " → " + next->title());
            const bool stops = event.kind == Event::stop || event.kind == Event::cancel ||
                               event.kind == Event::fail;
            const bool restarts = event.kind == Event::prepare || event.kind == Event::reset ||
                                  (event.kind == Event::reverify &&
                                   from.outcome.kind == VerificationOutcome::Kind::unverified);
            EXPECT_TRUE(!next->allowsSending() || from.kind == Phase::typing ||
                        isDoorIntoTyping(from.kind, event.kind));
            EXPECT_FALSE(stops && next->allowsSending());
            EXPECT_TRUE(!from.isTerminal() || restarts);
        }
    }
}

// A stop that cannot be resumed ends the session with its reason (the user's own cancel as a
// cancellation); any other one leaves it paused with its reason, or idle when nothing was typed.
TEST(SessionStateMachineTest, OnlyResumableStopsLeaveTheSessionResumable) {
    for (const StopReason& reason : everyStopReason()) {
        for (const SessionPhase& from : everyPhase) {
            const auto next = SessionStateMachine::transition(from, SessionEvent::stop(reason));
            SCOPED_TRACE(reason.message() + " in " + from.title());
            const bool hasJob = from.kind == Phase::preparing || from.kind == Phase::countdown ||
                                from.kind == Phase::typing || from.kind == Phase::resuming ||
                                from.kind == Phase::verifying;
            ASSERT_EQ(next.has_value(), hasJob);
            if (!next)
                continue;
            const bool beforeTyping =
                from.kind == Phase::preparing || from.kind == Phase::countdown;
            if (!reason.isResumable()) {
                EXPECT_TRUE(next->isTerminal());
                EXPECT_EQ(next->reason, reason);
            } else {
                EXPECT_EQ(*next,
                          beforeTyping ? SessionPhase::idle() : SessionPhase::paused(reason));
            }
        }
    }
    const auto userCancel = SessionEvent::stop(StopReason::userCancel());
    EXPECT_EQ(SessionStateMachine::transition(SessionPhase::typing(), userCancel),
              SessionPhase::cancelled(StopReason::userCancel()));
}

} // namespace
} // namespace plumeo
