#pragma once

#include <QWidget>
#include <optional>

class QLabel;
class QStackedWidget;

namespace plumeo::ui {

class StyledButton;

/// One page of the introduction: a drawing, a title and a paragraph.
class IntroPage : public QWidget {
    Q_OBJECT
public:
    IntroPage(const QString& title, const QString& body, QWidget* art, QWidget* parent = nullptr);
};

/// The introduction shown over the window on first launch and on demand: four pages, turned
/// with the buttons, the arrow keys or a horizontal drag. However it is closed (skip, the last
/// page's button, the close button, Escape), it hides and emits closed(); the window hands that
/// to the model, which records that the introduction was seen.
class IntroOverlay : public QWidget {
    Q_OBJECT
public:
    explicit IntroOverlay(QWidget* parent);

    int page() const { return page_; }
    int pageCount() const;
    void setPage(int page);
    /// Shows the overlay at the first page, covering its parent.
    void open();

signals:
    void closed();

public slots:
    void close();
    void next();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateButtons();

    QStackedWidget* pages_;
    StyledButton* nextButton_;
    QWidget* dots_;
    int page_ = 0;
    /// Horizontal drag distance while a swipe is in progress.
    std::optional<double> dragStartX_;
};

} // namespace plumeo::ui
