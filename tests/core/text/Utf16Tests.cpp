#include "core/text/Utf16.h"

#include <gtest/gtest.h>

using namespace plumeo;

TEST(Utf16Slice, ClampsReversedAndOutOfRangeBounds) {
    const std::u16string text = u"hello";
    EXPECT_EQ(utf16Slice(text, 5, 2), u"");
    EXPECT_EQ(utf16Slice(text, -3, 2), u"he");
    EXPECT_EQ(utf16Slice(text, 3, 99), u"lo");
    EXPECT_EQ(utf16Slice(text, 99, 100), u"");
}

TEST(Utf16Slice, ReplacesSplitSurrogateHalves) {
    const std::u16string grin = u"\U0001F600";
    EXPECT_EQ(utf16Slice(grin, 0, 1), u"\uFFFD");
    EXPECT_EQ(utf16Slice(grin, 1, 2), u"\uFFFD");
    EXPECT_EQ(utf16Slice(grin, 0, 2), grin);
    EXPECT_EQ(utf16Slice(u"a\U0001F600b", 0, 2), u"a\uFFFD");
}

TEST(Utf8Conversion, RoundTripsEveryPlane) {
    const std::string utf8 = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";
    const std::u16string utf16 = toUtf16(utf8);
    EXPECT_EQ(utf16, u"a\u00E9\u4E2D\U0001F600");
    EXPECT_EQ(toUtf8(utf16), utf8);
}

TEST(Utf8Conversion, RejectsInvalidInputWithItsOffset) {
    const std::string invalid[] = {
        "ab\xC0\xAF",       // overlong slash
        "\xED\xA0\x80",     // encoded surrogate
        "\xF4\x90\x80\x80", // above U+10FFFF
        "x\xE4\xB8",        // truncated
        "\x80",             // stray continuation byte
    };
    for (const auto& bytes : invalid)
        EXPECT_THROW(toUtf16(bytes), Utf8Error) << bytes.size();
    try {
        toUtf16("ab\xFF");
        FAIL();
    } catch (const Utf8Error& error) {
        EXPECT_EQ(error.byteOffset(), 2u);
    }
}

TEST(Utf8Conversion, LoneSurrogatesBecomeReplacementCharacters) {
    const std::u16string lone = {u'a', char16_t(0xD800), u'b'};
    EXPECT_EQ(toUtf8(lone), "a\xEF\xBF\xBD"
                            "b");
}
