#include "app/entry/WindowApplication.h"

#include "app/desktop/DesktopIntegration.h"
#include "app/entry/Appearance.h"
#include "app/entry/BackendChoice.h"
#include "app/entry/DemoArticle.h"
#include "app/entry/InterfaceSnapshot.h"
#include "app/entry/SnapshotScene.h"
#include "app/entry/SwitchTable.h"
#include "app/entry/Usage.h"
#include "app/model/AppModel.h"
#include "app/ui/FloatingPanel.h"
#include "app/ui/MainWindow.h"
#include "app/ui/Motion.h"
#include "app/ui/WindowBinding.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace plumeo::entry {
namespace {

// Once the window (or the scene) is where it should be, layout and painting need a moment.
constexpr int snapshotSettleMs = 500;

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
    QApplication::setQuitOnLastWindowClosed(true);
    applyAppearance(application,
                    snapshotDirectory ? appearanceOption(arguments) : Appearance::system);

    BackendOptions backendChoice;
    BackendHandle backend;
    try {
        backendChoice = backendOptions(arguments);
        // A snapshot never looks at the user's Word: on the simulator it gets one of its own.
        if (snapshotDirectory && backendChoice.kind == BackendKind::sim &&
            !backendChoice.simulatorSocket)
            backendChoice.startPrivateSimulator = true;
        backend = openBackend(backendChoice);
    } catch (const std::exception& error) {
        std::cerr << "plumeo：" << error.what() << '\n';
        return exitStopped;
    }

    AppModelOptions modelOptions;
    modelOptions.backend = backend.backend;
    // Snapshots keep their settings in a scratch file: the user's are neither read nor changed.
    QTemporaryDir scratch;
    if (snapshotDirectory) {
        modelOptions.settings = std::make_unique<QSettings>(
            scratch.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        ui::setReduceMotionOverride(true);
    }
    AppModel model(std::move(modelOptions));

    ui::MainWindow window;
    ui::FloatingPanel panel;
    panel.setObjectName(QStringLiteral("hud"));
    ui::bindWindow(window, panel, model);
    window.show();
    desktop::neverRestore(window.winId());

    QStringList written;
    if (snapshotDirectory) {
        if (hasFlag(arguments, "--demo") || scene == "running" || scene == "paused")
            model.setArticle(demoArticle());
        model.setShowIntro(scene == "intro");
        const QString directory = QString::fromStdString(*snapshotDirectory);
        playSnapshotScene(scene, model, [directory, &written] {
            scheduleInterfaceSnapshot(directory, snapshotSettleMs, &written);
        });
    }
    const int status = QApplication::exec();
    for (const QString& path : written)
        std::cout << path.toStdString() << '\n';
    return status;
}

} // namespace plumeo::entry
