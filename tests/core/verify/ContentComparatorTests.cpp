#include "core/text/Utf16.h"
#include "core/verify/ContentComparator.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>

using namespace plumeo;

namespace {

constexpr int maxHunks = ContentComparator::defaultMaxHunks;

ComparisonReport compare(std::u16string_view expected, std::u16string_view actual,
                         std::optional<InsertionRange> insertion = std::nullopt,
                         int hunks = maxHunks) {
    return ContentComparator::compare(expected, actual, insertion, hunks);
}

/// The kind of the single hunk the two texts differ by.
DifferenceKind kindOf(std::u16string_view expected, std::u16string_view actual) {
    const ComparisonReport report = compare(expected, actual);
    EXPECT_EQ(report.hunks.size(), 1u);
    return report.hunks.empty() ? DifferenceKind::replaced : report.hunks.front().kind;
}

DifferenceHunk hunk(int expectedStart, int expectedLength, int actualStart, int actualLength,
                    DifferenceKind kind, bool outside = false) {
    return {expectedStart, expectedLength, actualStart, actualLength, kind, outside};
}

} // namespace

TEST(ContentComparatorRegions, IdenticalTextsHaveNoHunks) {
    for (std::u16string_view text : {u"", u"abc", u"中文\r\U0001F600"}) {
        const ComparisonReport report = compare(text, text);
        EXPECT_TRUE(report.isEqual());
        EXPECT_FALSE(report.truncated);
        EXPECT_EQ(report.expectedLength, utf16Count(text));
        EXPECT_EQ(report.summary(), "完全一致。");
    }
}

TEST(ContentComparatorRegions, FindsExtraMissingAndReplacedText) {
    EXPECT_EQ(compare(u"abc", u"abXc").hunks, std::vector{hunk(2, 0, 2, 1, DifferenceKind::extra)});
    EXPECT_EQ(compare(u"abXc", u"abc").hunks,
              std::vector{hunk(2, 1, 2, 0, DifferenceKind::missing)});
    EXPECT_EQ(compare(u"abXYc", u"abZc").hunks,
              std::vector{hunk(2, 2, 2, 1, DifferenceKind::replaced)});
    EXPECT_EQ(compare(u"", u"new").hunks, std::vector{hunk(0, 0, 0, 3, DifferenceKind::extra)});
    EXPECT_EQ(compare(u"old", u"").hunks, std::vector{hunk(0, 3, 0, 0, DifferenceKind::missing)});
}

TEST(ContentComparatorRegions, SeparateChangesBecomeAscendingHunksInBothTexts) {
    const ComparisonReport report = compare(u"one two three four", u"one 2 three fourth");
    EXPECT_EQ(report.hunks, (std::vector{hunk(4, 3, 4, 1, DifferenceKind::replaced),
                                         hunk(18, 0, 16, 2, DifferenceKind::extra)}));
    EXPECT_FALSE(report.truncated);
    EXPECT_EQ(report.expectedLength, 18);
    EXPECT_EQ(report.actualLength, 18);
    EXPECT_FALSE(report.isEqual());
}

TEST(ContentComparatorRegions, RepeatedUnitsAroundAnEditStayMinimal) {
    // The common prefix takes the run greedily, so the inserted unit lands at its end.
    EXPECT_EQ(compare(u"aaaa", u"aaaaa").hunks,
              std::vector{hunk(4, 0, 4, 1, DifferenceKind::extra)});
    const ComparisonReport report = compare(u"xabababy", u"xbababay");
    int edits = 0;
    for (const DifferenceHunk& h : report.hunks)
        edits += h.expectedLength + h.actualLength;
    EXPECT_EQ(edits, 2);
}

TEST(ContentComparatorLimits, ExactlyFourHundredEditsAreStillAnalysed) {
    const std::u16string expected = u"[" + std::u16string(200, u'x') + u"]";
    const std::u16string actual = u"[" + std::u16string(200, u'y') + u"]";
    const ComparisonReport report = compare(expected, actual);
    EXPECT_FALSE(report.truncated);
    EXPECT_EQ(report.hunks, std::vector{hunk(1, 200, 1, 200, DifferenceKind::replaced)});
}

TEST(ContentComparatorLimits, MoreThanFourHundredEditsGiveOneTruncatedRegion) {
    const std::u16string expected = u"head " + std::u16string(250, u'x') + u"tail";
    const std::u16string actual = u"head " + std::u16string(260, u'y') + u"tail";
    const ComparisonReport report = compare(expected, actual);
    EXPECT_TRUE(report.truncated);
    EXPECT_EQ(report.hunks, std::vector{hunk(5, 250, 5, 260, DifferenceKind::replaced)});
    EXPECT_TRUE(report.summary().ends_with("差异较多，仅列出前若干处。"));
}

