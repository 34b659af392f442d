#include "app/session/HeadlessSession.h"
#include "app/session/LocalSimulator.h"
#include "app/session/SessionCommandLine.h"
#include "core/text/Utf16.h"
#include "mac/backend/sim/SimBackend.h"
#include "tests/support/SimulatorFixture.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace plumeo;

namespace {

/// The message of the CommandLineError the arguments give, or "" when they parse.
std::string commandLineError(const std::vector<std::string>& arguments) {
    try {
        parseSessionCommandLine(arguments);
    } catch (const CommandLineError& error) {
        return error.what();
    }
    return "";
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(SessionCommandLine, ReadsEveryOptionInAnyOrderAndLeavesWordAloneByDefault) {
    const SessionCommandLine parsed =
        parseSessionCommandLine({"--typos", "0.05", "article.txt", "--mode", "natural", "--speed",
                                 "240", "--seed", "18446744073709551615", "--socket", "/tmp/s.sock",
                                 "--start-simulator", "--no-autocorrect"});
    EXPECT_EQ(parsed.articlePath, "article.txt");
    EXPECT_EQ(parsed.seed, 18446744073709551615ull);
    EXPECT_EQ(parsed.socketPath, "/tmp/s.sock");
    EXPECT_EQ(parsed.simulator, SimulatorSource::ownProcess);
    EXPECT_EQ(parsed.autoCorrect, AutoCorrectPolicy::allOff);
    EXPECT_EQ(sessionSettings(parsed), ModeSettings::make(TypingMode::natural, 240, true, 0.05));

    const SessionCommandLine plain = parseSessionCommandLine({"a.txt"});
    EXPECT_EQ(plain.simulator, SimulatorSource::existing);
    EXPECT_EQ(plain.autoCorrect, AutoCorrectPolicy::wordDefaults);
    // Fast mode keeps its own pacing, which lies beyond the range of the other two.
    EXPECT_EQ(commandLineError({"--mode", "fast", "--speed", "6000", "a.txt"}), "");
}

TEST(SessionCommandLine, RejectsBadMissingOrSurplusArgumentsNamingThem) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--mode", "Stable", "a.txt"}, "「Stable」"},
        {{"--speed", "12x", "a.txt"}, "「12x」"},
        {{"--speed", "nan", "a.txt"}, "「nan」"},
        {{"--speed", "5000", "a.txt"}, "30 到 1200"},
        {{"--speed", "29", "a.txt"}, "30 到 1200"},
        {{"--seed", "0", "a.txt"}, "「0」"},
        {{"--seed", "18446744073709551616", "a.txt"}, "种子"},
        {{"--typos", "1.5", "--mode", "natural", "a.txt"}, "「1.5」"},
        {{"--typos", "0.1", "a.txt"}, "自然模式"},
        {{"--start-simulator"}, "缺少文章文件"},
        {{"a.txt", "--mode"}, "--mode 缺少取值"},
        {{"a.txt", "b.txt"}, "只能给出一个"},
        {{"--fast", "a.txt"}, "未知的选项 --fast"},
    };
    for (const auto& [arguments, part] : cases)
        EXPECT_TRUE(contains(commandLineError(arguments), part)) << part;
}

TEST(SessionResult, ExitsZeroOnlyForAVerifiedDocument) {
    using Outcome = VerificationOutcome;
    EXPECT_EQ(HeadlessSession::exitCode(SessionPhase::completed(Outcome::verified())), 0);
    EXPECT_EQ(HeadlessSession::exitCode(
                  SessionPhase::completed(Outcome::verifiedWithAcceptedDifferences(2))),
              0);
    for (const SessionPhase& phase : {SessionPhase::completed(Outcome::unverified("读回失败")),
                                      SessionPhase::completed(Outcome::mismatch({})),
                                      SessionPhase::cancelled(StopReason::userCancel()),
                                      SessionPhase::paused(StopReason::userPause())})
        EXPECT_EQ(HeadlessSession::exitCode(phase), 1) << phase.title();
}

TEST(SessionResult, ListsAtMostTenDifferencesWithTheirPositions) {
    ComparisonReport report{100, 90, {}, false};
    for (int i = 0; i < 12; ++i)
        report.hunks.push_back({i * 5, 1, i * 5, 0, DifferenceKind::missing, i == 1});
    const auto lines = HeadlessSession::resultLines(
        SessionPhase::completed(VerificationOutcome::mismatch(report)));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[2], "差异 2：缺失内容；位置 5；位于插入区之外");
    EXPECT_EQ(lines[10], "差异 10：缺失内容；位置 45");
}

