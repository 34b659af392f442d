#pragma once

// The four drawings of the introduction, one per page. Each paints itself from the palette and
// moves a little (a caret blinking, a rhythm, a check, a lock) unless reduced motion is asked for.

#include <QWidget>

class QVariantAnimation;

namespace plumeo::ui {

/// What the four drawings share: their size and the slow loop that moves them.
class IntroArt : public QWidget {
    Q_OBJECT
public:
    explicit IntroArt(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {300, 150}; }

protected:
    /// 0 … 1, looping; stays at a fixed pose with reduced motion.
    double phase() const { return phase_; }
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    /// A rounded tile in the card colour, centred: the common backdrop.
    QRectF paintBackdrop(QPainter& painter, double width, double height) const;

private:
    double phase_ = 0.6;
    QVariantAnimation* loop_;
};

/// Page 1: a document whose last line is being typed, key by key.
class DocArt : public IntroArt {
    Q_OBJECT
public:
    using IntroArt::IntroArt;

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// Page 2: three rhythms side by side, steady, fast and natural.
class PaceArt : public IntroArt {
    Q_OBJECT
public:
    using IntroArt::IntroArt;

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// Page 3: a page being checked line by line, with the three stages under it.
class VerifyArt : public IntroArt {
    Q_OBJECT
public:
    explicit VerifyArt(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// Page 4: a lock on a laptop with "只在这台 Mac 上".
class PrivacyArt : public IntroArt {
    Q_OBJECT
public:
    using IntroArt::IntroArt;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace plumeo::ui