TEST(ContentComparatorLimits, MiddlesAboveFortyThousandUnitsAreNotDiffed) {
    // Two edits only, but the middles between them are too long to analyse.
    const auto middles = [](int shared) {
        const std::u16string body(static_cast<std::size_t>(shared), u'm');
        return std::pair{u"<x" + body + u"y>", u"<z" + body + u"w>"};
    };
    const auto [longExpected, longActual] = middles(19999); // 20001 + 20001 units
    EXPECT_EQ(compare(longExpected, longActual).hunks,
              std::vector{hunk(1, 20001, 1, 20001, DifferenceKind::replaced)});
    EXPECT_TRUE(compare(longExpected, longActual).truncated);

    const auto [expected, actual] = middles(19998); // 40000 units in total
    const ComparisonReport report = compare(expected, actual);
    EXPECT_FALSE(report.truncated);
    EXPECT_EQ(report.hunks, (std::vector{hunk(1, 1, 1, 1, DifferenceKind::replaced),
                                         hunk(20000, 1, 20000, 1, DifferenceKind::replaced)}));
}

TEST(ContentComparatorLimits, LongOneSidedRegionsCountAgainstTheSizeLimitToo) {
    const auto deletion = [](int length) {
        std::u16string expected(static_cast<std::size_t>(length), u'x');
        expected.insert(0, u"<");
        expected += u'>';
        return compare(expected, u"<>");
    };
    const ComparisonReport tooLong = deletion(40001);
    EXPECT_EQ(tooLong.hunks, std::vector{hunk(1, 40001, 1, 0, DifferenceKind::missing)});
    EXPECT_TRUE(tooLong.truncated);
    const ComparisonReport withinLimit = deletion(40000);
    EXPECT_EQ(withinLimit.hunks, std::vector{hunk(1, 40000, 1, 0, DifferenceKind::missing)});
    EXPECT_FALSE(withinLimit.truncated);
}

TEST(ContentComparatorLimits, TruncatedRegionNeverStartsInsideAnExpectedSurrogatePair) {
    std::u16string expected = u"x\U0001F600";
    std::u16string actual = u"x\U0001F601";
    for (int i = 0; i < 300; ++i) {
        expected += u'p';
        actual += u'q';
    }
    const ComparisonReport report = compare(expected, actual);
    ASSERT_EQ(report.hunks.size(), 1u);
    EXPECT_TRUE(report.truncated);
    EXPECT_EQ(report.hunks.front().expectedStart, 1);
    EXPECT_EQ(report.hunks.front().expectedLength, 302);
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
    EXPECT_EQ(report.hunks.front().expectedStart, 1);
    EXPECT_EQ(report.hunks.back().expectedStart, 49 * 5 + 3);
    EXPECT_TRUE(report.summary().starts_with("发现 50 处差异"));
    EXPECT_TRUE(report.summary().ends_with("。差异较多，仅列出前若干处。"));

    const ComparisonReport exact = compare(expected, actual, std::nullopt, 60);
    EXPECT_EQ(exact.hunks.size(), 60u);
    EXPECT_FALSE(exact.truncated);
}

TEST(ContentComparatorLimits, ZeroHunksStillReportsTheTruncation) {
    const ComparisonReport report = compare(u"abc", u"abd", std::nullopt, 0);
    EXPECT_TRUE(report.hunks.empty());
    EXPECT_TRUE(report.truncated);
}

TEST(ContentComparatorClassification, SmartQuotes) {
    EXPECT_EQ(kindOf(u"say \"hi", u"say \u201Chi"), DifferenceKind::smartQuotes);
    EXPECT_EQ(kindOf(u"hi\" now", u"hi\u201D now"), DifferenceKind::smartQuotes);
    EXPECT_EQ(kindOf(u"it's", u"it\u2019s"), DifferenceKind::smartQuotes);
    EXPECT_EQ(kindOf(u"'a", u"\u2018a"), DifferenceKind::smartQuotes);
    // Several quotes in one region, with equal characters between them.
    EXPECT_EQ(kindOf(u"\"'\"", u"\u201C\u2019\u201D"), DifferenceKind::smartQuotes);
    // A single quote cannot become a double smart quote, nor the other way round.
    EXPECT_EQ(kindOf(u"it's", u"it\u201Ds"), DifferenceKind::replaced);
    EXPECT_EQ(kindOf(u"\"", u"\u2019"), DifferenceKind::replaced);
    const ComparisonReport report = compare(u"\"quoted\"", u"\u201Cquoted\u201D");
    EXPECT_EQ(report.hunks.size(), 2u);
    EXPECT_TRUE(report.likelyAutocorrect());
}

