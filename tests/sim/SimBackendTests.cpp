#include "core/text/Utf16.h"
#include "platform/backend/MainLoop.h"
#include "platform/backend/sim/SimBackend.h"
#include "tests/support/SimulatorFixture.h"

#include <chrono>
#include <csignal>
#include <thread>
#include <gtest/gtest.h>

using namespace plumeo;
using plumeo::testing::SimulatorFixture;

// The wire between the platform layer and a real simulator process, where whole sessions do
// not reach: malformed and oversized requests, answers longer than any request, and the
// lifetime of the processes.

using SimBackendTest = SimulatorFixture;

TEST_F(SimBackendTest, MalformedAndOversizedRequestsGetErrorsAndChangeNothing) {
    simproto::SimConnection raw(simulator().socketPath());
    const auto garbage = nlohmann::json::parse(raw.exchangeRaw("this is not json\n"));
    EXPECT_EQ(garbage["error"]["code"], "malformed");
    const std::string huge(simproto::maxMessageBytes + 10, 'x');
    const auto oversized = nlohmann::json::parse(raw.exchangeRaw(huge + "\n"));
    EXPECT_EQ(oversized["error"]["code"], "oversized");
    EXPECT_EQ(raw.call("ping")["pid"], simulator().pid());
    EXPECT_EQ(control().documentText("文档1"), u"\r");
}

TEST_F(SimBackendTest, LongDocumentsReadBackWhole) {
    // Each text fits in a request; the dump of both is longer than a request may be, which
    // answers are allowed.
    std::u16string text;
    while (text.size() * 3 < simproto::maxMessageBytes * 3 / 5)
        text += u"长文读回的合成文本。\r";
    const std::string second = control().newDocument();
    control().setDocumentText("文档1", text, 0);
    control().setDocumentText(second, text + u"\U0001F600", 0);
    const auto state = control().dump();
    ASSERT_EQ(state["word"]["documents"].size(), 2u);
    EXPECT_EQ(toUtf16(state["word"]["documents"][1]["text"].get<std::string>()), text + u"\r");

    SimBackend backend(simulator().socketPath());
    auto library = backend.compileScript("on readall(docName)\nend readall\n").script;
    ASSERT_TRUE(library);
    const auto all = backend.executeHandler(*library, "readall", {std::u16string(u"文档1")});
    ASSERT_TRUE(all.succeeded());
    EXPECT_EQ(all.descriptor->stringValue(), text + u"\r");
}

TEST(SimulatorProcessLifetime, StoppingTheSimulatorEndsWord) {
    int wordPid = 0;
    {
        plumeo::testing::SimulatorProcess simulator;
        wordPid = simulator.control().wordPid().value_or(0);
        ASSERT_GT(wordPid, 0);
        EXPECT_EQ(kill(wordPid, 0), 0);
    }
    EXPECT_NE(kill(wordPid, 0), 0);
}

TEST(SimBackendWithoutSimulator, AnswersEmptyInsteadOfFailing) {
    SimBackend backend("/nonexistent/plumeo-sim.sock");
    EXPECT_FALSE(backend.axIsProcessTrusted());
    EXPECT_TRUE(backend.runningApplications("com.microsoft.Word").empty());
    EXPECT_EQ(backend.compileScript("on a()\nend a").status, ScriptCompilation::Status::notCreated);
    EXPECT_FALSE(backend.frontmostApplication());
}

// What macOS answers instead of a value, and what it allows only on the main thread.

TEST_F(SimBackendTest, AccessibilityFailuresArriveAsTheirErrors) {
    SimBackend backend(simulator().socketPath());
    const auto app = backend.axApplicationElement(*control().wordPid());
    const auto window = axElement(backend.axAttribute(app, "AXFocusedWindow"));
    ASSERT_TRUE(window);
    EXPECT_EQ(backend.axAttribute(*window, "AXNoSuchAttribute").error,
              AXError::attributeUnsupported);
    const auto both = backend.axMultipleAttributes(*window, {"AXTitle", "AXNoSuchAttribute"});
    EXPECT_EQ(axString(both.at(0)), u"文档1");
    EXPECT_EQ(both.at(1).error, AXError::attributeUnsupported);
    control().setAccessibility(false);
    EXPECT_EQ(backend.axAttribute(app, "AXFocusedWindow").error, AXError::apiDisabled);
    control().setAccessibility(true);
    control().quitWord();
    EXPECT_EQ(backend.axAttribute(*window, "AXTitle").error, AXError::invalidUIElement);
}

