#include "app/ui/Motion.h"

#include "app/desktop/DesktopIntegration.h"

#include <QByteArray>

namespace plumeo::ui {
namespace {

std::optional<bool> overrideValue;

} // namespace

bool reduceMotion() {
    if (overrideValue)
        return *overrideValue;
    const QByteArray forced = qgetenv("PLUMEO_REDUCE_MOTION");
    if (forced == "1" || forced == "0")
        return forced == "1";
    // Asked each time an animation would start: the user may change it while we run.
    return desktop::systemReducesMotion().value_or(false);
}

void setReduceMotionOverride(std::optional<bool> reduce) {
    overrideValue = reduce;
}

} // namespace plumeo::ui
