#pragma once

#include "tests/trials/StopTrials.h"

#include <functional>
#include <memory>

namespace plumeo::trials {

/// Makes targets that each run their own simulated Word and drive it through the platform
/// layer (key sink, target guard, document reader) as the application does. Empty in builds
/// without the simulator.
std::function<std::unique_ptr<TrialTarget>()> simulatorTargets();

} // namespace plumeo::trials
