#include "platform/ax/WordTargetGuard.h"

#include "core/text/Utf16.h"

#include <algorithm>
#include <array>
#include <limits>

namespace plumeo {

namespace {

struct UserInputKind {
    std::uint32_t eventType; // Quartz event type number
    const char* name;
};

constexpr std::uint32_t keyDownEventType = 10;
// kCGAnyInputEventType: the idle time since any input at all.
constexpr std::uint32_t anyInputEventType = 0xFFFFFFFFu;

// Examined in this order; the first kind seen since the reference time names the stop.
constexpr std::array<UserInputKind, 4> userInputKinds{{
    {keyDownEventType, "按键"},
    {1, "鼠标点击"},  // left mouse down
    {3, "鼠标右键"},  // right mouse down
    {25, "鼠标按键"}, // other mouse down
}};

bool isDialogSubrole(const std::string& subrole) {
    return subrole == "AXDialog" || subrole == "AXSystemDialog" || subrole == "AXFloatingWindow";
}

} // namespace

std::unique_ptr<WordTargetGuard> WordTargetGuard::make(std::shared_ptr<PlatformBackend> backend,
                                                       std::int32_t pid) {
    AXInspector ax(backend, pid, busyBudgetSeconds);
    auto window = ax.focusedWindow();
    if (!window)
        return nullptr;
    std::optional<AXElementRef> body;
    if (auto focused = ax.focusedElement()) {
        auto role = ax.role(*focused);
        if (role == AXNames::textAreaRole || role == AXNames::scrollAreaRole)
            body = std::move(focused);
    }
    return std::unique_ptr<WordTargetGuard>(new WordTargetGuard(
        std::move(backend), std::move(ax), std::move(*window), std::move(body)));
}

WordTargetGuard::WordTargetGuard(std::shared_ptr<PlatformBackend> backend, AXInspector ax,
                                 AXElementRef boundWindow, std::optional<AXElementRef> bodyElement)
    : backend_(std::move(backend)), ax_(std::move(ax)), boundWindow_(std::move(boundWindow)),
      shared_(std::make_shared<Shared>()), bodyElement_(std::move(bodyElement)) {
    std::weak_ptr<Shared> weakShared = shared_;
    const std::int32_t pid = ax_.pid();
    terminationObserver_ =
        backend_->observeApplicationTerminated([weakShared, pid](std::int32_t terminatedPid) {
            if (terminatedPid != pid)
                return;
            if (auto shared = weakShared.lock()) {
                std::lock_guard lock(shared->mutex);
                shared->terminated = true;
            }
        });
}

WordTargetGuard::~WordTargetGuard() {
    backend_->removeObserver(terminationObserver_);
}

void WordTargetGuard::beginSending() {
    const double now = backend_->systemUptime();
    std::lock_guard lock(shared_->mutex);
    baselineUptime_ = now;
    lastCursorSeen_.reset();
}

std::optional<StopReason> WordTargetGuard::quickCheck(const TargetExpectation& expect) {
    const double started = backend_->systemUptime();
    auto result = runCheck(expect);
    // Word can quit during the check's round trips, and the key is posted right after it: the
    // process is looked at once more, last.
    if (!result && !backend_->processExists(ax_.pid()))
        result = StopReason::wordTerminated();
    const double duration = std::max(0.0, backend_->systemUptime() - started);

    std::lock_guard lock(shared_->mutex);
    statistics_.checkCount += 1;
    statistics_.checkTotalSeconds += duration;
    statistics_.checkMaxSeconds = std::max(statistics_.checkMaxSeconds, duration);
    return result;
}

std::optional<StopReason> WordTargetGuard::runCheck(const TargetExpectation& expect) {
    int n = 0;
    double baselineUptime = 0;
    bool terminated = false;
    {
        std::lock_guard lock(shared_->mutex);
        n = ++checks_;
        baselineUptime = baselineUptime_;
        terminated = shared_->terminated;
    }
    if (terminated)
        return StopReason::wordTerminated();
    // The notification may lag behind the process's end; the probe does not.
    if (!backend_->processExists(ax_.pid()))
        return StopReason::wordTerminated();
    if (n % trustCadence == 1 && !backend_->axIsProcessTrusted())
        return StopReason::permissionLost("辅助功能权限已被关闭");

    const auto frontPid = AXInspector::systemFocusedAppPID(*backend_);
    // Only a known other application puts Word behind: when the front cannot be told, every
    // check runs as if Word were in front, and the activity reference stays where it is.
    const bool wordBehind = frontPid && *frontPid != ax_.pid();

    // Window and focused element in one round trip; the element is looked at only after the
    // window's verdicts. The window and dialog checks run even while Word is in the background.
    const AXInspector::Focus focus = ax_.focus(busyBudgetSeconds);
    if (auto stop = unanswered(focus.window))
        return stop;
    auto window = axElement(focus.window);
    if (!window)
        return StopReason::dialogOpened("Word 没有焦点窗口");
    if (!ax_.isSameElement(*window, boundWindow_)) {
        const auto subrole = ax_.copyString(*window, AXNames::subrole).value_or("");
        const auto title = ax_.copyString(*window, AXNames::title).value_or("");
        if (isDialogSubrole(subrole))
            return StopReason::dialogOpened("出现窗口「" + title + "」");
        return StopReason::documentChanged("Word 当前窗口是「" + title + "」，不是目标文档");
    }
    // In front, a sheet takes the focus and the body check stops at once, so the window is
    // looked at only now and then; behind, nothing else would notice a sheet before a key (a
    // Return, even) reached it.
    if (wordBehind || n % sheetCheckCadence == 1) {
        if (auto stop = sheetOrModalOnBoundWindow())
            return stop;
    }

    if (wordBehind) {
        bool allowBackground = false;
        {
            std::lock_guard lock(shared_->mutex);
            allowBackground = allowBackground_;
        }
        if (!allowBackground)
            return StopReason::targetNotFrontmost("当前前台是「" + frontApplicationName(frontPid) +
                                                  "」");
        // Input the user makes in the other application must never count as activity in
        // Word, so the reference time for activity moves forward with every such check.
        const double now = backend_->systemUptime();
        std::lock_guard lock(shared_->mutex);
        lastBackgroundSeen_ = now;
        statistics_.backgroundChecks += 1;
        return std::nullopt;
    }

    if (auto stop = unanswered(focus.element))
        return stop;
    auto focused = axElement(focus.element);
    if (!focused)
        return StopReason::focusLeftBody("无法确认焦点元素");
    if (auto inner = bodyInSplitGroup(*focused))
        focused = std::move(inner);
    const TargetExpectation tightened = tightenedByCursorSeen(expect);
    if (auto stop = checkBody(*focused, tightened))
        return stop;
    if (auto stop = checkSelection(*focused, tightened))
        return stop;
    return checkUserActivity(baselineUptime);
}

TargetExpectation WordTargetGuard::tightenedByCursorSeen(const TargetExpectation& expect) const {
    std::optional<std::int64_t> seen;
    {
        std::lock_guard lock(shared_->mutex);
        seen = lastCursorSeen_;
    }
    // The engine's range runs from the last confirmed to the last sent position, which before
    // a read-back can be everything typed so far. Word only ever moves the cursor forward
    // through the posted keys, so a cursor once seen is the floor from then on. An upper
    // bound below it means the engine has verified a backspace: its own range holds again.
    TargetExpectation tightened = expect;
    if (seen && *seen <= expect.cursor.upper && *seen > expect.cursor.lower) {
        const int raise = static_cast<int>(*seen) - expect.cursor.lower;
        tightened.cursor.lower += raise;
        tightened.documentLength.lower += raise;
    }
    return tightened;
}

std::optional<StopReason> WordTargetGuard::checkBody(const AXElementRef& focused,
                                                     const TargetExpectation& expect) {
    std::optional<AXElementRef> body;
    {
        std::lock_guard lock(shared_->mutex);
        body = bodyElement_;
    }
    if (body && ax_.isSameElement(*body, focused))
        return std::nullopt;

    auto inBoundWindow = [this](const AXElementRef& element) {
        auto elementWindow = ax_.window(element);
        return elementWindow && ax_.isSameElement(*elementWindow, boundWindow_);
    };
    bool adopt = false;
    if (body) {
        // The filled body must appear where the empty one was: in the target's window.
        adopt = (ax_.isEmptyBodyTransition(*body, focused) && inBoundWindow(focused)) ||
                ax_.isSameDocumentPage(boundWindow_, focused, expect);
    } else {
        adopt = ax_.isSameDocumentPage(boundWindow_, focused, expect) ||
                (ax_.role(focused) == AXNames::scrollAreaRole && inBoundWindow(focused));
    }
    if (!adopt)
        return StopReason::focusLeftBody("焦点移到了 " + ax_.role(focused));

    std::lock_guard lock(shared_->mutex);
    bodyElement_ = focused;
    return std::nullopt;
}

std::optional<StopReason> WordTargetGuard::checkSelection(const AXElementRef& body,
                                                          const TargetExpectation& expect) {
    const auto facts =
        ax_.copyResults(body,
                        {std::string(AXNames::role), std::string(AXNames::selectedTextRange),
                         std::string(AXNames::sharedCharacterRange)},
                        busyBudgetSeconds);
    if (auto stop = unanswered(facts[0]))
        return stop;
    // An empty document's body is a scroll area, which has no selection to compare.
    const auto role = axString(facts[0]);
    if (role != toUtf16(AXNames::textAreaRole))
        return std::nullopt;
    auto range = axRange(facts[1]);
    // A body shown page by page counts from its page's start.
    if (auto page = axRange(facts[2]); range && page)
        range->location += page->location;
    constexpr std::int64_t lastValidLocation = std::numeric_limits<std::int32_t>::max() - 1;
    if (!range || range->location < 0 || range->location > lastValidLocation)
        return std::nullopt;
    if (range->length > 0)
        return StopReason::selectionChanged("出现了非空选区");
    if (range->location < expect.cursor.lower || range->location > expect.cursor.upper)
        return StopReason::selectionChanged("光标位于 " + std::to_string(range->location) +
                                            "，预期在 " + std::to_string(expect.cursor.lower) +
                                            "…" + std::to_string(expect.cursor.upper));
    std::lock_guard lock(shared_->mutex);
    lastCursorSeen_ = range->location;
    return std::nullopt;
}

std::optional<StopReason> WordTargetGuard::checkUserActivity(double baselineUptime) {
    double reference = 0;
    double graceEnd = 0;
    bool ownKeysSeen = false;
    {
        std::lock_guard lock(shared_->mutex);
        if (!detectUserActivity_)
            return std::nullopt;
        reference = std::max(baselineUptime, lastBackgroundSeen_);
        graceEnd = baselineUptime + activityGraceSeconds_;
        ownKeysSeen = ownKeysReachSystemInput_;
    }
    const double now = backend_->systemUptime();
    const double window = now - reference;
    if (window <= 0)
        return std::nullopt;
    // One question settles the common case, a machine nobody touches: no input of any kind
    // means none of the kinds below either. Only then is each kind asked for by name.
    if (backend_->secondsSinceLastEventType(EventSourceState::hidSystemState, anyInputEventType) >=
        window)
        return std::nullopt;
    for (const auto& kind : userInputKinds) {
        const double since =
            backend_->secondsSinceLastEventType(EventSourceState::hidSystemState, kind.eventType);
        if (since >= window)
            continue;
        // The grace covers nothing but this program's own key events, and only where they
        // show up among the system's input at all; a click, or a key sent to Word directly,
        // is always the user's.
        if (ownKeysSeen && kind.eventType == keyDownEventType && now - since <= graceEnd)
            continue;
        return StopReason::userActivity(std::string("在 Word 中") + kind.name);
    }
    return std::nullopt;
}

std::optional<AXElementRef> WordTargetGuard::bodyInSplitGroup(const AXElementRef& focused) {
    std::optional<AXElementRef> body;
    std::optional<AXElementRef> group;
    {
        std::lock_guard lock(shared_->mutex);
        body = bodyElement_;
        group = splitGroup_;
    }
    // The common case costs nothing: the focus is on the body itself.
    if (body && ax_.isSameElement(*body, focused))
        return std::nullopt;
    const bool knownGroup = group && ax_.isSameElement(*group, focused);
    if (!knownGroup && ax_.role(focused) != AXNames::splitGroupRole)
        return std::nullopt;
    // Word replaces the body as the first character lands in an empty document, possibly
    // between the two questions: a child gone before its role could be read means asking the
    // group once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto children = ax_.copyElementList(focused, AXNames::children);
        if (!children)
            return std::nullopt;
        bool childGone = false;
        for (const auto& child : *children) {
            const std::string role = ax_.role(child);
            if (role == AXNames::textAreaRole || role == AXNames::scrollAreaRole) {
                std::lock_guard lock(shared_->mutex);
                splitGroup_ = focused;
                return child;
            }
            childGone = childGone || role.empty();
        }
        if (!childGone)
            break;
    }
    return std::nullopt;
}

