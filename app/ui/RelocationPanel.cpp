#include "app/ui/RelocationPanel.h"

#include "app/ui/ButtonStyles.h"
#include "app/ui/UiColors.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace plumeo::ui {
namespace {

QLabel* wrapped(QWidget* parent, const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

RelocationPanel::RelocationPanel(QWidget* parent)
    : QWidget(parent), typedTail_(wrapped(this)), knownPosition_(new QWidget(this)),
      manualToggle_(new QCheckBox(QStringLiteral("从光标处继续剩余内容…"), this)),
      manualPath_(new QWidget(this)), manualInstruction_(wrapped(manualPath_)),
      fromConfirmed_(new StyledButton({}, ButtonStyle::secondary, manualPath_)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* title = wrapped(this, QStringLiteral("从 Word 当前光标处继续？"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    layout->addWidget(typedTail_);

    auto* known = new QVBoxLayout(knownPosition_);
    known->setContentsMargins(0, 0, 0, 0);
    known->addWidget(wrapped(
        knownPosition_,
        QStringLiteral("续写位置已由读回唯一确定：只移动 Word 的插入点，不写入文字，然后继续。")));
    auto* move = new StyledButton(QStringLiteral("把光标移回续写位置"), ButtonStyle::primary,
                                  knownPosition_);
    known->addWidget(move, 0, Qt::AlignLeft);
    layout->addWidget(knownPosition_);

    auto* recheck = new StyledButton(QStringLiteral("重新核对"), ButtonStyle::secondary, this);
    layout->addWidget(recheck, 0, Qt::AlignLeft);
    layout->addWidget(manualToggle_);

    auto* manual = new QVBoxLayout(manualPath_);
    manual->setContentsMargins(0, 0, 0, 0);
    QPalette warningColours = manualInstruction_->palette();
    warningColours.setColor(QPalette::WindowText, warning(warningColours));
    manualInstruction_->setPalette(warningColours);
    manual->addWidget(manualInstruction_);
    auto* align = new StyledButton(QStringLiteral("按光标前文字自动对齐后继续"),
                                   ButtonStyle::primary, manualPath_);
    manual->addWidget(align, 0, Qt::AlignLeft);
    manual->addWidget(fromConfirmed_, 0, Qt::AlignLeft);
    auto* closeManual =
        new StyledButton(QStringLiteral("取消"), ButtonStyle::secondary, manualPath_);
    manual->addWidget(closeManual, 0, Qt::AlignLeft);
    layout->addWidget(manualPath_);
    buttons_ = {move, recheck, align, fromConfirmed_, closeManual};

    connect(move, &QPushButton::clicked, this, &RelocationPanel::moveCursorRequested);
    connect(recheck, &QPushButton::clicked, this, &RelocationPanel::recheckRequested);
    connect(align, &QPushButton::clicked, this,
            [this] { emit continueFromCursorRequested(false); });
    connect(fromConfirmed_, &QPushButton::clicked, this,
            [this] { emit continueFromCursorRequested(true); });
    connect(manualToggle_, &QCheckBox::toggled, this, &RelocationPanel::setManualPathOpen);
    connect(closeManual, &QPushButton::clicked, this, [this] { setManualPathOpen(false); });
    setManualPathOpen(false);
}

void RelocationPanel::setHint(const RelocationHint& hint) {
    const QString tail = QString::fromStdU16String(hint.typedTail);
    const QString next = QString::fromStdU16String(hint.nextText);
    typedTail_->setText(QStringLiteral("上次写到：「%1」").arg(tail));
    knownPosition_->setVisible(hint.knownCursor.has_value());
    manualInstruction_->setText(
        QStringLiteral("请先在 Word 中把光标放在「") + tail +
        QStringLiteral("」之后。接下来会输入「") + next +
        QStringLiteral("…」。此前的内容以文档现状为准，结果会标注「含已接受差异」。"));
    fromConfirmed_->setText(
        QStringLiteral("从最后确认处（第 %1 字）继续").arg(hint.confirmedUnits));
    fromConfirmed_->updateGeometry();
}

void RelocationPanel::setBusy(bool busy) {
    for (StyledButton* button : buttons_)
        button->setEnabled(!busy);
    manualToggle_->setEnabled(!busy);
}

void RelocationPanel::setManualPathOpen(bool open) {
    confirmManual_ = open;
    const QSignalBlocker quiet(manualToggle_);
    manualToggle_->setChecked(open);
    manualPath_->setVisible(open);
}

} // namespace plumeo::ui
