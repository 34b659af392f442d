#include "platform/script/ScriptRunner.h"
#include "platform/script/ThreadJobQueue.h"
#include "tests/platform/FakeBackend.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace plumeo {
namespace {

using testing::FakeBackend;
using testing::FakeCompiledScript;

ScriptResult integerResult(std::int32_t value) {
    return ScriptResult::success(ScriptDescriptor::makeInteger(value));
}

class ScriptRunnerTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeBackend> backend = std::make_shared<FakeBackend>();

    std::unique_ptr<ScriptRunner> makeRunner() {
        return std::make_unique<ScriptRunner>(backend, "on docstate()\nend docstate", "Plumeo.Test",
                                              ScriptInstancePolicy::reuseCompiled);
    }
    ScriptError errorOf(ScriptRunner& runner, std::string_view handler) {
        try {
            runner.call(handler, {});
        } catch (const ScriptError& error) {
            return error;
        }
        ADD_FAILURE() << "no error";
        return ScriptError::script(0, "no error");
    }
};

TEST(ThreadJobQueueTest, RunsJobsInOrderAndFinishesThemBeforeGoingAway) {
    std::vector<int> order;
    {
        ThreadJobQueue queue("Plumeo.Queue");
        for (int i = 0; i < 200; ++i)
            queue.enqueue([&order, i] { order.push_back(i); });
    }
    ASSERT_EQ(order.size(), 200u);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

// A wrapped-around integer would address another place in the document.
TEST_F(ScriptRunnerTest, IntegersOutsideThirtyTwoBitsAreRefusedBeforeAnythingRuns) {
    backend->setScriptHandler("placecursor",
                              [](FakeCompiledScript&, const auto&) { return integerResult(1); });
    auto runner = makeRunner();
    for (std::int64_t value : {std::int64_t{2147483648}, std::int64_t{-2147483649}})
        EXPECT_THROW(runner->call("placecursor", {u"doc"}, {value}), ScriptError) << value;
    EXPECT_EQ(backend->compileCount(), 0);
    EXPECT_EQ(runner->call("placecursor", {2147483647, -2147483648}).int32Value(), 1);
}

TEST_F(ScriptRunnerTest, FailuresAreNeverCachedAndTheWorkerSurvivesThem) {
    backend->setScriptHandler("docstate", [](FakeCompiledScript&, const auto&) -> ScriptResult {
        throw std::runtime_error("backend broke");
    });
    auto runner = makeRunner();
    backend->setCompileFailure(ScriptCompilation::Status::notCompiled, "Expected end of line.",
                               -2741);
    EXPECT_EQ(errorOf(*runner, "docstate").code(), -2741) << "the compiler's number is kept";
    backend->setCompileFailure(std::nullopt);
    EXPECT_EQ(errorOf(*runner, "docstate"), ScriptError::compile("未执行"));
    EXPECT_EQ(backend->compileCount(), 2) << "a failed compilation is tried again";

    backend->setScriptHandler("docstate", [](FakeCompiledScript&, const auto&) {
        return ScriptResult::failure(std::nullopt, std::nullopt);
    });
    EXPECT_EQ(errorOf(*runner, "docstate"), ScriptError::script(-1, ""));
    backend->setScriptHandler("docstate",
                              [](FakeCompiledScript&, const auto&) { return integerResult(7); });
    EXPECT_EQ(runner->call("docstate", {}).int32Value(), 7);
}

// The scripting component is not reentrant: one runner's calls never overlap, whoever makes
// them, while a slow call on one runner never holds up another.
TEST_F(ScriptRunnerTest, OneRunnerServesOneCallAtATimeAndRunnersRunInParallel) {
    std::atomic<int> running{0};
    std::atomic<int> maxRunning{0};
    backend->setScriptHandler("echo", [&](FakeCompiledScript&, const auto& parameters) {
        const int now = ++running;
        maxRunning = std::max(maxRunning.load(), now);
        std::this_thread::yield();
        --running;
        return integerResult(std::get<std::int32_t>(parameters.at(0)));
    });
    auto runner = makeRunner();
    std::vector<std::thread> callers;
    std::atomic<int> wrongAnswers{0};
    for (int t = 0; t < 4; ++t)
        callers.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i)
                if (runner->call("echo", {t * 1000 + i}).int32Value() != t * 1000 + i)
                    ++wrongAnswers;
        });
    for (auto& caller : callers)
        caller.join();
    EXPECT_EQ(wrongAnswers, 0) << "each caller gets its own result";
    EXPECT_EQ(maxRunning, 1) << "calls overlapped";

    std::promise<void> secondAnswered;
    auto secondDone = secondAnswered.get_future().share();
    backend->setScriptHandler("wait", [&](FakeCompiledScript&, const auto&) {
        secondDone.wait();
        return integerResult(1);
    });
    auto second = makeRunner();
    auto waiting = std::async(std::launch::async, [&] { return runner->call("wait", {}); });
    EXPECT_EQ(second->call("echo", {2}).int32Value(), 2);
    secondAnswered.set_value();
    EXPECT_EQ(waiting.get().int32Value(), 1);
}

} // namespace
} // namespace plumeo
