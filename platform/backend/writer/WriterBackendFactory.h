#pragma once

// Makes the Writer backend with everything it stands on, without exposing X11's or UNO's
// headers to the factory that includes this.

#include "platform/backend/PlatformBackend.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace plumeo {

struct WriterEnvironmentOptions {
    /// An X display to use; empty: DISPLAY, or a virtual display of our own when there is none.
    std::optional<std::string> display;
    /// A virtual display even when DISPLAY is set.
    bool virtualDisplay = false;
    /// Start Writer with every AutoCorrect rule off (else with Writer's defaults).
    bool autoCorrectOff = false;
    /// Open an empty document when the office has none, as a person would before typing.
    bool openDocument = true;
    /// The office's profile; empty: a fresh temporary one, removed at the end.
    std::filesystem::path profileDirectory;
};

/// Starts (or uses) the display, starts LibreOffice with its own profile and UNO pipe and
/// connects; the backend owns all of it and stops it when it goes. Throws std::runtime_error
/// with a message for the user (UTF-8) when any of it cannot be had.
std::shared_ptr<PlatformBackend> makeWriterBackend(const WriterEnvironmentOptions& options);
/// The X display a backend made by makeWriterBackend shows on; empty for any other backend.
std::string writerBackendDisplay(const PlatformBackend& backend);

} // namespace plumeo
