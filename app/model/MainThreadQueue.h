#pragma once

#include "core/engine/TaskQueue.h"

namespace plumeo {

/// The engine's observer queue in the application: every task runs on the thread of the Qt
/// event loop (the main thread). Tasks posted after the application object is gone are
/// dropped.
class MainThreadQueue final : public TaskQueue {
public:
    void enqueue(std::function<void()> task) override;
};

} // namespace plumeo
