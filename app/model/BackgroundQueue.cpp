#include "app/model/BackgroundQueue.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace plumeo {

BackgroundQueue::BackgroundQueue(const QString& name) : worker_(std::make_unique<QObject>()) {
    // Qt names the system thread after the object, so it shows in debuggers and samples.
    thread_.setObjectName(name);
    worker_->moveToThread(&thread_);
    thread_.start();
}

BackgroundQueue::~BackgroundQueue() {
    thread_.quit();
    thread_.wait();
}

void BackgroundQueue::post(std::function<void()> job) {
    QMetaObject::invokeMethod(worker_.get(), std::move(job), Qt::QueuedConnection);
}

void postToMainThread(QObject* context, std::function<void()> work) {
    QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}

} // namespace plumeo
