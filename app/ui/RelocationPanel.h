#pragma once

#include "core/engine/RelocationHint.h"

#include <QWidget>

class QCheckBox;
class QLabel;

namespace plumeo::ui {

class StyledButton;

/// Shown while the continuation point cannot be found by itself. Three ways on: move the
/// cursor back to a position the read-back located uniquely, check again, or continue from
/// wherever the user puts the cursor (after confirming that path).
class RelocationPanel : public QWidget {
    Q_OBJECT
public:
    explicit RelocationPanel(QWidget* parent = nullptr);

    void setHint(const RelocationHint& hint);
    void setBusy(bool busy);
    bool isManualPathOpen() const { return confirmManual_; }

signals:
    void moveCursorRequested();
    void recheckRequested();
    /// useKnownPosition: continue from the last confirmed unit rather than aligning by the text
    /// before the cursor.
    void continueFromCursorRequested(bool useKnownPosition);

private:
    void setManualPathOpen(bool open);

    bool confirmManual_ = false;
    QLabel* typedTail_;
    QWidget* knownPosition_;
    QCheckBox* manualToggle_;
    QWidget* manualPath_;
    QLabel* manualInstruction_;
    StyledButton* fromConfirmed_;
    QList<StyledButton*> buttons_;
};

} // namespace plumeo::ui
