#include "core/text/AutocorrectRisk.h"
#include "core/text/Utf16.h"

#include <gtest/gtest.h>

namespace plumeo {
namespace {

using Risks = std::vector<AutocorrectRisk>;

bool has(std::u16string_view text, AutocorrectRisk risk) {
    const Risks risks = analyzeAutocorrectRisks(text);
    return std::find(risks.begin(), risks.end(), risk) != risks.end();
}

TEST(AutocorrectRiskTest, PlainChineseAndEmptyTextAreSafe) {
    EXPECT_TRUE(analyzeAutocorrectRisks(u"").empty());
    EXPECT_TRUE(
        analyzeAutocorrectRisks(u"今天天气很好。我们去公园散步吧！\n第二段，没有英文。").empty());
}

TEST(AutocorrectRiskTest, ReportsQuotesAndApostrophes) {
    EXPECT_EQ(analyzeAutocorrectRisks(u"He said \"Yes\"."), Risks{AutocorrectRisk::straightQuotes});
    EXPECT_EQ(analyzeAutocorrectRisks(u"Don't stop"), Risks{AutocorrectRisk::straightQuotes});
    EXPECT_FALSE(has(u"Don\u2019t stop", AutocorrectRisk::straightQuotes));
}

TEST(AutocorrectRiskTest, FindsSymbolSequencesInAnyCase) {
    EXPECT_TRUE(has(u"Brand (TM) and (C)", AutocorrectRisk::symbolSequence));
    for (const char16_t* text : {u"A -> B", u"x <= y <- z", u"=>", u"Smile :)", u"(r)"})
        EXPECT_TRUE(has(text, AutocorrectRisk::symbolSequence)) << toUtf8(text);
    EXPECT_FALSE(has(u"(d) and (t m)", AutocorrectRisk::symbolSequence));
    EXPECT_TRUE(has(u"a--b", AutocorrectRisk::doubleHyphen));
    EXPECT_TRUE(has(u"a - b", AutocorrectRisk::doubleHyphen));
    EXPECT_FALSE(has(u"well-known", AutocorrectRisk::doubleHyphen));
    EXPECT_TRUE(has(u"Scored 11/20", AutocorrectRisk::fraction));
    EXPECT_FALSE(has(u"2/3 and 1/3", AutocorrectRisk::fraction));
    EXPECT_TRUE(has(u"Wait...", AutocorrectRisk::ellipsis));
    EXPECT_FALSE(has(u"Wait\u2026 ..", AutocorrectRisk::ellipsis));
}

TEST(AutocorrectRiskTest, RecognisesListMarkersAtLineStarts) {
    struct Case {
        std::u16string text;
        bool risk;
    };
    const Case cases[] = {
        {u"Intro\n  - Item", true},
        {u"Intro\n\t- Item", false}, // only spaces are skipped
        {u"1. Item", true},
        {u"X\r12) Item", true},
        {u"X\u2029* Item", true},
        {u"> Quote", true},
        {u"\u2022 Bullet", true},
        {u"999.\tItem", true},
        {u"1234. Item", false},
        {u"1.Item", false},
        {u"a. Item", false},
        {u"Number 1.", false},
        {u"1.", false},
        {u"Text\u20281. Item", false}, // a manual line break does not start a line here
        {u"-Item", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(has(c.text, AutocorrectRisk::listMarker), c.risk) << toUtf8(c.text);
}

TEST(AutocorrectRiskTest, FollowsSentenceStartsLineByLine) {
    struct Case {
        std::u16string text;
        bool risk;
    };
    const Case cases[] = {
        {u"iPhone is here", true},
        {u"Hello world. the end", true},
        {u"Hello world.  Two spaces. Then", false},
        {u"Pi is 3.14 or e.g.so", false},
        {u"As in e.g. this", true},         // a space after the last full stop opens a sentence
        {u"\u4E2D\u6587\u3002next", false}, // only . ! ? end a sentence
        {u"Done!\nok", true},
        {u"Why? why", true},
        {u"\"quoted\" start", false},
        {u"   indented", true},
        // A letter that shares its character with a combining or spacing mark, a joiner or an
        // emoji modifier is not a plain ASCII letter.
        {u"e\u0301clair", false},
        {u"a\u0903 b", false},
        {u"Fine. a\u200Dx", false},
        {u"a\U0001F3FB", false},
        {u"1 apple", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(has(c.text, AutocorrectRisk::lowercaseSentenceStart), c.risk) << toUtf8(c.text);
}

TEST(AutocorrectRiskTest, DetectsAddressesAfterLowerCasing) {
    EXPECT_TRUE(has(u"Visit WWW.EXAMPLE.COM today", AutocorrectRisk::urlLike));
    EXPECT_TRUE(has(u"See HTTPS://x", AutocorrectRisk::urlLike));
    EXPECT_FALSE(has(u"See example.com", AutocorrectRisk::urlLike));
}

TEST(AutocorrectRiskTest, ReportsInDeclarationOrderOnce) {
    const Risks risks = analyzeAutocorrectRisks(
        u"www.a.com... lower start\n- item 1/2 (c) -- \"q\" again (tm) 3/4 --");
    EXPECT_EQ(risks, Risks(allAutocorrectRisks.begin(), allAutocorrectRisks.end()));
}

TEST(AutocorrectRiskTest, WarningsRoundTripAsRawValues) {
    for (const AutocorrectRisk risk : allAutocorrectRisks) {
        EXPECT_EQ(autocorrectRiskFromRawValue(rawValue(risk)), risk);
        EXPECT_FALSE(settingLabel(risk).empty());
    }
    EXPECT_EQ(autocorrectRiskFromRawValue("straightQuotes"), std::nullopt);
}

} // namespace
} // namespace plumeo
