#include "app/model/AppModel.h"

#include "app/model/BackgroundQueue.h"
#include "app/model/MainThreadQueue.h"
#include "app/model/ModelTexts.h"
#include "core/engine/TypingEngine.h"
#include "core/text/Utf16.h"
#include "platform/ax/WordDocumentReader.h"
#include "platform/input/InputSourceController.h"
#include "platform/script/WordBridge.h"
#include "platform/script/WordCursorMover.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <cmath>

namespace plumeo {

/// What callbacks from other threads hold instead of the model: it is reset on the main
/// thread when the model goes, and only dereferenced there.
struct AppModel::Relay {
    AppModel* model = nullptr;
};

namespace {

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

QStringList qTexts(const std::vector<std::string>& texts) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string& text : texts)
        list.push_back(qText(text));
    return list;
}

std::u16string utf16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

std::string speedKey(TypingMode mode) {
    return AppModel::speedKeyPrefix + std::string(rawValue(mode));
}

std::string detectionFailure(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const ReadError& readError) {
        if (readError.kind() == ReadError::Kind::notAuthorized)
            return "没有控制 Word 的自动化权限（用于读取光标位置和校验）。请先完成授权。";
        return readError.description();
    } catch (const std::exception& other) {
        return other.what();
    } catch (...) {
        return "未知错误";
    }
}

template <typename T, typename Signal>
void assign(AppModel* model, T& field, T value, Signal signal) {
    if (field == value)
        return;
    field = std::move(value);
    emit(model->*signal)();
}

} // namespace

AppModel::AppModel(AppModelOptions options, QObject* parent)
    : QObject(parent), backend_(std::move(options.backend)),
      settings_(std::move(options.settings)), relay_(std::make_shared<Relay>()),
      mainQueue_(std::make_shared<MainThreadQueue>()) {
    tuning_.fixedSeed = options.fixedSeed;
    tuning_.synchronousAnalysisLimit = options.synchronousAnalysisLimit;
    tuning_.engineSettleWindowSeconds = options.engineSettleWindowSeconds;
    relay_->model = this;
    if (!settings_)
        settings_ = std::make_unique<QSettings>();

    readSettings();
    bridge_ = std::make_shared<WordBridge>(backend_);
    inputSources_ = std::make_shared<InputSourceController>(backend_);
    cursorMover_ = std::make_shared<WordCursorMover>(backend_);
    background_ = std::make_unique<BackgroundQueue>(QStringLiteral("Plumeo.ui-background"));
    analysisQueue_ = std::make_unique<BackgroundQueue>(QStringLiteral("Plumeo.analysis"));
    countdownTimer_.setInterval(1000);
    connect(&countdownTimer_, &QTimer::timeout, this, &AppModel::countdownTick);

    refreshPermissions();
    // Hot keys arrive on the backend's event thread; the model is reached on the main thread.
    hotkeys_ = std::make_unique<HotKeyCenter>(
        backend_, [relay = std::weak_ptr<Relay>(relay_)](HotKeyCenter::Action action) {
            postTo(relay, [action](AppModel& model) { model.handleHotKey(action); });
        });
    hotkeysRegistered_ = hotkeys_->registerHotKeys();
    observeWorkspace();
    refreshDerived();
}

AppModel::~AppModel() {
    relay_->model = nullptr;
    relay_.reset();
    countdownTimer_.stop();
    for (ObserverToken token : workspaceObservers_)
        backend_->removeObserver(token);
    hotkeys_.reset();
    if (engine_) {
        // A session never outlives its model typing on its own.
        engine_->requestCancel(CancelKind::emergency);
        engine_->waitUntilIdle(5.0);
    }
    restoreInputSource();
    endActivity();
    background_.reset();
    analysisQueue_.reset();
}

void AppModel::postTo(std::weak_ptr<Relay> relay, std::function<void(AppModel&)> work) {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return;
    QMetaObject::invokeMethod(
        application,
        [relay = std::move(relay), work = std::move(work)] {
            if (auto alive = relay.lock(); alive && alive->model)
                work(*alive->model);
        },
        Qt::QueuedConnection);
}

// -- Settings --------------------------------------------------------------------------------

