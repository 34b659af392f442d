#pragma once

#include "app/selftest/Probes/ProbeKit.h"

namespace plumeo::selftest {

/// --probe: what Word, Accessibility and key delivery look like on this machine (probe.md).
/// Without Accessibility only the read-only checks run.
void runGeneralProbe(const ProbeOptions& options);

} // namespace plumeo::selftest
