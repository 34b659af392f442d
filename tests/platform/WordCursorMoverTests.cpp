#include "core/text/Utf16.h"
#include "platform/script/ScriptLibraries.h"
#include "platform/script/WordCursorMover.h"
#include "tests/platform/FakeBackend.h"

#include <gtest/gtest.h>

namespace plumeo {
namespace {

using testing::FakeBackend;
using testing::FakeCompiledScript;

// Word with one active document and a selection, answering placecursor as the handler does.
class CursorMoverTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeBackend> backend = std::make_shared<FakeBackend>();
    WordCursorMover mover{backend};
    std::u16string activeDocument = u"报告.docx";
    int selectionStart = 3;
    int selectionEnd = 8;

    void SetUp() override {
        backend->setScriptHandler(
            "placecursor", [this](FakeCompiledScript&, const auto& parameters) {
                if (std::get<std::u16string>(parameters.at(0)) != activeDocument) {
                    return ScriptResult::success(ScriptDescriptor::makeInteger(-1));
                }
                selectionStart = selectionEnd = std::get<std::int32_t>(parameters.at(1));
                return ScriptResult::success(ScriptDescriptor::makeInteger(selectionStart));
            });
    }
};

TEST_F(CursorMoverTest, MovesOnlyInTheActiveDocument) {
    EXPECT_EQ(mover.moveInsertionPoint("报告.docx", 12), 12);
    EXPECT_EQ(selectionStart, 12);
    EXPECT_EQ(selectionEnd, 12);

    EXPECT_EQ(mover.moveInsertionPoint("其他.docx", 2), -1);
    EXPECT_EQ(selectionStart, 12) << "another document's name leaves the selection alone";
}

TEST_F(CursorMoverTest, CompilesThePlaceCursorLibraryForEveryCall) {
    mover.moveInsertionPoint("报告.docx", 1);
    mover.moveInsertionPoint("报告.docx", 2);
    EXPECT_EQ(backend->compiledSources(),
              std::vector<std::string>(2, ScriptLibraries::placeCursor()));
}

TEST_F(CursorMoverTest, FailuresAreReadErrorsAndAnswersWithoutPositionMoveNothing) {
    backend->setScriptHandler("placecursor", [](FakeCompiledScript&, const auto&) {
        return ScriptResult::failure(-1712, "AppleEvent timed out.");
    });
    try {
        mover.moveInsertionPoint("报告.docx", 1);
        ADD_FAILURE() << "no error";
    } catch (const ReadError& error) {
        EXPECT_EQ(error.kind(), ReadError::Kind::timeout);
    }

    backend->setScriptHandler("placecursor", [](FakeCompiledScript&, const auto&) {
        return ScriptResult::success(ScriptDescriptor::makeNull());
    });
    EXPECT_EQ(mover.moveInsertionPoint("报告.docx", 1), -1);
}

} // namespace
} // namespace plumeo