void AppModel::readSettings() {
    QSettings& defaults = *settings_;
    mode_ = typingModeFromRawValue(defaults.value(modeKey).toString().toStdString())
                .value_or(TypingMode::stable);
    const double storedSpeed = defaults.value(qText(speedKey(mode_)), 0.0).toDouble();
    speed_ = storedSpeed > 0 ? storedSpeed : ModeSettings::defaultSpeed(mode_);
    typoEnabled_ = defaults.value(typoEnabledKey, false).toBool();
    typoRate_ = defaults.value(typoRateKey, 0.08).toDouble();
    paceByDuration_ = defaults.value(paceByDurationKey, false).toBool();
    const double minutes = defaults.value(targetMinutesKey, 0.0).toDouble();
    targetMinutes_ = minutes > 0 ? minutes : 10;
    durationNote_.clear();
    estimateText_.clear();
    showIntro_ = !defaults.value(seenIntroKey, false).toBool();
    countdownSeconds_ = defaults.value(countdownKey, 3).toInt();
    switchToASCII_ = defaults.value(switchToASCIIKey, false).toBool();
    backgroundTyping_ = defaults.value(backgroundTypingKey, true).toBool();
}

void AppModel::setMode(TypingMode mode) {
    if (mode == mode_)
        return;
    mode_ = mode;
    settings_->setValue(modeKey, qText(std::string(rawValue(mode))));
    emit modeChanged();
    const double stored = settings_->value(qText(speedKey(mode)), 0.0).toDouble();
    storeSpeed(stored > 0 ? stored : ModeSettings::defaultSpeed(mode));
    reanalyze();
}

void AppModel::storeSpeed(double speed) {
    settings_->setValue(qText(speedKey(mode_)), speed);
    assign(this, speed_, speed, &AppModel::speedChanged);
}

void AppModel::setSpeed(double speed) {
    storeSpeed(speed);
    reanalyze();
}

void AppModel::setTypoEnabled(bool enabled) {
    settings_->setValue(typoEnabledKey, enabled);
    assign(this, typoEnabled_, enabled, &AppModel::typoEnabledChanged);
    reanalyze();
}

void AppModel::setTypoRate(double rate) {
    const double clamped = std::isnan(rate) ? 0.0 : std::clamp(rate, 0.0, maxTypoRate);
    settings_->setValue(typoRateKey, clamped);
    assign(this, typoRate_, clamped, &AppModel::typoRateChanged);
    reanalyze();
}

void AppModel::setPaceByDuration(bool enabled) {
    settings_->setValue(paceByDurationKey, enabled);
    assign(this, paceByDuration_, enabled, &AppModel::paceByDurationChanged);
    reanalyze();
}

void AppModel::setTargetMinutes(double minutes) {
    settings_->setValue(targetMinutesKey, minutes);
    assign(this, targetMinutes_, minutes, &AppModel::targetMinutesChanged);
    // The duration note follows the target it explains.
    if (paceByDuration_)
        reanalyze();
}

void AppModel::setCountdownSeconds(int seconds) {
    settings_->setValue(countdownKey, seconds);
    assign(this, countdownSeconds_, seconds, &AppModel::countdownSecondsChanged);
}

void AppModel::setSwitchToASCII(bool enabled) {
    settings_->setValue(switchToASCIIKey, enabled);
    assign(this, switchToASCII_, enabled, &AppModel::switchToASCIIChanged);
}

void AppModel::setBackgroundTyping(bool enabled) {
    settings_->setValue(backgroundTypingKey, enabled);
    assign(this, backgroundTyping_, enabled, &AppModel::backgroundTypingChanged);
}

void AppModel::setShowIntro(bool show) {
    if (!show)
        settings_->setValue(seenIntroKey, true);
    assign(this, showIntro_, show, &AppModel::showIntroChanged);
}

void AppModel::setTargetConfirmed(bool confirmed) {
    assign(this, targetConfirmed_, confirmed, &AppModel::targetConfirmedChanged);
    refreshDerived();
}

QString AppModel::typoRateText() const {
    return qText(ModelTexts::typoRateText(typoRate_));
}

QString AppModel::progressText() const {
    return qText(progress_.progressText);
}

QString AppModel::rateText() const {
    return qText(progress_.rateText);
}

// -- Analysis ---------------------------------------------------------------------------------

void AppModel::setArticle(const QString& article) {
    if (article == article_)
        return;
    article_ = article;
    emit articleChanged();
    articleDidChange();
}

void AppModel::articleDidChange() {
    reanalyze();
}

AnalysisRequest AppModel::analysisRequest() const {
    AnalysisRequest request;
    request.article = utf16(article_);
    request.mode = mode_;
    request.speed = speed_;
    request.typoEnabled = typoEnabled_;
    request.typoRate = typoRate_;
    request.paceByDuration = paceByDuration_;
    request.targetMinutes = targetMinutes_;
    return request;
}

