#include "tests/trials/TrialPorts.h"

#include <algorithm>
#include <cmath>

namespace plumeo::trials {
namespace {

thread_local StrictClock::ThreadTally tally;
thread_local std::atomic<double>* captureTarget = nullptr;

} // namespace

double StrictClock::now() const {
    const double real =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - origin_).count();
    double previous = last_.load();
    double next = 0;
    do {
        // Never equal to an earlier reading, even when the steady clock did not move.
        next = std::max(real, std::nextafter(previous, std::numeric_limits<double>::infinity()));
    } while (!last_.compare_exchange_weak(previous, next));
    ++tally.readings;
    tally.last = next;
    if (captureTarget) {
        captureTarget->store(next);
        captureTarget = nullptr;
    }
    return next;
}

void StrictClock::resetThreadTally() {
    tally = {};
}

StrictClock::ThreadTally StrictClock::threadTally() {
    return tally;
}

void StrictClock::captureNextReading(std::atomic<double>* target) {
    captureTarget = target;
}

void PhaseRecorder::engineDidUpdate(const EngineSnapshot& snapshot) {
    std::lock_guard lock(mutex_);
    published_.emplace_back(std::this_thread::get_id(), snapshot.phase.kind);
}

bool PhaseRecorder::publishedCancellation(std::thread::id thread) const {
    std::lock_guard lock(mutex_);
    return std::any_of(published_.begin(), published_.end(), [&](const auto& entry) {
        return entry.first == thread && entry.second == SessionPhase::Kind::cancelled;
    });
}

void spinFor(std::chrono::microseconds duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
}

TrialPorts::TrialPorts(std::shared_ptr<KeyEventSink> sink, std::shared_ptr<TargetGuard> guardian,
                       std::shared_ptr<DocumentReader> reader, std::shared_ptr<StrictClock> clock)
    : sink_(std::move(sink)), guardian_(std::move(guardian)), reader_(std::move(reader)),
      clock_(std::move(clock)) {}

void TrialPorts::attach(std::weak_ptr<TypingEngine> engine) {
    std::lock_guard lock(mutex_);
    engine_ = std::move(engine);
}

void TrialPorts::arm(Trigger trigger, std::function<void()> release,
                     std::function<void()> awaitRequests) {
    std::lock_guard lock(mutex_);
    trigger_ = std::move(trigger);
    release_ = std::move(release);
    awaitRequests_ = std::move(awaitRequests);
    matches_ = 0;
    barrierCountdown_ = 0;
    phaseAtLastCheck_.reset();
    witness_ = {};
    afterObjection_.store(std::numeric_limits<double>::quiet_NaN());
}

void TrialPorts::disarm() {
    std::lock_guard lock(mutex_);
    trigger_.reset();
    release_ = nullptr;
    awaitRequests_ = nullptr;
    barrierCountdown_ = 0;
}

void TrialPorts::objectAtCheck(int n, StopReason reason) {
    std::lock_guard lock(mutex_);
    objection_.emplace(checks_ + n, std::move(reason));
}

void TrialPorts::setFence(double recordedAt) {
    std::lock_guard lock(mutex_);
    fence_ = std::min(fence_, recordedAt);
}

void TrialPorts::clearFence() {
    std::lock_guard lock(mutex_);
    fence_ = std::numeric_limits<double>::infinity();
}

void TrialPorts::setViolationHandler(std::function<void(const std::string&)> handler) {
    std::lock_guard lock(mutex_);
    violationHandler_ = std::move(handler);
}

TrialPorts::Witness TrialPorts::witness() const {
    std::lock_guard lock(mutex_);
    Witness witness = witness_;
    const double afterObjection = afterObjection_.load();
    if (!std::isnan(afterObjection))
        witness.afterObjection = afterObjection;
    return witness;
}

std::vector<double> TrialPorts::postTimes() const {
    std::lock_guard lock(mutex_);
    return postTimes_;
}

int TrialPorts::liveViolations() const {
    std::lock_guard lock(mutex_);
    return liveViolations_;
}

std::optional<EngineSnapshot> TrialPorts::engineSnapshot() const {
    std::shared_ptr<TypingEngine> engine;
    {
        std::lock_guard lock(mutex_);
        engine = engine_.lock();
    }
    if (!engine)
        return std::nullopt;
    return engine->snapshot();
}

