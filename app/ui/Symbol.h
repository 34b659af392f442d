#pragma once

// The small line symbols of the interface, drawn rather than shipped as pictures so they take
// any tint and stay sharp at every scale.

#include <QColor>
#include <QRectF>

class QPainter;

namespace plumeo::ui {

enum class Symbol {
    none,
    checkSeal,
    checkSealOutline,
    warning,
    keyboard,
    question,
    lockShield,
    checkCircle,
    dashedCircle,
    scope,
    document,
    play,
    pause,
    stop,
    hourglass,
    octagonCross,
    checkShield,
    bolt,
    waveform,
    cross,
    folder,
    clipboard,
    trash,
};

/// Draws `symbol` centred in `box` (which it treats as a square) in `color`.
void paintSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& color);

} // namespace plumeo::ui
