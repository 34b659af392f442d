#include "core/verify/LiteralSearch.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace plumeo {
namespace {

std::vector<int> naiveOccurrences(std::u16string_view haystack, std::u16string_view needle,
                                  int limit) {
    std::vector<int> hits;
    if (needle.empty())
        return hits;
    for (std::size_t pos = 0; pos + needle.size() <= haystack.size(); ++pos) {
        if (static_cast<int>(hits.size()) >= limit)
            break;
        if (haystack.substr(pos, needle.size()) == needle)
            hits.push_back(static_cast<int>(pos));
    }
    return hits;
}

TEST(LiteralSearch, FindsOverlappingOccurrencesInOrderUpToTheLimit) {
    EXPECT_EQ(findOccurrences(u"aaaaa", u"aa", 10), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(findOccurrences(u"abababa", u"aba", 10), (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(findOccurrences(u"aaaaa", u"aa", 2), (std::vector<int>{0, 1}));
    EXPECT_EQ(findOccurrences(u"xabc", u"abc", 10), (std::vector<int>{1}));
}

TEST(LiteralSearch, FindsNothingForEmptyOrOversizedNeedlesAndNonPositiveLimits) {
    EXPECT_TRUE(findOccurrences(u"abc", u"", 10).empty());
    EXPECT_TRUE(findOccurrences(u"abc", u"abcd", 10).empty());
    EXPECT_TRUE(findOccurrences(u"", u"a", 10).empty());
    EXPECT_TRUE(findOccurrences(u"abc", u"a", 0).empty());
    EXPECT_TRUE(findOccurrences(u"abc", u"a", -1).empty());
}

TEST(LiteralSearch, DistinguishesUnitsThatShareASkipBucket) {
    // U+4E61 and 'a' (U+0061) share the low byte the skip table is indexed by.
    EXPECT_EQ(findOccurrences(u"\u4E61a\u4E61a", u"a\u4E61", 10), (std::vector<int>{1}));
    EXPECT_TRUE(findOccurrences(u"\u4E61\u4E61\u4E61", u"a\u4E61", 10).empty());
    // Surrogate halves are matched as plain code units.
    EXPECT_EQ(findOccurrences(u"x\U0001F600\U0001F600", u"\xDE00\xD83D", 10),
              (std::vector<int>{2}));
}

TEST(LiteralSearch, AgreesWithANaiveSearchOnRandomTexts) {
    // A small alphabet with colliding low bytes and surrogates makes partial matches common.
    const std::u16string alphabet = u"ab\u4E61\u4E62\xD83D\xDE00\r";
    std::mt19937 rng(20261206);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> haystackLength(0, 60);
    std::uniform_int_distribution<int> needleLength(1, 6);
    std::uniform_int_distribution<int> limit(1, 20);
    for (int round = 0; round < 5000; ++round) {
        std::u16string haystack;
        for (int i = haystackLength(rng); i > 0; --i)
            haystack += alphabet[pick(rng)];
        std::u16string needle;
        // Half the needles are cut from the haystack so that hits are frequent.
        if (round % 2 == 0 && !haystack.empty()) {
            const std::size_t from = pick(rng) % haystack.size();
            needle = haystack.substr(from, static_cast<std::size_t>(needleLength(rng)));
        } else {
            for (int i = needleLength(rng); i > 0; --i)
                needle += alphabet[pick(rng)];
        }
        const int bound = limit(rng);
        ASSERT_EQ(findOccurrences(haystack, needle, bound),
                  naiveOccurrences(haystack, needle, bound))
            << "round " << round;
    }
}

} // namespace
} // namespace plumeo
