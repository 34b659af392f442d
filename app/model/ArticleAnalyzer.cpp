#include "app/model/ArticleAnalyzer.h"

#include "app/analyze/ArticleAnalysis.h"
#include "core/text/ModeSettings.h"
#include "core/text/Planner.h"
#include "core/text/TextPreparer.h"

#include <algorithm>
#include <cmath>

namespace plumeo::ArticleAnalyzer {

namespace {

// Estimates and fits use one fixed seed so the same article always shows the same figures.
constexpr std::uint64_t estimateSeed = 1;

ModeSettings settingsFor(const AnalysisRequest& request, double speed) {
    const bool typos = request.typoEnabled && request.mode == TypingMode::natural;
    return ModeSettings::make(request.mode, speed, typos, request.typoRate);
}

std::string durationNote(const AnalysisRequest& request, const PreparedText& text,
                         std::optional<double>& fittedSpeed) {
    const double target = request.targetMinutes * 60;
    const Planner::SpeedFit fit = Planner::speedForTargetSeconds(
        target, text, settingsFor(request, request.speed), estimateSeed);
    fittedSpeed = fit.unitsPerMinute;
    const std::string speedText = std::to_string(static_cast<long long>(fit.unitsPerMinute));
    if (std::fabs(fit.achievableSeconds - target) <= std::max(0.06 * target, 20.0))
        return "约 " + durationText(fit.achievableSeconds) + "完成，相当于 " + speedText +
               " 字/分钟。读回核对的等待没有计入，实际会略长。";
    return "这篇文章按 " + speedText + " 字/分钟约需 " + durationText(fit.achievableSeconds) +
           "，达不到设定的 " + durationText(target) + "（速度上限 1200、下限 30 字/分钟）。";
}

} // namespace

Analysis analyze(const AnalysisRequest& request) {
    Analysis analysis;
    if (request.article.empty()) {
        if (request.mode == TypingMode::fast)
            analysis.estimateText = "取决于 Word 响应";
        return analysis;
    }
    std::optional<PreparedText> text;
    try {
        text = TextPreparer::prepare(request.article);
        analysis.stats = text->stats;
    } catch (const PreparationError& error) {
        analysis.preparationError = error.description();
    } catch (const std::exception& error) {
        analysis.preparationError = error.what();
    }
    analysis.risks = analyzeAutocorrectRisks(request.article);

    double speed = request.speed;
    if (text && request.paceByDuration && request.mode != TypingMode::fast && text->count() >= 1) {
        analysis.durationNote = durationNote(request, *text, analysis.fittedSpeed);
        speed = *analysis.fittedSpeed;
    }
    if (request.mode == TypingMode::fast)
        analysis.estimateText = "取决于 Word 响应";
    else if (text && text->count() > 0 && text->count() < estimateUnitLimit)
        analysis.estimateText =
            "约 " + durationText(Planner::totalSeconds(*text, settingsFor(request, speed),
                                                       estimateSeed));
    return analysis;
}

} // namespace plumeo::ArticleAnalyzer
