#include "app/ui/TargetCard.h"

#include "app/ui/ButtonStyles.h"
#include "app/ui/Chip.h"
#include "app/ui/StepHeader.h"
#include "app/ui/UiColors.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace plumeo::ui {
namespace {

QLabel* wrapped(QWidget* parent, const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

void paintSecondary(QLabel* label) {
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, secondaryText(colours));
    label->setPalette(colours);
}

// Line breaks inside the context would break the card's layout; show them as marks.
QString visibleContext(QString text) {
    text.replace(QChar(u'\r'), QStringLiteral("⏎"));
    text.replace(QChar(u'\n'), QStringLiteral("⏎"));
    text.replace(QChar(u'\v'), QStringLiteral("↵"));
    text.replace(QChar(u'\t'), QStringLiteral("⇥"));
    return text;
}

} // namespace

TargetCard::TargetCard(QWidget* parent)
    : Card(parent), header_(new StepHeader(2, QStringLiteral("在 Word 中放好光标"), this)),
      detect_(new StyledButton(QStringLiteral("检测光标位置"), ButtonStyle::primary, this,
                               Symbol::scope)),
      error_(wrapped(this)), targetBox_(new QWidget(this)), document_(new QLabel(targetBox_)),
      position_(new QLabel(targetBox_)), context_(wrapped(targetBox_)), notes_(wrapped(targetBox_)),
      confirm_(new QCheckBox(QStringLiteral("在这个文档的这个位置插入"), targetBox_)) {
    QVBoxLayout* layout = contentLayout();
    layout->addWidget(header_);
    auto* instruction = wrapped(
        this,
        QStringLiteral(
            "打开 Word 和目标文档，把光标放在要插入的位置（不要选中文字），再点下面的按钮。"));
    paintSecondary(instruction);
    layout->addWidget(instruction);
    layout->addWidget(detect_, 0, Qt::AlignLeft);
    QPalette warningColours = error_->palette();
    warningColours.setColor(QPalette::WindowText, warning(warningColours));
    error_->setPalette(warningColours);
    layout->addWidget(error_);
    layout->addWidget(targetBox_);

    auto* box = new QVBoxLayout(targetBox_);
    box->setContentsMargins(0, 0, 0, 0);
    QFont bold = document_->font();
    bold.setBold(true);
    document_->setFont(bold);
    box->addWidget(document_);
    paintSecondary(position_);
    box->addWidget(position_);
    box->addWidget(context_);
    auto* chips = new QHBoxLayout;
    for (const char* text : {"有选中文字", "不在正文", "文档只读", "修订已开启"}) {
        auto* chip =
            new Chip(QString::fromUtf8(text), Symbol::warning, warning(palette()), targetBox_);
        chips->addWidget(chip);
        problems_.append(chip);
    }
    chips->addStretch();
    box->addLayout(chips);
    QPalette notePalette = notes_->palette();
    notePalette.setColor(QPalette::WindowText, warning(notePalette));
    notes_->setPalette(notePalette);
    box->addWidget(notes_);
    box->addWidget(confirm_);

    connect(detect_, &QPushButton::clicked, this, &TargetCard::detectRequested);
    connect(confirm_, &QCheckBox::toggled, this, &TargetCard::confirmationChosen);
    setTarget(std::nullopt);
    setTargetError({});
    setNotes({});
}

void TargetCard::setTarget(const std::optional<TargetSummary>& target) {
    hasTarget_ = target.has_value();
    targetBox_->setVisible(hasTarget_);
    updateButton();
    if (!target)
        return;
    document_->setText(QStringLiteral("📄 ") + target->documentName);
    position_->setText(QStringLiteral("第 %1 段 · 位置 %2")
                           .arg(target->paragraphNumber)
                           .arg(target->selectionStart));
    context_->setText(
        QStringLiteral("…%1").arg(visibleContext(target->contextBefore).toHtmlEscaped()) +
        QStringLiteral("<b style=\"color:#ff8a3d\">|</b>") +
        QStringLiteral("%1…").arg(visibleContext(target->contextAfter).toHtmlEscaped()));
    context_->setTextFormat(Qt::RichText);
    const bool problems[] = {target->hasSelection, !target->inMainStory, target->protectedDocument,
                             target->trackRevisions};
    for (int i = 0; i < problems_.size(); ++i)
        problems_[i]->setVisible(problems[i]);
}

void TargetCard::setTargetError(const QString& error) {
    error_->setText(error);
    error_->setVisible(!error.isEmpty());
}

void TargetCard::setDetecting(bool detecting) {
    detecting_ = detecting;
    updateButton();
}

void TargetCard::setConfirmed(bool confirmed) {
    const QSignalBlocker quiet(confirm_);
    confirm_->setChecked(confirmed);
    header_->setDone(confirmed);
}

void TargetCard::setNotes(const QStringList& notes) {
    notes_->setText(notes.join(QStringLiteral("\n")));
    notes_->setVisible(!notes.isEmpty());
}

void TargetCard::setLocked(bool locked) {
    locked_ = locked;
    confirm_->setEnabled(!locked);
    updateButton();
}

void TargetCard::updateButton() {
    detect_->setText(
        detecting_ ? QStringLiteral("检测中…")
                   : (hasTarget_ ? QStringLiteral("重新检测") : QStringLiteral("检测光标位置")));
    detect_->updateGeometry();
    detect_->setEnabled(!detecting_ && !locked_);
}

} // namespace plumeo::ui
