#include "platform/backend/writer/XConnection.h"

#include <X11/Xatom.h>

#include <map>
#include <stdexcept>

namespace plumeo {

namespace {

// Xlib has one error handler per process; errors are recorded per connection and only
// while that connection traps them, every other error is ignored rather than fatal (a window
// that closes between two queries is normal on a desktop).
std::mutex errorMutex;
std::map<Display*, int> trappedErrors;

int recordError(Display* display, XErrorEvent* event) {
    std::lock_guard lock(errorMutex);
    if (auto found = trappedErrors.find(display);
        found != trappedErrors.end() && found->second == 0) {
        found->second = event->error_code;
    }
    return 0;
}

} // namespace

XConnection::XConnection(const std::string& displayName) {
    static std::once_flag once;
    std::call_once(once, [] {
        XInitThreads();
        XSetErrorHandler(recordError);
    });
    display_ = XOpenDisplay(displayName.c_str());
    if (!display_)
        throw std::runtime_error("cannot open X display " + displayName);
}

XConnection::~XConnection() {
    {
        std::lock_guard lock(errorMutex);
        trappedErrors.erase(display_);
    }
    XCloseDisplay(display_);
}

Atom XConnection::atom(const char* name) { return XInternAtom(display_, name, False); }

std::vector<unsigned long> XConnection::cardinals(Window window, const char* property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display_, window, atom(property), 0, 4096, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success &&
        data && format == 32) {
        // Xlib hands format-32 data over as longs, whatever the long's width.
        const auto* longs = reinterpret_cast<const unsigned long*>(data);
        values.assign(longs, longs + count);
    }
    if (data)
        XFree(data);
    return values;
}

std::optional<unsigned long> XConnection::cardinal(Window window, const char* property) {
    auto values = cardinals(window, property);
    if (values.empty())
        return std::nullopt;
    return values.front();
}

std::optional<std::string> XConnection::bytes(Window window, const char* property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<std::string> value;
    if (XGetWindowProperty(display_, window, atom(property), 0, 65536, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success &&
        data && format == 8) {
        value.emplace(reinterpret_cast<const char*>(data), count);
    }
    if (data)
        XFree(data);
    return value;
}

std::optional<std::string> XConnection::text(Window window, const char* property) {
    if (auto utf8 = bytes(window, property))
        return utf8;
    return std::nullopt;
}

void XConnection::trapErrors() {
    XSync(display_, False);
    std::lock_guard lock(errorMutex);
    trappedErrors[display_] = 0;
}

int XConnection::finishErrors() {
    XSync(display_, False);
    std::lock_guard lock(errorMutex);
    const int code = trappedErrors[display_];
    trappedErrors.erase(display_);
    return code;
}

} // namespace plumeo
