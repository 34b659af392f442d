#include "core/text/TextPreparer.h"
#include "core/verify/DocumentAnchor.h"

#include <gtest/gtest.h>

namespace plumeo {
namespace {

TEST(DocumentAnchor, InitialSplitsAtTheInsertionPointClampedToTheDocument) {
    EXPECT_EQ(DocumentAnchor::initial(u"Hello world", 5),
              (DocumentAnchor{u"Hello", u" world", 0, 5}));
    EXPECT_EQ(DocumentAnchor::initial(u"abc", 10), (DocumentAnchor{u"abc", u"", 0, 3}));
    EXPECT_EQ(DocumentAnchor::initial(u"abc", -4), (DocumentAnchor{u"", u"abc", 0, 0}));
}

// Positions count UTF-16 units from the base unit, so an astral character moves the cursor by two.
TEST(DocumentAnchor, PositionsAndExpectedDocumentCountFromTheBaseUnit) {
    const PreparedText text = TextPreparer::prepare(u"a\U0001F600b\u4E2D");
    const DocumentAnchor anchor{u"<<", u">>", 1, 1};
    EXPECT_EQ(anchor.cursorOffset(2, text), 4);
    EXPECT_EQ(anchor.cursorOffset(4, text), 6);
    EXPECT_EQ(anchor.expectedDocument(3, u"", text), u"<<\U0001F600b>>");
    EXPECT_EQ(anchor.expectedDocument(2, u"x", text), u"<<\U0001F600x>>");
    EXPECT_EQ(anchor.insertionRange(3, text), (InsertionRange{1, 5}));
    // The range never ends before it starts, even for a unit before the base.
    EXPECT_EQ(DocumentAnchor({u"0123", u"", 3, 4}).insertionRange(1, text), (InsertionRange{4, 4}));
}

// Anchors outlive edits and resumes; indexes that no longer fit the text must not be trusted.
TEST(DocumentAnchor, UnitIndexesOutsideTheTextAreClamped) {
    const PreparedText text = TextPreparer::prepare(u"abc");
    EXPECT_EQ(DocumentAnchor({u"[", u"]", 7, 1}).expectedDocument(9, u"", text), u"[]");
    EXPECT_EQ(DocumentAnchor({u"[", u"]", 7, 1}).cursorOffset(9, text), 1);
    EXPECT_EQ(DocumentAnchor({u"[", u"]", -2, 1}).expectedDocument(2, u"", text), u"[ab]");
    EXPECT_EQ(DocumentAnchor({u"[", u"]", 2, 1}).expectedDocument(1, u"!", text), u"[!]");
    EXPECT_EQ(DocumentAnchor({u"[", u"]", 2, 1}).cursorOffset(3, PreparedText{}), 1);
}

} // namespace
} // namespace plumeo
