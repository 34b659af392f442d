// Interruptions replayed against a simulated word processor document: the session types into
// it, something happens, and the locator must find the continuation point (or refuse to) in
// the document that results. Where it answers, typing is finished from that point and the
// document must come out as the anchor says it should.

#include "core/text/TextPreparer.h"
#include "core/verify/ResumeLocator.h"
#include "tests/core/verify/LocatorTestSupport.h"

#include <gtest/gtest.h>

namespace plumeo {
namespace {

using testing_support::FakeWordDocument;
using testing_support::finishFrom;
using testing_support::SessionRecord;

const std::u16string kBefore =
    u"Quarterly notes\rThe paragraph the user wrote before placing the cursor here: ";
const std::u16string kAfter =
    u"\rA closing paragraph that was already in the document, long enough to be context.";

class ResumeScenario : public ::testing::Test {
protected:
    PreparedText text =
        TextPreparer::prepare(u"Plumeo types this article (c) 2026 for the team.\n"
                              u"第二段：中文内容与 English words 混排 \U0001F600。\n"
                              u"Third paragraph, with a tab\tand the end.");
    FakeWordDocument document{kBefore + kAfter, static_cast<int>(kBefore.size())};
    SessionRecord session{text, document};

    LocateResult locate() const {
        return ResumeLocator::locate(document.text(), session.anchor, text, session.candidates());
    }

    /// Finishes the article from the located point and checks the document against the anchor
    /// the locator handed back.
    void expectFinishesCleanly(const ResumeCandidate& candidate, const DocumentAnchor& anchor) {
        finishFrom(candidate, text, document);
        EXPECT_EQ(document.text(), anchor.expectedDocument(text.count(), u"", text));
        EXPECT_EQ(document.cursor(), anchor.cursorOffset(text.count(), text));
    }

