#include "app/ui/MainWindow.h"

#include "app/ui/ArticleEditor.h"
#include "app/ui/EditorPane.h"
#include "app/ui/HeaderBar.h"
#include "app/ui/IntroOverlay.h"
#include "app/ui/SidePanel.h"

#include <QHBoxLayout>
#include <QMenuBar>
#include <QVBoxLayout>

namespace plumeo::ui {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Plumeo"));
    setObjectName(QStringLiteral("main"));
    resize(1080, 720);

    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    header_ = new HeaderBar(content);
    layout->addWidget(header_);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 16, 16);
    body->setSpacing(8);
    sidePanel_ = new SidePanel(content);
    editorPane_ = new EditorPane(content);
    body->addWidget(sidePanel_, 0);
    body->addWidget(editorPane_, 1);
    layout->addLayout(body, 1);
    setCentralWidget(content);
    intro_ = new IntroOverlay(content);
    intro_->hide();

    QMenu* file = menuBar()->addMenu(QStringLiteral("文件"));
    QAction* open =
        file->addAction(QStringLiteral("打开文章…"), editorPane_, &EditorPane::chooseFile);
    open->setShortcut(QKeySequence::Open);
    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助"));
    help->addAction(QStringLiteral("使用说明"), this, &MainWindow::introRequested);
    connect(header_, &HeaderBar::helpRequested, this, &MainWindow::introRequested);
    // Typing or pasting the article is the first thing to do.
    editorPane_->editor()->setFocus();
}

} // namespace plumeo::ui
