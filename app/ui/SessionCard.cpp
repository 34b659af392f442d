#include "app/ui/SessionCard.h"

#include "app/ui/ButtonStyles.h"
#include "app/ui/GlowProgressBar.h"
#include "app/ui/ProgressRing.h"
#include "app/ui/RelocationPanel.h"
#include "app/ui/StageChips.h"
#include "app/ui/Symbol.h"
#include "app/ui/UiColors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace plumeo::ui {
namespace {

using Kind = SessionPhase::Kind;

QLabel* wrapped(QWidget* parent, bool secondary) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    if (secondary) {
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText, secondaryText(colours));
        label->setPalette(colours);
    }
    return label;
}

struct PhaseMark {
    Symbol symbol;
    QColor color;
};

PhaseMark phaseMark(const SessionPhase& phase, const QPalette& palette) {
    switch (phase.kind) {
    case Kind::idle:
    case Kind::countdown:
    case Kind::preparing:
        return {Symbol::hourglass, accent(palette)};
    case Kind::typing:
    case Kind::resuming:
    case Kind::verifying:
        return {Symbol::keyboard, accent(palette)};
    case Kind::paused:
        return {Symbol::pause, warning(palette)};
    case Kind::needsRelocation:
        return {Symbol::question, warning(palette)};
    case Kind::completed:
        switch (phase.outcome.kind) {
        case VerificationOutcome::Kind::verified:
            return {Symbol::checkSeal, success(palette)};
        case VerificationOutcome::Kind::verifiedWithAcceptedDifferences:
            return {Symbol::checkSealOutline, success(palette)};
        case VerificationOutcome::Kind::mismatch:
        case VerificationOutcome::Kind::unverified:
            // A seal here would read as success; what arrived was not proven.
            return {Symbol::warning, warning(palette)};
        }
        break;
    case Kind::cancelled:
        return {Symbol::stop, secondaryText(palette)};
    case Kind::failed:
        return {Symbol::octagonCross, danger(palette)};
    }
    return {Symbol::none, {}};
}

} // namespace

