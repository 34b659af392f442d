#include "app/entry/InterfaceSnapshot.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <iostream>

namespace plumeo::entry {

void scheduleInterfaceSnapshot(const QString& directory, int delayMs, QStringList* written) {
    QTimer::singleShot(delayMs, qApp, [directory, written] {
        QDir().mkpath(directory);
        int number = 0;
        bool failed = false;
        QWidgetList windows;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible() && window->windowType() != Qt::Popup)
                windows.append(window);
        // Qt keeps its windows unordered; the main window comes first, the rest by name.
        std::sort(windows.begin(), windows.end(), [](const QWidget* a, const QWidget* b) {
            const bool aMain = a->inherits("QMainWindow");
            const bool bMain = b->inherits("QMainWindow");
            if (aMain != bMain)
                return aMain;
            return a->objectName() < b->objectName();
        });
        for (QWidget* window : windows) {
            ++number;
            const QString path =
                QDir(directory).filePath(QStringLiteral("ui-window-%1.png").arg(number));
            if (!window->grab().save(path, "PNG")) {
                std::cerr << "plumeo：无法写入界面快照：" << path.toStdString() << '\n';
                failed = true;
                continue;
            }
            if (written)
                written->append(path);
        }
        QCoreApplication::exit(failed ? 1 : 0);
    });
}

} // namespace plumeo::entry
