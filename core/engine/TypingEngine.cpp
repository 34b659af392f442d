#include "core/engine/TypingEngine.h"

#include "core/engine/ExpectedText.h"
#include "core/engine/ReadError.h"
#include "core/engine/SessionStateMachine.h"
#include "core/text/Utf16.h"
#include "core/verify/ContentComparator.h"

#include <algorithm>
#include <chrono>
#include <numeric>

namespace plumeo {
namespace {

using Lock = std::unique_lock<std::mutex>;

bool isWorkingPhase(const SessionPhase& phase) {
    using Kind = SessionPhase::Kind;
    return phase.kind == Kind::typing || phase.kind == Kind::resuming ||
           phase.kind == Kind::verifying;
}

} // namespace

std::string errorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const ReadError& readError) {
        return readError.description();
    } catch (const std::exception& other) {
        return other.what();
    } catch (...) {
        return "未知错误";
    }
}

namespace {

StopReason keyPostFailure(const std::exception_ptr& error) {
    return StopReason::permissionLost("键盘事件发送失败：" + errorText(error));
}

} // namespace

double adaptedIntervalMs(double currentMs, double checkpointSeconds, const PacingProfile& profile) {
    if (checkpointSeconds > 0.25) {
        const double perUnitMs = checkpointSeconds * 1000.0 / std::max(profile.checkpointEvery, 1);
        return std::min(currentMs * 1.5 + perUnitMs * 0.5, 60.0);
    }
    return std::max(profile.minIntervalMs, currentMs * 0.85);
}

// ---------------------------------------------------------------------------------------------
// Construction and lifetime

std::shared_ptr<TypingEngine> TypingEngine::create(TypingEngineOptions options) {
    return std::make_shared<TypingEngine>(Passkey{}, std::move(options));
}

TypingEngine::TypingEngine(Passkey, TypingEngineOptions options)
    : text_(std::move(options.text)), settings_(options.settings), seed_(options.seed),
      sink_(std::move(options.sink)), reader_(std::move(options.reader)),
      clock_(options.clock ? std::move(options.clock) : std::make_shared<SystemClock>()),
      profile_(PacingProfile::forMode(settings_.mode)), observer_(std::move(options.observer)),
      observerQueue_(std::move(options.observerQueue)), documentID_(std::move(options.documentID)),
      nameWorkerThread_(std::move(options.nameWorkerThread)),
      guardian_(std::move(options.guardian)), ledger_(text_.count()),
      anchor_(std::make_shared<const DocumentAnchor>(
          DocumentAnchor::initial(options.initialContent, options.insertionOffset))),
      steps_(Planner::plan(text_, settings_, 0, seed_)),
      adaptiveIntervalMs_(profile_.minIntervalMs) {}

TypingEngine::~TypingEngine() {
    // No job runs any more (a job owns the engine). A worker may still be returning, or be
    // this very thread when the job dropped the last reference.
    if (!worker_.joinable())
        return;
    if (worker_.get_id() == std::this_thread::get_id())
        worker_.detach();
    else
        worker_.join();
}

bool TypingEngine::mayLaunchLocked() const {
    if (!jobRunning_)
        return true;
    // A job that has settled the phase on a stop, a relocation or a result only measures or
    // returns now: the user's next request runs right after it instead of being lost.
    const bool windingDown = !isWorkingPhase(phase_) && !acceptPending_;
    return windingDown && !queuedJob_;
}

std::thread TypingEngine::launchLocked(std::function<void(TypingEngine&)> job) {
    if (jobRunning_) {
        queuedJob_ = std::move(job);
        return {};
    }
    jobRunning_ = true;
    std::thread previous = std::move(worker_);
    try {
        worker_ = std::thread(&TypingEngine::workerMain, shared_from_this(), std::move(job));
    } catch (...) {
        jobRunning_ = false;
        throw;
    }
    return previous;
}

void TypingEngine::joinPrevious(std::thread previous) {
    // The previous worker has cleared jobRunning and is only returning.
    if (!previous.joinable())
        return;
    if (previous.get_id() == std::this_thread::get_id())
        previous.detach();
    else
        previous.join();
}

