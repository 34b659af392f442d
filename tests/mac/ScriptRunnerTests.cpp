#include "mac/script/ScriptRunner.h"
#include "mac/script/ThreadJobQueue.h"
#include "tests/mac/FakeBackend.h"

#include <atomic>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <pthread.h>
#include <set>
#include <thread>

namespace plumeo {
namespace {

using testing::FakeBackend;
using testing::FakeCompiledScript;

ScriptResult integerResult(std::int32_t value) {
    return ScriptResult::success(ScriptDescriptor::makeInteger(value));
}

// Counts calls in a script property: shows whether a compiled script survives between calls.
ScriptResult countCalls(FakeCompiledScript& script, const std::vector<ScriptParameter>&) {
    return integerResult(static_cast<std::int32_t>(++script.properties["calls"]));
}

class ScriptRunnerTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeBackend> backend = std::make_shared<FakeBackend>();

    std::unique_ptr<ScriptRunner> makeRunner(ScriptInstancePolicy policy) {
        return std::make_unique<ScriptRunner>(backend, "on docstate()\nend docstate", "Plumeo.Test",
                                              policy);
    }
};

TEST(ScriptErrorTest, DescriptionsAndEquality) {
    EXPECT_EQ(ScriptError::compile("语法错误").description(), "脚本编译失败：语法错误");
    EXPECT_EQ(ScriptError::script(-1712, "timed out").description(),
              "AppleScript 错误 -1712：timed out");
    EXPECT_STREQ(ScriptError::script(-1712, "m").what(), "AppleScript 错误 -1712：m");
    EXPECT_EQ(ScriptError::compile("x").code(), -1);
    EXPECT_EQ(ScriptError::script(-1, "x"), ScriptError::script(-1, "x"));
    EXPECT_FALSE(ScriptError::script(-1, "x") == ScriptError::compile("x"));
    EXPECT_FALSE(ScriptError::script(-1728, "x") == ScriptError::script(-1728, "y"));
}

TEST(ThreadJobQueueTest, RunsJobsInOrderOnOneNamedWorker) {
    std::vector<int> order;
    std::set<std::thread::id> threads;
    std::string threadName;
    {
        ThreadJobQueue queue("Plumeo.Queue");
        EXPECT_EQ(queue.name(), "Plumeo.Queue");
        for (int i = 0; i < 200; ++i) {
            queue.enqueue([&, i] {
                order.push_back(i);
                threads.insert(std::this_thread::get_id());
            });
        }
        queue.enqueue([&] {
            char name[16] = {};
            pthread_getname_np(pthread_self(), name, sizeof name);
            threadName = name;
        });
        // Destruction lets the queued jobs finish before the worker ends.
    }
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    }
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
    EXPECT_EQ(threadName, "Plumeo.Queue");
}

TEST_F(ScriptRunnerTest, HandlerNameIsLowercasedAndParametersAreStringsThenIntegers) {
    backend->setScriptHandler("readrange", [](FakeCompiledScript&, const auto&) {
        return ScriptResult::success(ScriptDescriptor::makeString(u"text"));
    });
    auto runner = makeRunner(ScriptInstancePolicy::reuseCompiled);

    const ScriptDescriptor result = runner->call("ReadRange", {u"a", u"b"}, {3, 4});

    EXPECT_EQ(result.stringValue(), u"text");
    const auto calls = backend->scriptCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].handlerName, "readrange");
    const std::vector<ScriptParameter> expected{u"a", u"b", std::int32_t{3}, std::int32_t{4}};
    EXPECT_EQ(calls[0].parameters, expected);
    EXPECT_NE(calls[0].thread, std::this_thread::get_id()) << "must run on the worker";
}

TEST_F(ScriptRunnerTest, IntegersOutsideThirtyTwoBitsAreRefusedBeforeAnythingRuns) {
    backend->setScriptHandler("placecursor",
                              [](FakeCompiledScript&, const auto&) { return integerResult(1); });
    auto runner = makeRunner(ScriptInstancePolicy::reuseCompiled);

    for (std::int64_t value : {std::int64_t{2147483648}, std::int64_t{-2147483649}}) {
        try {
            runner->call("placecursor", {u"doc"}, {value});
            ADD_FAILURE() << "accepted " << value;
        } catch (const ScriptError& error) {
            EXPECT_EQ(error.kind(), ScriptError::Kind::script);
        }
    }
    EXPECT_EQ(backend->compileCount(), 0);
    EXPECT_TRUE(backend->scriptCalls().empty());

    // The bounds themselves still go through.
    EXPECT_EQ(runner->call("placecursor", {2147483647, -2147483648}).int32Value(), 1);
}

TEST_F(ScriptRunnerTest, HandlerFailuresCarryNumberAndMessageWithDefaults) {
    backend->setScriptHandler("docstate", [](FakeCompiledScript&, const auto&) {
        return ScriptResult::failure(-1728, "Can’t get document 1.");
    });
    backend->setScriptHandler("readall", [](FakeCompiledScript&, const auto&) {
        return ScriptResult::failure(std::nullopt, std::nullopt);
    });
    auto runner = makeRunner(ScriptInstancePolicy::reuseCompiled);

    try {
        runner->call("docstate", {});
        ADD_FAILURE() << "no error";
    } catch (const ScriptError& error) {
        EXPECT_EQ(error, ScriptError::script(-1728, "Can’t get document 1."));
    }
    try {
        runner->call("readall", {u""}, {});
        ADD_FAILURE() << "no error";
    } catch (const ScriptError& error) {
        EXPECT_EQ(error, ScriptError::script(-1, ""));
    }
}

