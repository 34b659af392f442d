#pragma once

#include <string>
#include <string_view>

namespace plumeo {

/// "约 3 分 20 秒"-style durations as the application shows them: whole seconds below a
/// minute, minutes and seconds below an hour, hours and minutes beyond.
std::string durationText(double seconds);

/// The report the analysis tool prints for one article: statistics, autocorrect risks and
/// the estimated duration in each typing mode at its default speed. A preparation error is
/// reported in the text, not thrown, because an article that cannot be typed is still a
/// normal answer for this tool.
struct ArticleAnalysis {
    bool typeable = false;
    std::string report;
};

ArticleAnalysis analyzeArticle(std::u16string_view article);

} // namespace plumeo
