#include "platform/script/WordBridge.h"

#include "core/text/Utf16.h"
#include "platform/script/ScriptLibraries.h"

#include <array>

namespace plumeo {

namespace {

// Word's codes for the main text story and for an unprotected document.
constexpr std::uint32_t mainTextStory = 0x02300001;
constexpr std::uint32_t noProtection = 0x0279FFFF;

// The autosettings handler's items, in the order it returns them.
constexpr std::array<std::string_view, 11> autocorrectLabels = {
    "句首字母大写",       "前两个字母连续大写更正", "键入时自动替换（自动更正词条）",
    "直引号替换为弯引号", "符号替换（如 -- → —）",  "序号替换为上标",
    "分数替换为分数字符", "自动编号列表",           "自动项目符号列表",
    "网址替换为超链接",   "*粗体* 与 _斜体_ 替换",
};

std::string itemText(const ScriptDescriptor& list, int index) {
    auto item = list.item(index);
    if (!item) {
        return {};
    }
    return toUtf8(item->stringValue().value_or(u""));
}

DocState parseDocState(const ScriptDescriptor& result) {
    auto count = result.item(1);
    if (!count || count->int32Value().value_or(0) < 1) {
        throw ReadError::noDocument();
    }
    DocState state;
    state.documentName = itemText(result, 2);
    const std::string fullName = itemText(result, 3);
    auto integerItem = [&](int index) {
        auto item = result.item(index);
        return item ? item->int32Value().value_or(-1) : -1;
    };
    state.selectionStart = integerItem(4);
    state.selectionEnd = integerItem(5);
    auto story = result.item(6);
    state.inMainStory = story && story->enumCodeValue() == mainTextStory;
    auto revisions = result.item(7);
    state.trackRevisions = revisions && revisions->booleanValue().value_or(false);
    // A missing protection item counts as unprotected.
    auto protection = result.item(8);
    auto protectionCode = protection ? protection->enumCodeValue() : std::nullopt;
    state.isProtected = protectionCode && *protectionCode != noProtection;
    // A saved document is known by its path, a never-saved one by its name.
    state.documentID = fullName.empty() ? state.documentName : fullName;
    return state;
}

} // namespace

WordBridge::WordBridge(std::shared_ptr<PlatformBackend> backend)
    : runner_(std::move(backend), ScriptLibraries::wordHandlers(), "Plumeo.WordReader",
              ScriptInstancePolicy::reuseCompiled) {}

DocState WordBridge::state() {
    return parseDocState(call("docstate", {}, {}));
}

std::u16string WordBridge::read(int start, int end) {
    return call("readrange", {toUtf16(boundDocumentID())}, {start, end})
        .stringValue()
        .value_or(u"");
}

std::u16string WordBridge::readAll() {
    return call("readall", {toUtf16(boundDocumentID())}, {}).stringValue().value_or(u"");
}

WordBridge::Environment WordBridge::environment() {
    const ScriptDescriptor result = call("environment", {}, {});
    Environment environment;
    environment.wordVersion = itemText(result, 1);
    if (auto count = result.item(2)) {
        environment.documentCount = count->int32Value().value_or(0);
    }
    if (auto names = result.item(3)) {
        for (int i = 1; i <= names->numberOfItems(); ++i) {
            environment.documentNames.push_back(itemText(*names, i));
        }
    }
    return environment;
}

std::vector<std::pair<std::string, bool>> WordBridge::autocorrectSettings() {
    const ScriptDescriptor result = call("autosettings", {}, {});
    std::vector<std::pair<std::string, bool>> settings;
    for (std::size_t i = 0; i < autocorrectLabels.size(); ++i) {
        if (auto item = result.item(static_cast<int>(i) + 1)) {
            settings.emplace_back(autocorrectLabels[i], item->booleanValue().value_or(false));
        }
    }
    return settings;
}

std::string WordBridge::boundDocumentID() const {
    std::lock_guard lock(boundDocumentMutex_);
    return boundDocumentID_;
}

void WordBridge::setBoundDocumentID(std::string documentID) {
    std::lock_guard lock(boundDocumentMutex_);
    boundDocumentID_ = std::move(documentID);
}

bool WordBridge::isWordRunning(PlatformBackend& backend) {
    return !backend.runningApplications(bundleID).empty();
}

std::optional<RunningApp> WordBridge::runningWord(PlatformBackend& backend) {
    auto apps = backend.runningApplications(bundleID);
    if (apps.empty()) {
        return std::nullopt;
    }
    return apps.front();
}

ReadError WordBridge::map(const ScriptError& error) {
    // A library that does not compile keeps the compiler's number (-1 without one).
    if (error.kind() == ScriptError::Kind::compile) {
        return ReadError::failed(error.code(), error.description());
    }
    switch (error.code()) {
    case -1712: // the Apple event timed out
        return ReadError::timeout();
    case -1743: // not permitted
    case -1744: // would need the user's consent
        return ReadError::notAuthorized();
    case -600: // process not found
    case -609: // connection invalid
    case -903: // no port
        return ReadError::wordNotRunning();
    default:
        return ReadError::failed(error.code(), error.message());
    }
}

ScriptDescriptor WordBridge::call(std::string_view handler,
                                  const std::vector<std::u16string>& strings,
                                  const std::vector<std::int64_t>& ints) {
    try {
        return runner_.call(handler, strings, ints);
    } catch (const ScriptError& error) {
        throw map(error);
    }
}

} // namespace plumeo