namespace {

class HeadlessSessionRun : public plumeo::testing::SimulatorFixture {
protected:
    void SetUp() override {
        SimulatorFixture::SetUp();
        documentName = control().dump()["word"]["documents"][0]["name"].get<std::string>();
        // Word's AutoCorrect would rewrite the article; these runs are about the wiring.
        readySimulatedWord(control(), AutoCorrectPolicy::allOff);
    }

    std::unique_ptr<HeadlessSession> makeSession(std::function<bool()> cancel = {}) {
        HeadlessSessionOptions options;
        options.settings = ModeSettings::make(TypingMode::stable, 1200, false, 0);
        options.seed = 42;
        options.out = &output;
        options.cancelRequested = std::move(cancel);
        return std::make_unique<HeadlessSession>(
            std::make_shared<SimBackend>(simulator().socketPath()), options);
    }

    std::string documentName;
    std::ostringstream output;
};

} // namespace

TEST_F(HeadlessSessionRun, TypesAtTheCursorAndVerifies) {
    control().setDocumentText(documentName, u"前文后文", 2);
    auto session = makeSession();
    session->prepare(u"Hi 世界！\n第二段 😀");
    const SessionPhase phase = session->run();

    EXPECT_EQ(phase, SessionPhase::completed(VerificationOutcome::verified())) << output.str();
    EXPECT_EQ(control().documentText(documentName), u"前文Hi 世界！\r第二段 😀后文\r");
    EXPECT_TRUE(contains(output.str(), "已发送 12 · 已确认 12 · 共 12")) << output.str();
}

TEST_F(HeadlessSessionRun, RefusesASelectionAndTypesNothing) {
    control().setDocumentText(documentName, u"原有内容", 1);
    control().setSelection(documentName, 1, 3);
    auto session = makeSession();
    EXPECT_THROW(session->prepare(u"不应出现"), SessionSetupError);
    EXPECT_EQ(control().documentText(documentName), u"原有内容\r");
}

TEST_F(HeadlessSessionRun, AnActivationMacOSRefusesIsNotTakenForWordInFront) {
    const int canary = static_cast<int>(getpid());
    ASSERT_TRUE(control().registerApp(canary, "org.plumeo.tests", "测试", "金丝雀"));
    ASSERT_TRUE(control().activate(canary));
    control().setRefuseActivation(true);
    auto session = makeSession();
    try {
        session->prepare(u"不应出现");
        FAIL() << "Word was taken to be in front";
    } catch (const SessionSetupError& error) {
        EXPECT_STREQ(error.what(), "Word 没有成为前台应用，已取消开始。");
    }
    EXPECT_EQ(control().fieldText(canary), u"");
    EXPECT_EQ(control().documentText(documentName), u"\r");
}

TEST_F(HeadlessSessionRun, CancelStopsTheKeysBeforeReturning) {
    const std::u16string article(300, u'字');
    HeadlessSession* running = nullptr;
    auto session = makeSession(
        [&running] { return running && running->engine()->snapshot().ledger.sentUnits >= 5; });
    running = session.get();
    session->prepare(article);
    const SessionPhase phase = session->run();

    EXPECT_EQ(phase, SessionPhase::cancelled(StopReason::userCancel())) << output.str();
    const int sent = session->engine()->snapshot().ledger.sentUnits;
    EXPECT_LT(sent, 300);
    // Whatever was posted has landed once run() returns, and nothing follows it.
    const std::u16string atReturn = control().documentText(documentName);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(control().documentText(documentName), atReturn);
    EXPECT_LE(utf16Count(atReturn), sent + 1);
}

TEST(LocalSimulator, SwitchesAutoCorrectOffOnlyWhenAskedAndCleansUp) {
    std::string socketPath;
    {
        LocalSimulator simulator;
        socketPath = simulator.socketPath();
        SimControl control(socketPath);
        control.quitWord();
        readySimulatedWord(control, AutoCorrectPolicy::wordDefaults);
        nlohmann::json state = control.dump();
        ASSERT_TRUE(control.wordPid().has_value());
        EXPECT_EQ(state["frontmostPid"], *control.wordPid());
        EXPECT_EQ(state["word"]["documents"].size(), 1u);
        EXPECT_EQ(state["autoCorrect"]["replaceQuotes"], true);

        readySimulatedWord(control, AutoCorrectPolicy::allOff);
        state = control.dump();
        EXPECT_EQ(state["word"]["documents"].size(), 1u) << "a second document was opened";
        for (const auto& [name, on] : state["autoCorrect"].items())
            EXPECT_EQ(on, false) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(socketPath).parent_path()));
}
