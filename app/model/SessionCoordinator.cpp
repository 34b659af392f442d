// The session coordinator: AppModel's half that runs one typing session at a time, from the
// countdown through the preflight, the engine's snapshots and the user's ways of continuing,
// to the result.

#include "app/model/AppModel.h"

#include "app/model/BackgroundQueue.h"
#include "app/model/MainThreadQueue.h"
#include "app/model/ModelTexts.h"
#include "core/engine/TypingEngine.h"
#include "core/text/TextPreparer.h"
#include "platform/ax/AXInspector.h"
#include "platform/ax/WordDocumentReader.h"
#include "platform/ax/WordTargetGuard.h"
#include "platform/input/CGKeySink.h"
#include "platform/input/InputSourceController.h"
#include "platform/script/WordBridge.h"
#include "platform/script/WordCursorMover.h"

#include <variant>

namespace plumeo {

namespace {

using Kind = SessionPhase::Kind;

constexpr const char* checkingTargetText = "正在核对目标…";
constexpr const char* cancelledStartText = "已取消开始。";
constexpr const char* emergencyCancelledStartText = "紧急停止：已取消开始。";

std::string countdownText(int seconds) {
    return std::to_string(seconds) + " 秒后开始，请把手离开键盘和鼠标。";
}

std::u16string utf16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

} // namespace

/// The engine's observer: one per engine, so that deliveries from an engine the model has
/// dropped reach nothing. Called on the main thread only.
class AppModel::EngineRelay final : public EngineObserver {
public:
    explicit EngineRelay(AppModel* model) : model_(model) {}
    void engineDidUpdate(const EngineSnapshot& snapshot) override {
        model_->engineDidUpdate(snapshot);
    }

private:
    AppModel* model_;
};

bool AppModel::phaseAllowsStart() const {
    return phase_.kind == Kind::idle || phase_.isTerminal();
}

void AppModel::start() {
    if (!phaseAllowsStart() || !blockers_.isEmpty() || !target_)
        return;
    const auto word = WordBridge::runningWord(*backend_);
    if (!word)
        return;
    try {
        pendingText_ = TextPreparer::prepare(utf16(article_));
    } catch (...) {
        return; // the blockers already say why
    }
    setResultDetails({});
    setSessionNotes({});
    setSnapshot(std::nullopt);
    dropEngine();

    backend_->activateApplication(word->pid);
    emit hudShowRequested();
    ++startGeneration_;
    countdownTimer_.stop();
    const int seconds = countdownSeconds_;
    if (seconds >= 1) {
        countdownRemaining_ = seconds;
        setStatus(countdownText(seconds));
        setPhase(SessionPhase::countdown(seconds));
        countdownTimer_.start();
        return;
    }
    setStatus(checkingTargetText);
    setPhase(SessionPhase::preparing());
    beginPreflight();
}

void AppModel::countdownTick() {
    if (phase_.kind != Kind::countdown) {
        countdownTimer_.stop();
        return;
    }
    if (--countdownRemaining_ > 0) {
        setStatus(countdownText(countdownRemaining_));
        setPhase(SessionPhase::countdown(countdownRemaining_));
        return;
    }
    countdownTimer_.stop();
    setStatus(checkingTargetText);
    setPhase(SessionPhase::preparing());
    beginPreflight();
}

void AppModel::beginPreflight() {
    PreflightInput input;
    input.backend = backend_;
    input.bridge = bridge_;
    input.inputSources = inputSources_;
    input.target = *target_;
    input.switchToASCII = switchToASCII_;
    input.backgroundTyping = backgroundTyping_;
    background_->post([input = std::move(input), relay = std::weak_ptr<Relay>(relay_),
                       generation = startGeneration_] {
        auto result = runPreflight(input);
        postTo(relay, [result = std::move(result), generation](AppModel& model) mutable {
            auto* pass = std::get_if<PreflightPass>(&result);
            if (generation != model.startGeneration_ || model.phase_.kind != Kind::preparing) {
                // The start was abandoned meanwhile; undo what the pass changed.
                if (pass && pass->inputSwitch)
                    model.inputSources_->select(pass->inputSwitch->restoreID);
                return;
            }
            if (!pass) {
                model.abortStart(std::get<std::string>(result));
                return;
            }
            model.createEngine(std::move(*pass));
        });
    });
}

void AppModel::abortStart(const std::string& message) {
    countdownTimer_.stop();
    pendingText_.reset();
    setStatus(message);
    setPhase(SessionPhase::idle());
    setTargetConfirmed(false);
    emit hudHideRequested();
    emit applicationActivationRequested();
}

void AppModel::createEngine(PreflightPass pass) {
    if (!target_ || !pendingText_) {
        // Word quit while the preflight ran.
        if (pass.inputSwitch)
            inputSources_->select(pass.inputSwitch->restoreID);
        abortStart("Word 已退出。");
        return;
    }
    QStringList notes;
    if (pass.inputSwitch) {
        restoreInputSourceID_ = pass.inputSwitch->restoreID;
        notes.push_back(QString::fromStdString(pass.inputSwitch->note));
    }
    if (backgroundTyping_)
        notes.push_back(QStringLiteral("已开启后台输入：你可以切到其他应用，输入会继续；"
                                       "回到 Word 按键或点击会自动暂停。"));
    setSessionNotes(notes);
    reader_ = pass.reader;
    sessionBridge_ = pass.sessionBridge;
    engineRelay_ = std::make_shared<EngineRelay>(this);

    TypingEngineOptions options;
    options.text = std::move(*pendingText_);
    pendingText_.reset();
    options.settings = ModeSettings::make(mode_, speed_,
                                          typoEnabled_ && mode_ == TypingMode::natural, typoRate_);
    options.seed = tuning_.fixedSeed.value_or(pass.seed);
    options.sink = pass.sink;
    options.guardian = pass.guardian;
    options.reader = pass.reader;
    options.documentID = target_->documentID;
    options.initialContent = std::move(pass.initialContent);
    options.insertionOffset = target_->selectionStart;
    options.observer = engineRelay_;
    options.observerQueue = mainQueue_;
    try {
        engine_ = TypingEngine::create(std::move(options));
    } catch (const std::exception& error) {
        restoreInputSource();
        abortStart(error.what());
        return;
    }
    if (tuning_.engineSettleWindowSeconds >= 0)
        engine_->setSettleWindow(tuning_.engineSettleWindowSeconds);
    setStatus("输入中…");
    setPhase(SessionPhase::typing());
    beginActivity();
    engine_->start();
}

void AppModel::dropEngine() {
    engineRelay_.reset();
    engine_.reset();
    reader_.reset();
    sessionBridge_.reset();
}

void AppModel::engineDidUpdate(const EngineSnapshot& snapshot) {
    const bool newlyCompleted = snapshot.phase.kind == Kind::completed &&
                                !(phase_.kind == Kind::completed && phase_ == snapshot.phase);
    const bool newlyPaused = snapshot.phase.kind == Kind::paused && phase_.kind != Kind::paused;
    setSnapshot(snapshot);
    setPhase(snapshot.phase);
    switch (snapshot.phase.kind) {
    case Kind::paused:
        if (newlyPaused)
            keyPauseUptime_ = snapshot.phase.reason.kind == StopReason::Kind::userActivity
                                  ? std::optional<double>(backend_->systemUptime())
                                  : std::nullopt;
        restoreInputSource();
        break;
    case Kind::needsRelocation:
        restoreInputSource();
        break;
    case Kind::completed:
    case Kind::cancelled:
    case Kind::failed:
        restoreInputSource();
        endActivity();
        break;
    default:
        break;
    }
    if (snapshot.phase.kind == Kind::completed) {
        if (newlyCompleted)
            presentResult(snapshot.phase.outcome);
    } else if (auto status = ModelTexts::snapshotStatus(snapshot.phase, backgroundTyping_)) {
        setStatus(*status);
    }

    if (auto line = ModelTexts::stopMeasurementLine(snapshot)) {
        QStringList details = resultDetails_;
        details.removeIf([](const QString& detail) {
            return detail.startsWith(QString::fromUtf8(ModelTexts::stopMeasurementPrefix));
        });
        details.push_back(QString::fromStdString(*line));
        setResultDetails(std::move(details));
    }
}

void AppModel::presentResult(const VerificationOutcome& outcome) {
    setStatus(ModelTexts::resultStatus(outcome));
    // A verification run again replaces what an earlier one listed; the stop line stays.
    QStringList details;
    for (const QString& detail : resultDetails_)
        if (detail.startsWith(QString::fromUtf8(ModelTexts::stopMeasurementPrefix)))
            details.push_back(detail);
    if (outcome.kind != VerificationOutcome::Kind::mismatch || !engine_ || !reader_) {
        setResultDetails(std::move(details));
        return;
    }
    for (const std::string& line : ModelTexts::differenceLines(outcome.report))
        details.push_back(QString::fromStdString(line));
    setResultDetails(std::move(details));

    background_->post([reader = reader_, report = outcome.report,
                       expected = engine_->expectedFinalDocument(),
                       engine = std::weak_ptr<TypingEngine>(engine_),
                       relay = std::weak_ptr<Relay>(relay_)] {
        std::u16string actual;
        try {
            actual = reader->readAll();
        } catch (...) {
            return; // the difference lines stand without their excerpts
        }
        const auto lines = ModelTexts::excerptLines(report, expected, actual);
        postTo(relay, [lines, engine](AppModel& model) {
            if (engine.expired() || engine.lock() != model.engine_)
                return;
            QStringList details = model.resultDetails_;
            for (const std::string& line : lines)
                details.push_back(QString::fromStdString(line));
            model.setResultDetails(std::move(details));
        });
    });
}

void AppModel::restoreInputSource() {
    if (!restoreInputSourceID_)
        return;
    inputSources_->select(*restoreInputSourceID_);
    restoreInputSourceID_.reset();
}

void AppModel::beginActivity() {
    if (activityHeld_)
        return;
    activity_ = backend_->beginActivity("正在向 Word 输入");
    activityHeld_ = true;
}

void AppModel::endActivity() {
    if (!activityHeld_)
        return;
    backend_->endActivity(activity_);
    activityHeld_ = false;
    activity_ = 0;
}

// -- The user's controls ----------------------------------------------------------------------

void AppModel::handleHotKey(HotKeyCenter::Action action) {
    if (action == HotKeyCenter::Action::togglePause) {
        // The hot key's own press counts as input to Word and can pause the engine before the
        // hot key itself arrives here: that press asked for a pause, so it must not resume.
        constexpr double ownPressSeconds = 1.0;
        const bool pausedByThisPress = phase_.kind == Kind::paused && keyPauseUptime_ &&
                                       backend_->systemUptime() - *keyPauseUptime_ < ownPressSeconds;
        if (pausedByThisPress)
            keyPauseUptime_.reset();
        else if (phase_.kind == Kind::paused || phase_.kind == Kind::needsRelocation)
            resume();
        else if (phase_.kind == Kind::typing)
            pause();
        return;
    }
    if (phase_.kind == Kind::countdown)
        abortStart(emergencyCancelledStartText);
    else if (phase_.kind == Kind::preparing)
        abortStart(cancelledStartText);
    else if (engine_)
        engine_->requestCancel(CancelKind::emergency);
}

void AppModel::cancelStart(bool emergency) {
    if (phase_.kind == Kind::countdown)
        abortStart(emergency ? emergencyCancelledStartText : cancelledStartText);
    else if (phase_.kind == Kind::preparing)
        abortStart(cancelledStartText);
    else if (engine_)
        engine_->requestCancel(emergency ? CancelKind::emergency : CancelKind::user);
}

void AppModel::pause() {
    if (phase_.kind == Kind::typing && engine_)
        engine_->requestStop(StopReason::userPause());
}

void AppModel::resume() {
    if (phase_.kind != Kind::paused && phase_.kind != Kind::needsRelocation)
        return;
    switchToWordAndRun("正在切换到 Word 并核对续写位置…",
                       [](TypingEngine& engine) { engine.resume(); });
}

void AppModel::acceptDifferencesAndContinue() {
    if (phase_.kind != Kind::paused)
        return;
    switchToWordAndRun("正在核对后继续…",
                       [](TypingEngine& engine) { engine.acceptDifferencesAndContinue(); });
}

void AppModel::continueFromCursor(bool useKnownPosition) {
    if (phase_.kind != Kind::needsRelocation)
        return;
    std::optional<int> fromUnit;
    if (useKnownPosition && snapshot_ && snapshot_->relocation)
        fromUnit = snapshot_->relocation->confirmedUnits;
    switchToWordAndRun("正在从光标处核对并继续…",
                       [fromUnit](TypingEngine& engine) { engine.continueFromCursor(fromUnit); });
}

void AppModel::switchToWordAndRun(const std::string& status,
                                  std::function<void(TypingEngine&)> action) {
    if (!engine_ || !target_ || busy_)
        return;
    const auto word = WordBridge::runningWord(*backend_);
    if (!word || word->pid != target_->pid) {
        setStatus("Word 已退出，无法继续。");
        return;
    }
    setStatus(status);
    setBusy(true);
    backend_->activateApplication(word->pid);
    emit hudShowRequested();
    background_->post([backend = backend_, sources = inputSources_, pid = word->pid,
                       allowBackground = backgroundTyping_, switchToASCII = switchToASCII_,
                       engine = std::weak_ptr<TypingEngine>(engine_),
                       relay = std::weak_ptr<Relay>(relay_), action = std::move(action)] {
        bool inFront = waitForWordInFront(*backend, pid, FrontWait{});
        if (inFront) {
            // Word may still be settling its windows after coming forward.
            backend->sleepMicroseconds(200'000);
            inFront = AXInspector::systemFocusedAppPID(*backend) == pid;
        }
        if (!inFront) {
            postTo(relay, [](AppModel& model) {
                model.setBusy(false);
                model.setStatus("Word 没有成为前台应用，未继续。");
            });
            return;
        }
        std::shared_ptr<WordTargetGuard> guardian = WordTargetGuard::make(backend, pid);
        if (!guardian) {
            postTo(relay, [](AppModel& model) {
                model.setBusy(false);
                model.setStatus("无法读取 Word 的焦点窗口（辅助功能）。");
            });
            return;
        }
        guardian->setAllowBackground(allowBackground);
        std::optional<InputSourceSwitch> inputSwitch;
        if (switchToASCII)
            inputSwitch = switchToASCIILayout(*sources);
        postTo(relay, [guardian, inputSwitch, engine, action](AppModel& model) {
            model.setBusy(false);
            const auto current = engine.lock();
            if (!current || current != model.engine_) {
                if (inputSwitch)
                    model.inputSources_->select(inputSwitch->restoreID);
                return;
            }
            if (inputSwitch && !model.restoreInputSourceID_)
                model.restoreInputSourceID_ = inputSwitch->restoreID;
            model.beginActivity();
            current->replaceGuard(guardian);
            action(*current);
        });
    });
}

void AppModel::moveCursorAndContinue() {
    if (!target_ || !snapshot_ || !snapshot_->relocation || !snapshot_->relocation->knownCursor)
        return;
    const auto word = WordBridge::runningWord(*backend_);
    if (!word || busy_)
        return;
    const int position = *snapshot_->relocation->knownCursor;
    const std::string documentName = target_->documentName;
    setBusy(true);
    backend_->activateApplication(word->pid);
    background_->post([mover = cursorMover_, documentName, position,
                       relay = std::weak_ptr<Relay>(relay_)] {
        std::variant<int, std::string> outcome;
        try {
            outcome = mover->moveInsertionPoint(documentName, position);
        } catch (...) {
            outcome = "移动光标失败：" + errorText(std::current_exception());
        }
        postTo(relay, [outcome, position, documentName](AppModel& model) {
            model.setBusy(false);
            if (const auto* failure = std::get_if<std::string>(&outcome)) {
                model.setStatus(*failure);
                return;
            }
            if (std::get<int>(outcome) != position) {
                model.setStatus("活动文档不是目标文档，未移动光标。请先切回「" + documentName +
                                "」。");
                return;
            }
            if (model.phase_.kind == Kind::paused || model.phase_.kind == Kind::needsRelocation)
                model.resume();
        });
    });
}

void AppModel::reverify() {
    if (phase_.kind != Kind::completed ||
        phase_.outcome.kind != VerificationOutcome::Kind::unverified || !engine_ || !target_ ||
        busy_)
        return;
    const auto word = WordBridge::runningWord(*backend_);
    if (!word || word->pid != target_->pid)
        return;
    setBusy(true);
    backend_->activateApplication(word->pid);
    background_->post([backend = backend_, pid = word->pid,
                       engine = std::weak_ptr<TypingEngine>(engine_),
                       relay = std::weak_ptr<Relay>(relay_)] {
        waitForWordInFront(*backend, pid, FrontWait{});
        backend->sleepMicroseconds(300'000);
        postTo(relay, [engine](AppModel& model) {
            model.setBusy(false);
            if (auto current = engine.lock(); current && current == model.engine_)
                current->reverify();
        });
    });
}

void AppModel::resetSession() {
    if (!phaseAllowsStart())
        return;
    dropEngine();
    setSnapshot(std::nullopt);
    setPhase(SessionPhase::idle());
    setStatus("");
    setResultDetails({});
    setSessionNotes({});
    setTargetConfirmed(false);
    emit hudHideRequested();
}

void AppModel::wordDidTerminate() {
    if (engine_)
        engine_->requestStop(StopReason::wordTerminated());
    if (phase_.kind == Kind::countdown)
        abortStart("Word 已退出。");
    setTarget(std::nullopt);
    setTargetConfirmed(false);
}

} // namespace plumeo
