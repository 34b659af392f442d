#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <optional>

namespace plumeo::ui {

class HudView;

/// Where the panel goes: `inset` points inside the top-right corner of the screen's available
/// area (the area without menu bar and Dock or panels).
QPoint floatingPanelOrigin(const QRect& availableGeometry, const QSize& panelSize, int inset = 20);

/// The floating progress panel: a frameless tool window above the others that never takes the
/// focus from Word (clicks on it do not activate the application), movable by its background.
/// It is created once and only shown and hidden afterwards; hiding it does not stop anything.
class FloatingPanel : public QWidget {
    Q_OBJECT
public:
    explicit FloatingPanel(QWidget* parent = nullptr);

    HudView* view() const { return view_; }
    /// Places the panel in the top-right corner of the primary screen (first show only: a panel
    /// the user moved stays where it was put) and orders it to the front without activating.
    void present();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    HudView* view_;
    bool placed_ = false;
    std::optional<QPoint> dragOffset_;
};

} // namespace plumeo::ui
