#include "platform/backend/writer/MainThreadLoop.h"

#include <algorithm>
#include <chrono>

namespace plumeo {

bool MainThreadLoop::isMainThread() {
    std::lock_guard lock(mutex_);
    return mainThread_ == std::this_thread::get_id();
}

bool MainThreadLoop::runOnMainThread(const std::function<void()>& work, double waitSeconds) {
    auto job = std::make_shared<Job>();
    std::unique_lock lock(mutex_);
    if (!mainThread_ || *mainThread_ == std::this_thread::get_id()) {
        lock.unlock();
        work();
        return true;
    }
    job->work = work;
    jobs_.push_back(job);
    changed_.notify_all();
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(waitSeconds));
    if (!changed_.wait_until(lock, deadline, [&] { return job->taken || job->abandoned; })) {
        // The main thread is busy or waiting for us: give up rather than deadlock.
        std::erase(jobs_, job);
        return false;
    }
    if (job->abandoned) {
        lock.unlock();
        work();
        return true;
    }
    changed_.wait(lock, [&] { return job->done; });
    return true;
}

bool MainThreadLoop::post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    if (!mainThread_)
        return false;
    auto job = std::make_shared<Job>();
    job->work = std::move(work);
    jobs_.push_back(std::move(job));
    changed_.notify_all();
    return true;
}

void MainThreadLoop::run() {
    std::unique_lock lock(mutex_);
    mainThread_ = std::this_thread::get_id();
    for (;;) {
        changed_.wait(lock, [&] { return stopRequested_ || !jobs_.empty(); });
        if (stopRequested_)
            break;
        auto job = jobs_.front();
        jobs_.pop_front();
        job->taken = true;
        changed_.notify_all();
        lock.unlock();
        job->work();
        lock.lock();
        job->done = true;
        changed_.notify_all();
    }
    stopRequested_ = false;
    mainThread_.reset();
    // Whatever is still queued will not run here: waiting callers run it themselves.
    for (const auto& job : jobs_)
        job->abandoned = true;
    jobs_.clear();
    changed_.notify_all();
}

void MainThreadLoop::stop() {
    std::lock_guard lock(mutex_);
    stopRequested_ = true;
    changed_.notify_all();
}

void MainThreadLoop::claim() {
    std::lock_guard lock(mutex_);
    mainThread_ = std::this_thread::get_id();
}

} // namespace plumeo
