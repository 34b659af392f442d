#include "app/entry/BackendChoice.h"

#include "app/entry/SwitchTable.h"

#include <filesystem>

namespace plumeo::entry {

BackendOptions backendOptions(const std::vector<std::string>& arguments) {
    BackendOptions options;
    if (const auto name = optionValue(arguments, "--backend")) {
        const auto kind = backendKindFromRawValue(*name);
        if (!kind)
            throw BackendError("未知的平台后端：" + *name + "（可用：sim、apple、writer）");
        options.kind = *kind;
    }
    options.simulatorSocket = optionValue(arguments, "--sim-socket");
    options.startPrivateSimulator = hasFlag(arguments, "--start-simulator");
    options.simulatorProcess.executable = simulatorExecutable();
    options.simulatorProcess.documents = 1;
    // The terminal's Ctrl-C is for the session, not for the simulator it types into.
    options.simulatorProcess.ownProcessGroup = true;
    return options;
}

BackendHandle openBackend(const BackendOptions& options, AutoCorrectPolicy autoCorrect) {
    BackendOptions chosen = options;
    // Writer reads its AutoCorrect rules from the profile it starts with.
    chosen.writerAutoCorrectOff = autoCorrect == AutoCorrectPolicy::allOff;
    BackendHandle handle = makeBackend(chosen);
    if (handle.privateSimulator) {
        SimControl control(handle.simulatorSocket);
        readySimulatedWord(control, autoCorrect);
    }
    return handle;
}

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

std::string simulatorExecutable() {
#ifdef PLUMEO_SIM_EXECUTABLE
    std::error_code ignored;
    if (std::filesystem::exists(PLUMEO_SIM_EXECUTABLE, ignored))
        return PLUMEO_SIM_EXECUTABLE;
#endif
    return "plumeo-sim";
}

} // namespace plumeo::entry
