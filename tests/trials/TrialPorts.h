#pragma once

#include "core/engine/EngineClock.h"
#include "core/engine/EngineObserver.h"
#include "core/engine/TaskQueue.h"
#include "core/engine/TypingEngine.h"
#include "tests/core/engine/FakeWordProcessor.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace plumeo::trials {

/// Monotonic seconds in which no two readings are equal, whichever threads take them. Readings
/// taken under the engine's lock therefore order exactly as those lock sections did: a post
/// read after the reading of a recorded stop was posted after that stop, with no tolerance.
class StrictClock final : public EngineClock {
public:
    double now() const override;

    /// What the calling thread has read since it last reset its tally.
    struct ThreadTally {
        int readings = 0;
        double last = 0;
    };
    static void resetThreadTally();
    static ThreadTally threadTally();
    /// The calling thread's next reading is also stored in `target`.
    static void captureNextReading(std::atomic<double>* target);

private:
    const std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
    mutable std::atomic<double> last_{0};
};

/// Runs every task at once on the thread that queues it, so a snapshot is seen on the thread
/// that published it.
class InlineTaskQueue final : public TaskQueue {
public:
    void enqueue(std::function<void()> task) override { task(); }
};

/// Remembers which phases each thread published.
class PhaseRecorder final : public EngineObserver {
public:
    void engineDidUpdate(const EngineSnapshot& snapshot) override;
    /// Whether `thread` published a cancelled phase.
    bool publishedCancellation(std::thread::id thread) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<std::thread::id, SessionPhase::Kind>> published_;
};

/// Which port call a trigger watches.
enum class PortCall { quickCheck, post, state, read, readAll };

/// The moment at which a trial lets its stop requests loose, and where it holds the worker
/// until they have been made, so the phase they meet is known without asking the engine.
struct Trigger {
    PortCall call = PortCall::quickCheck;
    /// Only calls made in this phase count. Posts take the phase of the check before them.
    std::optional<SessionPhase::Kind> phase;
    /// Only calls made while the engine reports one of these activities count; empty: any.
    std::vector<EngineActivity> activities;
    /// 1-based among the counted calls.
    int occurrence = 1;
    /// The worker waits inside the port call this many calls after the trigger (posts not
    /// counted) until every request has returned; 0: no barrier.
    int barrierDistance = 1;
    /// At a quickCheck trigger, the guard's own objection.
    std::optional<StopReason> objection;
    /// How long the worker lingers in the trigger call after letting the requests loose, so a
    /// request lands in the middle of a post or races the guard's objection.
    int lingerMicroseconds = 0;
};

/// A word processor's three ports with the trials' instrumentation in front: a trigger and
/// barrier, an exact record of every post against the StrictClock, and a live trap for posts
/// after a fence.
class TrialPorts final : public KeyEventSink, public TargetGuard, public DocumentReader {
public:
    TrialPorts(std::shared_ptr<KeyEventSink> sink, std::shared_ptr<TargetGuard> guardian,
               std::shared_ptr<DocumentReader> reader, std::shared_ptr<StrictClock> clock);
    /// In front of the in-process word processor.
    TrialPorts(const std::shared_ptr<test::FakeWordProcessor>& word,
               std::shared_ptr<StrictClock> clock)
        : TrialPorts(word, word, word, std::move(clock)) {}

    /// The engine whose phase the trigger consults; only read outside the engine's lock.
    void attach(std::weak_ptr<TypingEngine> engine);
    /// `release` runs on the worker when the trigger fires; `awaitRequests` at the barrier.
    void arm(Trigger trigger, std::function<void()> release, std::function<void()> awaitRequests);
    /// Forgets the trigger and its callbacks, keeping what was witnessed.
    void disarm();
    /// The guard objects at the `n`th quickCheck from now (1-based), without any trigger.
    void objectAtCheck(int n, StopReason reason);
    /// From now on every post read later than `recordedAt` is a violation, reported at once.
    void setFence(double recordedAt);
    void clearFence();
    void setViolationHandler(std::function<void(const std::string&)> handler);

    struct Witness {
        bool fired = false;
        std::optional<SessionPhase> atTrigger;
        std::optional<SessionPhase> atBarrier;
        /// The worker's first clock reading after the guard objected: the recording of the
        /// objection, or the acknowledgement of a stop that came first.
        std::optional<double> afterObjection;
    };
    Witness witness() const;
    std::vector<double> postTimes() const;
    int liveViolations() const;

    // KeyEventSink
    void prepare(const KeyStroke& stroke) override { sink_->prepare(stroke); }
    /// A press is the post the trials watch: the stroke's key going down.
    std::chrono::steady_clock::time_point press(const KeyStroke& stroke) override;
    void release(const KeyStroke& stroke) override { sink_->release(stroke); }
    // TargetGuard
    void beginSending() override;
    std::optional<StopReason> quickCheck(const TargetExpectation& expectation) override;
    // DocumentReader
    DocState state() override;
    std::u16string read(int start, int end) override;
    std::u16string readAll() override;
    bool readsAreFaithful() const override;

private:
    /// Trigger and barrier bookkeeping for a call made outside the engine's lock; returns the
    /// guard's objection, if this call is to carry one.
    std::optional<StopReason> beforeOutsideCall(PortCall call);
    std::optional<EngineSnapshot> engineSnapshot() const;
    bool matchesLocked(const EngineSnapshot& snapshot) const;

    const std::shared_ptr<KeyEventSink> sink_;
    const std::shared_ptr<TargetGuard> guardian_;
    const std::shared_ptr<DocumentReader> reader_;
    const std::shared_ptr<StrictClock> clock_;
    std::atomic<double> afterObjection_{std::numeric_limits<double>::quiet_NaN()};

    mutable std::mutex mutex_;
    std::weak_ptr<TypingEngine> engine_;
    std::optional<Trigger> trigger_;
    std::function<void()> release_;
    std::function<void()> awaitRequests_;
    int matches_ = 0;
    int barrierCountdown_ = 0;
    int checks_ = 0;
    std::optional<std::pair<int, StopReason>> objection_;
    std::optional<SessionPhase> phaseAtLastCheck_;
    Witness witness_;
    double fence_ = std::numeric_limits<double>::infinity();
    std::function<void(const std::string&)> violationHandler_;
    int liveViolations_ = 0;
    std::vector<double> postTimes_;
};

/// Busy-waits; sleeping is far too coarse for the gaps the trials aim at.
void spinFor(std::chrono::microseconds duration);

} // namespace plumeo::trials
