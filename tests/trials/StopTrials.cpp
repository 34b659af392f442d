#include "tests/trials/StopTrials.h"

#include "core/engine/SessionStateMachine.h"
#include "core/engine/TypingEngine.h"
#include "core/text/SeededRNG.h"
#include "core/text/TextPreparer.h"
#include "tests/trials/TrialPorts.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

namespace plumeo::trials {
namespace {

using Kind = SessionPhase::Kind;

// ---------------------------------------------------------------------------------------------
// What a trial types

std::u16string makeArticle(SeededRNG& rng) {
    static const std::u16string english[] = {u"quick",   u"brown",    u"fox",    u"jumps",
                                             u"over",    u"lazy",     u"words",  u"typing",
                                             u"careful", u"document", u"review", u"draft"};
    static const std::u16string chinese[] = {u"这是", u"一段", u"测试", u"文字", u"我们",
                                             u"输入", u"内容", u"核对", u"结果", u"文档"};
    static const std::u16string emoji[] = {u"😀", u"👍🏽", u"🎉", u"👨‍👩‍👧"};
    const auto pick = [&](const auto& list) -> const std::u16string& {
        return list[rng.choose(std::size(list))];
    };
    const int shape = static_cast<int>(rng.choose(4));
    const std::size_t length = 10 + rng.choose(30);
    std::u16string article;
    while (article.size() < length) {
        switch (shape) {
        case 0: // Chinese prose
            article += pick(chinese);
            if (rng.unit() < 0.2)
                article += rng.unit() < 0.5 ? u"，" : u"。";
            break;
        case 1: // English prose
            article += pick(english);
            article += rng.unit() < 0.15 ? u". " : u" ";
            break;
        case 2: // mixed, with emoji
            article += rng.unit() < 0.5 ? pick(english) : pick(chinese);
            article += rng.unit() < 0.4 ? pick(emoji) : u" ";
            break;
        default: // paragraphs, tabs and line breaks
            article += rng.unit() < 0.5 ? pick(english) : pick(chinese);
            const double r = rng.unit();
            article += r < 0.2 ? u"\n" : r < 0.3 ? u"\t" : r < 0.35 ? u"\u2028" : u" ";
            break;
        }
    }
    return article;
}

ModeSettings makeSettings(SeededRNG& rng, StopMoment moment) {
    if (moment == StopMoment::typo)
        return ModeSettings::make(TypingMode::natural, rng.uniform(40000, 120000), true, 0.5);
    switch (rng.choose(3)) {
    case 0:
        return ModeSettings::make(TypingMode::stable, rng.uniform(30000, 120000), false, 0);
    case 1:
        return ModeSettings::make(TypingMode::fast, std::nullopt, false, 0);
    default:
        return ModeSettings::make(TypingMode::natural, rng.uniform(30000, 120000), rng.unit() < 0.5,
                                  0.3);
    }
}

struct PlanShape {
    int strokes = 0;
    int checkpoints = 0;
    int typoSteps = 0;
};

PlanShape shapeOf(const PreparedText& text, const std::vector<PlanStep>& steps) {
    PlanShape shape;
    for (const PlanStep& step : steps) {
        if (step.action.kind == StepAction::Kind::unit)
            shape.strokes += static_cast<int>(text.units[step.action.unitIndex].strokes().size());
        else {
            ++shape.strokes;
            ++shape.typoSteps;
        }
        if (step.checkpointAfter)
            ++shape.checkpoints;
    }
    return shape;
}

StopReason portReason(SeededRNG& rng) {
    switch (rng.choose(6)) {
    case 0:
        return StopReason::dialogOpened("“另存为”对话框");
    case 1:
        return StopReason::targetNotFrontmost("Finder 在前台");
    case 2:
        return StopReason::wordTerminated();
    case 3:
        return StopReason::documentNotEditable("文档处于保护状态");
    case 4:
        return StopReason::internalError("试验注入");
    default:
        return StopReason::userActivity("键盘");
    }
}

StopReason reasonOf(StopSource source, SeededRNG& rng) {
    switch (source) {
    case StopSource::pause:
        return StopReason::userPause();
    case StopSource::userCancel:
        return StopReason::userCancel();
    case StopSource::emergencyCancel:
        return StopReason::emergencyStop();
    case StopSource::guard:
        return rng.unit() < 0.5 ? StopReason::dialogOpened("对话框")
                                : StopReason::userActivity("鼠标");
    case StopSource::reason:
        break;
    }
    return portReason(rng);
}

std::string describe(const SessionPhase& phase) {
    std::string text = phase.title();
    if (phase.kind == Kind::paused || phase.kind == Kind::cancelled || phase.kind == Kind::failed)
        text += "（" + phase.reason.message() + "）";
    return text;
}

// ---------------------------------------------------------------------------------------------
// Requests made from other threads

struct RequestSpec {
    StopSource source = StopSource::pause;
    StopReason reason;
    int delayMicroseconds = 0;
};

struct RequestOutcome {
    RequestSpec spec;
    bool made = false;
    double before = 0;
    double after = 0;
    /// The clock reading the call took: it recorded the stop then.
    std::optional<double> recordedAt;
    bool cancelledSession = false;
};

/// One thread per request, all let loose together by the trigger.
class Requests {
public:
    Requests(std::shared_ptr<TypingEngine> engine, std::shared_ptr<StrictClock> clock,
             std::shared_ptr<PhaseRecorder> recorder, TrialPorts& ports,
             std::vector<RequestSpec> specs)
        : engine_(std::move(engine)), clock_(std::move(clock)), recorder_(std::move(recorder)),
          ports_(ports) {
        outcomes_.resize(specs.size());
        for (std::size_t i = 0; i < specs.size(); ++i) {
            outcomes_[i].spec = specs[i];
            threads_.emplace_back([this, i] { run(i); });
        }
    }
    ~Requests() { finish(); }
    Requests(const Requests&) = delete;
    Requests& operator=(const Requests&) = delete;

