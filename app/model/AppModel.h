#pragma once

// The one model behind every front end (window, floating panel, command line, self-test):
// the settings, the article's analysis, the permissions, the detected target and the session
// coordinator. All published state lives on the main thread and is a property with a change
// signal; slow work runs on the serial background queue "Plumeo.ui-background" and hands its
// result back to the main thread. The session coordinator's half is in SessionCoordinator.cpp.

#include "app/model/ArticleAnalyzer.h"
#include "app/model/Preflight.h"
#include "app/model/TargetInfo.h"
#include "core/engine/EngineSnapshot.h"
#include "core/engine/SessionPhase.h"
#include "core/text/AutocorrectRisk.h"
#include "core/text/PreparedText.h"
#include "core/text/TypingMode.h"
#include "platform/backend/PlatformBackend.h"
#include "platform/input/HotKeyCenter.h"
#include "platform/input/Permissions.h"

#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace plumeo {

class BackgroundQueue;
class InputSourceController;
class MainThreadQueue;
class TypingEngine;
class WordBridge;
class WordCursorMover;
class WordDocumentReader;
class WordTargetGuard;

using OptionalTextStats = std::optional<TextStats>;
using OptionalTargetInfo = std::optional<TargetInfo>;
using OptionalEngineSnapshot = std::optional<EngineSnapshot>;
using RiskList = std::vector<AutocorrectRisk>;

struct AppModelOptions {
    std::shared_ptr<PlatformBackend> backend;
    /// Where the settings live; the application's user defaults when absent. Tests pass a
    /// file of their own.
    std::unique_ptr<QSettings> settings;
    /// Seeds every session with this value instead of a random one (the command line's
    /// --seed, reproducible self-tests).
    std::optional<std::uint64_t> fixedSeed;
    /// Articles longer than this many UTF-16 units are analysed off the main thread.
    int synchronousAnalysisLimit = 20000;
    /// Tuning of the engine, for tests; negative keeps the engine's own value.
    double engineSettleWindowSeconds = -1;
};

class AppModel : public QObject {
    Q_OBJECT

