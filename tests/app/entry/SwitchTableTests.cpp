#include "app/entry/SwitchTable.h"

#include <gtest/gtest.h>

using namespace plumeo::entry;

namespace {

std::optional<HeadlessJob> jobFor(std::vector<std::string> arguments) {
    const auto found = findHeadlessSwitch(arguments);
    return found ? std::optional(found->job) : std::nullopt;
}

} // namespace

TEST(SwitchTable, ASwitchWithoutItsValuesIsAbsentAndTheSearchGoesOn) {
    // The last argument has no value after it: the window application starts.
    EXPECT_EQ(jobFor({"--status"}), std::nullopt);
    EXPECT_EQ(jobFor({"--demo", "--status"}), std::nullopt);
    // "--selftest name" lacks its directory, so the later "--status" wins.
    EXPECT_EQ(jobFor({"--status", "out", "--selftest", "name"}), HeadlessJob::status);
    // A later occurrence that has its value still counts.
    const auto found = findHeadlessSwitch({"--probe-pages", "a", "--probe-pages"});
    ASSERT_TRUE(found);
    EXPECT_EQ(found->reportDirectory(), "a");
}

TEST(SwitchTable, TheFirstSwitchOfTheTableWinsWhateverTheArgumentOrder) {
    EXPECT_EQ(jobFor({"--status", "s", "--probe", "p"}), HeadlessJob::probe);
    EXPECT_EQ(jobFor({"--request-permissions", "r", "--cleanup-test-docs", "c"}),
              HeadlessJob::cleanupTestDocs);
    const auto selftest = findHeadlessSwitch({"--selftest", "basic", "out"});
    ASSERT_TRUE(selftest);
    EXPECT_EQ(selftest->values, (std::vector<std::string>{"basic", "out"}));
    EXPECT_EQ(selftest->reportDirectory(), "out");
}

TEST(SwitchTable, OptionValuesFollowTheSameRule) {
    EXPECT_EQ(optionValue({"--ui-snapshot"}, "--ui-snapshot"), std::nullopt);
    EXPECT_EQ(optionValue({"--appearance", "dark", "--ui-snapshot", "d"}, "--ui-snapshot"), "d");
}
