#include "core/text/DecodingError.h"
#include "core/text/ModeSettings.h"

#include <gtest/gtest.h>

namespace plumeo {
namespace {

// A seed replays a session, so all 64 bits must survive; a record missing a field or holding
// one of the wrong type is refused rather than filled in.
TEST(ModeSettingsTest, RoundTripsEverySeedBitAndRejectsIncompleteOrMistypedRecords) {
    const ModeSettings withSeed{TypingMode::stable, 300, false, 0, 0xFFFFFFFFFFFFFFFFULL};
    EXPECT_EQ(decodeModeSettings(toJson(withSeed).dump()), withSeed);
    const ModeSettings withoutSeed{TypingMode::natural, 240, true, 0.05, std::nullopt};
    EXPECT_EQ(decodeModeSettings(toJson(withoutSeed).dump()), withoutSeed);

    const nlohmann::ordered_json valid = toJson(withSeed);
    for (const char* key : {"mode", "unitsPerMinute", "typoEnabled", "typoRate"}) {
        nlohmann::ordered_json incomplete = valid;
        incomplete.erase(key);
        EXPECT_THROW(decodeModeSettings(incomplete.dump()), DecodingError) << key;
    }
    const std::pair<const char*, nlohmann::ordered_json> corruptions[] = {
        {"mode", "turbo"},  {"mode", 1},  {"unitsPerMinute", "300"},
        {"typoEnabled", 0}, {"seed", -1}, {"seed", 1.5},
    };
    for (const auto& [key, value] : corruptions) {
        nlohmann::ordered_json corrupt = valid;
        corrupt[key] = value;
        EXPECT_THROW(decodeModeSettings(corrupt.dump()), DecodingError) << key << " = " << value;
    }
}

} // namespace
} // namespace plumeo
