#include "app/ui/PermissionCard.h"

#include "app/ui/ButtonStyles.h"
#include "app/ui/StepHeader.h"
#include "app/ui/Symbol.h"
#include "app/ui/UiColors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace plumeo::ui {

/// One permission: its state mark, name, what it is for, and the buttons to grant it.
class PermissionRow : public QWidget {
public:
    PermissionRow(const QString& name, const QString& purpose, QWidget* parent) : QWidget(parent) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        mark_ = new QLabel(this);
        mark_->setFixedSize(20, 20);
        layout->addWidget(mark_, 0, Qt::AlignTop);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(1);
        auto* title = new QLabel(name, this);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        texts->addWidget(title);
        auto* detail = new QLabel(purpose, this);
        detail->setWordWrap(true);
        QPalette colours = detail->palette();
        colours.setColor(QPalette::WindowText, secondaryText(colours));
        detail->setPalette(colours);
        texts->addWidget(detail);
        layout->addLayout(texts, 1);
        buttons_ = new QHBoxLayout;
        layout->addLayout(buttons_);
    }

    StyledButton* addButton(const QString& text, ButtonStyle style) {
        auto* button = new StyledButton(text, style, this);
        buttons_->addWidget(button);
        actions_.append(button);
        return button;
    }

    void setGranted(bool granted) {
        QPixmap pixmap(mark_->size() * devicePixelRatioF());
        pixmap.setDevicePixelRatio(devicePixelRatioF());
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintSymbol(painter, granted ? Symbol::checkCircle : Symbol::dashedCircle,
                    QRectF(0, 0, 20, 20), granted ? success(palette()) : secondaryText(palette()));
        mark_->setPixmap(pixmap);
        for (StyledButton* button : actions_)
            button->setVisible(!granted);
    }

private:
    QLabel* mark_;
    QHBoxLayout* buttons_;
    QList<StyledButton*> actions_;
};

PermissionCard::PermissionCard(QWidget* parent)
    : Card(parent), header_(new StepHeader(1, QStringLiteral("开始前需要两项系统授权"), this)),
      body_(new QWidget(this)) {
    contentLayout()->addWidget(header_);
    contentLayout()->addWidget(body_);
    auto* layout = new QVBoxLayout(body_);
    layout->setContentsMargins(0, 0, 0, 0);
    accessibility_ = new PermissionRow(QStringLiteral("辅助功能"),
                                       QStringLiteral("发送键盘事件、确认 Word 焦点与光标"), body_);
    automation_ =
        new PermissionRow(QStringLiteral("控制 Word"),
                          QStringLiteral("只读取光标位置和正文用于校验，不会用脚本写入"), body_);
    connect(accessibility_->addButton(QStringLiteral("去授权"), ButtonStyle::primary),
            &QPushButton::clicked, this, &PermissionCard::accessibilityRequested);
    connect(automation_->addButton(QStringLiteral("打开 Word"), ButtonStyle::secondary),
            &QPushButton::clicked, this, &PermissionCard::openWordRequested);
    connect(automation_->addButton(QStringLiteral("去授权"), ButtonStyle::primary),
            &QPushButton::clicked, this, &PermissionCard::automationRequested);
    layout->addWidget(accessibility_);
    layout->addWidget(automation_);
    auto* footer = new QHBoxLayout;
    auto* note = new QLabel(
        QStringLiteral(
            "授权后点「刷新」。授权只针对本应用，可随时在「系统设置 › 隐私与安全性」中关闭。"),
        body_);
    note->setWordWrap(true);
    QPalette colours = note->palette();
    colours.setColor(QPalette::WindowText, secondaryText(colours));
    note->setPalette(colours);
    footer->addWidget(note, 1);
    auto* refresh = new StyledButton(QStringLiteral("刷新"), ButtonStyle::secondary, body_);
    footer->addWidget(refresh, 0, Qt::AlignTop);
    layout->addLayout(footer);
    connect(refresh, &QPushButton::clicked, this, &PermissionCard::refreshRequested);
    setGranted(false, false);
}

void PermissionCard::setGranted(bool accessibility, bool automation) {
    accessibility_->setGranted(accessibility);
    automation_->setGranted(automation);
    const bool done = accessibility && automation;
    header_->setDone(done);
    body_->setVisible(!done);
}

} // namespace plumeo::ui
