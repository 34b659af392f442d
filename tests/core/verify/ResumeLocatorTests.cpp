#include "core/text/TextPreparer.h"
#include "core/verify/ResumeLocator.h"
#include "tests/core/verify/LocatorTestSupport.h"

#include <climits>
#include <gtest/gtest.h>

namespace plumeo {
namespace {

using testing_support::plainCandidates;
using testing_support::uniqueFiller;

// ---- locate: whole-document match -------------------------------------------------------

TEST(LocateExact, TheFirstMatchingCandidateInTheGivenOrderWins) {
    // (2, "c") and (3, "") describe the same document: the order decides.
    const PreparedText text = TextPreparer::prepare(u"abcd");
    const DocumentAnchor anchor{u"<", u">", 0, 1};
    const std::vector<ResumeCandidate> typoFirst{{2, u"c"}, {3, {}}};
    EXPECT_EQ(ResumeLocator::locate(u"<abc>", anchor, text, typoFirst),
              LocateResult::exact({2, u"c"}, 4));
    const std::vector<ResumeCandidate> plainFirst{{3, {}}, {2, u"c"}};
    EXPECT_EQ(ResumeLocator::locate(u"<abc>", anchor, text, plainFirst),
              LocateResult::exact({3, {}}, 4));
}

TEST(LocateExact, CursorCountsFromTheBaseUnitInUtf16Units) {
    const PreparedText text = TextPreparer::prepare(u"a\U0001F600bc");
    // A later anchor: its before-text already holds units 0 and 1.
    const DocumentAnchor anchor{u"<a\U0001F600", u">", 2, 1};
    EXPECT_EQ(ResumeLocator::locate(u"<a\U0001F600bc>", anchor, text, plainCandidates({4, 3})),
              LocateResult::exact({4, {}}, 6));
}

TEST(LocateExact, CandidatesOutsideTheBaseToCountRangeAreSkipped) {
    const PreparedText text = TextPreparer::prepare(u"abc");
    const DocumentAnchor anchor{u"<a", u">", 1, 1};
    EXPECT_EQ(ResumeLocator::locate(u"<ab>", anchor, text, plainCandidates({9, 0, -1, 2})),
              LocateResult::exact({2, {}}, 3));
}

// ---- locate: unique context -------------------------------------------------------------

struct ContextFixture {
    PreparedText text = TextPreparer::prepare(u"The typed text, long enough.");
    std::u16string before = uniqueFiller(u"b", 100);
    std::u16string after = uniqueFiller(u"a", 100);
};

TEST(LocateContext, RegionStartMovesByWhatTheTextBeforeItGainedOrLost) {
    const ContextFixture f;
    const std::u16string typed = f.text.wordString(0, 9);
    const DocumentAnchor anchor = DocumentAnchor::initial(f.before + f.after, 100);

    const std::u16string grown = u"1234567" + f.before + typed + f.after;
    const LocateResult afterInsertion =
        ResumeLocator::locate(grown, anchor, f.text, plainCandidates({9, 8}));
    ASSERT_EQ(afterInsertion.kind, LocateResult::Kind::uniqueContext);
    EXPECT_EQ(afterInsertion.candidate, (ResumeCandidate{9, {}}));
    EXPECT_EQ(afterInsertion.cursor, 116);
    EXPECT_EQ(afterInsertion.newAnchor, (DocumentAnchor{grown.substr(0, 116), f.after, 9, 107}));

    const std::u16string shrunk = f.before.substr(4) + typed + f.after;
    const LocateResult afterDeletion =
        ResumeLocator::locate(shrunk, anchor, f.text, plainCandidates({9, 8}));
    ASSERT_EQ(afterDeletion.kind, LocateResult::Kind::uniqueContext);
    EXPECT_EQ(afterDeletion.newAnchor.regionStart, 96);
}

TEST(LocateContext, RegionStartKeepsItsDistanceFromAnAnchorThatAlreadyHoldsTypedText) {
    const ContextFixture f;
    // Resumed once already: the before-text holds units 0..4 and the region still starts at 100.
    const DocumentAnchor anchor{f.before + f.text.wordString(0, 4), f.after, 4, 100};
    const std::u16string document = u"xyz" + f.before + f.text.wordString(0, 9) + f.after;
    const LocateResult result =
        ResumeLocator::locate(document, anchor, f.text, plainCandidates({9, 8, 7}));
    ASSERT_EQ(result.kind, LocateResult::Kind::uniqueContext);
    EXPECT_EQ(result.cursor, 112);
    EXPECT_EQ(result.newAnchor.baseUnit, 9);
    EXPECT_EQ(result.newAnchor.regionStart, 103);
}

TEST(LocateContext, TheNewAnchorLeavesAStandingTypoOutOfBothSides) {
    const ContextFixture f;
    const DocumentAnchor anchor = DocumentAnchor::initial(f.before + f.after, 100);
    const std::u16string document = u"!" + f.before + f.text.wordString(0, 5) + u"x" + f.after;
    const std::vector<ResumeCandidate> candidates{{5, u"x"}, {5, {}}};
    const LocateResult result = ResumeLocator::locate(document, anchor, f.text, candidates);
    ASSERT_EQ(result.kind, LocateResult::Kind::uniqueContext);
    EXPECT_EQ(result.candidate, (ResumeCandidate{5, u"x"}));
    EXPECT_EQ(result.cursor, 107);
    EXPECT_EQ(result.newAnchor.before, u"!" + f.before + f.text.wordString(0, 5));
    EXPECT_EQ(result.newAnchor.after, f.after);
    EXPECT_EQ(result.newAnchor.regionStart, 101);
}

// A context that is the whole pre-existing text only counts at the edge of the document.
TEST(LocateContext, AWholeShortContextMustSitAtTheDocumentEdge) {
    const PreparedText text = TextPreparer::prepare(u"typed");
    const std::u16string after = uniqueFiller(u"a", 100);
    const DocumentAnchor shortBefore = DocumentAnchor::initial(u"Title " + after, 6);
    EXPECT_EQ(
        ResumeLocator::locate(u"New Title typed" + after, shortBefore, text, plainCandidates({5})),
        LocateResult::notFound());

    const std::u16string before = uniqueFiller(u"b", 100);
    const DocumentAnchor shortAfter = DocumentAnchor::initial(before + u" end", 100);
    EXPECT_EQ(ResumeLocator::locate(before + u"typed end." + u" end", shortAfter, text,
                                    plainCandidates({5})),
              LocateResult::notFound());
    const LocateResult atTheEnd =
        ResumeLocator::locate(u"#" + before + u"typed end", shortAfter, text, plainCandidates({5}));
    EXPECT_EQ(atTheEnd.kind, LocateResult::Kind::uniqueContext);
}

TEST(LocateContext, OccurrencesOverlapAndStopAtSeventeenPerCandidate) {
    // Sixty 'a's on each side and one typed 'a': in a longer run of 'a's the context occurs
    // at every position.
    const PreparedText text = TextPreparer::prepare(u"aaa");
    const std::u16string side(60, u'a');
    const DocumentAnchor anchor{side, side, 0, 60};
    const std::u16string document(122, u'a');
    EXPECT_EQ(ResumeLocator::locate(document, anchor, text, plainCandidates({1})),
              LocateResult::ambiguous(17));
    // Hits add up over the candidates.
    EXPECT_EQ(ResumeLocator::locate(document, anchor, text, plainCandidates({1, 0})),
              LocateResult::ambiguous(34));
    EXPECT_EQ(
        ResumeLocator::locate(std::u16string(100, u'a'), anchor, text, plainCandidates({1, 2})),
        LocateResult::ambiguous(7));
}

TEST(LocateContext, AContextFoundTwiceIsAmbiguousEvenIfOnlyOneIsRight) {
    const ContextFixture f;
    const DocumentAnchor anchor = DocumentAnchor::initial(f.before + f.after, 100);
    const std::u16string typed = f.text.wordString(0, 9);
    const std::u16string copy = f.before.substr(52) + typed + f.after.substr(0, 48);
    const std::u16string document = f.before + typed + f.after + u"\r" + copy;
    EXPECT_EQ(ResumeLocator::locate(document, anchor, f.text, plainCandidates({9})),
              LocateResult::ambiguous(2));
    // Without the extra copy the same document is an exact match.
    EXPECT_EQ(ResumeLocator::locate(document.substr(0, 209), anchor, f.text, plainCandidates({9})),
              LocateResult::exact({9, {}}, 109));
}

// ---- locate: region anchored by the pre-existing text -----------------------------------

TEST(LocateAnchoredRegion, NeedsBothPreExistingTextsWithoutOverlap) {
    const PreparedText text = TextPreparer::prepare(u"0123456789");
    const DocumentAnchor overlapping{u"ab", u"bc", 0, 2};
    // "abc" begins with "ab" and ends with "bc" but cannot hold both.
    EXPECT_EQ(ResumeLocator::locate(u"abc", overlapping, text, plainCandidates({0})),
              LocateResult::notFound());
}

TEST(LocateAnchoredRegion, ToleratesChangesEarlyInTheRegionButNotAtItsEnd) {
    const PreparedText text = TextPreparer::prepare(u"teh word is now fixed.");
    const DocumentAnchor anchor{u"<", u">", 0, 1};
    const std::vector<ResumeCandidate> candidates{{22, u"x"}, {22, {}}, {21, {}}};
    const LocateResult result =
        ResumeLocator::locate(u"<the word is now fixed.>", anchor, text, candidates);
    EXPECT_EQ(result,
              LocateResult::anchoredRegion(
                  {22, {}}, 23, DocumentAnchor{u"<the word is now fixed.", u">", 22, 1}, true));
    EXPECT_EQ(ResumeLocator::locate(u"<teh word is now fixed!>", anchor, text, candidates),
              LocateResult::notFound());
    EXPECT_EQ(ResumeLocator::locate(u"<teh word is now fixed.>!", anchor, text, candidates),
              LocateResult::notFound());
}

// ---- locate and validateCursor: anchors that do not fit ----------------------------------

TEST(LocatorGuards, AnchorsThatDoNotFitTheTextGiveNoPosition) {
    const PreparedText text = TextPreparer::prepare(u"abc");
    const std::vector<ResumeCandidate> candidates = plainCandidates({3, 2});
    for (int base : {-1, 4, INT_MAX, INT_MIN}) {
        const DocumentAnchor anchor{u"<", u">", base, 1};
        EXPECT_EQ(ResumeLocator::locate(u"<abc>", anchor, text, candidates),
                  LocateResult::notFound());
        EXPECT_EQ(ResumeLocator::validateCursor(u"<abc>", 4, anchor, text, candidates),
                  std::nullopt);
        EXPECT_EQ(ResumeLocator::alignTail(u"abc", text, base, {3}, 8), std::nullopt);
    }
    const PreparedText empty;
    EXPECT_EQ(ResumeLocator::locate(u"<>", DocumentAnchor{u"<", u">", 0, 1}, empty,
                                    plainCandidates({0, 1})),
              LocateResult::exact({0, {}}, 1));
}

TEST(LocatorGuards, AnInconsistentRegionStartStaysWithinTheNewBeforeText) {
    const ContextFixture f;
    const std::u16string document = u"!" + f.before + f.text.wordString(0, 3) + f.after;
    for (int regionStart : {INT_MIN, -5, 500, INT_MAX}) {
        const DocumentAnchor anchor{f.before, f.after, 0, regionStart};
        const LocateResult result =
            ResumeLocator::locate(document, anchor, f.text, plainCandidates({3}));
        ASSERT_EQ(result.kind, LocateResult::Kind::uniqueContext);
        EXPECT_GE(result.newAnchor.regionStart, 0);
        EXPECT_LE(result.newAnchor.regionStart, utf16Count(result.newAnchor.before));
    }
}

// ---- validateCursor -----------------------------------------------------------------------

TEST(ValidateCursor, AcceptsOnlyAPositionBetweenTheTypedTextAndTheAfterText) {
    const ContextFixture f;
    const DocumentAnchor anchor = DocumentAnchor::initial(f.before + f.after, 100);
    // Changed 40 units into the after-text: outside the 32 units checked here.
    std::u16string after = f.after;
    after[40] = u'#';
    const std::u16string document = u"12" + f.before + f.text.wordString(0, 9) + after;
    const std::vector<ResumeCandidate> candidates = plainCandidates({10, 9, 8});

    const auto validated = ResumeLocator::validateCursor(document, 111, anchor, f.text, candidates);
    ASSERT_TRUE(validated);
    EXPECT_EQ(*validated, (ValidatedCursor{{9, {}}, {document.substr(0, 111), after, 9, 102}}));

    for (int cursor : {110, 112, -1, 0, utf16Count(document), utf16Count(document) + 1})
        EXPECT_EQ(ResumeLocator::validateCursor(document, cursor, anchor, f.text, candidates),
                  std::nullopt)
            << "cursor " << cursor;
}

TEST(ValidateCursor, TheAfterContextMustFitInTheDocument) {
    const PreparedText text = TextPreparer::prepare(u"abc");
    const DocumentAnchor anchor{u"<", u">>", 0, 1};
    EXPECT_EQ(ResumeLocator::validateCursor(u"<abc>", 4, anchor, text, plainCandidates({3})),
              std::nullopt);
    EXPECT_TRUE(ResumeLocator::validateCursor(u"<abc>>", 4, anchor, text, plainCandidates({3})));
}

TEST(ValidateCursor, TwoMatchingCandidatesGiveNoResult) {
    const PreparedText text = TextPreparer::prepare(u"aaa");
    const DocumentAnchor anchor{u"", u"]", 0, 0};
    EXPECT_EQ(ResumeLocator::validateCursor(u"aa]", 2, anchor, text, plainCandidates({2, 1})),
              std::nullopt);
    EXPECT_EQ(
        ResumeLocator::validateCursor(u"aa]", 2, anchor, text, plainCandidates({2}))->candidate,
        (ResumeCandidate{2, {}}));
}

TEST(ValidateCursor, AStandingTypoLiesBetweenTheNewBeforeAndAfterTexts) {
    const PreparedText text = TextPreparer::prepare(u"abc");
    const DocumentAnchor anchor{u"<", u">", 0, 1};
    const std::vector<ResumeCandidate> candidates{{2, u"\U0001F600"}, {2, {}}, {1, {}}};
    const auto validated =
        ResumeLocator::validateCursor(u"<ab\U0001F600>", 5, anchor, text, candidates);
    ASSERT_TRUE(validated);
    EXPECT_EQ(*validated, (ValidatedCursor{{2, u"\U0001F600"}, {u"<ab", u">", 2, 1}}));
}

// ---- alignTail ------------------------------------------------------------------------------

TEST(AlignTail, AnEmptyRegionMatchesOnlyTheBaseUnit) {
    const PreparedText text = TextPreparer::prepare(u"abcdef");
    EXPECT_EQ(ResumeLocator::alignTail(u"", text, 2, {4, 3, 2}, 8), 2);
    EXPECT_EQ(ResumeLocator::alignTail(u"", text, 2, {4, 3}, 8), std::nullopt);
    EXPECT_EQ(ResumeLocator::alignTail(u"x", text, 2, {2}, 8), std::nullopt);
}

TEST(AlignTail, AShortTypedTextMustBeAWholeSuffix) {
    const PreparedText text = TextPreparer::prepare(u"abcdef");
    EXPECT_EQ(ResumeLocator::alignTail(u"zzab", text, 0, {2}, 8), 2);
    EXPECT_EQ(ResumeLocator::alignTail(u"zzxb", text, 0, {2}, 8), std::nullopt);
    EXPECT_EQ(ResumeLocator::alignTail(u"b", text, 0, {2}, 8), std::nullopt);
}

TEST(AlignTail, ALongTypedTextNeedsOnlyItsLastUnitsToAgree) {
    const PreparedText text = TextPreparer::prepare(u"The quick brown fox jumps");
    EXPECT_EQ(ResumeLocator::alignTail(u"the quick brown fox jumps", text, 0, {25, 24, 20}, 8), 25);
    EXPECT_EQ(ResumeLocator::alignTail(u"Xox jumps", text, 0, {25}, 8), 25);
    // Seven agreeing units are not enough.
    EXPECT_EQ(ResumeLocator::alignTail(u"XXx jumps", text, 0, {25}, 8), std::nullopt);
}

TEST(AlignTail, CountsDistinctInRangeCandidatesAndRefusesTies) {
    const PreparedText text = TextPreparer::prepare(u"abab");
    EXPECT_EQ(ResumeLocator::alignTail(u"abab", text, 0, {2, 4}, 8), std::nullopt);
    EXPECT_EQ(ResumeLocator::alignTail(u"abab", text, 0, {4, 4}, 8), 4);
    EXPECT_EQ(ResumeLocator::alignTail(u"abab", text, 0, {-1, 9, 4}, 8), 4);
    EXPECT_EQ(ResumeLocator::alignTail(u"abab", text, 0, {}, 8), std::nullopt);
}

} // namespace
} // namespace plumeo
