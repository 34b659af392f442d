#include "core/text/TextPreparer.h"
#include "tests/trials/StopTrials.h"
#include "tests/trials/TrialPorts.h"

#include <future>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <thread>

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

// The exactness of every check above rests on these.

TEST(PlumeoStopTrials, ClockReadingsAreDistinctAndOrderedAcrossThreads) {
    StrictClock clock;
    constexpr int perThread = 20000;
    std::vector<std::vector<double>> readings(4);
    std::vector<std::thread> threads;
    for (auto& mine : readings)
        threads.emplace_back([&clock, &mine] {
            for (int i = 0; i < perThread; ++i)
                mine.push_back(clock.now());
        });
    for (auto& thread : threads)
        thread.join();
    std::set<double> all;
    for (const auto& mine : readings) {
        EXPECT_TRUE(std::is_sorted(mine.begin(), mine.end()));
        all.insert(mine.begin(), mine.end());
    }
    EXPECT_EQ(all.size(), readings.size() * perThread) << "two readings were equal";

    // The tally tells a caller whether, and at what reading, a call it made read the clock.
    StrictClock::resetThreadTally();
    EXPECT_EQ(StrictClock::threadTally().readings, 0);
    const double taken = clock.now();
    EXPECT_EQ(StrictClock::threadTally().readings, 1);
    EXPECT_EQ(StrictClock::threadTally().last, taken);
}

TEST(PlumeoStopTrials, PostsCountAfterARecordedStopUntilItIsCleared) {
    const std::vector<double> posts = {1.0, 2.0, 3.0, 4.0, 5.0, 6.0};
    // A stop recorded at 2.0 and cleared by resuming at 4.5, then one recorded at 5.5.
    EXPECT_EQ(postsInside(posts, {{2.0, 4.5}}), 2);
    EXPECT_EQ(postsInside(posts, {{2.0, 4.5}, {5.5, std::nullopt}}), 3);
    EXPECT_EQ(postsInside(posts, {{6.0, std::nullopt}}), 0) << "the bounds are exclusive";
    EXPECT_EQ(postsInside(posts, {{0.5, std::nullopt}, {1.5, std::nullopt}}), 6)
        << "a post inside two windows counts once";
    EXPECT_EQ(postsInside(posts, {}), 0);
}

TEST(PlumeoStopTrials, LiveTrapReportsAPostAfterTheFenceAtOnce) {
    auto clock = std::make_shared<StrictClock>();
    auto word = std::make_shared<test::FakeWordProcessor>();
    TrialPorts ports(word, clock);
    std::vector<std::string> reports;
    ports.setViolationHandler([&](const std::string& what) { reports.push_back(what); });

    ports.post(KeyStroke::typeText(u"a"), 1);
    ports.setFence(clock->now());
    EXPECT_TRUE(reports.empty());
    ports.post(KeyStroke::typeText(u"b"), 1);
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(ports.liveViolations(), 1);
    // A later, looser fence never moves the first one.
    ports.setFence(clock->now() + 100);
    ports.post(KeyStroke::typeText(u"c"), 1);
    EXPECT_EQ(ports.liveViolations(), 2);
    ports.clearFence();
    ports.post(KeyStroke::typeText(u"d"), 1);
    EXPECT_EQ(ports.liveViolations(), 2);
    EXPECT_EQ(word->document(), u"abcd") << "the trap reports; it does not swallow strokes";
    EXPECT_EQ(ports.postTimes().size(), 4u);
}

/// A paced session on the trial ports, for checking the trigger and the barrier themselves.
struct PortedSession {
    std::shared_ptr<StrictClock> clock = std::make_shared<StrictClock>();
    std::shared_ptr<test::FakeWordProcessor> word = std::make_shared<test::FakeWordProcessor>();
    std::shared_ptr<TrialPorts> ports = std::make_shared<TrialPorts>(word, clock);
    std::shared_ptr<TypingEngine> engine;

    PortedSession() {
        TypingEngineOptions options;
        options.text = TextPreparer::prepare(u"abcdefghijklmnop");
        options.settings = ModeSettings::make(TypingMode::stable, 30000, false, 0);
        options.sink = ports;
        options.guardian = ports;
        options.reader = ports;
        options.documentID = "doc-1";
        options.clock = clock;
        engine = TypingEngine::create(std::move(options));
        engine->setSettleWindow(0.002);
        engine->setPollInterval(0.0005);
        ports->attach(engine);
    }
};

TEST(PlumeoStopTrials, BarrierHoldsTheWorkerUntilTheRequestHasBeenMade) {
    PortedSession session;
    std::thread requester;
    std::promise<void> made;
    auto madeFuture = made.get_future().share();
    Trigger trigger;
    trigger.call = PortCall::quickCheck;
    trigger.phase = SessionPhase::Kind::typing;
    trigger.occurrence = 3;
    session.ports->arm(
        trigger,
        [&] {
            requester = std::thread([&] {
                // Late on purpose: without the barrier the worker would type on meanwhile.
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                session.engine->requestPause(StopReason::userPause());
                made.set_value();
            });
        },
        [madeFuture] { madeFuture.wait(); });
    session.engine->start();
    ASSERT_TRUE(session.engine->waitUntilIdle(10));
    requester.join();

    const auto witness = session.ports->witness();
    ASSERT_TRUE(witness.fired);
    EXPECT_EQ(witness.atTrigger, SessionPhase::typing());
    EXPECT_EQ(witness.atBarrier, SessionPhase::typing());
    // Stroke 3 may still go out after its check; the fourth check waited for the request.
    EXPECT_LE(session.ports->postTimes().size(), 3u);
    EXPECT_EQ(session.engine->snapshot().phase, SessionPhase::paused(StopReason::userPause()));
}

TEST(PlumeoStopTrials, GuardObjectionIsRecordedByTheWorkersNextReading) {
    PortedSession session;
    session.ports->objectAtCheck(2, StopReason::dialogOpened("对话框"));
    session.engine->start();
    ASSERT_TRUE(session.engine->waitUntilIdle(10));

    const auto stop = session.engine->snapshot().lastStop;
    ASSERT_TRUE(stop.has_value());
    const auto witness = session.ports->witness();
    ASSERT_TRUE(witness.afterObjection.has_value());
    EXPECT_EQ(*witness.afterObjection, stop->requestedAt);
    EXPECT_EQ(session.ports->postTimes().size(), 1u);
    EXPECT_LT(session.ports->postTimes().front(), stop->requestedAt);
}

TEST(PlumeoStopTrials, PrescribedPhaseFallsBackWhenTheTableRejectsTheStop) {
    // Only the engine's fallback; the table itself has its own tests.
    const SessionPhase paused = SessionPhase::paused(StopReason::userPause());
    EXPECT_EQ(prescribedPhase(paused, StopReason::dialogOpened("x")),
              SessionPhase::paused(StopReason::dialogOpened("x")));
    EXPECT_EQ(prescribedPhase(paused, StopReason::wordTerminated()),
              SessionPhase::cancelled(StopReason::wordTerminated()));
    EXPECT_EQ(prescribedPhase(SessionPhase::verifying(), StopReason::userCancel()),
              SessionPhase::failed(StopReason::userCancel()));
}

} // namespace
} // namespace plumeo::trials
