#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace plumeo {

/// Measurements of one stop. Times are seconds on the engine's clock.
struct StopMetrics {
    double requestedAt = 0;                   ///< When the stop was first requested.
    std::optional<double> acknowledgedAt;     ///< When the worker took the stop over.
    std::optional<double> lastPostBeforeStop; ///< The last stroke posted before the request.
    int postsAfterStop = 0;                   ///< Strokes posted after the request.
    int sentUnitsAtStop = 0;                  ///< The ledger's sentUnits at the request.
    /// Units that had arrived in the document once the cursor stopped moving; absent when that
    /// could not be measured.
    std::optional<int> landedUnitsAfterSettle;

    /// How long the worker took to take the stop over, in milliseconds.
    std::optional<double> ackLatencyMs() const {
        if (!acknowledgedAt)
            return std::nullopt;
        return (*acknowledgedAt - requestedAt) * 1000.0;
    }

    bool operator==(const StopMetrics&) const = default;
};

// JSON form: an object with the six field names as keys in declaration order; absent optional
// fields are left out rather than written as null. Decoding accepts missing (or null) optional
// fields, requires the three others, rejects wrong types, negative counts and ints out of
// range with plumeo::DecodingError, and ignores unknown keys. ackLatencyMs is not encoded.

nlohmann::ordered_json toJson(const StopMetrics& metrics);
StopMetrics stopMetricsFromJson(const nlohmann::json& json);
StopMetrics stopMetricsFromJson(const nlohmann::ordered_json& json);
/// Parses and decodes a JSON text; malformed JSON is a DecodingError too.
StopMetrics decodeStopMetrics(std::string_view jsonText);

void to_json(nlohmann::json& json, const StopMetrics& metrics);
void to_json(nlohmann::ordered_json& json, const StopMetrics& metrics);
void from_json(const nlohmann::json& json, StopMetrics& metrics);
void from_json(const nlohmann::ordered_json& json, StopMetrics& metrics);

} // namespace plumeo
