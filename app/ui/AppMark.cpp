#include "app/ui/AppMark.h"

#include "app/ui/UiColors.h"

#include <QLinearGradient>
#include <QPainter>

namespace plumeo::ui {

AppMark::AppMark(int size, QWidget* parent) : QWidget(parent), size_(size) {
    setFixedSize(size, size);
    setAccessibleName(QStringLiteral("Plumeo"));
}

void AppMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = size_;
    const QColor tint = accent(palette());
    QLinearGradient fill(0, 0, s, s);
    fill.setColorAt(0, tint.lighter(125));
    fill.setColorAt(1, tint.darker(120));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(0, 0, s, s), s * 0.24, s * 0.24);

    // A page with three lines of text, the last one still being typed.
    const QRectF page(s * 0.24, s * 0.18, s * 0.52, s * 0.64);
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawRoundedRect(page, s * 0.06, s * 0.06);
    painter.setPen(QPen(tint.darker(110), std::max(1.0, s * 0.05), Qt::SolidLine, Qt::RoundCap));
    const double left = page.left() + s * 0.09;
    painter.drawLine(QPointF(left, s * 0.34), QPointF(page.right() - s * 0.09, s * 0.34));
    painter.drawLine(QPointF(left, s * 0.46), QPointF(page.right() - s * 0.14, s * 0.46));
    painter.drawLine(QPointF(left, s * 0.58), QPointF(left + s * 0.14, s * 0.58));
    painter.setPen(
        QPen(QColor(0xff, 0x8a, 0x3d), std::max(1.0, s * 0.045), Qt::SolidLine, Qt::RoundCap));
    const double caret = left + s * 0.2;
    painter.drawLine(QPointF(caret, s * 0.52), QPointF(caret, s * 0.66));
}

} // namespace plumeo::ui
