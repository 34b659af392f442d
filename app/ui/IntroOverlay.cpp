#include "app/ui/IntroOverlay.h"

#include "app/ui/ButtonStyles.h"
#include "app/ui/Card.h"
#include "app/ui/IntroArt.h"
#include "app/ui/UiColors.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace plumeo::ui {
namespace {

// A drag farther than this turns the page.
constexpr double swipeDistance = 60;

/// The row of dots under the pages, the current one filled.
class PageDots : public QWidget {
public:
    PageDots(const IntroOverlay* overlay, QWidget* parent) : QWidget(parent), overlay_(overlay) {
        setFixedHeight(12);
        setMinimumWidth(80);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const int count = overlay_->pageCount();
        const double step = 14;
        double x = (width() - (count - 1) * step) / 2;
        for (int i = 0; i < count; ++i, x += step) {
            p.setPen(Qt::NoPen);
            p.setBrush(i == overlay_->page() ? accent(palette())
                                             : withAlpha(secondaryText(palette()), 0.5));
            p.drawEllipse(QPointF(x, height() / 2.0), 3.5, 3.5);
        }
    }

private:
    const IntroOverlay* overlay_;
};

} // namespace

IntroPage::IntroPage(const QString& title, const QString& body, QWidget* art, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    art->setParent(this);
    layout->addWidget(art, 1);
    auto* heading = new QLabel(title, this);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.45);
    heading->setFont(headingFont);
    heading->setAlignment(Qt::AlignHCenter);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    auto* text = new QLabel(body, this);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    text->setMinimumHeight(text->fontMetrics().height() * 4);
    layout->addWidget(text);
}

IntroOverlay::IntroOverlay(QWidget* parent)
    : QWidget(parent), pages_(new QStackedWidget), nextButton_(nullptr), dots_(nullptr) {
    setAttribute(Qt::WA_StyledBackground, false);
    setFocusPolicy(Qt::StrongFocus);
    parent->installEventFilter(this);

    auto* outer = new QVBoxLayout(this);
    outer->setAlignment(Qt::AlignCenter);
    auto* card = new Card(this, 22);
    card->setFixedWidth(560);
    outer->addWidget(card, 0, Qt::AlignCenter);
    QVBoxLayout* content = card->contentLayout();

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    auto* closeButton =
        new StyledButton(QStringLiteral("关闭"), ButtonStyle::secondary, card, Symbol::cross);
    closeRow->addWidget(closeButton);
    content->addLayout(closeRow);

    pages_->setParent(card);
    pages_->addWidget(new IntroPage(
        QStringLiteral("把写好的文字，逐字打进 Word"),
        QStringLiteral("粘贴文章，在 Word "
                       "里把光标放到要插入的位置，点「开始输入」。应用用真实的键盘输入逐字写入，不"
                       "走剪贴板，也不改动文档文件——省去把稿子一个字一个字敲进去的时间。"),
        new DocArt));
    pages_->addWidget(new IntroPage(
        QStringLiteral("速度和节奏，你说了算"),
        QStringLiteral(
            "稳定、极速、自然节奏三种方式，也可以直接设定「多长时间打完」，由它反推速度。随时暂停（"
            "⌃⌥⌘P）或紧急停止（⌃⌥⌘.）；你在 Word 里按键、切换文档或弹出对话框，都会自动暂停。"),
        new PaceArt));
    pages_->addWidget(new IntroPage(
        QStringLiteral("写完逐字核对"),
        QStringLiteral(
            "输入过程中分段读回核对，结束后整篇比对。进度分成「已发送」「已确认」「已验证」三层，输"
            "入中还会显示当前是在输入、纠错还是核对。核对不了会如实显示「未验证」。"),
        new VerifyArt));
    pages_->addWidget(new IntroPage(
        QStringLiteral("文章只留在你的电脑上"),
        QStringLiteral(
            "文章只在内存中，退出即清除，不写入日志或文件，也不会上传。首次使用需要两项权限：「辅助"
            "功能」用于发送键盘事件，「控制 Word」只用于读取光标位置和正文做核对。"),
        new PrivacyArt));
    pages_->setMinimumHeight(330);
    content->addWidget(pages_);

    dots_ = new PageDots(this, card);
    content->addWidget(dots_);

    auto* buttons = new QHBoxLayout;
    auto* skip = new StyledButton(QStringLiteral("跳过"), ButtonStyle::secondary, card);
    buttons->addWidget(skip);
    buttons->addStretch();
    nextButton_ = new StyledButton(QStringLiteral("下一步"), ButtonStyle::primary, card);
    buttons->addWidget(nextButton_);
    content->addLayout(buttons);

    auto* footnote = new QLabel(QStringLiteral("以后可以点右上角「使用说明」再看一遍。"), card);
    footnote->setAlignment(Qt::AlignHCenter);
    QPalette notePalette = footnote->palette();
    notePalette.setColor(QPalette::WindowText, secondaryText(notePalette));
    footnote->setPalette(notePalette);
    content->addWidget(footnote);

    connect(closeButton, &QPushButton::clicked, this, &IntroOverlay::close);
    connect(skip, &QPushButton::clicked, this, &IntroOverlay::close);
    connect(nextButton_, &QPushButton::clicked, this, &IntroOverlay::next);
    setGeometry(parent->rect());
    updateButtons();
}

int IntroOverlay::pageCount() const {
    return pages_->count();
}

void IntroOverlay::setPage(int page) {
    page_ = std::clamp(page, 0, pageCount() - 1);
    pages_->setCurrentIndex(page_);
    updateButtons();
}

void IntroOverlay::open() {
    setPage(0);
    setGeometry(parentWidget()->rect());
    raise();
    show();
    setFocus();
}

void IntroOverlay::next() {
    if (page_ + 1 >= pageCount()) {
        close();
        return;
    }
    setPage(page_ + 1);
}

void IntroOverlay::close() {
    hide();
    emit closed();
}

void IntroOverlay::updateButtons() {
    nextButton_->setText(page_ + 1 >= pageCount() ? QStringLiteral("开始使用")
                                                  : QStringLiteral("下一步"));
    nextButton_->updateGeometry();
    dots_->update();
}

void IntroOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, isDark(palette()) ? 150 : 90));
}

void IntroOverlay::mousePressEvent(QMouseEvent* event) {
    dragStartX_ = event->position().x();
}

void IntroOverlay::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragStartX_)
        return;
    const double dragX = event->position().x() - *dragStartX_;
    dragStartX_.reset();
    if (dragX <= -swipeDistance)
        setPage(page_ + 1);
    else if (dragX >= swipeDistance)
        setPage(page_ - 1);
}

void IntroOverlay::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Right:
        setPage(page_ + 1);
        return;
    case Qt::Key_Left:
        setPage(page_ - 1);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool IntroOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return false;
}

} // namespace plumeo::ui
