#include "app/session/LocalSimulator.h"

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
#include <vector>

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

std::string LocalSimulator::executable() {
#ifdef PLUMEO_SIM_EXECUTABLE
    std::error_code ignored;
    if (std::filesystem::exists(PLUMEO_SIM_EXECUTABLE, ignored))
        return PLUMEO_SIM_EXECUTABLE;
#endif
    return "plumeo-sim";
}

LocalSimulator::LocalSimulator() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "plumeo-session-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("无法为模拟器创建临时目录");
    directory_ = pattern;
    socketPath_ = directory_ + "/sim.sock";

    const std::string program = executable();
    // The simulator ends with this process even when it is killed before it can clean up.
    std::vector<std::string> arguments = {program,       "--socket", socketPath_,
                                          "--documents", "1",        "--exit-with-parent"};
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    // A process group of its own: Ctrl-C at the terminal reaches this tool only, which then
    // cancels the session and still reads the simulator's document before stopping it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, program.c_str(), nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        std::filesystem::remove_all(directory_);
        throw std::runtime_error("无法启动模拟器 " + program);
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
            throw std::runtime_error("模拟器在应答之前就退出了（" + program + "）");
        }
        std::this_thread::sleep_for(10ms);
    }
    stop();
    throw std::runtime_error("模拟器 10 秒内没有应答");
}

LocalSimulator::~LocalSimulator() {
    stop();
}

void LocalSimulator::stop() {
    if (pid_ > 0) {
        try {
            simproto::SimConnection(socketPath_).call("ctl.shutdown");
        } catch (const simproto::SimError&) {
        }
        if (!waitForExit(pid_, 5s)) {
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

void readySimulatedWord(SimControl& control, AutoCorrectPolicy autoCorrect) {
    if (!control.wordPid())
        control.launchWord();
    if (control.dump()["word"]["documents"].empty())
        control.newDocument();
    control.activateBundle("com.microsoft.Word");
    if (autoCorrect == AutoCorrectPolicy::allOff) {
        // Every switch the simulated Word reports, so none added later is missed.
        const nlohmann::json state = control.dump();
        for (const auto& [option, on] : state["autoCorrect"].items())
            if (on.is_boolean())
                control.setAutoCorrect(option, false);
    }
}

} // namespace plumeo
