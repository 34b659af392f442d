#pragma once

#include "app/selftest/SelfTestOutput.h"
#include "app/selftest/SelfTestSession.h"
#include "app/selftest/TestResult.h"
#include "app/selftest/WordFixtureDriver.h"
#include "core/text/TypingMode.h"
#include "platform/backend/PlatformBackend.h"
#include "platform/input/HotKeyCenter.h"
#include "platform/input/InputSourceController.h"
#include "platform/script/WordBridge.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace plumeo::selftest {

class SelfTestDesktop;

struct SelfTestOptions {
    /// Long texts shortened to a few hundred units, time limits with them, for CI.
    bool quick = false;
    /// The canary window and the user's mouse; absent where the platform offers neither.
    std::shared_ptr<SelfTestDesktop> desktop;
    /// The interference cases to run, by id ("I2" is the cancel case); empty: all of them.
    std::set<std::string> cases;
};

/// Runs one self-test suite against Word in test documents of its own and writes
/// selftest-<suite>.md and selftest-<suite>.json into the output directory.
class SelfTestHarness {
    friend class InterferenceScenarios;
    friend class SafetyScenarios;
    friend class InterfaceScenario;

public:
    /// The groups a suite runs, in order; empty for an unknown suite.
    static std::vector<std::string> groupsOf(const std::string& suite);
    /// The summary section for `results`, without its end time.
    static std::string summary(const std::vector<TestResult>& results);

    SelfTestHarness(std::string suite, std::filesystem::path outputDir,
                    std::shared_ptr<PlatformBackend> backend, SelfTestOptions options = {});
    ~SelfTestHarness();

    /// 0 when nothing failed, 1 otherwise.
    int run();
    const std::vector<TestResult>& results() const { return results_; }

private:
    using Deadline = std::chrono::steady_clock::time_point;

    struct TypingCase {
        std::string id;
        std::string name;
        TypingMode mode = TypingMode::stable;
        std::optional<double> unitsPerMinute;
        bool typos = false;
        double typoRate = 0;
        std::optional<std::uint64_t> seed;
        std::u16string article;
        double limitSeconds = 900;
        /// Set up before the engine starts, for example the sink's hook.
        std::function<void(SelfTestSession&)> arm;
        /// Checks after the session ended; adds details and returns whether they hold. Absent:
        /// the session must complete verified.
        std::function<bool(SelfTestSession&, const SessionPhase&, TestResult&)> judge;
        /// Runs the case once the engine started, in place of waiting for the first stop;
        /// returns the phase the case ended in.
        std::function<SessionPhase(SelfTestSession&, TestResult&, Deadline)> drive = nullptr;
        /// Puts a reader of the case's own between the engine and Word's (a fault injector).
        std::function<std::shared_ptr<DocumentReader>(std::shared_ptr<DocumentReader>)> wrapReader =
            nullptr;
    };

    void record(TestResult result);
    void writeHeader();
    bool checkPreconditions();
    void runGroup(const std::string& group);
    void finish();
    void notBuilt(const std::string& id, const std::string& name);

    /// Whether the interference case `id` is to run; remembers that the selection named it.
    bool selected(const std::string& id);

    void setUpCanaryAndHotKeys();
    void onHotKey(HotKeyCenter::Action action);

    void runTypingCase(const TypingCase& spec);
    /// Waits until the session stops, ends or asks for relocation, or the deadline passes.
    SessionPhase waitForSettled(const SelfTestSession& session, Deadline deadline) const;
    /// Makes a test document holding the pre-existing content with the cursor between its two
    /// paragraphs; returns the reason when it could not.
    std::optional<std::string> prepareDocument(SelfTestSession& session);
    std::optional<std::string> checkTarget(const SelfTestSession& session);
    bool verifyIndependently(const SelfTestSession& session, const std::u16string& expected,
                             TestResult& result);

    void runCoreGroup();

    std::u16string longText(int graphemes) const;
    double limit(double full) const;

    std::string suite_;
    std::filesystem::path outputDir_;
    std::shared_ptr<PlatformBackend> backend_;
    SelfTestOptions options_;
    std::unique_ptr<SelfTestOutput> out_;
    std::vector<TestResult> results_;
    std::unique_ptr<WordBridge> bridge_;
    std::unique_ptr<WordFixtureDriver> fixture_;
    std::unique_ptr<InputSourceController> inputs_;
    std::vector<std::string> createdDocs_;
    std::string originalInputSource_;
    int userDocumentCount_ = 0;
    std::int32_t wordPID_ = 0;
    bool canaryOpen_ = false;
    std::set<std::string> casesSeen_;
    std::unique_ptr<HotKeyCenter> hotkeys_;
    /// The engine the emergency-stop hot key stops, and when it last asked it to (uptime).
    mutable std::mutex hotkeyLock_;
    std::weak_ptr<TypingEngine> hotkeySession_;
    double hotkeyStopRequestedAt_ = 0;
};

} // namespace plumeo::selftest
