#pragma once

#include "app/selftest/SelfTestHarness.h"

namespace plumeo::selftest {

/// The safety promises that do not depend on the user touching anything: a protected
/// document, a failed final read-back, Word's AutoCorrect, keys still in flight at a stop,
/// resuming after Word changed typed text, and Word quitting (S1–S5, Q1).
class SafetyScenarios {
public:
    explicit SafetyScenarios(SelfTestHarness& harness) : harness_(harness) {}

    void runProtectedDocument();    // S1
    void runFailedFinalRead();      // S2
    void runAutoCorrect();          // S3
    void runStopInFlight();         // S4
    void runResumeAfterWordEdits(); // S5
    void runWordQuits();            // Q1

private:
    SelfTestHarness& harness_;
};

} // namespace plumeo::selftest
