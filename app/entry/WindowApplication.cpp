#include "app/entry/WindowApplication.h"

#include "app/entry/Appearance.h"
#include "app/entry/DemoArticle.h"
#include "app/entry/InterfaceSnapshot.h"
#include "app/entry/SwitchTable.h"
#include "app/ui/EditorPane.h"
#include "app/ui/FloatingPanel.h"
#include "app/ui/IntroOverlay.h"
#include "app/ui/MainWindow.h"
#include "app/ui/Motion.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace plumeo::entry {
namespace {

// The window has laid itself out by then; a scene with a session needs longer for the model
// to reach its phase.
constexpr int snapshotDelayMs = 500;
constexpr int sessionSnapshotDelayMs = 3000;

Appearance appearanceOption(const std::vector<std::string>& arguments) {
    const auto value = optionValue(arguments, "--appearance");
    if (value == "dark")
        return Appearance::dark;
    if (value == "light")
        return Appearance::light;
    return Appearance::system;
}

} // namespace

int runWindowApplication(int argc, char** argv, const std::vector<std::string>& arguments) {
    const auto snapshotDirectory = optionValue(arguments, "--ui-snapshot");
    const std::string scene = optionValue(arguments, "--ui-scene").value_or("idle");
#ifdef Q_OS_LINUX
    // Snapshots must work on a build machine without a display.
    if (snapshotDirectory && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
#endif
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Plumeo"));
    QApplication::setApplicationName(QStringLiteral("Plumeo"));
    // Window state is never restored from an earlier run.
    QApplication::setQuitOnLastWindowClosed(true);

    std::unique_ptr<QTemporaryDir> snapshotSettings;
    if (snapshotDirectory) {
        snapshotSettings = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, snapshotSettings->path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, snapshotSettings->path());
        ui::setReduceMotionOverride(true);
        applyAppearance(application, appearanceOption(arguments));
    } else {
        applyAppearance(application, Appearance::system);
    }

    ui::MainWindow window;
    ui::FloatingPanel panel;
    panel.setObjectName(QStringLiteral("hud"));
    if (hasFlag(arguments, "--demo"))
        window.editorPane()->setArticle(demoArticle());
    QObject::connect(&window, &ui::MainWindow::introRequested, window.intro(),
                     &ui::IntroOverlay::open);
    window.show();
    if (scene == "intro")
        window.intro()->open();
    if (scene == "running" || scene == "paused")
        panel.present();

    QStringList written;
    if (snapshotDirectory) {
        const bool session = scene == "running" || scene == "paused";
        scheduleInterfaceSnapshot(QString::fromStdString(*snapshotDirectory),
                                  session ? sessionSnapshotDelayMs : snapshotDelayMs, &written);
    }
    const int status = QApplication::exec();
    for (const QString& path : written)
        std::cout << path.toStdString() << '\n';
    return status;
}

} // namespace plumeo::entry
