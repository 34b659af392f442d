#include "core/text/Utf16.h"
#include "core/verify/ContentComparator.h"

#include <gtest/gtest.h>
#include <string>

using namespace plumeo;

namespace {

ComparisonReport compare(std::u16string_view expected, std::u16string_view actual,
                         std::optional<InsertionRange> insertion = std::nullopt,
                         int maxHunks = ContentComparator::defaultMaxHunks) {
    return ContentComparator::compare(expected, actual, insertion, maxHunks);
}

DifferenceHunk hunk(int expectedStart, int expectedLength, int actualStart, int actualLength,
                    DifferenceKind kind) {
    return {expectedStart, expectedLength, actualStart, actualLength, kind, false};
}

std::u16string framed(std::u16string_view body) {
    std::u16string text(u"<");
    text.append(body).push_back(u'>');
    return text;
}

} // namespace

TEST(ContentComparatorRegions, IdenticalTextsHaveNoHunks) {
    for (std::u16string_view text : {u"", u"\u4E2D\r\U0001F600"}) {
        const ComparisonReport report = compare(text, text);
        EXPECT_TRUE(report.isEqual());
        EXPECT_FALSE(report.truncated);
        EXPECT_EQ(report.expectedLength, utf16Count(text));
    }
}

TEST(ContentComparatorRegions, PositionsAreUnitOffsetsInBothTexts) {
    using V = std::vector<DifferenceHunk>;
    EXPECT_EQ(compare(u"abc", u"abXc").hunks, V{hunk(2, 0, 2, 1, DifferenceKind::extra)});
    EXPECT_EQ(compare(u"abXc", u"abc").hunks, V{hunk(2, 1, 2, 0, DifferenceKind::missing)});
    EXPECT_EQ(compare(u"", u"new").hunks, V{hunk(0, 0, 0, 3, DifferenceKind::extra)});
    EXPECT_EQ(compare(u"aaaa", u"aaaaa").hunks, V{hunk(4, 0, 4, 1, DifferenceKind::extra)});
    EXPECT_EQ(
        compare(u"one two three four", u"one 2 three fourth").hunks,
        (V{hunk(4, 3, 4, 1, DifferenceKind::replaced), hunk(18, 0, 16, 2, DifferenceKind::extra)}));
    // The diff works on code units, so a region may hold half of an actual pair.
    const ComparisonReport halfPair = compare(u"\U0001F600", u"\U0001F601");
    ASSERT_EQ(halfPair.hunks.size(), 1u);
    const DifferenceHunk& half = halfPair.hunks.front();
    EXPECT_EQ(
        std::vector({half.expectedStart, half.expectedLength, half.actualStart, half.actualLength}),
        std::vector({1, 1, 1, 1}));
}

TEST(ContentComparatorLimits, EditDistanceLimitIsFourHundred) {
    const ComparisonReport atLimit =
        compare(framed(std::u16string(200, u'x')), framed(std::u16string(200, u'y')));
    EXPECT_FALSE(atLimit.truncated);
    EXPECT_EQ(atLimit.hunks, std::vector{hunk(1, 200, 1, 200, DifferenceKind::replaced)});

    const ComparisonReport beyond =
        compare(framed(std::u16string(250, u'x')), framed(std::u16string(151, u'y')));
    EXPECT_TRUE(beyond.truncated);
    EXPECT_EQ(beyond.hunks, std::vector{hunk(1, 250, 1, 151, DifferenceKind::replaced)});
    EXPECT_TRUE(beyond.summary().ends_with("。差异较多，仅列出前若干处。"));
}

