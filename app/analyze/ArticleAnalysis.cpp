#include "app/analyze/ArticleAnalysis.h"

#include "core/text/AutocorrectRisk.h"
#include "core/text/ModeSettings.h"
#include "core/text/Planner.h"
#include "core/text/TextPreparer.h"

#include <cmath>
#include <sstream>

namespace plumeo {
namespace {

// Estimates use one fixed seed so the same article always shows the same figure.
constexpr std::uint64_t estimateSeed = 1;
// Beyond this many units the estimate is left out: planning it would make every edit slow.
constexpr int estimateUnitLimit = 200000;

std::string estimateText(const PreparedText& text, TypingMode mode) {
    if (mode == TypingMode::fast)
        return "取决于 Word 响应";
    if (text.count() <= 0 || text.count() >= estimateUnitLimit)
        return "";
    const ModeSettings settings = ModeSettings::make(mode, std::nullopt, false, 0);
    return "约 " + durationText(Planner::totalSeconds(text, settings, estimateSeed));
}

} // namespace

std::string durationText(double seconds) {
    const long long n = std::llround(seconds);
    if (n <= 59)
        return std::to_string(n) + " 秒";
    if (n < 3600)
        return std::to_string(n / 60) + " 分 " + std::to_string(n % 60) + " 秒";
    return std::to_string(n / 3600) + " 小时 " + std::to_string((n % 3600) / 60) + " 分";
}

ArticleAnalysis analyzeArticle(std::u16string_view article) {
    ArticleAnalysis analysis;
    std::ostringstream out;
    PreparedText text;
    try {
        text = TextPreparer::prepare(article);
    } catch (const PreparationError& error) {
        out << "无法输入：" << error.description() << "\n";
        analysis.report = out.str();
        return analysis;
    }
    analysis.typeable = true;

    const TextStats& stats = text.stats;
    out << "文章统计\n"
        << "  字数（字素）：" << stats.graphemes << "\n"
        << "  汉字：" << stats.cjkCharacters << "\n"
        << "  英文单词：" << stats.latinWords << "\n"
        << "  段落：" << stats.paragraphs << "（空段落 " << stats.emptyParagraphs << "）\n"
        << "  UTF-16 长度：" << stats.wordUTF16Length << "\n"
        << "  输入单元：" << stats.units << "\n";

    const auto risks = analyzeAutocorrectRisks(article);
    out << "自动更正风险\n";
    if (risks.empty())
        out << "  无\n";
    for (const AutocorrectRisk risk : risks)
        out << "  - " << rawValue(risk) << "（Word 选项：" << settingLabel(risk) << "）\n";

    out << "预计用时\n";
    for (const TypingMode mode : allTypingModes) {
        out << "  " << title(mode);
        if (mode != TypingMode::fast)
            out << "（" << ModeSettings::defaultSpeed(mode) << " 字/分钟）";
        const std::string estimate = estimateText(text, mode);
        out << "：" << (estimate.empty() ? "—" : estimate) << "\n";
    }
    analysis.report = out.str();
    return analysis;
}

} // namespace plumeo