    void release() { open(false); }
    /// Lets the threads go without making their requests.
    void abandon() { open(true); }

    /// Blocks until every request has returned; false when that took unreasonably long.
    bool awaitAll() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30),
                                 [&] { return done_ == static_cast<int>(threads_.size()); });
    }

    const std::vector<RequestOutcome>& finish() {
        abandon();
        for (auto& thread : threads_)
            if (thread.joinable())
                thread.join();
        return outcomes_;
    }

private:
    void open(bool skip) {
        std::lock_guard lock(mutex_);
        if (open_)
            return;
        open_ = true;
        skip_ = skip;
        changed_.notify_all();
    }

    void run(std::size_t index) {
        bool skip = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return open_; });
            skip = skip_;
        }
        if (!skip)
            request(outcomes_[index]);
        std::lock_guard lock(mutex_);
        ++done_;
        changed_.notify_all();
    }

    void request(RequestOutcome& outcome) {
        spinFor(std::chrono::microseconds(outcome.spec.delayMicroseconds));
        outcome.before = clock_->now();
        StrictClock::resetThreadTally();
        switch (outcome.spec.source) {
        case StopSource::pause:
            engine_->requestPause(outcome.spec.reason);
            break;
        case StopSource::reason:
            engine_->requestStop(outcome.spec.reason);
            break;
        case StopSource::userCancel:
            engine_->requestCancel(CancelKind::user);
            break;
        case StopSource::emergencyCancel:
            engine_->requestCancel(CancelKind::emergency);
            break;
        case StopSource::guard:
            break;
        }
        // A request reads the clock only to record itself.
        const auto tally = StrictClock::threadTally();
        outcome.after = clock_->now();
        if (tally.readings > 0) {
            outcome.recordedAt = tally.last;
            ports_.setFence(tally.last);
        }
        outcome.cancelledSession = recorder_->publishedCancellation(std::this_thread::get_id());
        outcome.made = true;
    }

    const std::shared_ptr<TypingEngine> engine_;
    const std::shared_ptr<StrictClock> clock_;
    const std::shared_ptr<PhaseRecorder> recorder_;
    TrialPorts& ports_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    bool skip_ = false;
    int done_ = 0;
    std::vector<RequestOutcome> outcomes_;
    std::vector<std::thread> threads_;
};

// ---------------------------------------------------------------------------------------------
// One trial

struct Session {
    std::shared_ptr<StrictClock> clock = std::make_shared<StrictClock>();
    std::shared_ptr<TrialPorts> ports;
    std::shared_ptr<PhaseRecorder> recorder = std::make_shared<PhaseRecorder>();
    std::shared_ptr<TypingEngine> engine;
    PlanShape shape;
};

