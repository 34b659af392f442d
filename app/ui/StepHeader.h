#pragma once

#include <QWidget>

namespace plumeo::ui {

/// The numbered title of a step card; the number turns into a check mark once the step is done.
class StepHeader : public QWidget {
    Q_OBJECT
public:
    StepHeader(int index, QString title, QWidget* parent = nullptr);

    void setDone(bool done);
    bool isDone() const { return done_; }
    void setTitle(const QString& title);
    QString title() const { return title_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont titleFont() const;

    int index_;
    QString title_;
    bool done_ = false;
};

} // namespace plumeo::ui
