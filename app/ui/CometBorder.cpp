#include "app/ui/CometBorder.h"

#include "app/ui/Motion.h"

#include <QConicalGradient>
#include <QEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace plumeo::ui {

CometBorder::CometBorder(QWidget* parent, QColor color, double cornerRadius, double lapSeconds)
    : QWidget(parent), color_(color), cornerRadius_(cornerRadius),
      lap_(new QVariantAnimation(this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    lap_->setStartValue(0.0);
    lap_->setEndValue(1.0);
    lap_->setDuration(int(lapSeconds * 1000));
    lap_->setLoopCount(-1);
    connect(lap_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        phase_ = value.toDouble();
        update();
    });
    parent->installEventFilter(this);
    setGeometry(parent->rect());
}

void CometBorder::setColor(const QColor& color) {
    color_ = color;
    update();
}

bool CometBorder::isRunning() const {
    return lap_->state() == QAbstractAnimation::Running;
}

bool CometBorder::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        raise();
    }
    return false;
}

void CometBorder::showEvent(QShowEvent*) {
    if (!reduceMotion())
        lap_->start();
}

void CometBorder::hideEvent(QHideEvent*) {
    lap_->stop();
}

void CometBorder::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
    // The gradient's stops go counter-clockwise; the comet's head is the opaque end, its tail
    // fades out over a third of the lap.
    QConicalGradient gradient(box.center(), -phase_ * 360.0);
    QColor faint = color_;
    faint.setAlphaF(0.18f);
    QColor clear = color_;
    clear.setAlphaF(0.0f);
    gradient.setColorAt(0.0, color_);
    gradient.setColorAt(0.33, clear);
    gradient.setColorAt(0.34, faint);
    gradient.setColorAt(0.99, faint);
    gradient.setColorAt(1.0, color_);
    painter.setPen(QPen(QBrush(gradient), 1.8));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box, cornerRadius_, cornerRadius_);
}

} // namespace plumeo::ui
