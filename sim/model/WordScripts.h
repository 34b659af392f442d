#pragma once

#include "sim/model/SimTypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace plumeo::sim {

class SimDesktop;
class SimWord;
class SimWorld;

/// Word's answers to the handlers of our script libraries.
class WordScripts {
public:
    WordScripts(const SimConfig& config, SimDesktop& desktop, SimWord& word, SimWorld& world);

    /// `checksWordRunning`: the handler makes sure Word runs first; one that does not starts
    /// Word when the simulator is told to behave like AppleScript's tell.
    ScriptOutcome runHandler(std::string_view handler, const std::vector<std::u16string>& strings,
                             const std::vector<std::int64_t>& ints, bool checksWordRunning);
    int automationStatus() const;

private:
    std::optional<ScriptValue> wordHandler(std::string_view handler,
                                           const std::vector<std::u16string>& strings,
                                           const std::vector<std::int64_t>& ints,
                                           ScriptOutcome& failure);
    std::u16string scriptText(std::u16string_view text) const;

    const SimConfig& config_;
    SimDesktop& desktop_;
    SimWord& word_;
    SimWorld& world_; ///< for quitting Word, which ends more than its windows
};

} // namespace plumeo::sim
