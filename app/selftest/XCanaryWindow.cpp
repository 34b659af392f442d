#include "app/selftest/XCanaryWindow.h"

#include "core/text/Utf16.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace plumeo::selftest {

namespace {

/// The character a key press stands for, from its keysym alone: the field has no input
/// method, and any character at all is what it must catch.
char32_t characterOf(KeySym keysym) {
    if (keysym >= 0x20 && keysym <= 0xff)
        return static_cast<char32_t>(keysym);
    if (keysym >= 0x01000100 && keysym <= 0x0110ffff)
        return static_cast<char32_t>(keysym - 0x01000000);
    switch (keysym) {
    case XK_Return:
    case XK_KP_Enter: return U'\r';
    case XK_Tab: return U'\t';
    case XK_BackSpace: return U'\b';
    default: break;
    }
    // Another key that is no modifier still reached the wrong window.
    return U'\ufffd';
}

} // namespace

XCanaryWindow::XCanaryWindow(const std::string& display, const std::string& title,
                             const std::string& prompt)
    : prompt_(prompt) {
    display_ = XOpenDisplay(display.c_str());
    if (!display_)
        throw std::runtime_error("无法连接显示 " + display);
    const int screen = DefaultScreen(display_);
    window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 40, 40, 560, 120, 1,
                                  BlackPixel(display_, screen), WhitePixel(display_, screen));
    // What the window manager and the guard read: the title, the process, the program.
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False), utf8, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    XStoreName(display_, window_, title.c_str());
    const long pid = getpid();
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    XClassHint classHint{const_cast<char*>("plumeo-canary"), const_cast<char*>("Plumeo")};
    XSetClassHint(display_, window_, &classHint);
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = True;
    XSetWMHints(display_, window_, &hints);
    // Closed by the window manager, it must not take the process's connection with it.
    Atom deleteWindow = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &deleteWindow, 1);

    char** missing = nullptr;
    int missingCount = 0;
    char* fallback = nullptr;
    fonts_ = XCreateFontSet(display_, "-*-*-medium-r-normal--14-*-*-*-*-*-*-*,fixed", &missing,
                            &missingCount, &fallback);
    if (missing)
        XFreeStringList(missing);
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    XSetForeground(display_, gc_, BlackPixel(display_, screen));

    XSelectInput(display_, window_, KeyPressMask | ExposureMask | StructureNotifyMask);
    XMapWindow(display_, window_);
    XSync(display_, False);
    events_ = std::thread([this] { handleEvents(); });
}

XCanaryWindow::~XCanaryWindow() {
    stopping_ = true;
    events_.join();
    if (fonts_)
        XFreeFontSet(display_, fonts_);
    XFreeGC(display_, gc_);
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
}

std::u16string XCanaryWindow::text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

void XCanaryWindow::handleEvents() {
    pollfd connection{ConnectionNumber(display_), POLLIN, 0};
    while (!stopping_) {
        if (!XPending(display_)) {
            poll(&connection, 1, 20);
            continue;
        }
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
        } else if (event.type == Expose && event.xexpose.count == 0) {
            draw();
        } else if (event.type == KeyPress) {
            char buffer[16];
            KeySym keysym = NoSymbol;
            XLookupString(&event.xkey, buffer, sizeof buffer, &keysym, nullptr);
            if (keysym == NoSymbol || IsModifierKey(keysym))
                continue;
            const char32_t character = characterOf(keysym);
            {
                std::lock_guard lock(mutex_);
                if (character >= 0x10000) {
                    text_ += static_cast<char16_t>(0xd800 + ((character - 0x10000) >> 10));
                    text_ += static_cast<char16_t>(0xdc00 + ((character - 0x10000) & 0x3ff));
                } else {
                    text_ += static_cast<char16_t>(character);
                }
            }
            draw();
        }
    }
}

void XCanaryWindow::draw() {
    if (!fonts_)
        return;
    XClearWindow(display_, window_);
    Xutf8DrawString(display_, window_, fonts_, gc_, 12, 30, prompt_.data(),
                    static_cast<int>(prompt_.size()));
    const std::string typed = toUtf8(text());
    Xutf8DrawString(display_, window_, fonts_, gc_, 12, 70, typed.data(),
                    static_cast<int>(typed.size()));
    XFlush(display_);
}

} // namespace plumeo::selftest
