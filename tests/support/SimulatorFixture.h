#pragma once

// Runs a real plumeo-sim for a test: on its own socket in a fresh temporary directory, waited
// for until it answers, and stopped (with its Word process) when the test ends, whether the
// test passed or not.

#include "platform/backend/sim/SimControl.h"
#include "platform/backend/sim/SimulatorProcess.h"

#include <gtest/gtest.h>
#include <memory>

namespace plumeo::testing {

/// The simulator process, started from this build tree's plumeo-sim.
class SimulatorProcess : public plumeo::SimulatorProcess {
public:
    explicit SimulatorProcess(Options options);
    SimulatorProcess() : SimulatorProcess(Options{}) {}
};

/// A GoogleTest fixture with one simulator per test: Word running, one empty document.
class SimulatorFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    SimulatorProcess& simulator() { return *simulator_; }
    SimControl& control() { return simulator_->control(); }

private:
    std::unique_ptr<SimulatorProcess> simulator_;
};

} // namespace plumeo::testing
