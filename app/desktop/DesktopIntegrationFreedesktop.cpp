#include "app/desktop/DesktopIntegration.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace plumeo::desktop {
namespace {

/// The user's configuration file `name` (XDG_CONFIG_HOME, else ~/.config), read as INI.
std::optional<QVariant> configValue(const QString& name, const QString& key) {
    const QString path =
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(name);
    if (!QFile::exists(path))
        return std::nullopt;
    const QVariant value = QSettings(path, QSettings::IniFormat).value(key);
    if (!value.isValid())
        return std::nullopt;
    return value;
}

} // namespace

// The window manager decides about spaces and restoration here; nothing to ask of it.
void keepOnEverySpace(NativeView) {}
void neverRestore(NativeView) {}
void disableWindowRestoration() {}
void runWithoutDockIcon() {}

std::optional<bool> systemReducesMotion() {
    // KDE scales every animation by this factor; 0 switches them off.
    if (const auto factor = configValue(QStringLiteral("kdeglobals"),
                                        QStringLiteral("KDE/AnimationDurationFactor")))
        return factor->toDouble() == 0;
    // GTK's switch, which GNOME's "reduce animation" writes for GTK 3 applications.
    if (const auto animations = configValue(QStringLiteral("gtk-3.0/settings.ini"),
                                            QStringLiteral("Settings/gtk-enable-animations"))) {
        const QString text = animations->toString().trimmed().toLower();
        return text == QStringLiteral("false") || text == QStringLiteral("0");
    }
    return std::nullopt;
}

} // namespace plumeo::desktop
