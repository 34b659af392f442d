#include "app/ui/Chip.h"

#include "app/ui/UiColors.h"

#include <QPainter>

namespace plumeo::ui {
namespace {

constexpr int paddingX = 9;
constexpr int paddingY = 3;
constexpr int symbolGap = 4;

} // namespace

Chip::Chip(QString text, Symbol symbol, QColor tint, QWidget* parent)
    : QWidget(parent), text_(std::move(text)), symbol_(symbol), tint_(tint) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text_);
}

void Chip::setText(const QString& text) {
    if (text_ == text)
        return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void Chip::setSymbol(Symbol symbol) {
    symbol_ = symbol;
    updateGeometry();
    update();
}

void Chip::setTint(const QColor& tint) {
    tint_ = tint;
    update();
}

QSize Chip::sizeHint() const {
    const QFontMetrics metrics(font());
    const int symbolWidth = symbol_ == Symbol::none ? 0 : metrics.height() + symbolGap;
    return {2 * paddingX + symbolWidth + metrics.horizontalAdvance(text_),
            2 * paddingY + metrics.height()};
}

void Chip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(withAlpha(tint_, 0.35), 1));
    painter.setBrush(withAlpha(tint_, isDark(palette()) ? 0.22 : 0.12));
    painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    double x = paddingX;
    const int lineHeight = fontMetrics().height();
    if (symbol_ != Symbol::none) {
        paintSymbol(painter, symbol_,
                    QRectF(x, (height() - lineHeight) / 2.0, lineHeight, lineHeight), tint_);
        x += lineHeight + symbolGap;
    }
    painter.setPen(tint_);
    painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignVCenter | Qt::AlignLeft, text_);
}

} // namespace plumeo::ui
