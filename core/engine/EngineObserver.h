#pragma once

#include "core/engine/EngineSnapshot.h"

namespace plumeo {

/// Receives the engine's progress. The engine holds its observer weakly and calls it on the
/// observer queue it was given, never on its worker thread and never with its lock held.
class EngineObserver {
public:
    virtual ~EngineObserver() = default;
    virtual void engineDidUpdate(const EngineSnapshot& snapshot) = 0;
};

} // namespace plumeo
