#include "sim/protocol/SimProtocol.h"
#include "sim/server/SimService.h"

#include <gtest/gtest.h>
#include <random>

using namespace plumeo;
using nlohmann::json;

namespace {

class NoProcesses : public sim::ProcessHost {
public:
    std::optional<int> startWordProcess() override { return 777; }
    void stopProcess(int) override {}
    bool hasExited(int) override { return false; }
};

json answerTo(sim::SimService& service, std::string_view line) {
    const std::string answer = service.handleLine(line);
    EXPECT_EQ(answer.back(), '\n');
    EXPECT_EQ(answer.find('\n'), answer.size() - 1) << "one line per answer";
    return json::parse(answer);
}

} // namespace

TEST(LineSplitter, SplitsAcrossChunksAndReportsOverlongLinesInPlace) {
    simproto::LineSplitter splitter(8);
    splitter.append("ab");
    splitter.append("c\nlong-line-here");
    splitter.append("-still\nok\n");
    std::string line;
    ASSERT_EQ(splitter.next(line), simproto::LineSplitter::Status::line);
    EXPECT_EQ(line, "abc");
    EXPECT_EQ(splitter.next(line), simproto::LineSplitter::Status::overflow);
    ASSERT_EQ(splitter.next(line), simproto::LineSplitter::Status::line);
    EXPECT_EQ(line, "ok") << "the overlong line's tail is discarded, the next line kept";
    EXPECT_EQ(splitter.next(line), simproto::LineSplitter::Status::needMore);

    splitter.append("12345678\n123456789\n");
    ASSERT_EQ(splitter.next(line), simproto::LineSplitter::Status::line);
    EXPECT_EQ(line, "12345678") << "exactly the limit is allowed";
    EXPECT_EQ(splitter.next(line), simproto::LineSplitter::Status::overflow);
}

TEST(RequestParsing, AcceptsRequestsAndNamesWhatIsWrongOtherwise) {
    auto good = simproto::parseRequest(R"({"id": 7, "op": "ping", "args": {"a": 1}})");
    ASSERT_TRUE(std::holds_alternative<simproto::Request>(good));
    EXPECT_EQ(std::get<simproto::Request>(good).id, 7);
    EXPECT_EQ(std::get<simproto::Request>(good).args["a"], 1);

    const std::pair<const char*, const char*> bad[] = {
        {"{", "malformed"},
        {"[1,2]", "invalid"},
        {R"({"id": "x", "op": "ping"})", "invalid"},
        {R"({"id": 3})", "invalid"},
        {R"({"id": 3, "op": 5})", "invalid"},
        {R"({"id": 3, "op": "ping", "args": []})", "invalid"},
    };
    for (const auto& [line, code] : bad) {
        auto parsed = simproto::parseRequest(line);
        ASSERT_TRUE(std::holds_alternative<simproto::BadRequest>(parsed)) << line;
        EXPECT_EQ(std::get<simproto::BadRequest>(parsed).code, code) << line;
    }
    EXPECT_EQ(std::get<simproto::BadRequest>(simproto::parseRequest(R"({"id": 3})")).id, 3)
        << "the error answer carries the id when there is one";
}

TEST(SimServiceRequests, RejectsBadArgumentsWithoutTouchingTheWorld) {
    NoProcesses processes;
    sim::SimService service({}, processes);
    service.withWorld([](sim::SimWorld& world) {
        world.launchWord();
        world.newDocument();
    });
    const json before = answerTo(service, R"({"id":1,"op":"ctl.dump"})")["result"];

    const char* requests[] = {
        R"({"id":2,"op":"keys.post","args":{"route":"process","pid":777}})",
        R"({"id":3,"op":"keys.post","args":{"route":"moon","pid":777,"keyCode":0}})",
        R"({"id":4,"op":"keys.post","args":{"route":"process","pid":"777","keyCode":0}})",
        R"({"id":5,"op":"ctl.setDocument","args":{"text":17}})",
        R"({"id":6,"op":"ctl.setPermission","args":{"name":"automation","value":5}})",
        R"({"id":7,"op":"no.such.op"})",
        R"({"id":8,"op":"script.run","args":{"source":"on docstate()\nend docstate","handler":"docstate","params":[{"real":1.5}]}})",
        R"({"id":9,"op":"ax.attribute","args":{"element":-1,"name":"AXRole"}})",
    };
    for (const char* request : requests) {
        const json answer = answerTo(service, request);
        EXPECT_FALSE(answer["ok"].get<bool>()) << request;
        EXPECT_EQ(answer["error"]["code"], "invalid") << request;
        EXPECT_EQ(answer["id"], json::parse(request)["id"]);
    }
    EXPECT_EQ(answerTo(service, R"({"id":1,"op":"ctl.dump"})")["result"], before);
}

