#pragma once

#include "platform/backend/BackendFactory.h"
#include "platform/backend/sim/SimControl.h"

#include <string>
#include <vector>

namespace plumeo::entry {

/// The platform backend the command line asks for: "--backend sim|apple|writer",
/// "--sim-socket PATH" and "--start-simulator" (a private simulator with Word running and one empty document).
/// Throws BackendError for a backend name this build does not know.
BackendOptions backendOptions(const std::vector<std::string>& arguments);

/// Whether the simulated Word keeps its AutoCorrect defaults or has every option switched off.
enum class AutoCorrectPolicy { wordDefaults, allOff };

/// Makes the backend; a private simulator is readied as a person would before starting: Word
/// in front with a document, AutoCorrect switched off when `autoCorrect` says so.
BackendHandle openBackend(const BackendOptions& options,
                          AutoCorrectPolicy autoCorrect = AutoCorrectPolicy::wordDefaults);

/// Makes sure the simulated Word runs with a document in front and applies the AutoCorrect
/// policy. Throws simproto::SimError.
void readySimulatedWord(SimControl& control, AutoCorrectPolicy autoCorrect);

/// The build tree's plumeo-sim when it exists, else the name looked up on PATH.
std::string simulatorExecutable();

} // namespace plumeo::entry
