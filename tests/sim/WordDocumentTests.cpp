#include "sim/model/WordDocument.h"

#include <gtest/gtest.h>

using namespace plumeo::sim;

namespace {

/// Types `pieces` one key event each, as the engine sends them, and returns the story without
/// its final mark.
std::u16string typed(std::initializer_list<std::u16string_view> pieces,
                     const AutoCorrectOptions& options = {}) {
    WordDocument doc("d");
    for (auto piece : pieces) {
        doc.typeText(piece, options);
    }
    EXPECT_EQ(doc.story().back(), u'\r');
    EXPECT_EQ(doc.selectionStart(), doc.storyLength() - 1);
    return doc.story().substr(0, doc.story().size() - 1);
}

std::u16string typedChars(std::u16string_view text, const AutoCorrectOptions& options = {}) {
    WordDocument doc("d");
    for (char16_t unit : text) {
        doc.typeText(std::u16string(1, unit), options);
    }
    return doc.story().substr(0, doc.story().size() - 1);
}

} // namespace

TEST(WordDocumentEditing, TextReplacesTheSelectionAndNeverPassesTheFinalMark) {
    WordDocument doc("d");
    doc.setContent(u"abcdef", 0);
    doc.setSelection(1, 3);
    doc.typeText(u"X", AutoCorrectOptions::allOff());
    EXPECT_EQ(doc.story(), u"aXdef\r");
    EXPECT_EQ(doc.selectionStart(), 2);

    doc.setSelection(99, 120);
    EXPECT_EQ(doc.selectionStart(), 5);
    EXPECT_EQ(doc.selectionEnd(), 5);
    doc.setSelection(4, 2);
    EXPECT_EQ(doc.selectionStart(), 4);
    EXPECT_EQ(doc.selectionEnd(), 4) << "start is set first, so a smaller end collapses";
}

TEST(WordDocumentEditing, DeleteRemovesASurrogatePairWholeAndTheSelectionFirst) {
    WordDocument doc("d");
    doc.setContent(u"a\U0001F600", 3);
    EXPECT_TRUE(doc.deleteBackward());
    EXPECT_EQ(doc.story(), u"a\r");
    EXPECT_EQ(doc.selectionStart(), 1);

    doc.setContent(u"abc", 3);
    doc.setSelection(0, 2);
    EXPECT_TRUE(doc.deleteBackward());
    EXPECT_EQ(doc.story(), u"c\r");
    EXPECT_EQ(doc.selectionStart(), 0);
    EXPECT_FALSE(doc.deleteBackward()) << "nothing before the start of the story";
}

TEST(WordDocumentEditing, ProtectedDocumentIgnoresTyping) {
    WordDocument doc("d");
    doc.setContent(u"keep", 4);
    doc.setProtection(allowOnlyReading);
    EXPECT_FALSE(doc.typeText(u"x", {}));
    EXPECT_FALSE(doc.deleteBackward());
    EXPECT_EQ(doc.story(), u"keep\r");
    doc.setProtection(noProtection);
    EXPECT_TRUE(doc.typeText(u"!", {}));
}

TEST(WordDocumentEditing, TrackedRevisionsCountEachSeparateEdit) {
    WordDocument doc("d");
    doc.setContent(u"0123456789", 10);
    doc.setTrackRevisions(true);
    doc.typeText(u"a", {});
    doc.typeText(u"b", {});
    EXPECT_EQ(doc.revisionCount(), 1) << "continued typing is one revision";
    doc.setSelection(2, 2);
    doc.typeText(u"c", {});
    EXPECT_EQ(doc.revisionCount(), 2);
    doc.setTrackRevisions(false);
    doc.typeText(u"d", {});
    EXPECT_EQ(doc.revisionCount(), 2);
}

TEST(WordAutoCorrect, QuotesCurlByTheirNeighbour) {
    EXPECT_EQ(typedChars(u"\"Hi\" it's 'x'"), u"\u201CHi\u201D it\u2019s \u2018x\u2019");
    AutoCorrectOptions straight;
    straight.replaceQuotes = false;
    straight.correctSentenceCaps = false;
    EXPECT_EQ(typedChars(u"\"hi\"", straight), u"\"hi\"");
}

