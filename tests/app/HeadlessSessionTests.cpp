#include "app/session/SessionDriver.h"
#include "core/engine/TypingEngine.h"
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

TEST(SessionCommandLine, ReadsEveryOptionInAnyOrder) {
    const SessionCommandLine parsed =
        parseSessionCommandLine({"--typos", "0.05", "article.txt", "--mode", "natural", "--speed",
                                 "240", "--seed", "18446744073709551615", "--socket", "/tmp/s.sock",
                                 "--start-simulator", "--no-autocorrect"});
    EXPECT_EQ(parsed.articlePath, "article.txt");
    EXPECT_EQ(parsed.mode, TypingMode::natural);
    EXPECT_EQ(parsed.seed, 18446744073709551615ull);
    EXPECT_EQ(parsed.socketPath, "/tmp/s.sock");
    EXPECT_EQ(parsed.simulator, SimulatorSource::ownProcess);
    EXPECT_EQ(parsed.autoCorrect, AutoCorrectPolicy::allOff);
    const ModeSettings settings = sessionSettings(parsed);
    EXPECT_EQ(settings.unitsPerMinute, 240);
    EXPECT_TRUE(settings.typoEnabled);
    EXPECT_EQ(settings.typoRate, 0.05);
}

TEST(SessionCommandLine, DefaultsTypeQuicklyAndLeaveTheEnvironmentAlone) {
    const SessionCommandLine plain = parseSessionCommandLine({"a.txt"});
    EXPECT_EQ(plain.simulator, SimulatorSource::existing);
    EXPECT_EQ(plain.autoCorrect, AutoCorrectPolicy::wordDefaults);
    EXPECT_FALSE(plain.seed.has_value());
    EXPECT_EQ(sessionSettings(plain).mode, TypingMode::stable);
    EXPECT_EQ(sessionSettings(plain).unitsPerMinute, ModeSettings::speedRange.upperBound);
    EXPECT_FALSE(sessionSettings(plain).typoEnabled);
    // Fast mode keeps its own pacing, which lies beyond the range of the other two.
    const auto fast = sessionSettings(parseSessionCommandLine({"--mode", "fast", "a.txt"}));
    EXPECT_EQ(fast.unitsPerMinute, ModeSettings::defaultSpeed(TypingMode::fast));
    EXPECT_EQ(commandLineError({"--mode", "fast", "--speed", "6000", "a.txt"}), "");
    EXPECT_TRUE(parseSessionCommandLine({"--help"}).showHelp);
}

TEST(SessionCommandLine, RejectsBadValuesWithAMessageNamingThem) {
    EXPECT_TRUE(contains(commandLineError({"--mode", "slow", "a.txt"}), "「slow」"));
    EXPECT_TRUE(contains(commandLineError({"--mode", "Stable", "a.txt"}), "「Stable」"));
    EXPECT_TRUE(contains(commandLineError({"--speed", "fast", "a.txt"}), "「fast」"));
    EXPECT_TRUE(contains(commandLineError({"--speed", "12x", "a.txt"}), "「12x」"));
    EXPECT_TRUE(contains(commandLineError({"--speed", "-5", "a.txt"}), "「-5」"));
    EXPECT_TRUE(contains(commandLineError({"--speed", "nan", "a.txt"}), "「nan」"));
    EXPECT_TRUE(contains(commandLineError({"--speed", "5000", "a.txt"}), "30 到 1200"));
    EXPECT_TRUE(contains(commandLineError({"--speed", "29", "a.txt"}), "30 到 1200"));
    EXPECT_TRUE(contains(commandLineError({"--seed", "0", "a.txt"}), "「0」"));
    EXPECT_TRUE(contains(commandLineError({"--seed", "-1", "a.txt"}), "「-1」"));
    EXPECT_TRUE(contains(commandLineError({"--seed", "18446744073709551616", "a.txt"}), "种子"));
    EXPECT_TRUE(
        contains(commandLineError({"--typos", "1.5", "--mode", "natural", "a.txt"}), "「1.5」"));
    EXPECT_TRUE(contains(commandLineError({"--typos", "0.1", "a.txt"}), "自然模式"));
}

TEST(SessionCommandLine, RejectsMissingOrSurplusArguments) {
    EXPECT_TRUE(contains(commandLineError({}), "缺少文章文件"));
    EXPECT_TRUE(contains(commandLineError({"--start-simulator"}), "缺少文章文件"));
    // A switch at the end has no value; it must not swallow nothing or the file name.
    EXPECT_TRUE(contains(commandLineError({"a.txt", "--mode"}), "--mode 缺少取值"));
    EXPECT_TRUE(contains(commandLineError({"a.txt", "b.txt"}), "只能给出一个"));
    EXPECT_TRUE(contains(commandLineError({"--fast", "a.txt"}), "未知的选项 --fast"));
}

