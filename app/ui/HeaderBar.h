#pragma once

#include <QWidget>

namespace plumeo::ui {

class Chip;

/// The window's header: the mark, title and subtitle, whether the permissions are ready, the
/// emergency key and the help button that brings the introduction back.
class HeaderBar : public QWidget {
    Q_OBJECT
public:
    explicit HeaderBar(QWidget* parent = nullptr);
    /// Ready when both the accessibility and the post-events permissions are granted.
    void setReady(bool ready);

signals:
    void helpRequested();

private:
    Chip* readiness_;
};

} // namespace plumeo::ui