void TypingEngine::workerMain(std::shared_ptr<TypingEngine> engine,
                              std::function<void(TypingEngine&)> job) {
    if (engine->nameWorkerThread_)
        engine->nameWorkerThread_("Plumeo.Engine");
    for (;;) {
        try {
            job(*engine);
        } catch (...) {
            // Ports are caught where they are called; anything else still ends in a phase.
            engine->handleStop(StopReason::internalError(errorText(std::current_exception())));
        }
        Lock lock(engine->mutex_);
        // Every job lets its key up on the way out; this only guards against one that did not.
        engine->releaseHeldKeyLocked(lock);
        if (!engine->queuedJob_) {
            engine->jobRunning_ = false;
            engine->condition_.notify_all();
            break;
        }
        job = std::move(engine->queuedJob_);
        engine->queuedJob_ = nullptr;
        if (isWorkingPhase(engine->phase_) && engine->stopRequest_) {
            // Stopped after it was asked for and before it could begin: the stop decides.
            const StopReason reason = *engine->stopRequest_;
            job = [reason](TypingEngine& self) { self.handleStop(reason); };
        }
    }
    // The engine may be released here, on its own worker; its destructor then detaches.
    engine.reset();
}

bool TypingEngine::waitUntilIdle(double timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration<double>(std::max(0.0, timeoutSeconds));
    Lock lock(mutex_);
    return condition_.wait_until(lock, deadline, [this] { return !jobRunning_; });
}

// ---------------------------------------------------------------------------------------------
// Public operations

void TypingEngine::start() {
    std::thread previous;
    {
        Lock lock(mutex_);
        if (phase_.kind != SessionPhase::Kind::idle || !mayLaunchLocked())
            return;
        phase_ = SessionPhase::typing();
        stopRequest_.reset();
        previous = launchLocked([](TypingEngine& engine) { engine.runTyping(std::nullopt); });
    }
    publish();
    joinPrevious(std::move(previous));
}

std::unique_lock<std::mutex> TypingEngine::lockForStopRequest() {
    ++stopsWaiting_;
    Lock lock(mutex_);
    --stopsWaiting_;
    // Wakes a worker that holds back its post for this request, whatever becomes of it.
    condition_.notify_all();
    return lock;
}

void TypingEngine::requestStop(const StopReason& reason) {
    Lock lock = lockForStopRequest();
    if (!isWorkingPhase(phase_))
        return;
    recordStopLocked(reason);
}

void TypingEngine::requestCancel(CancelKind kind) {
    const StopReason reason =
        kind == CancelKind::emergency ? StopReason::emergencyStop() : StopReason::userCancel();
    {
        Lock lock = lockForStopRequest();
        using Kind = SessionPhase::Kind;
        if (isWorkingPhase(phase_)) {
            recordStopLocked(reason);
            return;
        }
        if (phase_.kind != Kind::paused && phase_.kind != Kind::needsRelocation &&
            phase_.kind != Kind::idle)
            return;
        phase_ = SessionPhase::cancelled(reason);
    }
    publish();
}

void TypingEngine::replaceGuard(std::shared_ptr<TargetGuard> guardian) {
    guardian->beginSending();
    Lock lock(mutex_);
    if (phase_.kind == SessionPhase::Kind::typing)
        return;
    guardian_ = std::move(guardian);
}

EngineSnapshot TypingEngine::snapshot() const {
    Lock lock(mutex_);
    return snapshotLocked();
}

std::u16string TypingEngine::expectedDocumentForSent() const {
    Lock lock(mutex_);
    return anchor_->expectedDocument(ledger_.sentUnits, u"", text_);
}

std::u16string TypingEngine::expectedFinalDocument() const {
    Lock lock(mutex_);
    return anchor_->expectedDocument(text_.count(), u"", text_);
}

int TypingEngine::acceptedDifferences() const {
    Lock lock(mutex_);
    return acceptedDifferences_;
}