TEST(SimServiceRequests, SurvivesArbitraryBytes) {
    NoProcesses processes;
    sim::SimService service({}, processes);
    std::mt19937 random(20261206);
    const std::string fragments[] = {"{",           "}",
                                     "\"op\":",     "\"ax.attribute\"",
                                     "\"args\":",   "{\"element\":",
                                     "1",           ",",
                                     "null",        "\xff",
                                     "\"\\ud800\"", "[",
                                     "]",           "\"name\":",
                                     "\"AXRole\"",  "1e999"};
    for (int round = 0; round < 2000; ++round) {
        std::string line;
        const int pieces = static_cast<int>(random() % 12);
        for (int i = 0; i < pieces; ++i) {
            line += fragments[random() % std::size(fragments)];
        }
        const json answer = answerTo(service, line);
        ASSERT_TRUE(answer.contains("ok")) << line;
    }
    EXPECT_TRUE(answerTo(service, R"({"op":"ping"})")["ok"].get<bool>());
}

TEST(SimServiceRequests, ScriptCallsReportCompileErrorsAndUndeclaredHandlers) {
    NoProcesses processes;
    sim::SimService service({}, processes);
    service.withWorld([](sim::SimWorld& world) { world.launchWord(); });
    const json broken = answerTo(
        service,
        R"({"op":"script.run","args":{"source":"on docstate()\n","handler":"docstate","params":[]}})");
    EXPECT_EQ(broken["result"]["errorNumber"], -2741);
    const json undeclared = answerTo(
        service,
        R"({"op":"script.run","args":{"source":"on readall(d)\nend readall","handler":"docstate","params":[]}})");
    EXPECT_EQ(undeclared["result"]["errorNumber"], -1708);
    const json state = answerTo(
        service,
        R"({"op":"script.run","args":{"source":"on docstate()\nend docstate","handler":"DocState","params":[]}})");
    EXPECT_EQ(state["result"]["descriptor"], (json{{"list", {{{"integer", 0}}}}}));
}

TEST(SimServiceRequests, ScriptBehindADialogTimesOutAfterItsScaledLimit) {
    NoProcesses processes;
    sim::SimService service({.scriptTimeScale = 0.02}, processes);
    service.withWorld([](sim::SimWorld& world) {
        world.launchWord();
        world.openDialog("提示", std::nullopt);
    });
    const json answer = answerTo(
        service,
        R"({"op":"script.run","args":{"source":"on docstate()\nend docstate","handler":"docstate","params":[]}})");
    EXPECT_EQ(answer["result"]["errorNumber"], -1712);
    service.withWorld([](sim::SimWorld& world) { world.closeDialog("好"); });
    const json later = answerTo(
        service,
        R"({"op":"script.run","args":{"source":"on docstate()\nend docstate","handler":"docstate","params":[]}})");
    EXPECT_TRUE(later["result"].contains("descriptor"));
}

namespace {

class ServiceTest : public ::testing::Test {
protected:
    ServiceTest() : service({.desktopPid = 1}, processes) {
        service.withWorld([](sim::SimWorld& world) {
            world.launchWord();
            world.activate(*world.wordPid());
            world.newDocument();
        });
    }
    json call(const std::string& op, const json& args = json::object()) {
        const json answer = answerTo(service, json{{"id", 1}, {"op", op}, {"args", args}}.dump());
        EXPECT_TRUE(answer["ok"].get<bool>()) << op << ": " << answer.dump();
        return answer["result"];
    }
    json script(const std::string& handler, const json& params = json::array()) {
        return call("script.run", {{"source", "on " + handler + "()\nend " + handler},
                                   {"handler", handler},
                                   {"params", params}});
    }

