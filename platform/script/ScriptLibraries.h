#pragma once

#include <string>

namespace plumeo::ScriptLibraries {

// The AppleScript handler libraries, built into the program from the .applescript files next
// to this header. Backends without AppleScript run equivalents of the same handlers.

/// Word's reading handlers: docstate, readrange, readall, environment, autosettings.
const std::string& wordHandlers();
/// The cursor mover's one handler: placecursor(docName, newPos).
const std::string& placeCursor();

} // namespace plumeo::ScriptLibraries
