#include "platform/backend/writer/WriterDocuments.h"
#include "platform/backend/writer/WriterOffice.h"
#include "platform/backend/writer/WriterScripting.h"
#include "platform/backend/writer/XDisplaySession.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace plumeo {
namespace {

using D = ScriptDescriptor;
constexpr std::uint32_t mainStory = 0x02300001;
constexpr std::uint32_t noProtection = 0x0279FFFF;

std::string librarySource(const char* path) {
    std::ifstream file(path);
    std::ostringstream source;
    source << file.rdbuf();
    return source.str();
}
std::string wordLibrary() {
    return librarySource(PLUMEO_WORD_LIBRARY);
}
std::string placeCursorLibrary() {
    return librarySource(PLUMEO_PLACE_CURSOR_LIBRARY);
}
std::string fixtureLibrary() {
    return librarySource(PLUMEO_FIXTURE_LIBRARY);
}

/// One office for the whole suite: it takes seconds to start.
class WriterLiveTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!WriterOffice::findSoffice()) {
            return;
        }
        // A display of its own, numbered by the server itself: suites started side by side
        // must not pick the same free number.
        XDisplaySession::Options displayOptions;
        displayOptions.forceVirtual = true;
        try {
            xServer_ = new XDisplaySession(displayOptions);
        } catch (const std::exception& error) {
            startError_ = error.what();
            return;
        }
        WriterOfficeOptions options;
        options.display = xServer_->display();
        options.profileDirectory = std::filesystem::temp_directory_path() /
                                   ("plumeo-writer-test-" + std::to_string(getpid()));
        office_ = std::make_shared<WriterOffice>(options);
        if (auto error = office_->start()) {
            startError_ = error->message;
            return;
        }
        documents_ = std::make_shared<WriterDocuments>(office_);
    }
    static void TearDownTestSuite() {
        documents_.reset();
        if (office_) {
            const auto profile = office_->options().profileDirectory;
            office_.reset();
            std::error_code ignored;
            std::filesystem::remove_all(profile, ignored);
        }
        delete xServer_;
        xServer_ = nullptr;
    }
    void SetUp() override {
        if (!WriterOffice::findSoffice()) {
            GTEST_SKIP() << "LibreOffice (soffice) is not installed: run scripts/install-deps.sh";
        }
        ASSERT_TRUE(startError_.empty()) << startError_;
    }

    ScriptResult run(const std::string& library, const std::string& handler,
                     std::vector<ScriptParameter> parameters = {}) {
        WriterScripting scripting(documents_);
        auto compiled = scripting.compile(library);
        EXPECT_EQ(compiled.status, ScriptCompilation::Status::compiled);
        return scripting.execute(*compiled.script, handler, parameters);
    }
    D word(const std::string& handler, std::vector<ScriptParameter> parameters = {}) {
        auto result = run(wordLibrary(), handler, std::move(parameters));
        EXPECT_TRUE(result.succeeded()) << handler << ": " << result.errorMessage.value_or("");
        return result.descriptor.value_or(D::makeNull());
    }
    std::int32_t placeCursor(const std::u16string& key, std::int32_t offset) {
        auto result = run(placeCursorLibrary(), "placecursor", {key, offset});
        return result.descriptor ? result.descriptor->int32Value().value_or(-99) : -99;
    }

    static inline XDisplaySession* xServer_ = nullptr;
    static inline std::shared_ptr<WriterOffice> office_;
    static inline std::shared_ptr<WriterDocuments> documents_;
    static inline std::string startError_;
};

TEST_F(WriterLiveTest, StoryTextAndOffsetsAreWordsUtf16WithParagraphAndLineBreakMarks) {
    const std::u16string name = documents_->newDocument();
    documents_->setStoryText(name, u"ab😀cd\vxy\rz");

    // Word's story: U+000B for the line break, U+000D per paragraph, the final mark included.
    EXPECT_EQ(word("readall", {u""}).stringValue(), u"ab😀cd\vxy\rz\r");
    EXPECT_EQ(word("readrange", {u"", 2, 4}).stringValue(), u"😀");
    // The body element's value, as Word's: paragraph marks as line feeds, no final mark.
    EXPECT_EQ(documents_->frontBodyText(), u"ab😀cd\vxy\nz");

    // Offsets are UTF-16 units both ways, though Writer's cursor moves by code points.
    for (const std::int32_t offset : {4, 5, 7, 10}) {
        EXPECT_EQ(placeCursor(name, offset), offset);
        const D state = word("docstate");
        EXPECT_EQ(state.item(4)->int32Value(), offset);
        EXPECT_EQ(state.item(5)->int32Value(), offset);
        EXPECT_EQ(documents_->frontSelectedRange(),
                  (std::pair<std::int64_t, std::int64_t>{offset, 0}));
    }
    // Never past the final mark.
    EXPECT_EQ(placeCursor(name, 99), 11);
    EXPECT_EQ(placeCursor(u"another document", 2), -1);
    documents_->closeDocument(name);
}

