#pragma once

#include "app/ui/Card.h"
#include "core/engine/RelocationHint.h"
#include "core/engine/SessionPhase.h"

#include <optional>

class QLabel;

namespace plumeo::ui {

class GlowProgressBar;
class ProgressRing;
class RelocationPanel;
class StageChips;
class StyledButton;

/// The card of a running or finished session: phase mark and status, activity, progress bar
/// and ring, the three stages, results and notes, and the buttons the phase allows.
class SessionCard : public Card {
    Q_OBJECT
public:
    explicit SessionCard(QWidget* parent = nullptr);

    void setPhase(const SessionPhase& phase);
    void setStatusMessage(const QString& status);
    void setActivityText(const QString& activity);
    /// `stage`: the highest of sent (0), confirmed (1), verified (2) reached; −1 for none.
    void setProgress(double sentFraction, double confirmedFraction, const QString& progressText,
                     const QString& rateText, int stage);
    void setResultDetails(const QStringList& lines);
    void setSessionNotes(const QStringList& notes);
    void setRelocation(const std::optional<RelocationHint>& hint);
    void setBusy(bool busy);

    RelocationPanel* relocationPanel() const { return relocation_; }
    /// The buttons currently offered, by their text, in order (for the flow tests and the
    /// accessibility tree alike).
    QStringList offeredButtons() const;

signals:
    void cancelRequested(bool emergency);
    void pauseRequested();
    void resumeRequested();
    void acceptDifferencesRequested();
    void reverifyRequested();
    void newTaskRequested();

private:
    QLabel* phaseMark_;
    QLabel* status_;
    QLabel* activity_;
    GlowProgressBar* bar_;
    ProgressRing* ring_;
    QLabel* progress_;
    QLabel* rate_;
    StageChips* stages_;
    QLabel* results_;
    QLabel* notes_;
    RelocationPanel* relocation_;
    QLabel* acceptExplanation_;
    StyledButton* cancel_;
    StyledButton* pause_;
    StyledButton* emergencyStop_;
    StyledButton* resume_;
    StyledButton* acceptDifferences_;
    StyledButton* reverify_;
    StyledButton* newTask_;
};

} // namespace plumeo::ui
