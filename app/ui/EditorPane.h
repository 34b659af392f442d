#pragma once

#include "core/text/PreparedText.h"

#include <QWidget>
#include <optional>

class QLabel;

namespace plumeo::ui {

class ArticleEditor;
class StyledButton;

/// The article side of the window: the editor, its toolbar (open, paste, clear), the lock
/// notice while a session runs, the statistics, the preparation error and the privacy lines.
/// Every change of the article, whatever its source, leaves through articleEdited().
class EditorPane : public QWidget {
    Q_OBJECT
public:
    explicit EditorPane(QWidget* parent = nullptr);

    void setArticle(const QString& text);
    void setLocked(bool locked);
    void setStats(const std::optional<TextStats>& stats);
    void setPreparationError(const QString& error);

    ArticleEditor* editor() const { return editor_; }
    /// The last file problem shown, empty when none.
    QString fileMessage() const;

signals:
    void articleEdited(const QString& text);

public slots:
    /// Asks for a file and opens it.
    void chooseFile();
    /// Reads a UTF-8 text or Markdown file into the article, or explains why it cannot.
    void openFile(const QString& path);

private:
    void replaceArticle(const QString& text);

    ArticleEditor* editor_;
    StyledButton* openButton_;
    StyledButton* pasteButton_;
    StyledButton* clearButton_;
    QWidget* lockNotice_;
    QLabel* stats_;
    QLabel* preparationError_;
    QLabel* fileMessage_;
};

} // namespace plumeo::ui
