#include "app/model/MainThreadQueue.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace plumeo {

void MainThreadQueue::enqueue(std::function<void()> task) {
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, std::move(task), Qt::QueuedConnection);
}

} // namespace plumeo
