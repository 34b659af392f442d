#pragma once

#include <QColor>
#include <QWidget>

class QVariantAnimation;

namespace plumeo::ui {

/// A rounded border whose bright segment travels around its parent, one lap per `lapSeconds`.
/// It covers its parent, follows its size and lets every click through. With reduced motion the
/// segment stands still.
class CometBorder : public QWidget {
    Q_OBJECT
public:
    CometBorder(QWidget* parent, QColor color, double cornerRadius = 14, double lapSeconds = 3.2);

    void setColor(const QColor& color);
    bool isRunning() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QColor color_;
    double cornerRadius_;
    double phase_ = 0.12;
    QVariantAnimation* lap_;
};

} // namespace plumeo::ui
