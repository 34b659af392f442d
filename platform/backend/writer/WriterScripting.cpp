#include "platform/backend/writer/WriterScripting.h"

#include "platform/backend/writer/WriterDocuments.h"

#include <algorithm>
#include <cctype>

namespace plumeo {

namespace {

using D = ScriptDescriptor;

// Word's AppleScript codes for the answers docstate gives.
constexpr std::uint32_t storyCodeBase = 0x02300000; ///< plus Word's WdStoryType number
constexpr std::uint32_t noProtection = 0x0279FFFF;
constexpr std::uint32_t allowOnlyFormFields = 0x02790002;
constexpr std::uint32_t allowOnlyReading = 0x02790003;

constexpr std::int32_t syntaxError = -2741;
constexpr std::int32_t notUnderstood = -1708;
constexpr std::int32_t wrongParameters = -1721;
constexpr std::int32_t notRunning = -600;
constexpr std::int32_t noSuchObject = -1728;

class WriterCompiledScript : public CompiledScript {
public:
    WriterCompiledScript(WriterLibrary library, std::vector<std::string> handlers)
        : library(library), handlers(std::move(handlers)) {}

    const WriterLibrary library;
    const std::vector<std::string> handlers; ///< lower case
};

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string identifierAt(std::string_view text) {
    std::size_t length = 0;
    while (length < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[length])) || text[length] == '_')) {
        ++length;
    }
    return lowered(text.substr(0, length));
}

/// The top-level handlers of an AppleScript source, or the syntax error that `on`/`end`
/// blocks that do not pair up would give.
struct HandlerScan {
    std::vector<std::string> handlers;
    std::optional<std::string> error;
};

HandlerScan scanHandlers(std::string_view source) {
    HandlerScan scan;
    std::string open;
    std::size_t position = 0;
    while (position < source.size()) {
        const std::size_t newline = std::min(source.find('\n', position), source.size());
        std::string_view line = source.substr(position, newline - position);
        position = newline + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        const std::string text = lowered(line);
        if (open.empty() && text.starts_with("on ")) {
            open = identifierAt(std::string_view(text).substr(3));
            if (open.empty() || text.find('(') == std::string::npos) {
                scan.error = "Expected function name but found “" + std::string(line) + "”.";
                return scan;
            }
            scan.handlers.push_back(open);
        } else if (!open.empty() && text.starts_with("end ") &&
                   identifierAt(std::string_view(text).substr(4)) == open) {
            open.clear();
        }
    }
    if (!open.empty()) {
        scan.error = "Expected “end” but found end of script.";
    }
    return scan;
}

bool declares(const std::vector<std::string>& handlers, std::string_view name) {
    return std::find(handlers.begin(), handlers.end(), name) != handlers.end();
}

WriterLibrary libraryFor(const std::vector<std::string>& handlers) {
    if (declares(handlers, "docstate")) {
        return WriterLibrary::word;
    }
    if (declares(handlers, "placecursor")) {
        return WriterLibrary::placeCursor;
    }
    if (declares(handlers, "newdoc")) {
        return WriterLibrary::fixtures;
    }
    if (declares(handlers, "rawall")) {
        return WriterLibrary::rawRead;
    }
    return WriterLibrary::unknown;
}

/// Handler name, library, and how many string and integer parameters it takes.
struct Shape {
    std::string_view name;
    WriterLibrary library;
    std::size_t strings;
    std::size_t ints;
};

constexpr Shape shapes[] = {
    {"docstate", WriterLibrary::word, 0, 0},
    {"readrange", WriterLibrary::word, 1, 2},
    {"readall", WriterLibrary::word, 1, 0},
    {"environment", WriterLibrary::word, 0, 0},
    {"autosettings", WriterLibrary::word, 0, 0},
    {"placecursor", WriterLibrary::placeCursor, 1, 1},
    {"newdoc", WriterLibrary::fixtures, 0, 0},
    {"closedoc", WriterLibrary::fixtures, 1, 0},
    {"listdocs", WriterLibrary::fixtures, 0, 0},
    {"activatedoc", WriterLibrary::fixtures, 1, 0},
    {"activateword", WriterLibrary::fixtures, 0, 0},
    {"setcursor", WriterLibrary::fixtures, 1, 1},
    {"protectdoc", WriterLibrary::fixtures, 1, 0},
    {"unprotectdoc", WriterLibrary::fixtures, 1, 0},
    {"setrevisions", WriterLibrary::fixtures, 1, 1},
    {"revcount", WriterLibrary::fixtures, 1, 0},
    {"showdialog", WriterLibrary::fixtures, 0, 1},
    {"unsaveddocs", WriterLibrary::fixtures, 0, 0},
    {"quitword", WriterLibrary::fixtures, 0, 0},
    {"rawall", WriterLibrary::rawRead, 1, 0},
    {"rawutf", WriterLibrary::rawRead, 1, 0},
    {"charcount", WriterLibrary::rawRead, 1, 0},
    {"charat", WriterLibrary::rawRead, 1, 1},
};