double TypingEngine::adaptiveIntervalMs() const {
    Lock lock(mutex_);
    return adaptiveIntervalMs_;
}

// ---------------------------------------------------------------------------------------------
// Publication

EngineSnapshot TypingEngine::snapshotLocked() const {
    EngineSnapshot snapshot;
    double active = activeTypingSeconds_;
    if (typingActiveSince_)
        active += clock_->now() - *typingActiveSince_;
    if (active > 1.0)
        snapshot.measuredUnitsPerSecond = activeConfirmedUnits_ / active;
    const int remaining = ledger_.totalUnits - ledger_.sentUnits;
    if (settings_.mode == TypingMode::fast) {
        if (snapshot.measuredUnitsPerSecond)
            snapshot.etaSeconds = remaining / std::max(0.1, *snapshot.measuredUnitsPerSecond);
    } else {
        const auto first = steps_.begin() + std::min<std::size_t>(stepIndex_, steps_.size());
        snapshot.etaSeconds = std::accumulate(first, steps_.end(), 0.0,
                                              [](double sum, const PlanStep& step) {
                                                  return sum + step.delayAfterMs;
                                              }) /
                              1000.0;
    }
    snapshot.phase = phase_;
    snapshot.ledger = ledger_;
    snapshot.activity =
        phase_.kind == SessionPhase::Kind::typing ? activity_ : EngineActivity::idle;
    snapshot.lastStop = lastStop_;
    snapshot.notes = notes_;
    if (phase_.kind == SessionPhase::Kind::needsRelocation)
        snapshot.relocation = relocationHint_;
    return snapshot;
}

void TypingEngine::publish() {
    if (!observerQueue_)
        return;
    EngineSnapshot snapshot = this->snapshot();
    // Neither the engine nor the observer is kept alive by a queued delivery.
    observerQueue_->enqueue(
        [engine = weak_from_this(), observer = observer_, snapshot = std::move(snapshot)] {
            if (engine.expired())
                return;
            if (auto target = observer.lock())
                target->engineDidUpdate(snapshot);
        });
}

void TypingEngine::setActivity(EngineActivity activity) {
    {
        Lock lock(mutex_);
        if (activity_ == activity)
            return;
        activity_ = activity;
    }
    publish();
}

void TypingEngine::addNote(std::string note) {
    {
        Lock lock(mutex_);
        notes_.push_back(std::move(note));
    }
    publish();
}

// ---------------------------------------------------------------------------------------------
// Stops

void TypingEngine::recordStopLocked(const StopReason& reason) {
    if (stopRequest_)
        return; // The first reason wins.
    stopRequest_ = reason;
    StopMetrics metrics;
    metrics.requestedAt = clock_->now();
    metrics.lastPostBeforeStop = lastPostAt_;
    metrics.postsAfterStop = 0;
    metrics.sentUnitsAtStop = ledger_.sentUnits;
    lastStop_ = metrics;
}

void TypingEngine::waitUntilLocked(Lock& lock, std::chrono::steady_clock::time_point deadline,
                                   bool stopEndsIt) {
    // A timed wait wakes up late by the timer's slack and the scheduler's delay, a good part of
    // the fast mode's 1 ms hold and interval, so the last stretch is spun through instead. The
    // lock is free throughout, so a stop request can come in.
    constexpr auto spunStretch = std::chrono::microseconds(100);
    auto waiting = [&] {
        return !(stopEndsIt && stopRequest_) && std::chrono::steady_clock::now() < deadline;
    };
    while (waiting() && std::chrono::steady_clock::now() < deadline - spunStretch)
        condition_.wait_until(lock, deadline - spunStretch);
    while (waiting()) {
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
    }
}

void TypingEngine::waitOutHoldLocked(Lock& lock) {
    // Only the worker touches the held key; a stop request does not shorten its hold.
    if (heldKey_)
        waitUntilLocked(lock, heldKey_->releasableAt, false);
}

