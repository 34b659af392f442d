#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace plumeo {

/// The main thread of a backend on a system that has no main run loop of its own to offer:
/// whichever thread runs run() (or claimed it) is the main thread; hops queue work for it and
/// give up instead of deadlocking; while no thread is main, the caller stands in for it.
class MainThreadLoop {
public:
    bool isMainThread();
    /// PlatformBackend::runOnMainThread's contract.
    bool runOnMainThread(const std::function<void()>& work, double waitSeconds);
    /// Queues `work` without waiting; false when no thread is main.
    bool post(std::function<void()> work);
    void run();
    void stop();
    void claim();

private:
    struct Job {
        std::function<void()> work;
        bool taken = false;
        bool done = false;
        bool abandoned = false; ///< the loop ended before taking it
    };
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Job>> jobs_;
    std::optional<std::thread::id> mainThread_;
    bool stopRequested_ = false;
};

} // namespace plumeo
