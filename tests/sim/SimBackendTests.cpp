#include "core/text/Utf16.h"
#include "mac/backend/sim/SimBackend.h"
#include "tests/support/SimulatorFixture.h"

#include <csignal>
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