std::optional<StopReason> WordTargetGuard::unanswered(const AXResult& result) {
    if (result.busy())
        return StopReason::wordNotKeepingUp("Word 没有响应辅助功能查询");
    if (result.error == AXError::apiDisabled)
        return StopReason::permissionLost("辅助功能权限已被关闭");
    return std::nullopt;
}

std::optional<StopReason> WordTargetGuard::sheetOrModalOnBoundWindow() {
    // Modal flag and children in one trip. A Word too busy to answer is a stop of its own:
    // taking its silence for "no sheet" would send the next key into whatever is there.
    const auto facts = ax_.copyResults(
        boundWindow_, {std::string(AXNames::modal), std::string(AXNames::children)},
        busyBudgetSeconds);
    for (const auto& fact : facts) {
        if (auto stop = unanswered(fact))
            return stop;
    }
    const auto sheet = StopReason::dialogOpened("文档窗口上出现了对话框");
    if (axBool(facts[0]).value_or(false))
        return sheet;
    const auto children = axElementList(facts[1]);
    if (!children)
        return std::nullopt;
    for (const auto& child : *children) {
        const auto role = ax_.copyResults(child, {std::string(AXNames::role)}, busyBudgetSeconds);
        if (auto stop = unanswered(role[0]))
            return stop;
        if (axString(role[0]) == toUtf16(AXNames::sheetRole))
            return sheet;
    }
    return std::nullopt;
}

