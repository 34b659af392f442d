#include "core/text/TextPreparer.h"
#include "core/text/Utf16.h"

#include <gtest/gtest.h>

namespace plumeo {
namespace {

std::vector<UnitKind> kinds(const PreparedText& text) {
    std::vector<UnitKind> result;
    for (const TypeUnit& unit : text.units)
        result.push_back(unit.kind);
    return result;
}

PreparationError preparationErrorFor(std::u16string_view article) {
    try {
        TextPreparer::prepare(article);
    } catch (const PreparationError& error) {
        return error;
    }
    ADD_FAILURE() << "article was accepted";
    return PreparationError::empty();
}

/// The invariants every prepared text must satisfy, whatever the article.
void expectWellFormed(const PreparedText& text) {
    ASSERT_EQ(text.offsets.size(), text.units.size() + 1);
    EXPECT_EQ(text.offsets.front(), 0);
    for (std::size_t i = 0; i < text.units.size(); ++i) {
        const TypeUnit& unit = text.units[i];
        EXPECT_LT(text.offsets[i], text.offsets[i + 1]) << "unit " << i;
        EXPECT_EQ(text.offsets[i + 1] - text.offsets[i], unit.wordLength());
        if (unit.kind != UnitKind::text) {
            EXPECT_TRUE(unit.eventChunks().empty());
            continue;
        }
        std::u16string joined;
        for (const std::u16string_view chunk : unit.eventChunks()) {
            EXPECT_FALSE(chunk.empty());
            EXPECT_LE(chunk.size(), static_cast<std::size_t>(KeyStroke::maxUnicodeLength));
            EXPECT_FALSE(isLowSurrogate(chunk.front())) << "chunk splits a scalar in unit " << i;
            EXPECT_FALSE(isHighSurrogate(chunk.back())) << "chunk splits a scalar in unit " << i;
            joined += chunk;
        }
        EXPECT_EQ(joined, unit.wordText) << "unit " << i;
    }
    EXPECT_EQ(text.totalWordLength(), text.stats.wordUTF16Length);
    EXPECT_EQ(text.stats.units, text.count());
    EXPECT_EQ(text.fullWordString().size(), static_cast<std::size_t>(text.totalWordLength()));
}

TEST(TextPreparerTest, BreaksBecomeSingleWordProcessorCharacters) {
    const PreparedText crlf = TextPreparer::prepare(u"a\r\nb");
    EXPECT_EQ(kinds(crlf), (std::vector{UnitKind::text, UnitKind::paragraphBreak, UnitKind::text}));
    EXPECT_EQ(crlf.offsets, (std::vector{0, 1, 2, 3}));
    EXPECT_EQ(crlf.fullWordString(), u"a\rb");

    const PreparedText mixed = TextPreparer::prepare(u"1\n2\r3\u20294\u20285\v6\t7");
    EXPECT_EQ(mixed.fullWordString(), u"1\r2\r3\r4\v5\v6\t7");
    EXPECT_EQ(mixed.units[7].kind, UnitKind::lineBreak);
    EXPECT_EQ(mixed.units[9].kind, UnitKind::lineBreak);
    EXPECT_EQ(mixed.units[11].kind, UnitKind::tab);
    EXPECT_EQ(mixed.stats.paragraphs, 4);
    expectWellFormed(mixed);

    EXPECT_EQ(mixed.units[1].strokes(), std::vector{KeyStroke::returnKey()});
    EXPECT_EQ(mixed.units[7].strokes(), std::vector{KeyStroke::shiftReturn()});
    EXPECT_EQ(mixed.units[11].strokes(), std::vector{KeyStroke::tab()});
    EXPECT_EQ(mixed.units[0].strokes(), std::vector{KeyStroke::typeText(u"1")});
}

TEST(TextPreparerTest, NothingIsTrimmedOrNormalised) {
    const std::u16string article = u"  a \t\n\n\ne\u0301 ";
    const PreparedText text = TextPreparer::prepare(article);
    EXPECT_EQ(text.fullWordString(), u"  a \t\r\r\re\u0301 ");
    EXPECT_EQ(text.units[8].wordText, u"e\u0301");
}

TEST(TextPreparerTest, CountsParagraphsAndEmptyOnes) {
    struct Case {
        std::u16string article;
        int paragraphs;
        int emptyParagraphs;
    };
    const Case cases[] = {
        {u"a\n\n\nb", 4, 2},
        {u"abc\n", 2, 1},
        {u"abc", 1, 0},
        {u"a\n\t\nb", 3, 1},          // a line holding only a tab
        {u"\u2028\n", 2, 2},          // line breaks alone do not make a paragraph non-empty
        {u"a\u2028b\u2028\nc", 2, 0}, // line breaks stay inside the paragraph
        {u" ", 1, 0},                 // a space is text
    };
    for (const Case& c : cases) {
        const PreparedText text = TextPreparer::prepare(c.article);
        EXPECT_EQ(text.stats.paragraphs, c.paragraphs) << toUtf8(c.article);
        EXPECT_EQ(text.stats.emptyParagraphs, c.emptyParagraphs) << toUtf8(c.article);
    }
}

TEST(TextPreparerTest, RejectsControlCharactersWithTheirPosition) {
    for (const char16_t control : {u'\f', u'\0', u'\x7F', u'\x85', u'\x1B'}) {
        std::u16string article = u"ab";
        article.push_back(control);
        const PreparationError error = preparationErrorFor(article);
        EXPECT_EQ(error.kind(), PreparationError::Kind::unsupportedCharacter);
        EXPECT_EQ(error.scalar(), static_cast<std::uint32_t>(control));
        EXPECT_EQ(error.graphemeIndex(), 2);
        EXPECT_EQ(error.line(), 1);
    }

    // Positions count over the whole article, breaks included; lines start at every break.
    const PreparationError formFeed = preparationErrorFor(u"abcde\nfghijkl\f");
    EXPECT_EQ(formFeed, PreparationError::unsupportedCharacter(0xC, 13, 2));
    EXPECT_EQ(formFeed.description(),
              "第 2 行（第 14 个字）包含不支持的控制字符 U+000C，请删除后再开始。");
    EXPECT_STREQ(formFeed.what(), formFeed.description().c_str());

    EXPECT_EQ(preparationErrorFor(u"a\u2028b\vc\r\nd\x01"),
              PreparationError::unsupportedCharacter(1, 7, 4));
}

TEST(TextPreparerTest, RejectsUnpairedSurrogates) {
    std::u16string lowFirst = u"x";
    lowFirst.push_back(char16_t(0xDC00));
    EXPECT_EQ(preparationErrorFor(lowFirst), PreparationError::unsupportedCharacter(0xDC00, 1, 1));

    std::u16string highLast = u"\n";
    highLast.push_back(char16_t(0xD83D));
    EXPECT_EQ(preparationErrorFor(highLast), PreparationError::unsupportedCharacter(0xD83D, 1, 2));
}

TEST(TextPreparerTest, RejectsTheEmptyArticle) {
    const PreparationError error = preparationErrorFor(u"");
    EXPECT_EQ(error.kind(), PreparationError::Kind::empty);
    EXPECT_EQ(error.description(), "文章为空。");
}

TEST(TextPreparerTest, CutsLongClustersIntoEventChunksAtScalarBoundaries) {
    const PreparedText emoji = TextPreparer::prepare(u"\U0001F600");
    ASSERT_EQ(emoji.count(), 1);
    EXPECT_EQ(emoji.units[0].wordLength(), 2);
    EXPECT_EQ(emoji.units[0].eventChunks().size(), 1u);

    // Four people joined by three zero-width joiners: 11 UTF-16 units, still one event.
    const PreparedText family =
        TextPreparer::prepare(u"\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466");
    ASSERT_EQ(family.count(), 1);
    EXPECT_EQ(family.units[0].wordLength(), 11);
    EXPECT_EQ(family.units[0].eventChunks().size(), 1u);

    std::u16string stacked = u"a";
    stacked.append(20, u'\u0301');
    const PreparedText marks = TextPreparer::prepare(stacked);
    ASSERT_EQ(marks.count(), 1);
    ASSERT_EQ(marks.units[0].eventChunks().size(), 2u);
    EXPECT_EQ(marks.units[0].eventChunks()[0].size(), 16u);
    EXPECT_EQ(marks.units[0].eventChunks()[1].size(), 5u);
    EXPECT_EQ(marks.units[0].strokes().size(), 2u);

    // Supplementary combining marks: a pair that would cross the limit moves to the next chunk.
    std::u16string tremolo = u"a";
    for (int i = 0; i < 9; ++i)
        tremolo += u"\U0001D167";
    const PreparedText pairs = TextPreparer::prepare(tremolo);
    ASSERT_EQ(pairs.count(), 1);
    ASSERT_EQ(pairs.units[0].eventChunks().size(), 2u);
    EXPECT_EQ(pairs.units[0].eventChunks()[0].size(), 15u);
    EXPECT_EQ(pairs.units[0].eventChunks()[1].size(), 4u);
    expectWellFormed(pairs);
}

TEST(TextPreparerTest, FindsUnitCountsOnlyAtUnitBoundaries) {
    const PreparedText text = TextPreparer::prepare(u"\U0001F600a");
    EXPECT_EQ(text.unitCountEndingAtOffset(0), 0);
    EXPECT_EQ(text.unitCountEndingAtOffset(1), std::nullopt);
    EXPECT_EQ(text.unitCountEndingAtOffset(2), 1);
    EXPECT_EQ(text.unitCountEndingAtOffset(3), 2);
    EXPECT_EQ(text.unitCountEndingAtOffset(4), std::nullopt);
    EXPECT_EQ(text.unitCountEndingAtOffset(-1), std::nullopt);

    EXPECT_EQ(text.wordString(1, 2), u"a");
    EXPECT_EQ(text.wordString(1, 1), u"");
}

TEST(TextPreparerTest, CountsGraphemesIdeographsAndLatinWords) {
    const PreparedText greeting = TextPreparer::prepare(u"Hello, world! 中文");
    EXPECT_EQ(greeting.stats.latinWords, 2);
    EXPECT_EQ(greeting.stats.cjkCharacters, 2);
    EXPECT_EQ(greeting.stats.graphemes, 16);

    struct Case {
        std::u16string article;
        int latinWords;
    };
    const Case cases[] = {
        {u"don't e-mail abc123", 3},
        {u"123abc", 1},
        {u"don\u2019t", 2}, // the typographic apostrophe ends the word
        {u"中文，没有单词。", 0},
        {u"na\u00EFve cafe\u0301", 2},
        {u"\u03B1\u03B2\u03B3", 0}, // Greek lies beyond the Latin blocks
        {u"a\tb\u2028c\nd", 4},
        {u"x\u00B2y", 1}, // a superscript digit has a numeric type
        {u"a.b", 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextPreparer::prepare(c.article).stats.latinWords, c.latinWords)
            << toUtf8(c.article);

    // CJK punctuation and full-width forms are not ideographs; extension B ones are.
    const PreparedText cjk = TextPreparer::prepare(u"。「Ａ」\U00020000\u3400\uF900");
    EXPECT_EQ(cjk.stats.cjkCharacters, 3);
    EXPECT_EQ(cjk.stats.graphemes, 7);
}

TEST(TextPreparerTest, ClassifiesTypoCandidates) {
    const PreparedText text = TextPreparer::prepare(u"aZ1的鑫\U0001F600 ");
    EXPECT_TRUE(text.units[0].isASCIILetter());
    EXPECT_TRUE(text.units[1].isASCIILetter());
    EXPECT_FALSE(text.units[2].isASCIILetter());
    EXPECT_FALSE(text.units[0].isTypoableHanzi());
    EXPECT_TRUE(text.units[3].isTypoableHanzi());
    EXPECT_FALSE(text.units[4].isTypoableHanzi());
    EXPECT_FALSE(text.units[5].isTypoableHanzi());
    EXPECT_FALSE(text.units[6].isASCIILetter());
}

TEST(TextPreparerTest, MixedArticleIsWellFormed) {
    // Format characters and every kind of space are accepted as text.
    const std::u16string article =
        u"a\u200Db\u200Bc\uFEFF\u00A0\u3000\u2003\v\r\n"
        u"第一段：Hello, world!\r\n\U0001F1E8\U0001F1F3 flags, "
        u"\U0001F3F4\U000E0067\U000E0062\U000E0065\U000E006E\U000E0067\U000E007F\t"
        u"e\u0301\u0302\u0303\u2028ก\u0e33\n\n\u0915\u094D\u0937\u093F 結束。";
    const PreparedText text = TextPreparer::prepare(article);
    expectWellFormed(text);
    EXPECT_EQ(text.unitCountEndingAtOffset(text.totalWordLength()), text.count());
}

} // namespace
} // namespace plumeo