    int unitOffset(int unit) const { return text.offsets[static_cast<std::size_t>(unit)]; }
    int start() const { return utf16Count(kBefore); }
};

TEST_F(ResumeScenario, NothingChangedSinceTheStop) {
    session.send(document, 40);
    session.confirmedUnits = 30;

    const LocateResult result = locate();
    EXPECT_EQ(result, LocateResult::exact({40, {}}, start() + unitOffset(40)));
    EXPECT_EQ(result.cursor, document.cursor());
    expectFinishesCleanly(result.candidate, session.anchor);
    const InsertionRange region = session.anchor.insertionRange(text.count(), text);
    EXPECT_EQ(document.text().substr(region.from, region.to - region.from), text.fullWordString());
}

TEST_F(ResumeScenario, TheLastUnitWasSentButDidNotLand) {
    session.send(document, 40, /*landed=*/39);
    session.confirmedUnits = 30;

    const LocateResult result = locate();
    EXPECT_EQ(result, LocateResult::exact({39, {}}, start() + unitOffset(39)));
    EXPECT_EQ(result.cursor, document.cursor());
    expectFinishesCleanly(result.candidate, session.anchor);
}

TEST_F(ResumeScenario, NoUnitLandedLeavesAnEmptyRegion) {
    session.send(document, 3, /*landed=*/0);

    const LocateResult result = locate();
    EXPECT_EQ(result, LocateResult::exact({0, {}}, start()));
    expectFinishesCleanly(result.candidate, session.anchor);
}

TEST_F(ResumeScenario, ATypoStillStandsAfterTheStop) {
    // "Plumeo t" typed, then 'r' instead of 'y'; the stop came before the backspace.
    session.send(document, 8);
    document.type(u"r");
    session.pendingTypo = ResumeCandidate{8, u"r"};

    const LocateResult result = locate();
    EXPECT_EQ(result, LocateResult::exact({8, u"r"}, start() + unitOffset(8) + 1));
    expectFinishesCleanly(result.candidate, session.anchor);
}

TEST_F(ResumeScenario, ATypoStandsAndTheUserEditedTheHeading) {
    session.send(document, 8);
    document.type(u"r");
    session.pendingTypo = ResumeCandidate{8, u"r"};
    document.replace(0, 9, u"Q3");

    const LocateResult result = locate();
    ASSERT_EQ(result.kind, LocateResult::Kind::uniqueContext);
    EXPECT_EQ(result.candidate, (ResumeCandidate{8, u"r"}));
    EXPECT_EQ(result.cursor, document.cursor());
    EXPECT_EQ(result.newAnchor.regionStart, start() - 7);
    expectFinishesCleanly(result.candidate, result.newAnchor);
}

TEST_F(ResumeScenario, WordAutocorrectedAWordInTheMiddleOfTheTypedText) {
    session.send(document, 60);
    session.confirmedUnits = 50;
    // "(c)" became "©" while typing went on.
    const int symbol = start() + utf16Count(u"Plumeo types this article ");
    ASSERT_EQ(document.text().substr(symbol, 3), u"(c)");
    document.replace(symbol, 3, u"\u00A9");

    const LocateResult result = locate();
    ASSERT_EQ(result.kind, LocateResult::Kind::anchoredRegion);
    EXPECT_EQ(result.candidate, (ResumeCandidate{60, {}}));
    EXPECT_TRUE(result.altered);
    EXPECT_EQ(result.cursor, document.cursor());
    EXPECT_EQ(result.newAnchor.regionStart, start());
    EXPECT_EQ(result.newAnchor.after, kAfter);
    expectFinishesCleanly(result.candidate, result.newAnchor);
}

TEST_F(ResumeScenario, TheUserTypedBeforeTheInsertionPoint) {
    session.send(document, 60);
    session.confirmedUnits = 55;
    document.replace(16, 0, u"Draft: ");

    const LocateResult result = locate();
    ASSERT_EQ(result.kind, LocateResult::Kind::uniqueContext);
    EXPECT_EQ(result.candidate, (ResumeCandidate{60, {}}));
    EXPECT_EQ(result.cursor, document.cursor());
    EXPECT_EQ(result.newAnchor.regionStart, start() + 7);
    expectFinishesCleanly(result.candidate, result.newAnchor);
    const InsertionRange region = result.newAnchor.insertionRange(text.count(), text);
    EXPECT_EQ(region.from, start() + 7);
    EXPECT_EQ(document.text().substr(region.from, region.to - region.from), text.fullWordString());
}

TEST_F(ResumeScenario, TheAfterTextWasEditedInsideItsContext) {
    session.send(document, 60);
    session.confirmedUnits = 50;
    FakeWordDocument editedFurther = document;
    // 40 units in: inside the context the locator takes, outside the one a cursor is checked
    // against.
    document.replace(document.cursor() + 40, 1, u"#");
    EXPECT_EQ(locate(), LocateResult::notFound());
    const auto validated = ResumeLocator::validateCursor(
        document.text(), document.cursor(), session.anchor, text, session.candidates());
    ASSERT_TRUE(validated);
    EXPECT_EQ(validated->candidate, (ResumeCandidate{60, {}}));
    EXPECT_EQ(validated->anchor.regionStart, start());
    expectFinishesCleanly(validated->candidate, validated->anchor);

    // 5 units in, the cursor cannot be confirmed either.
    editedFurther.replace(editedFurther.cursor() + 5, 1, u"#");
    EXPECT_EQ(ResumeLocator::validateCursor(editedFurther.text(), editedFurther.cursor(),
                                            session.anchor, text, session.candidates()),
              std::nullopt);
}

// The session types a boilerplate paragraph into a document that holds it several times over;
// once the document no longer matches exactly, the context fits more than one place.
TEST(ResumeScenarioRepeats, ARepeatedParagraphIsAmbiguousUntilTheCursorSettlesIt) {
    const std::u16string boilerplate =
        u"This paragraph is company boilerplate and appears in every report.\r";
    const PreparedText text = TextPreparer::prepare(boilerplate + u"Now the new part.");
    FakeWordDocument document(boilerplate + boilerplate + boilerplate + u"Signed, the author.",
                              utf16Count(boilerplate));
    SessionRecord session{text, document};
    const int paragraphUnits = text.unitCountEndingAtOffset(utf16Count(boilerplate)).value();
    session.send(document, paragraphUnits);
    session.confirmedUnits = paragraphUnits - 4;
    const int typedEnd = document.cursor();
    document.replace(utf16Count(document.text()) - 7, 6, u"editor");

    EXPECT_EQ(ResumeLocator::locate(document.text(), session.anchor, text, session.candidates()),
              LocateResult::ambiguous(2));

    const auto validated = ResumeLocator::validateCursor(document.text(), typedEnd, session.anchor,
                                                         text, session.candidates());
    ASSERT_TRUE(validated);
    EXPECT_EQ(validated->candidate, (ResumeCandidate{paragraphUnits, {}}));
    finishFrom(validated->candidate, text, document);
    EXPECT_EQ(document.text(), validated->anchor.expectedDocument(text.count(), u"", text));
}

} // namespace
} // namespace plumeo
