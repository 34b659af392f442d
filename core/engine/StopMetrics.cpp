#include "core/engine/StopMetrics.h"

#include "core/text/DecodingError.h"

#include <cstdint>
#include <limits>
#include <string>

namespace plumeo {

namespace {

constexpr const char* context = "StopMetrics";

DecodingError decodingError(const char* key, const char* why) {
    return DecodingError(std::string(context) + ": \"" + key + "\" " + why);
}

template <typename Json> Json encode(const StopMetrics& metrics) {
    Json json = Json::object();
    json["requestedAt"] = metrics.requestedAt;
    if (metrics.acknowledgedAt)
        json["acknowledgedAt"] = *metrics.acknowledgedAt;
    if (metrics.lastPostBeforeStop)
        json["lastPostBeforeStop"] = *metrics.lastPostBeforeStop;
    json["postsAfterStop"] = metrics.postsAfterStop;
    json["sentUnitsAtStop"] = metrics.sentUnitsAtStop;
    if (metrics.landedUnitsAfterSettle)
        json["landedUnitsAfterSettle"] = *metrics.landedUnitsAfterSettle;
    return json;
}

// A missing key and an explicit null both mean "absent", as for any optional field.
template <typename Json> const Json* findValue(const Json& json, const char* key) {
    auto it = json.find(key);
    if (it == json.end() || it->is_null())
        return nullptr;
    return &*it;
}

template <typename Json> double decodeSeconds(const Json& value, const char* key) {
    if (!value.is_number())
        throw decodingError(key, "must be a number");
    return value.template get<double>();
}

// Counts of units and strokes are never negative.
template <typename Json> int decodeCount(const Json& value, const char* key) {
    if (!value.is_number_integer())
        throw decodingError(key, "must be an integer");
    if (value.is_number_unsigned()) {
        if (value.template get<std::uint64_t>() >
            static_cast<std::uint64_t>(std::numeric_limits<int>::max()))
            throw decodingError(key, "is out of range");
        return static_cast<int>(value.template get<std::uint64_t>());
    }
    const std::int64_t number = value.template get<std::int64_t>();
    if (number < 0)
        throw decodingError(key, "must not be negative");
    if (number > std::numeric_limits<int>::max())
        throw decodingError(key, "is out of range");
    return static_cast<int>(number);
}

template <typename Json> const Json& requireValue(const Json& json, const char* key) {
    const Json* value = findValue(json, key);
    if (value == nullptr)
        throw decodingError(key, "is missing");
    return *value;
}

template <typename Json> StopMetrics decode(const Json& json) {
    if (!json.is_object())
        throw DecodingError(std::string(context) + ": expected a JSON object");
    StopMetrics metrics;
    metrics.requestedAt = decodeSeconds(requireValue(json, "requestedAt"), "requestedAt");
    if (const Json* value = findValue(json, "acknowledgedAt"))
        metrics.acknowledgedAt = decodeSeconds(*value, "acknowledgedAt");
    if (const Json* value = findValue(json, "lastPostBeforeStop"))
        metrics.lastPostBeforeStop = decodeSeconds(*value, "lastPostBeforeStop");
    metrics.postsAfterStop = decodeCount(requireValue(json, "postsAfterStop"), "postsAfterStop");
    metrics.sentUnitsAtStop = decodeCount(requireValue(json, "sentUnitsAtStop"), "sentUnitsAtStop");
    if (const Json* value = findValue(json, "landedUnitsAfterSettle"))
        metrics.landedUnitsAfterSettle = decodeCount(*value, "landedUnitsAfterSettle");
    return metrics;
}

} // namespace

nlohmann::ordered_json toJson(const StopMetrics& metrics) {
    return encode<nlohmann::ordered_json>(metrics);
}

StopMetrics stopMetricsFromJson(const nlohmann::json& json) {
    return decode(json);
}
StopMetrics stopMetricsFromJson(const nlohmann::ordered_json& json) {
    return decode(json);
}

StopMetrics decodeStopMetrics(std::string_view jsonText) {
    nlohmann::ordered_json json;
    try {
        json = nlohmann::ordered_json::parse(jsonText);
    } catch (const nlohmann::json::exception& error) {
        // Not only syntax errors: a number too large for a double is out_of_range.
        throw DecodingError(std::string(context) + ": malformed JSON: " + error.what());
    }
    return decode(json);
}

void to_json(nlohmann::json& json, const StopMetrics& metrics) {
    json = encode<nlohmann::json>(metrics);
}
void to_json(nlohmann::ordered_json& json, const StopMetrics& metrics) {
    json = encode<nlohmann::ordered_json>(metrics);
}
void from_json(const nlohmann::json& json, StopMetrics& metrics) {
    metrics = decode(json);
}
void from_json(const nlohmann::ordered_json& json, StopMetrics& metrics) {
    metrics = decode(json);
}

} // namespace plumeo