bool TrialPorts::matchesLocked(const EngineSnapshot& snapshot) const {
    if (trigger_->phase && snapshot.phase.kind != *trigger_->phase)
        return false;
    const auto& wanted = trigger_->activities;
    return wanted.empty() ||
           std::find(wanted.begin(), wanted.end(), snapshot.activity) != wanted.end();
}

std::optional<StopReason> TrialPorts::beforeOutsideCall(PortCall call) {
    std::function<void()> awaitRequests;
    bool consultEngine = false;
    std::optional<StopReason> objection;
    {
        std::lock_guard lock(mutex_);
        if (barrierCountdown_ > 0 && --barrierCountdown_ == 0)
            awaitRequests = awaitRequests_;
        if (call == PortCall::quickCheck) {
            ++checks_;
            if (objection_ && objection_->first == checks_) {
                objection = objection_->second;
                objection_.reset();
            }
        }
        // A post trigger needs the phase of the check that precedes each post.
        const bool watching = trigger_ && !witness_.fired;
        consultEngine = watching && (trigger_->call == call || (trigger_->call == PortCall::post &&
                                                                call == PortCall::quickCheck));
    }
    if (awaitRequests) {
        // Only the worker changes the phase while it is held here, so this is the phase every
        // request made before the barrier met.
        const auto snapshot = engineSnapshot();
        {
            std::lock_guard lock(mutex_);
            if (snapshot)
                witness_.atBarrier = snapshot->phase;
        }
        awaitRequests();
    }
    if (!consultEngine)
        return objection;

    const auto snapshot = engineSnapshot();
    std::function<void()> release;
    int lingerMicroseconds = 0;
    {
        std::lock_guard lock(mutex_);
        if (!snapshot || !trigger_ || witness_.fired)
            return objection;
        if (trigger_->call == PortCall::post) {
            phaseAtLastCheck_ = snapshot->phase;
            return objection;
        }
        if (!matchesLocked(*snapshot) || ++matches_ != trigger_->occurrence)
            return objection;
        witness_.fired = true;
        witness_.atTrigger = snapshot->phase;
        barrierCountdown_ = trigger_->barrierDistance;
        release = release_;
        lingerMicroseconds = trigger_->lingerMicroseconds;
        if (trigger_->objection)
            objection = trigger_->objection;
    }
    if (release)
        release();
    if (lingerMicroseconds > 0)
        spinFor(std::chrono::microseconds(lingerMicroseconds));
    return objection;
}

std::chrono::steady_clock::time_point TrialPorts::press(const KeyStroke& stroke) {
    // Called under the engine's lock: this reading orders exactly against the stop's.
    const double postedAt = clock_->now();
    std::function<void(const std::string&)> report;
    std::function<void()> release;
    int lingerMicroseconds = 0;
    {
        std::lock_guard lock(mutex_);
        postTimes_.push_back(postedAt);
        if (postedAt > fence_) {
            ++liveViolations_;
            report = violationHandler_;
        }
        if (trigger_ && !witness_.fired && trigger_->call == PortCall::post && phaseAtLastCheck_ &&
            (!trigger_->phase || phaseAtLastCheck_->kind == *trigger_->phase) &&
            ++matches_ == trigger_->occurrence) {
            witness_.fired = true;
            witness_.atTrigger = phaseAtLastCheck_;
            barrierCountdown_ = trigger_->barrierDistance;
            release = release_;
            lingerMicroseconds = trigger_->lingerMicroseconds;
        }
    }
    if (report)
        report("a key stroke was posted after the stop had been recorded");
    if (release) {
        release();
        // The request arrives while this post is still under way.
        spinFor(std::chrono::microseconds(lingerMicroseconds));
    }
    return sink_->press(stroke);
}

void TrialPorts::beginSending() {
    guardian_->beginSending();
}

std::optional<StopReason> TrialPorts::quickCheck(const TargetExpectation& expectation) {
    if (auto objection = beforeOutsideCall(PortCall::quickCheck)) {
        StrictClock::captureNextReading(&afterObjection_);
        return objection;
    }
    return guardian_->quickCheck(expectation);
}

DocState TrialPorts::state() {
    beforeOutsideCall(PortCall::state);
    return reader_->state();
}

std::u16string TrialPorts::read(int start, int end) {
    beforeOutsideCall(PortCall::read);
    return reader_->read(start, end);
}

std::u16string TrialPorts::readAll() {
    beforeOutsideCall(PortCall::readAll);
    return reader_->readAll();
}

bool TrialPorts::readsAreFaithful() const {
    return reader_->readsAreFaithful();
}

} // namespace plumeo::trials
