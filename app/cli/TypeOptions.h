#pragma once

// What "plumeo --type" was asked to do.

#include "core/text/TypingMode.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace plumeo::cli {

/// A command line that cannot be run; what() is the message for the user (UTF-8).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Settings left absent keep the value the user last chose in the application.
struct TypeOptions {
    std::string articlePath;
    std::optional<TypingMode> mode;
    std::optional<double> unitsPerMinute;
    std::optional<double> targetMinutes;
    /// 0 switches typos off; a rate switches them on (natural mode only).
    std::optional<double> typoRate;
    std::optional<int> countdownSeconds;
    std::optional<bool> backgroundTyping;
    /// Without a terminal to ask, a pause is answered by accepting the differences.
    bool acceptDifferences = false;
    bool json = false;
    std::optional<std::uint64_t> seed;
    /// The simulated Word with every AutoCorrect option off (a private simulator only).
    bool autoCorrectOff = false;
};

/// Parses every argument of a "--type" command line, the backend options included. Throws
/// UsageError for an unknown switch, a missing or malformed value, or "--speed" together with
/// "--minutes".
TypeOptions parseTypeOptions(const std::vector<std::string>& arguments);

} // namespace plumeo::cli