Session openSession(SeededRNG& rng, StopMoment moment, TrialTarget& target, TypingMode& mode) {
    Session session;
    const std::u16string article = makeArticle(rng);
    std::u16string content;
    int insertionOffset = 0;
    if (rng.unit() < 0.5) {
        content = u"前文已有内容。Existing tail.";
        insertionOffset = static_cast<int>(rng.choose(content.size() + 1));
    }
    TrialTarget::Opened opened = target.open(content, insertionOffset, rng);
    session.ports =
        std::make_shared<TrialPorts>(opened.sink, opened.guardian, opened.reader, session.clock);

    TypingEngineOptions options;
    options.text = TextPreparer::prepare(article);
    options.settings = makeSettings(rng, moment);
    options.seed = rng.next() | 1;
    options.sink = session.ports;
    options.guardian = session.ports;
    options.reader = session.ports;
    options.documentID = opened.documentID;
    options.initialContent = opened.initialContent;
    options.insertionOffset = opened.insertionOffset;
    options.clock = session.clock;
    options.observer = session.recorder;
    options.observerQueue = std::make_shared<InlineTaskQueue>();
    mode = options.settings.mode;
    session.shape =
        shapeOf(options.text, Planner::plan(options.text, options.settings, 0, options.seed));
    session.engine = TypingEngine::create(std::move(options));
    // Generous read-back patience: nothing should time out, and a timeout would only blur
    // which stop came first.
    session.engine->setCheckpointTimeout(2.0);
    session.engine->setPollInterval(0.0005);
    session.engine->setSettleWindow(0.002);
    session.ports->attach(session.engine);
    return session;
}

int chooseIn(SeededRNG& rng, int from, int to) {
    return to <= from ? from : from + static_cast<int>(rng.choose(to - from + 1));
}

bool waitForJob(Session& session, TrialResult& result) {
    if (session.engine->waitUntilIdle(60.0))
        return true;
    result.problems.push_back("the engine's job did not end within 60 s");
    return false;
}

