#include "app/model/ModelTexts.h"

#include "app/analyze/ArticleAnalysis.h"
#include "core/text/Utf16.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace plumeo::ModelTexts {

namespace {

std::string formatted(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

bool isGranted(const PermissionState& state) {
    return state.kind == PermissionState::Kind::granted;
}

/// A slice around a hunk with Word's breaks made visible.
std::string excerpt(std::u16string_view text, int start, int length) {
    const std::u16string slice = utf16Slice(text, std::max(0, start - 10), start + length + 10);
    std::u16string shown;
    for (char16_t unit : slice) {
        if (unit == u'\r')
            shown += u'\u23CE'; // ⏎
        else if (unit == u'\v')
            shown += u'\u21B5'; // ↵
        else if (unit == u'\t')
            shown += u'\u21E5'; // ⇥
        else
            shown += unit;
    }
    return toUtf8(shown);
}

} // namespace

std::string typoRateText(double rate) {
    const double percent = rate * 100;
    const double whole = std::round(percent);
    // Rates arrive as binary fractions (0.07 * 100 is 7.000000000000001).
    if (std::fabs(percent - whole) < 1e-9)
        return std::to_string(static_cast<long long>(whole)) + "%";
    return formatted("%.1f%%", percent);
}

std::vector<std::string> blockers(const BlockerInputs& inputs) {
    std::vector<std::string> list;
    if (inputs.articleEmpty)
        list.emplace_back("粘贴要输入的文章");
    else if (inputs.analysisPending)
        list.emplace_back("正在分析文章…");
    if (inputs.preparationError)
        list.push_back(*inputs.preparationError);
    if (!isGranted(inputs.accessibility) || !isGranted(inputs.postEvents))
        list.emplace_back("授予辅助功能权限");
    if (!isGranted(inputs.automation))
        list.emplace_back("允许控制 Word（仅用于读取与校验）");
    const TargetInfo* target = inputs.target;
    if (!target) {
        list.emplace_back("检测 Word 的光标位置");
        return list;
    }
    if (target->selectionStart != target->selectionEnd)
        list.emplace_back("Word 中有选中的文字：请点击一下取消选中，只保留插入光标");
    if (!target->inMainStory)
        list.emplace_back("光标不在正文中（页眉、页脚、脚注或文本框不支持）");
    if (target->isProtected)
        list.emplace_back("目标文档处于保护/只读状态，无法输入");
    if (!inputs.targetConfirmed)
        list.emplace_back("确认目标文档与插入位置");
    return list;
}

std::vector<std::string> targetNotes(const TargetInfo* target,
                                     const std::vector<AutocorrectRisk>& risks, TypingMode mode,
                                     bool typoEnabled) {
    std::vector<std::string> notes;
    if (target && target->trackRevisions)
        notes.emplace_back("目标文档开启了修订：输入会产生修订记录，错字纠正可能产生额外修订。"
                           "本应用不会改写或清除已有修订。");
    if (target) {
        for (AutocorrectRisk risk : risks) {
            const auto option = target->autocorrect.find(settingLabel(risk));
            if (option == target->autocorrect.end() || !option->second)
                continue;
            notes.push_back("可能被 Word 自动更正：" + std::string(rawValue(risk)) +
                            "。本应用不改设置，最终读回会如实标出差异。");
        }
    }
    if (mode == TypingMode::natural && typoEnabled)
        notes.emplace_back("错字效果：只在英文单词中间偶尔输错一个字母，读回核实后才退格纠正；"
                           "无法核实时暂停，不会盲目退格。");
    return notes;
}

std::string activityText(const SessionPhase& phase,
                         const std::optional<EngineSnapshot>& snapshot) {
    switch (phase.kind) {
    case SessionPhase::Kind::typing:
        switch (snapshot ? snapshot->activity : EngineActivity::idle) {
        case EngineActivity::checking:
            return "正在读回刚写的一段，与原文逐字比对";
        case EngineActivity::typoFixing:
            return "正在退格改回正确的字";
        case EngineActivity::typoTyped:
            return "刚打错一个字，正在读回核实位置（还没退格）";
        case EngineActivity::idle:
        case EngineActivity::typing:
            return "正在逐字输入";
        }
        return "正在逐字输入";
    case SessionPhase::Kind::resuming:
        return "正在核对续写位置";
    case SessionPhase::Kind::verifying:
        return "正在整篇读回，与原文逐字比对";
    default:
        return "";
    }
}

ProgressFigures progressFigures(const std::optional<EngineSnapshot>& snapshot) {
    ProgressFigures figures;
    if (!snapshot)
        return figures;
    const ProgressLedger& ledger = snapshot->ledger;
    figures.sentFraction = ledger.sentFraction();
    figures.confirmedFraction = ledger.confirmedFraction();
    figures.progressText = "已发送 " + std::to_string(ledger.sentUnits) + " · 已确认 " +
                           std::to_string(ledger.confirmedUnits) + " · 共 " +
                           std::to_string(ledger.totalUnits);
    std::vector<std::string> parts;
    if (snapshot->measuredUnitsPerSecond)
        parts.push_back(formatted("%.0f 字/分", *snapshot->measuredUnitsPerSecond * 60));
    if (snapshot->etaSeconds && !snapshot->phase.isTerminal())
        parts.push_back("剩余约 " + durationText(*snapshot->etaSeconds));
    if (ledger.typosMade > 0)
        parts.push_back("错字 " + std::to_string(ledger.typosMade) + "，已纠正 " +
                        std::to_string(ledger.typosCorrected));
    for (std::size_t i = 0; i < parts.size(); ++i)
        figures.rateText += (i ? " · " : "") + parts[i];
    return figures;
}

std::optional<std::string> snapshotStatus(const SessionPhase& phase, bool backgroundTyping) {
    using Kind = SessionPhase::Kind;
    switch (phase.kind) {
    case Kind::paused: {
        std::string text = phase.reason.message();
        // Stops that cannot be resumed get no invitation to continue.
        if (phase.reason.isResumable())
            text += " 点「继续」会先重新读回、核对续写位置。";
        return text;
    }
    case Kind::needsRelocation:
        return phase.explanation;
    case Kind::completed:
        return resultStatus(phase.outcome);
    case Kind::cancelled:
    case Kind::failed:
        return phase.reason.message();
    case Kind::typing:
        return backgroundTyping ? "输入中 · 可以切到其他应用，输入会继续"
                                : "输入中 · 请保持 Word 在前台";
    case Kind::resuming:
        return "正在读回并核对续写位置…";
    case Kind::verifying:
        return "全部发送完毕，正在整篇读回校验…";
    case Kind::countdown:
    case Kind::idle:
    case Kind::preparing:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> stopMeasurementLine(const EngineSnapshot& snapshot) {
    if (!snapshot.lastStop || !snapshot.lastStop->acknowledgedAt ||
        snapshot.phase.kind == SessionPhase::Kind::typing)
        return std::nullopt;
    const StopMetrics& stop = *snapshot.lastStop;
    std::string line = formatted("停止响应：%.0f 毫秒内停止发送新事件",
                                 (*stop.acknowledgedAt - stop.requestedAt) * 1000);
    if (stop.landedUnitsAfterSettle)
        line += "；停止时已发送 " + std::to_string(stop.sentUnitsAtStop) + " 个字，Word 最终写入 " +
                std::to_string(*stop.landedUnitsAfterSettle) + " 个（停止后没有新事件）";
    return line;
}

std::string resultStatus(const VerificationOutcome& outcome) {
    switch (outcome.kind) {
    case VerificationOutcome::Kind::verified:
        return "完成：整篇读回与原文逐字一致，插入位置前后的原有内容完整。";
    case VerificationOutcome::Kind::verifiedWithAcceptedDifferences:
        return "完成：读回与接受差异后的预期一致。过程中接受了 " +
               std::to_string(outcome.acceptedDifferences) +
               " 处差异（如 Word 自动更正或手动续写），不等同于与原文完全一致。";
    case VerificationOutcome::Kind::unverified:
        return "输入已结束，但尚未逐字核实：" + outcome.reason;
    case VerificationOutcome::Kind::mismatch:
        return "输入已结束，但读回与原文不一致：" + outcome.report.summary();
    }
    return "";
}

std::vector<std::string> differenceLines(const ComparisonReport& report) {
    std::vector<std::string> lines;
    const int count = std::min<int>(listedDifferences, static_cast<int>(report.hunks.size()));
    for (int i = 0; i < count; ++i) {
        const DifferenceHunk& hunk = report.hunks[i];
        std::string line = "差异 " + std::to_string(i + 1) + "：" +
                           std::string(description(hunk.kind)) + "；位置 " +
                           std::to_string(hunk.expectedStart);
        if (hunk.outsideInsertion)
            line += "；位于插入区之外";
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> excerptLines(const ComparisonReport& report, std::u16string_view expected,
                                      std::u16string_view actual) {
    std::vector<std::string> lines;
    const int count = std::min<int>(listedDifferences, static_cast<int>(report.hunks.size()));
    for (int i = 0; i < count; ++i) {
        const DifferenceHunk& hunk = report.hunks[i];
        lines.push_back("差异 " + std::to_string(i + 1) + "：原文「" +
                        excerpt(expected, hunk.expectedStart, hunk.expectedLength) + "」 · Word「" +
                        excerpt(actual, hunk.actualStart, hunk.actualLength) + "」");
    }
    return lines;
}

} // namespace plumeo::ModelTexts
