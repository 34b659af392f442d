#include "app/selftest/ScenarioSupport.h"

#include "core/engine/ReadError.h"

#include <chrono>

namespace plumeo::selftest {

std::string describeError(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const ReadError& read) {
        return read.description();
    } catch (const std::exception& other) {
        return other.what();
    } catch (...) {
        return "未知错误";
    }
}

SessionPhase waitForPhase(const TypingEngine& engine,
                          const std::function<bool(const SessionPhase&)>& done, double seconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    SessionPhase phase = engine.snapshot().phase;
    while (!done(phase) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        phase = engine.snapshot().phase;
    }
    return phase;
}

bool isSettled(const SessionPhase& phase) {
    return phase.isTerminal() || phase.kind == SessionPhase::Kind::paused ||
           phase.kind == SessionPhase::Kind::needsRelocation;
}

void InterferenceThread::startOnce(std::function<void()> work) {
    std::lock_guard guard(lock_);
    if (started_)
        return;
    started_ = true;
    thread_ = std::thread(std::move(work));
}

bool InterferenceThread::started() const {
    std::lock_guard guard(lock_);
    return started_;
}

void InterferenceThread::join() {
    std::thread running;
    {
        std::lock_guard guard(lock_);
        running = std::move(thread_);
    }
    if (running.joinable())
        running.join();
}

} // namespace plumeo::selftest
