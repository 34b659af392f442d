#pragma once

// Re-analysis of the article for the model: preparation, autocorrect risks, the duration note
// with its fitted speed, and the estimate. Pure, so it may run on any thread.

#include "core/text/AutocorrectRisk.h"
#include "core/text/PreparedText.h"
#include "core/text/TypingMode.h"

#include <optional>
#include <string>
#include <vector>

namespace plumeo {

struct AnalysisRequest {
    std::u16string article;
    TypingMode mode = TypingMode::stable;
    double speed = 300;
    bool typoEnabled = false;
    double typoRate = 0;
    bool paceByDuration = false;
    double targetMinutes = 10;
};

struct Analysis {
    std::optional<TextStats> stats;
    std::optional<std::string> preparationError;
    std::vector<AutocorrectRisk> risks;
    std::string durationNote;
    /// The speed the duration note fitted; the model stores it as the mode's speed.
    std::optional<double> fittedSpeed;
    std::string estimateText;
};

namespace ArticleAnalyzer {

/// Estimates stop at this many units: planning them would take too long.
inline constexpr int estimateUnitLimit = 200000;

Analysis analyze(const AnalysisRequest& request);

} // namespace ArticleAnalyzer

} // namespace plumeo
