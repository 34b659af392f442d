#pragma once

#include "mac/backend/BackendFactory.h"

#include <string>
#include <vector>

namespace plumeo::entry {

/// The platform backend the command line asks for: "--backend sim|apple|writer",
/// "--sim-socket PATH" and "--start-simulator" (a private simulator with Word running and one empty document).
/// Throws BackendError for a backend name this build does not know.
BackendOptions backendOptions(const std::vector<std::string>& arguments);

/// Makes the backend; a private simulator is readied as a person would before starting: Word
/// in front with a document, AutoCorrect switched off when `autoCorrectOff`.
BackendHandle openBackend(const BackendOptions& options, bool autoCorrectOff = false);

} // namespace plumeo::entry
