#pragma once

#include <QPlainTextEdit>

namespace plumeo::ui {

/// The article's text view: plain text only, undo, and every automatic aid off (no predictive
/// text, no automatic capitals, no rich paste), because whatever it changed would be typed into
/// Word as if the user had written it. A file dropped on it is offered as an article, never
/// inserted as a link.
class ArticleEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ArticleEditor(QWidget* parent = nullptr);

    /// Replaces the text only when it differs, so that an update echoing the user's own edit
    /// keeps the cursor and the undo history.
    void setArticle(const QString& text);
    QString article() const { return toPlainText(); }
    /// Locked while a session runs: read-only, in the secondary text colour.
    void setEditable(bool editable);
    bool isEditable() const { return !isReadOnly(); }

signals:
    /// Every edit by the user, with the whole new text.
    void articleEdited(const QString& text);
    void fileDropped(const QString& path);

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyTextColour();
    bool settingText_ = false;
};

} // namespace plumeo::ui
