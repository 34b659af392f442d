#pragma once

#include "core/verify/ComparisonReport.h"

#include <string>
#include <utility>

namespace plumeo {

/// The result of reading the whole document back at the end of a session.
struct VerificationOutcome {
    enum class Kind { verifiedWithAcceptedDifferences, mismatch, unverified, verified };

    Kind kind = Kind::verified;
    int acceptedDifferences = 0; ///< Only for verifiedWithAcceptedDifferences.
    ComparisonReport report;     ///< Only for mismatch.
    std::string reason;          ///< Only for unverified: why the document could not be checked.

    /// The document matches except for differences the user accepted during the session.
    static VerificationOutcome verifiedWithAcceptedDifferences(int count) {
        VerificationOutcome outcome;
        outcome.kind = Kind::verifiedWithAcceptedDifferences;
        outcome.acceptedDifferences = count;
        return outcome;
    }
    static VerificationOutcome mismatch(ComparisonReport report) {
        VerificationOutcome outcome;
        outcome.kind = Kind::mismatch;
        outcome.report = std::move(report);
        return outcome;
    }
    static VerificationOutcome unverified(std::string reason) {
        VerificationOutcome outcome;
        outcome.kind = Kind::unverified;
        outcome.reason = std::move(reason);
        return outcome;
    }
    static VerificationOutcome verified() { return {}; }

    /// Compares the kind and the payload that belongs to it; other fields are ignored.
    bool operator==(const VerificationOutcome& other) const {
        if (kind != other.kind)
            return false;
        switch (kind) {
        case Kind::verifiedWithAcceptedDifferences:
            return acceptedDifferences == other.acceptedDifferences;
        case Kind::mismatch:
            return report == other.report;
        case Kind::unverified:
            return reason == other.reason;
        case Kind::verified:
            return true;
        }
        return true;
    }
};

} // namespace plumeo
