#include "app/ui/GlowProgressBar.h"

#include "app/ui/Motion.h"
#include "app/ui/UiColors.h"

#include <QLinearGradient>
#include <QPainter>
#include <QVariantAnimation>
#include <algorithm>

namespace plumeo::ui {
namespace {

constexpr int easeMs = 350;
constexpr int sweepMs = 1600;

} // namespace

GlowProgressBar::GlowProgressBar(QWidget* parent, int barHeight)
    : QWidget(parent), barHeight_(barHeight), fractions_(new QVariantAnimation(this)),
      sweep_(new QVariantAnimation(this)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(barHeight);
    fractions_->setDuration(easeMs);
    fractions_->setEasingCurve(QEasingCurve::OutCubic);
    fractions_->setStartValue(0.0);
    fractions_->setEndValue(1.0);
    connect(fractions_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const double t = value.toDouble();
        shownSent_ = fromSent_ + (toSent_ - fromSent_) * t;
        shownConfirmed_ = fromConfirmed_ + (toConfirmed_ - fromConfirmed_) * t;
        update();
    });
    sweep_->setDuration(sweepMs);
    sweep_->setStartValue(0.0);
    sweep_->setEndValue(1.0);
    sweep_->setLoopCount(-1);
    connect(sweep_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        sweepPhase_ = value.toDouble();
        update();
    });
}

void GlowProgressBar::setFractions(double sent, double confirmed) {
    sent = std::clamp(sent, 0.0, 1.0);
    confirmed = std::clamp(confirmed, 0.0, 1.0);
    if (sent == toSent_ && confirmed == toConfirmed_)
        return;
    animateFractions(sent, confirmed);
}

void GlowProgressBar::animateFractions(double sent, double confirmed) {
    fromSent_ = shownSent_;
    fromConfirmed_ = shownConfirmed_;
    toSent_ = sent;
    toConfirmed_ = confirmed;
    fractions_->stop();
    if (reduceMotion() || !isVisible()) {
        shownSent_ = sent;
        shownConfirmed_ = confirmed;
        update();
        return;
    }
    fractions_->start();
}

void GlowProgressBar::setAnimating(bool animating) {
    const bool sweep = animating && !reduceMotion();
    if (sweep == isSweeping())
        return;
    if (sweep) {
        sweep_->start();
    } else {
        sweep_->stop();
        sweepPhase_ = 0;
        update();
    }
}

bool GlowProgressBar::isSweeping() const {
    return sweep_->state() == QAbstractAnimation::Running;
}

void GlowProgressBar::setTint(const QColor& tint) {
    tint_ = tint;
    update();
}

void GlowProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor tint = tint_.value_or(accent(palette()));
    const QRectF track(0, 0, width(), height());
    const double radius = height() / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(palette().color(QPalette::WindowText), 0.10));
    painter.drawRoundedRect(track, radius, radius);
    if (shownSent_ > 0) {
        painter.setBrush(withAlpha(tint, 0.30));
        painter.drawRoundedRect(
            QRectF(0, 0, std::max(height() * 1.0, width() * shownSent_), height()), radius, radius);
    }
    if (shownConfirmed_ > 0) {
        const QRectF fill(0, 0, std::max(height() * 1.0, width() * shownConfirmed_), height());
        QLinearGradient gradient(fill.topLeft(), fill.topRight());
        gradient.setColorAt(0, tint.lighter(135));
        gradient.setColorAt(1, tint);
        painter.setBrush(gradient);
        painter.drawRoundedRect(fill, radius, radius);
    }
    if (isSweeping()) {
        // A soft band of light travelling from the leading to the trailing edge.
        const double band = width() * 0.25;
        const double centre = -band + (width() + 2 * band) * sweepPhase_;
        QLinearGradient glow(centre - band / 2, 0, centre + band / 2, 0);
        glow.setColorAt(0, QColor(255, 255, 255, 0));
        glow.setColorAt(0.5, QColor(255, 255, 255, 110));
        glow.setColorAt(1, QColor(255, 255, 255, 0));
        painter.setBrush(glow);
        painter.drawRoundedRect(track, radius, radius);
    }
}

} // namespace plumeo::ui
