// --cleanup-test-docs closes documents without saving: it must never take a user's work with it.

#include "app/selftest/TestDocumentCleanup.h"
#include "platform/backend/sim/SimBackend.h"
#include "tests/support/SimulatorFixture.h"

#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <set>

namespace plumeo::selftest {
namespace {

class TestDocumentCleanupTest : public testing::SimulatorFixture {
protected:
    std::set<std::string> openDocuments() {
        std::set<std::string> names;
        const nlohmann::json state = control().dump();
        for (const auto& document : state["word"]["documents"])
            names.insert(document["name"].get<std::string>());
        return names;
    }
};

TEST_F(TestDocumentCleanupTest, ClosesOnlyNeverSavedDocumentsHoldingFixtureText) {
    const std::string draft = control().newDocument();
    control().setDocumentText(draft, u"我的草稿：跨页测试还没写", 0);
    const std::string leftover = control().newDocument();
    control().setDocumentText(leftover, u"【既有内容·前】这一段在开始前就存在，必须保持完整。", 0);
    const std::string pages = control().newDocument();
    control().setDocumentText(pages, u"第1行：用于跨页测试的合成文本，包含中文与 English words。", 0);
    // Saved, it is the user's file now, whatever it holds.
    const std::string saved = control().newDocument();
    control().setDocumentText(saved, u"【既有内容·前】留作参考", 0);
    QTemporaryDir directory;
    control().saveDocumentAs(saved, directory.filePath("kept.docx").toStdString());
    const std::string kept = "kept.docx";

    const auto backend = std::make_shared<SimBackend>(simulator().socketPath());
    EXPECT_EQ(cleanUpTestDocuments(backend, directory.path().toStdString()), 2);

    const std::set<std::string> open = openDocuments();
    EXPECT_TRUE(open.count(draft) && open.count(kept) && !open.count(leftover) && !open.count(pages));
    std::ifstream in(directory.filePath("cleanup.md").toStdString());
    const std::string report{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(report.find("\n- " + leftover + "\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\n- " + pages + "\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("- " + draft), std::string::npos) << report;
}

} // namespace
} // namespace plumeo::selftest
