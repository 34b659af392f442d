#include "app/ui/SidePanel.h"

#include "app/ui/ModeCard.h"
#include "app/ui/OptionsCard.h"
#include "app/ui/PermissionCard.h"
#include "app/ui/SessionCard.h"
#include "app/ui/StartCard.h"
#include "app/ui/TargetCard.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

namespace plumeo::ui {
namespace {

constexpr int leftMargin = 16;
constexpr int rightMargin = 10;
constexpr int cardSpacing = 10;

} // namespace

SidePanel::SidePanel(QWidget* parent) : QWidget(parent), steps_(new QScrollArea(this)) {
    auto* column = new QWidget(steps_);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(leftMargin, 4, rightMargin, 0);
    layout->setSpacing(cardSpacing);
    permission_ = new PermissionCard(column);
    target_ = new TargetCard(column);
    mode_ = new ModeCard(column);
    options_ = new OptionsCard(column);
    session_ = new SessionCard(column);
    for (QWidget* card : std::initializer_list<QWidget*>{permission_, target_, mode_, options_, session_})
        layout->addWidget(card);
    layout->addStretch();
    steps_->setWidget(column);
    steps_->setWidgetResizable(true);
    steps_->setFrameShape(QFrame::NoFrame);
    steps_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The scroll area's viewport would paint the base colour; the cards sit on the window.
    steps_->viewport()->setAutoFillBackground(false);
    column->setAutoFillBackground(false);

    start_ = new StartCard(this);
    auto* panel = new QVBoxLayout(this);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->setSpacing(0);
    panel->addWidget(steps_, 1);
    auto* pinned = new QVBoxLayout;
    pinned->setContentsMargins(leftMargin, cardSpacing, rightMargin, 16);
    pinned->addWidget(start_);
    panel->addLayout(pinned);
    setMinimumWidth(420);
    setSessionShown(false);

    QScrollBar* scroll = steps_->verticalScrollBar();
    connect(scroll, &QScrollBar::rangeChanged, this, [this, scroll, pinned](int, int maximum) {
        // The pinned card keeps the width of the cards above, beside their scroll bar or not.
        const int besideScrollBar =
            maximum > 0 ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll) : 0;
        pinned->setContentsMargins(leftMargin, cardSpacing, rightMargin + besideScrollBar, 16);
        if (followSession_ && session_->isVisible())
            scroll->setValue(maximum);
    });
    connect(scroll, &QScrollBar::actionTriggered, this, [this] { followSession_ = false; });
}

void SidePanel::setSessionShown(bool shown) {
    // The session card sits below the steps: keep it in view as it appears and grows, until
    // the user scrolls by hand.
    if (shown && session_->isHidden())
        followSession_ = true;
    start_->setVisible(!shown);
    session_->setVisible(shown);
}

} // namespace plumeo::ui
