#include "core/text/TextPreparer.h"
#include "core/verify/DocumentAnchor.h"

#include <gtest/gtest.h>

namespace plumeo {
namespace {

TEST(DocumentAnchor, InitialSplitsTheDocumentAtTheInsertionPoint) {
    const DocumentAnchor anchor = DocumentAnchor::initial(u"Hello world", 5);
    EXPECT_EQ(anchor.before, u"Hello");
    EXPECT_EQ(anchor.after, u" world");
    EXPECT_EQ(anchor.baseUnit, 0);
    EXPECT_EQ(anchor.regionStart, 5);

    const DocumentAnchor atEnd = DocumentAnchor::initial(u"abc", 3);
    EXPECT_EQ(atEnd.before, u"abc");
    EXPECT_EQ(atEnd.after, u"");
}

TEST(DocumentAnchor, InitialClampsAnOffsetOutsideTheDocument) {
    const DocumentAnchor beyond = DocumentAnchor::initial(u"abc", 10);
    EXPECT_EQ(beyond.before, u"abc");
    EXPECT_EQ(beyond.after, u"");
    EXPECT_EQ(beyond.regionStart, 3);

    const DocumentAnchor negative = DocumentAnchor::initial(u"abc", -4);
    EXPECT_EQ(negative.before, u"");
    EXPECT_EQ(negative.after, u"abc");
    EXPECT_EQ(negative.regionStart, 0);
}

// Positions count UTF-16 units, so an astral character moves the cursor by two.
TEST(DocumentAnchor, CursorAndExpectedDocumentFollowUnitOffsetsFromTheBaseUnit) {
    const PreparedText text = TextPreparer::prepare(u"a\U0001F600b\u4E2D");
    DocumentAnchor anchor{u"<<", u">>", 1, 1};

    EXPECT_EQ(anchor.cursorOffset(1, text), 2);
    EXPECT_EQ(anchor.cursorOffset(2, text), 4);
    EXPECT_EQ(anchor.cursorOffset(4, text), 6);
    EXPECT_EQ(anchor.expectedDocument(1, u"", text), u"<<>>");
    EXPECT_EQ(anchor.expectedDocument(3, u"", text), u"<<\U0001F600b>>");
    EXPECT_EQ(anchor.expectedDocument(2, u"x", text), u"<<\U0001F600x>>");
    EXPECT_EQ(anchor.insertionRange(3, text), (InsertionRange{1, 5}));
}

TEST(DocumentAnchor, InsertionRangeNeverEndsBeforeItStarts) {
    const PreparedText text = TextPreparer::prepare(u"abcdef");
    const DocumentAnchor anchor{u"0123", u"", 3, 4};
    EXPECT_EQ(anchor.insertionRange(3, text), (InsertionRange{4, 4}));
    EXPECT_EQ(anchor.insertionRange(1, text), (InsertionRange{4, 4}));
}

// Anchors survive edits and resumes; indexes that no longer fit the text must not be trusted.
TEST(DocumentAnchor, InconsistentUnitIndexesAreClampedToTheText) {
    const PreparedText text = TextPreparer::prepare(u"abc");
    const DocumentAnchor beyond{u"[", u"]", 7, 1};
    EXPECT_EQ(beyond.expectedDocument(9, u"", text), u"[]");
    EXPECT_EQ(beyond.cursorOffset(9, text), 1);

    const DocumentAnchor negative{u"[", u"]", -2, 1};
    EXPECT_EQ(negative.expectedDocument(2, u"", text), u"[ab]");
    EXPECT_EQ(negative.cursorOffset(-5, text), 1);
    // An upTo below the base unit contributes no units.
    const DocumentAnchor later{u"[", u"]", 2, 1};
    EXPECT_EQ(later.expectedDocument(1, u"!", text), u"[!]");

    const PreparedText empty;
    EXPECT_EQ(later.cursorOffset(3, empty), 1);
    EXPECT_EQ(later.expectedDocument(3, u"", empty), u"[]");
}

} // namespace
} // namespace plumeo
