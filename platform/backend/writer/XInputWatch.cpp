#include "platform/backend/writer/XInputWatch.h"

#include <X11/extensions/XInput2.h>

#include <chrono>
#include <cstring>
#include <poll.h>
#include <stdexcept>

namespace plumeo {

namespace {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A grab must also hold with Caps Lock or Num Lock on, which X counts as modifiers.
constexpr unsigned int lockVariants[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

} // namespace

XInputWatch::XInputWatch(const std::string& displayName) : connection_(displayName) {
    Display* display = connection_.display();
    int event = 0, error = 0;
    if (!XQueryExtension(display, "XInputExtension", &xiOpcode_, &event, &error))
        throw std::runtime_error("X 服务器没有 XInput 扩展，无法区分用户输入");
    int major = 2, minor = 1;
    if (XIQueryVersion(display, &major, &minor) != Success)
        throw std::runtime_error("X 服务器的 XInput 版本低于 2.1，无法区分用户输入");
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XIEventMask mask{XIAllDevices, sizeof bits, bits};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_HierarchyChanged);
    XISelectEvents(display, connection_.root(), &mask, 1);
    refreshXTestDevices();
    XSync(display, False);
    thread_ = std::thread([this] { run(); });
}

XInputWatch::~XInputWatch() {
    stopping_ = true;
    thread_.join();
    std::lock_guard lock(connection_.mutex());
    for (const auto& [handle, grab] : grabs_) {
        for (unsigned int variant : lockVariants)
            XUngrabKey(connection_.display(), grab.keycode, grab.modifiers | variant,
                       connection_.root());
    }
    XSync(connection_.display(), False);
}

void XInputWatch::refreshXTestDevices() {
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(connection_.display(), XIAllDevices, &count);
    xtestDevice_.clear();
    for (int i = 0; i < count; ++i)
        xtestDevice_[devices[i].deviceid] = std::strstr(devices[i].name, "XTEST") != nullptr;
    XIFreeDeviceInfo(devices);
}

std::optional<double> XInputWatch::secondsSince(Input input, bool fromXTest) const {
    std::lock_guard lock(timesMutex_);
    const auto found = lastSeen_.find({input, fromXTest});
    if (found == lastSeen_.end())
        return std::nullopt;
    return steadySeconds() - found->second;
}

bool XInputWatch::grabKey(KeySym keysym, unsigned int modifiers, std::function<void()> onPress,
                          std::uint64_t& handle) {
    std::lock_guard lock(connection_.mutex());
    const KeyCode keycode = XKeysymToKeycode(connection_.display(), keysym);
    if (!keycode)
        return false;
    connection_.trapErrors();
    for (unsigned int variant : lockVariants)
        XGrabKey(connection_.display(), keycode, modifiers | variant, connection_.root(), False,
                 GrabModeAsync, GrabModeAsync);
    if (connection_.finishErrors() != 0) {
        for (unsigned int variant : lockVariants)
            XUngrabKey(connection_.display(), keycode, modifiers | variant, connection_.root());
        XSync(connection_.display(), False);
        return false;
    }
    handle = nextHandle_++;
    grabs_[handle] = Grab{keycode, modifiers, std::move(onPress)};
    return true;
}

void XInputWatch::ungrabKey(std::uint64_t handle) {
    std::lock_guard lock(connection_.mutex());
    const auto found = grabs_.find(handle);
    if (found == grabs_.end())
        return;
    for (unsigned int variant : lockVariants)
        XUngrabKey(connection_.display(), found->second.keycode,
                   found->second.modifiers | variant, connection_.root());
    XSync(connection_.display(), False);
    grabs_.erase(found);
}

void XInputWatch::run() {
    const int fd = ConnectionNumber(connection_.display());
    while (!stopping_) {
        pollfd entry{fd, POLLIN, 0};
        poll(&entry, 1, 100);
        std::lock_guard lock(connection_.mutex());
        while (XPending(connection_.display())) {
            XEvent event;
            XNextEvent(connection_.display(), &event);
            handle(event);
        }
    }
}

void XInputWatch::handle(XEvent& event) {
    if (event.type == KeyPress) {
        const unsigned int relevant = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;
        for (const auto& [handle, grab] : grabs_) {
            if (grab.keycode == event.xkey.keycode && (event.xkey.state & relevant) == grab.modifiers)
                grab.onPress();
        }
        return;
    }
    if (event.type != GenericEvent || event.xcookie.extension != xiOpcode_)
        return;
    if (!XGetEventData(connection_.display(), &event.xcookie))
        return;
    const int type = event.xcookie.evtype;
    if (type == XI_HierarchyChanged) {
        refreshXTestDevices();
    } else if (type == XI_RawKeyPress || type == XI_RawButtonPress) {
        const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
        std::optional<Input> input;
        if (type == XI_RawKeyPress) {
            input = Input::key;
        } else if (raw->detail == 1) {
            input = Input::leftButton;
        } else if (raw->detail == 3) {
            input = Input::rightButton;
        } else if (raw->detail == 2 || raw->detail > 7) {
            // Buttons 4 to 7 are the wheel's scroll steps, not presses.
            input = Input::otherButton;
        }
        if (input) {
            const auto found = xtestDevice_.find(raw->sourceid);
            const bool fromXTest = found != xtestDevice_.end() && found->second;
            std::lock_guard lock(timesMutex_);
            lastSeen_[{*input, fromXTest}] = steadySeconds();
        }
    }
    XFreeEventData(connection_.display(), &event.xcookie);
}

} // namespace plumeo
