#include "core/engine/SessionPhase.h"
#include "core/engine/StopMetrics.h"
#include "core/text/DecodingError.h"

#include <gtest/gtest.h>
#include <string>

namespace plumeo {
namespace {

// Every session test, and the stop trials' first-reason check, compare whole phases: a
// comparison that ignored the payload would let a wrong reason or outcome pass them all.
TEST(SessionPhaseTest, EqualityComparesThePayloadOfTheCase) {
    EXPECT_NE(SessionPhase::paused(StopReason::readbackFailed("a")),
              SessionPhase::paused(StopReason::readbackFailed("b")));
    EXPECT_NE(SessionPhase::paused(StopReason::userPause()),
              SessionPhase::failed(StopReason::userPause()));
    EXPECT_NE(SessionPhase::needsRelocation("a"), SessionPhase::needsRelocation("b"));
    ComparisonReport report{3, 3, {{0, 1, 0, 1, DifferenceKind::replaced, false}}, false};
    ComparisonReport otherKind = report;
    otherKind.hunks[0].kind = DifferenceKind::capitalization;
    EXPECT_NE(SessionPhase::completed(VerificationOutcome::mismatch(report)),
              SessionPhase::completed(VerificationOutcome::mismatch(otherKind)));
    EXPECT_NE(VerificationOutcome::verifiedWithAcceptedDifferences(1),
              VerificationOutcome::verifiedWithAcceptedDifferences(2));
}

TEST(StopMetricsTest, RoundTripsAndRejectsWhatIsMissingOrMistyped) {
    StopMetrics metrics;
    metrics.requestedAt = 2.5;
    metrics.sentUnitsAtStop = 40;
    EXPECT_EQ(decodeStopMetrics(toJson(metrics).dump()), metrics);
    metrics.acknowledgedAt = 2.75;
    metrics.lastPostBeforeStop = 2.25;
    metrics.landedUnitsAfterSettle = 39;
    const nlohmann::ordered_json full = toJson(metrics);
    EXPECT_EQ(stopMetricsFromJson(full), metrics);

    for (const char* key : {"requestedAt", "postsAfterStop", "sentUnitsAtStop"}) {
        nlohmann::ordered_json incomplete = full;
        incomplete.erase(key);
        EXPECT_THROW(stopMetricsFromJson(incomplete), DecodingError) << key;
    }
    const std::pair<const char*, nlohmann::ordered_json> corruptions[] = {
        {"requestedAt", "1"},     {"postsAfterStop", 0.5},
        {"sentUnitsAtStop", -3},  {"sentUnitsAtStop", 3000000000LL},
        {"acknowledgedAt", true}, {"landedUnitsAfterSettle", "2"},
    };
    for (const auto& [key, value] : corruptions) {
        nlohmann::ordered_json corrupt = full;
        corrupt[key] = value;
        EXPECT_THROW(stopMetricsFromJson(corrupt), DecodingError) << key << " = " << value;
    }
    EXPECT_THROW(
        decodeStopMetrics(R"({"requestedAt":1e999,"postsAfterStop":0,"sentUnitsAtStop":3})"),
        DecodingError);
}

} // namespace
} // namespace plumeo
