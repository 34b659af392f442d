#pragma once

#include <optional>

namespace plumeo::ui {

/// Whether animations should be left out. On by PLUMEO_REDUCE_MOTION=1, by the platform's
/// accessibility setting where Qt reports one (general UI effects switched off), and always in
/// interface-snapshot mode, where a half-run animation would make the images differ from run to
/// run.
bool reduceMotion();
/// Forces the answer (snapshot mode, tests); nullopt returns to the system's setting.
void setReduceMotionOverride(std::optional<bool> reduce);

} // namespace plumeo::ui
