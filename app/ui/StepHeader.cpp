#include "app/ui/StepHeader.h"

#include "app/ui/Symbol.h"
#include "app/ui/UiColors.h"

#include <QPainter>

namespace plumeo::ui {
namespace {

constexpr int badgeSize = 22;
constexpr int gap = 8;

} // namespace

StepHeader::StepHeader(int index, QString title, QWidget* parent)
    : QWidget(parent), index_(index), title_(std::move(title)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(title_);
}

void StepHeader::setDone(bool done) {
    if (done_ == done)
        return;
    done_ = done;
    update();
}

void StepHeader::setTitle(const QString& title) {
    title_ = title;
    setAccessibleName(title);
    updateGeometry();
    update();
}

QFont StepHeader::titleFont() const {
    QFont font = this->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.1);
    return font;
}

QSize StepHeader::sizeHint() const {
    const QFontMetrics metrics(titleFont());
    return {badgeSize + gap + metrics.horizontalAdvance(title_),
            std::max(badgeSize, metrics.height())};
}

void StepHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF badge(0, (height() - badgeSize) / 2.0, badgeSize, badgeSize);
    if (done_) {
        paintSymbol(painter, Symbol::checkCircle, badge, success(palette()));
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(withAlpha(accent(palette()), 0.16));
        painter.drawEllipse(badge);
        QFont number = font();
        number.setBold(true);
        painter.setFont(number);
        painter.setPen(accent(palette()));
        painter.drawText(badge, Qt::AlignCenter, QString::number(index_));
    }
    painter.setFont(titleFont());
    painter.setPen(palette().color(QPalette::WindowText));
    const QRectF text(badgeSize + gap, 0, width() - badgeSize - gap, height());
    painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(title_, Qt::ElideRight, int(text.width())));
}

} // namespace plumeo::ui
