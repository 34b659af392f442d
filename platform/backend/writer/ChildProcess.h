#pragma once

#include <string>
#include <utility>
#include <vector>

namespace plumeo {

/// A program the backend started and must stop again: spawned with extra environment entries,
/// watched without blocking, stopped with SIGTERM and, after a grace, SIGKILL.
class ChildProcess {
public:
    /// Starts `arguments[0]` (looked up on PATH); throws std::runtime_error when it cannot.
    ChildProcess(const std::vector<std::string>& arguments,
                 const std::vector<std::pair<std::string, std::string>>& environment = {},
                 const std::vector<int>& inheritedFds = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return pid_; }
    /// Whether it still runs; reaps it when it has ended.
    bool running();
    /// Ends it; waits at most `graceSeconds` after SIGTERM before SIGKILL.
    void stop(double graceSeconds = 2.0);

private:
    int pid_ = -1;
    bool reaped_ = false;
};

/// Whether `program` is an executable file on PATH (or a path to one).
bool programOnPath(const std::string& program);

} // namespace plumeo
