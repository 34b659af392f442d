#pragma once

#include <string_view>
#include <vector>

namespace plumeo {

/// Start positions of `needle` in `haystack`, compared code unit by code unit, in ascending
/// order, overlapping occurrences included, at most `limit` of them. An empty needle or a
/// limit below 1 finds nothing.
std::vector<int> findOccurrences(std::u16string_view haystack, std::u16string_view needle,
                                 int limit);

} // namespace plumeo
