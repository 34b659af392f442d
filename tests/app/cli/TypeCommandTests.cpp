// plumeo --type as a shell runs it: a process with no terminal, the result on standard output,
// progress and reasons on standard error, and the exit status.

#include "app/cli/SessionResult.h"
#include "app/entry/BackendChoice.h"
#include "tests/support/SimulatorFixture.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <nlohmann/json.hpp>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct ProcessRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string contents(const fs::path& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

/// Runs plumeo in a directory of its own: a home without saved settings, standard input
/// closed, standard output and error into files.
class PlumeoProcess {
public:
    PlumeoProcess() {
        directory_ = fs::temp_directory_path() /
                     ("plumeo-type-" + std::to_string(::getpid()) + "-" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(directory_ / "home");
    }
    ~PlumeoProcess() { fs::remove_all(directory_); }

    const fs::path& directory() const { return directory_; }

    void start(const std::vector<std::string>& arguments) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        const std::string out = (directory_ / "out").string();
        const std::string err = (directory_ / "err").string();
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> strings{PLUMEO_EXECUTABLE};
        strings.insert(strings.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& text : strings)
            argv.push_back(text.data());
        argv.push_back(nullptr);
        std::string home = "HOME=" + (directory_ / "home").string();
        std::vector<char*> environment{home.data()};
        for (char** variable = environ; *variable; ++variable)
            if (std::string_view(*variable).rfind("HOME=", 0) != 0)
                environment.push_back(*variable);
        environment.push_back(nullptr);
        ASSERT_EQ(::posix_spawn(&pid_, PLUMEO_EXECUTABLE, &actions, nullptr, argv.data(),
                                environment.data()),
                  0);
        posix_spawn_file_actions_destroy(&actions);
    }

    void interrupt() { ::kill(pid_, SIGINT); }

    ProcessRun finish() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(directory_ / "out"),
                contents(directory_ / "err")};
    }

    ProcessRun run(const std::vector<std::string>& arguments) {
        start(arguments);
        return finish();
    }

    /// A quick, reproducible --type session with its JSON result.
    std::vector<std::string> typeArticle(const std::string& article,
                                         std::vector<std::string> options) {
        const fs::path path = directory_ / "article.txt";
        std::ofstream(path) << article;
        std::vector<std::string> arguments{"--type", path.string(), "--countdown", "0",
                                           "--seed", "7", "--json"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return arguments;
    }

private:
    fs::path directory_;
    pid_t pid_ = -1;
};

// Straight quotes, which the simulated Word's AutoCorrect curls.
const std::string quotedArticle = "Plumeo 测试 \"quoted\" words\n第二段\n";
const std::vector<std::string> privateQuickSimulator{"--start-simulator", "--speed", "1200"};

std::vector<std::string> with(std::vector<std::string> options, const std::string& more) {
    options.push_back(more);
    return options;
}

} // namespace

TEST(TypeCommand, AVerifiedSessionExitsZeroAndItsJsonHoldsCountsButNoText) {
    PlumeoProcess plumeo;
    const ProcessRun run = plumeo.run(
        plumeo.typeArticle(quotedArticle, with(privateQuickSimulator, "--no-autocorrect")));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const auto result = nlohmann::json::parse(run.out);
    EXPECT_EQ(result["outcome"], "verified");
    EXPECT_EQ(result["counts"]["confirmedUnits"], result["counts"]["totalUnits"]);
    EXPECT_TRUE(result["counts"]["finalVerified"]);
    EXPECT_EQ(run.out.find("quoted"), std::string::npos);
    EXPECT_EQ(run.out.find("测试"), std::string::npos);
}

TEST(TypeCommand, APauseWithoutATerminalCancelsUnlessDifferencesAreAccepted) {
    PlumeoProcess plumeo;
    const ProcessRun cancelled = plumeo.run(plumeo.typeArticle(quotedArticle, privateQuickSimulator));
    EXPECT_EQ(cancelled.status, 4) << cancelled.out << cancelled.err;
    const auto stopped = nlohmann::json::parse(cancelled.out);
    EXPECT_EQ(stopped["outcome"], "cancelled");
    EXPECT_EQ(stopped["lastStop"]["postsAfterStop"], 0);

    const ProcessRun accepted = plumeo.run(
        plumeo.typeArticle(quotedArticle, with(privateQuickSimulator, "--accept-differences")));
    EXPECT_EQ(accepted.status, 1) << accepted.out << accepted.err;
    const auto result = nlohmann::json::parse(accepted.out);
    EXPECT_EQ(result["outcome"], "verifiedWithAcceptedDifferences");
    EXPECT_GT(result["acceptedDifferences"], 0);
}

// Verified, accepted and cancelled runs are checked end to end above.
TEST(TypeCommand, AnUncheckedOrMismatchedDocumentIsNoSuccess) {
    using plumeo::SessionPhase;
    using plumeo::VerificationOutcome;
    using plumeo::cli::exitStatusFor;
    EXPECT_EQ(exitStatusFor(SessionPhase::completed(VerificationOutcome::unverified("读回失败"))),
              3);
    EXPECT_EQ(exitStatusFor(
                  SessionPhase::completed(VerificationOutcome::mismatch(plumeo::ComparisonReport{}))),
              3);
    EXPECT_EQ(exitStatusFor(SessionPhase::idle()), 4);
}

TEST(TypeCommand, BadUsageExitsTwoBeforeAnythingStarts) {
    PlumeoProcess plumeo;
    EXPECT_EQ(plumeo.run(plumeo.typeArticle("文", {"--speed", "300", "--minutes", "2"})).status, 2);
    EXPECT_EQ(plumeo.run(plumeo.typeArticle("文", {"--mode", "quick"})).status, 2);
    EXPECT_EQ(plumeo.run({"--type", "/nonexistent/article.txt"}).status, 2);
}

