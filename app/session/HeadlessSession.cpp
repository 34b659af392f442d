#include "app/session/HeadlessSession.h"

#include "core/text/TextPreparer.h"
#include "core/verify/ComparisonReport.h"
#include "mac/ax/AXInspector.h"
#include "mac/ax/WordDocumentReader.h"
#include "mac/ax/WordTargetGuard.h"
#include "mac/input/CGKeySink.h"
#include "mac/script/WordBridge.h"

#include <chrono>
#include <iostream>
#include <random>
#include <thread>

namespace plumeo {

namespace {

using namespace std::chrono_literals;

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::uint64_t randomNonZeroSeed() {
    std::random_device device;
    std::uint64_t seed = 0;
    while (seed == 0)
        seed = (std::uint64_t{device()} << 32) ^ device();
    return seed;
}

/// Stops that a retry cannot cure: the session is over for the tool.
bool isFinalStop(StopReason::Kind kind) {
    switch (kind) {
    case StopReason::Kind::documentNotEditable:
    case StopReason::Kind::internalError:
    case StopReason::Kind::userCancel:
    case StopReason::Kind::emergencyStop:
    case StopReason::Kind::wordTerminated:
    case StopReason::Kind::permissionLost:
        return true;
    default:
        return false;
    }
}

} // namespace

HeadlessSession::HeadlessSession(std::shared_ptr<PlatformBackend> backend,
                                 HeadlessSessionOptions options)
    : backend_(std::move(backend)), options_(std::move(options)) {
    seed_ = options_.seed != 0 ? options_.seed : randomNonZeroSeed();
}

HeadlessSession::~HeadlessSession() {
    // Never leave a worker typing behind the owner's back.
    if (engine_) {
        engine_->requestCancel(CancelKind::emergency);
        engine_->waitUntilIdle(20.0);
    }
}

void HeadlessSession::line(const std::string& text) {
    std::ostream& out = options_.out ? *options_.out : std::cout;
    out << text << '\n' << std::flush;
}

void HeadlessSession::prepare(const std::u16string& article) {
    PreparedText prepared = TextPreparer::prepare(article);

    const auto word = WordBridge::runningWord(*backend_);
    if (!word)
        throw SessionSetupError("Word 没有运行：请先打开 Word 和目标文档。");
    wordPid_ = word->pid;

    // Activation is only a request that macOS may refuse; what counts is whether Word then
    // holds the system's focus.
    backend_->activateApplication(wordPid_);
    if (!AXInspector::waitUntilFocused(*backend_, wordPid_, 3.0))
        throw SessionSetupError("Word 没有成为前台应用，已取消开始。");

    bridge_ = std::make_shared<WordBridge>(backend_);
    DocState state;
    try {
        state = bridge_->state();
    } catch (const std::exception& error) {
        throw SessionSetupError(std::string("读取目标失败：") + error.what());
    }
    if (state.selectionStart != state.selectionEnd)
        throw SessionSetupError("Word 中有选中的文字：请点击一下取消选中，只保留插入光标");
    if (!state.inMainStory)
        throw SessionSetupError("光标不在正文中（页眉、页脚、脚注或文本框不支持）");
    if (state.isProtected)
        throw SessionSetupError("目标文档处于保护/只读状态，无法输入");
    documentName_ = state.documentName;
    // Reads must keep addressing this document even if another one comes to the front.
    bridge_->setBoundDocumentName(documentName_);

    reader_ = std::make_shared<WordDocumentReader>(bridge_, backend_, wordPid_);
    std::u16string initialContent;
    try {
        initialContent = reader_->readAll();
    } catch (const std::exception& error) {
        throw SessionSetupError(std::string("读取目标失败：") + error.what());
    }
    std::shared_ptr<WordTargetGuard> guard = WordTargetGuard::make(backend_, wordPid_);
    if (!guard)
        throw SessionSetupError("无法读取 Word 的焦点窗口（辅助功能）。");

    TypingEngineOptions engineOptions;
    engineOptions.text = std::move(prepared);
    engineOptions.settings = options_.settings;
    engineOptions.seed = seed_;
    engineOptions.sink = std::make_shared<CGKeySink>(backend_, CGKeySink::Route::pid(wordPid_));
    engineOptions.guardian = std::move(guard);
    engineOptions.reader = reader_;
    engineOptions.documentID = state.documentID;
    engineOptions.initialContent = std::move(initialContent);
    engineOptions.insertionOffset = state.selectionStart;
    engine_ = TypingEngine::create(std::move(engineOptions));
}

SessionPhase HeadlessSession::run() {
    if (!engine_)
        throw SessionSetupError("会话尚未准备好");
    line("文档「" + documentName_ + "」· 模式 " + title(options_.settings.mode) + " · 种子 " +
         std::to_string(seed_));
    engine_->start();
    bool cancelSent = false;
    for (;;) {
        if (!cancelSent && options_.cancelRequested && options_.cancelRequested()) {
            line("正在取消…");
            engine_->requestCancel(CancelKind::user);
            cancelSent = true;
        }
        // A short wait doubles as the poll interval; idle means no job is sending.
        const bool idle = engine_->waitUntilIdle(0.05);
        const EngineSnapshot snapshot = engine_->snapshot();
        printProgress(snapshot);
        if (!idle)
            continue;
        const SessionPhase& phase = snapshot.phase;
        if (phase.isTerminal())
            break;
        if (phase.kind == SessionPhase::Kind::paused ||
            phase.kind == SessionPhase::Kind::needsRelocation) {
            if (!cancelSent && recover(phase))
                continue;
            engine_->requestCancel(CancelKind::user);
            cancelSent = true;
            engine_->waitUntilIdle(20.0);
            continue;
        }
        if (phase.kind == SessionPhase::Kind::idle && cancelSent)
            break;
    }

    const EngineSnapshot final = engine_->snapshot();
    printProgress(final);
    for (const std::string& text : resultLines(final.phase))
        line(text);
    for (const std::string& note : final.notes)
        line("备注：" + note);
    return final.phase;
}

bool HeadlessSession::recover(const SessionPhase& phase) {
    if (phase.kind == SessionPhase::Kind::needsRelocation) {
        line("需要重新定位：" + phase.explanation);
        return false;
    }
    line("已暂停：" + phase.reason.message());
    if (isFinalStop(phase.reason.kind) || recoveries_ >= options_.maxRecoveries)
        return false;
    ++recoveries_;
    // Word's AutoCorrect shows up as a read-back mismatch; with nobody to ask, the tool
    // accepts what Word made of the text, and the result says so.
    if (phase.reason.kind == StopReason::Kind::readbackMismatch) {
        line("接受差异并继续（第 " + std::to_string(recoveries_) + " 次）");
        engine_->acceptDifferencesAndContinue();
    } else {
        line("重新读回并继续（第 " + std::to_string(recoveries_) + " 次）");
        engine_->resume();
    }
    return true;
}

void HeadlessSession::printProgress(const EngineSnapshot& snapshot) {
    const ProgressLedger& ledger = snapshot.ledger;
    std::string text = snapshot.phase.title() + " · 已发送 " + std::to_string(ledger.sentUnits) +
                       " · 已确认 " + std::to_string(ledger.confirmedUnits) + " · 共 " +
                       std::to_string(ledger.totalUnits);
    const double now = secondsNow();
    if (text == lastProgress_)
        return;
    if (lastProgressAt_ && now - *lastProgressAt_ < options_.progressIntervalSeconds &&
        snapshot.phase.kind == SessionPhase::Kind::typing)
        return;
    lastProgress_ = text;
    lastProgressAt_ = now;
    line(text);
}

int HeadlessSession::exitCode(const SessionPhase& phase) {
    if (phase.kind != SessionPhase::Kind::completed)
        return 1;
    const auto kind = phase.outcome.kind;
    return kind == VerificationOutcome::Kind::verified ||
                   kind == VerificationOutcome::Kind::verifiedWithAcceptedDifferences
               ? 0
               : 1;
}

std::vector<std::string> HeadlessSession::resultLines(const SessionPhase& phase) {
    std::vector<std::string> lines;
    if (phase.kind == SessionPhase::Kind::cancelled || phase.kind == SessionPhase::Kind::failed ||
        phase.kind == SessionPhase::Kind::paused) {
        lines.push_back(phase.title() + "：" + phase.reason.message());
        return lines;
    }
    if (phase.kind != SessionPhase::Kind::completed) {
        lines.push_back(phase.title());
        return lines;
    }
    const VerificationOutcome& outcome = phase.outcome;
    switch (outcome.kind) {
    case VerificationOutcome::Kind::verified:
        lines.push_back("完成：整篇读回与原文逐字一致，插入位置前后的原有内容完整。");
        break;
    case VerificationOutcome::Kind::verifiedWithAcceptedDifferences:
        lines.push_back("完成：读回与接受差异后的预期一致。过程中接受了 " +
                        std::to_string(outcome.acceptedDifferences) +
                        " 处差异（如 Word 自动更正或手动续写），不等同于与原文完全一致。");
        break;
    case VerificationOutcome::Kind::unverified:
        lines.push_back("输入已结束，但尚未逐字核实：" + outcome.reason);
        break;
    case VerificationOutcome::Kind::mismatch: {
        lines.push_back("输入已结束，但读回与原文不一致：" + outcome.report.summary());
        const auto& hunks = outcome.report.hunks;
        for (std::size_t i = 0; i < hunks.size() && i < 10; ++i) {
            std::string text = "差异 " + std::to_string(i + 1) + "：" +
                               std::string(description(hunks[i].kind)) + "；位置 " +
                               std::to_string(hunks[i].expectedStart);
            if (hunks[i].outsideInsertion)
                text += "；位于插入区之外";
            lines.push_back(std::move(text));
        }
        break;
    }
    }
    return lines;
}

} // namespace plumeo
