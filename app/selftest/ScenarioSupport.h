#pragma once

#include "core/engine/SessionPhase.h"
#include "core/engine/TypingEngine.h"

#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace plumeo::selftest {

/// The user-facing text of whatever was thrown.
std::string describeError(const std::exception_ptr& error);

/// Polls the engine until `done` holds for its phase or `seconds` pass; the last phase seen.
SessionPhase waitForPhase(const TypingEngine& engine,
                          const std::function<bool(const SessionPhase&)>& done, double seconds);

/// A phase in which the engine waits for someone: paused, relocating or ended.
bool isSettled(const SessionPhase& phase);

/// Interference started from the sink's hook. The hook runs on the engine's worker, which
/// must not wait on itself, so the interference gets a thread of its own, started at most once.
class InterferenceThread {
public:
    ~InterferenceThread() { join(); }
    void startOnce(std::function<void()> work);
    bool started() const;
    void join();

private:
    mutable std::mutex lock_;
    std::thread thread_;
    bool started_ = false;
};

} // namespace plumeo::selftest
