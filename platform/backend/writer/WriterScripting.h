#pragma once

#include "platform/backend/PlatformBackend.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo {

class WriterDocuments;

/// Plumeo's handler libraries, told apart by the handlers they declare.
enum class WriterLibrary {
    word,        ///< docstate, readrange, readall, environment, autosettings
    placeCursor, ///< placecursor
    fixtures,    ///< the self-test's newdoc, closedoc, …
    rawRead,     ///< the probes' rawall, rawutf, charcount, charat
    unknown,     ///< none of ours: every handler is "not understood"
};

/// Answers the handler libraries written for Word through Writer's document model: the same
/// handler names, parameters, result shapes and error numbers, so the bridge, the cursor
/// mover, the self-test and the probes run unchanged. This is what the Writer backend's
/// compileScript and executeHandler forward to.
class WriterScripting {
public:
    explicit WriterScripting(std::shared_ptr<WriterDocuments> documents);

    /// "Compiles" a library: finds its top-level handlers and which library it is. A source
    /// whose `on`/`end` blocks do not match fails with AppleScript's syntax error number.
    ScriptCompilation compile(const std::string& source) const;
    /// Which library a script compiled here is; unknown for any other script.
    static WriterLibrary libraryOf(const CompiledScript& script);
    /// Whether the handler shows a dialog and waits for its answer (the fixtures' showdialog).
    static bool waitsForUser(const CompiledScript& script, std::string_view handlerName);
    /// Runs one handler of a script compiled here. Handler names are matched in any case.
    ScriptResult execute(CompiledScript& script, std::string_view handlerName,
                         const std::vector<ScriptParameter>& parameters) const;

private:
    std::shared_ptr<WriterDocuments> documents_;
};

} // namespace plumeo
