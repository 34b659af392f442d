#include "app/entry/BackendChoice.h"
#include "tests/support/SimulatorFixture.h"

using namespace plumeo;
using namespace plumeo::entry;

using ReadySimulatedWord = plumeo::testing::SimulatorFixture;

TEST_F(ReadySimulatedWord, StartsWordInFrontAndSwitchesAutoCorrectOffOnlyWhenAsked) {
    control().quitWord();
    readySimulatedWord(control(), AutoCorrectPolicy::wordDefaults);
    nlohmann::json state = control().dump();
    ASSERT_TRUE(control().wordPid().has_value());
    EXPECT_EQ(state["frontmostPid"], *control().wordPid());
    EXPECT_EQ(state["word"]["documents"].size(), 1u);
    EXPECT_EQ(state["autoCorrect"]["replaceQuotes"], true);

    readySimulatedWord(control(), AutoCorrectPolicy::allOff);
    state = control().dump();
    EXPECT_EQ(state["word"]["documents"].size(), 1u) << "a second document was opened";
    for (const auto& [name, on] : state["autoCorrect"].items())
        EXPECT_EQ(on, false) << name;
}
