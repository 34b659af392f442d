#include "app/ui/Motion.h"

#include <QApplication>
#include <QByteArray>

namespace plumeo::ui {
namespace {

std::optional<bool> overrideValue;

} // namespace

bool reduceMotion() {
    if (overrideValue)
        return *overrideValue;
    if (qgetenv("PLUMEO_REDUCE_MOTION") == "1")
        return true;
    // Desktops that expose an "animations off" setting reach Qt as disabled UI effects.
    return qApp != nullptr && !QApplication::isEffectEnabled(Qt::UI_General) &&
           qgetenv("PLUMEO_REDUCE_MOTION") != "0";
}

void setReduceMotionOverride(std::optional<bool> reduce) {
    overrideValue = reduce;
}

} // namespace plumeo::ui
