#pragma once

#include "app/ui/Card.h"

class QLabel;

namespace plumeo::ui {

class StyledButton;

/// Before a session: what is still missing, and the start button, enabled only when nothing is.
class StartCard : public Card {
    Q_OBJECT
public:
    explicit StartCard(QWidget* parent = nullptr);
    void setBlockers(const QStringList& blockers);
    StyledButton* startButton() const { return start_; }

signals:
    void startRequested();

private:
    QLabel* blockers_;
    StyledButton* start_;
};

} // namespace plumeo::ui
