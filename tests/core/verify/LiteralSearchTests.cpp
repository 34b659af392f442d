#include "core/verify/LiteralSearch.h"

#include <gtest/gtest.h>
#include <random>

namespace plumeo {
namespace {

TEST(LiteralSearch, FindsOverlappingOccurrencesInOrderUpToTheLimit) {
    EXPECT_EQ(findOccurrences(u"aaaaa", u"aa", 10), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(findOccurrences(u"abababa", u"aba", 2), (std::vector<int>{0, 2}));
    EXPECT_TRUE(findOccurrences(u"abc", u"", 10).empty());
    EXPECT_TRUE(findOccurrences(u"abc", u"a", 0).empty());
}

TEST(LiteralSearch, AgreesWithANaiveSearchOnRandomTexts) {
    // Units sharing a low byte ('a' and U+4E61) share a skip bucket; surrogates and CR are
    // plain units to the search.
    const std::u16string alphabet = u"ab\u4E61\u4E62\xD83D\xDE00\r";
    std::mt19937 rng(20261206);
    const auto pick = [&](int from, int to) {
        return std::uniform_int_distribution<int>(from, to)(rng);
    };
    for (int round = 0; round < 5000; ++round) {
        std::u16string haystack;
        for (int i = pick(0, 60); i > 0; --i)
            haystack += alphabet[static_cast<std::size_t>(pick(0, 6))];
        std::u16string needle;
        if (round % 2 == 0 && !haystack.empty()) // cut from the haystack, so hits are frequent
            needle = haystack.substr(static_cast<std::size_t>(pick(0, 59)) % haystack.size(),
                                     static_cast<std::size_t>(pick(1, 6)));
        for (int i = needle.empty() ? pick(1, 6) : 0; i > 0; --i)
            needle += alphabet[static_cast<std::size_t>(pick(0, 6))];
        const int limit = pick(1, 20);

        std::vector<int> expected;
        for (std::size_t pos = 0; pos + needle.size() <= haystack.size(); ++pos) {
            if (static_cast<int>(expected.size()) < limit &&
                haystack.compare(pos, needle.size(), needle) == 0)
                expected.push_back(static_cast<int>(pos));
        }
        ASSERT_EQ(findOccurrences(haystack, needle, limit), expected) << "round " << round;
    }
}

} // namespace
} // namespace plumeo
