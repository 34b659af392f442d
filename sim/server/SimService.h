#pragma once

#include "sim/model/SimWorld.h"
#include "sim/protocol/SimProtocol.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace plumeo::sim {

/// The steady clock as the world's time.
class SteadySimClock : public SimClock {
public:
    double now() const override;
};

/// Answers protocol requests against one SimWorld. Thread-safe: each request holds the world's
/// lock only while it touches the world; requests that wait (a script behind a modal dialog,
/// a dialog handler, an event long poll) wait outside it.
class SimService {
public:
    SimService(SimConfig config, ProcessHost& processes);
    ~SimService();

    /// One request line in, one answer line (with its newline) out. Never throws.
    std::string handleLine(std::string_view line);
    /// The answer to an overlong request line.
    static std::string oversizedAnswer();

    /// Lets time pass and notices a Word process that ended on its own. Called periodically.
    void tick();
    /// Wakes every waiting request; later waits return at once.
    void shutdown();
    bool shutdownRequested() const { return shutdown_; }

    /// Runs `work` on the world under its lock (tests and the program's set-up).
    void withWorld(const std::function<void(SimWorld&)>& work);

private:
    nlohmann::json dispatch(const simproto::Request& request);
    nlohmann::json runScript(const nlohmann::json& args);
    nlohmann::json waitForEvents(const nlohmann::json& args);
    /// Waits up to `seconds` until `done` (called under the lock) holds; false on time-out.
    bool waitUntil(double seconds, const std::function<bool()>& done);

    SteadySimClock clock_;
    ProcessHost& processes_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::unique_ptr<SimWorld> world_;
    std::atomic<bool> shutdown_{false};
};

} // namespace plumeo::sim
