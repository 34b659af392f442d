#pragma once

// A window of the test's own on the virtual display that records, on a thread of its own as a
// word processor would, the characters its key presses stand for.

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace plumeo::xtest {

class XTestWindow {
public:
    XTestWindow(const std::string& display, std::chrono::microseconds lagPerEvent,
                bool dialogOfAnother = false, Window owner = 0)
        : lag_(lagPerEvent) {
        display_ = XOpenDisplay(display.c_str());
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 200, 100, 0,
                                      0, 0);
        const long pid = getpid();
        XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_PID", False),
                        XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
        if (dialogOfAnother) {
            XSetTransientForHint(display_, window_, owner);
            const Atom modal = XInternAtom(display_, "_NET_WM_STATE_MODAL", False);
            XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_STATE", False),
                            XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&modal), 1);
        }
        XSelectInput(display_, window_, KeyPressMask | StructureNotifyMask | FocusChangeMask);
        XMapWindow(display_, window_);
        XSync(display_, False);
        reader_ = std::thread([this] { read(); });
    }
    ~XTestWindow() {
        stopping_ = true;
        reader_.join();
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }

    Window id() const { return window_; }
    std::u32string received() {
        std::lock_guard lock(mutex_);
        return received_;
    }
    /// Waits until `count` characters arrived or a few seconds passed.
    std::u32string waitFor(std::size_t count) {
        for (int i = 0; i < 500 && received().size() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return received();
    }

private:
    void read() {
        while (!stopping_) {
            if (!XPending(display_)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == MappingNotify) {
                XRefreshKeyboardMapping(&event.xmapping);
            } else if (event.type == KeyPress) {
                // A busy word processor looks the key up late.
                std::this_thread::sleep_for(lag_);
                char buffer[16];
                KeySym keysym = NoSymbol;
                XLookupString(&event.xkey, buffer, sizeof buffer, &keysym, nullptr);
                char32_t character = 0;
                if (keysym >= 0x1000000)
                    character = static_cast<char32_t>(keysym - 0x1000000);
                else if (keysym < 0x100)
                    character = static_cast<char32_t>(keysym);
                else if (keysym == XK_Return)
                    character = U'\r';
                else if (keysym == XK_Tab)
                    character = U'\t';
                else if (keysym == XK_BackSpace)
                    character = U'\b';
                if (character) {
                    std::lock_guard lock(mutex_);
                    received_.push_back(character);
                }
            }
        }
    }

    Display* display_ = nullptr;
    Window window_ = 0;
    std::chrono::microseconds lag_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::u32string received_;
    std::thread reader_;
};

} // namespace plumeo::xtest
