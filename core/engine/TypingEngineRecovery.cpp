// The parts of the engine that look at the document before they act: typo verification,
// resuming, the user's ways out of a relocation, and the final verification.

#include "core/engine/ExpectedText.h"
#include "core/engine/SessionStateMachine.h"
#include "core/engine/TypingEngine.h"
#include "core/text/Utf16.h"
#include "core/verify/ContentComparator.h"
#include "core/verify/ResumeLocator.h"

#include <algorithm>

namespace plumeo {
namespace {

using Lock = std::unique_lock<std::mutex>;

// How much of the pre-existing text after the insertion point a typo check reads along.
constexpr int typoContextAfter = 8;
constexpr int contextBefore = 16;
constexpr int relocationPreview = 20;

} // namespace

// ---------------------------------------------------------------------------------------------
// Typos

TypingEngine::StopOutcome TypingEngine::typoInsert(const std::u16string& wrong, int beforeUnit) {
    setActivity(EngineActivity::typoTyped);
    if (auto reason = send(KeyStroke::typeText(wrong)))
        return reason;
    std::shared_ptr<const DocumentAnchor> anchor;
    {
        Lock lock(mutex_);
        pendingTypo_ = PendingTypo{wrong, beforeUnit};
        ++ledger_.typosMade;
        anchor = anchor_;
    }
    // The typo must be seen exactly where it belongs before anything is deleted.
    const int start = anchor->cursorOffset(beforeUnit, text_);
    const int cursor = start + utf16Count(wrong);
    const int windowStart = start - std::min(start, contextBefore);
    const int afterContext = std::min(utf16Count(anchor->after), typoContextAfter);
    const std::u16string expected = expectedSlice(*anchor, text_, beforeUnit, windowStart, start) +
                                    wrong + utf16Slice(anchor->after, 0, afterContext);
    return verifyTypoWindow(TypoCheck::afterInsert, cursor, windowStart, cursor + afterContext,
                            expected);
}

TypingEngine::StopOutcome TypingEngine::typoDelete(int beforeUnit) {
    setActivity(EngineActivity::typoFixing);
    {
        Lock lock(mutex_);
        if (!pendingTypo_ || pendingTypo_->beforeUnit != beforeUnit)
            return std::nullopt; // Nothing verified stands there: never delete blindly.
    }
    if (auto reason = send(KeyStroke::backspace()))
        return reason;
    return verifyBackspace(beforeUnit);
}

TypingEngine::StopOutcome TypingEngine::verifyBackspace(int beforeUnit) {
    std::shared_ptr<const DocumentAnchor> anchor;
    {
        Lock lock(mutex_);
        anchor = anchor_;
    }
    const int position = anchor->cursorOffset(beforeUnit, text_);
    const int windowStart = position - std::min(position, contextBefore);
    const int afterContext = std::min(utf16Count(anchor->after), typoContextAfter);
    const std::u16string expected =
        expectedSlice(*anchor, text_, beforeUnit, windowStart, position) +
        utf16Slice(anchor->after, 0, afterContext);
    if (auto reason = verifyTypoWindow(TypoCheck::afterBackspace, position, windowStart,
                                       position + afterContext, expected))
        return reason;
    Lock lock(mutex_);
    pendingTypo_.reset();
    ++ledger_.typosCorrected;
    return std::nullopt;
}

TypingEngine::StopOutcome TypingEngine::verifyTypoWindow(TypoCheck check, int cursor, int from,
                                                         int to, const std::u16string& expected) {
    releaseHeldKey();
    auto readFailure = [check] {
        const std::string prefix =
            check == TypoCheck::afterInsert ? "读回失败：" : "退格后读回失败：";
        return StopReason::typoUnverifiable(prefix + errorText(std::current_exception()));
    };
    const double deadline = clock_->now() + checkpointTimeout();
    for (;;) {
        DocState state;
        try {
            state = reader_->state();
        } catch (...) {
            return readFailure();
        }
        if (state.documentID != documentID_)
            return StopReason::documentChanged("错字纠正前活动文档改变");
        if (state.selectionStart == cursor && state.selectionEnd == cursor) {
            std::u16string actual;
            try {
                actual = reader_->read(from, to);
            } catch (...) {
                return readFailure();
            }
            if (actual == expected || (!reader_->readsAreFaithful() &&
                                       ContentComparator::scriptPlaceholderMatch(expected, actual)))
                return std::nullopt;
        }
        if (clock_->now() >= deadline) {
            if (check == TypoCheck::afterInsert)
                return StopReason::typoUnverifiable("错字未出现在预期位置，已停止且未退格");
            return StopReason::readbackMismatch("退格后内容与预期不一致");
        }
        if (auto reason = waitInterruptibly(pollInterval()))
            return reason;
    }
}

// ---------------------------------------------------------------------------------------------
// Public operations

void TypingEngine::resume() {
    std::thread previous;
    {
        Lock lock(mutex_);
        using Kind = SessionPhase::Kind;
        if ((phase_.kind != Kind::paused && phase_.kind != Kind::needsRelocation) ||
            !mayLaunchLocked())
            return;
        phase_ = SessionPhase::resuming();
        stopRequest_.reset();
        previous = launchLocked([](TypingEngine& engine) { engine.runResume(); });
    }
    publish();
    joinPrevious(std::move(previous));
}

void TypingEngine::continueFromCursor(std::optional<int> fromUnit) {
    std::thread previous;
    {
        Lock lock(mutex_);
        if (phase_.kind != SessionPhase::Kind::needsRelocation || !mayLaunchLocked())
            return;
        phase_ = SessionPhase::resuming();
        stopRequest_.reset();
        previous =
            launchLocked([fromUnit](TypingEngine& engine) { engine.runContinue(fromUnit); });
    }
    publish();
    joinPrevious(std::move(previous));
}

void TypingEngine::acceptDifferencesAndContinue() {
    std::thread previous;
    {
        Lock lock(mutex_);
        // Judged now: a request made while typing must not wait for the next stop and then
        // type on after it.
        if (phase_.kind != SessionPhase::Kind::paused || !mayLaunchLocked())
            return;
        acceptPending_ = true;
        previous = launchLocked([](TypingEngine& engine) { engine.runAccept(); });
    }
    joinPrevious(std::move(previous));
}

void TypingEngine::reverify() {
    std::thread previous;
    {
        Lock lock(mutex_);
        if (phase_.kind != SessionPhase::Kind::completed ||
            phase_.outcome.kind != VerificationOutcome::Kind::unverified || !mayLaunchLocked())
            return;
        phase_ = SessionPhase::verifying();
        stopRequest_.reset();
        previous = launchLocked([](TypingEngine& engine) { engine.runFinalVerification(); });
    }
    publish();
    joinPrevious(std::move(previous));
}

// ---------------------------------------------------------------------------------------------
// Jobs

void TypingEngine::failReadWhileResuming(const std::string& errorText) {
    {
        Lock lock(mutex_);
        if (stopRequest_) {
            // A stop that arrived while the job was reading takes precedence.
            const StopReason reason = *stopRequest_;
            lock.unlock();
            handleStop(reason);
            return;
        }
        const auto event = SessionEvent::stop(StopReason::readbackFailed(errorText));
        if (auto next = SessionStateMachine::transition(phase_, event))
            phase_ = *next;
    }
    publish();
}

void TypingEngine::enterRelocation(const std::string& message, std::optional<int> knownCursor) {
    {
        Lock lock(mutex_);
        if (phase_.kind == SessionPhase::Kind::resuming && stopRequest_) {
            const StopReason reason = *stopRequest_;
            lock.unlock();
            handleStop(reason);
            return;
        }
        const int base = anchor_->baseUnit;
        const int confirmed = std::max(ledger_.confirmedUnits, base);
        const int sent = std::max(ledger_.sentUnits, base);
        RelocationHint hint;
        hint.knownCursor = knownCursor;
        hint.typedTail = utf16Tail(text_.wordString(base, sent), relocationPreview);
        hint.nextText =
            text_.wordString(confirmed, std::min(confirmed + relocationPreview, text_.count()));
        hint.confirmedUnits = ledger_.confirmedUnits;
        hint.sentUnits = ledger_.sentUnits;
        relocationHint_ = std::move(hint);
        if (phase_.kind == SessionPhase::Kind::resuming)
            phase_ = SessionPhase::needsRelocation(message);
    }
    publish();
}

bool TypingEngine::commitContinuation(int units, DocumentAnchor anchor, bool keepPendingTypo,
                                      SessionPhase::Kind requiredPhase,
                                      std::optional<std::string> note,
                                      int moreAcceptedDifferences) {
    // Planned before taking the lock: a long text must not hold up a stop request.
    std::vector<PlanStep> steps = Planner::plan(text_, settings_, units, seed_);
    {
        Lock lock(mutex_);
        if (phase_.kind != requiredPhase)
            return false; // Cancelled meanwhile.
        if (requiredPhase == SessionPhase::Kind::resuming && stopRequest_) {
            const StopReason reason = *stopRequest_;
            lock.unlock();
            handleStop(reason);
            return false;
        }
        anchor_ = std::make_shared<const DocumentAnchor>(std::move(anchor));
        ledger_.sentUnits = units;
        ledger_.confirmedUnits = units;
        partialUnitLength_ = 0;
        if (!keepPendingTypo)
            pendingTypo_.reset();
        steps_ = std::move(steps);
        stepIndex_ = 0;
        acceptedDifferences_ += moreAcceptedDifferences;
        if (note)
            notes_.push_back(std::move(*note));
        phase_ = SessionPhase::typing();
        stopRequest_.reset();
    }
    publish();
    return true;
}

bool TypingEngine::awaitQuietBeforeResuming() {
    // Keys posted before the stop may still be on their way; a document read now would show
    // them missing, and typing them again would double them once they land.
    StopOutcome restless;
    try {
        restless = awaitQuietDocument(SessionPhase::Kind::resuming);
    } catch (...) {
        failReadWhileResuming(errorText(std::current_exception()));
        return false;
    }
    if (restless)
        handleStop(*restless);
    return !restless;
}

void TypingEngine::runResume() {
    if (!awaitQuietBeforeResuming())
        return;
    std::shared_ptr<const DocumentAnchor> anchorPointer;
    int sent = 0;
    int confirmed = 0;
    std::optional<PendingTypo> typo;
    {
        Lock lock(mutex_);
        anchorPointer = anchor_;
        sent = ledger_.sentUnits;
        confirmed = ledger_.confirmedUnits;
        typo = pendingTypo_;
    }
    const DocumentAnchor& anchor = *anchorPointer;
    // From the most hopeful guess down to the last confirmed unit; a typo that may still
    // stand is tried first.
    std::vector<ResumeCandidate> candidates;
    if (typo)
        candidates.push_back({typo->beforeUnit, typo->wrong});
    for (int units = sent; units >= std::max(confirmed, anchor.baseUnit); --units)
        candidates.push_back({units, u""});

    DocState state;
    std::u16string document;
    try {
        state = reader_->state();
    } catch (...) {
        failReadWhileResuming(errorText(std::current_exception()));
        return;
    }
    if (state.documentID != documentID_)
        return enterRelocation("当前活动文档不是目标文档，请切回原文档", std::nullopt);
    if (!state.inMainStory)
        return enterRelocation("光标不在主正文中", std::nullopt);
    if (state.selectionStart != state.selectionEnd)
        return enterRelocation("请取消选中文字，只保留插入光标", std::nullopt);
    if (state.isProtected) {
        {
            Lock lock(mutex_);
            if (!phase_.isTerminal())
                phase_ = SessionPhase::failed(StopReason::documentNotEditable("文档处于保护状态"));
        }
        publish();
        return;
    }
    try {
        document = reader_->readAll();
    } catch (...) {
        failReadWhileResuming(errorText(std::current_exception()));
        return;
    }

    const int cursor = state.selectionStart;
    const LocateResult located = ResumeLocator::locate(document, anchor, text_, candidates);
    ResumeCandidate candidate;
    DocumentAnchor nextAnchor = anchor;
    std::optional<std::string> note;
    int accepted = 0;
    switch (located.kind) {
    case LocateResult::Kind::exact:
        if (cursor != located.cursor)
            return enterRelocation(
                "续写位置已唯一确认，但光标不在该处。可点「把光标移回续写位置」，"
                "或自己把光标放回后再点继续。",
                located.cursor);
        candidate = located.candidate;
        break;
    case LocateResult::Kind::uniqueContext:
        if (cursor != located.cursor)
            return enterRelocation("文档其他位置有改动；续写位置已唯一确认，但光标不在该处。"
                                   "可点「把光标移回续写位置」。",
                                   located.cursor);
        candidate = located.candidate;
        nextAnchor = located.newAnchor;
        // The text around the region changed: the end result must not claim it intact.
        accepted = 1;
        note = "续写时发现文档其他位置有改动，已按唯一上下文重新定位。";
        break;
    case LocateResult::Kind::anchoredRegion:
        if (cursor != located.cursor)
            return enterRelocation("续写位置已由前后既有内容唯一确定，但光标不在该处。"
                                   "可点「把光标移回续写位置」。",
                                   located.cursor);
        candidate = located.candidate;
        nextAnchor = located.newAnchor;
        if (located.altered) {
            accepted = 1;
            note = "已写入的内容被 Word（如自动更正）或手动改动过；以文档当前内容为准，从第 " +
                   std::to_string(candidate.units) +
                   " 个单元继续。最终结果会标注「含已接受差异」。";
        } else {
            note = "按前后既有内容锚定续写位置。";
        }
        break;
    case LocateResult::Kind::ambiguous:
    case LocateResult::Kind::notFound: {
        auto validated = ResumeLocator::validateCursor(document, cursor, anchor, text_, candidates);
        if (!validated)
            return enterRelocation(
                "无法唯一确认续写位置（已写入内容可能被修改、删除或存在重复）。"
                "可以把光标放在上次写到的位置之后再点继续，或选择「从光标处继续剩余内容」。",
                std::nullopt);
        candidate = validated->candidate;
        nextAnchor = validated->anchor;
        // Nothing located the whole document, so something outside the checked context
        // differs from what the session expects.
        accepted = 1;
        note = "按用户放置的光标位置核对通过后续写。";
        break;
    }
    }

    const bool typoStands = !candidate.pendingTypo.empty();
    if (!commitContinuation(candidate.units, std::move(nextAnchor), typoStands,
                            SessionPhase::Kind::resuming, std::move(note), accepted))
        return;
    runTyping(typoStands ? std::optional<int>(candidate.units) : std::nullopt);
}

void TypingEngine::runContinue(std::optional<int> fromUnit) {
    if (!awaitQuietBeforeResuming())
        return;
    std::shared_ptr<const DocumentAnchor> anchor;
    int sent = 0;
    int confirmed = 0;
    {
        Lock lock(mutex_);
        anchor = anchor_;
        sent = ledger_.sentUnits;
        confirmed = ledger_.confirmedUnits;
    }
    const int base = anchor->baseUnit;

    DocState state;
    std::u16string document;
    try {
        state = reader_->state();
        if (state.documentID != documentID_)
            return enterRelocation("当前活动文档不是目标文档，请切回原文档", std::nullopt);
        if (!state.inMainStory || state.selectionStart != state.selectionEnd)
            return enterRelocation("请把插入光标放在正文中（不要选中文字）", std::nullopt);
        document = reader_->readAll();
    } catch (...) {
        failReadWhileResuming(errorText(std::current_exception()));
        return;
    }
    const int cursor = state.selectionStart;

    int units = 0;
    if (fromUnit) {
        units = std::max(std::min(*fromUnit, text_.count()), base);
    } else {
        std::vector<int> candidates;
        for (int c = std::max(confirmed, base); c <= std::max(sent, base); ++c)
            candidates.push_back(c);
        const auto aligned = ResumeLocator::alignTail(utf16Slice(document, 0, cursor), text_, base,
                                                      candidates, ResumeLocator::tailMatchLength);
        if (!aligned)
            return enterRelocation("光标前的文字与原文对不上，无法判断已经写到哪里。"
                                   "请核对后选择「从最后确认处继续」，或取消任务。",
                                   std::nullopt);
        units = *aligned;
    }

    DocumentAnchor nextAnchor;
    nextAnchor.before = utf16Slice(document, 0, cursor);
    nextAnchor.after = utf16Slice(document, cursor, utf16Count(document));
    nextAnchor.baseUnit = units;
    nextAnchor.regionStart = std::min(cursor, anchor->regionStart);
    std::string note =
        "用户选择从光标处继续：从第 " + std::to_string(units) +
        " 个单元起输入剩余内容；此前内容以文档现状为准，最终结果标注「含已接受差异」。";
    if (!commitContinuation(units, std::move(nextAnchor), false, SessionPhase::Kind::resuming,
                            std::move(note), 1))
        return;
    runTyping(std::nullopt);
}

void TypingEngine::runAccept() {
    bool accepted = false;
    try {
        accepted = acceptDifferences();
    } catch (...) {
        Lock lock(mutex_);
        acceptPending_ = false;
        throw;
    }
    {
        Lock lock(mutex_);
        acceptPending_ = false;
    }
    if (accepted)
        runTyping(std::nullopt);
}

bool TypingEngine::acceptDifferences() {
    std::shared_ptr<const DocumentAnchor> anchor;
    int sent = 0;
    {
        Lock lock(mutex_);
        if (phase_.kind != SessionPhase::Kind::paused)
            return false;
        anchor = anchor_;
        sent = ledger_.sentUnits;
    }
    StopOutcome restless;
    DocState state;
    std::u16string document;
    try {
        restless = awaitQuietDocument(SessionPhase::Kind::paused);
        if (!restless) {
            state = reader_->state();
            document = reader_->readAll();
        }
    } catch (...) {
        addNote("读回失败，无法接受差异：" + errorText(std::current_exception()));
        return false;
    }
    if (restless) {
        {
            Lock lock(mutex_);
            if (phase_.kind == SessionPhase::Kind::paused)
                phase_ = SessionPhase::paused(*restless);
        }
        publish();
        return false;
    }
    if (state.documentID != documentID_ || state.selectionStart != state.selectionEnd ||
        !state.inMainStory)
        return false;

    const int cursor = state.selectionStart;
    const int regionStart = anchor->regionStart;
    // Only differences inside this session's own text may be accepted: everything after the
    // cursor and everything before the insertion region must be as it was.
    const bool acceptable =
        utf16Slice(document, cursor, utf16Count(document)) == anchor->after &&
        utf16Slice(document, 0, regionStart) == utf16Slice(anchor->before, 0, regionStart) &&
        cursor >= regionStart;
    if (!acceptable) {
        addNote("无法接受差异：光标之后或插入区之前的内容与开始时不同。");
        return false;
    }
    const ComparisonReport report =
        ContentComparator::compare(anchor->expectedDocument(sent, u"", text_), document,
                                   InsertionRange{regionStart, anchor->cursorOffset(sent, text_)},
                                   ContentComparator::defaultMaxHunks);
    // Taking the document as it stands is itself accepting something the engine did not
    // confirm, so even a region without a visible difference counts once: the result can then
    // never read as fully verified, as the note says.
    const int differences = std::max(1, static_cast<int>(report.hunks.size()));

    DocumentAnchor nextAnchor;
    nextAnchor.before = utf16Slice(document, 0, cursor);
    nextAnchor.after = anchor->after;
    nextAnchor.baseUnit = sent;
    nextAnchor.regionStart = regionStart;
    std::string note = "用户接受了插入区内 " + std::to_string(differences) +
                       " 处差异后继续；最终结果不会标为「完全一致」。";
    // A typo still standing is part of what the user accepted.
    return commitContinuation(sent, std::move(nextAnchor), false, SessionPhase::Kind::paused,
                              std::move(note), differences);
}

void TypingEngine::runFinalVerification() {
    releaseHeldKey();
    setActivity(EngineActivity::checking);
    std::shared_ptr<const DocumentAnchor> anchor;
    {
        Lock lock(mutex_);
        anchor = anchor_;
    }
    const int count = text_.count();
    const std::u16string expected = anchor->expectedDocument(count, u"", text_);

    std::optional<VerificationOutcome> outcome;
    std::u16string actual;
    try {
        const DocState state = reader_->state();
        if (state.documentID != documentID_)
            outcome =
                VerificationOutcome::unverified("最终校验时活动文档不是目标文档，无法读回确认");
        else
            actual = reader_->readAll();
    } catch (...) {
        outcome = VerificationOutcome::unverified(errorText(std::current_exception()));
    }

    if (!outcome) {
        const ComparisonReport report = ContentComparator::compare(
            expected, actual,
            InsertionRange{anchor->regionStart, anchor->cursorOffset(count, text_)},
            ContentComparator::defaultMaxHunks);
        if (report.isEqual()) {
            const int accepted = acceptedDifferences();
            outcome = accepted == 0
                          ? VerificationOutcome::verified()
                          : VerificationOutcome::verifiedWithAcceptedDifferences(accepted);
        } else if (!reader_->readsAreFaithful() &&
                   ContentComparator::scriptPlaceholderMatch(expected, actual)) {
            outcome = VerificationOutcome::unverified(
                "除 emoji 外逐字一致；emoji 在 Word 脚本读回中只显示为占位符，需要 Word "
                "位于前台时用辅助功能读回才能逐字核实（可点「在 Word 前台核实」）");
        } else {
            outcome = VerificationOutcome::mismatch(report);
        }
    }

    {
        Lock lock(mutex_);
        if (stopRequest_) {
            // Stopped while reading back: the stop decides the phase, not the outcome.
            const StopReason reason = *stopRequest_;
            lock.unlock();
            handleStop(reason);
            return;
        }
        // Otherwise the outcome is dropped, and observers still learn how the job ended.
        if (phase_.kind == SessionPhase::Kind::verifying) {
            ledger_.finalVerified = outcome->kind == VerificationOutcome::Kind::verified;
            phase_ = SessionPhase::completed(std::move(*outcome));
        }
    }
    publish();
}

} // namespace plumeo
