#include "app/ui/FloatingPanel.h"

#include "app/desktop/DesktopIntegration.h"
#include "app/ui/HudView.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace plumeo::ui {
namespace {

constexpr int panelWidth = 380;
constexpr int panelMinimumHeight = 104;

} // namespace

QPoint floatingPanelOrigin(const QRect& availableGeometry, const QSize& panelSize, int inset) {
    return {availableGeometry.x() + availableGeometry.width() - inset - panelSize.width(),
            availableGeometry.y() + inset};
}

FloatingPanel::FloatingPanel(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint),
      view_(new HudView(this)) {
    // Clicking the panel must leave Word frontmost: it never activates and never takes focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // A tool window would otherwise hide whenever the application is not active, which is
    // exactly while Word is typed into.
    setAttribute(Qt::WA_MacAlwaysShowToolWindow);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Plumeo"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setFixedWidth(panelWidth);
    setMinimumHeight(panelMinimumHeight);
}

void FloatingPanel::present() {
    adjustSize();
    if (!placed_) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(floatingPanelOrigin(screen->availableGeometry(), size()));
        placed_ = true;
    }
    show();
    desktop::keepOnEverySpace(winId());
    raise();
}

void FloatingPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void FloatingPanel::mouseMoveEvent(QMouseEvent* event) {
    if (dragOffset_)
        move(event->globalPosition().toPoint() - *dragOffset_);
}

void FloatingPanel::mouseReleaseEvent(QMouseEvent*) {
    dragOffset_.reset();
}

} // namespace plumeo::ui
