#pragma once

#include "platform/backend/writer/ChildProcess.h"

#include <memory>
#include <optional>
#include <string>

namespace plumeo {

/// The X display Plumeo and Writer share: the user's own (DISPLAY), or, where there is none,
/// a virtual one (Xvfb) with a small window manager, because without a window manager dialogs
/// do not take the focus reliably and there is no active-window property to ask. What it
/// started it watches and stops.
class XDisplaySession {
public:
    struct Options {
        /// Use this display instead of DISPLAY; an empty optional means DISPLAY or a new one.
        std::optional<std::string> display;
        /// Start a virtual display even when DISPLAY is set (tests, CI).
        bool forceVirtual = false;
        std::string screen = "1280x800x24";
        std::string windowManager = "openbox";
        double startSeconds = 10.0;
    };

    /// Throws std::runtime_error with a message for the user (UTF-8) when no display can be
    /// had.
    explicit XDisplaySession(const Options& options);
    ~XDisplaySession();

    /// The display name, e.g. ":0" or ":93".
    const std::string& display() const { return display_; }
    bool startedVirtualDisplay() const { return server_ != nullptr; }
    /// Whether what this session started still runs (always true for the user's display).
    bool healthy();

private:
    void startVirtualDisplay(const Options& options);
    void waitForWindowManager(double seconds);

    std::string display_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> windowManager_;
};

} // namespace plumeo
