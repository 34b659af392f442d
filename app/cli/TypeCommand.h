#pragma once

#include "app/cli/TypeOptions.h"

#include <string>
#include <vector>

namespace plumeo::cli {

/// "plumeo --type FILE": one whole session from the shell, as a view of the application model.
/// Detects the target and shows it, starts after the countdown, shows progress on standard
/// error (a live line on a terminal, plain lines otherwise), asks what to do on a pause when
/// there is a terminal, and prints the verdict and its difference lines on standard output
/// (or the JSON result with "--json"). Ctrl-C is an emergency stop that returns only once
/// sending has stopped. Settings start from the user's saved ones; what the command line
/// changes is not saved.
int runTypeCommand(int argc, char** argv, const std::vector<std::string>& arguments);

} // namespace plumeo::cli
