#include "app/ui/Symbol.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace plumeo::ui {
namespace {

// Every symbol is drawn on a 24 × 24 grid and scaled into its box.
constexpr double grid = 24.0;

QPainterPath sealPath() {
    QPainterPath path;
    constexpr int points = 16;
    for (int i = 0; i <= points; ++i) {
        const double angle = i * 2 * M_PI / points - M_PI / 2;
        const double radius = (i % 2 == 0) ? 10.5 : 9.0;
        const QPointF point(12 + radius * std::cos(angle), 12 + radius * std::sin(angle));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

QPainterPath shieldPath() {
    QPainterPath path;
    path.moveTo(12, 2.5);
    path.lineTo(20, 5.5);
    path.cubicTo(20, 13, 17, 18.5, 12, 21.5);
    path.cubicTo(7, 18.5, 4, 13, 4, 5.5);
    path.closeSubpath();
    return path;
}

void tick(QPainter& p, QPointF a, QPointF b, QPointF c) {
    QPainterPath path(a);
    path.lineTo(b);
    path.lineTo(c);
    p.drawPath(path);
}

} // namespace

void paintSymbol(QPainter& p, Symbol symbol, const QRectF& box, const QColor& color) {
    if (symbol == Symbol::none)
        return;
    const double side = std::min(box.width(), box.height());
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    p.scale(side / grid, side / grid);
    QPen pen(color, 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QColor paper = color.lightnessF() > 0.6 ? QColor(0, 0, 0, 200) : QColor(255, 255, 255);

    switch (symbol) {
    case Symbol::none:
        break;
    case Symbol::checkSeal:
        p.setBrush(color);
        p.drawPath(sealPath());
        p.setPen(QPen(paper, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        tick(p, {8, 12.3}, {11, 15.2}, {16.2, 9.2});
        break;
    case Symbol::checkSealOutline:
        p.drawPath(sealPath());
        tick(p, {8, 12.3}, {11, 15.2}, {16.2, 9.2});
        break;
    case Symbol::warning: {
        QPainterPath path;
        path.moveTo(12, 3);
        path.lineTo(21.5, 20);
        path.lineTo(2.5, 20);
        path.closeSubpath();
        p.drawPath(path);
        p.drawLine(QPointF(12, 9), QPointF(12, 14));
        p.drawPoint(QPointF(12, 17));
        break;
    }
    case Symbol::keyboard:
        p.drawRoundedRect(QRectF(2.5, 6, 19, 12), 2.5, 2.5);
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 5; ++col)
                p.drawPoint(QPointF(6 + col * 3, 9.5 + row * 3));
        p.drawLine(QPointF(8, 15.5), QPointF(16, 15.5));
        break;
    case Symbol::question:
        p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
        p.drawArc(QRectF(9, 6.5, 6, 6), 180 * 16, -270 * 16);
        p.drawLine(QPointF(12, 12.5), QPointF(12, 14));
        p.drawPoint(QPointF(12, 17));
        break;
    case Symbol::lockShield:
        p.drawPath(shieldPath());
        p.drawRoundedRect(QRectF(9, 11, 6, 5), 1, 1);
        p.drawArc(QRectF(10, 7.5, 4, 6), 0, 180 * 16);
        break;
    case Symbol::checkCircle:
        p.setBrush(color);
        p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
        p.setPen(QPen(paper, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        tick(p, {7.5, 12.3}, {10.8, 15.5}, {16.5, 8.8});
        break;
    case Symbol::dashedCircle:
        pen.setDashPattern({2.0, 1.6});
        p.setPen(pen);
        p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
        break;
    case Symbol::scope:
        p.drawEllipse(QRectF(5, 5, 14, 14));
        p.drawLine(QPointF(12, 2), QPointF(12, 7));
        p.drawLine(QPointF(12, 17), QPointF(12, 22));
        p.drawLine(QPointF(2, 12), QPointF(7, 12));
        p.drawLine(QPointF(17, 12), QPointF(22, 12));
        break;
    case Symbol::document: {
        QPainterPath path;
        path.moveTo(6, 2.5);
        path.lineTo(14, 2.5);
        path.lineTo(19, 7.5);
        path.lineTo(19, 21.5);
        path.lineTo(6, 21.5);
        path.closeSubpath();
        p.drawPath(path);
        p.drawLine(QPointF(9, 12), QPointF(16, 12));
        p.drawLine(QPointF(9, 16), QPointF(16, 16));
        break;
    }
    case Symbol::play: {
        QPainterPath path;
        path.moveTo(7, 4);
        path.lineTo(20, 12);
        path.lineTo(7, 20);
        path.closeSubpath();
        p.setBrush(color);
        p.drawPath(path);
        break;
    }
    case Symbol::pause:
        p.setBrush(color);
        p.drawRoundedRect(QRectF(6, 4, 4, 16), 1, 1);
        p.drawRoundedRect(QRectF(14, 4, 4, 16), 1, 1);
        break;
    case Symbol::stop:
        p.setBrush(color);
        p.drawRoundedRect(QRectF(5, 5, 14, 14), 2.5, 2.5);
        break;
    case Symbol::hourglass:
        p.drawLine(QPointF(6, 3), QPointF(18, 3));
        p.drawLine(QPointF(6, 21), QPointF(18, 21));
        tick(p, {7, 3}, {12, 12}, {17, 3});
        tick(p, {7, 21}, {12, 12}, {17, 21});
        break;
    case Symbol::octagonCross: {
        QPainterPath path;
        for (int i = 0; i <= 8; ++i) {
            const double angle = (i + 0.5) * M_PI / 4;
            const QPointF point(12 + 10 * std::cos(angle), 12 + 10 * std::sin(angle));
            if (i == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        p.drawPath(path);
        p.drawLine(QPointF(8.5, 8.5), QPointF(15.5, 15.5));
        p.drawLine(QPointF(15.5, 8.5), QPointF(8.5, 15.5));
        break;
    }
    case Symbol::checkShield:
        p.drawPath(shieldPath());
        tick(p, {8.5, 12}, {11, 14.5}, {15.5, 9.5});
        break;
    case Symbol::bolt: {
        QPainterPath path;
        path.moveTo(13.5, 2);
        path.lineTo(5, 13.5);
        path.lineTo(11.5, 13.5);
        path.lineTo(10.5, 22);
        path.lineTo(19, 10.5);
        path.lineTo(12.5, 10.5);
        path.closeSubpath();
        p.drawPath(path);
        break;
    }
    case Symbol::waveform: {
        const double heights[] = {4, 10, 16, 8, 13, 6, 3};
        for (int i = 0; i < 7; ++i) {
            const double x = 3 + i * 3;
            p.drawLine(QPointF(x, 12 - heights[i] / 2), QPointF(x, 12 + heights[i] / 2));
        }
        break;
    }
    case Symbol::cross:
        p.drawLine(QPointF(6, 6), QPointF(18, 18));
        p.drawLine(QPointF(18, 6), QPointF(6, 18));
        break;
    case Symbol::folder: {
        QPainterPath path;
        path.moveTo(2.5, 6);
        path.lineTo(9, 6);
        path.lineTo(11, 8);
        path.lineTo(21.5, 8);
        path.lineTo(21.5, 19);
        path.lineTo(2.5, 19);
        path.closeSubpath();
        p.drawPath(path);
        break;
    }
    case Symbol::clipboard:
        p.drawRoundedRect(QRectF(5, 4.5, 14, 17), 2, 2);
        p.drawRoundedRect(QRectF(9, 2.5, 6, 4), 1, 1);
        p.drawLine(QPointF(8.5, 12), QPointF(15.5, 12));
        p.drawLine(QPointF(8.5, 16), QPointF(13.5, 16));
        break;
    case Symbol::trash:
        p.drawLine(QPointF(4, 6), QPointF(20, 6));
        p.drawLine(QPointF(9.5, 6), QPointF(10, 3.5));
        p.drawLine(QPointF(14.5, 6), QPointF(14, 3.5));
        p.drawLine(QPointF(10, 3.5), QPointF(14, 3.5));
        p.drawRoundedRect(QRectF(6, 6, 12, 15.5), 1.5, 1.5);
        break;
    }
    p.restore();
}

} // namespace plumeo::ui
