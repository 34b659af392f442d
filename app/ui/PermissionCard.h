#pragma once

#include "app/ui/Card.h"

class QLabel;

namespace plumeo::ui {

class StepHeader;
class StyledButton;
class PermissionRow;

/// Step 1: the accessibility permission (with posting key events) and the permission to
/// control Word. Collapses to its header once both are granted.
class PermissionCard : public Card {
    Q_OBJECT
public:
    explicit PermissionCard(QWidget* parent = nullptr);

    /// `accessibility` covers posting key events as well: both are asked for together.
    void setGranted(bool accessibility, bool automation);

signals:
    void accessibilityRequested();
    void automationRequested();
    void openWordRequested();
    void refreshRequested();

private:
    StepHeader* header_;
    QWidget* body_;
    PermissionRow* accessibility_;
    PermissionRow* automation_;
};

} // namespace plumeo::ui
