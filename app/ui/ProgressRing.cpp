#include "app/ui/ProgressRing.h"

#include "app/ui/UiColors.h"

#include <QPainter>
#include <QtMath>
#include <algorithm>

namespace plumeo::ui {

ProgressRing::ProgressRing(QWidget* parent, double lineWidth, bool showLabel)
    : QWidget(parent), lineWidth_(lineWidth), showLabel_(showLabel) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ProgressRing::setFractions(double sent, double confirmed) {
    sent = std::clamp(sent, 0.0, 1.0);
    confirmed = std::clamp(confirmed, 0.0, 1.0);
    if (sent == sent_ && confirmed == confirmed_)
        return;
    sent_ = sent;
    confirmed_ = confirmed;
    update();
}

void ProgressRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height()) - lineWidth_;
    const QRectF box((width() - side) / 2, (height() - side) / 2, side, side);
    const QColor tint = accent(palette());
    auto arc = [&](double fraction, const QColor& color) {
        if (fraction <= 0)
            return;
        painter.setPen(QPen(color, lineWidth_, Qt::SolidLine, Qt::RoundCap));
        // Qt counts sixteenths of a degree counter-clockwise from three o'clock.
        painter.drawArc(box, 90 * 16, -int(std::round(fraction * 360 * 16)));
    };
    painter.setPen(QPen(withAlpha(palette().color(QPalette::WindowText), 0.10), lineWidth_));
    painter.drawEllipse(box);
    arc(sent_, withAlpha(tint, 0.35));
    arc(confirmed_, tint);
    if (!showLabel_)
        return;
    QFont figure = font();
    figure.setBold(true);
    figure.setPointSizeF(figure.pointSizeF() * 1.25);
    painter.setFont(figure);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRectF upper(box.left(), box.top(), box.width(), box.height() * 0.56);
    painter.drawText(upper, Qt::AlignHCenter | Qt::AlignBottom,
                     QString::number(int(std::floor(confirmed_ * 100))) + QStringLiteral("%"));
    QFont caption = font();
    caption.setPointSizeF(caption.pointSizeF() * 0.8);
    painter.setFont(caption);
    painter.setPen(secondaryText(palette()));
    const QRectF lower(box.left(), box.top() + box.height() * 0.56, box.width(),
                       box.height() * 0.3);
    painter.drawText(lower, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("已确认"));
}

} // namespace plumeo::ui