TEST(ContentComparatorLimits, MiddlesAboveFortyThousandUnitsAreNotDiffed) {
    // Two edits only, or a plain deletion, but too long a middle to analyse.
    const auto twoEdits = [](int shared) {
        const std::u16string body(static_cast<std::size_t>(shared), u'm');
        return compare(u"x" + body + u"y", u"z" + body + u"w");
    };
    EXPECT_EQ(twoEdits(19999).hunks,
              std::vector{hunk(0, 20001, 0, 20001, DifferenceKind::replaced)});
    EXPECT_TRUE(twoEdits(19999).truncated);
    EXPECT_EQ(twoEdits(19998).hunks,
              (std::vector{hunk(0, 1, 0, 1, DifferenceKind::replaced),
                           hunk(19999, 1, 19999, 1, DifferenceKind::replaced)}));
    EXPECT_FALSE(twoEdits(19998).truncated);

    const auto deletion = [](int length) {
        return compare(framed(std::u16string(static_cast<std::size_t>(length), u'x')), u"<>");
    };
    EXPECT_EQ(deletion(40001).hunks, std::vector{hunk(1, 40001, 1, 0, DifferenceKind::missing)});
    EXPECT_TRUE(deletion(40001).truncated);
    EXPECT_FALSE(deletion(40000).truncated);
}

TEST(ContentComparatorLimits, TruncatedRegionNeverStartsInsideAnExpectedSurrogatePair) {
    const ComparisonReport report = compare(u"x\U0001F600" + std::u16string(300, u'p'),
                                            u"x\U0001F601" + std::u16string(300, u'q'));
    EXPECT_TRUE(report.truncated);
    EXPECT_EQ(report.hunks, std::vector{hunk(1, 302, 1, 302, DifferenceKind::replaced)});
}

TEST(ContentComparatorLimits, MaxHunksKeepsTheFirstRegions) {
    std::u16string expected;
    std::u16string actual;
    for (int i = 0; i < 60; ++i) {
        expected += u"word ";
        actual += i % 2 == 0 ? u"ward " : u"wort ";
    }
    const ComparisonReport report = compare(expected, actual);
    ASSERT_EQ(report.hunks.size(), 50u);
    EXPECT_TRUE(report.truncated);
    EXPECT_EQ(report.hunks.back().expectedStart, 49 * 5 + 3);
    EXPECT_TRUE(report.summary().starts_with("发现 50 处差异"));
    EXPECT_TRUE(report.summary().ends_with("。差异较多，仅列出前若干处。"));

    EXPECT_FALSE(compare(expected, actual, std::nullopt, 60).truncated);
    EXPECT_TRUE(compare(u"abc", u"abd", std::nullopt, 0).truncated);
}

TEST(ContentComparatorClassification, EachRuleOnTheRegionItDescribes) {
    using K = DifferenceKind;
    struct Case {
        std::u16string expected;
        std::u16string actual;
        DifferenceKind kind;
    };
    const std::vector<Case> cases = {
        {u"say \"hi", u"say \u201Chi", K::smartQuotes},
        {u"it's", u"it\u2019s", K::smartQuotes},
        {u"\"'\"", u"\u201C\u2019\u201D", K::smartQuotes}, // several quotes in one region
        {u"it's", u"it\u201Ds", K::replaced},              // a single quote turned double
        {u" -- ", u" \u2014 ", K::dash},
        {u"a - b", u"a \u2013 b", K::dash},
        {u"a --- b", u"a \u2014 b", K::replaced},
        {u"wait...", u"wait\u2026", K::ellipsis},
        {u"wait..", u"wait\u2026", K::replaced},
        {u"(c)", u"\u00A9", K::symbol},
        {u"(R)", u"\u00AE", K::symbol},
        {u"(TM)", u"\u2122", K::symbol},
        {u"a -> b", u"a \u2192 b", K::symbol},
        {u"a --> b", u"a \u2192 b", K::symbol},
        {u"(c)", u"\u00AE", K::replaced},
        {u"1/2 cup", u"\u00BD cup", K::fraction},
        {u"x 1/3", u"x \u2153", K::replaced},
        {u"end. so", u"end. So", K::capitalization},
        {u"\u00E9t\u00E9", u"\u00C9t\u00E9", K::capitalization},
        {u"\u03C9", u"\u03A9", K::capitalization},
        {u"cat", u"Bat", K::replaced},
        {u"1. Item", u"Item", K::listAutoFormat},
        {u"x\r2) Step", u"x\rStep", K::listAutoFormat},
        {u"x\r12. Step", u"x\rStep", K::listAutoFormat},
        {u"x\riv.\tStep", u"x\rStep", K::listAutoFormat},
        {u"x\r\u4E00\u3001\u5185", u"x\r\u5185", K::listAutoFormat},
        {u"x\r\u2022 Step", u"x\rStep", K::listAutoFormat},
        {u"x\r> Step", u"x\rStep", K::listAutoFormat},
        {u"see 1. Item", u"see Item", K::missing}, // not at a paragraph start
        {u"x\v1. Item", u"x\vItem", K::missing},   // a line break starts no paragraph
        {u"x\r. Item", u"x\rItem", K::missing},
        {u"x\r1-. Item", u"x\rItem", K::missing},
        {u"x\r-- Item", u"x\rItem", K::missing},
        {u"x\r1. Item", u"x\r1) Item", K::replaced},
        // Only the low halves differ: both sides decode to U+FFFD, yet the emoji was replaced.
        {u"a\U0001F600b", u"a\U0001F601b", K::replaced},
    };
    for (const Case& c : cases) {
        const ComparisonReport report = compare(c.expected, c.actual);
        ASSERT_EQ(report.hunks.size(), 1u) << toUtf8(c.expected);
        EXPECT_EQ(report.hunks.front().kind, c.kind)
            << toUtf8(c.expected) << " -> " << toUtf8(c.actual);
        EXPECT_EQ(report.likelyAutocorrect(), isWordAutocorrect(c.kind));
    }
}

