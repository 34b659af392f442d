#include "sim/model/WordScripts.h"

#include "core/text/Utf16.h"
#include "sim/model/SimDesktop.h"
#include "sim/model/SimWord.h"
#include "sim/model/SimWorld.h"

#include <algorithm>
#include <cctype>

namespace plumeo::sim {

namespace {

constexpr const char* dialogTitle = "Plumeo 自检：模拟对话框";

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

WordScripts::WordScripts(const SimConfig& config, SimDesktop& desktop, SimWord& word,
                         SimWorld& world)
    : config_(config), desktop_(desktop), word_(word), world_(world) {}

int WordScripts::automationStatus() const {
    if (!desktop_.wordPid()) {
        return -600;
    }
    return desktop_.permissions().automation;
}

std::u16string WordScripts::scriptText(std::u16string_view text) const {
    // Word's script interface keeps every length but loses characters beyond the BMP.
    std::u16string out(text);
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (isHighSurrogate(out[i]) && isLowSurrogate(out[i + 1])) {
            out[i] = u'1';
            out[i + 1] = u'2';
            ++i;
        }
    }
    return out;
}

ScriptOutcome WordScripts::runHandler(std::string_view handler,
                                      const std::vector<std::u16string>& strings,
                                      const std::vector<std::int64_t>& ints,
                                      bool checksWordRunning) {
    // A tell block addressed to Word starts it; only a handler that looks first does not.
    if (!desktop_.wordPid() && config_.scriptsLaunchWord && !checksWordRunning) {
        world_.launchWord();
    }
    if (!desktop_.wordPid()) {
        return ScriptOutcome::failure(-600, "Application isn’t running.");
    }
    if (desktop_.permissions().automation == -1743) {
        return ScriptOutcome::failure(-1743,
                                      "Not authorized to send Apple events to Microsoft Word.");
    }
    if (desktop_.permissions().automation == -1744) {
        return ScriptOutcome::failure(
            -1744, "Sending Apple events to Microsoft Word requires the user’s consent.");
    }
    if (word_.modalDialogOpen()) {
        ScriptOutcome busy;
        busy.wordBusy = true;
        return busy;
    }
    ScriptOutcome failure;
    auto value = wordHandler(lowered(handler), strings, ints, failure);
    if (!value) {
        return failure;
    }
    if (failure.waitingForDialog) {
        return failure;
    }
    return ScriptOutcome::success(std::move(*value));
}

std::optional<ScriptValue> WordScripts::wordHandler(std::string_view handler,
                                                    const std::vector<std::u16string>& strings,
                                                    const std::vector<std::int64_t>& ints,
                                                    ScriptOutcome& failure) {
    struct Shape {
        std::string_view name;
        std::size_t strings;
        std::size_t ints;
    };
    static constexpr Shape shapes[] = {
        {"docstate", 0, 0},    {"readrange", 1, 2},    {"readall", 1, 0},
        {"environment", 0, 0}, {"autosettings", 0, 0}, {"placecursor", 1, 1},
        {"newdoc", 0, 0},      {"closedoc", 1, 0},     {"listdocs", 0, 0},
        {"activatedoc", 1, 0}, {"activateword", 0, 0}, {"setcursor", 1, 1},
        {"protectdoc", 1, 0},  {"unprotectdoc", 1, 0}, {"setrevisions", 1, 1},
        {"revcount", 1, 0},    {"showdialog", 0, 1},   {"unsaveddocs", 0, 0},
        {"quitword", 0, 0},    {"rawall", 1, 0},       {"rawutf", 1, 0},
        {"charcount", 1, 0},   {"charat", 1, 1},
    };
    const Shape* shape = nullptr;
    for (const auto& candidate : shapes) {
        shape = candidate.name == handler ? &candidate : shape;
    }
    if (!shape) {
        failure = ScriptOutcome::failure(-1708, "«script» doesn’t understand the “" +
                                                    std::string(handler) + "” message.");
        return std::nullopt;
    }
    if (strings.size() + ints.size() != shape->strings + shape->ints ||
        strings.size() != shape->strings) {
        failure = ScriptOutcome::failure(-1721, "Wrong number of parameters.");
        return std::nullopt;
    }

    auto namedEntry = [&](bool emptyMeansActive) -> DocEntry* {
        const std::string name = toUtf8(strings.at(0));
        DocEntry* doc = (emptyMeansActive && name.empty()) ? word_.frontEntry() : word_.entry(name);
        if (!doc) {
            failure = ScriptOutcome::failure(
                -1728, "Microsoft Word got an error: Can’t get document \"" + name + "\".");
        }
        return doc;
    };
    auto names = [](const std::vector<std::string>& list) {
        std::vector<ScriptValue> items;
        for (const auto& name : list) {
            items.push_back(ScriptValue::string(toUtf16(name)));
        }
        return ScriptValue::list(std::move(items));
    };
    const ScriptValue nothing;

    if (handler == "docstate") {
        DocEntry* front = word_.frontEntry();
        if (!front) {
            return ScriptValue::list({ScriptValue::integer(0)});
        }
        const WordDocument& doc = front->doc;
        return ScriptValue::list({
            ScriptValue::integer(static_cast<std::int64_t>(word_.documents().size())),
            ScriptValue::string(toUtf16(doc.name())),
            ScriptValue::string(toUtf16(doc.posixPath())),
            ScriptValue::integer(doc.selectionStart()),
            ScriptValue::integer(doc.selectionEnd()),
            ScriptValue::enumeration(doc.storyType()),
            ScriptValue::boolean(doc.trackRevisions()),
            ScriptValue::enumeration(doc.protection()),
        });
    }
    if (handler == "readrange" || handler == "readall") {
        DocEntry* doc = namedEntry(true);
        if (!doc) {
            return std::nullopt;
        }
        const auto& story = doc->doc.story();
        if (handler == "readall") {
            return ScriptValue::string(scriptText(story));
        }
        const auto length = static_cast<std::int64_t>(story.size());
        const auto start = std::clamp<std::int64_t>(ints[0], 0, length);
        const auto end = std::clamp<std::int64_t>(ints[1], start, length);
        return ScriptValue::string(scriptText(story.substr(start, end - start)));
    }
    if (handler == "environment") {
        return ScriptValue::list({ScriptValue::string(u"16.89"),
                                  ScriptValue::integer(static_cast<int>(word_.documents().size())),
                                  names(word_.documentNames())});
    }
    if (handler == "autosettings") {
        std::vector<ScriptValue> flags;
        for (const auto& [name, on] : word_.autoCorrect().named()) {
            flags.push_back(ScriptValue::boolean(on));
        }
        return ScriptValue::list(std::move(flags));
    }
    if (handler == "placecursor") {
        DocEntry* front = word_.frontEntry();
        if (!front || toUtf16(front->doc.name()) != strings[0]) {
            return ScriptValue::integer(-1);
        }
        front->doc.setSelection(static_cast<int>(ints[0]), static_cast<int>(ints[0]));
        return ScriptValue::integer(front->doc.selectionStart());
    }
    if (handler == "newdoc") {
        desktop_.setFrontmost(*desktop_.wordPid());
        return ScriptValue::string(toUtf16(word_.newDocument().value_or("")));
    }
    if (handler == "closedoc") {
        DocEntry* doc = namedEntry(false);
        if (!doc) {
            return std::nullopt;
        }
        word_.closeDocument(doc->doc.name());
        return nothing;
    }
    if (handler == "listdocs") {
        return names(word_.documentNames());
    }
    if (handler == "activatedoc") {
        DocEntry* doc = namedEntry(false);
        if (!doc) {
            return std::nullopt;
        }
        desktop_.setFrontmost(*desktop_.wordPid());
        word_.activateDocument(doc->doc.name());
        return nothing;
    }
    if (handler == "activateword") {
        desktop_.setFrontmost(*desktop_.wordPid());
        return nothing;
    }
    if (handler == "setcursor") {
        if (DocEntry* front = word_.frontEntry()) {
            front->doc.setSelection(static_cast<int>(ints[0]), static_cast<int>(ints[0]));
        }
        return nothing;
    }
    if (handler == "protectdoc" || handler == "unprotectdoc" || handler == "setrevisions" ||
        handler == "revcount" || handler == "rawall" || handler == "rawutf" ||
        handler == "charcount" || handler == "charat") {
        DocEntry* doc = namedEntry(false);
        if (!doc) {
            return std::nullopt;
        }
        WordDocument& target = doc->doc;
        if (handler == "protectdoc" || handler == "unprotectdoc") {
            target.setProtection(handler == "protectdoc" ? allowOnlyReading : noProtection);
            return nothing;
        }
        if (handler == "setrevisions") {
            target.setTrackRevisions(ints[0] == 1);
            return nothing;
        }
        if (handler == "revcount") {
            return ScriptValue::integer(target.revisionCount());
        }
        if (handler == "charcount") {
            return ScriptValue::integer(target.storyLength());
        }
        const std::u16string text = scriptText(target.story());
        if (handler == "charat") {
            if (ints[0] < 1 || ints[0] > static_cast<std::int64_t>(text.size())) {
                failure = ScriptOutcome::failure(
                    -1728, "Microsoft Word got an error: Can’t get character " +
                               std::to_string(ints[0]) + " of document.");
                return std::nullopt;
            }
            return ScriptValue::string(text.substr(static_cast<std::size_t>(ints[0] - 1), 1));
        }
        return ScriptValue::string(text);
    }
    if (handler == "showdialog") {
        const double giveUp = static_cast<double>(std::max<std::int64_t>(ints[0], 0));
        failure.waitingForDialog = word_.openDialog(dialogTitle, giveUp * config_.scriptTimeScale);
        return nothing;
    }
    if (handler == "unsaveddocs") {
        std::vector<std::string> unsaved;
        for (const auto& doc : word_.documents()) {
            if (doc->doc.posixPath().empty()) {
                unsaved.push_back(doc->doc.name());
            }
        }
        return names(unsaved);
    }
    // quitword
    world_.quitWord();
    return nothing;
}

} // namespace plumeo::sim
