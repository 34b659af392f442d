#pragma once

// Which mode the process runs in, decided from its arguments alone.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo::entry {

/// The headless jobs, in the order their switches are tested.
enum class HeadlessJob {
    probe,
    selftest,
    cleanupTestDocs,
    probeBackground,
    probePages,
    probeEmoji,
    requestPermissions,
    status,
};

struct HeadlessSwitch {
    HeadlessJob job;
    std::string_view name;           ///< The switch as written, "--status".
    std::vector<std::string> values; ///< The directory last; "--selftest" has the suite first.

    const std::string& reportDirectory() const { return values.back(); }
};

/// The first headless switch of the table that is present. A switch counts as present at an
/// occurrence followed by all of its values; one whose values run past the last argument is
/// absent there, and the search goes on. Values are taken as they stand, even when they look
/// like switches.
std::optional<HeadlessSwitch> findHeadlessSwitch(const std::vector<std::string>& arguments);

/// The argument that follows the first occurrence of `name` that has one.
std::optional<std::string> optionValue(const std::vector<std::string>& arguments,
                                       std::string_view name);
bool hasFlag(const std::vector<std::string>& arguments, std::string_view name);

} // namespace plumeo::entry