TEST_F(WriterLiveTest, FixturesDriveProtectionAndChangeTrackingThatDocStateReports) {
    const std::string fixtures = fixtureLibrary();
    const auto name = run(fixtures, "newdoc").descriptor->stringValue().value_or(u"");
    documents_->setStoryText(name, u"hello");
    auto state = [&] { return word("docstate"); };
    EXPECT_EQ(state().item(2)->stringValue(), name);
    EXPECT_EQ(state().item(6)->enumCodeValue(), mainStory);
    EXPECT_EQ(state().item(8)->enumCodeValue(), noProtection);

    EXPECT_TRUE(run(fixtures, "protectdoc", {name}).succeeded());
    EXPECT_NE(state().item(8)->enumCodeValue(), noProtection);
    EXPECT_TRUE(run(fixtures, "unprotectdoc", {name}).succeeded());
    EXPECT_EQ(state().item(8)->enumCodeValue(), noProtection);
    // Unprotecting an unprotected document is no error, and the text stays.
    EXPECT_TRUE(run(fixtures, "unprotectdoc", {name}).succeeded());
    EXPECT_EQ(word("readall", {name}).stringValue(), u"hello\r");

    EXPECT_TRUE(run(fixtures, "setrevisions", {name, 1}).succeeded());
    EXPECT_EQ(state().item(7)->booleanValue(), true);
    documents_->setStoryText(name, u"tracked");
    EXPECT_GT(run(fixtures, "revcount", {name}).descriptor->int32Value().value_or(0), 0);

    const auto closed = run(fixtures, "closedoc", {name});
    EXPECT_TRUE(closed.succeeded());
    EXPECT_EQ(run(fixtures, "closedoc", {name}).errorNumber, -1728);
}

TEST_F(WriterLiveTest, HandlersAnswerWithWordsErrorNumbersAndNeverStartTheOffice) {
    // A handler the library does not declare, or one called with the wrong parameters.
    EXPECT_EQ(run(wordLibrary(), "newdoc").errorNumber, -1708);
    EXPECT_EQ(run(wordLibrary(), "readall").errorNumber, -1721);

    WriterOfficeOptions options;
    options.display = xServer_->display();
    options.profileDirectory = office_->options().profileDirectory.string() + "-own";
    auto own = std::make_shared<WriterOffice>(options);
    WriterScripting scripting(std::make_shared<WriterDocuments>(own));
    auto library = scripting.compile(wordLibrary());
    EXPECT_EQ(scripting.execute(*library.script, "docstate", {}).errorNumber, -600);
    EXPECT_FALSE(own->isRunning());

    std::mutex mutex;
    std::condition_variable exited;
    std::optional<std::pair<int, int>> exit;
    own->setExitObserver([&](int pid, int code) {
        std::lock_guard lock(mutex);
        exit = {pid, code};
        exited.notify_all();
    });
    ASSERT_FALSE(own->start().has_value());
    const auto pid = own->pid();
    ASSERT_TRUE(pid.has_value());
    auto fixtures = scripting.compile(fixtureLibrary());
    EXPECT_TRUE(scripting.execute(*fixtures.script, "quitword", {}).succeeded());
    {
        std::unique_lock lock(mutex);
        exited.wait_for(lock, std::chrono::seconds(30), [&] { return exit.has_value(); });
        EXPECT_EQ(exit, (std::pair{*pid, 0})) << "the office's end is observed";
    }
    // Reaped as it ended: no zombie that kill(pid, 0) would still find.
    EXPECT_NE(kill(*pid, 0), 0);
    EXPECT_FALSE(own->isRunning());
    EXPECT_EQ(scripting.execute(*library.script, "docstate", {}).errorNumber, -600);
    std::error_code ignored;
    std::filesystem::remove_all(options.profileDirectory, ignored);
}

TEST_F(WriterLiveTest, AnOfficeThatIsNotInstalledIsReportedAsSuch) {
    WriterOfficeOptions options;
    options.profileDirectory = office_->options().profileDirectory.string() + "-none";
    options.soffice = "/nonexistent/libreoffice/program/soffice";
    WriterOffice missing(options);
    const auto error = missing.start();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, WriterOfficeError::Kind::notInstalled);
    EXPECT_NE(error->message.find("LibreOffice"), std::string::npos);
}

} // namespace
} // namespace plumeo
