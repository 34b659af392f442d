#pragma once

// Picks the platform backend when the program starts, so one build can hold several: the
// simulator's always, Apple's where it was built, Writer's (LibreOffice on X11) where X11 and
// the office SDK were found. The choice is a run-time option (`--backend sim|apple|writer`),
// defaulting to the build's PLUMEO_BACKEND.

#include "platform/backend/PlatformBackend.h"
#include "platform/backend/sim/SimulatorProcess.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo {

enum class BackendKind { sim, apple, writer };

/// The option's spelling: "sim", "apple" or "writer".
std::string_view rawValue(BackendKind kind);
std::optional<BackendKind> backendKindFromRawValue(std::string_view raw);
/// The backends this build holds, the default first.
std::vector<BackendKind> availableBackends();
BackendKind defaultBackendKind();

/// The backend cannot be made; what() is the message for the user (UTF-8).
class BackendError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct BackendOptions {
    BackendKind kind = defaultBackendKind();
    /// sim: the socket of a running plumeo-sim; absent means $PLUMEO_SIM_SOCKET or the
    /// simulator's default path.
    std::optional<std::string> simulatorSocket;
    /// sim: start a private plumeo-sim instead of connecting to a running one.
    bool startPrivateSimulator = false;
    /// sim, private simulator: how it starts.
    SimulatorProcess::Options simulatorProcess;
    /// writer: start LibreOffice with every AutoCorrect rule off (else Writer's defaults).
    bool writerAutoCorrectOff = false;
};

/// A backend and whatever must outlive it: the private simulator, when one was started. (The
/// Writer backend owns the display and office it started itself.)
/// The backend is released before the simulator stops.
struct BackendHandle {
    std::unique_ptr<SimulatorProcess> privateSimulator;
    std::shared_ptr<PlatformBackend> backend;
    /// sim: the socket the backend talks to.
    std::string simulatorSocket;
    /// writer: the X display the office shows on.
    std::string xDisplay;

    BackendHandle() = default;
    BackendHandle(BackendHandle&&) = default;
    BackendHandle& operator=(BackendHandle&&) = default;
    ~BackendHandle() { backend.reset(); }
};

/// Throws BackendError when the kind is not in this build or the simulator (or, for writer,
/// the display or LibreOffice) cannot start.
BackendHandle makeBackend(const BackendOptions& options);

} // namespace plumeo
