#pragma once

#include "app/ui/Card.h"

#include <optional>

class QCheckBox;
class QLabel;

namespace plumeo::ui {

class Chip;
class StepHeader;
class StyledButton;

/// What the target card shows of a detected target.
struct TargetSummary {
    QString documentName;
    int paragraphNumber = 1;
    int selectionStart = 0;
    QString contextBefore;
    QString contextAfter;
    bool hasSelection = false;
    bool inMainStory = true;
    bool protectedDocument = false;
    bool trackRevisions = false;
};

/// Step 2: detect the insertion point in Word, show it with its context and problems, and let
/// the user confirm it.
class TargetCard : public Card {
    Q_OBJECT
public:
    explicit TargetCard(QWidget* parent = nullptr);

    void setTarget(const std::optional<TargetSummary>& target);
    void setTargetError(const QString& error);
    void setDetecting(bool detecting);
    void setConfirmed(bool confirmed);
    void setNotes(const QStringList& notes);
    /// Detection and confirmation wait while a session runs.
    void setLocked(bool locked);

signals:
    void detectRequested();
    void confirmationChosen(bool confirmed);

private:
    void updateButton();

    bool hasTarget_ = false;
    bool detecting_ = false;
    bool locked_ = false;
    StepHeader* header_;
    StyledButton* detect_;
    QLabel* error_;
    QWidget* targetBox_;
    QLabel* document_;
    QLabel* position_;
    QLabel* context_;
    QList<Chip*> problems_;
    QLabel* notes_;
    QCheckBox* confirm_;
};

} // namespace plumeo::ui
