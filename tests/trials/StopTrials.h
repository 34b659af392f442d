#pragma once

#include "core/engine/DocumentReader.h"
#include "core/engine/KeyEventSink.h"
#include "core/engine/SessionPhase.h"
#include "core/engine/StopReason.h"
#include "core/engine/TargetGuard.h"
#include "core/text/SeededRNG.h"
#include "core/text/TypingMode.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace plumeo::trials {

/// Where the worker is when a stop is let loose.
enum class StopMoment { post, wait, checkpoint, typo, resume, finalVerification };
std::string_view name(StopMoment moment);

/// Who asks for the stop.
enum class StopSource {
    pause,           ///< requestPause(userPause)
    reason,          ///< requestStop with a reason of the kind a port or the coordinator gives
    userCancel,      ///< requestCancel(user)
    emergencyCancel, ///< requestCancel(emergency)
    guard,           ///< the guard objects to a stroke
};
std::string_view name(StopSource source);

/// Where a trial's word processor comes from: the in-process fake, or a simulated Word.
class TrialTarget {
public:
    virtual ~TrialTarget() = default;

    struct Opened {
        std::shared_ptr<KeyEventSink> sink;
        std::shared_ptr<TargetGuard> guardian;
        std::shared_ptr<DocumentReader> reader;
        std::string documentID;
        /// The document as the engine is to anchor it, and the insertion point in it.
        std::u16string initialContent;
        int insertionOffset = 0;
    };
    /// A document holding `content` with the insertion point at `cursor`, ready for a session.
    /// `rng` may vary what the target allows itself to vary (latency, say).
    virtual Opened open(const std::u16string& content, int cursor, SeededRNG& rng) = 0;
};

/// The in-process fake word processor; a quarter of the documents absorb strokes 1 ms late.
class FakeTarget final : public TrialTarget {
public:
    Opened open(const std::u16string& content, int cursor, SeededRNG& rng) override;
};

/// One stop or one race of stops against one session.
enum class TrialKind { single, race };

struct TrialResult {
    std::uint64_t seed = 0;
    TrialKind kind = TrialKind::single;
    StopMoment moment = StopMoment::post;
    TypingMode mode = TypingMode::stable;
    std::vector<StopSource> sources;
    /// Whether the stop moment came before the session ended on its own.
    bool reached = false;
    int posts = 0;
    /// Posts read later than the recorded stop they followed (the goal is none).
    int postsAfterStop = 0;
    /// Posts caught by the live trap at the moment they were made.
    int trappedPosts = 0;
    std::optional<double> ackLatencyMs;
    /// The source whose request was recorded first.
    std::optional<StopSource> winner;
    /// A cancel that arrived after the first stop had paused the session, and ended it.
    bool lateCancel = false;
    /// Everything that contradicts the rules: a human-readable line each.
    std::vector<std::string> problems;
};

/// Runs one trial: the seed decides the article, the mode, the moment, the sources and the
/// timing offsets; thread scheduling does the rest. `onTrappedPost` is called at once, on the
/// posting thread, for every stroke posted after a stop a request recorded.
TrialResult runStopTrial(std::uint64_t seed, TrialKind kind, TrialTarget& target,
                         const std::function<void(const std::string&)>& onTrappedPost = {});

/// The phase the transition table prescribes after a stop for `reason` recorded in `phase`,
/// including the engine's fallback when the table rejects the event.
SessionPhase prescribedPhase(const SessionPhase& phase, const StopReason& reason);

/// Posts that came after a recorded stop: those read after `recordedAt` and before `endedAt`
/// (the moment the stop was cleared by resuming; absent when it never was).
struct StopWindow {
    double recordedAt = 0;
    std::optional<double> endedAt;
};
int postsInside(const std::vector<double>& postTimes, const std::vector<StopWindow>& windows);

struct RunOptions {
    int trials = 300;
    std::uint64_t seed = 1;
    /// Trials running at the same time, each with its own engine.
    int jobs = 2;
    /// Every `raceEvery`th trial races several stops; 0: none.
    int raceEvery = 3;
    /// One target per concurrent job; the in-process fake when not given.
    std::function<std::unique_ptr<TrialTarget>()> makeTarget;
    /// Called at once for every post the live trap catches.
    std::function<void(const std::string&)> onTrappedPost;
    /// Called after each trial, from the thread that ran it, one call at a time.
    std::function<void(const TrialResult&)> onTrial;
};

struct Percentiles {
    double p50 = 0, p90 = 0, p99 = 0, max = 0;
};
/// Nearest-rank percentiles; all zero for no values.
Percentiles percentiles(std::vector<double> values);

struct RunSummary {
    std::vector<TrialResult> results;
    double wallSeconds = 0;

    int count(TrialKind kind) const;
    int reached(TrialKind kind) const;
    int postsAfterStop(TrialKind kind) const;
    int trappedPosts(TrialKind kind) const;
    std::vector<const TrialResult*> withProblems() const;
};

RunSummary runStopTrials(const RunOptions& options);

/// The run as the command-line tool prints it.
std::string formatSummary(const RunSummary& summary, const RunOptions& options);

} // namespace plumeo::trials
