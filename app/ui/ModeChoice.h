#pragma once

#include "app/ui/Symbol.h"

#include <QAbstractButton>

namespace plumeo::ui {

/// One of the three typing modes as a selectable tile: symbol, name and a short subtitle.
class ModeChoice : public QAbstractButton {
    Q_OBJECT
public:
    ModeChoice(QString title, QString subtitle, Symbol symbol, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString subtitle_;
    Symbol symbol_;
};

} // namespace plumeo::ui
