#include "core/text/ModeSettings.h"

#include "core/text/DecodingError.h"

#include <string>

namespace plumeo {

double ModeSettings::defaultSpeed(TypingMode mode) {
    switch (mode) {
    case TypingMode::stable:
        return 300;
    case TypingMode::fast:
        return 6000;
    case TypingMode::natural:
        return 200;
    }
    return 300;
}

ModeSettings ModeSettings::make(TypingMode mode, std::optional<double> unitsPerMinute,
                                bool typoEnabled, double typoRate,
                                std::optional<std::uint64_t> seed) {
    return ModeSettings{mode, unitsPerMinute.value_or(defaultSpeed(mode)), typoEnabled, typoRate,
                        seed};
}

namespace {

template <typename Json> const Json& requiredField(const Json& json, const char* key) {
    if (!json.is_object())
        throw DecodingError("ModeSettings: expected a JSON object");
    const auto found = json.find(key);
    if (found == json.end())
        throw DecodingError(std::string("ModeSettings: missing key \"") + key + "\"");
    return *found;
}

template <typename Json> TypingMode decodeMode(const Json& json) {
    if (!json.is_string())
        throw DecodingError("TypingMode: expected a string");
    const auto mode = typingModeFromRawValue(json.template get_ref<const std::string&>());
    if (!mode)
        throw DecodingError("TypingMode: unknown raw value \"" + json.template get<std::string>() +
                            "\"");
    return *mode;
}

template <typename Json> double decodeNumber(const Json& json, const char* key) {
    const Json& value = requiredField(json, key);
    if (!value.is_number())
        throw DecodingError(std::string("ModeSettings: \"") + key + "\" is not a number");
    return value.template get<double>();
}

template <typename Json> ModeSettings decode(const Json& json) {
    ModeSettings settings;
    settings.mode = decodeMode(requiredField(json, "mode"));
    settings.unitsPerMinute = decodeNumber(json, "unitsPerMinute");
    const Json& typoEnabled = requiredField(json, "typoEnabled");
    if (!typoEnabled.is_boolean())
        throw DecodingError("ModeSettings: \"typoEnabled\" is not a Boolean");
    settings.typoEnabled = typoEnabled.template get<bool>();
    settings.typoRate = decodeNumber(json, "typoRate");
    const auto seed = json.find("seed");
    // A null seed reads as absent, like a missing one.
    if (seed != json.end() && !seed->is_null()) {
        const bool nonNegative =
            seed->is_number_unsigned() ||
            (seed->is_number_integer() && seed->template get<std::int64_t>() >= 0);
        if (!nonNegative)
            throw DecodingError("ModeSettings: \"seed\" is not an unsigned 64-bit integer");
        settings.seed = seed->template get<std::uint64_t>();
    }
    return settings;
}

template <typename Json> Json encode(const ModeSettings& settings) {
    Json json = Json::object();
    json["mode"] = std::string(rawValue(settings.mode));
    json["unitsPerMinute"] = settings.unitsPerMinute;
    json["typoEnabled"] = settings.typoEnabled;
    json["typoRate"] = settings.typoRate;
    if (settings.seed)
        json["seed"] = *settings.seed;
    return json;
}

} // namespace

nlohmann::ordered_json toJson(const ModeSettings& settings) {
    return encode<nlohmann::ordered_json>(settings);
}

ModeSettings modeSettingsFromJson(const nlohmann::json& json) {
    return decode(json);
}
ModeSettings modeSettingsFromJson(const nlohmann::ordered_json& json) {
    return decode(json);
}

ModeSettings decodeModeSettings(std::string_view jsonText) {
    const auto json = nlohmann::json::parse(jsonText, nullptr, /*allow_exceptions=*/false);
    if (json.is_discarded())
        throw DecodingError("ModeSettings: malformed JSON");
    return decode(json);
}

void to_json(nlohmann::json& json, const ModeSettings& settings) {
    json = encode<nlohmann::json>(settings);
}
void to_json(nlohmann::ordered_json& json, const ModeSettings& settings) {
    json = encode<nlohmann::ordered_json>(settings);
}
void from_json(const nlohmann::json& json, ModeSettings& settings) {
    settings = decode(json);
}
void from_json(const nlohmann::ordered_json& json, ModeSettings& settings) {
    settings = decode(json);
}

void to_json(nlohmann::json& json, const TypingMode& mode) {
    json = std::string(rawValue(mode));
}
void to_json(nlohmann::ordered_json& json, const TypingMode& mode) {
    json = std::string(rawValue(mode));
}
void from_json(const nlohmann::json& json, TypingMode& mode) {
    mode = decodeMode(json);
}
void from_json(const nlohmann::ordered_json& json, TypingMode& mode) {
    mode = decodeMode(json);
}

} // namespace plumeo
