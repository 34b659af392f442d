#include "platform/script/ScriptLibraries.h"
#include "platform/script/WordBridge.h"
#include "tests/platform/FakeBackend.h"

#include <gtest/gtest.h>

namespace plumeo {

// Readable failure output.
static void PrintTo(const ReadError& error, std::ostream* out) {
    *out << error.description();
}

namespace {

using testing::FakeBackend;
using testing::FakeCompiledScript;
using D = ScriptDescriptor;

constexpr std::uint32_t footnotesStory = 0x02300002;
constexpr std::uint32_t readOnlyProtection = 0x02790003;

class WordBridgeTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeBackend> backend = std::make_shared<FakeBackend>();
    WordBridge bridge{backend};

    void answer(const std::string& handler, ScriptResult result) {
        backend->setScriptHandler(handler,
                                  [result](FakeCompiledScript&, const auto&) { return result; });
    }
    void answer(const std::string& handler, D descriptor) {
        answer(handler, ScriptResult::success(std::move(descriptor)));
    }

    ReadError stateError() {
        try {
            bridge.state();
        } catch (const ReadError& error) {
            return error;
        }
        ADD_FAILURE() << "state() did not throw";
        return ReadError::failed(0, "none");
    }
};

TEST_F(WordBridgeTest, NoUsableDocumentCountIsNoDocument) {
    for (const D& result :
         {D::makeList({D::makeInteger(0)}), D::makeList({}), D::makeNull(), D::makeString(u"1"),
          D::makeList({D::makeString(u"1"), D::makeString(u"doc")}),
          D::makeList({D::makeInteger(-3)})}) {
        answer("docstate", result);
        EXPECT_EQ(stateError(), ReadError::noDocument());
    }
}

TEST_F(WordBridgeTest, MissingItemsTakeTheirDefaults) {
    answer("docstate", D::makeList({D::makeInteger(1)}));
    DocState expected;
    expected.selectionStart = -1;
    expected.selectionEnd = -1;
    EXPECT_EQ(bridge.state(), expected);

    // Wrong types read like missing items: in particular a protection that is not a code
    // leaves the document unprotected.
    answer("docstate",
           D::makeList({D::makeInteger(1), D::makeInteger(4), D::makeInteger(4),
                        D::makeString(u"4"), D::makeBoolean(true), D::makeString(u"main"),
                        D::makeInteger(1), D::makeString(u"none")}));
    EXPECT_EQ(bridge.state(), expected);
}

// The simulator's Word answers main story, unprotected and no revisions; these are the others.
TEST_F(WordBridgeTest, StoryProtectionAndRevisionCodes) {
    answer("docstate",
           D::makeList({D::makeInteger(1), D::makeString(u"d"), D::makeString(u""),
                        D::makeInteger(5), D::makeInteger(9), D::makeEnumeration(footnotesStory),
                        D::makeBoolean(true), D::makeEnumeration(readOnlyProtection)}));
    DocState state = bridge.state();
    EXPECT_FALSE(state.inMainStory);
    EXPECT_TRUE(state.isProtected);
    EXPECT_TRUE(state.trackRevisions);
}

TEST_F(WordBridgeTest, ReadsOfAnythingButTextAreEmpty) {
    answer("readall", D::makeNull());
    EXPECT_EQ(bridge.readAll(), u"");
    answer("readrange", D::makeInteger(5));
    EXPECT_EQ(bridge.read(0, 1), u"");
}

TEST_F(WordBridgeTest, ScriptErrorsBecomeReadErrors) {
    const std::vector<std::pair<int, ReadError>> table = {
        {-1712, ReadError::timeout()},
        {-1743, ReadError::notAuthorized()},
        {-1744, ReadError::notAuthorized()},
        {-600, ReadError::wordNotRunning()},
        {-609, ReadError::wordNotRunning()},
        {-903, ReadError::wordNotRunning()},
        {-1728, ReadError::failed(-1728, "Can’t get document \"x\".")},
    };
    for (const auto& [code, expected] : table) {
        answer("docstate", ScriptResult::failure(code, "Can’t get document \"x\"."));
        EXPECT_EQ(stateError(), expected) << "error number " << code;
    }

    EXPECT_EQ(WordBridge::map(ScriptError::compile("无法创建脚本")),
              ReadError::failed(-1, "脚本编译失败：无法创建脚本"));
    EXPECT_EQ(WordBridge::map(ScriptError::compile("Expected end of line.", -2741)).code(), -2741);
    backend->setCompileFailure(ScriptCompilation::Status::notCompiled);
    WordBridge uncompiled(backend);
    try {
        uncompiled.state();
        ADD_FAILURE() << "state() did not throw";
    } catch (const ReadError& error) {
        EXPECT_EQ(error, ReadError::failed(-1, "脚本编译失败：编译失败"));
    }
}

TEST_F(WordBridgeTest, EnvironmentParsesWithDefaults) {
    answer("environment", D::makeList({D::makeString(u"16.78"), D::makeInteger(2),
                                       D::makeList({D::makeString(u"文档1"), D::makeInteger(7)})}));
    EXPECT_EQ(bridge.environment(), (WordBridge::Environment{"16.78", 2, {"文档1", ""}}));

    answer("environment", D::makeList({D::makeInteger(16)}));
    EXPECT_EQ(bridge.environment(), (WordBridge::Environment{"", 0, {}}));
}

// An older Word lists fewer options: only those present are paired with a label.
TEST_F(WordBridgeTest, AutocorrectSettingsPairLabelsWithTheItemsPresent) {
    answer("autosettings", D::makeList({D::makeBoolean(true), D::makeBoolean(false)}));
    const auto settings = bridge.autocorrectSettings();
    ASSERT_EQ(settings.size(), 2u);
    EXPECT_FALSE(settings[1].second);
}

TEST_F(WordBridgeTest, WordIsFoundByBundleIdentifier) {
    EXPECT_FALSE(WordBridge::isWordRunning(*backend));
    EXPECT_FALSE(WordBridge::runningWord(*backend).has_value());
    backend->addRunningApp({41, "com.apple.TextEdit", "文本编辑"});
    backend->addRunningApp({42, "com.microsoft.Word", "Microsoft Word"});
    EXPECT_TRUE(WordBridge::isWordRunning(*backend));
    EXPECT_EQ(WordBridge::runningWord(*backend)->pid, 42);
}

TEST_F(WordBridgeTest, CompilesTheWordLibraryOnceForAllCalls) {
    answer("docstate", D::makeList({D::makeInteger(0)}));
    answer("readall", D::makeString(u""));
    stateError();
    bridge.readAll();
    EXPECT_EQ(backend->compileCount(), 1);
    EXPECT_EQ(backend->compiledSources().at(0), ScriptLibraries::wordHandlers());
}

TEST(ScriptLibrariesTest, HandlersAppearInOrderEachWithItsTimeLimit) {
    const std::string& library = ScriptLibraries::wordHandlers();
    std::size_t position = 0;
    for (const char* handler : {"on docstate()", "on readrange(docKey, rangeStart, rangeEnd)",
                                "on readall(docKey)", "on environment()", "on autosettings()"}) {
        const std::size_t found = library.find(handler, position);
        ASSERT_NE(found, std::string::npos) << handler << " missing or out of order";
        position = found;
    }
    const std::size_t fiveSeconds = library.find("with timeout of 5 seconds");
    EXPECT_GT(fiveSeconds, library.find("on readall"));
    EXPECT_LT(fiveSeconds, library.find("end readall"));
    EXPECT_EQ(library.find("application \"Microsoft Word\""), std::string::npos)
        << "Word is addressed by bundle identifier only";

    const std::string& cursor = ScriptLibraries::placeCursor();
    EXPECT_EQ(cursor.rfind("on placecursor(docKey, newPos)", 0), 0u);
    EXPECT_LT(cursor.find("set selection start"), cursor.find("set selection end"))
        << "start first, so the selection collapses";
}

} // namespace
} // namespace plumeo
