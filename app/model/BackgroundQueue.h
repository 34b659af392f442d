#pragma once

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

namespace plumeo {

/// One serial worker thread with a name, for the model's slow work. Jobs run first in, first
/// out; each hands its result back to the main thread itself. Destroying the queue waits for
/// the job that is running and drops the ones still waiting.
class BackgroundQueue {
public:
    explicit BackgroundQueue(const QString& name);
    ~BackgroundQueue();
    BackgroundQueue(const BackgroundQueue&) = delete;
    BackgroundQueue& operator=(const BackgroundQueue&) = delete;

    void post(std::function<void()> job);

private:
    QThread thread_;
    std::unique_ptr<QObject> worker_;
};

/// Runs `work` on the main thread's event loop later, unless `context` is gone by then. May be
/// called from any thread while `context` exists.
void postToMainThread(QObject* context, std::function<void()> work);

} // namespace plumeo
