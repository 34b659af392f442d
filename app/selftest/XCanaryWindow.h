#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace plumeo::selftest {

/// A top-level X window of this process that is one text field: it shows a prompt and keeps
/// every character its key presses stand for. Its events are handled on a thread of its own,
/// so it takes keys while the process's other threads are busy, as an application would.
class XCanaryWindow {
public:
    /// Throws std::runtime_error when the display cannot be opened.
    XCanaryWindow(const std::string& display, const std::string& title, const std::string& prompt);
    ~XCanaryWindow();
    XCanaryWindow(const XCanaryWindow&) = delete;
    XCanaryWindow& operator=(const XCanaryWindow&) = delete;

    Window id() const { return window_; }
    /// What the field holds, in UTF-16.
    std::u16string text() const;

private:
    void handleEvents();
    void draw();

    Display* display_ = nullptr;
    Window window_ = 0;
    XFontSet fonts_ = nullptr;
    GC gc_ = nullptr;
    std::string prompt_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::u16string text_;
    std::thread events_;
};

} // namespace plumeo::selftest
