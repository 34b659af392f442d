#include "app/ui/HudView.h"

#include "app/ui/ButtonStyles.h"
#include "app/ui/CometBorder.h"
#include "app/ui/GlowProgressBar.h"
#include "app/ui/UiColors.h"
#include "platform/input/HotKeyCenter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace plumeo::ui {
namespace {

constexpr double cornerRadius = 14;

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QLabel* smallLabel(QWidget* parent, double scale, bool secondary) {
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    label->setFont(font);
    if (secondary) {
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText, secondaryText(colours));
        label->setPalette(colours);
    }
    return label;
}

} // namespace

HudView::HudView(QWidget* parent)
    : QWidget(parent), status_(smallLabel(this, 1.0, false)),
      activity_(smallLabel(this, 0.85, true)), bar_(new GlowProgressBar(this, 6)),
      progress_(smallLabel(this, 0.8, true)), rate_(smallLabel(this, 0.8, true)),
      resume_(new StyledButton(QStringLiteral("继续（会先核对续写位置）"), ButtonStyle::primary,
                               this, Symbol::play)),
      pause_(new StyledButton(QStringLiteral("暂停（") + fromView(HotKeyCenter::pauseDescription) +
                                  QStringLiteral("）"),
                              ButtonStyle::secondary, this, Symbol::pause)),
      stop_(new StyledButton(QStringLiteral("紧急停止（") +
                                 fromView(HotKeyCenter::stopDescription) + QStringLiteral("）"),
                             ButtonStyle::secondary, this, Symbol::stop)),
      border_(nullptr) {
    QFont statusFont = status_->font();
    statusFont.setBold(true);
    status_->setFont(statusFont);
    stop_->setTint(danger(palette()));
    auto* close =
        new StyledButton(QStringLiteral("关闭"), ButtonStyle::secondary, this, Symbol::cross);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(5);
    auto* top = new QHBoxLayout;
    top->addWidget(status_, 1);
    top->addWidget(close);
    layout->addLayout(top);
    layout->addWidget(activity_);
    layout->addWidget(bar_);
    auto* figures = new QHBoxLayout;
    figures->addWidget(progress_);
    figures->addStretch();
    figures->addWidget(rate_);
    layout->addLayout(figures);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(resume_);
    buttons->addWidget(pause_);
    buttons->addWidget(stop_);
    buttons->addStretch();
    layout->addLayout(buttons);

    border_ = new CometBorder(this, accent(palette()), cornerRadius);

    connect(resume_, &QPushButton::clicked, this, &HudView::resumeRequested);
    connect(pause_, &QPushButton::clicked, this, &HudView::pauseRequested);
    connect(stop_, &QPushButton::clicked, this, &HudView::emergencyStopRequested);
    connect(close, &QPushButton::clicked, this, &HudView::closeRequested);
    setPhase(SessionPhase::Kind::idle);
}

void HudView::setPhase(SessionPhase::Kind phase) {
    using Kind = SessionPhase::Kind;
    phase_ = phase;
    const bool stopped = phase == Kind::paused || phase == Kind::needsRelocation;
    resume_->setVisible(stopped);
    pause_->setVisible(phase == Kind::typing);
    stop_->setVisible(phase == Kind::typing);
    activity_->setVisible(phase == Kind::typing || phase == Kind::resuming ||
                          phase == Kind::verifying);
    bar_->setAnimating(phase == Kind::typing);
    border_->setColor(stopped ? warning(palette()) : accent(palette()));
}

void HudView::setStatusMessage(const QString& status) {
    status_->setText(status_->fontMetrics().elidedText(status, Qt::ElideRight, 300));
    status_->setToolTip(status);
}

void HudView::setActivityText(const QString& activity) {
    activity_->setText(activity);
}

void HudView::setProgress(double sentFraction, double confirmedFraction,
                          const QString& progressText, const QString& rateText) {
    bar_->setFractions(sentFraction, confirmedFraction);
    progress_->setText(progressText);
    rate_->setText(rateText);
}

void HudView::setBusy(bool busy) {
    for (StyledButton* button : {resume_, pause_, stop_})
        button->setEnabled(!busy);
}

void HudView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor fill = palette().color(QPalette::Window);
    fill.setAlphaF(0.97f);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), cornerRadius, cornerRadius);
}

} // namespace plumeo::ui