/// Checks one stop against everything that is known about it without asking the engine how it
/// went: who recorded first (by the clock readings), the phase the requests met (by the
/// barrier), and every post (by its reading).
void judge(Session& session, const TrialPorts::Witness& witness,
           const std::vector<RequestOutcome>& requests, std::optional<StopReason> guardReason,
           std::vector<StopWindow> windows, TrialResult& result) {
    auto& problems = result.problems;
    const EngineSnapshot snapshot = session.engine->snapshot();
    const auto postTimes = session.ports->postTimes();
    result.posts = static_cast<int>(postTimes.size());
    result.trappedPosts = session.ports->liveViolations();

    if (!snapshot.lastStop) {
        problems.push_back("no stop was recorded; phase " + describe(snapshot.phase));
        return;
    }
    const StopMetrics& stop = *snapshot.lastStop;
    const double recordedAt = stop.requestedAt;
    windows.push_back({recordedAt, std::nullopt});
    result.postsAfterStop = postsInside(postTimes, windows);
    if (stop.acknowledgedAt) {
        result.ackLatencyMs = (*stop.acknowledgedAt - recordedAt) * 1000.0;
        if (*stop.acknowledgedAt < recordedAt)
            problems.push_back("acknowledged before it was requested");
    } else {
        problems.push_back("the stop was never acknowledged");
    }
    if (stop.postsAfterStop != 0)
        problems.push_back("lastStop.postsAfterStop is " + std::to_string(stop.postsAfterStop));

    // The last post before the stop must be the one the engine remembers.
    std::optional<double> lastBefore;
    for (double at : postTimes)
        if (at < recordedAt)
            lastBefore = at;
    if (lastBefore && (!stop.lastPostBeforeStop || *stop.lastPostBeforeStop < *lastBefore ||
                       *stop.lastPostBeforeStop > recordedAt))
        problems.push_back("lastPostBeforeStop does not match the last post before the stop");

    if (!witness.atTrigger) {
        problems.push_back("the trigger saw no phase");
        return;
    }
    const SessionPhase met = *witness.atTrigger;
    // The barrier may find the stop already handled; finding another working phase would
    // mean the requests could have met that phase instead.
    const auto working = [](Kind kind) {
        return kind == Kind::typing || kind == Kind::resuming || kind == Kind::verifying;
    };
    if (witness.atBarrier && witness.atBarrier->kind != met.kind &&
        working(witness.atBarrier->kind))
        problems.push_back("harness: the phase moved from " + describe(met) + " to " +
                           describe(*witness.atBarrier) + " before the requests were made");

    // Who recorded: a request by its own clock reading; the guard by the worker's first
    // reading after the objection (its recording, or else the acknowledgement of another).
    std::vector<std::pair<StopSource, StopReason>> recorders;
    std::optional<std::pair<StopSource, StopReason>> winner;
    for (const auto& request : requests) {
        if (!request.recordedAt)
            continue;
        recorders.emplace_back(request.spec.source, request.spec.reason);
        if (*request.recordedAt == recordedAt)
            winner = recorders.back();
    }
    if (guardReason) {
        if (!witness.afterObjection) {
            problems.push_back("the worker read no clock after the guard objected");
        } else if (*witness.afterObjection == recordedAt) {
            recorders.emplace_back(StopSource::guard, *guardReason);
            winner = recorders.back();
        } else if (!stop.acknowledgedAt || *witness.afterObjection != *stop.acknowledgedAt) {
            problems.push_back("the guard's objection was neither recorded nor overtaken");
        }
    }
    if (recorders.size() > 1)
        problems.push_back(std::to_string(recorders.size()) +
                           " stops were recorded; the first must stay the only one");
    if (!winner) {
        problems.push_back("the recorded stop came from none of the trial's sources; phase " +
                           describe(snapshot.phase));
        return;
    }
    result.winner = winner->first;
    for (const auto& request : requests)
        if (request.made && request.after < recordedAt && !request.recordedAt)
            problems.push_back(std::string(name(request.spec.source)) +
                               " returned before the winning stop was recorded, yet lost");

    SessionPhase expected = prescribedPhase(met, winner->second);
    for (const auto& request : requests) {
        if (!request.cancelledSession)
            continue;
        // A cancel that finds the session already paused ends it: a new user action, allowed
        // only once the first stop has left the session resumable.
        if (expected.kind != Kind::paused && expected.kind != Kind::needsRelocation) {
            problems.push_back(std::string(name(request.spec.source)) + " cancelled a session in " +
                               describe(expected));
            continue;
        }
        result.lateCancel = true;
        expected = SessionPhase::cancelled(request.spec.reason);
    }
    if (snapshot.phase != expected)
        problems.push_back("after " + std::string(name(winner->first)) + " (" +
                           winner->second.message() + ") in " + describe(met) + ": " +
                           describe(snapshot.phase) + ", prescribed " + describe(expected));
}

Trigger typingTrigger(SeededRNG& rng, StopMoment moment, const PlanShape& shape) {
    Trigger trigger;
    trigger.phase = Kind::typing;
    // Never the last stroke: the barrier must still find the session typing.
    const int lastAllowed = std::max(1, shape.strokes - 1);
    switch (moment) {
    case StopMoment::post:
        trigger.call = PortCall::post;
        trigger.occurrence = chooseIn(rng, 1, lastAllowed);
        trigger.lingerMicroseconds = chooseIn(rng, 20, 300);
        break;
    case StopMoment::wait:
        trigger.call = PortCall::quickCheck;
        trigger.occurrence = chooseIn(rng, 1, lastAllowed);
        break;
    case StopMoment::checkpoint:
        trigger.call = PortCall::state;
        trigger.activities = {EngineActivity::checking};
        trigger.occurrence = chooseIn(rng, 1, std::max(1, shape.checkpoints));
        break;
    case StopMoment::typo:
        trigger.call = rng.unit() < 0.5 ? PortCall::quickCheck : PortCall::state;
        trigger.activities = {EngineActivity::typoTyped, EngineActivity::typoFixing};
        trigger.occurrence = chooseIn(rng, 1, std::max(1, shape.typoSteps));
        break;
    case StopMoment::resume:
    case StopMoment::finalVerification:
        break;
    }
    return trigger;
}

