#include "app/ui/StageChips.h"

#include "app/ui/Symbol.h"
#include "app/ui/UiColors.h"

#include <QPainter>

namespace plumeo::ui {
namespace {

constexpr int paddingX = 8;
constexpr int gap = 6;
constexpr int arrow = 10;

} // namespace

StageChips::StageChips(QStringList titles, QColor tint, QWidget* parent)
    : QWidget(parent), titles_(std::move(titles)), tint_(tint) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StageChips::setCurrent(int current) {
    if (current_ == current)
        return;
    current_ = current;
    update();
}

void StageChips::setTint(const QColor& tint) {
    tint_ = tint;
    update();
}

QSize StageChips::sizeHint() const {
    const QFontMetrics metrics(font());
    int width = 0;
    for (const QString& title : titles_)
        width += 2 * paddingX + metrics.height() + metrics.horizontalAdvance(title);
    width += int(titles_.size() - 1) * (2 * gap + arrow);
    return {std::max(width, 0), metrics.height() + 8};
}

void StageChips::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();
    double x = 0;
    for (int i = 0; i < titles_.size(); ++i) {
        const bool reached = i <= current_;
        const double chipWidth = 2 * paddingX + lineHeight + metrics.horizontalAdvance(titles_[i]);
        const QRectF chip(x + 0.5, 0.5, chipWidth - 1, height() - 1);
        painter.setPen(QPen(withAlpha(reached ? tint_ : secondaryText(palette()), 0.5), 1));
        painter.setBrush(reached ? QBrush(withAlpha(tint_, isDark(palette()) ? 0.28 : 0.16))
                                 : QBrush(Qt::NoBrush));
        painter.drawRoundedRect(chip, chip.height() / 2, chip.height() / 2);
        const QColor ink = reached ? tint_ : secondaryText(palette());
        const QRectF mark(x + paddingX - 2, (height() - lineHeight) / 2.0, lineHeight, lineHeight);
        paintSymbol(painter, reached ? Symbol::checkCircle : Symbol::dashedCircle,
                    mark.adjusted(2, 2, -2, -2), ink);
        painter.setPen(ink);
        QFont font = this->font();
        font.setBold(i == current_);
        painter.setFont(font);
        painter.drawText(QRectF(x + paddingX + lineHeight, 0, chipWidth, height()),
                         Qt::AlignVCenter | Qt::AlignLeft, titles_[i]);
        x += chipWidth;
        if (i + 1 < titles_.size()) {
            const double middle = height() / 2.0;
            painter.setPen(QPen(secondaryText(palette()), 1.4, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(x + gap, middle), QPointF(x + gap + arrow, middle));
            painter.drawLine(QPointF(x + gap + arrow - 3, middle - 3),
                             QPointF(x + gap + arrow, middle));
            painter.drawLine(QPointF(x + gap + arrow - 3, middle + 3),
                             QPointF(x + gap + arrow, middle));
            x += 2 * gap + arrow;
        }
    }
}

} // namespace plumeo::ui
