#pragma once

#include "core/engine/SessionEvent.h"
#include "core/engine/SessionPhase.h"

#include <optional>

namespace plumeo::SessionStateMachine {

/// The phase that `event` leads to from `phase`, or nothing when the event is not accepted
/// there; a rejected event leaves the caller's phase as it was.
std::optional<SessionPhase> transition(const SessionPhase& phase, const SessionEvent& event);

} // namespace plumeo::SessionStateMachine
