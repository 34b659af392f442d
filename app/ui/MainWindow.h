#pragma once

#include <QMainWindow>

namespace plumeo::ui {

class EditorPane;
class HeaderBar;
class IntroOverlay;
class SidePanel;

/// The window: the header above, the side panel of step cards beside the article pane, and the
/// introduction over everything while it is shown. The File menu opens an article file; the
/// Help menu brings the introduction back.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    HeaderBar* header() const { return header_; }
    SidePanel* sidePanel() const { return sidePanel_; }
    EditorPane* editorPane() const { return editorPane_; }
    IntroOverlay* intro() const { return intro_; }

signals:
    void introRequested();

private:
    HeaderBar* header_;
    SidePanel* sidePanel_;
    EditorPane* editorPane_;
    IntroOverlay* intro_;
};

} // namespace plumeo::ui
