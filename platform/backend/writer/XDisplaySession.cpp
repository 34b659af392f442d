#include "platform/backend/writer/XDisplaySession.h"

#include "platform/backend/writer/XConnection.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <poll.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace plumeo {

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point after(double seconds) {
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double>(seconds));
}

} // namespace

XDisplaySession::XDisplaySession(const Options& options) {
    if (options.display) {
        display_ = *options.display;
        return;
    }
    const char* user = std::getenv("DISPLAY");
    if (user && *user && !options.forceVirtual) {
        display_ = user;
        return;
    }
    startVirtualDisplay(options);
}

XDisplaySession::~XDisplaySession() {
    if (windowManager_)
        windowManager_->stop();
    if (server_)
        server_->stop();
}

bool XDisplaySession::healthy() {
    if (!server_)
        return true;
    return server_->running() && (!windowManager_ || windowManager_->running());
}

void XDisplaySession::startVirtualDisplay(const Options& options) {
    if (!programOnPath("Xvfb"))
        throw std::runtime_error("没有可用的显示（DISPLAY 未设置），也没有安装 Xvfb");
    // -displayfd lets the server pick a free display number and tell it, so two sessions on
    // one machine never race for the same number.
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("无法启动 Xvfb：pipe 失败");
    try {
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                     options.screen, "-nolisten", "tcp"},
            std::vector<std::pair<std::string, std::string>>{}, std::vector<int>{fds[1]});
    } catch (...) {
        close(fds[0]);
        close(fds[1]);
        throw;
    }
    close(fds[1]);
    std::string number;
    const auto deadline = after(options.startSeconds);
    while (Clock::now() < deadline) {
        pollfd entry{fds[0], POLLIN, 0};
        if (poll(&entry, 1, 100) > 0) {
            char buffer[32];
            const ssize_t got = read(fds[0], buffer, sizeof buffer);
            if (got <= 0)
                break;
            number.append(buffer, static_cast<std::size_t>(got));
            if (number.find('\n') != std::string::npos)
                break;
        }
        if (!server_->running())
            break;
    }
    close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' '))
        number.pop_back();
    if (number.empty()) {
        server_->stop();
        throw std::runtime_error("Xvfb 没有在限定时间内启动");
    }
    display_ = ":" + number;
    if (options.windowManager.empty())
        return;
    if (!programOnPath(options.windowManager)) {
        throw std::runtime_error("没有安装窗口管理器 " + options.windowManager +
                                 "，对话框无法可靠地获得焦点");
    }
    windowManager_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{options.windowManager},
        std::vector<std::pair<std::string, std::string>>{{"DISPLAY", display_}});
    waitForWindowManager(options.startSeconds);
}

void XDisplaySession::waitForWindowManager(double seconds) {
    XConnection connection(display_);
    std::lock_guard lock(connection.mutex());
    Display* display = connection.display();
    const auto deadline = after(seconds);
    // openbox announces itself on the root window a moment before it takes over mapping, and
    // a window mapped in between stays unmanaged for good: no activation reaches it. Ready
    // means a window of our own got managed; mapped too early, it is mapped again.
    const Window probe = XCreateSimpleWindow(display, connection.root(), 0, 0, 1, 1, 0, 0, 0);
    auto remapAt = Clock::now();
    bool managed = false;
    while (!managed && Clock::now() < deadline && windowManager_->running()) {
        if (connection.cardinal(connection.root(), "_NET_SUPPORTING_WM_CHECK")) {
            const auto clients = connection.cardinals(connection.root(), "_NET_CLIENT_LIST");
            managed = std::find(clients.begin(), clients.end(), probe) != clients.end();
            if (!managed && Clock::now() >= remapAt) {
                XUnmapWindow(display, probe);
                XMapWindow(display, probe);
                XSync(display, False);
                remapAt = after(0.5);
            }
        }
        if (!managed)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    XDestroyWindow(display, probe);
    XSync(display, False);
    if (!managed)
        throw std::runtime_error("窗口管理器没有在限定时间内启动");
}

} // namespace plumeo
