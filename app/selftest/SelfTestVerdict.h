#pragma once

#include "app/selftest/TestResult.h"

#include <string>
#include <vector>

namespace plumeo::selftest {

/// A scenario that may end "未执行" in a run that still counts as passed: only for the reason
/// the scenario itself names when its environment cannot exercise it.
struct NotRunRule {
    std::string id;
    /// A text the result's details must contain.
    std::string reason;
};

/// The scenarios' own rules: C1 without a Chinese input method, I6 when the click point is not
/// Word's body, Q1 while documents other than the self-test's are open.
const std::vector<NotRunRule>& notRunRules();

/// What makes a run's results unacceptable, one line each: a failed scenario, a "未执行" that no
/// rule allows, or a run that recorded nothing at all. Empty when the run passes.
std::vector<std::string> resultProblems(const std::vector<TestResult>& results);

/// What makes a probe report incomplete: no test document, a refused keystroke, or a report
/// that stops before its closing line. Empty when the report is whole.
std::vector<std::string> probeReportProblems(const std::string& report);

} // namespace plumeo::selftest
