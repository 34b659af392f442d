#include "tests/trials/StopTrials.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace plumeo::trials {
namespace {

std::string problemsOf(const RunSummary& summary) {
    std::ostringstream out;
    for (const TrialResult* r : summary.withProblems()) {
        out << "seed " << r->seed << " (" << name(r->moment) << "):";
        for (const auto& problem : r->problems)
            out << "\n  " << problem;
        out << "\n";
    }
    return out.str();
}

RunOptions ciRun(int trials, std::uint64_t seed, int raceEvery) {
    RunOptions options;
    options.trials = trials;
    options.seed = seed;
    options.jobs = 2;
    options.raceEvery = raceEvery;
    options.onTrappedPost = [](const std::string& what) { ADD_FAILURE() << what; };
    return options;
}

TEST(PlumeoStopTrials, SingleStopsAtEveryMomentPostNothingAfterwardsAndFollowTheTable) {
    const RunSummary summary = runStopTrials(ciRun(240, 20261206, 0));

    std::map<StopMoment, int> moments;
    for (const auto& r : summary.results)
        ++moments[r.moment];
    for (StopMoment moment : {StopMoment::post, StopMoment::wait, StopMoment::checkpoint,
                              StopMoment::typo, StopMoment::resume, StopMoment::finalVerification})
        EXPECT_GE(moments[moment], 10) << name(moment) << " was hardly tried";
    EXPECT_EQ(summary.reached(TrialKind::single), 240) << "some stop moments never came";
    EXPECT_EQ(summary.postsAfterStop(TrialKind::single), 0);
    EXPECT_EQ(summary.trappedPosts(TrialKind::single), 0);
    EXPECT_TRUE(summary.withProblems().empty()) << problemsOf(summary);
}

TEST(PlumeoStopTrials, RacingStopsKeepTheFirstRecordedReason) {
    const RunSummary summary = runStopTrials(ciRun(90, 777, 1));

    EXPECT_EQ(summary.count(TrialKind::race), 90);
    EXPECT_EQ(summary.reached(TrialKind::race), 90);
    EXPECT_EQ(summary.postsAfterStop(TrialKind::race), 0);
    EXPECT_EQ(summary.trappedPosts(TrialKind::race), 0);
    EXPECT_TRUE(summary.withProblems().empty()) << problemsOf(summary);
    for (const auto& r : summary.results)
        EXPECT_TRUE(r.winner.has_value()) << "seed " << r.seed;
}

} // namespace
} // namespace plumeo::trials