TEST_F(ScriptRunnerTest, CompileFailuresAreNeverCachedAndNameTheirCause) {
    backend->setScriptHandler("docstate", countCalls);
    auto runner = makeRunner(ScriptInstancePolicy::reuseCompiled);

    auto compileError = [&] {
        try {
            runner->call("docstate", {});
        } catch (const ScriptError& error) {
            return error;
        }
        return ScriptError::script(0, "no error");
    };

    backend->setCompileFailure(ScriptCompilation::Status::notCompiled, "Expected end of line.",
                               -2741);
    EXPECT_EQ(compileError(), ScriptError::compile("Expected end of line.", -2741));
    EXPECT_EQ(compileError().code(), -2741) << "the compiler's number is kept";
    backend->setCompileFailure(ScriptCompilation::Status::notCompiled);
    EXPECT_EQ(compileError(), ScriptError::compile("编译失败"));
    backend->setCompileFailure(ScriptCompilation::Status::notCreated);
    EXPECT_EQ(compileError(), ScriptError::compile("无法创建脚本"));
    EXPECT_EQ(backend->compileCount(), 4) << "every call tries to compile again";
    EXPECT_TRUE(backend->scriptCalls().empty());

    backend->setCompileFailure(std::nullopt);
    EXPECT_EQ(runner->call("docstate", {}).int32Value(), 1);
    EXPECT_EQ(backend->compileCount(), 5);
}

TEST_F(ScriptRunnerTest, ReusedScriptKeepsItsStateAndFreshOneNever) {
    backend->setScriptHandler("counter", countCalls);
    auto reused = makeRunner(ScriptInstancePolicy::reuseCompiled);
    auto fresh = makeRunner(ScriptInstancePolicy::freshPerCall);

    EXPECT_EQ(reused->call("counter", {}).int32Value(), 1);
    EXPECT_EQ(reused->call("counter", {}).int32Value(), 2);
    EXPECT_EQ(reused->call("counter", {}).int32Value(), 3);
    EXPECT_EQ(backend->compileCount(), 1);

    EXPECT_EQ(fresh->call("counter", {}).int32Value(), 1);
    EXPECT_EQ(fresh->call("counter", {}).int32Value(), 1);
    EXPECT_EQ(backend->compileCount(), 3);
}

TEST_F(ScriptRunnerTest, AJobThatEndsWithoutAResultReportsNotExecuted) {
    backend->setScriptHandler("docstate", [](FakeCompiledScript&, const auto&) -> ScriptResult {
        throw std::runtime_error("backend broke");
    });
    auto runner = makeRunner(ScriptInstancePolicy::reuseCompiled);

    try {
        runner->call("docstate", {});
        ADD_FAILURE() << "no error";
    } catch (const ScriptError& error) {
        EXPECT_EQ(error, ScriptError::compile("未执行"));
    }
    // The worker survives and serves the next call.
    backend->setScriptHandler("docstate", countCalls);
    EXPECT_EQ(runner->call("docstate", {}).int32Value(), 1);
}

TEST_F(ScriptRunnerTest, ConcurrentCallersAreServedOneAtATimeOnOneThread) {
    std::atomic<int> running{0};
    std::atomic<int> maxRunning{0};
    backend->setScriptHandler("echo", [&](FakeCompiledScript&, const auto& parameters) {
        const int now = ++running;
        maxRunning = std::max(maxRunning.load(), now);
        std::this_thread::yield();
        --running;
        return integerResult(std::get<std::int32_t>(parameters.at(0)));
    });
    auto runner = makeRunner(ScriptInstancePolicy::reuseCompiled);

    constexpr int threadCount = 4;
    constexpr int callsPerThread = 50;
    std::vector<std::thread> callers;
    std::atomic<int> wrongAnswers{0};
    for (int t = 0; t < threadCount; ++t) {
        callers.emplace_back([&, t] {
            for (int i = 0; i < callsPerThread; ++i) {
                const int value = t * 1000 + i;
                if (runner->call("echo", {value}).int32Value() != value) {
                    ++wrongAnswers;
                }
            }
        });
    }
    for (auto& caller : callers) {
        caller.join();
    }

    EXPECT_EQ(wrongAnswers, 0) << "each caller gets its own result";
    EXPECT_EQ(maxRunning, 1) << "calls overlapped";
    std::set<std::thread::id> workers;
    for (const auto& call : backend->scriptCalls()) {
        workers.insert(call.thread);
    }
    EXPECT_EQ(workers.size(), 1u);
    EXPECT_EQ(backend->scriptCalls().size(), std::size_t{threadCount * callsPerThread});
}

TEST_F(ScriptRunnerTest, DifferentRunnersRunInParallel) {
    // The first runner's handler waits until the second runner has answered; with a shared
    // thread this would never finish.
    std::promise<void> secondAnswered;
    auto secondDone = secondAnswered.get_future().share();
    backend->setScriptHandler("wait", [&](FakeCompiledScript&, const auto&) {
        secondDone.wait();
        return integerResult(1);
    });
    backend->setScriptHandler("quick",
                              [](FakeCompiledScript&, const auto&) { return integerResult(2); });
    auto first = makeRunner(ScriptInstancePolicy::reuseCompiled);
    auto second = makeRunner(ScriptInstancePolicy::reuseCompiled);

    auto waiting = std::async(std::launch::async, [&] { return first->call("wait", {}); });
    EXPECT_EQ(second->call("quick", {}).int32Value(), 2);
    secondAnswered.set_value();
    EXPECT_EQ(waiting.get().int32Value(), 1);
}

} // namespace
} // namespace plumeo
