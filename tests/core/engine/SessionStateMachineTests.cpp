#include "core/engine/SessionStateMachine.h"

#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace plumeo {

// Failure messages show the phase by its title instead of its bytes.
void PrintTo(const SessionPhase& phase, std::ostream* out) {
    *out << phase.title();
}

namespace {

struct NamedPhase {
    std::string name;
    SessionPhase phase;
};

struct NamedEvent {
    std::string name;
    SessionEvent event;
};

ComparisonReport oneHunkReport() {
    ComparisonReport report;
    report.expectedLength = 4;
    report.actualLength = 3;
    report.hunks.push_back({1, 1, 1, 0, DifferenceKind::missing, false});
    return report;
}

// One sample of every phase, with each completed outcome separately since reverify tells
// them apart.
std::vector<NamedPhase> samplePhases() {
    return {
        {"idle", SessionPhase::idle()},
        {"preparing", SessionPhase::preparing()},
        {"countdown", SessionPhase::countdown(2)},
        {"typing", SessionPhase::typing()},
        {"paused", SessionPhase::paused(StopReason::userPause())},
        {"resuming", SessionPhase::resuming()},
        {"needsRelocation", SessionPhase::needsRelocation("请确认")},
        {"verifying", SessionPhase::verifying()},
        {"completed.verified", SessionPhase::completed(VerificationOutcome::verified())},
        {"completed.accepted",
         SessionPhase::completed(VerificationOutcome::verifiedWithAcceptedDifferences(2))},
        {"completed.mismatch",
         SessionPhase::completed(VerificationOutcome::mismatch(oneHunkReport()))},
        {"completed.unverified",
         SessionPhase::completed(VerificationOutcome::unverified("读不到"))},
        {"cancelled", SessionPhase::cancelled(StopReason::userCancel())},
        {"failed", SessionPhase::failed(StopReason::internalError("x"))},
    };
}

const std::set<std::string> endPhases = {"completed.verified", "completed.accepted",
                                         "completed.mismatch", "completed.unverified",
                                         "cancelled",          "failed"};

// Every event except stop, whose results depend on the reason and are checked separately.
std::vector<NamedEvent> sampleEvents() {
    return {
        {"prepare", SessionEvent::prepare()},
        {"prepared(3)", SessionEvent::prepared(3)},
        {"prepared(0)", SessionEvent::prepared(0)},
        {"tick(1)", SessionEvent::tick(1)},
        {"tick(0)", SessionEvent::tick(0)},
        {"startTyping", SessionEvent::startTyping()},
        {"resumeRequested", SessionEvent::resumeRequested()},
        {"resumeConfirmed", SessionEvent::resumeConfirmed()},
        {"relocationNeeded", SessionEvent::relocationNeeded("光标不在主正文中")},
        {"allSent", SessionEvent::allSent()},
        {"verified", SessionEvent::verified(VerificationOutcome::mismatch(oneHunkReport()))},
        {"reverify", SessionEvent::reverify()},
        {"cancel", SessionEvent::cancel(StopReason::emergencyStop())},
        {"fail", SessionEvent::fail(StopReason::wordTerminated())},
        {"reset", SessionEvent::reset()},
    };
}

// The accepted (phase, event) pairs and where they lead; every other pair must be rejected.
std::map<std::pair<std::string, std::string>, SessionPhase> acceptedTransitions() {
    std::map<std::pair<std::string, std::string>, SessionPhase> table = {
        {{"preparing", "prepared(3)"}, SessionPhase::countdown(3)},
        {{"preparing", "prepared(0)"}, SessionPhase::typing()},
        {{"countdown", "tick(1)"}, SessionPhase::countdown(1)},
        {{"countdown", "tick(0)"}, SessionPhase::typing()},
        {{"countdown", "startTyping"}, SessionPhase::typing()},
        {{"paused", "resumeRequested"}, SessionPhase::resuming()},
        {{"needsRelocation", "resumeRequested"}, SessionPhase::resuming()},
        {{"resuming", "resumeConfirmed"}, SessionPhase::typing()},
        {{"resuming", "relocationNeeded"}, SessionPhase::needsRelocation("光标不在主正文中")},
        {{"typing", "allSent"}, SessionPhase::verifying()},
        {{"verifying", "verified"},
         SessionPhase::completed(VerificationOutcome::mismatch(oneHunkReport()))},
        {{"completed.unverified", "reverify"}, SessionPhase::verifying()},
    };
    for (const NamedPhase& sample : samplePhases()) {
        const bool idleOrEnd = sample.name == "idle" || endPhases.count(sample.name) > 0;
        if (idleOrEnd) {
            table[{sample.name, "prepare"}] = SessionPhase::preparing();
            table[{sample.name, "reset"}] = SessionPhase::idle();
        } else {
            table[{sample.name, "cancel"}] = SessionPhase::cancelled(StopReason::emergencyStop());
        }
        if (endPhases.count(sample.name) == 0)
            table[{sample.name, "fail"}] = SessionPhase::failed(StopReason::wordTerminated());
    }
    return table;
}

TEST(SessionStateMachineTest, AcceptsExactlyTheListedTransitions) {
    const auto accepted = acceptedTransitions();
    for (const NamedPhase& from : samplePhases()) {
        for (const NamedEvent& event : sampleEvents()) {
            SCOPED_TRACE(from.name + " + " + event.name);
            const std::optional<SessionPhase> next =
                SessionStateMachine::transition(from.phase, event.event);
            auto expected = accepted.find({from.name, event.name});
            if (expected == accepted.end()) {
                EXPECT_FALSE(next.has_value()) << "accepted, leading to " << next->title();
            } else {
                ASSERT_TRUE(next.has_value());
                EXPECT_EQ(*next, expected->second) << next->title();
            }
        }
    }
}

std::vector<StopReason> everyStopReason() {
    return {StopReason::targetNotFrontmost("d"),
            StopReason::documentChanged("d"),
            StopReason::focusLeftBody("d"),
            StopReason::dialogOpened("d"),
            StopReason::selectionChanged("d"),
            StopReason::userActivity("d"),
            StopReason::permissionLost("d"),
            StopReason::readbackMismatch("d"),
            StopReason::readbackFailed("d"),
            StopReason::wordNotKeepingUp("d"),
            StopReason::documentNotEditable("d"),
            StopReason::typoUnverifiable("d"),
            StopReason::internalError("d"),
            StopReason::userPause(),
            StopReason::userCancel(),
            StopReason::emergencyStop(),
            StopReason::wordTerminated()};
}

// Before typing, a resumable stop returns to idle; once typing, the user's cancellations
// cancel, the fatal reasons fail and the rest pause; resuming and verifying pause or fail.
TEST(SessionStateMachineTest, StopLeadsWhereTheReasonSays) {
    using K = StopReason::Kind;
    const std::set<K> cancelsTyping = {K::userCancel, K::emergencyStop};
    const std::set<K> failsTyping = {K::documentNotEditable, K::internalError, K::wordTerminated};
    const std::set<K> resumable = {K::targetNotFrontmost, K::documentChanged,  K::focusLeftBody,
                                   K::dialogOpened,       K::selectionChanged, K::userActivity,
                                   K::permissionLost,     K::readbackMismatch, K::readbackFailed,
                                   K::wordNotKeepingUp,   K::typoUnverifiable, K::userPause};

    for (const StopReason& reason : everyStopReason()) {
        SCOPED_TRACE(reason.message());
        const bool isResumable = resumable.count(reason.kind) > 0;
        const SessionEvent stop = SessionEvent::stop(reason);

        for (const SessionPhase& early : {SessionPhase::preparing(), SessionPhase::countdown(2)})
            EXPECT_EQ(SessionStateMachine::transition(early, stop),
                      isResumable ? SessionPhase::idle() : SessionPhase::cancelled(reason));

        SessionPhase whileTyping = SessionPhase::paused(reason);
        if (cancelsTyping.count(reason.kind))
            whileTyping = SessionPhase::cancelled(reason);
        else if (failsTyping.count(reason.kind))
            whileTyping = SessionPhase::failed(reason);
        EXPECT_EQ(SessionStateMachine::transition(SessionPhase::typing(), stop), whileTyping);

        for (const SessionPhase& checking : {SessionPhase::resuming(), SessionPhase::verifying()})
            EXPECT_EQ(SessionStateMachine::transition(checking, stop),
                      isResumable ? SessionPhase::paused(reason) : SessionPhase::failed(reason));

        for (const NamedPhase& other : samplePhases()) {
            if (other.name == "idle" || other.name == "paused" || other.name == "needsRelocation" ||
                endPhases.count(other.name) > 0) {
                EXPECT_FALSE(SessionStateMachine::transition(other.phase, stop)) << other.name;
            }
        }
    }
}

} // namespace
} // namespace plumeo
