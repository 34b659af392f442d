#include "app/ui/ModeChoice.h"

#include "app/ui/UiColors.h"

#include <QPainter>

namespace plumeo::ui {

ModeChoice::ModeChoice(QString title, QString subtitle, Symbol symbol, QWidget* parent)
    : QAbstractButton(parent), subtitle_(std::move(subtitle)), symbol_(symbol) {
    setText(title);
    setCheckable(true);
    setAutoExclusive(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(title);
    setAccessibleDescription(subtitle_);
}

QSize ModeChoice::sizeHint() const {
    const QFontMetrics metrics(font());
    return {std::max(metrics.horizontalAdvance(text()), metrics.horizontalAdvance(subtitle_)) + 20,
            22 + 2 * metrics.height() + 14};
}

void ModeChoice::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QColor tint = accent(palette());
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(isChecked() ? tint : cardStroke(palette()), isChecked() ? 1.6 : 1));
    painter.setBrush(isChecked() ? QBrush(withAlpha(tint, isDark(palette()) ? 0.24 : 0.10))
                                 : QBrush(Qt::NoBrush));
    painter.drawRoundedRect(box, 8, 8);
    const int line = fontMetrics().height();
    paintSymbol(painter, symbol_, QRectF(width() / 2.0 - 10, 7, 20, 20),
                isChecked() ? tint : secondaryText(palette()));
    QFont titleFont = font();
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(0, 30, width(), line), Qt::AlignHCenter | Qt::AlignVCenter, text());
    QFont subtitleFont = font();
    subtitleFont.setPointSizeF(subtitleFont.pointSizeF() * 0.85);
    painter.setFont(subtitleFont);
    painter.setPen(secondaryText(palette()));
    painter.drawText(QRectF(2, 30 + line, width() - 4, line + 4),
                     Qt::AlignHCenter | Qt::AlignVCenter, subtitle_);
}

} // namespace plumeo::ui