void AppModel::reanalyze() {
    const std::uint64_t generation = ++analysisGeneration_;
    AnalysisRequest request = analysisRequest();
    if (article_.size() <= tuning_.synchronousAnalysisLimit) {
        latestAnalysis_->store(generation);
        applyAnalysis(ArticleAnalyzer::analyze(request));
        assign(this, analysisPending_, false, &AppModel::analysisPendingChanged);
        refreshDerived();
        return;
    }
    // A long article is analysed off the main thread. Until its result arrives nothing of an
    // older text is shown, and only the result for the latest request is taken.
    Analysis pending;
    if (mode_ == TypingMode::fast)
        pending.estimateText = "取决于 Word 响应";
    applyAnalysis(pending);
    assign(this, analysisPending_, true, &AppModel::analysisPendingChanged);
    refreshDerived();
    latestAnalysis_->store(generation);
    analysisQueue_->post([relay = std::weak_ptr<Relay>(relay_), latest = latestAnalysis_,
                          request = std::move(request), generation] {
        // While the user keeps typing only the newest text is worth analysing.
        if (latest->load() != generation)
            return;
        Analysis analysis = ArticleAnalyzer::analyze(request);
        postTo(relay, [analysis = std::move(analysis), generation](AppModel& model) {
            if (generation != model.analysisGeneration_)
                return;
            model.applyAnalysis(analysis);
            assign(&model, model.analysisPending_, false, &AppModel::analysisPendingChanged);
            model.refreshDerived();
        });
    });
}

void AppModel::applyAnalysis(const Analysis& analysis) {
    assign(this, stats_, analysis.stats, &AppModel::statsChanged);
    assign(this, preparationError_, analysis.preparationError ? qText(*analysis.preparationError)
                                                              : QString(),
           &AppModel::preparationErrorChanged);
    assign(this, risks_, analysis.risks, &AppModel::risksChanged);
    if (analysis.fittedSpeed)
        storeSpeed(*analysis.fittedSpeed);
    assign(this, durationNote_, qText(analysis.durationNote), &AppModel::durationNoteChanged);
    assign(this, estimateText_, qText(analysis.estimateText), &AppModel::estimateTextChanged);
    refreshDerived();
}

void AppModel::refreshDerived() {
    ModelTexts::BlockerInputs inputs;
    inputs.articleEmpty = article_.isEmpty();
    if (!preparationError_.isEmpty())
        inputs.preparationError = preparationError_.toStdString();
    inputs.analysisPending = analysisPending_;
    inputs.accessibility = accessibility_;
    inputs.postEvents = postEvents_;
    inputs.automation = automation_;
    inputs.target = target_ ? &*target_ : nullptr;
    inputs.targetConfirmed = targetConfirmed_;
    assign(this, blockers_, qTexts(ModelTexts::blockers(inputs)), &AppModel::blockersChanged);
    assign(this, targetNotes_,
           qTexts(ModelTexts::targetNotes(inputs.target, risks_, mode_, typoEnabled_)),
           &AppModel::targetNotesChanged);
    assign(this, activityText_, qText(ModelTexts::activityText(phase_, snapshot_)),
           &AppModel::activityTextChanged);
    const ModelTexts::ProgressFigures figures = ModelTexts::progressFigures(snapshot_);
    Progress progress{figures.sentFraction, figures.confirmedFraction, figures.progressText,
                      figures.rateText};
    if (progress.sentFraction != progress_.sentFraction ||
        progress.confirmedFraction != progress_.confirmedFraction ||
        progress.progressText != progress_.progressText || progress.rateText != progress_.rateText) {
        progress_ = std::move(progress);
        emit progressChanged();
    }
}

// -- Permissions, Word, the target -----------------------------------------------------------

void AppModel::setPermissions(PermissionState accessibility, PermissionState postEvents) {
    if (accessibility == accessibility_ && postEvents == postEvents_)
        return;
    accessibility_ = std::move(accessibility);
    postEvents_ = std::move(postEvents);
    emit permissionsChanged();
    refreshDerived();
}

void AppModel::setAutomation(PermissionState automation) {
    if (automation == automation_)
        return;
    automation_ = std::move(automation);
    emit permissionsChanged();
    refreshDerived();
}

void AppModel::refreshPermissions() {
    setPermissions(Permissions::accessibility(*backend_), Permissions::postEvents(*backend_));
    background_->post([backend = backend_, relay = std::weak_ptr<Relay>(relay_)] {
        PermissionState state = Permissions::automation(*backend, ConsentPrompt::never);
        postTo(relay, [state = std::move(state)](AppModel& model) { model.setAutomation(state); });
    });
}

