#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo::sim {

/// What the simulator learns from a handler library's source. It does not interpret
/// AppleScript: it finds the top-level `on name(...)` ... `end name` blocks and answers each
/// known handler name with its own model of Word.
struct LibraryScan {
    bool compiled = false;
    std::vector<std::string> handlers;         ///< lower case, in source order
    std::string errorMessage;                  ///< when not compiled
    std::map<std::string, std::string> bodies; ///< lower case, by handler

    bool declares(std::string_view handler) const;
    /// Whether the handler makes sure Word runs before it talks to Word (an `is running` test
    /// in its body, or in a handler it calls with `my`), so that it never starts Word.
    bool checksWordRunning(std::string_view handler) const;
};

LibraryScan scanLibrary(std::string_view source);

/// The time limit Word's handler runs under (its `with timeout` block, or AppleScript's
/// default of two minutes), in seconds.
double handlerTimeLimitSeconds(std::string_view handler);

} // namespace plumeo::sim