void TypingEngine::releaseHeldKeyLocked(Lock& lock) {
    waitOutHoldLocked(lock);
    if (!heldKey_)
        return;
    const KeyStroke stroke = std::move(heldKey_->stroke);
    heldKey_.reset();
    try {
        sink_->release(stroke);
    } catch (...) {
        recordStopLocked(keyPostFailure(std::current_exception()));
    }
}

void TypingEngine::releaseHeldKey() {
    Lock lock(mutex_);
    releaseHeldKeyLocked(lock);
}

void TypingEngine::closeActiveStretchLocked(double now) {
    if (!typingActiveSince_)
        return;
    activeTypingSeconds_ += now - *typingActiveSince_;
    typingActiveSince_.reset();
}

TypingEngine::StopOutcome TypingEngine::waitInterruptibly(double seconds) {
    const auto deadline =
        std::chrono::steady_clock::now() +
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(std::max(0.0, seconds)));
    Lock lock(mutex_);
    // No key stays down through a pause: one that would outlast the hold lets the key up first,
    // the hold counting towards it. A wait that ends within the hold leaves it down, for the
    // next press to release as usual.
    if (seconds > 0 && heldKey_ && heldKey_->releasableAt < deadline)
        releaseHeldKeyLocked(lock);
    // Every wait of the worker is this one, so a broadcast from requestStop ends it at once.
    if (seconds > 0)
        waitUntilLocked(lock, deadline, true);
    return stopRequest_;
}

void TypingEngine::handleStop(const StopReason& reason) {
    bool measure = true;
    {
        Lock lock(mutex_);
        // The key goes up before anyone is told that the engine stopped.
        releaseHeldKeyLocked(lock);
        // Outside the working phases a recorded request belongs to an earlier stop that has
        // been handled; this one must not be mistaken for it.
        if (!isWorkingPhase(phase_))
            stopRequest_.reset();
        recordStopLocked(reason);
        const double now = clock_->now();
        if (lastStop_)
            lastStop_->acknowledgedAt = now;
        closeActiveStretchLocked(now);
        const StopReason effective = *stopRequest_;
        if (auto next = SessionStateMachine::transition(phase_, SessionEvent::stop(effective)))
            phase_ = *next;
        else if (effective.isResumable())
            phase_ = SessionPhase::paused(effective);
        else
            phase_ = SessionPhase::cancelled(effective);
        measure = !(phase_.kind == SessionPhase::Kind::failed &&
                    phase_.reason.kind == StopReason::Kind::wordTerminated);
    }
    publish();
    if (measure)
        measureSettle();
}

void TypingEngine::measureSettle() {
    const double deadline = clock_->now() + 2.0;
    DocState state;
    try {
        state = reader_->state();
    } catch (...) {
        return;
    }
    if (state.documentID != documentID_)
        return;
    int cursor = state.selectionStart;
    double lastChange = clock_->now();
    // The stop is handled already, so plain sleeps are fine here.
    while (clock_->now() - lastChange < settleWindow() && clock_->now() < deadline) {
        std::this_thread::sleep_for(std::chrono::duration<double>(pollInterval()));
        try {
            state = reader_->state();
        } catch (...) {
            break;
        }
        if (state.documentID != documentID_)
            break;
        if (state.selectionStart != cursor) {
            cursor = state.selectionStart;
            lastChange = clock_->now();
        }
    }
    {
        Lock lock(mutex_);
        const DocumentAnchor& anchor = *anchor_;
        const int beforeLength = utf16Count(anchor.before);
        std::optional<int> landed;
        if (cursor >= beforeLength && anchor.baseUnit <= text_.count()) {
            landed = text_.unitCountEndingAtOffset(cursor - beforeLength +
                                                   text_.offsets[anchor.baseUnit]);
            if (landed && *landed > ledger_.sentUnits)
                landed.reset();
        }
        if (lastStop_)
            lastStop_->landedUnitsAfterSettle = landed;
    }
    publish();
}

