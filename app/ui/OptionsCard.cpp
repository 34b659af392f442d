#include "app/ui/OptionsCard.h"

#include "app/ui/UiColors.h"
#include "platform/input/HotKeyCenter.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace plumeo::ui {
namespace {

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QLabel* explanation(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setContentsMargins(22, 0, 0, 0);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, secondaryText(colours));
    label->setPalette(colours);
    return label;
}

} // namespace

OptionsCard::OptionsCard(QWidget* parent)
    : Card(parent), toggle_(new QToolButton(this)), body_(new QWidget(this)),
      hotkeys_(new QLabel(body_)),
      backgroundTyping_(new QCheckBox(QStringLiteral("后台输入"), body_)),
      countdown_(new QSpinBox(body_)),
      switchToASCII_(new QCheckBox(QStringLiteral("输入时临时切换到英文键盘"), body_)) {
    toggle_->setText(QStringLiteral("更多选项"));
    toggle_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toggle_->setAutoRaise(true);
    QFont bold = toggle_->font();
    bold.setBold(true);
    toggle_->setFont(bold);
    contentLayout()->addWidget(toggle_);
    contentLayout()->addWidget(body_);

    auto* layout = new QVBoxLayout(body_);
    layout->setContentsMargins(0, 0, 0, 0);
    hotkeys_->setWordWrap(true);
    layout->addWidget(hotkeys_);
    layout->addWidget(backgroundTyping_);
    layout->addWidget(explanation(
        QStringLiteral("开始后可以切到其他应用，输入继续；回到 Word 按键或点击会自动暂停"), body_));
    auto* countdownRow = new QHBoxLayout;
    countdownRow->addWidget(new QLabel(QStringLiteral("开始前倒计时 "), body_));
    countdown_->setRange(0, 10);
    countdown_->setSuffix(QStringLiteral(" 秒"));
    countdown_->setAccessibleName(QStringLiteral("开始前倒计时"));
    countdownRow->addWidget(countdown_);
    countdownRow->addStretch();
    layout->addLayout(countdownRow);
    layout->addWidget(switchToASCII_);
    layout->addWidget(explanation(
        QStringLiteral("简体拼音实测无需切换；其他输入法若吞字可开启，结束后自动恢复"), body_));

    connect(toggle_, &QToolButton::clicked, this, [this] { setExpanded(!expanded_); });
    connect(backgroundTyping_, &QCheckBox::toggled, this, &OptionsCard::backgroundTypingChosen);
    connect(countdown_, &QSpinBox::valueChanged, this, &OptionsCard::countdownSecondsChosen);
    connect(switchToASCII_, &QCheckBox::toggled, this, &OptionsCard::switchToASCIIChosen);
    setHotkeysRegistered(true);
    setExpanded(false);
}

void OptionsCard::setExpanded(bool expanded) {
    expanded_ = expanded;
    body_->setVisible(expanded);
    toggle_->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
}

void OptionsCard::setHotkeysRegistered(bool registered) {
    hotkeys_->setText(QStringLiteral("快捷键：") + fromView(HotKeyCenter::pauseDescription) +
                      QStringLiteral(" 暂停/继续 · ") + fromView(HotKeyCenter::stopDescription) +
                      QStringLiteral(" 紧急停止") +
                      (registered ? QString() : QStringLiteral("（注册失败）")));
}

void OptionsCard::setBackgroundTyping(bool enabled) {
    const QSignalBlocker quiet(backgroundTyping_);
    backgroundTyping_->setChecked(enabled);
}

void OptionsCard::setCountdownSeconds(int seconds) {
    const QSignalBlocker quiet(countdown_);
    countdown_->setValue(seconds);
}

void OptionsCard::setSwitchToASCII(bool enabled) {
    const QSignalBlocker quiet(switchToASCII_);
    switchToASCII_->setChecked(enabled);
}

void OptionsCard::setLocked(bool locked) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{backgroundTyping_, countdown_, switchToASCII_})
        control->setEnabled(!locked);
}

} // namespace plumeo::ui
