#pragma once

#include "app/ui/Symbol.h"

#include <QColor>
#include <QWidget>

namespace plumeo::ui {

/// A small tinted pill with an optional symbol: readiness, target problems, hints.
class Chip : public QWidget {
    Q_OBJECT
public:
    Chip(QString text, Symbol symbol, QColor tint, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }
    void setSymbol(Symbol symbol);
    void setTint(const QColor& tint);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    Symbol symbol_;
    QColor tint_;
};

} // namespace plumeo::ui
