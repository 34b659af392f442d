#pragma once

// A plumeo-sim of the tool's own: started on a private socket in a fresh temporary directory,
// stopped (with its Word process) when the object goes, on success and on error alike.

#include "app/session/SessionCommandLine.h"
#include "mac/backend/sim/SimControl.h"
#include "mac/backend/sim/SimulatorProcess.h"

#include <string>

namespace plumeo {

class LocalSimulator {
public:
    /// Starts the simulator with Word running and one empty document, and waits until it
    /// answers. Throws std::runtime_error with a message for the user otherwise.
    LocalSimulator();
    LocalSimulator(const LocalSimulator&) = delete;
    LocalSimulator& operator=(const LocalSimulator&) = delete;

    const std::string& socketPath() const { return process_.socketPath(); }

    /// The build tree's plumeo-sim when it exists, else the name looked up on PATH.
    static std::string executable();

private:
    SimulatorProcess process_;
};

/// Makes sure the simulated Word runs with a document in front, as a person would before
/// starting, and applies the AutoCorrect policy. Throws simproto::SimError.
void readySimulatedWord(SimControl& control, AutoCorrectPolicy autoCorrect);

} // namespace plumeo
