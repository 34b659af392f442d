#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo {

/// Text that Word's AutoCorrect or AutoFormat-as-you-type is likely to change while it is
/// typed. The order is the order in which analyzeAutocorrectRisks reports.
enum class AutocorrectRisk {
    straightQuotes,
    doubleHyphen,
    symbolSequence,
    fraction,
    listMarker,
    lowercaseSentenceStart,
    ellipsis,
    urlLike,
};

inline constexpr std::array<AutocorrectRisk, 8> allAutocorrectRisks = {
    AutocorrectRisk::straightQuotes, AutocorrectRisk::doubleHyphen,
    AutocorrectRisk::symbolSequence, AutocorrectRisk::fraction,
    AutocorrectRisk::listMarker,     AutocorrectRisk::lowercaseSentenceStart,
    AutocorrectRisk::ellipsis,       AutocorrectRisk::urlLike,
};

/// The warning shown to the user; it doubles as the raw value.
std::string_view rawValue(AutocorrectRisk risk);
/// Exactly the eight warning texts; anything else gives nothing.
std::optional<AutocorrectRisk> autocorrectRiskFromRawValue(std::string_view raw);

/// The name of the Word option that governs the risk, in the words of Word's own dialog.
std::string settingLabel(AutocorrectRisk risk);

/// Every risk the article contains, each once, in declaration order. Looks at the text only.
std::vector<AutocorrectRisk> analyzeAutocorrectRisks(std::u16string_view text);

} // namespace plumeo
