// The self-test's own bookkeeping: what it reports, how it counts strokes and how it fails reads
// on purpose. The scenarios themselves run in the SelfTestSmoke test against a simulator.

#include "app/selftest/FaultInjectingReader.h"
#include "app/selftest/InterferenceScenarios.h"
#include "app/selftest/SelfTestHarness.h"
#include "app/selftest/TappingSink.h"
#include "app/selftest/TestResult.h"
#include "core/engine/ReadError.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace plumeo::selftest {
namespace {

using Status = TestResult::Status;

TEST(SelfTestReport, EntryAndSummaryCarryEveryResultInOrder) {
    const TestResult failed{"I2", "取消", Status::fail, {"甲", "乙"}, {{"延迟", 1.23456}}};
    EXPECT_EQ(failed.reportEntry(), "\n### [失败] I2 取消\n- 甲\n- 乙\n- 指标 延迟 = 1.235");

    const std::vector<TestResult> results = {
        {"C0", "零", Status::pass, {}, {}}, failed, {"C1", "一", Status::notRun, {}, {}},
        {"SM", "冒烟", Status::pass, {}, {}}};
    EXPECT_EQ(SelfTestHarness::summary(results),
              "\n## 汇总\n\n| 编号 | 用例 | 结果 |\n|---|---|---|"
              "\n| C0 | 零 | 通过 |\n| I2 | 取消 | 失败 |\n| C1 | 一 | 未执行 |\n| SM | 冒烟 | 通过 |"
              "\n\n通过 2，失败 1，未执行 1");
}

TEST(SelfTestReport, ResultJsonKeepsItsKeyOrderAndReadsBack) {
    const TestResult result{"C3", "长文", Status::notRun, {"原因"}, {{"b", 2.5}, {"a", 1}}};
    const nlohmann::ordered_json json = result.toJson();
    std::vector<std::string> keys;
    for (const auto& [key, value] : json.items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"id", "name", "status", "details", "metrics"}));
    EXPECT_EQ(json.at("status"), "未执行");
    EXPECT_EQ(TestResult::fromJson(nlohmann::ordered_json::parse(json.dump())), result);
    EXPECT_THROW(TestResult::statusFromRawValue("pass"), std::invalid_argument);
}

TEST(SelfTestReport, MisplacedTextIsWhatTheExpectedDocumentDoesNotAccountFor) {
    EXPECT_EQ(unitsOutOfPlace(u"前后", u"前后"), 0);
    // Written at the start after a script moved the cursor there.
    EXPECT_EQ(unitsOutOfPlace(u"前后", u"xy前后"), 2);
    // Overwritten in place: as long as expected, still out of place.
    EXPECT_EQ(unitsOutOfPlace(u"abc", u"aXc"), 1);
    // A repeated letter must not be counted twice from both ends.
    EXPECT_EQ(unitsOutOfPlace(u"aab", u"aaab"), 1);
}

class ScriptedSink : public KeyEventSink {
public:
    std::chrono::steady_clock::time_point press(const KeyStroke&) override {
        if (refuse)
            throw std::runtime_error("refused");
        return std::chrono::steady_clock::now();
    }
    void release(const KeyStroke&) override {}
    bool refuse = false;
};

TEST(TappingSinkTest, CountsOnlyDeliveredStrokesAndCallsTheHookWithTheNewCount) {
    auto inner = std::make_shared<ScriptedSink>();
    double now = 10;
    TappingSink sink(inner, [&now] { return now; });
    std::vector<int> seen;
    sink.setHook([&](const KeyStroke&, int strokes) { seen.push_back(strokes); });

    const KeyStroke stroke{};
    sink.press(stroke);
    sink.release(stroke);
    inner->refuse = true;
    now = 11;
    EXPECT_THROW(sink.press(stroke), std::runtime_error);
    inner->refuse = false;
    now = 12;
    sink.press(stroke);
    sink.release(stroke);

    EXPECT_EQ(sink.strokes(), 2);
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    EXPECT_EQ(sink.times(), (std::vector<double>{10, 12}));
    EXPECT_EQ(sink.strokesSince(11), 1);
}

class FixedReader : public DocumentReader {
public:
    DocState state() override { return {"id", "文档1", 3, 3, true, false, false}; }
    std::u16string read(int start, int end) override {
        return u"abcdef" + std::u16string(1, char16_t(u'0' + start + end));
    }
    std::u16string readAll() override { return u"全文"; }
    bool readsAreFaithful() const override { return true; }
};

TEST(FaultInjectingReaderTest, ForwardsUntilTheWholeReadIsMadeToFail) {
    FaultInjectingReader reader(std::make_shared<FixedReader>());
    EXPECT_EQ(reader.state().documentName, "文档1");
    EXPECT_EQ(reader.read(1, 2), u"abcdef3");
    EXPECT_TRUE(reader.readsAreFaithful());
    reader.setFailReadAll(true);
    try {
        reader.readAll();
        FAIL() << "the injected failure did not happen";
    } catch (const ReadError& error) {
        EXPECT_EQ(error.code(), FaultInjectingReader::injectedErrorCode);
        EXPECT_EQ(error.message(), "自检注入的读回故障");
    }
    EXPECT_EQ(reader.read(0, 0), u"abcdef0");
    reader.setFailReadAll(false);
    EXPECT_EQ(reader.readAll(), u"全文");

    FaultInjectingReader empty(nullptr);
    EXPECT_FALSE(empty.readsAreFaithful());
    EXPECT_THROW(empty.state(), std::logic_error);
}

} // namespace
} // namespace plumeo::selftest
