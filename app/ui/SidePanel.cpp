#include "app/ui/SidePanel.h"

#include "app/ui/ModeCard.h"
#include "app/ui/OptionsCard.h"
#include "app/ui/PermissionCard.h"
#include "app/ui/SessionCard.h"
#include "app/ui/StartCard.h"
#include "app/ui/TargetCard.h"

#include <QScrollBar>
#include <QVBoxLayout>

namespace plumeo::ui {

SidePanel::SidePanel(QWidget* parent) : QScrollArea(parent) {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(16, 4, 10, 16);
    layout->setSpacing(12);
    permission_ = new PermissionCard(column);
    target_ = new TargetCard(column);
    mode_ = new ModeCard(column);
    options_ = new OptionsCard(column);
    start_ = new StartCard(column);
    session_ = new SessionCard(column);
    for (QWidget* card :
         std::initializer_list<QWidget*>{permission_, target_, mode_, options_, start_, session_})
        layout->addWidget(card);
    layout->addStretch();
    setWidget(column);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The scroll area's viewport would paint the base colour; the cards sit on the window.
    viewport()->setAutoFillBackground(false);
    column->setAutoFillBackground(false);
    setMinimumWidth(420);
    setSessionShown(false);
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this](int, int maximum) {
        if (followSession_ && session_->isVisible())
            verticalScrollBar()->setValue(maximum);
    });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { followSession_ = false; });
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
