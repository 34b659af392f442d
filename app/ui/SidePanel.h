#pragma once

#include <QScrollArea>

namespace plumeo::ui {

class OptionsCard;
class ModeCard;
class PermissionCard;
class SessionCard;
class StartCard;
class TargetCard;

/// The column of step cards: permissions, target, mode, options, then the start card before a
/// session or the session card during and after one.
class SidePanel : public QScrollArea {
    Q_OBJECT
public:
    explicit SidePanel(QWidget* parent = nullptr);

    /// Shows the session card instead of the start card.
    void setSessionShown(bool shown);

    PermissionCard* permissionCard() const { return permission_; }
    TargetCard* targetCard() const { return target_; }
    ModeCard* modeCard() const { return mode_; }
    OptionsCard* optionsCard() const { return options_; }
    StartCard* startCard() const { return start_; }
    SessionCard* sessionCard() const { return session_; }

private:
    PermissionCard* permission_;
    TargetCard* target_;
    ModeCard* mode_;
    OptionsCard* options_;
    StartCard* start_;
    SessionCard* session_;
    bool followSession_ = false;
};

} // namespace plumeo::ui
