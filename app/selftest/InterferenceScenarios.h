#pragma once

#include "app/selftest/SelfTestHarness.h"

#include <atomic>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>

namespace plumeo::selftest {

/// UTF-16 units in `actual` that `expected` does not account for: what lies between their
/// common beginning and their common end, that is text written where it does not belong.
int unitsOutOfPlace(const std::u16string& expected, const std::u16string& actual);

/// The cases that interfere with a running session from outside: pauses, cancelling, the
/// emergency-stop hot key, another application or document in front, the user's click, a
/// script that moves the cursor, a dialog, a stop in the middle of a typo and tracked
/// revisions. Each interferes at a stroke it chooses through the sink's hook, checks that
/// nothing more was sent and nothing went astray, puts things right as the user would and
/// lets the engine carry on from a read-back.
class InterferenceScenarios {
public:
    explicit InterferenceScenarios(SelfTestHarness& harness) : h_(harness) {}

    /// I1, the cancel case, I3, I4a, I4b, I5 to I10, in this order.
    void runInterrupts();
    /// I4a and I4b.
    void runBackground();

private:
    using TypingCase = SelfTestHarness::TypingCase;
    using Deadline = SelfTestHarness::Deadline;
    /// What a scenario's hook, its drive and its judge share. The hook runs on the engine's
    /// worker, the rest on the harness's thread.
    struct CaseState {
        std::atomic<double> interferedAt{0};
        std::atomic<bool> interfered{false};
        std::atomic<bool> actFailed{false};
        /// Set by the harness's thread only.
        bool ok = true;
        int stops = 0;
        std::string interference;
        /// A typo letter the stop left standing in the document; the engine removes it on
        /// resuming. Set by the hook before `interfered`.
        std::u16string standingTypo;
        /// A helper the hook started (a dialog, a pause request); joined by the drive.
        std::thread helper;

        ~CaseState() {
            if (helper.joinable())
                helper.join();
        }
    };

    /// Runs the cases the harness's selection lets through, in the order given.
    void runSelected(
        std::initializer_list<std::pair<const char*, void (InterferenceScenarios::*)()>> cases);

    void pauseAndResume();
    void cancel();
    void emergencyHotKey();
    void switchToCanary();
    void typeBehindCanary();
    void switchDocument();
    void userClick();
    void scriptMovesCursor();
    void dialog();
    void stopDuringTypo();
    void trackedRevisions();

    TypingCase interferenceCase(std::string id, std::string name, TypingMode mode,
                                std::u16string article) const;
    /// Hooks `act` on the stroke at `share` of the text; it runs on the engine's worker while
    /// the engine holds its lock, so it must never call the engine.
    void interfereAt(SelfTestSession& session, double share, std::shared_ptr<CaseState> state,
                     std::function<bool()> act);
    /// Runs `act` in the guard's check before the stroke at `share` of the text, on the
    /// engine's worker outside its lock: a stop requested there must keep that stroke back.
    void actAtCheck(SelfTestSession& session, double share, std::function<void()> act);
    /// Waits until the hook has interfered or the session stopped; false when it never did.
    bool awaitInterference(const SelfTestSession& session, const CaseState& state,
                           TestResult& result, Deadline deadline);
    /// The user puts things right (the test document in front again, the cursor back where
    /// the engine says typing continues) and resumes until the session ends. Checks first that
    /// the document holds exactly what the engine reports as landed.
    SessionPhase carryOn(SelfTestSession& session, TestResult& result, Deadline deadline,
                         CaseState& state);
    /// Ends as the default does (completed, verified, independently equal) and with every
    /// check of the scenario held.
    std::function<bool(SelfTestSession&, const SessionPhase&, TestResult&)>
    judgeCompleted(std::shared_ptr<CaseState> state);
    /// Word's document through Accessibility when it can, as the engine's reader reads it.
    std::optional<std::u16string> readDocument(const std::string& docName);
    bool canaryEmpty(TestResult& result);
    bool canaryAvailable(const std::string& id, const std::string& name);
    double uptime() const;

    SelfTestHarness& h_;
};

} // namespace plumeo::selftest