TEST(ContentComparatorInsertion, RegionsInsideAndOutsideTheInsertion) {
    const std::u16string expected = u"0123456789abcdefghijklmnopqrstuvwxyz";
    const auto outside = [&](int start, int length, std::u16string_view replacement) {
        std::u16string actual = expected;
        actual.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(length),
                       replacement);
        const ComparisonReport report = compare(expected, actual, InsertionRange{10, 20});
        EXPECT_EQ(report.hunks.at(0).expectedStart, start);
        EXPECT_EQ(report.hunks.at(0).expectedLength, length);
        EXPECT_EQ(report.outsideContentChanged(), report.hunks.at(0).outsideInsertion);
        return report.hunks.at(0).outsideInsertion;
    };
    EXPECT_TRUE(outside(5, 3, u"###"));
    EXPECT_FALSE(outside(12, 3, u"###"));
    EXPECT_TRUE(outside(18, 4, u"####"));
    EXPECT_FALSE(outside(10, 10, u"#"));
    EXPECT_TRUE(outside(9, 2, u"#"));
    EXPECT_FALSE(outside(20, 0, u"#"));
    EXPECT_FALSE(outside(10, 0, u"#"));
    EXPECT_TRUE(outside(21, 0, u"#"));
    EXPECT_TRUE(outside(9, 0, u"#"));
    EXPECT_FALSE(compare(expected, u"#" + expected).hunks.at(0).outsideInsertion);
}

TEST(ContentComparatorPlaceholders, LossyAstralAndScriptPlaceholderMatch) {
    using ContentComparator::scriptPlaceholderMatch;
    EXPECT_EQ(ContentComparator::lossyAstral(u"a\U0001F600\u2615\U00020000\xD800"),
              u"a12\u261512\xD800");
    EXPECT_TRUE(scriptPlaceholderMatch(u"\U0001F600", u"12"));
    EXPECT_TRUE(scriptPlaceholderMatch(u"a\u2615b", u"a1b")); // a BMP emoji
    EXPECT_TRUE(scriptPlaceholderMatch(u"\U0001F44D\u2615\U0001F600", u"121\U0001F600"));
    EXPECT_FALSE(scriptPlaceholderMatch(u"a", u"1"));
    EXPECT_FALSE(scriptPlaceholderMatch(u"\u4E2D", u"1"));
    EXPECT_FALSE(scriptPlaceholderMatch(u"\U0001F600", u"21"));
    EXPECT_FALSE(scriptPlaceholderMatch(u"\U0001F600", u"1"));
    EXPECT_FALSE(scriptPlaceholderMatch(u"\U0001F600 x", u"12 y"));
    EXPECT_FALSE(scriptPlaceholderMatch(u"\xDC00", u"2")); // an unpaired half is no scalar
}
