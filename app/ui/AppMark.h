#pragma once

#include <QWidget>

namespace plumeo::ui {

/// The application's mark: a rounded tile with a page and a typing caret, drawn at any size.
class AppMark : public QWidget {
    Q_OBJECT
public:
    explicit AppMark(int size = 40, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {size_, size_}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int size_;
};

} // namespace plumeo::ui
