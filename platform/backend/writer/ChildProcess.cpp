#include "platform/backend/writer/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace plumeo {

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::vector<std::pair<std::string, std::string>>& environment,
                           const std::vector<int>& inheritedFds) {
    if (arguments.empty())
        throw std::runtime_error("no program to start");
    std::vector<std::string> envStrings;
    for (char** entry = environ; *entry; ++entry) {
        const std::string existing(*entry);
        const auto name = existing.substr(0, existing.find('='));
        bool replaced = false;
        for (const auto& [key, value] : environment)
            replaced = replaced || key == name;
        if (!replaced)
            envStrings.push_back(existing);
    }
    for (const auto& [key, value] : environment)
        envStrings.push_back(key + "=" + value);

    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& entry : envStrings)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // A child of a long-running program gets no terminal; file descriptors it should
    // keep are handed over as they are (FD_CLOEXEC cleared by dup2 onto themselves).
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // Its chatter (a window manager's missing menu file, a server's font warnings) is not
    // ours to report: our own messages say what went wrong.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    for (int fd : inheritedFds)
        fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) & ~FD_CLOEXEC);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group: a terminal's Ctrl-C is meant for Plumeo, which then stops it.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int status =
        posix_spawnp(&pid_, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (status != 0)
        throw std::runtime_error("cannot start " + arguments[0] + ": " + std::strerror(status));
}

ChildProcess::~ChildProcess() { stop(); }

bool ChildProcess::running() {
    if (reaped_ || pid_ <= 0)
        return false;
    int status = 0;
    const pid_t result = waitpid(pid_, &status, WNOHANG);
    if (result == pid_ || (result < 0 && errno == ECHILD))
        reaped_ = true;
    return !reaped_;
}

void ChildProcess::stop(double graceSeconds) {
    if (!running())
        return;
    kill(pid_, SIGTERM);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(graceSeconds);
    while (running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        reaped_ = true;
    }
}

bool programOnPath(const std::string& program) {
    if (program.find('/') != std::string::npos)
        return access(program.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::string rest = path ? path : "/usr/bin:/bin";
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const std::string directory = rest.substr(0, colon);
        if (!directory.empty() && access((directory + "/" + program).c_str(), X_OK) == 0)
            return true;
        if (colon == std::string::npos)
            break;
        rest.erase(0, colon + 1);
    }
    return false;
}

} // namespace plumeo
