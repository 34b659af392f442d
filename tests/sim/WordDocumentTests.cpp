#include "sim/model/WordDocument.h"

#include <gtest/gtest.h>

using namespace plumeo::sim;

// Word's editing and its AutoCorrect as you type, as far as no whole session goes through
// them: sessions keep AutoCorrect off or steer clear of its rules, except for the dash.

namespace {

/// Types `pieces` one key event each, as the engine sends them, and returns the story without
/// its final mark.
std::u16string typed(std::initializer_list<std::u16string_view> pieces,
                     const AutoCorrectOptions& options = {}) {
    WordDocument doc("d");
    for (auto piece : pieces)
        doc.typeText(piece, options);
    EXPECT_EQ(doc.selectionStart(), doc.storyLength() - 1);
    return doc.story().substr(0, doc.story().size() - 1);
}

std::u16string typedChars(std::u16string_view text, const AutoCorrectOptions& options = {}) {
    WordDocument doc("d");
    for (char16_t unit : text)
        doc.typeText(std::u16string(1, unit), options);
    return doc.story().substr(0, doc.story().size() - 1);
}

AutoCorrectOptions withoutSentenceCaps() {
    AutoCorrectOptions options;
    options.correctSentenceCaps = false;
    return options;
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
}

TEST(WordDocumentEditing, DeleteRemovesASurrogatePairWholeAndTheSelectionFirst) {
    WordDocument doc("d");
    doc.setContent(u"a\U0001F600", 3);
    EXPECT_TRUE(doc.deleteBackward());
    EXPECT_EQ(doc.story(), u"a\r");
    doc.setContent(u"abc", 3);
    doc.setSelection(0, 2);
    EXPECT_TRUE(doc.deleteBackward());
    EXPECT_EQ(doc.story(), u"c\r");
    EXPECT_FALSE(doc.deleteBackward()) << "nothing before the start of the story";
}

TEST(WordDocumentEditing, ProtectedDocumentIgnoresTyping) {
    WordDocument doc("d");
    doc.setContent(u"keep", 4);
    doc.setProtection(allowOnlyReading);
    EXPECT_FALSE(doc.typeText(u"x", {}));
    EXPECT_FALSE(doc.deleteBackward());
    EXPECT_EQ(doc.story(), u"keep\r");
}

TEST(WordAutoCorrect, QuotesDashesEntriesFractionsAndEllipsis) {
    EXPECT_EQ(typedChars(u"\"Hi\" it's 'x'"), u"\u201CHi\u201D it\u2019s \u2018x\u2019");
    const AutoCorrectOptions options = withoutSentenceCaps();
    EXPECT_EQ(typedChars(u"a--b ", options), u"a\u2014b ");
    EXPECT_EQ(typedChars(u"a--b", options), u"a--b") << "no boundary yet";
    EXPECT_EQ(typedChars(u"x - y ", options), u"x \u2013 y ");
    EXPECT_EQ(typedChars(u"(c) (tm) a -> b => c ", options), u"\u00A9 \u2122 a \u2192 b \u21D2 c ");
    EXPECT_EQ(typedChars(u"wait... :)", options), u"wait\u2026 \u263A");
    EXPECT_EQ(typedChars(u"1/2 3/4 11/20 ", options), u"\u00BD \u00BE 11/20 ");
    EXPECT_EQ(typedChars(u"a *bold* ", options), u"a *bold* ") << "emphasis is off by default";
    EXPECT_EQ(typedChars(u"\"hi\" (c) a--b ", AutoCorrectOptions::allOff()), u"\"hi\" (c) a--b ");
}

TEST(WordAutoCorrect, ReplacementMovesTheCursorBack) {
    WordDocument doc("d");
    for (char16_t unit : std::u16string_view(u"a--b "))
        doc.typeText(std::u16string(1, unit), withoutSentenceCaps());
    EXPECT_EQ(doc.selectionStart(), 4) << "five keys sent, four units landed";
}

TEST(WordAutoCorrect, SentenceAndInitialCapitals) {
    EXPECT_EQ(typedChars(u"hello world. the end? yes!\rnext 3.14 e"),
              u"Hello world. The end? Yes!\rNext 3.14 e");
    EXPECT_EQ(typedChars(u"TWo words "), u"Two words ");
    EXPECT_EQ(typedChars(u"\u4E2D\u6587abc "), u"\u4E2D\u6587abc ") << "not a sentence start";
}

TEST(WordAutoCorrect, ListMarkersAtAParagraphStartBecomeFormatting) {
    EXPECT_EQ(typedChars(u"1. Item\r2) Next\r* dot\r- dash\r"), u"Item\rNext\rDot\rDash\r");
    EXPECT_EQ(typedChars(u"x 1. y"), u"X 1. y") << "only at a paragraph start";
    EXPECT_EQ(typedChars(u"1234. Big"), u"1234. Big");
}

TEST(WordAutoCorrect, MultiUnitStrokesKeepEmojiWholeAndStillCorrect) {
    EXPECT_EQ(typed({u"ok\U0001F600", u" ", u"a--b", u" "}), u"Ok\U0001F600 a\u2014b ");
    EXPECT_EQ(typed({u"\u4E2D\u6587\uFF0C\u6807\u70B9\u3002"}),
              u"\u4E2D\u6587\uFF0C\u6807\u70B9\u3002");
}
