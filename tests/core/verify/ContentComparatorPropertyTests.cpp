#include "core/text/Utf16.h"
#include "core/verify/ContentComparator.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace plumeo;

namespace {

// A small alphabet makes equal units common, so the diff has real choices to make; the
// pairs and CR are the units that matter to Word.
const std::vector<std::u16string> alphabet = {u"a",          u"b",          u"c",     u"\r",
                                              u"\U0001F600", u"\U0001F601", u"\u00E9"};

std::u16string randomText(std::mt19937& random, int maxSymbols) {
    std::uniform_int_distribution<int> length(0, maxSymbols);
    std::uniform_int_distribution<std::size_t> symbol(0, alphabet.size() - 1);
    std::u16string text;
    for (int i = length(random); i > 0; --i)
        text += alphabet[symbol(random)];
    return text;
}

/// A few random insertions, deletions and replacements of whole symbols or single units.
std::u16string mutate(std::u16string text, std::mt19937& random) {
    std::uniform_int_distribution<int> edits(1, 6);
    std::uniform_int_distribution<std::size_t> symbol(0, alphabet.size() - 1);
    for (int i = edits(random); i > 0; --i) {
        const std::size_t at = std::uniform_int_distribution<std::size_t>(0, text.size())(random);
        switch (std::uniform_int_distribution<int>(0, 2)(random)) {
        case 0:
            text.insert(at, alphabet[symbol(random)]);
            break;
        case 1:
            if (at < text.size())
                text.erase(at, std::uniform_int_distribution<std::size_t>(1, 3)(random));
            break;
        default:
            if (at < text.size())
                text[at] = alphabet[symbol(random)].front();
            break;
        }
    }
    return text;
}

/// Insert/delete edit distance by the textbook dynamic programme.
int editDistance(std::u16string_view a, std::u16string_view b) {
    std::vector<int> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = a[i - 1] == b[j - 1] ? diagonal : std::min(above, row[j - 1]) + 1;
            diagonal = above;
        }
    }
    return row[b.size()];
}

/// The expected text with every hunk replaced by its actual text; fails the test when the
/// hunks overlap, are out of order or disagree on the length of the text between them.
std::u16string applyHunks(std::u16string_view expected, std::u16string_view actual,
                          const std::vector<DifferenceHunk>& hunks) {
    std::u16string result;
    int expectedAt = 0;
    int actualAt = 0;
    for (const DifferenceHunk& hunk : hunks) {
        EXPECT_GT(hunk.expectedLength + hunk.actualLength, 0);
        EXPECT_GE(hunk.expectedStart, expectedAt);
        EXPECT_EQ(hunk.expectedStart - expectedAt, hunk.actualStart - actualAt);
        EXPECT_LE(hunk.expectedStart + hunk.expectedLength, utf16Count(expected));
        EXPECT_LE(hunk.actualStart + hunk.actualLength, utf16Count(actual));
        result += expected.substr(expectedAt, hunk.expectedStart - expectedAt);
        result += actual.substr(hunk.actualStart, hunk.actualLength);
        expectedAt = hunk.expectedStart + hunk.expectedLength;
        actualAt = hunk.actualStart + hunk.actualLength;
    }
    result += expected.substr(std::min<std::size_t>(expectedAt, expected.size()));
    return result;
}

} // namespace

TEST(ContentComparatorProperties, HunksRebuildTheActualTextWithMinimalEdits) {
    std::mt19937 random(20261206);
    for (int trial = 0; trial < 3000; ++trial) {
        const std::u16string expected = randomText(random, 24);
        const std::u16string actual =
            trial % 5 == 0 ? randomText(random, 24) : mutate(expected, random);
        const ComparisonReport report =
            ContentComparator::compare(expected, actual, std::nullopt, 1000);
        SCOPED_TRACE(testing::Message()
                     << "trial " << trial << ": " << toUtf8(expected) << " -> " << toUtf8(actual));

        ASSERT_FALSE(report.truncated);
        EXPECT_EQ(report.isEqual(), expected == actual);
        EXPECT_EQ(applyHunks(expected, actual, report.hunks), actual);
        int edits = 0;
        for (const DifferenceHunk& hunk : report.hunks)
            edits += hunk.expectedLength + hunk.actualLength;
        EXPECT_EQ(edits, editDistance(expected, actual));
        for (std::size_t i = 1; i < report.hunks.size(); ++i) {
            // Adjacent runs would have been one region.
            const DifferenceHunk& before = report.hunks[i - 1];
            EXPECT_GT(report.hunks[i].expectedStart, before.expectedStart + before.expectedLength);
        }
    }
}

TEST(ContentComparatorProperties, OnlyDistancesBeyondTheLimitAreTruncated) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 40; ++trial) {
        // Long unrelated middles between a shared head and tail, mostly beyond 400 edits.
        const std::u16string head = randomText(random, 10);
        const std::u16string tail = randomText(random, 10);
        const std::u16string expected = head + u"x" + randomText(random, 400) + u"x" + tail;
        const std::u16string actual = head + u"y" + randomText(random, 400) + u"y" + tail;
        const ComparisonReport report =
            ContentComparator::compare(expected, actual, std::nullopt, 1000);
        SCOPED_TRACE(trial);
        EXPECT_EQ(applyHunks(expected, actual, report.hunks), actual);
        // Stripping the shared ends keeps the distance, so it alone decides the outcome here.
        if (editDistance(expected, actual) > 400) {
            EXPECT_EQ(report.hunks.size(), 1u);
            EXPECT_TRUE(report.truncated);
        } else {
            EXPECT_FALSE(report.truncated);
        }
    }
}
