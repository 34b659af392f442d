#include "tests/support/SimulatorFixture.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace plumeo::testing {

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
        if (reaped(pid)) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

} // namespace

SimulatorProcess::SimulatorProcess(const Options& options) {
    std::string pattern = (std::filesystem::temp_directory_path() / "plumeo-sim-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create a directory for the simulator");
    }
    directory_ = pattern;
    socketPath_ = directory_ + "/sim.sock";

    std::vector<std::string> arguments = {PLUMEO_SIM_EXECUTABLE, "--socket", socketPath_,
                                          "--exit-with-parent"};
    if (!options.launchWord) {
        arguments.push_back("--no-word");
    }
    if (options.documents > 0) {
        arguments.push_back("--documents");
        arguments.push_back(std::to_string(options.documents));
    }
    arguments.insert(arguments.end(), options.extraArguments.begin(), options.extraArguments.end());
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::filesystem::remove_all(directory_);
        throw std::runtime_error(std::string("cannot start ") + PLUMEO_SIM_EXECUTABLE);
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
            std::filesystem::remove_all(directory_);
            throw std::runtime_error("the simulator ended before it answered");
        }
        std::this_thread::sleep_for(10ms);
    }
    stop();
    throw std::runtime_error("the simulator did not answer within 10 seconds");
}

SimulatorProcess::~SimulatorProcess() {
    stop();
}

SimControl& SimulatorProcess::control() {
    if (!control_) {
        control_ = std::make_unique<SimControl>(socketPath_);
    }
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

void SimulatorFixture::SetUp() {
    simulator_ = std::make_unique<SimulatorProcess>(simulatorOptions());
}

void SimulatorFixture::TearDown() {
    simulator_.reset();
}

SimulatorProcess::Options SimulatorFixture::simulatorOptions() const {
    SimulatorProcess::Options options;
    options.documents = 1;
    return options;
}

} // namespace plumeo::testing
