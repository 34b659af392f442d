#include "app/ui/WindowBinding.h"

#include "app/model/AppModel.h"
#include "app/ui/EditorPane.h"
#include "app/ui/FloatingPanel.h"
#include "app/ui/HeaderBar.h"
#include "app/ui/HudView.h"
#include "app/ui/IntroOverlay.h"
#include "app/ui/MainWindow.h"
#include "app/ui/ModeCard.h"
#include "app/ui/OptionsCard.h"
#include "app/ui/PermissionCard.h"
#include "app/ui/RelocationPanel.h"
#include "app/ui/SessionCard.h"
#include "app/ui/SidePanel.h"
#include "app/ui/StartCard.h"
#include "app/ui/TargetCard.h"
#include "platform/input/Permissions.h"

namespace plumeo::ui {
namespace {

using Kind = SessionPhase::Kind;

/// The article stays locked from the countdown until the session has ended.
bool articleLocked(const SessionPhase& phase) {
    return phase.kind != Kind::idle && !phase.isTerminal();
}

bool granted(const PermissionState& state) {
    return state.kind == PermissionState::Kind::granted;
}

/// The highest stage the ledger has reached: sent, confirmed or verified.
int reachedStage(const OptionalEngineSnapshot& snapshot) {
    if (!snapshot)
        return -1;
    const ProgressLedger& ledger = snapshot->ledger;
    if (ledger.finalVerified)
        return 2;
    if (ledger.confirmedUnits > 0)
        return 1;
    return ledger.sentUnits > 0 ? 0 : -1;
}

std::optional<TargetSummary> summary(const OptionalTargetInfo& target) {
    if (!target)
        return std::nullopt;
    TargetSummary shown;
    shown.documentName = QString::fromStdString(target->documentName);
    shown.paragraphNumber = target->paragraphNumber;
    shown.selectionStart = target->selectionStart;
    shown.contextBefore = QString::fromStdU16String(target->contextBefore);
    shown.contextAfter = QString::fromStdU16String(target->contextAfter);
    shown.hasSelection = target->selectionStart != target->selectionEnd;
    shown.inMainStory = target->inMainStory;
    shown.protectedDocument = target->isProtected;
    shown.trackRevisions = target->trackRevisions;
    return shown;
}

void bindEditor(EditorPane& editor, AppModel& model) {
    auto article = [&] { editor.setArticle(model.article()); };
    auto analysis = [&] {
        editor.setStats(model.stats());
        editor.setPreparationError(model.preparationError());
    };
    QObject::connect(&model, &AppModel::articleChanged, &editor, article);
    QObject::connect(&model, &AppModel::statsChanged, &editor, analysis);
    QObject::connect(&model, &AppModel::preparationErrorChanged, &editor, analysis);
    QObject::connect(&model, &AppModel::phaseChanged, &editor,
                     [&] { editor.setLocked(articleLocked(model.phase())); });
    QObject::connect(&editor, &EditorPane::articleEdited, &model, &AppModel::setArticle);
    article();
    analysis();
    editor.setLocked(articleLocked(model.phase()));
}

void bindPermissions(MainWindow& window, AppModel& model) {
    PermissionCard& card = *window.sidePanel()->permissionCard();
    auto show = [&] {
        const bool accessibility = granted(model.accessibility()) && granted(model.postEvents());
        card.setGranted(accessibility, granted(model.automation()));
        window.header()->setReady(accessibility);
    };
    QObject::connect(&model, &AppModel::permissionsChanged, &card, show);
    QObject::connect(&card, &PermissionCard::accessibilityRequested, &model, [&] {
        if (!Permissions::requestAccessibility(model.backend()))
            Permissions::openAccessibilitySettings(model.backend());
        model.refreshPermissions();
    });
    QObject::connect(&card, &PermissionCard::automationRequested, &model,
                     &AppModel::requestAutomation);
    QObject::connect(&card, &PermissionCard::openWordRequested, &model, &AppModel::openWord);
    QObject::connect(&card, &PermissionCard::refreshRequested, &model,
                     &AppModel::refreshPermissions);
    show();
}

void bindTarget(TargetCard& card, AppModel& model) {
    auto show = [&] {
        card.setTarget(summary(model.target()));
        card.setTargetError(model.targetError());
        card.setDetecting(model.detectingTarget());
        card.setConfirmed(model.targetConfirmed());
        card.setNotes(model.targetNotes());
        card.setLocked(articleLocked(model.phase()));
    };
    for (auto signal : {&AppModel::targetChanged, &AppModel::targetErrorChanged,
                        &AppModel::detectingTargetChanged, &AppModel::targetConfirmedChanged,
                        &AppModel::targetNotesChanged, &AppModel::phaseChanged})
        QObject::connect(&model, signal, &card, show);
    QObject::connect(&card, &TargetCard::detectRequested, &model, &AppModel::detectTarget);
    QObject::connect(&card, &TargetCard::confirmationChosen, &model, &AppModel::setTargetConfirmed);
    show();
}

void bindMode(ModeCard& card, AppModel& model) {
    auto show = [&] {
        card.setMode(model.mode());
        card.setSpeed(model.speed());
        card.setPaceByDuration(model.paceByDuration());
        card.setTargetMinutes(model.targetMinutes());
        card.setDurationNote(model.durationNote());
        card.setEstimateText(model.estimateText());
        card.setTypoEnabled(model.typoEnabled());
        card.setTypoRate(model.typoRate(), model.typoRateText());
        card.setLocked(articleLocked(model.phase()));
    };
    for (auto signal :
         {&AppModel::modeChanged, &AppModel::speedChanged, &AppModel::paceByDurationChanged,
          &AppModel::targetMinutesChanged, &AppModel::durationNoteChanged,
          &AppModel::estimateTextChanged, &AppModel::typoEnabledChanged, &AppModel::typoRateChanged,
          &AppModel::phaseChanged})
        QObject::connect(&model, signal, &card, show);
    QObject::connect(&card, &ModeCard::modeChosen, &model, &AppModel::setMode);
    QObject::connect(&card, &ModeCard::speedChosen, &model, &AppModel::setSpeed);
    QObject::connect(&card, &ModeCard::paceByDurationChosen, &model, &AppModel::setPaceByDuration);
    QObject::connect(&card, &ModeCard::targetMinutesChosen, &model, &AppModel::setTargetMinutes);
    QObject::connect(&card, &ModeCard::typoEnabledChosen, &model, &AppModel::setTypoEnabled);
    QObject::connect(&card, &ModeCard::typoRateChosen, &model, &AppModel::setTypoRate);
    show();
}

void bindOptions(OptionsCard& card, AppModel& model) {
    auto show = [&] {
        card.setHotkeysRegistered(model.hotkeysRegistered());
        card.setBackgroundTyping(model.backgroundTyping());
        card.setCountdownSeconds(model.countdownSeconds());
        card.setSwitchToASCII(model.switchToASCII());
        card.setLocked(articleLocked(model.phase()));
    };
    for (auto signal : {&AppModel::hotkeysRegisteredChanged, &AppModel::backgroundTypingChanged,
                        &AppModel::countdownSecondsChanged, &AppModel::switchToASCIIChanged,
                        &AppModel::phaseChanged})
        QObject::connect(&model, signal, &card, show);
    QObject::connect(&card, &OptionsCard::backgroundTypingChosen, &model,
                     &AppModel::setBackgroundTyping);
    QObject::connect(&card, &OptionsCard::countdownSecondsChosen, &model,
                     &AppModel::setCountdownSeconds);
    QObject::connect(&card, &OptionsCard::switchToASCIIChosen, &model, &AppModel::setSwitchToASCII);
    show();
}

void bindSession(SidePanel& side, HudView& hud, AppModel& model) {
    SessionCard& card = *side.sessionCard();
    StartCard& start = *side.startCard();
    auto phase = [&] {
        side.setSessionShown(model.phase().kind != Kind::idle);
        card.setPhase(model.phase());
        hud.setPhase(model.phase().kind);
    };
    auto status = [&] {
        card.setStatusMessage(model.statusMessage());
        card.setActivityText(model.activityText());
        hud.setStatusMessage(model.statusMessage());
        hud.setActivityText(model.activityText());
    };
    auto progress = [&] {
        card.setProgress(model.sentFraction(), model.confirmedFraction(), model.progressText(),
                         model.rateText(), reachedStage(model.snapshot()));
        hud.setProgress(model.sentFraction(), model.confirmedFraction(), model.progressText(),
                        model.rateText());
        if (model.snapshot() && model.snapshot()->relocation)
            card.setRelocation(model.snapshot()->relocation);
    };
    auto lists = [&] {
        card.setResultDetails(model.resultDetails());
        card.setSessionNotes(model.sessionNotes());
    };
    auto busy = [&] {
        card.setBusy(model.busy());
        hud.setBusy(model.busy());
    };
    QObject::connect(&model, &AppModel::phaseChanged, &card, phase);
    QObject::connect(&model, &AppModel::statusMessageChanged, &card, status);
    QObject::connect(&model, &AppModel::activityTextChanged, &card, status);
    QObject::connect(&model, &AppModel::progressChanged, &card, progress);
    QObject::connect(&model, &AppModel::snapshotChanged, &card, progress);
    QObject::connect(&model, &AppModel::resultDetailsChanged, &card, lists);
    QObject::connect(&model, &AppModel::sessionNotesChanged, &card, lists);
    QObject::connect(&model, &AppModel::busyChanged, &card, busy);
    QObject::connect(&model, &AppModel::blockersChanged, &start,
                     [&] { start.setBlockers(model.blockers()); });

    QObject::connect(&start, &StartCard::startRequested, &model, &AppModel::start);
    QObject::connect(&card, &SessionCard::cancelRequested, &model, &AppModel::cancelStart);
    QObject::connect(&card, &SessionCard::pauseRequested, &model, &AppModel::pause);
    QObject::connect(&card, &SessionCard::resumeRequested, &model, &AppModel::resume);
    QObject::connect(&card, &SessionCard::acceptDifferencesRequested, &model,
                     &AppModel::acceptDifferencesAndContinue);
    QObject::connect(&card, &SessionCard::reverifyRequested, &model, &AppModel::reverify);
    QObject::connect(&card, &SessionCard::newTaskRequested, &model, &AppModel::resetSession);
    RelocationPanel& relocation = *card.relocationPanel();
    QObject::connect(&relocation, &RelocationPanel::moveCursorRequested, &model,
                     &AppModel::moveCursorAndContinue);
    QObject::connect(&relocation, &RelocationPanel::recheckRequested, &model, &AppModel::resume);
    QObject::connect(&relocation, &RelocationPanel::continueFromCursorRequested, &model,
                     &AppModel::continueFromCursor);

    QObject::connect(&hud, &HudView::resumeRequested, &model, &AppModel::resume);
    QObject::connect(&hud, &HudView::pauseRequested, &model, &AppModel::pause);
    QObject::connect(&hud, &HudView::emergencyStopRequested, &model,
                     [&] { model.cancelStart(true); });
    phase();
    status();
    progress();
    lists();
    busy();
    start.setBlockers(model.blockers());
}

} // namespace

void bindWindow(MainWindow& window, FloatingPanel& panel, AppModel& model) {
    bindEditor(*window.editorPane(), model);
    bindPermissions(window, model);
    bindTarget(*window.sidePanel()->targetCard(), model);
    bindMode(*window.sidePanel()->modeCard(), model);
    bindOptions(*window.sidePanel()->optionsCard(), model);
    bindSession(*window.sidePanel(), *panel.view(), model);

    IntroOverlay& intro = *window.intro();
    auto showIntro = [&] {
        if (model.showIntro() && !intro.isVisible())
            intro.open();
        else if (!model.showIntro() && intro.isVisible())
            intro.hide();
    };
    QObject::connect(&model, &AppModel::showIntroChanged, &intro, showIntro);
    QObject::connect(&intro, &IntroOverlay::closed, &model, [&] { model.setShowIntro(false); });
    QObject::connect(&window, &MainWindow::introRequested, &model,
                     [&] { model.setShowIntro(true); });
    showIntro();

    QObject::connect(&model, &AppModel::hudShowRequested, &panel, &FloatingPanel::present);
    QObject::connect(&model, &AppModel::hudHideRequested, &panel, &QWidget::hide);
    QObject::connect(panel.view(), &HudView::closeRequested, &panel, &QWidget::hide);
    QObject::connect(&model, &AppModel::applicationActivationRequested, &window, [&] {
        window.raise();
        window.activateWindow();
    });
}

} // namespace plumeo::ui