TEST_F(SimBackendTest, OnlyAnExclusiveHotKeyFailsWhenAnotherApplicationHoldsIt) {
    SimBackend backend(simulator().socketPath());
    control().reserveHotKey(47, 0x1900);
    EXPECT_FALSE(backend.registerHotKey(47, 0x1900, {0x504C4D4F, 2}, HotKeyOwnership::exclusive));
    EXPECT_TRUE(backend.registerHotKey(47, 0x1900, {0x504C4D4F, 2}, HotKeyOwnership::shared))
        << "shared, it registers and is never heard";
}

TEST_F(SimBackendTest, CallsMacOSAllowsOnlyOnTheMainThreadFailOffItUnderTheRules) {
    SimBackend backend(simulator().socketPath());
    control().setMainThreadRules(true);
    const HotKeyID id{0x504C4D4F, 1};
    const KeyEventSpec key{0, true, 0, u"a", 0};
    EXPECT_FALSE(backend.registerHotKey(35, 0x1900, id, HotKeyOwnership::exclusive))
        << "no main loop turns, so this thread is not the main thread";
    EXPECT_FALSE(backend.createKeyboardEvent(key));
    EXPECT_EQ(control().dump()["mainThreadViolations"], 2);
    // A worker's calls hop to the main thread while it turns its loop.
    runBesideMainLoop(backend, [&] {
        EXPECT_TRUE(backend.registerHotKey(35, 0x1900, id, HotKeyOwnership::exclusive));
        EXPECT_TRUE(backend.createKeyboardEvent(key));
    });
    EXPECT_EQ(control().dump()["mainThreadViolations"], 2);
}

TEST_F(SimBackendTest, AWorkerThatHopsBeforeTheMainLoopTurnsWaitsForIt) {
    // The main thread reaches its loop late, as it may on a loaded machine.
    struct LateLoop : SimBackend {
        using SimBackend::SimBackend;
        void runMainLoop() override {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            SimBackend::runMainLoop();
        }
    } backend(simulator().socketPath());
    control().setMainThreadRules(true);
    runBesideMainLoop(backend, [&] {
        EXPECT_TRUE(backend.createKeyboardEvent(KeyEventSpec{0, true, 0, u"a", 0}));
    });
    EXPECT_EQ(control().dump()["mainThreadViolations"], 0);
}

TEST_F(SimBackendTest, AHandlerThatDoesNotLookFirstStartsWordAndOneThatLooksNever) {
    SimBackend backend(simulator().socketPath());
    control().setScriptsLaunchWord(true);
    control().quitWord();
    const std::string tell =
        "\ttell application id \"com.microsoft.Word\"\n\t\tcount of documents\n\tend tell\n";
    auto looking = backend.compileScript(
        "on docstate()\n\tmy requireword()\n" + tell + "end docstate\n\non requireword()\n" +
        "\tif application id \"com.microsoft.Word\" is not running then error number -600\n" +
        "end requireword\n");
    ASSERT_TRUE(looking.script);
    EXPECT_EQ(backend.executeHandler(*looking.script, "docstate", {}).errorNumber, -600);
    EXPECT_FALSE(control().wordPid());

    auto careless = backend.compileScript("on docstate()\n" + tell + "end docstate\n");
    ASSERT_TRUE(careless.script);
    EXPECT_TRUE(backend.executeHandler(*careless.script, "docstate", {}).succeeded());
    EXPECT_TRUE(control().wordPid()) << "a tell block starts Word";
}
