#pragma once

// Colours derived from the widget palette, so that every painted widget follows the light or
// dark appearance without a second set of constants.

#include <QColor>
#include <QPalette>

namespace plumeo::ui {

bool isDark(const QPalette& palette);
/// The application's accent: the palette's highlight.
QColor accent(const QPalette& palette);
QColor success(const QPalette& palette);
QColor warning(const QPalette& palette);
QColor danger(const QPalette& palette);
/// Text of lesser importance: hints, captions, the locked article.
QColor secondaryText(const QPalette& palette);
/// The raised surface of a card: a little lighter (dark) or whiter (light) than the window.
QColor cardFill(const QPalette& palette);
QColor cardStroke(const QPalette& palette);
/// `color` with its alpha multiplied by `alpha` (0 … 1).
QColor withAlpha(QColor color, double alpha);

} // namespace plumeo::ui
