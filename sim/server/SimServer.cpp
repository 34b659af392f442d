#include "sim/server/SimServer.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

extern char** environ;

namespace plumeo::sim {

namespace {

constexpr int pollIntervalMs = 20;

} // namespace

SimServer::SimServer(SimService& service, std::string socketPath)
    : service_(service), socketPath_(std::move(socketPath)),
      listenFd_(simproto::listenAt(socketPath_)) {}

SimServer::~SimServer() {
    stop();
    if (listenFd_ >= 0) {
        close(listenFd_);
        unlink(socketPath_.c_str());
    }
}

void SimServer::stop() {
    stopping_ = true;
    service_.shutdown();
}

void SimServer::run() {
    std::thread ticker([this] {
        while (!stopping_ && !service_.shutdownRequested()) {
            service_.tick();
            std::this_thread::sleep_for(std::chrono::milliseconds(pollIntervalMs));
        }
    });
    while (!stopping_ && !service_.shutdownRequested()) {
        pollfd waiting{listenFd_, POLLIN, 0};
        if (poll(&waiting, 1, pollIntervalMs * 5) <= 0) {
            continue;
        }
        const int fd = accept(listenFd_, nullptr, nullptr);
        if (fd < 0) {
            continue;
        }
        fcntl(fd, F_SETFD, FD_CLOEXEC);
        reapConnections();
        auto finished = std::make_shared<std::atomic<bool>>(false);
        std::lock_guard lock(threadsMutex_);
        connections_.push_back({std::thread([this, fd, finished] {
                                    serveConnection(fd);
                                    *finished = true;
                                }),
                                finished});
    }
    stopping_ = true;
    service_.shutdown();
    ticker.join();
    std::lock_guard lock(threadsMutex_);
    for (auto& connection : connections_) {
        connection.thread.join();
    }
    connections_.clear();
}

void SimServer::reapConnections() {
    std::lock_guard lock(threadsMutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
        if (*it->finished) {
            it->thread.join();
            it = connections_.erase(it);
        } else {
            ++it;
        }
    }
}

void SimServer::serveConnection(int fd) {
    simproto::LineSplitter splitter;
    char buffer[65536];
    bool open = true;
    while (open && !stopping_) {
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, pollIntervalMs * 5) <= 0) {
            continue;
        }
        const ssize_t received = recv(fd, buffer, sizeof(buffer), 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            break;
        }
        splitter.append(std::string_view(buffer, static_cast<std::size_t>(received)));
        std::string line;
        for (;;) {
            const auto status = splitter.next(line);
            if (status == simproto::LineSplitter::Status::needMore) {
                break;
            }
            const std::string answer = status == simproto::LineSplitter::Status::line
                                           ? service_.handleLine(line)
                                           : SimService::oversizedAnswer();
            if (!simproto::writeAll(fd, answer)) {
                open = false;
                break;
            }
        }
    }
    close(fd);
}

// -- Word's process ------------------------------------------------------------------------------

ChildProcessHost::ChildProcessHost(std::string executable) : executable_(std::move(executable)) {}

std::optional<int> ChildProcessHost::startWordProcess() {
    std::string program = executable_;
    std::string flag = "--word-process";
    char* argv[] = {program.data(), flag.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        return std::nullopt;
    }
    return static_cast<int>(pid);
}

void ChildProcessHost::stopProcess(int pid) {
    kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

bool ChildProcessHost::hasExited(int pid) {
    int status = 0;
    const pid_t reaped = waitpid(pid, &status, WNOHANG);
    return reaped == pid || (reaped < 0 && errno == ECHILD);
}

void endWithParent(int signal) {
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, signal);
#else
    (void)signal;
#endif
}

int runWordProcess() {
    endWithParent(SIGKILL);
    const pid_t parent = getppid();
    // Without a death signal (or if the parent is already gone) watch the parent instead.
    while (getppid() == parent) {
        sleep(1);
    }
    return 0;
}

} // namespace plumeo::sim