    NoProcesses processes;
    sim::SimService service;
};

} // namespace

TEST_F(ServiceTest, LongPollWakesWhenSomethingHappens) {
    const auto last = call("events.wait", {{"after", 0}, {"timeoutMs", 0}})["last"].get<int>();
    EXPECT_TRUE(call("events.wait", {{"after", last}, {"timeoutMs", 20}})["events"].empty());

    json news;
    std::thread waiter([&] {
        sim::SimService& shared = service;
        news = answerTo(
            shared, json{{"op", "events.wait"}, {"args", {{"after", last}, {"timeoutMs", 10000}}}}
                        .dump())["result"];
    });
    call("apps.activate", {{"pid", 1}});
    waiter.join();
    ASSERT_EQ(news["events"].size(), 1u);
    EXPECT_EQ(news["events"][0]["kind"], "activated");
    EXPECT_EQ(news["events"][0]["pid"], 1);
    EXPECT_EQ(news["last"], last + 1);
}

TEST_F(ServiceTest, ControlChannelShapesWhatScriptsAndAccessibilitySee) {
    call("ctl.setDocument", {{"text", "ab\xF0\x9F\x98\x80"},
                             {"cursor", 1},
                             {"path", "/Users/u/a.docx"},
                             {"storyType", 0x02300007}});
    call("ctl.setDocument", {{"cursor", 1}, {"selectionEnd", 2}});
    const json state = script("docstate")["descriptor"]["list"];
    EXPECT_EQ(state[2]["string"], "/Users/u/a.docx");
    EXPECT_EQ(state[3]["integer"], 1);
    EXPECT_EQ(state[4]["integer"], 2);
    EXPECT_EQ(state[5]["enum"], 0x02300007);

    call("ctl.setWordTiming", {{"eventsPerSecond", 1}, {"latencyMs", 60000}});
    const int wordPid = call("apps.frontmost")["pid"];
    EXPECT_TRUE(
        call("keys.post", {{"route", "process"}, {"pid", wordPid}, {"keyCode", 0}, {"text", "x"}})
            .get<bool>());
    EXPECT_EQ(call("ctl.dump")["word"]["pendingEvents"], 1) << "Word has not looked at it yet";

    const json word = call("ax.application", {{"pid", wordPid}});
    call("ctl.focusToolbar", {{"on", true}});
    const json focused = call("ax.attribute", {{"element", word}, {"name", "AXFocusedUIElement"}});
    EXPECT_EQ(call("ax.attribute", {{"element", focused["element"]}, {"name", "AXRole"}}),
              (json{{"string", "AXButton"}}));

    const json bad = answerTo(
        service, R"({"op":"ctl.setAutoCorrect","args":{"option":"replaceEverything","on":true}})");
    EXPECT_EQ(bad["error"]["code"], "invalid");
}

TEST_F(ServiceTest, InputSourceListHonoursItsFilter) {
    auto ids = [](const json& list) {
        std::vector<std::string> found;
        for (const auto& source : list) {
            found.push_back(source["id"]);
        }
        return found;
    };
    const auto enabled = ids(call("input.list", {{"enabled", true}, {"selectCapable", true}}));
    EXPECT_EQ(enabled.size(), 4u);
    const auto all = ids(call("input.list", {{"includeAllInstalled", true}}));
    EXPECT_EQ(all.size(), 5u);
    EXPECT_EQ(ids(call("input.list", {{"id", "com.apple.keylayout.US"}})).size(), 0u)
        << "disabled sources are not installed-and-enabled";
    EXPECT_EQ(call("input.select", {{"id", "com.apple.keylayout.US"}}), -50);
    EXPECT_EQ(call("input.select", {{"id", "com.apple.keylayout.ABC"}}), 0);
    EXPECT_EQ(call("input.current")["id"], "com.apple.keylayout.ABC");
}
