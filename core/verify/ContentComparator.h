#pragma once

#include "core/verify/ComparisonReport.h"

#include <optional>
#include <string>
#include <string_view>

namespace plumeo {

/// A half-open range [from, to) of UTF-16 offsets in the expected document: where this
/// session's text was inserted.
struct InsertionRange {
    int from = 0;
    int to = 0;

    bool operator==(const InsertionRange&) const = default;
};

/// Compares the document a session should have produced with the one read back, and knows
/// the placeholder form in which Word's script interface returns astral characters.
namespace ContentComparator {

/// The number of hunks every caller asks for.
inline constexpr int defaultMaxHunks = 50;

/// Finds and classifies the differing regions, exactly on UTF-16 code units. `maxHunks` must
/// not be negative; a negative value asserts in debug builds and is treated as 0 otherwise.
/// Differences too large to analyse (middles above 40,000 units in total, or more than 400
/// edits) are reported as one truncated region instead of a long computation.
ComparisonReport compare(std::u16string_view expected, std::u16string_view actual,
                         std::optional<InsertionRange> insertion, int maxHunks);

/// The text as the script interface returns it: every scalar above U+FFFF becomes "12".
/// The UTF-16 length is unchanged.
std::u16string lossyAstral(std::u16string_view text);

/// True when `actual` is `expected` with some astral characters or BMP emoji replaced by the
/// script interface's placeholder units ("1" for a lead or BMP unit, "2" for a trail unit).
bool scriptPlaceholderMatch(std::u16string_view expected, std::u16string_view actual);

} // namespace ContentComparator

} // namespace plumeo
