#include "app/entry/BackendChoice.h"

#include "app/entry/SwitchTable.h"
#include "app/session/LocalSimulator.h"
#include "mac/backend/sim/SimControl.h"

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
    options.simulatorProcess.executable = LocalSimulator::executable();
    options.simulatorProcess.documents = 1;
    // The terminal's Ctrl-C is for the session, not for the simulator it types into.
    options.simulatorProcess.ownProcessGroup = true;
    return options;
}

BackendHandle openBackend(const BackendOptions& options, bool autoCorrectOff) {
    BackendOptions chosen = options;
    // Writer reads its AutoCorrect rules from the profile it starts with.
    chosen.writerAutoCorrectOff = autoCorrectOff;
    BackendHandle handle = makeBackend(chosen);
    if (handle.privateSimulator) {
        SimControl control(handle.simulatorSocket);
        readySimulatedWord(control, autoCorrectOff ? AutoCorrectPolicy::allOff
                                                   : AutoCorrectPolicy::wordDefaults);
    }
    return handle;
}

} // namespace plumeo::entry
