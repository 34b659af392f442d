#include "app/session/LocalSimulator.h"

#include <filesystem>

namespace plumeo {

std::string LocalSimulator::executable() {
#ifdef PLUMEO_SIM_EXECUTABLE
    std::error_code ignored;
    if (std::filesystem::exists(PLUMEO_SIM_EXECUTABLE, ignored))
        return PLUMEO_SIM_EXECUTABLE;
#endif
    return "plumeo-sim";
}

namespace {

SimulatorProcess::Options toolOptions() {
    SimulatorProcess::Options options;
    options.executable = LocalSimulator::executable();
    options.documents = 1;
    options.ownProcessGroup = true;
    return options;
}

} // namespace

LocalSimulator::LocalSimulator() : process_(toolOptions()) {}

void readySimulatedWord(SimControl& control, AutoCorrectPolicy autoCorrect) {
    if (!control.wordPid())
        control.launchWord();
    if (control.dump()["word"]["documents"].empty())
        control.newDocument();
    control.activateBundle("com.microsoft.Word");
    if (autoCorrect == AutoCorrectPolicy::allOff) {
        // Every switch the simulated Word reports, so none added later is missed.
        const nlohmann::json state = control.dump();
        for (const auto& [option, on] : state["autoCorrect"].items())
            if (on.is_boolean())
                control.setAutoCorrect(option, false);
    }
}

} // namespace plumeo