TEST(ContentComparatorClassification, DashesEllipsisSymbolsAndFractions) {
    EXPECT_EQ(compare(u" -- ", u" \u2014 ").hunks,
              std::vector{hunk(1, 2, 1, 1, DifferenceKind::dash)});
    EXPECT_EQ(kindOf(u"a - b", u"a \u2013 b"), DifferenceKind::dash);
    EXPECT_EQ(kindOf(u"a --- b", u"a \u2014 b"), DifferenceKind::replaced);
    EXPECT_EQ(kindOf(u"wait...", u"wait\u2026"), DifferenceKind::ellipsis);
    EXPECT_EQ(kindOf(u"wait..", u"wait\u2026"), DifferenceKind::replaced);
    EXPECT_EQ(kindOf(u"1/2 cup", u"\u00BD cup"), DifferenceKind::fraction);
    EXPECT_EQ(kindOf(u"x 3/4", u"x \u00BE"), DifferenceKind::fraction);
    EXPECT_EQ(kindOf(u"x 1/3", u"x \u2153"), DifferenceKind::replaced);
}

TEST(ContentComparatorClassification, EveryRowOfTheSymbolTable) {
    const std::vector<std::pair<std::u16string, std::u16string>> rows = {
        {u"(c)", u"\u00A9"},  {u"(C)", u"\u00A9"},  {u"(r)", u"\u00AE"}, {u"(R)", u"\u00AE"},
        {u"(tm)", u"\u2122"}, {u"(TM)", u"\u2122"}, {u"->", u"\u2192"},  {u"<-", u"\u2190"},
        {u"=>", u"\u21D2"},   {u"-->", u"\u2192"},  {u"<--", u"\u2190"}, {u":)", u"\u263A"},
    };
    for (const auto& [typed, symbol] : rows) {
        // Spaces around keep the region exactly the typed combination.
        EXPECT_EQ(kindOf(u"a " + typed + u" b", u"a " + symbol + u" b"), DifferenceKind::symbol)
            << toUtf8(typed);
    }
    EXPECT_EQ(kindOf(u"a (c) b", u"a \u00AE b"), DifferenceKind::replaced);
}

TEST(ContentComparatorClassification, CapitalisationIsCaseInsensitiveEqualityBeyondAscii) {
    EXPECT_EQ(kindOf(u"the end. so", u"the end. So"), DifferenceKind::capitalization);
    EXPECT_EQ(kindOf(u"\u00E9t\u00E9", u"\u00C9t\u00E9"), DifferenceKind::capitalization);
    EXPECT_EQ(kindOf(u"\u03C9 x", u"\u03A9 x"), DifferenceKind::capitalization);
    EXPECT_EQ(kindOf(u"iPhone", u"IPhone"), DifferenceKind::capitalization);
    EXPECT_EQ(kindOf(u"cat", u"Bat"), DifferenceKind::replaced);
}

TEST(ContentComparatorClassification, ListMarkersAtParagraphStart) {
    EXPECT_EQ(compare(u"1. Item", u"Item").hunks,
              std::vector{hunk(0, 3, 0, 0, DifferenceKind::listAutoFormat)});
    EXPECT_EQ(kindOf(u"intro\r2) Step", u"intro\rStep"), DifferenceKind::listAutoFormat);
    EXPECT_EQ(kindOf(u"x\r\u4E00\u3001\u5185\u5BB9", u"x\r\u5185\u5BB9"),
              DifferenceKind::listAutoFormat);
    EXPECT_EQ(kindOf(u"x\riv.\tPoint", u"x\rPoint"), DifferenceKind::listAutoFormat);
    EXPECT_EQ(kindOf(u"x\r12. Point", u"x\rPoint"), DifferenceKind::listAutoFormat);
    EXPECT_EQ(kindOf(u"x\r\u2022 Point", u"x\rPoint"), DifferenceKind::listAutoFormat);
    EXPECT_EQ(kindOf(u"x\r- Point", u"x\rPoint"), DifferenceKind::listAutoFormat);
    EXPECT_EQ(kindOf(u"x\r> Point", u"x\rPoint"), DifferenceKind::listAutoFormat);
}

