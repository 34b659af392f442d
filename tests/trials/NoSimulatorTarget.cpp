#include "tests/trials/SimulatorTarget.h"

namespace plumeo::trials {

std::function<std::unique_ptr<TrialTarget>()> simulatorTargets() {
    return {};
}

} // namespace plumeo::trials
