#pragma once

#include <string>
#include <vector>

namespace plumeo::entry {

/// The window application, or with "--ui-snapshot DIR" its snapshot mode: the window (and with
/// a running or paused scene the floating panel) drawn into PNG files, then exit. Snapshot mode
/// uses Qt's offscreen platform when there is no display, and settings of its own so that it
/// never touches the user's.
int runWindowApplication(int argc, char** argv, const std::vector<std::string>& arguments);

} // namespace plumeo::entry