TEST(ContentComparatorClassification, NotListMarkers) {
    // Mid-paragraph, after a line break, or not a marker at all: plain missing text.
    EXPECT_EQ(compare(u"see 1. Item", u"see Item").hunks,
              std::vector{hunk(4, 3, 4, 0, DifferenceKind::missing)});
    EXPECT_EQ(kindOf(u"x\v1. Item", u"x\vItem"), DifferenceKind::missing);
    EXPECT_EQ(kindOf(u"x\r. Item", u"x\rItem"), DifferenceKind::missing);
    EXPECT_EQ(kindOf(u"x\r1 Item", u"x\rItem"), DifferenceKind::missing);
    EXPECT_EQ(kindOf(u"x\r1-. Item", u"x\rItem"), DifferenceKind::missing);
    EXPECT_EQ(kindOf(u"x\r-- Item", u"x\rItem"), DifferenceKind::missing);
    // A marker that Word kept but changed is no list conversion.
    EXPECT_EQ(kindOf(u"x\r1. Item", u"x\r1) Item"), DifferenceKind::replaced);
}

TEST(ContentComparatorRegions, RegionMayHoldHalfOfAnActualSurrogatePair) {
    // The diff works on code units, so a region may hold half of a pair.
    const ComparisonReport report = compare(u"\U0001F600", u"\U0001F601");
    ASSERT_EQ(report.hunks.size(), 1u);
    const DifferenceHunk& only = report.hunks.front();
    EXPECT_EQ(
        std::tuple(only.expectedStart, only.expectedLength, only.actualStart, only.actualLength),
        std::tuple(1, 1, 1, 1));
}

TEST(ContentComparatorInsertion, RegionsInsideAndOutsideTheInsertion) {
    const std::u16string expected = u"0123456789abcdefghijklmnopqrstuvwxyz";
    const InsertionRange insertion{10, 20};
    const auto outside = [&](int start, int length, std::u16string_view replacement) {
        std::u16string actual = expected;
        actual.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(length),
                       replacement);
        const ComparisonReport report = compare(expected, actual, insertion);
        EXPECT_EQ(report.hunks.size(), 1u);
        EXPECT_EQ(report.hunks.front().expectedStart, start);
        EXPECT_EQ(report.hunks.front().expectedLength, length);
        EXPECT_EQ(report.outsideContentChanged(), report.hunks.front().outsideInsertion);
        return report.hunks.front().outsideInsertion;
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

    const ComparisonReport noRegion = compare(expected, u"#" + expected);
    EXPECT_FALSE(noRegion.hunks.front().outsideInsertion);
    EXPECT_NE(compare(expected, u"#" + expected, insertion).summary().find("插入区域之外"),
              std::string::npos);
}

TEST(ContentComparatorPlaceholders, LossyAstralKeepsLengthsAndBmpText) {
    EXPECT_EQ(ContentComparator::lossyAstral(u"a\U0001F600b\u2615\U00020000"), u"a12b\u261512");
    EXPECT_EQ(ContentComparator::lossyAstral(u"\xD800x\xDC00"), u"\xD800x\xDC00");
    EXPECT_EQ(ContentComparator::lossyAstral(u""), u"");
}

TEST(ContentComparatorPlaceholders, ScriptPlaceholderMatch) {
    using ContentComparator::scriptPlaceholderMatch;
    EXPECT_TRUE(scriptPlaceholderMatch(u"\U0001F600", u"12"));
    EXPECT_TRUE(scriptPlaceholderMatch(u"x\U0001F600y", u"x\U0001F600y"));
    EXPECT_TRUE(scriptPlaceholderMatch(u"a\u2615b", u"a1b"));
    EXPECT_TRUE(scriptPlaceholderMatch(u"\U0001F44D\u2615", u"121"));
    EXPECT_FALSE(scriptPlaceholderMatch(u"a", u"1"));
    EXPECT_FALSE(scriptPlaceholderMatch(u"\u4E2D", u"1")); // not an emoji
    EXPECT_FALSE(scriptPlaceholderMatch(u"\U0001F600", u"21"));
    EXPECT_FALSE(scriptPlaceholderMatch(u"\U0001F600", u"1"));
    EXPECT_FALSE(scriptPlaceholderMatch(u"\u2615", u"2"));
    EXPECT_FALSE(scriptPlaceholderMatch(u"\U0001F600 x", u"12 y"));
    EXPECT_FALSE(scriptPlaceholderMatch(u"\xDC00", u"2")); // an unpaired half is no scalar
}
