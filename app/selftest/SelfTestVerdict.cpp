#include "app/selftest/SelfTestVerdict.h"

#include <algorithm>

namespace plumeo::selftest {
namespace {

bool allowedNotRun(const TestResult& result) {
    return std::any_of(notRunRules().begin(), notRunRules().end(), [&](const NotRunRule& rule) {
        return rule.id == result.id &&
               std::any_of(result.details.begin(), result.details.end(),
                           [&](const std::string& detail) {
                               return detail.find(rule.reason) != std::string::npos;
                           });
    });
}

std::string firstDetail(const TestResult& result) {
    return result.details.empty() ? std::string("（无说明）") : result.details.front();
}

} // namespace

const std::vector<NotRunRule>& notRunRules() {
    static const std::vector<NotRunRule> rules = {
        {"C1", "本机未启用中文输入法"},
        {"I6", "点击位置不是 Word 正文"},
        {"Q1", "个非自检文档打开；为避免影响用户文档，不执行退出 Word 的测试"},
    };
    return rules;
}

std::vector<std::string> resultProblems(const std::vector<TestResult>& results) {
    std::vector<std::string> problems;
    if (results.empty())
        problems.push_back("没有任何用例结果");
    for (const TestResult& result : results) {
        const std::string label = result.id + " " + result.name;
        if (result.status == TestResult::Status::fail)
            problems.push_back("失败：" + label + "（" + firstDetail(result) + "）");
        else if (result.status == TestResult::Status::notRun && !allowedNotRun(result))
            problems.push_back("不允许的未执行：" + label + "（" + firstDetail(result) + "）");
    }
    return problems;
}

std::vector<std::string> probeReportProblems(const std::string& report) {
    std::vector<std::string> problems;
    if (report.find("- **失败**：无法新建文档") != std::string::npos)
        problems.push_back("无法新建测试文档");
    if (report.find("- **发送失败**：") != std::string::npos)
        problems.push_back("有按键发送失败");
    // The closing line is written last, so a probe that died on the way lacks it.
    std::string trimmed = report;
    while (!trimmed.empty() && (trimmed.back() == '\n' || trimmed.back() == ' '))
        trimmed.pop_back();
    const std::string closing = "探针结束。";
    if (trimmed.size() < closing.size() ||
        trimmed.compare(trimmed.size() - closing.size(), closing.size(), closing) != 0)
        problems.push_back("报告不完整（没有以「探针结束。」收尾）");
    return problems;
}

} // namespace plumeo::selftest
