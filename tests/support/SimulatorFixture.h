#pragma once

// Runs a real plumeo-sim for a test: on its own socket in a fresh temporary directory, waited
// for until it answers, and stopped (with its Word process) when the test ends, whether the
// test passed or not.

#include "mac/backend/sim/SimControl.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace plumeo::testing {

class SimulatorProcess {
public:
    struct Options {
        bool launchWord = true;
        int documents = 0; ///< empty documents opened at start
        std::vector<std::string> extraArguments;
    };

    /// Starts the simulator and waits until it answers; throws std::runtime_error otherwise.
    explicit SimulatorProcess(const Options& options);
    SimulatorProcess() : SimulatorProcess(Options{}) {}
    /// Asks the simulator to end, kills it if it does not, removes the directory.
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    const std::string& socketPath() const { return socketPath_; }
    int pid() const { return pid_; }
    /// A control connection, opened on first use.
    SimControl& control();
    /// Whether the simulator process is still running.
    bool running();

private:
    void stop();

    std::string directory_;
    std::string socketPath_;
    int pid_ = -1;
    std::unique_ptr<SimControl> control_;
};

/// A GoogleTest fixture with one simulator per test: Word running, one empty document.
class SimulatorFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// The options SetUp uses; override to change them.
    virtual SimulatorProcess::Options simulatorOptions() const;

    SimulatorProcess& simulator() { return *simulator_; }
    SimControl& control() { return simulator_->control(); }

private:
    std::unique_ptr<SimulatorProcess> simulator_;
};

} // namespace plumeo::testing