std::uint32_t storyCode(WriterStory story) {
    switch (story) {
    case WriterStory::body:
        return storyCodeBase + 1;
    case WriterStory::footnote:
        return storyCodeBase + 2;
    case WriterStory::endnote:
        return storyCodeBase + 3;
    case WriterStory::frame:
        return storyCodeBase + 5;
    case WriterStory::header:
        return storyCodeBase + 7;
    case WriterStory::footer:
        return storyCodeBase + 9;
    case WriterStory::other: // a table cell, a comment: no story Word's main-story test accepts
        break;
    }
    return storyCodeBase;
}

D nameList(const std::vector<WriterDocumentInfo>& documents, bool unsavedOnly) {
    std::vector<D> names;
    for (const auto& document : documents) {
        if (!unsavedOnly || document.path.empty()) {
            names.push_back(D::makeString(document.name));
        }
    }
    return D::makeList(std::move(names));
}

D integer(std::int64_t value) {
    return D::makeInteger(
        static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX)));
}

} // namespace

WriterScripting::WriterScripting(std::shared_ptr<WriterDocuments> documents)
    : documents_(std::move(documents)) {}

ScriptCompilation WriterScripting::compile(const std::string& source) const {
    ScriptCompilation compilation;
    const HandlerScan scan = scanHandlers(source);
    if (scan.error) {
        compilation.status = ScriptCompilation::Status::notCompiled;
        compilation.errorMessage = scan.error;
        compilation.errorNumber = syntaxError;
        return compilation;
    }
    compilation.status = ScriptCompilation::Status::compiled;
    compilation.script =
        std::make_unique<WriterCompiledScript>(libraryFor(scan.handlers), scan.handlers);
    return compilation;
}

WriterLibrary WriterScripting::libraryOf(const CompiledScript& script) {
    const auto* ours = dynamic_cast<const WriterCompiledScript*>(&script);
    return ours ? ours->library : WriterLibrary::unknown;
}

bool WriterScripting::waitsForUser(const CompiledScript& script, std::string_view handlerName) {
    return libraryOf(script) == WriterLibrary::fixtures && lowered(handlerName) == "showdialog";
}

