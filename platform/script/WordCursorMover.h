#pragma once

#include "core/engine/ReadError.h"
#include "platform/backend/PlatformBackend.h"
#include "platform/script/ScriptRunner.h"

#include <memory>
#include <string>

namespace plumeo {

/// Places Word's insertion point by script, for continuing from a given offset. Runs on its
/// own runner thread "Plumeo.CursorMover" with a freshly compiled script for every call.
class WordCursorMover {
public:
    explicit WordCursorMover(std::shared_ptr<PlatformBackend> backend);

    /// Collapses the selection of the document `documentID` names (as DocState::documentID
    /// does: its POSIX path, or a never-saved document's name) to `offset` and returns the new
    /// selection start, or -1 when that document is not Word's active one (then nothing
    /// moved). Throws ReadError.
    int moveInsertionPoint(const std::string& documentID, int offset);

private:
    ScriptRunner runner_;
};

} // namespace plumeo
