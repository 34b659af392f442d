#include "app/selftest/WordFixtureDriver.h"

#include "app/selftest/FixtureLibrary.h"
#include "core/text/Utf16.h"

namespace plumeo::selftest {
namespace {

std::vector<std::string> names(const ScriptDescriptor& result) {
    std::vector<std::string> list;
    for (int index = 1; index <= result.numberOfItems(); ++index) {
        if (const auto item = result.item(index))
            list.push_back(toUtf8(item->stringValue().value_or(u"")));
    }
    return list;
}

} // namespace

WordFixtureDriver::WordFixtureDriver(std::shared_ptr<PlatformBackend> backend)
    : runner_(backend, fixtureLibrary(), "Plumeo.Fixture", ScriptInstancePolicy::freshPerCall),
      dialogRunner_(backend, fixtureLibrary(), "Plumeo.FixtureDialog",
                    ScriptInstancePolicy::freshPerCall) {}

ScriptDescriptor WordFixtureDriver::call(const std::string& handler,
                                         const std::vector<std::string>& strings,
                                         const std::vector<std::int64_t>& ints) {
    std::vector<std::u16string> texts;
    for (const std::string& text : strings)
        texts.push_back(toUtf16(text));
    return runner_.call(handler, texts, ints);
}

std::string WordFixtureDriver::newDocument() {
    return toUtf8(call("newdoc", {}).stringValue().value_or(u""));
}

void WordFixtureDriver::closeDocument(const std::string& name) {
    call("closedoc", {name});
}

std::vector<std::string> WordFixtureDriver::listDocuments() {
    return names(call("listdocs", {}));
}

void WordFixtureDriver::activateDocument(const std::string& name) {
    call("activatedoc", {name});
}

void WordFixtureDriver::activateWord() {
    call("activateword", {});
}

void WordFixtureDriver::setCursor(const std::string& name, int position) {
    call("setcursor", {name}, {position});
}

void WordFixtureDriver::protectDocument(const std::string& name) {
    call("protectdoc", {name});
}

void WordFixtureDriver::unprotectDocument(const std::string& name) {
    call("unprotectdoc", {name});
}

void WordFixtureDriver::setRevisions(const std::string& name, bool on) {
    call("setrevisions", {name}, {on ? 1 : 0});
}

int WordFixtureDriver::revisionCount(const std::string& name) {
    return call("revcount", {name}).int32Value().value_or(0);
}

std::string WordFixtureDriver::showDialog(int waitSeconds) {
    return toUtf8(
        dialogRunner_.call("showdialog", {}, {waitSeconds}).stringValue().value_or(u""));
}

std::vector<std::string> WordFixtureDriver::unsavedDocuments() {
    return names(call("unsaveddocs", {}));
}

void WordFixtureDriver::quitWord() {
    call("quitword", {});
}

} // namespace plumeo::selftest
