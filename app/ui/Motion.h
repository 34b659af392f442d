#pragma once

#include <optional>

namespace plumeo::ui {

/// Whether animations should be left out: PLUMEO_REDUCE_MOTION=1 or 0 decides, else the
/// desktop's reduce-motion setting, else no. Always in interface-snapshot mode (through the
/// override), where a half-run animation would make the images differ from run to run.
bool reduceMotion();
/// Forces the answer (snapshot mode, tests); nullopt returns to the system's setting.
void setReduceMotionOverride(std::optional<bool> reduce);

} // namespace plumeo::ui
