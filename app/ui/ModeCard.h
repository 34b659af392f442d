#pragma once

#include "app/ui/Card.h"
#include "core/text/TypingMode.h"

class QCheckBox;
class QLabel;
class QSlider;
class QSpinBox;

namespace plumeo::ui {

class ModeChoice;
class StyledButton;

/// The typo-rate warning shown under the slider: strong from 0.2, milder from 0.1, none below.
QString typoRateWarning(double rate);

/// Step 3: the typing mode, the pace (by speed or by total duration), the estimate, and in
/// natural mode the typos with their rate and its warning.
class ModeCard : public Card {
    Q_OBJECT
public:
    explicit ModeCard(QWidget* parent = nullptr);

    void setMode(TypingMode mode);
    void setSpeed(double unitsPerMinute);
    void setPaceByDuration(bool byDuration);
    void setTargetMinutes(double minutes);
    void setDurationNote(const QString& note);
    void setEstimateText(const QString& estimate);
    void setTypoEnabled(bool enabled);
    void setTypoRate(double rate, const QString& rateText);
    /// Settings stay visible but cannot change while a session runs.
    void setLocked(bool locked);

    /// The warning currently shown under the typo rate; empty when none is.
    QString shownTypoWarning() const;

signals:
    void modeChosen(TypingMode mode);
    void speedChosen(double unitsPerMinute);
    void paceByDurationChosen(bool byDuration);
    void targetMinutesChosen(double minutes);
    void typoEnabledChosen(bool enabled);
    void typoRateChosen(double rate);

private:
    void updateVisibility();

    TypingMode mode_ = TypingMode::stable;
    bool paceByDuration_ = false;
    bool typoEnabled_ = false;
    QWidget* body_;
    QList<ModeChoice*> choices_;
    QLabel* fastNote_;
    QLabel* naturalNote_;
    QWidget* pacePicker_;
    StyledButton* bySpeed_;
    StyledButton* byDuration_;
    QWidget* speedRow_;
    QLabel* speedValue_;
    QSlider* speedSlider_;
    QWidget* durationRow_;
    QSpinBox* minutes_;
    QLabel* durationNote_;
    QLabel* estimate_;
    QCheckBox* typos_;
    QLabel* typoExplanation_;
    QWidget* rateRow_;
    QSlider* rateSlider_;
    QLabel* rateValue_;
    QLabel* rateWarning_;
};

} // namespace plumeo::ui
