#include "app/selftest/TestDocumentCleanup.h"

#include "app/selftest/Probes/ProbeKit.h"

namespace plumeo::selftest {
namespace {

// Only the fixtures put these into a document.
const char16_t* const fixtureMarks[] = {u"【既有内容·前】", u"跨页测试的合成文本"};

bool holdsFixtureText(const std::u16string& text) {
    for (const char16_t* mark : fixtureMarks) {
        if (text.find(mark) != std::u16string::npos)
            return true;
    }
    return false;
}

} // namespace

int cleanUpTestDocuments(const std::shared_ptr<PlatformBackend>& backend,
                         const std::filesystem::path& directory) {
    SelfTestOutput out(directory, "cleanup.md");
    out.line("# 清理遗留自检文档 " + isoTimestampNow());
    WordFixtureDriver fixture(backend);
    std::vector<std::string> unsaved;
    try {
        unsaved = fixture.unsavedDocuments();
    } catch (...) {
        out.line("无法列出未保存的文档：" + failureText());
        return 0;
    }
    int closed = 0;
    for (const std::string& name : unsaved) {
        WordBridge reader(backend);
        reader.setBoundDocumentID(name);
        try {
            if (!holdsFixtureText(reader.readAll()))
                continue;
            fixture.closeDocument(name);
            out.line("- " + name);
            ++closed;
        } catch (...) {
            out.line("- " + name + "：未能关闭（" + failureText() + "）");
        }
    }
    out.line("");
    out.line("已关闭 " + std::to_string(closed) + " 个自检文档；其余 " +
             std::to_string(unsaved.size() - static_cast<std::size_t>(closed)) +
             " 个未保存的文档不是自检文档，未改动。");
    return closed;
}

} // namespace plumeo::selftest
