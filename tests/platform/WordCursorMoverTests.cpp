#include "core/text/Utf16.h"
#include "platform/script/ScriptLibraries.h"
#include "platform/script/WordCursorMover.h"
#include "tests/platform/FakeBackend.h"

#include <gtest/gtest.h>

namespace plumeo {
namespace {

using testing::FakeBackend;
using testing::FakeCompiledScript;

class CursorMoverTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeBackend> backend = std::make_shared<FakeBackend>();
    WordCursorMover mover{backend};
};

TEST_F(CursorMoverTest, CompilesThePlaceCursorLibraryForEveryCall) {
    backend->setScriptHandler("placecursor", [](FakeCompiledScript&, const auto&) {
        return ScriptResult::success(ScriptDescriptor::makeInteger(1));
    });
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
