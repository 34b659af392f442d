#include "sim/protocol/SimProtocol.h"
#include "sim/server/SimService.h"

#include <gtest/gtest.h>

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