TEST(TypeCommand, HeadlessSwitchesWriteTheirReports) {
    PlumeoProcess plumeo;
    // No simulator answers: nothing is granted and Word is not running, which the report says.
    const fs::path reports = plumeo.directory() / "reports";
    EXPECT_EQ(plumeo.run({"--status", reports.string(), "--sim-socket", "/nonexistent.sock"}).status,
              0);
    const std::string report = contents(reports / "status.md");
    EXPECT_EQ(report.rfind("# 权限状态 ", 0), 0u) << report;
    EXPECT_NE(report.find("- **Word 运行中**：false"), std::string::npos) << report;
    // Without Accessibility the probe types nothing: only its read-only checks run.
    EXPECT_EQ(plumeo.run({"--probe", reports.string(), "--sim-socket", "/nonexistent.sock"}).status,
              0);
    const std::string probeReport = contents(reports / "probe.md");
    EXPECT_EQ(probeReport.rfind("# 技术验证探针 ", 0), 0u) << probeReport;
    EXPECT_NE(probeReport.find("- **结论**：缺少辅助功能权限"), std::string::npos) << probeReport;
    EXPECT_NE(probeReport.find("## 只读读回验证（无键盘输入）"), std::string::npos);
    EXPECT_EQ(probeReport.find("## 坐标单位"), std::string::npos) << probeReport;
}

TEST(TypeCommand, BackgroundProbeLeavesOutTheEmojiSectionOnlyWhenAsked) {
    PlumeoProcess plumeo;
    const fs::path reports = plumeo.directory() / "reports";
    const auto report = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(),
                         {"--probe-background", reports.string(), "--start-simulator"});
        EXPECT_EQ(plumeo.run(arguments).status, 0);
        return contents(reports / "probe-background.md");
    };
    const std::string whole = report({});
    EXPECT_NE(whole.find("## 变体选择符 emoji"), std::string::npos) << whole;
    EXPECT_NE(whole.find("- **前台金丝雀文本框**：空（没有漏进前台应用）"), std::string::npos) << whole;
    const std::string noEmoji = report({"--no-emoji"});
    EXPECT_EQ(noEmoji.find("变体选择符"), std::string::npos) << noEmoji;
    EXPECT_NE(noEmoji.find("## Word 在后台时发送"), std::string::npos) << noEmoji;
    EXPECT_NE(noEmoji.find("探针结束。"), std::string::npos) << noEmoji;
}

namespace {

/// plumeo --type into a simulator the test controls.
class TypeCommandIntoWord : public plumeo::testing::SimulatorFixture {
protected:
    void SetUp() override {
        SimulatorFixture::SetUp();
        documentName = control().dump()["word"]["documents"][0]["name"].get<std::string>();
        plumeo::entry::readySimulatedWord(control(), plumeo::entry::AutoCorrectPolicy::allOff);
    }

    std::vector<std::string> typeArticle(const std::string& article, const std::string& speed) {
        return plumeo.typeArticle(article,
                                  {"--sim-socket", simulator().socketPath(), "--speed", speed});
    }

    std::u16string document() { return control().documentText(documentName); }

    PlumeoProcess plumeo;
    std::string documentName;
};

} // namespace

TEST_F(TypeCommandIntoWord, TypesAtTheInsertionPointAndVerifies) {
    control().setDocumentText(documentName, u"前文后文", 2);
    const ProcessRun run = plumeo.run(typeArticle("Hi 世界！\n第二段 😀\n", "1200"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(document(), u"前文Hi 世界！\r第二段 😀后文\r");
}

TEST_F(TypeCommandIntoWord, AStartThatCannotHappenTypesNothingAndSaysWhy) {
    control().setDocumentText(documentName, u"原有内容", 1);
    control().setSelection(documentName, 1, 3);
    ProcessRun run = plumeo.run(typeArticle("不应出现", "1200"));
    EXPECT_EQ(run.status, 4);
    EXPECT_NE(run.err.find("Word 中有选中的文字"), std::string::npos) << run.err;

    // Detection passes, but Word does not come to the front for the start.
    control().setSelection(documentName, 1, 1);
    const int canary = static_cast<int>(::getpid());
    ASSERT_TRUE(control().registerApp(canary, "org.plumeo.tests", "测试", "金丝雀"));
    ASSERT_TRUE(control().activate(canary));
    control().setRefuseActivation(true);
    run = plumeo.run(typeArticle("不应出现", "1200"));
    EXPECT_EQ(run.status, 4);
    EXPECT_NE(run.err.find("Word 没有成为前台应用"), std::string::npos) << run.err;
    EXPECT_EQ(document(), u"原有内容\r");
    EXPECT_EQ(control().fieldText(canary), u"");
}

TEST_F(TypeCommandIntoWord, CtrlCStopsTheKeysBeforeTheProcessEnds) {
    std::string article;
    for (int unit = 0; unit < 300; ++unit)
        article += "字";
    plumeo.start(typeArticle(article, "600"));
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (document().size() < 10 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    plumeo.interrupt();
    const ProcessRun run = plumeo.finish();
    EXPECT_EQ(run.status, 4) << run.err;
    const auto result = nlohmann::json::parse(run.out);
    EXPECT_EQ(result["outcome"], "cancelled");
    EXPECT_EQ(result["lastStop"]["postsAfterStop"], 0);
    // Whatever was posted has landed once the process is gone, and nothing follows it.
    const std::u16string atExit = document();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(document(), atExit);
    EXPECT_LT(atExit.size(), 300u);
    EXPECT_LE(atExit.size(), result["counts"]["sentUnits"].get<std::size_t>() + 1);
}
