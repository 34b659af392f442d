#include "app/ui/HeaderBar.h"

#include "app/ui/AppMark.h"
#include "app/ui/ButtonStyles.h"
#include "app/ui/Chip.h"
#include "app/ui/UiColors.h"
#include "platform/input/HotKeyCenter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace plumeo::ui {

HeaderBar::HeaderBar(QWidget* parent)
    : QWidget(parent), readiness_(new Chip(QString(), Symbol::warning, warning(palette()), this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(12);
    layout->addWidget(new AppMark(40, this));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    auto* title = new QLabel(QStringLiteral("Plumeo"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    title->setFont(titleFont);
    titles->addWidget(title);
    auto* subtitle = new QLabel(
        QStringLiteral("把准备好的文章逐字打进 Word · 文章只在本机 · 结果逐字核对"), this);
    QPalette subtle = subtitle->palette();
    subtle.setColor(QPalette::WindowText, secondaryText(subtle));
    subtitle->setPalette(subtle);
    titles->addWidget(subtitle);
    layout->addLayout(titles);
    layout->addStretch();
    layout->addWidget(readiness_);
    layout->addWidget(new Chip(QString::fromUtf8(HotKeyCenter::stopDescription.data(),
                                                 qsizetype(HotKeyCenter::stopDescription.size())) +
                                   QStringLiteral(" 紧急停止"),
                               Symbol::keyboard, secondaryText(palette()), this));
    auto* help = new StyledButton(QStringLiteral("使用说明"), ButtonStyle::secondary, this,
                                  Symbol::question);
    help->setToolTip(QStringLiteral("再看一遍首次使用引导"));
    layout->addWidget(help);
    connect(help, &QPushButton::clicked, this, &HeaderBar::helpRequested);
    setReady(false);
}

void HeaderBar::setReady(bool ready) {
    readiness_->setText(ready ? QStringLiteral("已就绪") : QStringLiteral("需要授权"));
    readiness_->setSymbol(ready ? Symbol::checkSeal : Symbol::warning);
    readiness_->setTint(ready ? success(palette()) : warning(palette()));
}

} // namespace plumeo::ui
