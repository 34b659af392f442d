#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace plumeo {

/// One Xlib connection with the few property helpers every X part of the backend needs. Each
/// part holds a connection of its own so a slow query never holds up the key events; the
/// mutex serialises the threads that share one connection.
class XConnection {
public:
    /// Opens `displayName`; throws std::runtime_error when the server cannot be reached.
    explicit XConnection(const std::string& displayName);
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    Display* display() const { return display_; }
    Window root() const { return DefaultRootWindow(display_); }
    std::mutex& mutex() { return mutex_; }

    // The helpers below expect the caller to hold mutex().
    Atom atom(const char* name);
    /// A property of format 32 (windows, atoms, cardinals); empty when absent.
    std::vector<unsigned long> cardinals(Window window, const char* property);
    std::optional<unsigned long> cardinal(Window window, const char* property);
    /// A text property: UTF8_STRING or Latin-1 STRING, as UTF-8.
    std::optional<std::string> text(Window window, const char* property);
    /// Raw bytes of a property of format 8 (WM_CLASS keeps two strings in one).
    std::optional<std::string> bytes(Window window, const char* property);

    /// Runs from here until finishErrors() with X errors recorded instead of ending the
    /// program; finishErrors() syncs and returns the first error code (0 for none).
    void trapErrors();
    int finishErrors();

private:
    Display* display_ = nullptr;
    std::mutex mutex_;
};

} // namespace plumeo
