#pragma once

#include "sim/server/SimService.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace plumeo::sim {

/// Serves a SimService on a Unix domain socket: one thread accepts, one thread per
/// connection reads lines and answers them in order, one thread ticks the world.
class SimServer {
public:
    /// Listens at `socketPath` at once; throws simproto::SimError when it cannot.
    SimServer(SimService& service, std::string socketPath);
    ~SimServer();

    /// Serves until stop() or a "ctl.shutdown" request.
    void run();
    void stop();

private:
    void serveConnection(int fd);

    SimService& service_;
    std::string socketPath_;
    int listenFd_ = -1;
    std::atomic<bool> stopping_{false};
    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    /// Joins the threads of connections that have closed.
    void reapConnections();

    std::mutex threadsMutex_;
    std::list<Connection> connections_;
};

/// Runs Word's stand-in as a child of this program (`<self> --word-process`), which dies with
/// its parent.
class ChildProcessHost : public ProcessHost {
public:
    explicit ChildProcessHost(std::string executable);
    std::optional<int> startWordProcess() override;
    void stopProcess(int pid) override;
    bool hasExited(int pid) override;

private:
    std::string executable_;
};

/// Asks the system to send `signal` to this process when its parent ends (where it can).
void endWithParent(int signal);

/// The body of `plumeo-sim --word-process`: waits until it is killed or its parent dies.
int runWordProcess();

} // namespace plumeo::sim
