// plumeo --type as a shell runs it: a process with its own private simulator, no terminal,
// the result on standard output and the exit status.

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/wait.h>

namespace {

struct ProcessRun {
    int status = -1;
    std::string out;
};

class TypeCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ = std::filesystem::temp_directory_path() /
                     ("plumeo-type-" + std::to_string(::getpid()) + "-" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(directory_ / "home");
        // Straight quotes, which the simulated Word's AutoCorrect curls.
        std::ofstream(directory_ / "article.txt") << "Plumeo 测试 \"quoted\" words\n第二段\n";
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    /// Runs plumeo with a home of its own (no saved settings), standard input closed.
    ProcessRun plumeo(const std::string& arguments) {
        const std::string command = "HOME='" + (directory_ / "home").string() +
                                    "' '" PLUMEO_EXECUTABLE "' " + arguments +
                                    " </dev/null 2>/dev/null";
        ProcessRun run;
        FILE* pipe = ::popen(command.c_str(), "r");
        std::array<char, 4096> buffer{};
        while (std::size_t read = std::fread(buffer.data(), 1, buffer.size(), pipe))
            run.out.append(buffer.data(), read);
        const int status = ::pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    std::string typeArticle(const std::string& options) {
        return "--type '" + (directory_ / "article.txt").string() +
               "' --start-simulator --countdown 0 --speed 1200 --seed 7 --json " + options;
    }

    const std::filesystem::path& directory() const { return directory_; }

private:
    std::filesystem::path directory_;
};

} // namespace

TEST_F(TypeCommandTest, AVerifiedSessionExitsZeroAndItsJsonHoldsCountsButNoText) {
    const ProcessRun run = plumeo(typeArticle("--no-autocorrect"));
    ASSERT_EQ(run.status, 0) << run.out;
    const auto result = nlohmann::json::parse(run.out);
    EXPECT_EQ(result["outcome"], "verified");
    EXPECT_EQ(result["counts"]["confirmedUnits"], result["counts"]["totalUnits"]);
    EXPECT_TRUE(result["counts"]["finalVerified"]);
    EXPECT_EQ(run.out.find("quoted"), std::string::npos);
    EXPECT_EQ(run.out.find("测试"), std::string::npos);
}

TEST_F(TypeCommandTest, APauseWithoutATerminalCancelsUnlessDifferencesAreAccepted) {
    const ProcessRun cancelled = plumeo(typeArticle(""));
    EXPECT_EQ(cancelled.status, 4) << cancelled.out;
    const auto stopped = nlohmann::json::parse(cancelled.out);
    EXPECT_EQ(stopped["outcome"], "cancelled");
    EXPECT_EQ(stopped["lastStop"]["postsAfterStop"], 0);

    const ProcessRun accepted = plumeo(typeArticle("--accept-differences"));
    EXPECT_EQ(accepted.status, 1) << accepted.out;
    const auto result = nlohmann::json::parse(accepted.out);
    EXPECT_EQ(result["outcome"], "verifiedWithAcceptedDifferences");
    EXPECT_GT(result["acceptedDifferences"], 0);
}

TEST_F(TypeCommandTest, BadUsageExitsTwoBeforeAnythingStarts) {
    EXPECT_EQ(plumeo(typeArticle("--speed 300 --minutes 2")).status, 2);
    EXPECT_EQ(plumeo(typeArticle("--mode quick")).status, 2);
    EXPECT_EQ(plumeo("--type /nonexistent/article.txt").status, 2);
}

TEST_F(TypeCommandTest, HeadlessSwitchesWriteTheirReports) {
    // No simulator answers: nothing is granted and Word is not running, which the report says.
    const std::string reports = (directory() / "reports").string();
    EXPECT_EQ(plumeo("--status '" + reports + "' --sim-socket /nonexistent.sock").status, 0);
    std::ifstream status(directory() / "reports" / "status.md");
    const std::string report{std::istreambuf_iterator<char>(status),
                             std::istreambuf_iterator<char>()};
    EXPECT_EQ(report.rfind("# 权限状态 ", 0), 0u) << report;
    EXPECT_NE(report.find("- **Word 运行中**：false"), std::string::npos) << report;
    // Without Accessibility the probe types nothing: only its read-only checks run.
    EXPECT_EQ(plumeo("--probe '" + reports + "' --sim-socket /nonexistent.sock").status, 0);
    std::ifstream probe(directory() / "reports" / "probe.md");
    const std::string probeReport{std::istreambuf_iterator<char>(probe),
                                  std::istreambuf_iterator<char>()};
    EXPECT_EQ(probeReport.rfind("# 技术验证探针 ", 0), 0u) << probeReport;
    EXPECT_NE(probeReport.find("- **结论**：缺少辅助功能权限"), std::string::npos) << probeReport;
    EXPECT_NE(probeReport.find("## 只读读回验证（无键盘输入）"), std::string::npos);
    EXPECT_EQ(probeReport.find("## 坐标单位"), std::string::npos) << probeReport;
}

TEST_F(TypeCommandTest, BackgroundProbeLeavesOutTheEmojiSectionOnlyWhenAsked) {
    const auto report = [this](const std::string& options) {
        const std::string reports = (directory() / "reports").string();
        EXPECT_EQ(plumeo("--probe-background '" + reports + "' --start-simulator " + options).status, 0);
        std::ifstream in(directory() / "reports" / "probe-background.md");
        return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    };
    const std::string whole = report("");
    EXPECT_NE(whole.find("## 变体选择符 emoji"), std::string::npos) << whole;
    EXPECT_NE(whole.find("- **前台金丝雀文本框**：空（没有漏进前台应用）"), std::string::npos) << whole;
    const std::string noEmoji = report("--no-emoji");
    EXPECT_EQ(noEmoji.find("变体选择符"), std::string::npos) << noEmoji;
    EXPECT_NE(noEmoji.find("## Word 在后台时发送"), std::string::npos) << noEmoji;
    EXPECT_NE(noEmoji.find("探针结束。"), std::string::npos) << noEmoji;
}