std::vector<StopSource> chooseSources(SeededRNG& rng, TrialKind kind, StopMoment moment) {
    const bool typing = moment != StopMoment::resume && moment != StopMoment::finalVerification;
    if (kind == TrialKind::single) {
        if (moment == StopMoment::wait && rng.unit() < 0.2)
            return {StopSource::guard};
        static const StopSource requesters[] = {StopSource::pause, StopSource::reason,
                                                StopSource::userCancel,
                                                StopSource::emergencyCancel};
        return {requesters[rng.choose(4)]};
    }
    std::vector<StopSource> pool = {StopSource::pause, StopSource::reason,
                                    rng.unit() < 0.5 ? StopSource::userCancel
                                                     : StopSource::emergencyCancel};
    if (typing)
        pool.push_back(StopSource::guard);
    // Shuffle, then keep two or more, and make sure the guard races something when present.
    for (std::size_t i = pool.size(); i > 1; --i)
        std::swap(pool[i - 1], pool[rng.choose(i)]);
    pool.resize(chooseIn(rng, 2, static_cast<int>(pool.size())));
    return pool;
}

} // namespace

std::string_view name(StopMoment moment) {
    switch (moment) {
    case StopMoment::post:
        return "post";
    case StopMoment::wait:
        return "wait";
    case StopMoment::checkpoint:
        return "checkpoint";
    case StopMoment::typo:
        return "typo";
    case StopMoment::resume:
        return "resume";
    case StopMoment::finalVerification:
        return "final verification";
    }
    return "?";
}

std::string_view name(StopSource source) {
    switch (source) {
    case StopSource::pause:
        return "pause";
    case StopSource::reason:
        return "stop";
    case StopSource::userCancel:
        return "cancel";
    case StopSource::emergencyCancel:
        return "emergency";
    case StopSource::guard:
        return "guard";
    }
    return "?";
}

SessionPhase prescribedPhase(const SessionPhase& phase, const StopReason& reason) {
    if (auto next = SessionStateMachine::transition(phase, SessionEvent::stop(reason)))
        return *next;
    return reason.isResumable() ? SessionPhase::paused(reason) : SessionPhase::cancelled(reason);
}

int postsInside(const std::vector<double>& postTimes, const std::vector<StopWindow>& windows) {
    int inside = 0;
    for (double at : postTimes)
        for (const StopWindow& window : windows)
            if (at > window.recordedAt && (!window.endedAt || at < *window.endedAt)) {
                ++inside;
                break;
            }
    return inside;
}

TrialTarget::Opened FakeTarget::open(const std::u16string& content, int cursor, SeededRNG& rng) {
    auto word = std::make_shared<test::FakeWordProcessor>(content, cursor);
    if (rng.unit() < 0.25)
        word->setLatency(std::chrono::milliseconds(1));
    return {word, word, word, "doc-1", content, cursor};
}

