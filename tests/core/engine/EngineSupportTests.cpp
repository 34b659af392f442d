#include "core/engine/ExpectedText.h"
#include "core/engine/TaskQueue.h"
#include "core/engine/TypingEngine.h"
#include "core/text/TextPreparer.h"
#include "core/text/Utf16.h"

#include <future>
#include <gtest/gtest.h>
#include <vector>

namespace plumeo {
namespace {

TEST(ExpectedTextTests, SlicesAgreeWithSlicingTheWholeExpectedDocument) {
    // Surrogate pairs at the edges of all three parts, so every cut is tried.
    const PreparedText text = TextPreparer::prepare(u"😀a😀\n😀");
    DocumentAnchor anchor;
    anchor.before = u"x😀";
    anchor.after = u"😀y";
    for (int base = 0; base <= text.count(); ++base) {
        anchor.baseUnit = base;
        for (int upTo = base; upTo <= text.count(); ++upTo) {
            const std::u16string whole = anchor.expectedDocument(upTo, u"", text);
            const int length = utf16Count(whole);
            for (int from = -2; from <= length + 2; ++from)
                for (int to = -2; to <= length + 2; ++to)
                    ASSERT_EQ(expectedSlice(anchor, text, upTo, from, to),
                              utf16Slice(whole, from, to))
                        << "base " << base << " upTo " << upTo << " [" << from << ", " << to << ")";
        }
    }
}

TEST(AdaptiveIntervalTests, SlowReadBacksBackOffAndQuickOnesCreepBack) {
    const PacingProfile fast = PacingProfile::forMode(TypingMode::fast);
    const double raised = adaptedIntervalMs(1.0, 0.6, fast);
    EXPECT_DOUBLE_EQ(raised, 6.5);
    EXPECT_DOUBLE_EQ(adaptedIntervalMs(raised, 0.1, fast), 5.525);
    EXPECT_DOUBLE_EQ(adaptedIntervalMs(50.0, 3.0, fast), 60.0); // capped
    EXPECT_DOUBLE_EQ(adaptedIntervalMs(1.1, 0.25, fast), 1.0);  // 0.25 s is still quick
    PacingProfile everyUnit = fast;
    everyUnit.checkpointEvery = 0; // treated as 1
    EXPECT_DOUBLE_EQ(adaptedIntervalMs(2.0, 0.3, everyUnit), 60.0);
}

TEST(SerialTaskQueueTests, RunsTasksInOrderAndFinishesThemBeforeGoingAway) {
    std::vector<int> order;
    {
        SerialTaskQueue queue;
        for (int i = 0; i < 100; ++i)
            queue.enqueue([&order, i] { order.push_back(i); });
        queue.drain();
        EXPECT_EQ(order.size(), 100u);
        for (int i = 100; i < 200; ++i)
            queue.enqueue([&order, i] { order.push_back(i); });
    }
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(order[i], i);
}

TEST(SerialTaskQueueTests, TaskMayReleaseTheLastOwnerOfItsQueue) {
    auto queue = std::make_shared<SerialTaskQueue>();
    std::promise<void> done;
    auto* raw = queue.get();
    raw->enqueue([owner = std::move(queue), &done]() mutable {
        owner.reset();
        done.set_value();
    });
    done.get_future().wait();
}

} // namespace
} // namespace plumeo
