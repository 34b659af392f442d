#include "app/cli/SessionResult.h"

#include "app/entry/Usage.h"

namespace plumeo::cli {
namespace {

using Kind = SessionPhase::Kind;
using Outcome = VerificationOutcome::Kind;

const char* outcomeName(const SessionPhase& phase) {
    switch (phase.kind) {
    case Kind::completed:
        switch (phase.outcome.kind) {
        case Outcome::verified:
            return "verified";
        case Outcome::verifiedWithAcceptedDifferences:
            return "verifiedWithAcceptedDifferences";
        case Outcome::mismatch:
            return "mismatch";
        case Outcome::unverified:
            return "unverified";
        }
        break;
    case Kind::cancelled:
        return "cancelled";
    case Kind::failed:
        return "failed";
    default:
        break;
    }
    // The session never got going (target, permissions, article).
    return "notStarted";
}

} // namespace

int exitStatusFor(const SessionPhase& phase) {
    if (phase.kind != Kind::completed)
        return entry::exitStopped;
    switch (phase.outcome.kind) {
    case Outcome::verified:
        return entry::exitVerified;
    case Outcome::verifiedWithAcceptedDifferences:
        return entry::exitAcceptedDifferences;
    case Outcome::mismatch:
    case Outcome::unverified:
        return entry::exitUnverified;
    }
    return entry::exitUnverified;
}

nlohmann::ordered_json resultJson(const SessionPhase& phase,
                                  const std::optional<EngineSnapshot>& snapshot) {
    nlohmann::ordered_json result;
    result["outcome"] = outcomeName(phase);
    result["exitStatus"] = exitStatusFor(phase);
    if (snapshot) {
        const ProgressLedger& ledger = snapshot->ledger;
        result["counts"] = {
            {"totalUnits", ledger.totalUnits},         {"sentUnits", ledger.sentUnits},
            {"confirmedUnits", ledger.confirmedUnits}, {"finalVerified", ledger.finalVerified},
            {"strokesSent", ledger.strokesSent},       {"typosMade", ledger.typosMade},
            {"typosCorrected", ledger.typosCorrected},
        };
        if (snapshot->lastStop)
            result["lastStop"] = toJson(*snapshot->lastStop);
    }
    if (phase.kind == Kind::completed &&
        phase.outcome.kind == Outcome::verifiedWithAcceptedDifferences)
        result["acceptedDifferences"] = phase.outcome.acceptedDifferences;
    // The report holds lengths, positions and kinds only.
    if (phase.kind == Kind::completed && phase.outcome.kind == Outcome::mismatch)
        result["differences"] = toJson(phase.outcome.report);
    return result;
}

} // namespace plumeo::cli
