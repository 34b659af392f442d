#pragma once

#include "core/engine/StopReason.h"
#include "core/engine/TargetExpectation.h"

#include <optional>

namespace plumeo {

/// Says whether it is still safe to send the next stroke to the target.
class TargetGuard {
public:
    virtual ~TargetGuard() = default;

    /// Starts a sending run: baselines such as "user activity counts from now" are reset.
    virtual void beginSending() = 0;

    /// Called before every stroke, outside the engine lock, so it must be quick. Nothing means
    /// safe to send; a reason means stop.
    virtual std::optional<StopReason> quickCheck(const TargetExpectation& expectation) = 0;
};

} // namespace plumeo
