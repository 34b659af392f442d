#include "platform/script/ThreadJobQueue.h"

#include <cassert>
#include <pthread.h>
#if defined(__APPLE__)
#include <pthread/qos.h>
#endif

namespace plumeo {

namespace {

// Debuggers and crash reports show this name. Linux keeps at most 15 bytes of it. Script
// calls block a waiting caller, so on macOS they run at user-initiated priority.
void prepareCurrentThread(const std::string& name) {
#if defined(__APPLE__)
    pthread_setname_np(name.c_str());
    pthread_set_qos_class_self_np(QOS_CLASS_USER_INITIATED, 0);
#else
    pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
#endif
}

} // namespace

ThreadJobQueue::ThreadJobQueue(std::string name)
    : name_(std::move(name)), worker_([this] { run(); }) {}

ThreadJobQueue::~ThreadJobQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    assert(!isWorkerThread() && "a job queue cannot be destroyed by one of its own jobs");
    worker_.join();
}

void ThreadJobQueue::enqueue(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void ThreadJobQueue::run() {
    prepareCurrentThread(name_);
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
            if (jobs_.empty()) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace plumeo
