#include "app/ui/ArticleEditor.h"

#include "app/ui/UiColors.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QScrollBar>

namespace plumeo::ui {
namespace {

std::optional<QString> localFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1)
        return std::nullopt;
    const QUrl url = data->urls().front();
    if (!url.isLocalFile())
        return std::nullopt;
    return url.toLocalFile();
}

} // namespace

ArticleEditor::ArticleEditor(QWidget* parent) : QPlainTextEdit(parent) {
    setUndoRedoEnabled(true);
    setTabChangesFocus(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setInputMethodHints(Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase | Qt::ImhNoTextHandles);
    setAccessibleName(QStringLiteral("文章输入区"));
    QFont editorFont = font();
    editorFont.setPointSize(14);
    setFont(editorFont);
    setViewportMargins(6, 8, 6, 8);
    setPlaceholderText(QStringLiteral(
        "把文章粘贴到这里\n\n按 ⌘V 或点右上角「粘贴」。支持中文、英文、数字、标点、空行和 "
        "emoji；\n只输入纯文本正文与段落，不改写内容。"));
    setAcceptDrops(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!settingText_)
            emit articleEdited(toPlainText());
    });
    applyTextColour();
}

void ArticleEditor::setArticle(const QString& text) {
    if (toPlainText() == text)
        return;
    settingText_ = true;
    setPlainText(text);
    settingText_ = false;
}

void ArticleEditor::setEditable(bool editable) {
    if (editable == !isReadOnly())
        return;
    setReadOnly(!editable);
    setAcceptDrops(editable);
    applyTextColour();
}

void ArticleEditor::applyTextColour() {
    QPalette colours = palette();
    const QColor text =
        isReadOnly() ? secondaryText(colours) : colours.color(QPalette::Active, QPalette::Text);
    colours.setColor(QPalette::Active, QPalette::Text, text);
    colours.setColor(QPalette::Inactive, QPalette::Text, text);
    setPalette(colours);
}

void ArticleEditor::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    // A switch of appearance brings a new palette; the locked colour must follow it.
    if (event->type() == QEvent::ApplicationPaletteChange) {
        setPalette(QPalette());
        applyTextColour();
    }
}

bool ArticleEditor::canInsertFromMimeData(const QMimeData* source) const {
    if (localFile(source))
        return !isReadOnly();
    return source->hasText();
}

void ArticleEditor::insertFromMimeData(const QMimeData* source) {
    if (isReadOnly())
        return;
    if (const auto path = localFile(source)) {
        emit fileDropped(*path);
        return;
    }
    // Only the plain text of whatever is pasted: never HTML, images or styles.
    if (source->hasText())
        insertPlainText(source->text());
}

void ArticleEditor::dragEnterEvent(QDragEnterEvent* event) {
    if (!isReadOnly() && localFile(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    QPlainTextEdit::dragEnterEvent(event);
}

void ArticleEditor::dragMoveEvent(QDragMoveEvent* event) {
    if (!isReadOnly() && localFile(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    QPlainTextEdit::dragMoveEvent(event);
}

void ArticleEditor::dropEvent(QDropEvent* event) {
    if (isReadOnly()) {
        event->ignore();
        return;
    }
    if (const auto path = localFile(event->mimeData())) {
        event->acceptProposedAction();
        emit fileDropped(*path);
        return;
    }
    QPlainTextEdit::dropEvent(event);
}

} // namespace plumeo::ui
