#pragma once

#include "app/selftest/Probes/ProbeKit.h"

namespace plumeo::selftest {

/// --probe-emoji: whether Word's focused element keeps its identity while emoji are typed, and
/// how emoji come back through the script interface and Accessibility (probe-emoji.md).
void runEmojiProbe(const ProbeOptions& options);

} // namespace plumeo::selftest
