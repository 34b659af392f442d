#include "platform/backend/writer/XDesktop.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <set>

namespace plumeo {

XDesktop::XDesktop(const std::string& displayName) : connection_(displayName) {}

std::optional<Window> XDesktop::activeWindow() {
    std::lock_guard lock(connection_.mutex());
    const auto window = connection_.cardinal(connection_.root(), "_NET_ACTIVE_WINDOW");
    if (!window || *window == 0)
        return std::nullopt;
    return static_cast<Window>(*window);
}

bool XDesktop::isManaged(Window window) {
    const auto clients = connection_.cardinals(connection_.root(), "_NET_CLIENT_LIST");
    return std::find(clients.begin(), clients.end(), window) != clients.end();
}

std::optional<Window> XDesktop::focusedTopLevel() {
    std::lock_guard lock(connection_.mutex());
    Window focus = 0;
    int revert = 0;
    connection_.trapErrors();
    XGetInputFocus(connection_.display(), &focus, &revert);
    // The focus is often a child of the program's window, or the frame the window manager put
    // around it: walk up to the managed window.
    for (int depth = 0; focus > PointerRoot && depth < 32; ++depth) {
        if (isManaged(focus)) {
            connection_.finishErrors();
            return focus;
        }
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(connection_.display(), focus, &root, &parent, &children, &count))
            break;
        if (children)
            XFree(children);
        if (parent == root || parent == 0)
            break;
        focus = parent;
    }
    connection_.finishErrors();
    return std::nullopt;
}

std::vector<Window> XDesktop::windowsBottomToTop() {
    std::lock_guard lock(connection_.mutex());
    const auto list = connection_.cardinals(connection_.root(), "_NET_CLIENT_LIST_STACKING");
    return {list.begin(), list.end()};
}

std::optional<XDesktop::WindowInfo> XDesktop::info(Window window) {
    std::lock_guard lock(connection_.mutex());
    connection_.trapErrors();
    WindowInfo info;
    info.window = window;
    if (const auto pid = connection_.cardinal(window, "_NET_WM_PID"))
        info.pid = static_cast<std::int32_t>(*pid);
    if (const auto wmClass = connection_.bytes(window, "WM_CLASS")) {
        const auto zero = wmClass->find('\0');
        info.instance = wmClass->substr(0, zero);
        if (zero != std::string::npos) {
            info.windowClass = wmClass->substr(zero + 1);
            if (const auto end = info.windowClass.find('\0'); end != std::string::npos)
                info.windowClass.resize(end);
        }
    }
    info.title = connection_.text(window, "_NET_WM_NAME")
                     .value_or(connection_.text(window, "WM_NAME").value_or(""));
    Window owner = 0;
    if (XGetTransientForHint(connection_.display(), window, &owner))
        info.transientFor = owner;
    const Atom dialog = connection_.atom("_NET_WM_WINDOW_TYPE_DIALOG");
    for (unsigned long type : connection_.cardinals(window, "_NET_WM_WINDOW_TYPE"))
        info.dialogType = info.dialogType || type == dialog;
    const Atom modal = connection_.atom("_NET_WM_STATE_MODAL");
    const Atom hidden = connection_.atom("_NET_WM_STATE_HIDDEN");
    for (unsigned long state : connection_.cardinals(window, "_NET_WM_STATE")) {
        info.modal = info.modal || state == modal;
        info.hidden = info.hidden || state == hidden;
    }
    XWindowAttributes attributes;
    const bool exists = XGetWindowAttributes(connection_.display(), window, &attributes) != 0;
    if (connection_.finishErrors() != 0 || !exists)
        return std::nullopt;
    return info;
}

bool XDesktop::requestActivation(Window window) {
    std::lock_guard lock(connection_.mutex());
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = connection_.atom("_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // source: a pager, which window managers obey without doubt
    event.xclient.data.l[1] = CurrentTime;
    connection_.trapErrors();
    XSendEvent(connection_.display(), connection_.root(), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    return connection_.finishErrors() == 0;
}

bool XDesktop::hasWindowManager() {
    std::lock_guard lock(connection_.mutex());
    return connection_.cardinal(connection_.root(), "_NET_SUPPORTING_WM_CHECK").has_value();
}

} // namespace plumeo
