#pragma once

#include "app/selftest/SelfTestHarness.h"

namespace plumeo::selftest {

/// U1: the whole flow as the window drives it, through the application model: detect the
/// target, confirm it, count down, type, stop on an outside dialog, continue with the
/// interface's continue action, and read back.
class InterfaceScenario {
public:
    explicit InterfaceScenario(SelfTestHarness& harness) : harness_(harness) {}
    void run();

private:
    SelfTestHarness& harness_;
};

} // namespace plumeo::selftest