    Q_PROPERTY(QString article READ article WRITE setArticle NOTIFY articleChanged)
    Q_PROPERTY(plumeo::OptionalTextStats stats READ stats NOTIFY statsChanged)
    Q_PROPERTY(QString preparationError READ preparationError NOTIFY preparationErrorChanged)
    Q_PROPERTY(plumeo::RiskList risks READ risks NOTIFY risksChanged)
    Q_PROPERTY(bool analysisPending READ analysisPending NOTIFY analysisPendingChanged)
    Q_PROPERTY(plumeo::TypingMode mode READ mode WRITE setMode NOTIFY modeChanged)
    Q_PROPERTY(double speed READ speed WRITE setSpeed NOTIFY speedChanged)
    Q_PROPERTY(bool typoEnabled READ typoEnabled WRITE setTypoEnabled NOTIFY typoEnabledChanged)
    Q_PROPERTY(double typoRate READ typoRate WRITE setTypoRate NOTIFY typoRateChanged)
    Q_PROPERTY(bool paceByDuration READ paceByDuration WRITE setPaceByDuration NOTIFY
                   paceByDurationChanged)
    Q_PROPERTY(
        double targetMinutes READ targetMinutes WRITE setTargetMinutes NOTIFY targetMinutesChanged)
    Q_PROPERTY(QString durationNote READ durationNote NOTIFY durationNoteChanged)
    Q_PROPERTY(QString estimateText READ estimateText NOTIFY estimateTextChanged)
    Q_PROPERTY(bool showIntro READ showIntro WRITE setShowIntro NOTIFY showIntroChanged)
    Q_PROPERTY(int countdownSeconds READ countdownSeconds WRITE setCountdownSeconds NOTIFY
                   countdownSecondsChanged)
    Q_PROPERTY(bool switchToASCII READ switchToASCII WRITE setSwitchToASCII NOTIFY
                   switchToASCIIChanged)
    Q_PROPERTY(bool backgroundTyping READ backgroundTyping WRITE setBackgroundTyping NOTIFY
                   backgroundTypingChanged)
    Q_PROPERTY(plumeo::PermissionState accessibility READ accessibility NOTIFY permissionsChanged)
    Q_PROPERTY(plumeo::PermissionState postEvents READ postEvents NOTIFY permissionsChanged)
    Q_PROPERTY(plumeo::PermissionState automation READ automation NOTIFY permissionsChanged)
    Q_PROPERTY(bool hotkeysRegistered READ hotkeysRegistered NOTIFY hotkeysRegisteredChanged)
    Q_PROPERTY(plumeo::OptionalTargetInfo target READ target NOTIFY targetChanged)
    Q_PROPERTY(QString targetError READ targetError NOTIFY targetErrorChanged)
    Q_PROPERTY(bool detectingTarget READ detectingTarget NOTIFY detectingTargetChanged)
    Q_PROPERTY(bool targetConfirmed READ targetConfirmed WRITE setTargetConfirmed NOTIFY
                   targetConfirmedChanged)
    Q_PROPERTY(plumeo::SessionPhase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(plumeo::OptionalEngineSnapshot snapshot READ snapshot NOTIFY snapshotChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(QStringList resultDetails READ resultDetails NOTIFY resultDetailsChanged)
    Q_PROPERTY(QStringList sessionNotes READ sessionNotes NOTIFY sessionNotesChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    // Derived from the fields above.
    Q_PROPERTY(QStringList blockers READ blockers NOTIFY blockersChanged)
    Q_PROPERTY(QStringList targetNotes READ targetNotes NOTIFY targetNotesChanged)
    Q_PROPERTY(QString activityText READ activityText NOTIFY activityTextChanged)
    Q_PROPERTY(QString typoRateText READ typoRateText NOTIFY typoRateChanged)
    Q_PROPERTY(double sentFraction READ sentFraction NOTIFY progressChanged)
    Q_PROPERTY(double confirmedFraction READ confirmedFraction NOTIFY progressChanged)
    Q_PROPERTY(QString progressText READ progressText NOTIFY progressChanged)
    Q_PROPERTY(QString rateText READ rateText NOTIFY progressChanged)

public:
    explicit AppModel(AppModelOptions options, QObject* parent = nullptr);
    ~AppModel() override;

    // Settings keys in the user defaults.
    static constexpr const char* modeKey = "mode";
    static constexpr const char* speedKeyPrefix = "speed.";
    static constexpr const char* typoEnabledKey = "typoEnabled";
    static constexpr const char* typoRateKey = "typoRate";
    static constexpr const char* paceByDurationKey = "paceByDuration";
    static constexpr const char* targetMinutesKey = "targetMinutes";
    static constexpr const char* seenIntroKey = "seenIntro";
    static constexpr const char* countdownKey = "countdown";
    static constexpr const char* switchToASCIIKey = "switchToASCII";
    static constexpr const char* backgroundTypingKey = "backgroundTyping";
    static constexpr double maxTypoRate = 0.4;

    QString article() const { return article_; }
    const OptionalTextStats& stats() const { return stats_; }
    QString preparationError() const { return preparationError_; }
    const RiskList& risks() const { return risks_; }
    bool analysisPending() const { return analysisPending_; }
    TypingMode mode() const { return mode_; }
    double speed() const { return speed_; }
    bool typoEnabled() const { return typoEnabled_; }
    double typoRate() const { return typoRate_; }
    bool paceByDuration() const { return paceByDuration_; }
    double targetMinutes() const { return targetMinutes_; }
    QString durationNote() const { return durationNote_; }
    QString estimateText() const { return estimateText_; }
    bool showIntro() const { return showIntro_; }
    int countdownSeconds() const { return countdownSeconds_; }
    bool switchToASCII() const { return switchToASCII_; }
    bool backgroundTyping() const { return backgroundTyping_; }
    const PermissionState& accessibility() const { return accessibility_; }
    const PermissionState& postEvents() const { return postEvents_; }
    const PermissionState& automation() const { return automation_; }
    bool hotkeysRegistered() const { return hotkeysRegistered_; }
    const OptionalTargetInfo& target() const { return target_; }
    QString targetError() const { return targetError_; }
    bool detectingTarget() const { return detectingTarget_; }
    bool targetConfirmed() const { return targetConfirmed_; }
    const SessionPhase& phase() const { return phase_; }
    const OptionalEngineSnapshot& snapshot() const { return snapshot_; }
    QString statusMessage() const { return statusMessage_; }
    QStringList resultDetails() const { return resultDetails_; }
    QStringList sessionNotes() const { return sessionNotes_; }
    bool busy() const { return busy_; }
    QStringList blockers() const { return blockers_; }
    QStringList targetNotes() const { return targetNotes_; }
    QString activityText() const { return activityText_; }
    QString typoRateText() const;
    double sentFraction() const { return progress_.sentFraction; }
    double confirmedFraction() const { return progress_.confirmedFraction; }
    QString progressText() const;
    QString rateText() const;

    /// The session's engine, while one exists (for front ends that show its figures).
    std::shared_ptr<TypingEngine> engine() const { return engine_; }
    PlatformBackend& backend() const { return *backend_; }

public slots:
    void setArticle(const QString& article);
    /// Re-analyses the article; called whenever it is set.
    void articleDidChange();
    void setMode(plumeo::TypingMode mode);
    void setSpeed(double speed);
    void setTypoEnabled(bool enabled);
    void setTypoRate(double rate);
    void setPaceByDuration(bool enabled);
    void setTargetMinutes(double minutes);
    void setCountdownSeconds(int seconds);
    void setSwitchToASCII(bool enabled);
    void setBackgroundTyping(bool enabled);
    /// Closing the introduction records that it was seen.
    void setShowIntro(bool show);
    void setTargetConfirmed(bool confirmed);

    void refreshPermissions();
    void requestAutomation();
    void openWord();
    void detectTarget();

    // The session coordinator.
    void start();
    void cancelStart(bool emergency);
    /// The user's pause button.
    void pause();
    void resume();
    void acceptDifferencesAndContinue();
    void continueFromCursor(bool useKnownPosition);
    void moveCursorAndContinue();
    void reverify();
    void resetSession();
    void handleHotKey(plumeo::HotKeyCenter::Action action);
    void wordDidTerminate();

signals:
    void articleChanged();
    void statsChanged();
    void preparationErrorChanged();
    void risksChanged();
    void analysisPendingChanged();
    void modeChanged();
    void speedChanged();
    void typoEnabledChanged();
    void typoRateChanged();
    void paceByDurationChanged();
    void targetMinutesChanged();
    void durationNoteChanged();
    void estimateTextChanged();
    void showIntroChanged();
    void countdownSecondsChanged();
    void switchToASCIIChanged();
    void backgroundTypingChanged();
    void permissionsChanged();
    void hotkeysRegisteredChanged();
    void targetChanged();
    void targetErrorChanged();
    void detectingTargetChanged();
    void targetConfirmedChanged();
    void phaseChanged();
    void snapshotChanged();
    void statusMessageChanged();
    void resultDetailsChanged();
    void sessionNotesChanged();
    void busyChanged();
    void blockersChanged();
    void targetNotesChanged();
    void activityTextChanged();
    void progressChanged();

    // Requests to the front end's floating panel and application.
    void hudShowRequested();
    void hudHideRequested();
    /// Bring this application to the front, ignoring other applications.
    void applicationActivationRequested();

private:
    struct Relay;
    class EngineRelay;

    // Settings and analysis (AppModel.cpp).
    void readSettings();
    void reanalyze();
    AnalysisRequest analysisRequest() const;
    void applyAnalysis(const Analysis& analysis);
    void storeSpeed(double speed);
    void refreshDerived();
    void setPermissions(PermissionState accessibility, PermissionState postEvents);
    void setAutomation(PermissionState automation);
    void observeWorkspace();

    // Small setters that emit only on change.
    void setPhase(const SessionPhase& phase);
    void setStatus(const std::string& text);
    void setBusy(bool busy);
    void setResultDetails(QStringList details);
    void setSessionNotes(QStringList notes);
    void setSnapshot(OptionalEngineSnapshot snapshot);
    void setTarget(OptionalTargetInfo target);
    void setTargetErrorText(const QString& text);

    // The session (SessionCoordinator.cpp).
    bool phaseAllowsStart() const;
    void countdownTick();
    void beginPreflight();
    void createEngine(PreflightPass pass);
    void abortStart(const std::string& message);
    void dropEngine();
    void engineDidUpdate(const EngineSnapshot& snapshot);
    void presentResult(const VerificationOutcome& outcome);
    void restoreInputSource();
    void beginActivity();
    void endActivity();
    void switchToWordAndRun(const std::string& status,
                            std::function<void(TypingEngine&)> action);
    /// Runs `work` on the main thread later, unless the model is gone by then. Any thread.
    void onMain(std::function<void(AppModel&)> work) const { postTo(relay_, std::move(work)); }
    static void postTo(std::weak_ptr<Relay> relay, std::function<void(AppModel&)> work);

    // Collaborators.
    std::shared_ptr<PlatformBackend> backend_;
    std::unique_ptr<QSettings> settings_;
    AppModelOptions tuning_;
    std::shared_ptr<Relay> relay_;
    std::shared_ptr<MainThreadQueue> mainQueue_;
    std::shared_ptr<WordBridge> bridge_;
    std::shared_ptr<InputSourceController> inputSources_;
    std::shared_ptr<WordCursorMover> cursorMover_;
    std::unique_ptr<HotKeyCenter> hotkeys_;
    /// When the engine last paused on its own for a key press (backend uptime): the pause
    /// hot key is such a press, and it may arrive after the pause it caused.
    std::optional<double> keyPauseUptime_;
    std::vector<ObserverToken> workspaceObservers_;
    ActivityToken activity_ = 0;
    bool activityHeld_ = false;

    // Published state.
    QString article_;
    OptionalTextStats stats_;
    QString preparationError_;
    RiskList risks_;
    bool analysisPending_ = false;
    std::uint64_t analysisGeneration_ = 0;
    std::shared_ptr<std::atomic<std::uint64_t>> latestAnalysis_ =
        std::make_shared<std::atomic<std::uint64_t>>(0);
    TypingMode mode_ = TypingMode::stable;
    double speed_ = 300;
    bool typoEnabled_ = false;
    double typoRate_ = 0.08;
    bool paceByDuration_ = false;
    double targetMinutes_ = 10;
    QString durationNote_;
    QString estimateText_;
    bool showIntro_ = true;
    int countdownSeconds_ = 3;
    bool switchToASCII_ = false;
    bool backgroundTyping_ = true;
    PermissionState accessibility_ = PermissionState::notDetermined();
    PermissionState postEvents_ = PermissionState::notDetermined();
    PermissionState automation_ = PermissionState::unavailable("未检查");
    bool hotkeysRegistered_ = false;
    OptionalTargetInfo target_;
    QString targetError_;
    bool detectingTarget_ = false;
    bool targetConfirmed_ = false;
    SessionPhase phase_;
    OptionalEngineSnapshot snapshot_;
    QString statusMessage_;
    QStringList resultDetails_;
    QStringList sessionNotes_;
    bool busy_ = false;
    QStringList blockers_;
    QStringList targetNotes_;
    QString activityText_;
    struct Progress {
        double sentFraction = 0;
        double confirmedFraction = 0;
        std::string progressText;
        std::string rateText;
    } progress_;

    // The session.
    std::optional<PreparedText> pendingText_;
    QTimer countdownTimer_;
    int countdownRemaining_ = 0;
    /// Counts starts, so a preflight that outlived its start is dropped.
    std::uint64_t startGeneration_ = 0;
    std::shared_ptr<TypingEngine> engine_;
    std::shared_ptr<EngineRelay> engineRelay_;
    std::shared_ptr<WordDocumentReader> reader_;
    std::shared_ptr<WordBridge> sessionBridge_;
    std::optional<std::string> restoreInputSourceID_;

    // Last: their threads must stop before the state above goes away.
    std::unique_ptr<BackgroundQueue> analysisQueue_;
    std::unique_ptr<BackgroundQueue> background_;
};

} // namespace plumeo

Q_DECLARE_METATYPE(plumeo::OptionalTextStats)
Q_DECLARE_METATYPE(plumeo::RiskList)
Q_DECLARE_METATYPE(plumeo::TypingMode)
Q_DECLARE_METATYPE(plumeo::PermissionState)
Q_DECLARE_METATYPE(plumeo::OptionalTargetInfo)
Q_DECLARE_METATYPE(plumeo::SessionPhase)
Q_DECLARE_METATYPE(plumeo::OptionalEngineSnapshot)
