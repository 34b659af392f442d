#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace plumeo {

/// A first-in-first-out queue served by one named worker thread that starts at construction.
/// Jobs run one at a time, outside the queue's lock, so callers can enqueue while a job runs.
///
/// In the product a queue lives as long as the process. Destroying one lets the jobs already
/// queued run, then ends and joins the worker; the owner must not destroy it from one of its
/// own jobs.
class ThreadJobQueue {
public:
    explicit ThreadJobQueue(std::string name);
    ~ThreadJobQueue();

    ThreadJobQueue(const ThreadJobQueue&) = delete;
    ThreadJobQueue& operator=(const ThreadJobQueue&) = delete;

    /// Appends a job; never blocks beyond the lock.
    void enqueue(std::function<void()> job);

    const std::string& name() const { return name_; }
    /// Whether the calling thread is this queue's worker.
    bool isWorkerThread() const { return std::this_thread::get_id() == worker_.get_id(); }

private:
    void run();

    const std::string name_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_; // guarded by mutex_
    bool stopping_ = false;                  // guarded by mutex_
    std::thread worker_;                     // last: starts once everything above exists
};

} // namespace plumeo
