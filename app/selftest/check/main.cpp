// plumeo-selftest-check: judges the reports of a CI self-test run. Each argument is a
// self-test result file (selftest-*.json) or a probe report (probe*.md); every problem is
// printed, and the exit status is 1 when there is any, 2 on a file that cannot be read.

#include "app/selftest/SelfTestVerdict.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace {

using plumeo::selftest::TestResult;

std::vector<std::string> problemsOf(const std::filesystem::path& file, const std::string& text) {
    if (file.extension() != ".json")
        return plumeo::selftest::probeReportProblems(text);
    std::vector<TestResult> results;
    for (const auto& entry : nlohmann::ordered_json::parse(text))
        results.push_back(TestResult::fromJson(entry));
    return plumeo::selftest::resultProblems(results);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "用法：plumeo-selftest-check selftest-套件.json|probe*.md …\n";
        return 2;
    }
    int status = 0;
    for (int index = 1; index < argc; ++index) {
        const std::filesystem::path file = argv[index];
        std::ifstream in(file);
        if (!in) {
            std::cout << file.string() << "：无法读取（运行没有写出这份报告）\n";
            status = 2;
            continue;
        }
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::vector<std::string> problems;
        try {
            problems = problemsOf(file, text);
        } catch (const std::exception& error) {
            problems.push_back(std::string("无法解析：") + error.what());
        }
        for (const std::string& problem : problems)
            std::cout << file.filename().string() << "：" << problem << '\n';
        if (problems.empty())
            std::cout << file.filename().string() << "：通过\n";
        else if (status == 0)
            status = 1;
    }
    return status;
}
