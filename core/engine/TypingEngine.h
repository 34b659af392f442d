#pragma once

#include "core/engine/DocumentReader.h"
#include "core/engine/EngineClock.h"
#include "core/engine/EngineObserver.h"
#include "core/engine/EngineSnapshot.h"
#include "core/engine/KeyEventSink.h"
#include "core/engine/TargetGuard.h"
#include "core/engine/TaskQueue.h"
#include "core/text/ModeSettings.h"
#include "core/text/PacingProfile.h"
#include "core/text/Planner.h"
#include "core/text/PreparedText.h"
#include "core/verify/DocumentAnchor.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace plumeo {

/// Everything a TypingEngine is built from.
struct TypingEngineOptions {
    PreparedText text;
    ModeSettings settings;
    /// Seed of every plan of the session; a resumed session rebuilds the rest from it.
    std::uint64_t seed = 0;
    std::shared_ptr<KeyEventSink> sink;
    std::shared_ptr<TargetGuard> guardian;
    std::shared_ptr<DocumentReader> reader;
    /// Identity of the target document, compared with DocState::documentID.
    std::string documentID;
    /// The document's text when the session starts and the insertion point within it.
    std::u16string initialContent;
    int insertionOffset = 0;
    /// Defaults to a SystemClock.
    std::shared_ptr<EngineClock> clock;
    /// Held weakly; snapshots are delivered on observerQueue. Without a queue nothing is
    /// delivered.
    std::weak_ptr<EngineObserver> observer;
    std::shared_ptr<TaskQueue> observerQueue;
    /// Called first on every worker thread with its name, "Plumeo.Engine", so the platform
    /// layer can name the thread; the core itself makes no OS calls.
    std::function<void(const char* threadName)> nameWorkerThread;
};

/// How requestCancel ends the session.
enum class CancelKind { user, emergency };

/// Runs one typing session: sends the plan's strokes through the sink on a worker thread,
/// asks the guard before every stroke, confirms progress by reading back, stops within one
/// stroke of a request, and handles typos, resuming and the final verification.
///
/// Always held by std::shared_ptr (create()): a running job keeps the engine alive, and the
/// last owner may release it on any thread. All public operations are thread-safe. At most
/// one job runs at a time. A request is judged against the phase at the moment it is made:
/// while a job is at work it is ignored; while a job only winds down after settling the phase
/// (the settle measurement after a stop) it is queued and runs right after, unless a stop
/// recorded meanwhile makes it wrong.
class TypingEngine : public std::enable_shared_from_this<TypingEngine> {
    struct Passkey {};

public:
    /// Plans the session and anchors the insertion point; starts nothing.
    static std::shared_ptr<TypingEngine> create(TypingEngineOptions options);
    TypingEngine(Passkey, TypingEngineOptions options);
    ~TypingEngine();
    TypingEngine(const TypingEngine&) = delete;
    TypingEngine& operator=(const TypingEngine&) = delete;

    /// From idle only: starts typing. Any other phase: nothing (resuming is resume()).
    void start();
    /// Records a stop while typing, resuming or verifying; the first reason wins. Ignored in
    /// other phases.
    void requestStop(const StopReason& reason);
    void requestPause(const StopReason& reason) { requestStop(reason); }
    /// Paused, idle or waiting for relocation: cancelled at once. Working: stops the job,
    /// which ends the session. Other phases: nothing.
    void requestCancel(CancelKind kind);
    /// Calls the new guard's beginSending(), then installs it unless typing is under way.
    void replaceGuard(std::shared_ptr<TargetGuard> guardian);
    /// True once no job runs; false when `timeoutSeconds` passed first.
    bool waitUntilIdle(double timeoutSeconds);

    EngineSnapshot snapshot() const;
    /// The document as it should be with every sent unit in place.
    std::u16string expectedDocumentForSent() const;
    /// The document as it should be at the end of the session.
    std::u16string expectedFinalDocument() const;

    // Resuming and the user's ways out of a relocation.
    /// Paused or waiting for relocation: re-reads the document and continues where the
    /// typed text is found, or asks the user.
    void resume();
    /// Waiting for relocation: continues at the user's cursor, from `fromUnit` or from the
    /// unit the text before the cursor ends with.
    void continueFromCursor(std::optional<int> fromUnit);
    /// Paused: accepts the differences inside this session's text and continues.
    void acceptDifferencesAndContinue();
    /// Completed but unverified: runs the final verification again.
    void reverify();