TEST(WordAutoCorrect, DashesAppearWhenTheFollowingWordEnds) {
    AutoCorrectOptions options;
    options.correctSentenceCaps = false;
    EXPECT_EQ(typedChars(u"a--b ", options), u"a\u2014b ");
    EXPECT_EQ(typedChars(u"a--b", options), u"a--b") << "no boundary yet";
    EXPECT_EQ(typedChars(u"x - y ", options), u"x \u2013 y ");
    EXPECT_EQ(typedChars(u"--- ", options), u"--- ");
    options.replaceSymbols = false;
    EXPECT_EQ(typedChars(u"a--b ", options), u"a--b ");
}

TEST(WordAutoCorrect, EntriesFractionsAndEllipsis) {
    AutoCorrectOptions options;
    options.correctSentenceCaps = false;
    EXPECT_EQ(typedChars(u"(c) (R) (tm) ", options), u"\u00A9 \u00AE \u2122 ");
    EXPECT_EQ(typedChars(u"a -> b => c <- ", options), u"a \u2192 b \u21D2 c \u2190 ");
    EXPECT_EQ(typedChars(u"wait... :)", options), u"wait\u2026 \u263A");
    EXPECT_EQ(typedChars(u"1/2 3/4 11/20 ", options), u"\u00BD \u00BE 11/20 ");
    options.replaceText = false;
    EXPECT_EQ(typedChars(u"(c) ", options), u"(c) ");
}

TEST(WordAutoCorrect, ReplacementMovesTheCursorBack) {
    WordDocument doc("d");
    AutoCorrectOptions options;
    options.correctSentenceCaps = false;
    for (char16_t unit : std::u16string_view(u"a--b ")) {
        doc.typeText(std::u16string(1, unit), options);
    }
    EXPECT_EQ(doc.selectionStart(), 4) << "five keys sent, four units landed";
}

TEST(WordAutoCorrect, SentenceAndInitialCapitals) {
    EXPECT_EQ(typedChars(u"hello world. the end? yes!\rnext 3.14 e"),
              u"Hello world. The end? Yes!\rNext 3.14 e");
    EXPECT_EQ(typedChars(u"TWo words "), u"Two words ");
    EXPECT_EQ(typedChars(u"\u4E2D\u6587abc "), u"\u4E2D\u6587abc ") << "not a sentence start";
    AutoCorrectOptions noCaps;
    noCaps.correctSentenceCaps = false;
    noCaps.correctInitialCaps = false;
    EXPECT_EQ(typedChars(u"hello TWo ", noCaps), u"hello TWo ");
}

TEST(WordAutoCorrect, ListMarkersAtAParagraphStartBecomeFormatting) {
    EXPECT_EQ(typedChars(u"1. Item\r2) Next\r* dot\r- dash\r"), u"Item\rNext\rDot\rDash\r");
    EXPECT_EQ(typedChars(u"x 1. y"), u"X 1. y") << "only at a paragraph start";
    EXPECT_EQ(typedChars(u"1234. Big"), u"1234. Big");
    AutoCorrectOptions noLists;
    noLists.applyNumberedLists = false;
    noLists.applyBulletedLists = false;
    EXPECT_EQ(typedChars(u"1. Item\r- x", noLists), u"1. Item\r- x");
}

TEST(WordAutoCorrect, MultiUnitStrokesKeepEmojiWholeAndStillCorrect) {
    EXPECT_EQ(typed({u"ok\U0001F600", u" ", u"a--b", u" "}), u"Ok\U0001F600 a\u2014b ");
    EXPECT_EQ(typed({u"\u4E2D\u6587\uFF0C\u6807\u70B9\u3002"}),
              u"\u4E2D\u6587\uFF0C\u6807\u70B9\u3002");
}

TEST(WordAutoCorrect, EmphasisOnlyWhenSwitchedOn) {
    EXPECT_EQ(typedChars(u"a *bold* "), u"A *bold* ");
    AutoCorrectOptions options;
    options.replacePlainTextEmphasis = true;
    EXPECT_EQ(typedChars(u"a *bold* ", options), u"A bold ");
}

TEST(WordAutoCorrect, OptionsByName) {
    AutoCorrectOptions options;
    EXPECT_EQ(options.named().size(), 11u);
    EXPECT_TRUE(options.set("replaceFractions", false));
    EXPECT_FALSE(options.replaceFractions);
    EXPECT_FALSE(options.set("noSuchOption", true));
    for (const auto& [name, on] : AutoCorrectOptions::allOff().named()) {
        EXPECT_FALSE(on) << name;
    }
}
