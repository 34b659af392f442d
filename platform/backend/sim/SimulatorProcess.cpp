#include "platform/backend/sim/SimulatorProcess.h"

#include "sim/protocol/SimProtocol.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace plumeo {

namespace {

using namespace std::chrono_literals;

bool reaped(int pid) {
    int status = 0;
    const pid_t result = waitpid(pid, &status, WNOHANG);
    return result == pid || (result < 0 && errno == ECHILD);
}

bool waitForExit(int pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (reaped(pid))
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

} // namespace

SimulatorProcess::SimulatorProcess(const Options& options) {
    std::string pattern = (std::filesystem::temp_directory_path() / "plumeo-sim-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("无法为模拟器创建临时目录");
    directory_ = pattern;
    socketPath_ = directory_ + "/sim.sock";

    // The simulator ends with this process even when it is killed before it can clean up.
    std::vector<std::string> arguments = {options.executable, "--socket", socketPath_,
                                          "--exit-with-parent"};
    if (!options.launchWord)
        arguments.push_back("--no-word");
    if (options.documents > 0) {
        arguments.push_back("--documents");
        arguments.push_back(std::to_string(options.documents));
    }
    arguments.insert(arguments.end(), options.extraArguments.begin(), options.extraArguments.end());
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (options.ownProcessGroup) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        std::filesystem::remove_all(directory_);
        throw std::runtime_error("无法启动模拟器 " + options.executable);
    }
    pid_ = pid;

    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        try {
            simproto::SimConnection probe(socketPath_);
            probe.call("ping");
            return;
        } catch (const simproto::SimError&) {
        }
        if (reaped(pid_)) {
            pid_ = -1;
            stop();
            throw std::runtime_error("模拟器在应答之前就退出了（" + options.executable + "）");
        }
        std::this_thread::sleep_for(10ms);
    }
    stop();
    throw std::runtime_error("模拟器 10 秒内没有应答");
}

SimulatorProcess::~SimulatorProcess() {
    stop();
}

SimControl& SimulatorProcess::control() {
    if (!control_)
        control_ = std::make_unique<SimControl>(socketPath_);
    return *control_;
}

bool SimulatorProcess::running() {
    return pid_ > 0 && kill(pid_, 0) == 0 && !reaped(pid_);
}

void SimulatorProcess::stop() {
    control_.reset();
    if (pid_ > 0) {
        try {
            simproto::SimConnection(socketPath_).call("ctl.shutdown");
        } catch (const simproto::SimError&) {
        }
        if (!waitForExit(pid_, 5s)) {
            // Its Word process dies with it (a parent-death signal).
            kill(pid_, SIGKILL);
            waitForExit(pid_, 5s);
        }
        pid_ = -1;
    }
    if (!directory_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
        directory_.clear();
    }
}

} // namespace plumeo
