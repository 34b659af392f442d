#pragma once

#include "app/ui/Symbol.h"

#include <QColor>
#include <QPushButton>
#include <optional>

namespace plumeo::ui {

/// Primary: a filled button for the one action a card leads to. Secondary: a tinted, lighter
/// button for everything else. Both dim when disabled.
enum class ButtonStyle { primary, secondary };

/// A push button that paints itself in one of the two styles with an optional symbol.
class StyledButton : public QPushButton {
    Q_OBJECT
public:
    StyledButton(QString text, ButtonStyle style, QWidget* parent = nullptr,
                 Symbol symbol = Symbol::none);

    void setTint(const QColor& tint);
    void setSymbol(Symbol symbol);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor tint() const;

    ButtonStyle style_;
    Symbol symbol_;
    std::optional<QColor> tint_;
};

} // namespace plumeo::ui
