#pragma once

#include "platform/backend/writer/XConnection.h"

#include <X11/Xlib.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace plumeo {

/// Watches the X server's input on a thread of its own: when the user last pressed a key or a
/// mouse button, and the global hot keys.
///
/// The user is told apart from Plumeo by the device an event comes from: XInput2 raw events
/// carry their source device, and XTest's events come from the server's "XTEST" devices, never
/// from a real keyboard or mouse. (Another program typing through XTest therefore counts as
/// Plumeo, not as the user.)
class XInputWatch {
public:
    enum class Input { key, leftButton, rightButton, otherButton };

    /// Throws std::runtime_error when the display cannot be opened or has no XInput2.
    explicit XInputWatch(const std::string& displayName);
    ~XInputWatch();

    /// Seconds since the last such input from a real device (`fromXTest` false) or from the
    /// XTest devices (true); empty when there was none since the watch began.
    std::optional<double> secondsSince(Input input, bool fromXTest) const;

    /// Grabs the key with these X modifiers on the root window; false when another client
    /// holds it (X grabs are always exclusive). `onPress` runs on the watch's thread.
    bool grabKey(KeySym keysym, unsigned int modifiers, std::function<void()> onPress,
                 std::uint64_t& handle);
    void ungrabKey(std::uint64_t handle);

private:
    void run();
    void handle(XEvent& event);
    void refreshXTestDevices();

    struct Grab {
        KeyCode keycode = 0;
        unsigned int modifiers = 0;
        std::function<void()> onPress;
    };

    XConnection connection_;
    int xiOpcode_ = 0;
    std::map<int, bool> xtestDevice_; ///< device id -> is an XTest device
    mutable std::mutex timesMutex_;
    std::map<std::pair<Input, bool>, double> lastSeen_; ///< steady-clock seconds
    std::map<std::uint64_t, Grab> grabs_;
    std::uint64_t nextHandle_ = 1;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace plumeo
