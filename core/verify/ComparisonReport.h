#pragma once

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo {

/// What kind of change one differing region is: one of Word's automatic corrections or
/// formattings, or plain missing, extra or replaced text.
enum class DifferenceKind {
    smartQuotes,
    dash,
    ellipsis,
    symbol,
    fraction,
    capitalization,
    listAutoFormat,
    missing,
    extra,
    replaced,
};

inline constexpr std::array<DifferenceKind, 10> allDifferenceKinds = {
    DifferenceKind::smartQuotes,    DifferenceKind::dash,     DifferenceKind::ellipsis,
    DifferenceKind::symbol,         DifferenceKind::fraction, DifferenceKind::capitalization,
    DifferenceKind::listAutoFormat, DifferenceKind::missing,  DifferenceKind::extra,
    DifferenceKind::replaced,
};

/// The user-facing description (UTF-8), which is also the kind's raw value in JSON.
std::string_view description(DifferenceKind kind);
inline std::string_view rawValue(DifferenceKind kind) {
    return description(kind);
}
std::optional<DifferenceKind> differenceKindFromRawValue(std::string_view raw);

/// True for the seven kinds that Word's autocorrect or autoformat produces.
bool isWordAutocorrect(DifferenceKind kind);

/// One differing region. Offsets and lengths are UTF-16 code units.
struct DifferenceHunk {
    int expectedStart = 0;
    int expectedLength = 0; ///< 0 for pure extra text.
    int actualStart = 0;
    int actualLength = 0; ///< 0 for pure missing text.
    DifferenceKind kind = DifferenceKind::replaced;
    /// The region is not wholly inside the insertion region; false when none was given.
    bool outsideInsertion = false;

    bool operator==(const DifferenceHunk&) const = default;
};

/// The result of comparing an expected document with the one read back.
struct ComparisonReport {
    int expectedLength = 0;
    int actualLength = 0;
    std::vector<DifferenceHunk> hunks; ///< Ascending, non-overlapping.
    /// The hunk list is incomplete: more regions than allowed, or one region standing for a
    /// difference too large to analyse.
    bool truncated = false;

    bool isEqual() const { return expectedLength == actualLength && hunks.empty(); }
    bool outsideContentChanged() const;
    bool likelyAutocorrect() const;
    /// The one-paragraph text shown to the user (UTF-8).
    std::string summary() const;

    bool operator==(const ComparisonReport&) const = default;
};

// JSON form. Encoding keeps the documented key order; decoding requires every key with the
// right type and throws plumeo::DecodingError otherwise (negative lengths and offsets and
// unknown kinds included), never returning a partial value. Unknown extra keys are ignored.
// The to_json/from_json overloads let nlohmann's j.get<T>() and implicit conversion work;
// only ordered_json keeps the key order (nlohmann::json sorts keys).

nlohmann::ordered_json toJson(const DifferenceHunk& hunk);
nlohmann::ordered_json toJson(const ComparisonReport& report);
DifferenceHunk differenceHunkFromJson(const nlohmann::json& json);
DifferenceHunk differenceHunkFromJson(const nlohmann::ordered_json& json);
ComparisonReport comparisonReportFromJson(const nlohmann::json& json);
ComparisonReport comparisonReportFromJson(const nlohmann::ordered_json& json);
/// Parses and decodes a JSON text; malformed JSON is a DecodingError too.
ComparisonReport decodeComparisonReport(std::string_view jsonText);

void to_json(nlohmann::json& json, const DifferenceKind& kind);
void to_json(nlohmann::ordered_json& json, const DifferenceKind& kind);
void from_json(const nlohmann::json& json, DifferenceKind& kind);
void from_json(const nlohmann::ordered_json& json, DifferenceKind& kind);
void to_json(nlohmann::json& json, const DifferenceHunk& hunk);
void to_json(nlohmann::ordered_json& json, const DifferenceHunk& hunk);
void from_json(const nlohmann::json& json, DifferenceHunk& hunk);
void from_json(const nlohmann::ordered_json& json, DifferenceHunk& hunk);
void to_json(nlohmann::json& json, const ComparisonReport& report);
void to_json(nlohmann::ordered_json& json, const ComparisonReport& report);
void from_json(const nlohmann::json& json, ComparisonReport& report);
void from_json(const nlohmann::ordered_json& json, ComparisonReport& report);

} // namespace plumeo
