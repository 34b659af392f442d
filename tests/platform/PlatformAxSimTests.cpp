// The Accessibility-side platform classes against a real simulator process: the key sink
// typing into the simulated Word, the document reader reading it back through Accessibility
// and the script, and the target guard noticing what a user or Word does meanwhile.

#include "core/text/Utf16.h"
#include "platform/ax/WordDocumentReader.h"
#include "platform/ax/WordTargetGuard.h"
#include "platform/backend/sim/SimBackend.h"
#include "platform/input/CGKeySink.h"
#include "platform/script/WordBridge.h"
#include "tests/platform/StopReasonPrinting.h"
#include "tests/support/SimulatorFixture.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace plumeo {
namespace {

using testing::SimulatorFixture;

class PlatformAxSimTest : public SimulatorFixture {
protected:
    void SetUp() override {
        SimulatorFixture::SetUp();
        backend = std::make_shared<SimBackend>(simulator().socketPath());
        documentName = control().dump()["word"]["documents"][0]["name"].get<std::string>();
        auto pid = control().wordPid();
        ASSERT_TRUE(pid.has_value());
        wordPid = *pid;
    }
    void TearDown() override {
        backend.reset();
        SimulatorFixture::TearDown();
    }

    /// Waits until the simulated Word holds `expected` (it may process events after they were
    /// posted); the document's exact text either way.
    std::u16string awaitDocument(const std::u16string& expected) {
        std::u16string text;
        for (int attempt = 0; attempt < 200; ++attempt) {
            text = control().documentText(documentName);
            if (text == expected)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return text;
    }

    /// Loose bounds that any state of a document of at most `length` units satisfies.
    static TargetExpectation anywhereUpTo(int length) { return {{0, length}, {1, length + 1}}; }

    std::shared_ptr<SimBackend> backend;
    std::string documentName;
    std::int32_t wordPid = 0;
};

TEST_F(PlatformAxSimTest, TypesAndReadsBackEveryCharacterWhileWordIsInFront) {
    auto guard = WordTargetGuard::make(backend, wordPid);
    ASSERT_NE(guard, nullptr);
    CGKeySink sink(backend, CGKeySink::Route::pid(wordPid));
    const std::vector<KeyStroke> strokes = {
        KeyStroke::typeText(u"你好"), KeyStroke::typeText(u"\U0001F600"),
        KeyStroke::returnKey(),       KeyStroke::typeText(u"1\u2615b"),
        KeyStroke::shiftReturn(),     KeyStroke::tab(),
    };
    const std::u16string typed = u"你好\U0001F600\r1\u2615b\v\t";

    guard->beginSending();
    for (const auto& stroke : strokes) {
        ASSERT_EQ(guard->quickCheck(anywhereUpTo(20)), std::nullopt);
        sink.post(stroke, 1);
    }
    EXPECT_EQ(sink.postCount(), static_cast<int>(strokes.size()));
    ASSERT_EQ(awaitDocument(typed + u"\r"), typed + u"\r");

    auto bridge = std::make_shared<WordBridge>(backend);
    WordDocumentReader reader(bridge, backend, wordPid);
    EXPECT_EQ(reader.readAll(), typed + u"\r");
    EXPECT_TRUE(reader.readsAreFaithful()) << reader.fallbackReason().value_or("");
    EXPECT_EQ(reader.read(2, 5), u"\U0001F600\r");
    EXPECT_TRUE(reader.readsAreFaithful());
    EXPECT_EQ(reader.state().selectionStart, utf16Count(typed));

    const auto stats = guard->statistics();
    EXPECT_EQ(stats.checkCount, static_cast<int>(strokes.size()));
    EXPECT_GE(stats.checkMaxSeconds, stats.checkMeanSeconds());
}

// A posted key is in Word's queue when the post returns, as on a Mac: whatever another
// connection does next (the user's click, a read) comes after it, however busy the machine.
TEST_F(PlatformAxSimTest, PostedKeysAreTakenInBeforeAnythingThatFollows) {
    CGKeySink sink(backend, CGKeySink::Route::pid(wordPid));
    std::atomic<bool> typing{true};
    std::thread busy([&] {
        while (typing)
            backend->frontmostApplication();
    });
    std::u16string typed;
    for (int i = 0; i < 300; ++i) {
        const KeyStroke stroke = KeyStroke::typeText(std::u16string(1, u'a' + i % 26));
        sink.press(stroke);
        sink.release(stroke);
        typed += stroke.text;
    }
    typing = false;
    busy.join();
    EXPECT_EQ(control().documentText(documentName), typed + u"\r");
}

TEST_F(PlatformAxSimTest, GuardNoticesASheetTheUsersClickAndWordQuitting) {
    control().setDocumentText(documentName, u"hello", 5);
    auto guard = WordTargetGuard::make(backend, wordPid);
    ASSERT_NE(guard, nullptr);
    guard->beginSending();
    const TargetExpectation atEnd{{5, 5}, {6, 6}};
    EXPECT_EQ(guard->quickCheck(atEnd), std::nullopt);

    ASSERT_TRUE(control().openSheet());
    // The sheet takes the focus into itself, which checks 2 to 8 see; the ninth looks at the
    // window and names the sheet.
    for (int check = 2; check <= 8; ++check)
        EXPECT_EQ(guard->quickCheck(atEnd), StopReason::focusLeftBody("焦点移到了 AXButton"))
            << "check " << check;
    EXPECT_EQ(guard->quickCheck(atEnd), StopReason::dialogOpened("文档窗口上出现了对话框"));
    ASSERT_TRUE(control().closeSheet());

    // Past the grace, a click into the body: the click is what gets reported, whatever it did
    // to the cursor.
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    ASSERT_TRUE(control().clickInWordBody(5));
    EXPECT_EQ(guard->quickCheck(atEnd), StopReason::userActivity("在 Word 中鼠标点击"));

    control().quitWord();
    EXPECT_EQ(guard->quickCheck(atEnd), StopReason::wordTerminated());
    EXPECT_TRUE(guard->isTerminated() || !backend->processExists(wordPid));
}

TEST_F(PlatformAxSimTest, BehindAnotherApplicationTheReaderFallsBackToTheScript) {
    control().setDocumentText(documentName, u"x\U0001F600y", 4);
    control().setAxTextInBackground(false);
    auto bridge = std::make_shared<WordBridge>(backend);
    auto guard = WordTargetGuard::make(backend, wordPid);
    ASSERT_NE(guard, nullptr);
    WordDocumentReader reader(bridge, backend, wordPid);
    ASSERT_EQ(reader.read(0, 4), u"x\U0001F600y");
    ASSERT_TRUE(reader.readsAreFaithful());

    const int canaryPid = static_cast<int>(getpid());
    ASSERT_TRUE(control().registerApp(canaryPid, "org.plumeo.canary", "金丝雀", "Canary"));
    ASSERT_TRUE(control().activate(canaryPid));

    EXPECT_EQ(reader.read(0, 4), u"x12y");
    EXPECT_FALSE(reader.readsAreFaithful());
    EXPECT_EQ(reader.fallbackReason(), WordDocumentReader::unavailableReason);

    guard->setAllowBackground(false);
    EXPECT_EQ(guard->quickCheck({{4, 4}, {5, 5}}),
              StopReason::targetNotFrontmost("当前前台是「金丝雀」"));
    guard->setAllowBackground(true);
    EXPECT_EQ(guard->quickCheck({{4, 4}, {5, 5}}), std::nullopt);
    EXPECT_EQ(guard->statistics().backgroundChecks, 1);
    control().unregisterApp(canaryPid);
}

} // namespace
} // namespace plumeo