    // Tuning, in seconds; change before start().
    double checkpointTimeout() const { return checkpointTimeout_.load(); }
    void setCheckpointTimeout(double seconds) { checkpointTimeout_.store(seconds); }
    double pollInterval() const { return pollInterval_.load(); }
    void setPollInterval(double seconds) { pollInterval_.store(seconds); }
    double settleWindow() const { return settleWindow_.load(); }
    void setSettleWindow(double seconds) { settleWindow_.store(seconds); }
    /// How long resuming, continuing or accepting waits at most for the document to come to
    /// rest (keys posted before the stop may still be landing) before it gives up.
    double quietTimeout() const { return quietTimeout_.load(); }
    void setQuietTimeout(double seconds) { quietTimeout_.store(seconds); }

    int acceptedDifferences() const;
    /// The fast mode's current interval between units.
    double adaptiveIntervalMs() const;
    const std::string& documentID() const { return documentID_; }
    const PreparedText& text() const { return text_; }
    const ModeSettings& settings() const { return settings_; }
    std::uint64_t seed() const { return seed_; }

private:
    struct PendingTypo {
        std::u16string wrong;
        int beforeUnit = 0;
    };
    /// What a step or a read-back check ends with: nothing, or the reason to stop.
    using StopOutcome = std::optional<StopReason>;

    // Worker machinery.
    /// Under the lock: no job runs, or the running one has settled the phase and only winds
    /// down, with nothing queued behind it.
    bool mayLaunchLocked() const;
    /// Under the lock, after mayLaunchLocked(): starts `job` on a new worker or queues it
    /// behind the one winding down. Returns the previous worker, to be joined outside the lock.
    std::thread launchLocked(std::function<void(TypingEngine&)> job);
    static void joinPrevious(std::thread previous);
    static void workerMain(std::shared_ptr<TypingEngine> engine,
                           std::function<void(TypingEngine&)> job);
    void publish();
    EngineSnapshot snapshotLocked() const;
    StopOutcome waitInterruptibly(double seconds);
    void setActivity(EngineActivity activity);
    void recordStopLocked(const StopReason& reason);
    /// Returns at `deadline`, or as soon as a stop is requested when `stopEndsIt`; the lock is
    /// given up while it waits.
    void waitUntilLocked(std::unique_lock<std::mutex>& lock,
                         std::chrono::steady_clock::time_point deadline, bool stopEndsIt);
    /// Returns once the held key, if any, has been down for the hold time.
    void waitOutHoldLocked(std::unique_lock<std::mutex>& lock);
    /// Lets the held key up, once it has been down for the hold time. A failed release is
    /// recorded as the stop.
    void releaseHeldKeyLocked(std::unique_lock<std::mutex>& lock);
    void releaseHeldKey();
    /// The lock for a stop or cancel request, taken ahead of the worker's next post.
    std::unique_lock<std::mutex> lockForStopRequest();
    void closeActiveStretchLocked(double now);

    // Typing.
    void runTyping(std::optional<int> typoToRemoveBefore);
    void typingLoop(double lastPublish);
    /// The send procedure for one stroke. When the stroke is the last of unit
    /// `completesUnit`, the unit counts as sent in the same lock section as its post, so a
    /// stop never sees the stroke posted but the unit unsent.
    /// Any other stroke of a unit, `partOfUnit`, still moves the cursor before the unit counts.
    StopOutcome send(const KeyStroke& stroke, std::optional<int> completesUnit = std::nullopt,
                     bool partOfUnit = false);
    StopOutcome checkpoint();
    void adaptInterval(double checkpointSeconds);
    void handleStop(const StopReason& reason);
    void measureSettle();
    /// Before a job reads the document to continue: waits until no key posted before the stop
    /// can still land, that is until the cursor has stood still for the settle window. The
    /// reason to stop when it never comes to rest or a stop request arrives; nothing once it
    /// is quiet, or as soon as the phase is no longer `phase` (the caller's own phase check
    /// then ends the job). A failing read throws, like the job's own reads.
    StopOutcome awaitQuietDocument(SessionPhase::Kind phase);
    /// The wait above for the resume and continue jobs; false when the job must end (the
    /// stop or the failed read has been handled).
    bool awaitQuietBeforeResuming();
    StopOutcome typoInsert(const std::u16string& wrong, int beforeUnit);
    StopOutcome typoDelete(int beforeUnit);
    StopOutcome verifyBackspace(int beforeUnit);
    /// Which typo check a window poll belongs to; it decides the stop reasons.
    enum class TypoCheck { afterInsert, afterBackspace };
    /// Polls until the cursor stands at `cursor` and [from, to) reads as `expected`.
    StopOutcome verifyTypoWindow(TypoCheck check, int cursor, int from, int to,
                                 const std::u16string& expected);

