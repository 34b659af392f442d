#include "app/ui/UiColors.h"

namespace plumeo::ui {

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QColor accent(const QPalette& palette) {
    return palette.color(QPalette::Highlight);
}

// The status hues are fixed; only their lightness follows the appearance so they keep their
// contrast against both window colours.
QColor success(const QPalette& palette) {
    return isDark(palette) ? QColor(0x4c, 0xd9, 0x64) : QColor(0x1f, 0x9d, 0x3a);
}

QColor warning(const QPalette& palette) {
    return isDark(palette) ? QColor(0xff, 0xb3, 0x40) : QColor(0xc2, 0x6a, 0x00);
}

QColor danger(const QPalette& palette) {
    return isDark(palette) ? QColor(0xff, 0x6b, 0x5e) : QColor(0xd0, 0x2c, 0x1f);
}

QColor secondaryText(const QPalette& palette) {
    QColor text = palette.color(QPalette::WindowText);
    text.setAlphaF(0.6f);
    return text;
}

QColor cardFill(const QPalette& palette) {
    const QColor window = palette.color(QPalette::Window);
    return isDark(palette) ? window.lighter(125) : window.lighter(104);
}

QColor cardStroke(const QPalette& palette) {
    return withAlpha(palette.color(QPalette::WindowText), isDark(palette) ? 0.16 : 0.10);
}

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(color.alphaF() * alpha));
    return color;
}

} // namespace plumeo::ui
