#pragma once

// The command line of plumeo-session: which article to type, how, and into which simulator.

#include "core/text/ModeSettings.h"
#include "core/text/TypingMode.h"
#include "mac/backend/BackendFactory.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace plumeo {

/// A command line that cannot be run; what() is the message for the user (UTF-8).
class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Whether the tool runs a simulator of its own or uses one that is already running.
enum class SimulatorSource { existing, ownProcess };
/// Whether the simulated Word keeps its AutoCorrect defaults or has every option switched off.
enum class AutoCorrectPolicy { wordDefaults, allOff };

struct SessionCommandLine {
    TypingMode mode = TypingMode::stable;
    /// Units per minute; absent: the tool's default for the mode (sessionSettings()).
    std::optional<double> unitsPerMinute;
    /// Typo rate, natural mode only; absent or 0: no typos.
    double typoRate = 0;
    /// Absent: a random non-zero seed is drawn.
    std::optional<std::uint64_t> seed;
    /// Absent: $PLUMEO_SIM_SOCKET, else the simulator's default path.
    std::optional<std::string> socketPath;
    SimulatorSource simulator = SimulatorSource::existing;
    AutoCorrectPolicy autoCorrect = AutoCorrectPolicy::wordDefaults;
    /// Absent: the build's default backend.
    std::optional<BackendKind> backend;
    std::string articlePath;
    bool showHelp = false;
};

/// Parses the arguments after the program name. Throws CommandLineError.
SessionCommandLine parseSessionCommandLine(const std::vector<std::string>& arguments);

/// The session's settings. Without --speed, stable and natural run at the top of the speed
/// range (a sample article in seconds, not minutes); fast paces itself by Word.
ModeSettings sessionSettings(const SessionCommandLine& commandLine);

/// The usage text (UTF-8).
std::string sessionUsage();

} // namespace plumeo
