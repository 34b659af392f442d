#pragma once

#include "app/entry/SwitchTable.h"

namespace plumeo::entry {

/// Runs one headless job: a Qt event loop on the calling (main) thread, the job on a thread of
/// its own, and the process's exit status once the job has returned and the loop has ended.
int runHeadlessJob(const HeadlessSwitch& headless, int argc, char** argv);

} // namespace plumeo::entry