TEST(SessionResult, ExitsZeroOnlyForAVerifiedDocument) {
    EXPECT_EQ(SessionDriver::exitCode(SessionPhase::completed(VerificationOutcome::verified())),
              0);
    EXPECT_EQ(SessionDriver::exitCode(
                  SessionPhase::completed(VerificationOutcome::verifiedWithAcceptedDifferences(2))),
              0);
    EXPECT_EQ(SessionDriver::exitCode(
                  SessionPhase::completed(VerificationOutcome::unverified("读回失败"))),
              1);
    EXPECT_EQ(SessionDriver::exitCode(
                  SessionPhase::completed(VerificationOutcome::mismatch(ComparisonReport{}))),
              1);
    EXPECT_EQ(SessionDriver::exitCode(SessionPhase::cancelled(StopReason::userCancel())), 1);
    EXPECT_EQ(SessionDriver::exitCode(SessionPhase::paused(StopReason::userPause())), 1);
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

    std::unique_ptr<SessionDriver> makeSession(std::function<bool()> cancel = {}) {
        SessionDriverOptions options;
        options.settings = ModeSettings::make(TypingMode::stable, 1200, false, 0);
        options.seed = 42;
        options.out = &output;
        options.cancelRequested = std::move(cancel);
        return std::make_unique<SessionDriver>(
            std::make_shared<SimBackend>(simulator().socketPath()), options);
    }

    std::string documentName;
    std::ostringstream output;
};

} // namespace

TEST_F(HeadlessSessionRun, TypesAtTheCursorAndVerifies) {
    control().setDocumentText(documentName, u"前文后文", 2);
    auto session = makeSession();
    const SessionPhase phase = session->run(u"Hi 世界！\n第二段 😀");

    EXPECT_EQ(phase, SessionPhase::completed(VerificationOutcome::verified())) << output.str();
    EXPECT_EQ(SessionDriver::exitCode(phase), 0);
    EXPECT_EQ(control().documentText(documentName), u"前文Hi 世界！\r第二段 😀后文\r");
    EXPECT_TRUE(contains(output.str(), "完成：整篇读回与原文逐字一致")) << output.str();
    EXPECT_TRUE(contains(output.str(), "已发送 12 · 已确认 12 · 共 12")) << output.str();
}

TEST_F(HeadlessSessionRun, RefusesASelectionAndTypesNothing) {
    control().setDocumentText(documentName, u"原有内容", 1);
    control().setSelection(documentName, 1, 3);
    auto session = makeSession();
    const SessionPhase phase = session->run(u"不应出现");
    EXPECT_EQ(phase.kind, SessionPhase::Kind::idle);
    EXPECT_TRUE(contains(output.str(),
                         "无法开始：Word 中有选中的文字：请点击一下取消选中，只保留插入光标"))
        << output.str();
    EXPECT_EQ(control().documentText(documentName), u"原有内容\r");
}

TEST_F(HeadlessSessionRun, AnActivationMacOSRefusesIsNotTakenForWordInFront) {
    const int canary = static_cast<int>(getpid());
    ASSERT_TRUE(control().registerApp(canary, "org.plumeo.tests", "测试", "金丝雀"));
    ASSERT_TRUE(control().activate(canary));
    control().setRefuseActivation(true);
    auto session = makeSession();
    const SessionPhase phase = session->run(u"不应出现");
    EXPECT_EQ(phase.kind, SessionPhase::Kind::idle);
    EXPECT_TRUE(contains(output.str(), "Word 没有成为前台应用，已取消开始。")) << output.str();
    EXPECT_EQ(control().fieldText(canary), u"");
    EXPECT_EQ(control().documentText(documentName), u"\r");
}

TEST_F(HeadlessSessionRun, CancelStopsTheKeysBeforeReturning) {
    const std::u16string article(300, u'字');
    SessionDriver* running = nullptr;
    auto session = makeSession([&running] {
        return running && running->model().snapshot() &&
               running->model().snapshot()->ledger.sentUnits >= 5;
    });
    running = session.get();
    const SessionPhase phase = session->run(article);
    EXPECT_EQ(phase.kind, SessionPhase::Kind::cancelled) << output.str();
    EXPECT_EQ(phase.reason.kind, StopReason::Kind::userCancel);
    EXPECT_NE(SessionDriver::exitCode(phase), 0);
    const int sent = session->model().engine()->snapshot().ledger.sentUnits;
    EXPECT_LT(sent, 300);
    // Whatever was posted has landed once run() returns, and nothing follows it.
    const std::u16string atReturn = control().documentText(documentName);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(control().documentText(documentName), atReturn);
    EXPECT_LE(utf16Count(atReturn), sent + 1);
}

TEST(LocalSimulator, ReadiesWordAndSwitchesAutoCorrectOffOnlyWhenAsked) {
    LocalSimulator simulator;
    SimControl control(simulator.socketPath());
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

TEST(LocalSimulator, StartsWordWithADocumentAndCleansUp) {
    std::string socketPath;
    {
        LocalSimulator simulator;
        socketPath = simulator.socketPath();
        SimControl control(socketPath);
        EXPECT_TRUE(control.wordPid().has_value());
        EXPECT_EQ(control.dump()["word"]["documents"].size(), 1u);
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(socketPath).parent_path()));
}
