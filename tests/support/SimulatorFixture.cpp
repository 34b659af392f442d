#include "tests/support/SimulatorFixture.h"

namespace plumeo::testing {

namespace {

SimulatorProcess::Options fromBuildTree(SimulatorProcess::Options options) {
    options.executable = PLUMEO_SIM_EXECUTABLE;
    return options;
}

} // namespace

SimulatorProcess::SimulatorProcess(Options options)
    : plumeo::SimulatorProcess(fromBuildTree(std::move(options))) {}

void SimulatorFixture::SetUp() {
    simulator_ = std::make_unique<SimulatorProcess>(simulatorOptions());
}

void SimulatorFixture::TearDown() {
    simulator_.reset();
}

SimulatorProcess::Options SimulatorFixture::simulatorOptions() const {
    SimulatorProcess::Options options;
    options.documents = 1;
    return options;
}

} // namespace plumeo::testing