TrialResult runStopTrial(std::uint64_t seed, TrialKind kind, TrialTarget& target,
                         const std::function<void(const std::string&)>& onTrappedPost) {
    SeededRNG rng(seed);
    TrialResult result;
    result.seed = seed;
    result.kind = kind;
    if (kind == TrialKind::race) {
        // Races in typing (at a check), while resuming, and in the final verification.
        const StopMoment raceMoments[] = {StopMoment::wait, StopMoment::resume,
                                          StopMoment::finalVerification};
        result.moment = raceMoments[rng.choose(3)];
    } else {
        const StopMoment moments[] = {StopMoment::post,       StopMoment::wait,
                                      StopMoment::checkpoint, StopMoment::typo,
                                      StopMoment::resume,     StopMoment::finalVerification};
        result.moment = moments[rng.choose(6)];
    }
    Session session = openSession(rng, result.moment, target, result.mode);
    if (result.moment == StopMoment::typo && session.shape.typoSteps == 0)
        result.moment = StopMoment::post; // This article offered no place for a typo.
    result.sources = chooseSources(rng, kind, result.moment);

    std::vector<RequestSpec> specs;
    std::optional<StopReason> guardReason;
    for (StopSource source : result.sources) {
        const StopReason reason = reasonOf(source, rng);
        if (source == StopSource::guard) {
            guardReason = reason;
            continue;
        }
        const int maxDelay = result.moment == StopMoment::wait && kind == TrialKind::single ? 2000
                             : result.moment == StopMoment::post                            ? 0
                                                                                            : 200;
        specs.push_back({source, reason, chooseIn(rng, 0, maxDelay)});
    }
    if (onTrappedPost)
        session.ports->setViolationHandler(onTrappedPost);

    std::vector<StopWindow> windows;
    Trigger trigger;
    if (result.moment == StopMoment::resume) {
        // A first stop from the guard, then the requests race the resume job.
        const int stopAt = chooseIn(rng, 1, std::max(1, session.shape.strokes - 1));
        session.ports->objectAtCheck(stopAt, StopReason::userActivity("键盘"));
        session.engine->start();
        if (!waitForJob(session, result))
            return result;
        const EngineSnapshot paused = session.engine->snapshot();
        if (paused.phase != SessionPhase::paused(StopReason::userActivity("键盘")) ||
            !paused.lastStop) {
            result.problems.push_back("the first stop left " + describe(paused.phase));
            return result;
        }
        const double resumedAt = session.clock->now();
        windows.push_back({paused.lastStop->requestedAt, resumedAt});
        trigger.call = PortCall::state;
        trigger.phase = Kind::resuming;
    } else if (result.moment == StopMoment::finalVerification) {
        trigger.call = PortCall::state;
        trigger.phase = Kind::verifying;
    } else {
        trigger = typingTrigger(rng, result.moment, session.shape);
    }
    trigger.barrierDistance = 1;
    if (guardReason) {
        trigger.objection = guardReason;
        trigger.lingerMicroseconds = chooseIn(rng, 0, 200);
    }

    Requests requests(session.engine, session.clock, session.recorder, *session.ports, specs);
    std::atomic<bool> barrierTimedOut = false;
    session.ports->arm(
        trigger, [&requests] { requests.release(); },
        [&requests, &barrierTimedOut] {
            if (!requests.awaitAll())
                barrierTimedOut = true;
        });
    if (result.moment == StopMoment::resume)
        session.engine->resume();
    else
        session.engine->start();
    const bool ended = waitForJob(session, result);
    session.ports->disarm();
    const auto& outcomes = requests.finish();
    if (!ended)
        return result;
    if (barrierTimedOut)
        result.problems.push_back("the requests did not return within 30 s");

    const TrialPorts::Witness witness = session.ports->witness();
    result.reached = witness.fired;
    if (!witness.fired) {
        // The session ended before the moment came: it must have ended well.
        const EngineSnapshot snapshot = session.engine->snapshot();
        if (snapshot.phase.kind != Kind::completed)
            result.problems.push_back("ended in " + describe(snapshot.phase) +
                                      " before the stop moment");
        return result;
    }
    judge(session, witness, outcomes, guardReason, std::move(windows), result);
    return result;
}

// ---------------------------------------------------------------------------------------------
// Runs

Percentiles percentiles(std::vector<double> values) {
    Percentiles result;
    if (values.empty())
        return result;
    std::sort(values.begin(), values.end());
    const auto rank = [&](double p) {
        const auto index = static_cast<std::size_t>(std::ceil(p * values.size()));
        return values[std::clamp<std::size_t>(index, 1, values.size()) - 1];
    };
    result.p50 = rank(0.50);
    result.p90 = rank(0.90);
    result.p99 = rank(0.99);
    result.max = values.back();
    return result;
}

int RunSummary::count(TrialKind kind) const {
    return static_cast<int>(std::count_if(results.begin(), results.end(),
                                          [&](const auto& r) { return r.kind == kind; }));
}

int RunSummary::reached(TrialKind kind) const {
    return static_cast<int>(std::count_if(results.begin(), results.end(), [&](const auto& r) {
        return r.kind == kind && r.reached;
    }));
}

int RunSummary::postsAfterStop(TrialKind kind) const {
    int total = 0;
    for (const auto& r : results)
        if (r.kind == kind)
            total += r.postsAfterStop;
    return total;
}

int RunSummary::trappedPosts(TrialKind kind) const {
    int total = 0;
    for (const auto& r : results)
        if (r.kind == kind)
            total += r.trappedPosts;
    return total;
}

std::vector<const TrialResult*> RunSummary::withProblems() const {
    std::vector<const TrialResult*> found;
    for (const auto& r : results)
        if (!r.problems.empty())
            found.push_back(&r);
    return found;
}

