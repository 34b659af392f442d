#include "core/text/DecodingError.h"
#include "core/text/ModeSettings.h"
#include "core/text/PacingProfile.h"

#include <gtest/gtest.h>

namespace plumeo {
namespace {

TEST(TypingModeTest, RawValuesRoundTripAndRejectEverythingElse) {
    for (const TypingMode mode : allTypingModes)
        EXPECT_EQ(typingModeFromRawValue(rawValue(mode)), mode);
    EXPECT_EQ(rawValue(TypingMode::natural), "natural");
    using namespace std::string_view_literals;
    for (const std::string_view raw : {""sv, "Stable"sv, "slow"sv, "fast "sv, "natural\0"sv})
        EXPECT_EQ(typingModeFromRawValue(raw), std::nullopt) << raw;
}

TEST(PacingProfileTest, OnlyTheFastModeAdaptsAndSkipsParagraphCheckpoints) {
    for (const TypingMode mode : allTypingModes) {
        const PacingProfile profile = PacingProfile::forMode(mode);
        EXPECT_EQ(profile.adaptive, mode == TypingMode::fast);
        EXPECT_EQ(profile.checkpointAtParagraph, mode != TypingMode::fast);
    }
}

TEST(ModeSettingsTest, StoresTheModeDefaultOnlyWhenNoSpeedIsGiven) {
    EXPECT_EQ(ModeSettings::make(TypingMode::natural, std::nullopt, false, 0.02).unitsPerMinute,
              200);
    EXPECT_EQ(ModeSettings::make(TypingMode::natural, 5000, false, 0.02).unitsPerMinute, 5000);
    EXPECT_EQ(ModeSettings::make(TypingMode::fast, std::nullopt, true, 0.5, 9),
              (ModeSettings{TypingMode::fast, 6000, true, 0.5, 9}));
    EXPECT_FALSE(ModeSettings::speedRange.contains(ModeSettings::defaultSpeed(TypingMode::fast)));
    EXPECT_TRUE(ModeSettings::speedRange.contains(30));
    EXPECT_TRUE(ModeSettings::speedRange.contains(1200));
}

TEST(ModeSettingsTest, EncodesKeysInOrderAndTheSeedOnlyWhenPresent) {
    const ModeSettings withoutSeed{TypingMode::natural, 240, true, 0.05, std::nullopt};
    EXPECT_EQ(toJson(withoutSeed).dump(),
              R"({"mode":"natural","unitsPerMinute":240.0,"typoEnabled":true,"typoRate":0.05})");

    const ModeSettings withSeed{TypingMode::stable, 300, false, 0, 0xFFFFFFFFFFFFFFFFULL};
    EXPECT_EQ(toJson(withSeed).dump(), R"({"mode":"stable","unitsPerMinute":300.0,)"
                                       R"("typoEnabled":false,"typoRate":0.0,)"
                                       R"("seed":18446744073709551615})");
    EXPECT_EQ(decodeModeSettings(toJson(withSeed).dump()), withSeed);
    EXPECT_EQ(decodeModeSettings(toJson(withoutSeed).dump()), withoutSeed);
    EXPECT_EQ(nlohmann::json(withSeed).get<ModeSettings>(), withSeed);
}

TEST(ModeSettingsTest, DecodesWithoutClampingAndAcceptsAbsentOrNullSeed) {
    const ModeSettings decoded = decodeModeSettings(
        R"({"typoRate":7,"seed":null,"typoEnabled":false,"unitsPerMinute":1,"mode":"fast"})");
    EXPECT_EQ(decoded, (ModeSettings{TypingMode::fast, 1, false, 7, std::nullopt}));
}

TEST(ModeSettingsTest, RejectsIncompleteOrMistypedRecords) {
    const char* bad[] = {
        R"({"mode":"turbo","unitsPerMinute":300,"typoEnabled":false,"typoRate":0})",
        R"({"unitsPerMinute":300,"typoEnabled":false,"typoRate":0})",
        R"({"mode":"stable","typoEnabled":false,"typoRate":0})",
        R"({"mode":"stable","unitsPerMinute":300,"typoRate":0})",
        R"({"mode":"stable","unitsPerMinute":300,"typoEnabled":false})",
        R"({"mode":"stable","unitsPerMinute":"300","typoEnabled":false,"typoRate":0})",
        R"({"mode":"stable","unitsPerMinute":300,"typoEnabled":0,"typoRate":0})",
        R"({"mode":1,"unitsPerMinute":300,"typoEnabled":false,"typoRate":0})",
        R"({"mode":"stable","unitsPerMinute":300,"typoEnabled":false,"typoRate":0,"seed":-1})",
        R"({"mode":"stable","unitsPerMinute":300,"typoEnabled":false,"typoRate":0,"seed":1.5})",
        R"(["stable",300,false,0])",
        R"({"mode":"stable",)",
    };
    for (const char* json : bad)
        EXPECT_THROW(decodeModeSettings(json), DecodingError) << json;
}

} // namespace
} // namespace plumeo
