#pragma once

#include "core/text/TypingMode.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace plumeo {

/// The user's choices for one session. Values are stored as given: no clamping here.
struct ModeSettings {
    /// The closed range of speeds a target duration is fitted within.
    struct SpeedRange {
        double lowerBound;
        double upperBound;
        bool contains(double speed) const { return speed >= lowerBound && speed <= upperBound; }
    };
    static constexpr SpeedRange speedRange{30, 1200};

    TypingMode mode = TypingMode::stable;
    double unitsPerMinute = 300;
    bool typoEnabled = false;
    double typoRate = 0;               ///< Chance of a typo per eligible unit.
    std::optional<std::uint64_t> seed; ///< Absent unless a session fixes it.

    /// Units per minute when the user has not chosen: stable 300, fast 6000, natural 200.
    /// The fast default lies outside speedRange because that mode paces by Word's response.
    static double defaultSpeed(TypingMode mode);

    /// Settings with the mode's default speed when `unitsPerMinute` is absent.
    static ModeSettings make(TypingMode mode, std::optional<double> unitsPerMinute,
                             bool typoEnabled, double typoRate,
                             std::optional<std::uint64_t> seed = std::nullopt);

    bool operator==(const ModeSettings&) const = default;
};

// Keys in this order: "mode", "unitsPerMinute", "typoEnabled", "typoRate", then "seed" only when
// present. Decoding requires the first four with the right types and throws DecodingError.
nlohmann::ordered_json toJson(const ModeSettings& settings);
ModeSettings modeSettingsFromJson(const nlohmann::json& json);
ModeSettings modeSettingsFromJson(const nlohmann::ordered_json& json);
/// Parses JSON text; malformed text also throws DecodingError.
ModeSettings decodeModeSettings(std::string_view jsonText);

// The to_json/from_json overloads let nlohmann's j.get<T>() and implicit conversion work.
void to_json(nlohmann::json& json, const ModeSettings& settings);
void to_json(nlohmann::ordered_json& json, const ModeSettings& settings);
void from_json(const nlohmann::json& json, ModeSettings& settings);
void from_json(const nlohmann::ordered_json& json, ModeSettings& settings);

void to_json(nlohmann::json& json, const TypingMode& mode);
void to_json(nlohmann::ordered_json& json, const TypingMode& mode);
void from_json(const nlohmann::json& json, TypingMode& mode);
void from_json(const nlohmann::ordered_json& json, TypingMode& mode);

} // namespace plumeo