TypingEngine::StopOutcome TypingEngine::awaitQuietDocument(SessionPhase::Kind phase) {
    const double started = clock_->now();
    std::optional<std::pair<int, int>> selection;
    double lastChange = started;
    for (;;) {
        {
            Lock lock(mutex_);
            if (phase_.kind != phase)
                return std::nullopt;
        }
        const DocState state = reader_->state();
        if (state.documentID != documentID_)
            return std::nullopt; // Nothing of ours lands there; the job's checks say so.
        const std::pair current{state.selectionStart, state.selectionEnd};
        const double now = clock_->now();
        if (current != selection) {
            selection = current;
            lastChange = now;
        } else if (now - lastChange >= settleWindow()) {
            return std::nullopt;
        }
        if (now - started >= quietTimeout())
            return StopReason::wordNotKeepingUp(
                "文档一直在变化（Word 可能仍在处理已发送的按键，或有人正在编辑），请稍候再继续");
        if (phase == SessionPhase::Kind::paused) {
            // A paused session keeps the request of its stop; only the phase tells here.
            std::this_thread::sleep_for(std::chrono::duration<double>(pollInterval()));
        } else if (auto reason = waitInterruptibly(pollInterval())) {
            return reason;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Typing

void TypingEngine::runTyping(std::optional<int> typoToRemoveBefore) {
    std::shared_ptr<TargetGuard> guardian;
    {
        Lock lock(mutex_);
        guardian = guardian_;
    }
    guardian->beginSending();
    double lastPublish = 0;
    {
        Lock lock(mutex_);
        lastPublish = clock_->now();
        typingActiveSince_ = lastPublish;
    }
    publish();
    if (typoToRemoveBefore) {
        // The pending typo was found still standing: take it back before anything else.
        if (auto reason = send(KeyStroke::backspace())) {
            handleStop(*reason);
            return;
        }
        if (auto reason = verifyBackspace(*typoToRemoveBefore)) {
            handleStop(*reason);
            return;
        }
    }
    typingLoop(lastPublish);
}

void TypingEngine::typingLoop(double lastPublish) {
    for (;;) {
        PlanStep step;
        {
            Lock lock(mutex_);
            if (stopRequest_) {
                const StopReason reason = *stopRequest_;
                lock.unlock();
                handleStop(reason);
                return;
            }
            if (stepIndex_ >= static_cast<int>(steps_.size())) {
                closeActiveStretchLocked(clock_->now());
                if (phase_.kind == SessionPhase::Kind::typing)
                    phase_ = SessionPhase::verifying();
                lock.unlock();
                publish();
                runFinalVerification();
                return;
            }
            step = steps_[stepIndex_];
        }
        const double stepStart = clock_->now();

        StopOutcome outcome;
        switch (step.action.kind) {
        case StepAction::Kind::unit: {
            setActivity(EngineActivity::typing);
            const int unit = step.action.unitIndex;
            const std::vector<KeyStroke> strokes = text_.units[unit].strokes();
            for (std::size_t i = 0; i < strokes.size() && !outcome; ++i) {
                const bool last = i + 1 == strokes.size();
                outcome = send(strokes[i], last ? std::optional<int>(unit) : std::nullopt, !last);
            }
            break;
        }
        case StepAction::Kind::typoInsert:
            outcome = typoInsert(step.action.wrong, step.action.unitIndex);
            break;
        case StepAction::Kind::typoDelete:
            outcome = typoDelete(step.action.unitIndex);
            break;
        }
        if (outcome) {
            handleStop(*outcome);
            return;
        }
        const double elapsedMs = (clock_->now() - stepStart) * 1000.0;

        if (step.checkpointAfter) {
            setActivity(EngineActivity::checking);
            const double checkpointStart = clock_->now();
            if (auto reason = checkpoint()) {
                handleStop(*reason);
                return;
            }
            adaptInterval(clock_->now() - checkpointStart);
            setActivity(EngineActivity::typing);
        }

        double delayMs = step.delayAfterMs;
        {
            Lock lock(mutex_);
            ++stepIndex_;
            if (settings_.mode == TypingMode::fast)
                delayMs = adaptiveIntervalMs_;
        }
        const double now = clock_->now();
        if (now - lastPublish > 0.1) {
            publish();
            lastPublish = now;
        }
        if (auto reason = waitInterruptibly(std::max(0.0, delayMs - elapsedMs) / 1000.0)) {
            handleStop(*reason);
            return;
        }
    }
}

TypingEngine::StopOutcome TypingEngine::send(const KeyStroke& stroke,
                                             std::optional<int> completesUnit, bool partOfUnit) {
    std::shared_ptr<TargetGuard> guardian;
    TargetExpectation expectation;
    {
        Lock lock(mutex_);
        if (stopRequest_)
            return stopRequest_;
        if (phase_.kind != SessionPhase::Kind::typing)
            return StopReason::internalError("状态不允许发送");
        // Word may not have taken in every posted stroke yet: the cursor may be anywhere
        // between the end of the confirmed text and the end of the sent text.
        const DocumentAnchor& anchor = *anchor_;
        const int base = anchor.baseUnit;
        const int confirmedEnd = anchor.cursorOffset(std::max(ledger_.confirmedUnits, base), text_);
        int sentEnd = anchor.cursorOffset(std::max(ledger_.sentUnits, base), text_);
        if (pendingTypo_)
            sentEnd += utf16Count(pendingTypo_->wrong);
        sentEnd += partialUnitLength_;
        const int lo = std::min(confirmedEnd, sentEnd);
        const int hi = std::max(confirmedEnd, sentEnd);
        const int afterLength = utf16Count(anchor.after);
        expectation.cursor = {lo, hi};
        expectation.documentLength = {lo + afterLength, hi + afterLength};
        guardian = guardian_;
    }
    // The previous key, if any, is still down: the check and the readying of this stroke
    // use its hold time instead of adding to it.
    const std::optional<StopReason> objection = guardian->quickCheck(expectation);
    std::exception_ptr prepareFailure;
    if (!objection) {
        try {
            sink_->prepare(stroke);
        } catch (...) {
            prepareFailure = std::current_exception();
        }
    }

    Lock lock(mutex_);
    waitOutHoldLocked(lock);
    condition_.wait(lock, [this] { return stopsWaiting_ == 0 || stopRequest_; });
    // Whatever comes next, a press or a stop, the held key goes up first: alone before a stop,
    // together with the next key-down before a press.
    if (stopRequest_ || objection || prepareFailure) {
        releaseHeldKeyLocked(lock);
        if (stopRequest_)
            return stopRequest_; // A request that came in meanwhile wins over the guard's answer.
        const StopReason reason = objection ? *objection : keyPostFailure(prepareFailure);
        recordStopLocked(reason);
        return reason;
    }
    // Pressing under the lock: a stop request cannot slip in between the check and the press.
    // The hold counts from the moment the key-down went out, not from the post's return: where
    // a post is a round trip, the wait for its answer is part of the hold.
    std::chrono::steady_clock::time_point pressedAt;
    try {
        if (heldKey_) {
            const KeyStroke held = std::move(heldKey_->stroke);
            heldKey_.reset();
            pressedAt = sink_->releaseAndPress(held, stroke);
        } else {
            pressedAt = sink_->press(stroke);
        }
    } catch (...) {
        const StopReason reason = keyPostFailure(std::current_exception());
        recordStopLocked(reason);
        return reason;
    }
    const double holdMs = profile_.keyHoldMs > 0 ? profile_.keyHoldMs : 0.0;
    heldKey_ = HeldKey{stroke, pressedAt +
                                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double, std::milli>(holdMs))};
    lastPostAt_ = clock_->now();
    ++ledger_.strokesSent;
    if (completesUnit) {
        ledger_.sentUnits = *completesUnit + 1;
        partialUnitLength_ = 0;
    } else if (partOfUnit) {
        partialUnitLength_ += utf16Count(stroke.text);
    }
    return std::nullopt;
}

TypingEngine::StopOutcome TypingEngine::checkpoint() {
    releaseHeldKey();
    int sent = 0;
    int confirmed = 0;
    std::shared_ptr<const DocumentAnchor> anchorPointer;
    {
        Lock lock(mutex_);
        sent = ledger_.sentUnits;
        confirmed = ledger_.confirmedUnits;
        anchorPointer = anchor_;
    }
    const DocumentAnchor& anchor = *anchorPointer;
    const int afterLength = utf16Count(anchor.after);
    const int expectedCursor = anchor.cursorOffset(sent, text_);
    const int confirmedEnd = anchor.cursorOffset(std::max(confirmed, anchor.baseUnit), text_);
    // Up to 16 units of context before the unconfirmed text and up to 16 after it.
    const int windowStart = confirmedEnd - std::min(confirmedEnd, 16);
    const int windowEnd = expectedCursor + std::min(afterLength, 16);
    const std::u16string expectedWindow =
        expectedSlice(anchor, text_, sent, windowStart, windowEnd);

    auto readFailure = [] {
        return StopReason::readbackFailed(errorText(std::current_exception()));
    };
    const double started = clock_->now();
    DocState state;
    std::u16string actual;
    for (;;) {
        try {
            state = reader_->state();
        } catch (...) {
            return readFailure();
        }
        if (state.documentID != documentID_)
            return StopReason::documentChanged("当前活动文档不是目标文档");
        if (!state.inMainStory)
            return StopReason::focusLeftBody("光标不在主正文中");
        if (state.selectionStart == expectedCursor && state.selectionEnd == expectedCursor) {
            try {
                actual = reader_->read(windowStart, windowEnd);
            } catch (...) {
                return readFailure();
            }
            if (actual == expectedWindow ||
                (!reader_->readsAreFaithful() &&
                 ContentComparator::scriptPlaceholderMatch(expectedWindow, actual))) {
                Lock lock(mutex_);
                activeConfirmedUnits_ += std::max(0, sent - ledger_.confirmedUnits);
                ledger_.confirmedUnits = sent;
                return std::nullopt;
            }
        }
        if (clock_->now() >= started + checkpointTimeout())
            break;
        if (auto reason = waitInterruptibly(pollInterval()))
            return reason;
    }

    // Timed out: say what is wrong, from the last state and read.
    const int cursor = state.selectionStart;
    if (state.selectionStart != state.selectionEnd)
        return StopReason::selectionChanged("出现了非空选区");
    if (confirmedEnd <= cursor && cursor < expectedCursor) {
        std::u16string landed;
        try {
            landed = reader_->read(confirmedEnd, cursor);
        } catch (...) {
            return readFailure();
        }
        const std::u16string wanted =
            expectedSlice(anchor, text_, sent, confirmedEnd, expectedCursor);
        const bool consistent =
            wanted.compare(0, landed.size(), landed) == 0 && landed.size() <= wanted.size();
        if (consistent || (!reader_->readsAreFaithful() &&
                           ContentComparator::scriptPlaceholderMatch(
                               utf16Slice(wanted, 0, utf16Count(landed)), landed))) {
            return StopReason::wordNotKeepingUp(
                "已发送 " + std::to_string(sent) + " 个单元，Word 光标只前进到 " +
                std::to_string(cursor) + "，预期 " + std::to_string(expectedCursor));
        }
        return StopReason::readbackMismatch(
            ContentComparator::compare(wanted, landed, std::nullopt,
                                       ContentComparator::defaultMaxHunks)
                .summary());
    }
    if (cursor != expectedCursor)
        return StopReason::selectionChanged("光标位置 " + std::to_string(cursor) + "，预期 " +
                                            std::to_string(expectedCursor));
    return StopReason::readbackMismatch(
        ContentComparator::compare(expectedWindow, actual, std::nullopt,
                                   ContentComparator::defaultMaxHunks)
            .summary());
}

void TypingEngine::adaptInterval(double checkpointSeconds) {
    if (!profile_.adaptive)
        return;
    Lock lock(mutex_);
    adaptiveIntervalMs_ = adaptedIntervalMs(adaptiveIntervalMs_, checkpointSeconds, profile_);
}

} // namespace plumeo