RunSummary runStopTrials(const RunOptions& options) {
    RunSummary summary;
    summary.results.resize(std::max(0, options.trials));
    std::atomic<int> next = 0;
    std::mutex reporting;
    const auto started = std::chrono::steady_clock::now();
    const auto work = [&] {
        std::unique_ptr<TrialTarget> target =
            options.makeTarget ? options.makeTarget() : std::make_unique<FakeTarget>();
        for (;;) {
            const int index = next.fetch_add(1);
            if (index >= options.trials)
                return;
            SeededRNG seeds(options.seed + static_cast<std::uint64_t>(index));
            const TrialKind kind =
                options.raceEvery > 0 && index % options.raceEvery == options.raceEvery - 1
                    ? TrialKind::race
                    : TrialKind::single;
            summary.results[index] =
                runStopTrial(seeds.next(), kind, *target, options.onTrappedPost);
            if (options.onTrial) {
                std::lock_guard lock(reporting);
                options.onTrial(summary.results[index]);
            }
        }
    };
    // ICU initialises its break-iterator data lazily, behind atomics that a ThreadSanitizer
    // build cannot see in the uninstrumented library; doing it once before the threads start
    // keeps that out of the race reports.
    (void)TextPreparer::prepare(u"warm-up 预热");
    std::vector<std::thread> workers;
    for (int i = 1; i < std::max(1, options.jobs); ++i)
        workers.emplace_back(work);
    work();
    for (auto& worker : workers)
        worker.join();
    summary.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return summary;
}

std::string formatSummary(const RunSummary& summary, const RunOptions& options) {
    std::ostringstream out;
    char line[256];
    std::snprintf(line, sizeof line, "stop trials: %zu, seed %llu, %d jobs, %.1f s\n",
                  summary.results.size(), static_cast<unsigned long long>(options.seed),
                  options.jobs, summary.wallSeconds);
    out << line;
    const auto formatLatency = [&](const char* label, std::vector<double> values) {
        const Percentiles p = percentiles(std::move(values));
        std::snprintf(line, sizeof line,
                      "  %-22s ackLatencyMs p50 %.3f  p90 %.3f  p99 %.3f  max %.3f\n", label, p.p50,
                      p.p90, p.p99, p.max);
        out << line;
    };
    for (TrialKind kind : {TrialKind::single, TrialKind::race}) {
        const int trials = summary.count(kind);
        if (trials == 0)
            continue;
        int phaseProblems = 0;
        int lateCancels = 0;
        std::map<std::string, int> winners;
        std::map<StopMoment, std::vector<double>> latencies;
        std::vector<double> all;
        std::map<StopMoment, int> perMoment;
        for (const auto& r : summary.results) {
            if (r.kind != kind)
                continue;
            ++perMoment[r.moment];
            phaseProblems += static_cast<int>(r.problems.size());
            lateCancels += r.lateCancel ? 1 : 0;
            if (r.winner)
                ++winners[std::string(name(*r.winner))];
            if (r.ackLatencyMs) {
                latencies[r.moment].push_back(*r.ackLatencyMs);
                all.push_back(*r.ackLatencyMs);
            }
        }
        out << (kind == TrialKind::single ? "single stops" : "racing stops") << ": " << trials
            << " trials, stop moment reached in " << summary.reached(kind) << "\n  moments:";
        for (const auto& [moment, n] : perMoment)
            out << " " << name(moment) << " " << n;
        out << "\n  posts after stop: " << summary.postsAfterStop(kind)
            << " (caught live by the trap: " << summary.trappedPosts(kind) << ")\n";
        formatLatency("all", all);
        for (const auto& [moment, values] : latencies)
            formatLatency(std::string(name(moment)).c_str(), values);
        out << "  first recorded stop by source:";
        for (const auto& [source, n] : winners)
            out << " " << source << " " << n;
        out << "\n  cancels after the first stop had paused: " << lateCancels
            << "\n  problems (phase off the table, lost first stop, ...): " << phaseProblems
            << "\n";
    }
    const auto troubled = summary.withProblems();
    constexpr std::size_t shown = 20;
    for (std::size_t i = 0; i < std::min(shown, troubled.size()); ++i) {
        const TrialResult& r = *troubled[i];
        out << "  trial seed " << r.seed << " (" << name(r.moment) << ", " << rawValue(r.mode)
            << "):";
        for (const auto& problem : r.problems)
            out << "\n    " << problem;
        out << "\n";
    }
    if (troubled.size() > shown)
        out << "  ... and " << troubled.size() - shown << " more trials with problems\n";
    return out.str();
}

} // namespace plumeo::trials
