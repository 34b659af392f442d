#include "core/verify/LiteralSearch.h"

#include <array>
#include <cstring>

namespace plumeo {

std::vector<int> findOccurrences(std::u16string_view haystack, std::u16string_view needle,
                                 int limit) {
    std::vector<int> hits;
    const std::size_t n = haystack.size();
    const std::size_t m = needle.size();
    if (m == 0 || limit < 1 || m > n)
        return hits;

    // Horspool's rule with the skip table indexed by the low byte of a code unit: units that
    // share a bucket take the smallest skip of any of them, which can only shorten a skip,
    // never jump over an occurrence. A full 64K-entry table would cost more to fill than
    // a typical search.
    std::array<std::size_t, 256> skip;
    skip.fill(m);
    for (std::size_t i = 0; i + 1 < m; ++i)
        skip[needle[i] & 0xFF] = m - 1 - i;

    const char16_t last = needle[m - 1];
    const std::size_t headBytes = (m - 1) * sizeof(char16_t);
    std::size_t pos = 0;
    while (pos <= n - m) {
        const char16_t tail = haystack[pos + m - 1];
        if (tail == last && std::memcmp(haystack.data() + pos, needle.data(), headBytes) == 0) {
            hits.push_back(static_cast<int>(pos));
            if (static_cast<int>(hits.size()) >= limit)
                break;
        }
        // The skip is valid after a hit as well, and at least 1, so overlapping occurrences
        // are still found.
        pos += skip[tail & 0xFF];
    }
    return hits;
}

} // namespace plumeo
