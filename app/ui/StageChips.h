#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>

namespace plumeo::ui {

/// The stages of progress side by side ("已发送", "已确认", "已验证"): every stage up to the
/// current one is filled, the current one carries a check, later ones are outlined.
class StageChips : public QWidget {
    Q_OBJECT
public:
    StageChips(QStringList titles, QColor tint, QWidget* parent = nullptr);

    /// Index of the highest stage reached; −1 when none is.
    void setCurrent(int current);
    int current() const { return current_; }
    void setTint(const QColor& tint);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList titles_;
    QColor tint_;
    int current_ = -1;
};

} // namespace plumeo::ui
