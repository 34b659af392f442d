#pragma once

#include <QWidget>

class QScrollArea;

namespace plumeo::ui {

class OptionsCard;
class ModeCard;
class PermissionCard;
class SessionCard;
class StartCard;
class TargetCard;

/// The column of step cards: permissions, target, mode, options, then the start card before a
/// session or the session card during and after one. The steps and the session card scroll;
/// the start card stays pinned below them, so starting never needs a scroll however tall the
/// steps above it grow.
class SidePanel : public QWidget {
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
    QScrollArea* steps_;
    PermissionCard* permission_;
    TargetCard* target_;
    ModeCard* mode_;
    OptionsCard* options_;
    StartCard* start_;
    SessionCard* session_;
    bool followSession_ = false;
};

} // namespace plumeo::ui
