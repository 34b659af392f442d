#include "app/ui/EditorPane.h"

#include "app/analyze/ArticleFile.h"
#include "app/ui/ArticleEditor.h"
#include "app/ui/ButtonStyles.h"
#include "app/ui/Chip.h"
#include "app/ui/UiColors.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace plumeo::ui {
namespace {

QLabel* noteLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, secondaryText(colours));
    label->setPalette(colours);
    return label;
}

QString statsText(const TextStats& stats) {
    return QStringLiteral("%1 字 · 汉字 %2 · 英文单词 %3 · %4 段（空段 %5） · Word 长度 %6")
        .arg(stats.graphemes)
        .arg(stats.cjkCharacters)
        .arg(stats.latinWords)
        .arg(stats.paragraphs)
        .arg(stats.emptyParagraphs)
        .arg(stats.wordUTF16Length);
}

} // namespace

EditorPane::EditorPane(QWidget* parent)
    : QWidget(parent), editor_(new ArticleEditor(this)),
      openButton_(
          new StyledButton(QStringLiteral("打开…"), ButtonStyle::secondary, this, Symbol::folder)),
      pasteButton_(new StyledButton(QStringLiteral("粘贴"), ButtonStyle::secondary, this,
                                    Symbol::clipboard)),
      clearButton_(
          new StyledButton(QStringLiteral("清空"), ButtonStyle::secondary, this, Symbol::trash)),
      lockNotice_(new Chip(QStringLiteral("任务进行中，文章已锁定。"), Symbol::warning,
                           warning(palette()), this)),
      stats_(noteLabel({}, this)), preparationError_(new QLabel(this)),
      fileMessage_(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto* toolbar = new QHBoxLayout;
    auto* heading = new QLabel(QStringLiteral("文章"), this);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.15);
    heading->setFont(headingFont);
    toolbar->addWidget(heading);
    toolbar->addSpacing(8);
    toolbar->addWidget(lockNotice_);
    toolbar->addStretch();
    toolbar->addWidget(openButton_);
    toolbar->addWidget(pasteButton_);
    toolbar->addWidget(clearButton_);
    layout->addLayout(toolbar);
    layout->addWidget(editor_, 1);

    for (QLabel* problem : {preparationError_, fileMessage_}) {
        problem->setWordWrap(true);
        QPalette colours = problem->palette();
        colours.setColor(QPalette::WindowText, warning(colours));
        problem->setPalette(colours);
        problem->hide();
    }
    layout->addWidget(stats_);
    layout->addWidget(preparationError_);
    layout->addWidget(fileMessage_);
    layout->addWidget(noteLabel(
        QStringLiteral("隐私：文章只在内存中，退出即清除，不会上传；输入与核对全部在本机完成。"
                       "Word 自身的保存与云同步不受本应用控制。"),
        this));
    lockNotice_->hide();
    stats_->hide();

    connect(editor_, &ArticleEditor::articleEdited, this, &EditorPane::articleEdited);
    connect(editor_, &ArticleEditor::fileDropped, this, &EditorPane::openFile);
    connect(openButton_, &QPushButton::clicked, this, &EditorPane::chooseFile);
    connect(pasteButton_, &QPushButton::clicked, this,
            [this] { replaceArticle(QGuiApplication::clipboard()->text()); });
    connect(clearButton_, &QPushButton::clicked, this, [this] { replaceArticle({}); });
}

void EditorPane::setArticle(const QString& text) {
    editor_->setArticle(text);
}

void EditorPane::setLocked(bool locked) {
    editor_->setEditable(!locked);
    for (QPushButton* button :
         {static_cast<QPushButton*>(openButton_), static_cast<QPushButton*>(pasteButton_),
          static_cast<QPushButton*>(clearButton_)})
        button->setEnabled(!locked);
    lockNotice_->setVisible(locked);
}

void EditorPane::setStats(const std::optional<TextStats>& stats) {
    stats_->setVisible(stats.has_value());
    if (stats)
        stats_->setText(statsText(*stats));
}

void EditorPane::setPreparationError(const QString& error) {
    preparationError_->setText(error);
    preparationError_->setVisible(!error.isEmpty());
}

QString EditorPane::fileMessage() const {
    return fileMessage_->isHidden() ? QString() : fileMessage_->text();
}

void EditorPane::chooseFile() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("打开文章"), {},
        QStringLiteral("文本与 Markdown (*.txt *.text *.md *.markdown);;所有文件 (*)"));
    if (!path.isEmpty())
        openFile(path);
}

void EditorPane::openFile(const QString& path) {
    if (!editor_->isEditable())
        return;
    const ArticleFileResult result = readArticleFile(path.toStdString());
    fileMessage_->setText(QString::fromStdString(result.error));
    fileMessage_->setVisible(!result.text);
    if (result.text)
        replaceArticle(QString::fromStdU16String(*result.text));
}

void EditorPane::replaceArticle(const QString& text) {
    if (!editor_->isEditable())
        return;
    editor_->setArticle(text);
    emit articleEdited(text);
}

} // namespace plumeo::ui
