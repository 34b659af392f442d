#include "app/ui/IntroArt.h"

#include "app/ui/Motion.h"
#include "app/ui/StageChips.h"
#include "app/ui/Symbol.h"
#include "app/ui/UiColors.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QtMath>

namespace plumeo::ui {
namespace {

constexpr int loopMs = 2400;

} // namespace

IntroArt::IntroArt(QWidget* parent) : QWidget(parent), loop_(new QVariantAnimation(this)) {
    setMinimumSize(260, 140);
    loop_->setStartValue(0.0);
    loop_->setEndValue(1.0);
    loop_->setDuration(loopMs);
    loop_->setLoopCount(-1);
    connect(loop_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        phase_ = value.toDouble();
        update();
    });
}

void IntroArt::showEvent(QShowEvent*) {
    if (!reduceMotion())
        loop_->start();
}

void IntroArt::hideEvent(QHideEvent*) {
    loop_->stop();
}

QRectF IntroArt::paintBackdrop(QPainter& painter, double w, double h) const {
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box((width() - w) / 2, (height() - h) / 2, w, h);
    painter.setPen(QPen(cardStroke(palette()), 1));
    painter.setBrush(withAlpha(accent(palette()), isDark(palette()) ? 0.14 : 0.07));
    painter.drawRoundedRect(box, 16, 16);
    return box;
}

void DocArt::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF box = paintBackdrop(p, 240, 130);
    const QColor ink = palette().color(QPalette::WindowText);
    const QRectF page(box.center().x() - 55, box.top() + 12, 110, box.height() - 24);
    p.setPen(QPen(cardStroke(palette()), 1));
    p.setBrush(palette().color(QPalette::Base));
    p.drawRoundedRect(page, 6, 6);
    p.setPen(QPen(withAlpha(ink, 0.35), 4, Qt::SolidLine, Qt::RoundCap));
    const double left = page.left() + 14;
    const double right = page.right() - 14;
    for (int line = 0; line < 3; ++line) {
        const double y = page.top() + 20 + line * 16;
        p.drawLine(QPointF(left, y), QPointF(line == 2 ? right - 22 : right, y));
    }
    // The line being typed grows with the loop; the caret sits at its end.
    const double typed = left + (right - left) * phase();
    const double y = page.top() + 20 + 3 * 16;
    p.setPen(QPen(accent(palette()), 4, Qt::SolidLine, Qt::RoundCap));
    if (typed > left + 2)
        p.drawLine(QPointF(left, y), QPointF(typed, y));
    p.setPen(QPen(QColor(0xff, 0x8a, 0x3d), 2));
    p.drawLine(QPointF(typed + 5, y - 8), QPointF(typed + 5, y + 8));
    paintSymbol(p, Symbol::keyboard, QRectF(box.right() - 54, box.bottom() - 44, 34, 34),
                accent(palette()));
}

void PaceArt::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF box = paintBackdrop(p, 260, 130);
    const QColor tint = accent(palette());
    const Symbol symbols[] = {Symbol::checkShield, Symbol::bolt, Symbol::waveform};
    const QString names[] = {QStringLiteral("稳定"), QStringLiteral("极速"),
                             QStringLiteral("自然")};
    // Bar heights per mode: even, tall and even, uneven like a person's hand.
    const double bars[3][6] = {{0.5, 0.5, 0.5, 0.5, 0.5, 0.5},
                               {0.9, 0.85, 0.9, 0.88, 0.9, 0.86},
                               {0.3, 0.8, 0.45, 0.95, 0.2, 0.6}};
    const double column = box.width() / 3;
    for (int mode = 0; mode < 3; ++mode) {
        const double x = box.left() + mode * column;
        paintSymbol(p, symbols[mode], QRectF(x + column / 2 - 10, box.top() + 10, 20, 20), tint);
        p.setPen(secondaryText(palette()));
        p.drawText(QRectF(x, box.bottom() - 26, column, 20), Qt::AlignCenter, names[mode]);
        for (int i = 0; i < 6; ++i) {
            const double lit = std::fmod(phase() * 6, 6.0);
            const bool current = int(lit) == i;
            const double h = 50 * bars[mode][i];
            const double bx = x + 14 + i * ((column - 28) / 6);
            p.setPen(Qt::NoPen);
            p.setBrush(withAlpha(tint, current ? 1.0 : 0.4));
            p.drawRoundedRect(QRectF(bx, box.top() + 90 - h, 7, h), 3, 3);
        }
    }
}

VerifyArt::VerifyArt(QWidget* parent) : IntroArt(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addStretch();
    auto* stages = new StageChips(
        {QStringLiteral("已发送"), QStringLiteral("已确认"), QStringLiteral("已验证")},
        success(palette()), this);
    stages->setCurrent(2);
    layout->addWidget(stages, 0, Qt::AlignHCenter);
}

void VerifyArt::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF box = paintBackdrop(p, 270, 136);
    const QColor ink = palette().color(QPalette::WindowText);
    const QRectF page(box.center().x() - 60, box.top() + 10, 120, 76);
    p.setPen(QPen(cardStroke(palette()), 1));
    p.setBrush(palette().color(QPalette::Base));
    p.drawRoundedRect(page, 6, 6);
    // The check moves down the page line by line.
    const int checked = int(phase() * 4);
    for (int line = 0; line < 4; ++line) {
        const double y = page.top() + 14 + line * 16;
        p.setPen(
            QPen(withAlpha(ink, line < checked ? 0.55 : 0.25), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(page.left() + 12, y), QPointF(page.right() - 30, y));
        if (line < checked)
            paintSymbol(p, Symbol::checkCircle, QRectF(page.right() - 22, y - 6, 12, 12),
                        success(palette()));
    }
}

void PrivacyArt::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF box = paintBackdrop(p, 240, 130);
    const QColor tint = accent(palette());
    const QColor ink = palette().color(QPalette::WindowText);
    // A laptop: screen and base.
    const QRectF screen(box.center().x() - 56, box.top() + 14, 112, 66);
    p.setPen(QPen(withAlpha(ink, 0.5), 2));
    p.setBrush(palette().color(QPalette::Base));
    p.drawRoundedRect(screen, 6, 6);
    p.drawRoundedRect(QRectF(screen.left() - 14, screen.bottom() + 2, screen.width() + 28, 7), 3,
                      3);
    // The lock breathes slowly.
    const double pulse = 1.0 + 0.06 * std::sin(phase() * 2 * M_PI);
    const double lockSide = 34 * pulse;
    const QRectF lock(screen.center().x() - lockSide / 2, screen.center().y() - lockSide / 2,
                      lockSide, lockSide);
    p.setPen(QPen(tint, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(lock.left() + lockSide * 0.22, lock.top() - lockSide * 0.05, lockSide * 0.56,
                     lockSide * 0.6),
              0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(tint);
    p.drawRoundedRect(QRectF(lock.left(), lock.top() + lockSide * 0.28, lockSide, lockSide * 0.62),
                      5, 5);
    p.setPen(secondaryText(palette()));
    p.drawText(QRectF(box.left(), box.bottom() - 28, box.width(), 22), Qt::AlignCenter,
               QStringLiteral("只在这台 Mac 上"));
}

} // namespace plumeo::ui
