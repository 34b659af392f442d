#include "app/ui/Card.h"

#include "app/ui/UiColors.h"

#include <QPainter>
#include <QVBoxLayout>

namespace plumeo::ui {

Card::Card(QWidget* parent, int padding) : QFrame(parent), layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(padding, padding, padding, padding);
    layout_->setSpacing(8);
}

void Card::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(cardStroke(palette()), 1));
    painter.setBrush(cardFill(palette()));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
}

} // namespace plumeo::ui
