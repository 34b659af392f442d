#include "app/ui/ButtonStyles.h"

#include "app/ui/UiColors.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace plumeo::ui {
namespace {

constexpr int paddingX = 12;
constexpr int paddingY = 6;
constexpr int symbolGap = 5;
constexpr double disabledOpacity = 0.4;

} // namespace

StyledButton::StyledButton(QString text, ButtonStyle style, QWidget* parent, Symbol symbol)
    : QPushButton(std::move(text), parent), style_(style), symbol_(symbol) {
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StyledButton::setTint(const QColor& tint) {
    tint_ = tint;
    update();
}

void StyledButton::setSymbol(Symbol symbol) {
    symbol_ = symbol;
    updateGeometry();
    update();
}

QColor StyledButton::tint() const {
    return tint_.value_or(accent(palette()));
}

QSize StyledButton::sizeHint() const {
    const QFontMetrics metrics(font());
    const int symbolWidth = symbol_ == Symbol::none ? 0 : metrics.height() + symbolGap;
    return {2 * paddingX + symbolWidth + metrics.horizontalAdvance(text()),
            2 * paddingY + metrics.height()};
}

void StyledButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(disabledOpacity);
    const QColor tint = this->tint();
    const bool pressed = isDown();
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor ink;
    // A checked segment (the pace picker) is drawn as the primary choice.
    if (style_ == ButtonStyle::primary || isChecked()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(pressed ? tint.darker(115) : tint);
        ink = tint.lightnessF() > 0.7 ? QColor(Qt::black) : QColor(Qt::white);
    } else {
        painter.setPen(QPen(withAlpha(tint, 0.45), 1));
        painter.setBrush(withAlpha(tint, pressed ? 0.26 : (isDark(palette()) ? 0.18 : 0.09)));
        ink = isDark(palette()) ? tint.lighter(130) : tint;
    }
    painter.drawRoundedRect(box, 7, 7);
    // The ring is for keyboard users; a click or the window's initial focus does not draw it.
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        painter.setPen(QPen(withAlpha(tint, 0.6), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), 6, 6);
    }
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();
    const int symbolWidth = symbol_ == Symbol::none ? 0 : lineHeight + symbolGap;
    double x = (width() - symbolWidth - metrics.horizontalAdvance(text())) / 2.0;
    if (symbol_ != Symbol::none) {
        paintSymbol(
            painter, symbol_,
            QRectF(x, (height() - lineHeight) / 2.0, lineHeight, lineHeight).adjusted(1, 1, -1, -1),
            ink);
        x += symbolWidth;
    }
    painter.setPen(ink);
    painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
}

} // namespace plumeo::ui