std::string WordTargetGuard::frontApplicationName(std::optional<std::int32_t> frontPid) {
    if (frontPid) {
        auto app = backend_->runningApplication(*frontPid);
        if (app && app->localizedName && !app->localizedName->empty())
            return *app->localizedName;
    }
    return "其他应用";
}

std::string WordTargetGuard::boundWindowTitle() const {
    return ax_.copyString(boundWindow_, AXNames::title).value_or("");
}

WordTargetGuard::Statistics WordTargetGuard::statistics() const {
    std::lock_guard lock(shared_->mutex);
    return statistics_;
}

bool WordTargetGuard::detectUserActivity() const {
    std::lock_guard lock(shared_->mutex);
    return detectUserActivity_;
}

void WordTargetGuard::setDetectUserActivity(bool detect) {
    std::lock_guard lock(shared_->mutex);
    detectUserActivity_ = detect;
}

bool WordTargetGuard::allowBackground() const {
    std::lock_guard lock(shared_->mutex);
    return allowBackground_;
}

void WordTargetGuard::setAllowBackground(bool allow) {
    std::lock_guard lock(shared_->mutex);
    allowBackground_ = allow;
}

double WordTargetGuard::activityGraceSeconds() const {
    std::lock_guard lock(shared_->mutex);
    return activityGraceSeconds_;
}

void WordTargetGuard::setActivityGraceSeconds(double seconds) {
    std::lock_guard lock(shared_->mutex);
    activityGraceSeconds_ = seconds;
}

bool WordTargetGuard::ownKeysReachSystemInput() const {
    std::lock_guard lock(shared_->mutex);
    return ownKeysReachSystemInput_;
}

void WordTargetGuard::setOwnKeysReachSystemInput(bool reach) {
    std::lock_guard lock(shared_->mutex);
    ownKeysReachSystemInput_ = reach;
}

bool WordTargetGuard::isTerminated() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->terminated;
}

} // namespace plumeo