void AppModel::requestAutomation() {
    background_->post([backend = backend_, relay = std::weak_ptr<Relay>(relay_)] {
        PermissionState state = Permissions::automation(*backend, ConsentPrompt::ifNeeded);
        if (state.kind == PermissionState::Kind::unavailable) {
            // Word may still be starting; it answers once it runs.
            backend->sleepMicroseconds(3'000'000);
            state = Permissions::automation(*backend, ConsentPrompt::ifNeeded);
        }
        postTo(relay, [state = std::move(state)](AppModel& model) { model.setAutomation(state); });
    });
}

void AppModel::openWord() {
    if (!WordBridge::isWordRunning(*backend_))
        backend_->openApplication(WordBridge::bundleID);
}

void AppModel::observeWorkspace() {
    std::weak_ptr<Relay> relay = relay_;
    workspaceObservers_.push_back(backend_->observeApplicationTerminated([relay](std::int32_t pid) {
        postTo(relay, [pid](AppModel& model) {
            // The notification names only the process; Word is the one the target lives in.
            if (model.target_ && model.target_->pid == pid)
                model.wordDidTerminate();
        });
    }));
    workspaceObservers_.push_back(backend_->observeApplicationActivated([relay](std::int32_t) {
        postTo(relay, [](AppModel& model) { model.refreshPermissions(); });
    }));
}

void AppModel::detectTarget() {
    if (!phaseAllowsStart())
        return;
    assign(this, targetConfirmed_, false, &AppModel::targetConfirmedChanged);
    setTarget(std::nullopt);
    setTargetErrorText({});
    const auto word = WordBridge::runningWord(*backend_);
    if (!word) {
        setTargetErrorText(QStringLiteral("Word 没有运行。请打开 Word 和目标文档，把光标放在要插入的位置，"
                                          "再点「检测光标位置」。"));
        return;
    }
    assign(this, detectingTarget_, true, &AppModel::detectingTargetChanged);
    background_->post([backend = backend_, bridge = bridge_, pid = word->pid,
                       relay = std::weak_ptr<Relay>(relay_)] {
        std::optional<TargetInfo> info;
        std::string failure;
        try {
            const DocState state = bridge->state();
            // Detection reads the active document, whatever a session bound before.
            auto reader = std::make_shared<WordBridge>(backend);
            reader->setBoundDocumentID(state.documentID);
            const std::u16string text = WordDocumentReader(reader, backend, pid).readAll();
            info = TargetInfo::make(pid, state, text, bridge->autocorrectSettings());
        } catch (...) {
            failure = detectionFailure(std::current_exception());
        }
        postTo(relay, [info = std::move(info), failure](AppModel& model) {
            assign(&model, model.detectingTarget_, false, &AppModel::detectingTargetChanged);
            model.setTarget(info);
            model.setTargetErrorText(info ? QString() : qText(failure));
        });
    });
}

// -- Small setters ----------------------------------------------------------------------------

void AppModel::setPhase(const SessionPhase& phase) {
    // SessionPhase equality ignores fields that do not belong to the kind; keep them anyway.
    const bool changed = !(phase == phase_);
    phase_ = phase;
    if (changed)
        emit phaseChanged();
    refreshDerived();
}

void AppModel::setStatus(const std::string& text) {
    assign(this, statusMessage_, qText(text), &AppModel::statusMessageChanged);
}

void AppModel::setBusy(bool busy) {
    assign(this, busy_, busy, &AppModel::busyChanged);
}

void AppModel::setResultDetails(QStringList details) {
    assign(this, resultDetails_, std::move(details), &AppModel::resultDetailsChanged);
}

void AppModel::setSessionNotes(QStringList notes) {
    assign(this, sessionNotes_, std::move(notes), &AppModel::sessionNotesChanged);
}

void AppModel::setSnapshot(OptionalEngineSnapshot snapshot) {
    assign(this, snapshot_, std::move(snapshot), &AppModel::snapshotChanged);
    refreshDerived();
}

void AppModel::setTarget(OptionalTargetInfo target) {
    assign(this, target_, std::move(target), &AppModel::targetChanged);
    refreshDerived();
}

void AppModel::setTargetErrorText(const QString& text) {
    assign(this, targetError_, text, &AppModel::targetErrorChanged);
}

} // namespace plumeo
