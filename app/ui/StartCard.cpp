#include "app/ui/StartCard.h"

#include "app/ui/ButtonStyles.h"
#include "app/ui/UiColors.h"

#include <QLabel>
#include <QVBoxLayout>

namespace plumeo::ui {

StartCard::StartCard(QWidget* parent)
    : Card(parent), blockers_(new QLabel(this)),
      start_(
          new StyledButton(QStringLiteral("开始输入"), ButtonStyle::primary, this, Symbol::play)) {
    blockers_->setWordWrap(true);
    blockers_->setTextFormat(Qt::PlainText);
    QPalette colours = blockers_->palette();
    colours.setColor(QPalette::WindowText, secondaryText(colours));
    blockers_->setPalette(colours);
    contentLayout()->addWidget(blockers_);
    start_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    contentLayout()->addWidget(start_);
    connect(start_, &QPushButton::clicked, this, &StartCard::startRequested);
    setBlockers({});
}

void StartCard::setBlockers(const QStringList& blockers) {
    QString text = QStringLiteral("还需要：");
    for (const QString& blocker : blockers)
        text += QStringLiteral("\n• ") + blocker;
    blockers_->setText(text);
    blockers_->setVisible(!blockers.isEmpty());
    start_->setEnabled(blockers.isEmpty());
}

} // namespace plumeo::ui
