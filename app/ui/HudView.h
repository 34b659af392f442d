#pragma once

#include "core/engine/SessionPhase.h"

#include <QWidget>

class QLabel;

namespace plumeo::ui {

class CometBorder;
class GlowProgressBar;
class StyledButton;

/// The floating panel's content: status, activity, the glow bar with the progress and rate
/// lines, and the buttons the phase allows, inside a rounded surface with a comet border.
class HudView : public QWidget {
    Q_OBJECT
public:
    explicit HudView(QWidget* parent = nullptr);

    void setPhase(SessionPhase::Kind phase);
    void setStatusMessage(const QString& status);
    void setActivityText(const QString& activity);
    void setProgress(double sentFraction, double confirmedFraction, const QString& progressText,
                     const QString& rateText);
    void setBusy(bool busy);

signals:
    void resumeRequested();
    void pauseRequested();
    void emergencyStopRequested();
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* status_;
    QLabel* activity_;
    GlowProgressBar* bar_;
    QLabel* progress_;
    QLabel* rate_;
    StyledButton* resume_;
    StyledButton* pause_;
    StyledButton* stop_;
    CometBorder* border_;
    SessionPhase::Kind phase_ = SessionPhase::Kind::idle;
};

} // namespace plumeo::ui