ScriptResult WriterScripting::execute(CompiledScript& script, std::string_view handlerName,
                                      const std::vector<ScriptParameter>& parameters) const {
    const auto* compiled = dynamic_cast<const WriterCompiledScript*>(&script);
    const std::string handler = lowered(handlerName);
    const Shape* shape = nullptr;
    for (const auto& candidate : shapes) {
        if (candidate.name == handler && compiled && candidate.library == compiled->library) {
            shape = &candidate;
        }
    }
    if (!compiled || !declares(compiled->handlers, handler) || !shape) {
        return ScriptResult::failure(notUnderstood, "«script» doesn’t understand the “" +
                                                        std::string(handlerName) + "” message.");
    }
    std::vector<std::u16string> strings;
    std::vector<std::int32_t> ints;
    for (const auto& parameter : parameters) {
        if (const auto* text = std::get_if<std::u16string>(&parameter)) {
            strings.push_back(*text);
        } else {
            ints.push_back(std::get<std::int32_t>(parameter));
        }
    }
    if (strings.size() != shape->strings || ints.size() != shape->ints) {
        return ScriptResult::failure(wrongParameters, "Wrong number of parameters.");
    }
    WriterDocuments& documents = *documents_;
    // Like Word's libraries, no handler starts the office: they all fail while it is not
    // running, except quitting, which then has nothing to do.
    if (!documents.officeRunning()) {
        if (handler == "quitword") {
            return ScriptResult::success(D::makeNull());
        }
        return ScriptResult::failure(notRunning, "LibreOffice isn’t running.");
    }

    try {
        if (handler == "docstate") {
            const auto state = documents.frontState();
            if (!state) {
                return ScriptResult::success(D::makeList({D::makeInteger(0)}));
            }
            const std::uint32_t protection = state->readOnly             ? allowOnlyReading
                                             : state->inProtectedSection ? allowOnlyFormFields
                                                                         : noProtection;
            return ScriptResult::success(D::makeList({
                D::makeInteger(state->documentCount),
                D::makeString(state->document.name),
                D::makeString(state->document.path),
                integer(state->selectionStart),
                integer(state->selectionEnd),
                D::makeEnumeration(storyCode(state->story)),
                D::makeBoolean(state->trackChanges),
                D::makeEnumeration(protection),
            }));
        }
        if (handler == "readrange") {
            return ScriptResult::success(
                D::makeString(documents.storyRange(strings[0], ints[0], ints[1])));
        }
        if (handler == "readall" || handler == "rawall" || handler == "rawutf") {
            return ScriptResult::success(D::makeString(documents.storyText(strings[0])));
        }
        if (handler == "environment") {
            const auto open = documents.documents();
            return ScriptResult::success(D::makeList(
                {D::makeString(documents.version()),
                 integer(static_cast<std::int64_t>(open.size())), nameList(open, false)}));
        }
        if (handler == "autosettings") {
            const auto flags = documents.autoCorrect();
            std::vector<D> items;
            for (const bool on :
                 {flags.sentenceCaps, flags.initialCaps, flags.replacementTable, flags.smartQuotes,
                  flags.dashes, flags.ordinals, flags.fractions, flags.numberedLists,
                  flags.bulletedLists, flags.hyperlinks, flags.emphasis}) {
                items.push_back(D::makeBoolean(on));
            }
            return ScriptResult::success(D::makeList(std::move(items)));
        }
        if (handler == "placecursor") {
            const auto state = documents.frontState();
            // Only the document the caller bound to may be moved in, compared case by case.
            if (!state || state->document.key() != strings[0]) {
                return ScriptResult::success(D::makeInteger(-1));
            }
            return ScriptResult::success(integer(documents.placeCursor(ints[0])));
        }
        if (handler == "newdoc") {
            return ScriptResult::success(D::makeString(documents.newDocument()));
        }
        if (handler == "closedoc") {
            documents.closeDocument(strings[0]);
            return ScriptResult::success(D::makeNull());
        }
        if (handler == "listdocs" || handler == "unsaveddocs") {
            return ScriptResult::success(nameList(documents.documents(), handler == "unsaveddocs"));
        }
        if (handler == "activatedoc") {
            documents.activateDocument(strings[0]);
            return ScriptResult::success(D::makeNull());
        }
        if (handler == "activateword") {
            if (const auto state = documents.frontState()) {
                documents.activateDocument(state->document.key());
            }
            return ScriptResult::success(D::makeNull());
        }
        if (handler == "setcursor") {
            if (documents.frontState()) {
                documents.placeCursor(ints[0]);
            }
            return ScriptResult::success(D::makeNull());
        }
        if (handler == "protectdoc" || handler == "unprotectdoc") {
            documents.setReadOnly(strings[0], handler == "protectdoc");
            return ScriptResult::success(D::makeNull());
        }
        if (handler == "setrevisions") {
            documents.setTrackChanges(strings[0], ints[0] == 1);
            return ScriptResult::success(D::makeNull());
        }
        if (handler == "revcount") {
            return ScriptResult::success(integer(documents.changeCount(strings[0])));
        }
        if (handler == "showdialog") {
            return ScriptResult::success(
                D::makeString(documents.showDialog(u"Plumeo 自检：模拟对话框", ints[0])));
        }
        if (handler == "quitword") {
            documents.quitOffice();
            return ScriptResult::success(D::makeNull());
        }
        if (handler == "charcount") {
            return ScriptResult::success(
                integer(static_cast<std::int64_t>(documents.storyText(strings[0]).size())));
        }
        // charat: the idx-th UTF-16 unit of the story, 1-based, as Word's character objects.
        const std::u16string story = documents.storyText(strings[0]);
        if (ints[0] < 1 || static_cast<std::size_t>(ints[0]) > story.size()) {
            return ScriptResult::failure(noSuchObject,
                                         "LibreOffice got an error: Can’t get character " +
                                             std::to_string(ints[0]) + " of document.");
        }
        return ScriptResult::success(
            D::makeString(story.substr(static_cast<std::size_t>(ints[0] - 1), 1)));
    } catch (const WriterCallError& error) {
        return ScriptResult::failure(error.number(), error.what());
    }
}

} // namespace plumeo
