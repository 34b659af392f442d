#pragma once

#include <QWidget>

namespace plumeo::ui {

/// Two concentric arcs from twelve o'clock, clockwise: the sent fraction faint, the confirmed
/// fraction over it in the tint; optionally the confirmed percentage and "已确认" in the middle.
class ProgressRing : public QWidget {
    Q_OBJECT
public:
    explicit ProgressRing(QWidget* parent = nullptr, double lineWidth = 6, bool showLabel = true);

    /// Fractions 0 … 1; values outside are clamped.
    void setFractions(double sent, double confirmed);
    QSize sizeHint() const override { return {84, 84}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double sent_ = 0;
    double confirmed_ = 0;
    double lineWidth_;
    bool showLabel_;
};

} // namespace plumeo::ui
