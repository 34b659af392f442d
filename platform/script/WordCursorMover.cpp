#include "platform/script/WordCursorMover.h"

#include "core/text/Utf16.h"
#include "platform/script/ScriptLibraries.h"
#include "platform/script/WordBridge.h"

namespace plumeo {

WordCursorMover::WordCursorMover(std::shared_ptr<PlatformBackend> backend)
    : runner_(std::move(backend), ScriptLibraries::placeCursor(), "Plumeo.CursorMover",
              ScriptInstancePolicy::freshPerCall) {}

int WordCursorMover::moveInsertionPoint(const std::string& documentID, int offset) {
    try {
        const ScriptDescriptor result =
            runner_.call("placecursor", {toUtf16(documentID)}, {offset});
        // An answer without a position cannot confirm a move, so it reads as "not moved".
        return result.int32Value().value_or(-1);
    } catch (const ScriptError& error) {
        throw WordBridge::map(error);
    }
}

} // namespace plumeo
