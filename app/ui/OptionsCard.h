#pragma once

#include "app/ui/Card.h"

class QCheckBox;
class QLabel;
class QSpinBox;
class QToolButton;

namespace plumeo::ui {

/// "更多选项", collapsed by default: the hot keys, background typing, the countdown and the
/// temporary switch to an English keyboard.
class OptionsCard : public Card {
    Q_OBJECT
public:
    explicit OptionsCard(QWidget* parent = nullptr);

    void setHotkeysRegistered(bool registered);
    void setBackgroundTyping(bool enabled);
    void setCountdownSeconds(int seconds);
    void setSwitchToASCII(bool enabled);
    void setLocked(bool locked);
    bool isExpanded() const { return expanded_; }
    void setExpanded(bool expanded);

signals:
    void backgroundTypingChosen(bool enabled);
    void countdownSecondsChosen(int seconds);
    void switchToASCIIChosen(bool enabled);

private:
    bool expanded_ = false;
    QToolButton* toggle_;
    QWidget* body_;
    QLabel* hotkeys_;
    QCheckBox* backgroundTyping_;
    QSpinBox* countdown_;
    QCheckBox* switchToASCII_;
};

} // namespace plumeo::ui
