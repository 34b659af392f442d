#include "core/text/TextPreparer.h"
#include "core/verify/ResumeLocator.h"
#include "tests/core/verify/LocatorTestSupport.h"

#include <climits>
#include <gtest/gtest.h>

namespace plumeo {
namespace {

using testing_support::plainCandidates;
using testing_support::uniqueFiller;

TEST(Locate, TheFirstExactCandidateInTheGivenOrderWins) {
    // (2, "c") and (3, "") describe the same document.
    const PreparedText text = TextPreparer::prepare(u"abcd");
    const DocumentAnchor anchor{u"<", u">", 0, 1};
    EXPECT_EQ(ResumeLocator::locate(u"<abc>", anchor, text, {{2, u"c"}, {3, {}}}),
              LocateResult::exact({2, u"c"}, 4));
    EXPECT_EQ(ResumeLocator::locate(u"<abc>", anchor, text, {{3, {}}, {2, u"c"}}),
              LocateResult::exact({3, {}}, 4));
}

TEST(Locate, RegionStartKeepsItsDistanceFromAnAnchorThatAlreadyHoldsTypedText) {
    const PreparedText text = TextPreparer::prepare(u"The typed text, long enough.");
    const std::u16string before = uniqueFiller(u"b", 100);
    const std::u16string after = uniqueFiller(u"a", 100);
    // Resumed once already: the before-text holds units 0..4 and the region starts at 100.
    const DocumentAnchor anchor{before + text.wordString(0, 4), after, 4, 100};
    const std::u16string document = u"xyz" + before + text.wordString(0, 9) + after;
    const LocateResult result =
        ResumeLocator::locate(document, anchor, text, plainCandidates({9, 8, 7}));
    EXPECT_EQ(result,
              LocateResult::uniqueContext({9, {}}, 112, {document.substr(0, 112), after, 9, 103}));
}

// A context that is the whole pre-existing text only counts at the edge of the document.
TEST(Locate, AWholeShortContextMustSitAtTheDocumentEdge) {
    const PreparedText text = TextPreparer::prepare(u"typed");
    const std::u16string filler = uniqueFiller(u"x", 100);
    EXPECT_EQ(ResumeLocator::locate(u"New Title typed" + filler,
                                    DocumentAnchor::initial(u"Title " + filler, 6), text,
                                    plainCandidates({5})),
              LocateResult::notFound());
    const DocumentAnchor shortAfter = DocumentAnchor::initial(filler + u" end", 100);
    EXPECT_EQ(
        ResumeLocator::locate(filler + u"typed end. end", shortAfter, text, plainCandidates({5})),
        LocateResult::notFound());
    EXPECT_EQ(
        ResumeLocator::locate(u"#" + filler + u"typed end", shortAfter, text, plainCandidates({5}))
            .kind,
        LocateResult::Kind::uniqueContext);
}

TEST(Locate, AContextCutInsideASurrogatePairStillMatches) {
    // The 48 units before the insertion point begin with the second half of an emoji.
    const PreparedText text = TextPreparer::prepare(u"typed");
    const std::u16string before = u"\U0001F600" + uniqueFiller(u"b", 47);
    const std::u16string after = uniqueFiller(u"a", 100);
    const LocateResult result = ResumeLocator::locate(
        u"!" + before + u"typed" + after, {before, after, 0, 49}, text, plainCandidates({5}));
    EXPECT_EQ(result.kind, LocateResult::Kind::uniqueContext);
    EXPECT_EQ(result.cursor, 55);
}

TEST(Locate, OccurrencesOverlapAndStopAtSeventeenPerCandidate) {
    // Sixty 'a's on each side of one typed 'a': in a longer run of 'a's the context occurs at
    // every position.
    const PreparedText text = TextPreparer::prepare(u"aaa");
    const DocumentAnchor anchor{std::u16string(60, u'a'), std::u16string(60, u'a'), 0, 60};
    const std::u16string document(122, u'a');
    EXPECT_EQ(ResumeLocator::locate(document, anchor, text, plainCandidates({1})),
              LocateResult::ambiguous(17));
    EXPECT_EQ(ResumeLocator::locate(document, anchor, text, plainCandidates({1, 0})),
              LocateResult::ambiguous(34));
    EXPECT_EQ(ResumeLocator::locate(document.substr(22), anchor, text, plainCandidates({1, 2})),
              LocateResult::ambiguous(7));
}

TEST(Locate, TheAnchoredRegionNeedsBothPreExistingTextsWithoutOverlap) {
    // "abc" begins with "ab" and ends with "bc" but cannot hold both.
    const PreparedText text = TextPreparer::prepare(u"0123456789");
    EXPECT_EQ(ResumeLocator::locate(u"abc", {u"ab", u"bc", 0, 2}, text, plainCandidates({0})),
              LocateResult::notFound());
}

TEST(LocatorGuards, AnchorsThatDoNotFitTheTextGiveNoPosition) {
    const PreparedText text = TextPreparer::prepare(u"abc");
    for (int base : {-1, 4, INT_MAX, INT_MIN}) {
        const DocumentAnchor anchor{u"<", u">", base, 1};
        EXPECT_EQ(ResumeLocator::locate(u"<abc>", anchor, text, plainCandidates({3, 2})),
                  LocateResult::notFound());
        EXPECT_EQ(ResumeLocator::validateCursor(u"<abc>", 4, anchor, text, plainCandidates({3})),
                  std::nullopt);
        EXPECT_EQ(ResumeLocator::alignTail(u"abc", text, base, {3}, 8), std::nullopt);
    }
    // Candidates outside base...count are skipped, not read.
    EXPECT_EQ(
        ResumeLocator::locate(u"<ab>", {u"<a", u">", 1, 1}, text, plainCandidates({9, 0, -1, 2})),
        LocateResult::exact({2, {}}, 3));
}

TEST(LocatorGuards, AnInconsistentRegionStartStaysWithinTheNewBeforeText) {
    const PreparedText text = TextPreparer::prepare(u"abc");
    const std::u16string before = uniqueFiller(u"b", 100);
    const std::u16string after = uniqueFiller(u"a", 100);
    for (int regionStart : {INT_MIN, -5, 500, INT_MAX}) {
        const LocateResult result =
            ResumeLocator::locate(u"!" + before + u"abc" + after, {before, after, 0, regionStart},
                                  text, plainCandidates({3}));
        ASSERT_EQ(result.kind, LocateResult::Kind::uniqueContext);
        EXPECT_GE(result.newAnchor.regionStart, 0);
        EXPECT_LE(result.newAnchor.regionStart, utf16Count(result.newAnchor.before));
    }
}

TEST(ValidateCursor, RefusesCursorsOutsideTheDocumentOrShortOfTheAfterText) {
    const PreparedText text = TextPreparer::prepare(u"abc");
    const DocumentAnchor anchor{u"<", u">>", 0, 1};
    for (int cursor : {-1, 3, 5, 6, 7})
        EXPECT_EQ(
            ResumeLocator::validateCursor(u"<abc>>", cursor, anchor, text, plainCandidates({3, 2})),
            std::nullopt)
            << cursor;
    EXPECT_EQ(ResumeLocator::validateCursor(u"<abc>", 4, anchor, text, plainCandidates({3})),
              std::nullopt);
    EXPECT_EQ(ResumeLocator::validateCursor(u"<abc>>", 4, anchor, text, plainCandidates({3})),
              (ValidatedCursor{{3, {}}, {u"<abc", u">>", 3, 1}}));
}

TEST(ValidateCursor, TwoMatchingCandidatesGiveNoResult) {
    const PreparedText text = TextPreparer::prepare(u"aaa");
    // Longer than the window, so only its last units are compared.
    const std::u16string before(40, u'a');
    const DocumentAnchor anchor{before, u"]", 0, 40};
    const std::u16string document = before + u"aa]";
    EXPECT_EQ(ResumeLocator::validateCursor(document, 42, anchor, text, plainCandidates({2, 1})),
              std::nullopt);
    EXPECT_TRUE(ResumeLocator::validateCursor(document, 42, anchor, text, plainCandidates({2})));
}

// An empty document: Plumeo typed "abc", then the user typed "xy" at the cursor.
TEST(ValidateCursor, WantsEvidenceThatReachesBackOverAShortBeforeText) {
    const PreparedText text = TextPreparer::prepare(u"abcdef");
    EXPECT_EQ(ResumeLocator::validateCursor(u"abcxy\r", 5, {u"", u"\r", 0, 0}, text,
                                            plainCandidates({3, 2, 1, 0})),
              std::nullopt)
        << "nothing typed is no evidence for a cursor after the user's text";
    // The short before-text and the typed text occur again, but not from the start.
    EXPECT_EQ(ResumeLocator::validateCursor(u"<ab<abc>", 7, {u"<", u">", 0, 1}, text,
                                            plainCandidates({3, 2})),
              std::nullopt);
    EXPECT_EQ(ResumeLocator::validateCursor(u"<abc>", 4, {u"<", u">", 0, 1}, text,
                                            plainCandidates({3, 2})),
              (ValidatedCursor{{3, {}}, {u"<abc", u">", 3, 1}}));
}

TEST(ValidateCursor, AStandingTypoLiesBetweenTheNewBeforeAndAfterTexts) {
    const PreparedText text = TextPreparer::prepare(u"abc");
    const std::vector<ResumeCandidate> candidates{{2, u"\U0001F600"}, {2, {}}, {1, {}}};
    EXPECT_EQ(
        ResumeLocator::validateCursor(u"<ab\U0001F600>", 5, {u"<", u">", 0, 1}, text, candidates),
        (ValidatedCursor{{2, u"\U0001F600"}, {u"<ab", u">", 2, 1}}));
}

TEST(AlignTail, AnEmptyRegionMatchesOnlyTheBaseUnit) {
    const PreparedText text = TextPreparer::prepare(u"abcdef");
    EXPECT_EQ(ResumeLocator::alignTail(u"", text, 2, {4, 3, 2}, 8), 2);
    EXPECT_EQ(ResumeLocator::alignTail(u"", text, 2, {4, 3}, 8), std::nullopt);
    EXPECT_EQ(ResumeLocator::alignTail(u"x", text, 2, {2}, 8), std::nullopt);
}

TEST(AlignTail, NeedsAWholeShortTypedTextOrTheLastUnitsOfALongOne) {
    const PreparedText shortText = TextPreparer::prepare(u"abcdef");
    EXPECT_EQ(ResumeLocator::alignTail(u"zzab", shortText, 0, {2}, 8), 2);
    EXPECT_EQ(ResumeLocator::alignTail(u"zzxb", shortText, 0, {2}, 8), std::nullopt);
    EXPECT_EQ(ResumeLocator::alignTail(u"b", shortText, 0, {2}, 8), std::nullopt);

    const PreparedText text = TextPreparer::prepare(u"The quick brown fox jumps");
    EXPECT_EQ(ResumeLocator::alignTail(u"the quick brown fox jumps", text, 0, {25, 24, 20}, 8), 25);
    EXPECT_EQ(ResumeLocator::alignTail(u"Xox jumps", text, 0, {25}, 8), 25);
    EXPECT_EQ(ResumeLocator::alignTail(u"XXx jumps", text, 0, {25}, 8), std::nullopt);
}

TEST(AlignTail, CountsDistinctCandidatesAndRefusesTies) {
    const PreparedText text = TextPreparer::prepare(u"abab");
    EXPECT_EQ(ResumeLocator::alignTail(u"abab", text, 0, {2, 4}, 8), std::nullopt);
    EXPECT_EQ(ResumeLocator::alignTail(u"abab", text, 0, {4, 4, -1, 9}, 8), 4);
}

} // namespace
} // namespace plumeo