SessionCard::SessionCard(QWidget* parent)
    : Card(parent), phaseMark_(new QLabel(this)), status_(wrapped(this, false)),
      activity_(wrapped(this, true)), bar_(new GlowProgressBar(this)),
      ring_(new ProgressRing(this)), progress_(wrapped(this, true)), rate_(wrapped(this, true)),
      stages_(new StageChips(
          {QStringLiteral("已发送"), QStringLiteral("已确认"), QStringLiteral("已验证")},
          accent(palette()), this)),
      results_(wrapped(this, false)), notes_(wrapped(this, true)),
      relocation_(new RelocationPanel(this)), acceptExplanation_(wrapped(this, true)),
      cancel_(new StyledButton(QStringLiteral("取消"), ButtonStyle::secondary, this)),
      pause_(new StyledButton(QStringLiteral("暂停"), ButtonStyle::secondary, this, Symbol::pause)),
      emergencyStop_(
          new StyledButton(QStringLiteral("紧急停止"), ButtonStyle::primary, this, Symbol::stop)),
      resume_(new StyledButton(QStringLiteral("继续"), ButtonStyle::primary, this, Symbol::play)),
      acceptDifferences_(
          new StyledButton(QStringLiteral("接受差异并继续"), ButtonStyle::secondary, this)),
      reverify_(new StyledButton(QStringLiteral("在 Word 前台核实"), ButtonStyle::primary, this)),
      newTask_(new StyledButton(QStringLiteral("新任务"), ButtonStyle::secondary, this)) {
    emergencyStop_->setTint(danger(palette()));
    QFont large = status_->font();
    large.setBold(true);
    large.setPointSizeF(large.pointSizeF() * 1.3);
    status_->setFont(large);
    phaseMark_->setFixedSize(28, 28);

    QVBoxLayout* layout = contentLayout();
    auto* top = new QHBoxLayout;
    top->addWidget(phaseMark_, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(status_);
    texts->addWidget(activity_);
    top->addLayout(texts, 1);
    top->addWidget(ring_, 0, Qt::AlignTop);
    layout->addLayout(top);
    layout->addWidget(bar_);
    layout->addWidget(progress_);
    layout->addWidget(rate_);
    layout->addWidget(stages_);
    layout->addWidget(results_);
    layout->addWidget(notes_);
    layout->addWidget(relocation_);
    acceptExplanation_->setText(QStringLiteral("仅当差异全部位于本次写入的内容内、且插入点之后的原"
                                               "有内容未变时可继续；结果会标注「含已接受差异」。"));
    layout->addWidget(acceptExplanation_);
    // At most three buttons are offered at a time; they fit one row.
    auto* buttons = new QHBoxLayout;
    for (StyledButton* button :
         {resume_, acceptDifferences_, reverify_, pause_, emergencyStop_, cancel_, newTask_})
        buttons->addWidget(button);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(cancel_, &QPushButton::clicked, this, [this] { emit cancelRequested(false); });
    connect(emergencyStop_, &QPushButton::clicked, this, [this] { emit cancelRequested(true); });
    connect(pause_, &QPushButton::clicked, this, &SessionCard::pauseRequested);
    connect(resume_, &QPushButton::clicked, this, &SessionCard::resumeRequested);
    connect(acceptDifferences_, &QPushButton::clicked, this,
            &SessionCard::acceptDifferencesRequested);
    connect(reverify_, &QPushButton::clicked, this, &SessionCard::reverifyRequested);
    connect(newTask_, &QPushButton::clicked, this, &SessionCard::newTaskRequested);
    setPhase(SessionPhase::idle());
    setResultDetails({});
    setSessionNotes({});
}

void SessionCard::setPhase(const SessionPhase& phase) {
    const Kind kind = phase.kind;
    const PhaseMark mark = phaseMark(phase, palette());
    QPixmap pixmap(phaseMark_->size() * devicePixelRatioF());
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintSymbol(painter, mark.symbol, QRectF(0, 0, 28, 28), mark.color);
    painter.end();
    phaseMark_->setPixmap(pixmap);

    const bool working = kind == Kind::typing || kind == Kind::resuming || kind == Kind::verifying;
    const bool unverified =
        kind == Kind::completed && phase.outcome.kind == VerificationOutcome::Kind::unverified;
    activity_->setVisible(working);
    bar_->setAnimating(kind == Kind::typing);
    cancel_->setVisible(kind == Kind::countdown || kind == Kind::preparing ||
                        kind == Kind::paused || kind == Kind::needsRelocation);
    pause_->setVisible(working);
    emergencyStop_->setVisible(working);
    resume_->setVisible(kind == Kind::paused);
    acceptDifferences_->setVisible(kind == Kind::paused);
    acceptExplanation_->setVisible(kind == Kind::paused);
    relocation_->setVisible(kind == Kind::needsRelocation);
    reverify_->setVisible(unverified);
    newTask_->setVisible(phase.isTerminal());
}

void SessionCard::setStatusMessage(const QString& status) {
    status_->setText(status);
}

void SessionCard::setActivityText(const QString& activity) {
    activity_->setText(activity);
}

void SessionCard::setProgress(double sentFraction, double confirmedFraction,
                              const QString& progressText, const QString& rateText, int stage) {
    bar_->setFractions(sentFraction, confirmedFraction);
    ring_->setFractions(sentFraction, confirmedFraction);
    progress_->setText(progressText);
    progress_->setVisible(!progressText.isEmpty());
    rate_->setText(rateText);
    rate_->setVisible(!rateText.isEmpty());
    stages_->setCurrent(stage);
}

void SessionCard::setResultDetails(const QStringList& lines) {
    results_->setText(lines.join(QStringLiteral("\n")));
    results_->setVisible(!lines.isEmpty());
}

void SessionCard::setSessionNotes(const QStringList& notes) {
    QStringList bulleted;
    for (const QString& note : notes)
        bulleted.append(QStringLiteral("• ") + note);
    notes_->setText(bulleted.join(QStringLiteral("\n")));
    notes_->setVisible(!notes.isEmpty());
}

void SessionCard::setRelocation(const std::optional<RelocationHint>& hint) {
    if (hint)
        relocation_->setHint(*hint);
}

void SessionCard::setBusy(bool busy) {
    for (StyledButton* button :
         {cancel_, pause_, emergencyStop_, resume_, acceptDifferences_, reverify_, newTask_})
        button->setEnabled(!busy);
    relocation_->setBusy(busy);
}

QStringList SessionCard::offeredButtons() const {
    QStringList offered;
    for (StyledButton* button :
         {resume_, acceptDifferences_, reverify_, pause_, emergencyStop_, cancel_, newTask_})
        if (button->isVisibleTo(this))
            offered.append(button->text());
    return offered;
}

} // namespace plumeo::ui
