#include "core/engine/TaskQueue.h"

namespace plumeo {

SerialTaskQueue::SerialTaskQueue()
    : state_(std::make_shared<State>()), thread_([state = state_] { serve(state); }) {}

SerialTaskQueue::~SerialTaskQueue() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->changed.notify_all();
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach();
    else
        thread_.join();
}

void SerialTaskQueue::enqueue(std::function<void()> task) {
    // Notified under the lock: the task may own this queue, and once it can run nothing here
    // may touch the queue any more.
    std::lock_guard lock(state_->mutex);
    state_->tasks.push_back(std::move(task));
    state_->changed.notify_all();
}

void SerialTaskQueue::drain() {
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [this] { return state_->tasks.empty() && !state_->busy; });
}

void SerialTaskQueue::serve(const std::shared_ptr<State>& state) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
        if (state->tasks.empty())
            return; // Stopping, and everything queued has run.
        std::function<void()> task = std::move(state->tasks.front());
        state->tasks.pop_front();
        state->busy = true;
        lock.unlock();
        task();
        task = nullptr; // Release what the task captured before anyone is told it ran.
        lock.lock();
        state->busy = false;
        state->changed.notify_all();
    }
}

} // namespace plumeo
