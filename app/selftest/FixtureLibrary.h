#pragma once

#include <string>

namespace plumeo::selftest {

/// The fixture handlers the self-test and the probes use, as AppleScript source.
const std::string& fixtureLibrary();

} // namespace plumeo::selftest
