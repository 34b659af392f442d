#pragma once

#include <string>

namespace plumeo::entry {

/// Exit statuses of every mode; a shell can tell them apart.
enum ExitStatus : int {
    exitVerified = 0,
    exitAcceptedDifferences = 1,
    exitUsage = 2,
    exitUnverified = 3, ///< The document did not match, or could not be checked.
    exitStopped = 4,    ///< Cancelled, failed, or could not start.
};

/// The text of "plumeo --help" (UTF-8).
std::string usageText();

} // namespace plumeo::entry
