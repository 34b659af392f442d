#pragma once

#include <QFrame>

class QVBoxLayout;

namespace plumeo::ui {

/// A raised rounded surface holding one step of the side panel or a group of notes.
class Card : public QFrame {
    Q_OBJECT
public:
    explicit Card(QWidget* parent = nullptr, int padding = 12);
    /// Where the card's content goes, top to bottom.
    QVBoxLayout* contentLayout() const { return layout_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* layout_;
};

} // namespace plumeo::ui
