#pragma once

#include <QColor>
#include <QWidget>
#include <optional>

class QVariantAnimation;

namespace plumeo::ui {

/// A track with two fills from the leading edge: what was sent, faint, and what was confirmed,
/// a gradient of the tint. Fraction changes ease out; while animating, a highlight sweeps along
/// the bar unless the system asks for reduced motion.
class GlowProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit GlowProgressBar(QWidget* parent = nullptr, int barHeight = 8);

    void setFractions(double sent, double confirmed);
    void setAnimating(bool animating);
    bool isSweeping() const;
    void setTint(const QColor& tint);

    QSize sizeHint() const override { return {200, barHeight_}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void animateFractions(double sent, double confirmed);

    int barHeight_;
    std::optional<QColor> tint_;
    double shownSent_ = 0;
    double shownConfirmed_ = 0;
    double sweepPhase_ = 0;
    QVariantAnimation* fractions_;
    QVariantAnimation* sweep_;
    double fromSent_ = 0, fromConfirmed_ = 0, toSent_ = 0, toConfirmed_ = 0;
};

} // namespace plumeo::ui
