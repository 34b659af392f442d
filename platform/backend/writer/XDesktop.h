#pragma once

#include "platform/backend/writer/XConnection.h"

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plumeo {

/// The desktop as the window manager describes it (EWMH): which top-level window is active,
/// which windows there are from bottom to top, and what each one is (its program, title,
/// process, and whether it is a dialog and modal). Asking only: the one change it makes is
/// the activation request, which the window manager may refuse.
class XDesktop {
public:
    struct WindowInfo {
        Window window = 0;
        std::optional<std::int32_t> pid; ///< _NET_WM_PID
        std::string instance;            ///< WM_CLASS, first string
        std::string windowClass;         ///< WM_CLASS, second string
        std::string title;               ///< _NET_WM_NAME or WM_NAME
        Window transientFor = 0;         ///< WM_TRANSIENT_FOR
        bool dialogType = false;         ///< _NET_WM_WINDOW_TYPE_DIALOG
        bool modal = false;              ///< _NET_WM_STATE_MODAL
        bool hidden = false;             ///< _NET_WM_STATE_HIDDEN (minimised)

        /// A dialog by type or by belonging to another window.
        bool isDialog() const { return dialogType || transientFor != 0; }
    };

    explicit XDesktop(const std::string& displayName);

    /// _NET_ACTIVE_WINDOW; empty when none is active.
    std::optional<Window> activeWindow();
    /// The top-level window holding the keyboard focus (XGetInputFocus walked up to the
    /// managed window), which is where XTest's key events go.
    std::optional<Window> focusedTopLevel();
    /// _NET_CLIENT_LIST_STACKING: managed windows, bottom to top.
    std::vector<Window> windowsBottomToTop();
    /// Empty when the window is gone.
    std::optional<WindowInfo> info(Window window);
    /// Asks the window manager to activate `window` (a _NET_ACTIVE_WINDOW message as a pager
    /// sends it). Only a request: read the focus back to know.
    bool requestActivation(Window window);

    /// Whether a window manager that speaks EWMH runs.
    bool hasWindowManager();

private:
    bool isManaged(Window window);

    XConnection connection_;
};

} // namespace plumeo