    // Resuming and verification.
    void runResume();
    void runContinue(std::optional<int> fromUnit);
    void runAccept();
    /// The accept job's decision: true when the differences were accepted and typing may go on.
    bool acceptDifferences();
    void runFinalVerification();
    void enterRelocation(const std::string& message, std::optional<int> knownCursor);
    void failReadWhileResuming(const std::string& errorText);
    void addNote(std::string note);
    /// Installs a located continuation point and returns true when typing may go on; false
    /// when the phase moved on meanwhile or a stop request arrived (then it is handled).
    bool commitContinuation(int units, DocumentAnchor anchor, bool keepPendingTypo,
                            SessionPhase::Kind requiredPhase, std::optional<std::string> note,
                            int moreAcceptedDifferences);

    // Immutable after construction.
    const PreparedText text_;
    const ModeSettings settings_;
    const std::uint64_t seed_;
    const std::shared_ptr<KeyEventSink> sink_;
    const std::shared_ptr<DocumentReader> reader_;
    const std::shared_ptr<EngineClock> clock_;
    const PacingProfile profile_;
    const std::weak_ptr<EngineObserver> observer_;
    const std::shared_ptr<TaskQueue> observerQueue_;
    const std::string documentID_;
    const std::function<void(const char*)> nameWorkerThread_;

    std::atomic<double> checkpointTimeout_{2.5};
    std::atomic<double> pollInterval_{0.03};
    std::atomic<double> settleWindow_{0.35};
    std::atomic<double> quietTimeout_{10.0};
    // Stop and cancel calls on their way to the lock: the worker lets them in before its next
    // post, since a plain mutex would let it take the lock again and again ahead of them.
    std::atomic<int> stopsWaiting_{0};

    // Everything below is guarded by mutex_; condition_ wakes the worker's waits.
    mutable std::mutex mutex_;
    std::condition_variable condition_;
    std::shared_ptr<TargetGuard> guardian_;
    SessionPhase phase_;
    std::optional<StopReason> stopRequest_;
    ProgressLedger ledger_;
    // Replaced, never changed in place, so the worker can use it outside the lock.
    std::shared_ptr<const DocumentAnchor> anchor_;
    std::vector<PlanStep> steps_;
    int stepIndex_ = 0;
    std::optional<PendingTypo> pendingTypo_;
    // The key pressed last while it is still down: it stays held across the next stroke's
    // check, and goes up before that stroke's press or before anything else the worker does.
    struct HeldKey {
        KeyStroke stroke;
        std::chrono::steady_clock::time_point releasableAt;
    };
    std::optional<HeldKey> heldKey_;
    // UTF-16 units of the unit in progress already posted: a grapheme cluster longer than one
    // key event's payload takes several, and the cursor may stand after any of them.
    int partialUnitLength_ = 0;
    EngineActivity activity_ = EngineActivity::idle;
    std::optional<StopMetrics> lastStop_;
    std::optional<double> lastPostAt_;
    std::vector<std::string> notes_;
    std::optional<double> typingActiveSince_;
    double activeTypingSeconds_ = 0;
    int activeConfirmedUnits_ = 0;
    double adaptiveIntervalMs_;
    std::optional<RelocationHint> relocationHint_;
    int acceptedDifferences_ = 0;
    bool jobRunning_ = false;
    // The accept job looks at the document while the phase stays paused: while it is asked
    // for or runs, a paused phase does not mean the worker only winds down.
    bool acceptPending_ = false;
    std::function<void(TypingEngine&)> queuedJob_;
    std::thread worker_;
};

/// The fast mode's interval after a checkpoint that took `checkpointSeconds`: a slow
/// read-back backs the rate off quickly (up to 60 ms per unit), a quick one lets it creep back
/// to the profile's minimum.
double adaptedIntervalMs(double currentMs, double checkpointSeconds, const PacingProfile& profile);

/// The text of an error caught from a port: a ReadError's description, else what().
std::string errorText(const std::exception_ptr& error);

} // namespace plumeo
