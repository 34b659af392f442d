// CI trusts these verdicts: a run may only pass with the "未执行" its scenarios allow themselves.

#include "app/selftest/SelfTestVerdict.h"

#include <gtest/gtest.h>

namespace plumeo::selftest {
namespace {

using Status = TestResult::Status;

TEST(SelfTestVerdict, OnlyTheScenariosOwnReasonsExcuseANotRun) {
    const TestResult quitSkipped{
        "Q1", "Word 退出时停止", Status::notRun,
        {"2 个非自检文档打开；为避免影响用户文档，不执行退出 Word 的测试。复现：关闭其他文档后运行 "
         "--selftest quit"},
        {}};
    const TestResult noChinese{"C1", "稳定·短篇·中文输入法启用", Status::notRun,
                               {"本机未启用中文输入法"}, {}};
    EXPECT_TRUE(resultProblems({{"C0", "零", Status::pass, {}, {}}, quitSkipped, noChinese}).empty());

    // Another scenario's reason does not carry over, nor does a reason the rules do not name.
    const TestResult borrowedReason{"I5", "切换文档", Status::notRun, {"本机未启用中文输入法"}, {}};
    const TestResult notBuilt{"S2", "最终读回失败", Status::notRun, {"本版本的自检尚未实现此用例"}, {}};
    const TestResult failed{"I3", "紧急停止", Status::fail, {"停止后仍有发送"}, {}};
    EXPECT_EQ(resultProblems({borrowedReason, notBuilt, failed}).size(), 3u);
    EXPECT_EQ(resultProblems({{"I6", "点击", Status::notRun, {}, {}}}).size(), 1u);
    // A run that recorded nothing proves nothing.
    EXPECT_EQ(resultProblems({}).size(), 1u);
}

TEST(SelfTestVerdict, AProbeReportMustReachItsClosingLineWithADocument) {
    const std::string whole = "# 跨页探针 t\n- **测试文档**：文档2\n- **后台时 AXStringForRange(0,3)**："
                              "失败 AXError -25212\n\n探针结束。\n";
    EXPECT_TRUE(probeReportProblems(whole).empty());
    EXPECT_EQ(probeReportProblems("# 跨页探针 t\n- **测试文档**：文档2\n").size(), 1u);
    EXPECT_EQ(probeReportProblems("# 跨页探针 t\n- **失败**：无法新建文档\n\n探针结束。\n").size(), 1u);
    EXPECT_EQ(probeReportProblems("# 技术验证探针 t\n- **发送失败**：拒绝\n\n探针结束。\n").size(), 1u);
}

} // namespace
} // namespace plumeo::selftest
