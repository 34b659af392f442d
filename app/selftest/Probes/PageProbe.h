#pragma once

#include "app/selftest/Probes/ProbeKit.h"

namespace plumeo::selftest {

/// --probe-pages: what happens to Word's focused element while typing runs over several pages
/// (probe-pages.md).
void runPageProbe(const ProbeOptions& options);

} // namespace plumeo::selftest
