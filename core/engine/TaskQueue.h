#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace plumeo {

/// Runs closures asynchronously somewhere else: the application hands the engine its main
/// thread, tests and headless tools a SerialTaskQueue.
class TaskQueue {
public:
    virtual ~TaskQueue() = default;
    /// Queues `task` and returns at once; the task runs later on the queue's own thread.
    virtual void enqueue(std::function<void()> task) = 0;
};

/// A TaskQueue served by one thread of its own, strictly first in, first out. Destroying it
/// runs the tasks still queued, then joins the thread.
class SerialTaskQueue final : public TaskQueue {
public:
    SerialTaskQueue();
    ~SerialTaskQueue() override;
    SerialTaskQueue(const SerialTaskQueue&) = delete;
    SerialTaskQueue& operator=(const SerialTaskQueue&) = delete;

    void enqueue(std::function<void()> task) override;
    /// Blocks until every task queued before the call has run. Must not be called from a task.
    void drain();

private:
    // Shared with the thread, so a task may drop the last owner of its own queue: the
    // thread then runs on detached with the state it still owns.
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<std::function<void()>> tasks;
        bool busy = false;
        bool stopping = false;
    };
    static void serve(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

} // namespace plumeo
