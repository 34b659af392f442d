#pragma once

// A plumeo-sim of the caller's own: started on a private socket in a fresh temporary
// directory, waited for until it answers, and stopped (with its Word process) when the object
// goes, on success and on error alike. Tests, benchmarks and the headless session tool use it.

#include "platform/backend/sim/SimControl.h"

#include <memory>
#include <string>
#include <vector>

namespace plumeo {

class SimulatorProcess {
public:
    struct Options {
        std::string executable = "plumeo-sim"; ///< A path, or a name looked up on PATH.
        bool launchWord = true;
        int documents = 0; ///< Empty documents opened at start.
        /// A process group of its own keeps a terminal's Ctrl-C away from the simulator, so the
        /// caller can still read its document while stopping a session.
        bool ownProcessGroup = false;
        std::vector<std::string> extraArguments;
    };

    /// Starts the simulator and waits until it answers; throws std::runtime_error otherwise.
    explicit SimulatorProcess(const Options& options);
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

} // namespace plumeo
