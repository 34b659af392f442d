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
    SimulatorProcess::Options options;
    options.documents = 1;
    simulator_ = std::make_unique<SimulatorProcess>(options);
}

void SimulatorFixture::TearDown() {
    simulator_.reset();
}

} // namespace plumeo::testing
