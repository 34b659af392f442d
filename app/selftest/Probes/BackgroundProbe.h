#pragma once

#include "app/selftest/Probes/ProbeKit.h"

namespace plumeo::selftest {

/// --probe-background: whether keys sent to Word's process land while another window of
/// ours is in front, and whether any leak into it (probe-background.md).
void runBackgroundProbe(const ProbeOptions& options);

} // namespace plumeo::selftest
