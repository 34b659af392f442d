#pragma once

#include "core/engine/StopReason.h"
#include "core/engine/TargetExpectation.h"
#include "core/engine/TargetGuard.h"
#include "platform/ax/AXInspector.h"
#include "platform/backend/PlatformBackend.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace plumeo {

/// Decides before every key event whether typing into Word is still safe: Word running,
/// permission granted, the bound document window focused without a dialog, Word in front
/// (unless background typing is allowed), the focus in the body, the cursor where the engine
/// expects it and never behind where it was last seen, and no keyboard or mouse input from the
/// user since sending began. While Word is behind another application the bound window is
/// checked for a sheet on every check.
///
/// Word is read only through Accessibility, never through scripting, so a check costs a few
/// queries capped by the inspector's timeout. The lock guards fields only and is never held
/// across a backend call.
class WordTargetGuard : public TargetGuard {
public:
    /// Timing of the guard's own checks.
    struct Statistics {
        int checkCount = 0;
        double checkTotalSeconds = 0;
        double checkMaxSeconds = 0;
        /// Checks that passed because Word was behind another application.
        int backgroundChecks = 0;

        double checkMeanSeconds() const {
            return checkCount > 0 ? checkTotalSeconds / checkCount : 0;
        }

        bool operator==(const Statistics&) const = default;
    };

    /// The slower probes run only on some checks: trust on checks 1, 11, 21, ...
    static constexpr int trustCadence = 10;
    /// ... and, while Word is in front, the look for a sheet or a modal window on checks 1, 9,
    /// 17, ...
    static constexpr int sheetCheckCadence = 8;
    static constexpr double defaultActivityGraceSeconds = 0.15;
    /// How long a check keeps asking a Word too busy to answer before it stops typing.
    static constexpr double busyBudgetSeconds = 0.5;

    /// Binds the guard to Word's focused window, which must be the target document's window.
    /// Nothing when Word has no focused window: the session must not start then.
    static std::unique_ptr<WordTargetGuard> make(std::shared_ptr<PlatformBackend> backend,
                                                 std::int32_t pid);
    ~WordTargetGuard() override;

    WordTargetGuard(const WordTargetGuard&) = delete;
    WordTargetGuard& operator=(const WordTargetGuard&) = delete;

    void beginSending() override;
    std::optional<StopReason> quickCheck(const TargetExpectation& expect) override;

    std::int32_t pid() const { return ax_.pid(); }
    /// The bound window's AXTitle, or empty.
    std::string boundWindowTitle() const;
    Statistics statistics() const;

    bool detectUserActivity() const;
    void setDetectUserActivity(bool detect);
    /// When allowed, typing goes on while another application is in front (the events go to
    /// Word's process directly).
    bool allowBackground() const;
    void setAllowBackground(bool allow);
    /// Key presses within this time after beginSending() may be this program's own and are
    /// not counted, but only while ownKeysReachSystemInput() is set. Mouse buttons always
    /// count.
    double activityGraceSeconds() const;
    void setActivityGraceSeconds(double seconds);
    /// Whether this session's key events show up among the system's input (posted at the
    /// HID tap) rather than going to Word's process alone. Off by default.
    bool ownKeysReachSystemInput() const;
    void setOwnKeysReachSystemInput(bool reach);
    /// Set once Word has been seen to quit; never cleared.
    bool isTerminated() const;

private:
    // The part the termination callback reaches, held weakly by it so that a notification
    // arriving while the guard goes away touches nothing freed.
    struct Shared {
        mutable std::mutex mutex;
        bool terminated = false;
    };

    WordTargetGuard(std::shared_ptr<PlatformBackend> backend, AXInspector ax,
                    AXElementRef boundWindow, std::optional<AXElementRef> bodyElement);

    std::optional<StopReason> runCheck(const TargetExpectation& expect);
    /// The engine's expectation with the cursor's lower bound raised to the last cursor seen
    /// since beginSending().
    TargetExpectation tightenedByCursorSeen(const TargetExpectation& expect) const;
    std::optional<StopReason> checkBody(const AXElementRef& focused,
                                        const TargetExpectation& expect);
    std::optional<StopReason> checkSelection(const AXElementRef& body,
                                             const TargetExpectation& expect);
    std::optional<StopReason> checkUserActivity(double baselineUptime);
    /// When Word focuses a split group around the body rather than the body itself: the text
    /// or scroll area inside it.
    std::optional<AXElementRef> bodyInSplitGroup(const AXElementRef& focused);
    /// The stop for a query Word did not answer: busy past the budget, or Accessibility off.
    static std::optional<StopReason> unanswered(const AXResult& result);
    /// The stop for a sheet or modal state on the bound window, read without the focus
    /// snapshot, or for a Word too busy to say.
    std::optional<StopReason> sheetOrModalOnBoundWindow();
    std::string frontApplicationName(std::optional<std::int32_t> frontPid);

    std::shared_ptr<PlatformBackend> backend_;
    AXInspector ax_;
    const AXElementRef boundWindow_;
    std::shared_ptr<Shared> shared_;
    ObserverToken terminationObserver_ = 0;

    // Guarded by shared_->mutex.
    std::optional<AXElementRef> bodyElement_;
    std::optional<AXElementRef> splitGroup_; ///< the split group around the body, once seen
    double baselineUptime_ = 0;
    double lastBackgroundSeen_ = 0;
    int checks_ = 0;
    bool detectUserActivity_ = true;
    bool allowBackground_ = true;
    double activityGraceSeconds_ = defaultActivityGraceSeconds;
    bool ownKeysReachSystemInput_ = false;
    std::optional<std::int64_t> lastCursorSeen_;
    Statistics statistics_;
};

} // namespace plumeo
