#include "core/text/Planner.h"

#include "core/text/Homophones.h"
#include "core/text/PacingProfile.h"
#include "core/text/SeededRNG.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <string_view>

namespace plumeo::Planner {
namespace {

constexpr std::array<std::u16string_view, 3> keyboardRows = {u"qwertyuiop", u"asdfghjkl",
                                                             u"zxcvbnm"};

// Delays in milliseconds; pauses are sized for 200 units per minute and scaled from there.
constexpr double maximumDelayMs = 3000;
constexpr double referenceBaseMs = 300;
constexpr double maximumPauseScale = 2.0;

bool isOneOf(const TypeUnit& unit, std::u16string_view characters) {
    return unit.kind == UnitKind::text && unit.wordText.size() == 1 &&
           characters.find(unit.wordText[0]) != std::u16string_view::npos;
}

/// Everything fixed for one plan, and the generator whose draw order is the contract.
class PlanBuilder {
public:
    PlanBuilder(const PreparedText& text, const ModeSettings& settings, int startUnit,
                std::uint64_t seed)
        : units_(text.units), settings_(settings), profile_(PacingProfile::forMode(settings.mode)),
          start_(startUnit), rng_(seed ^ (static_cast<std::uint64_t>(startUnit) * 0x9E3779B9ULL)),
          base_(60000.0 / std::max(1.0, settings.unitsPerMinute)),
          scale_(std::min(base_ / referenceBaseMs, maximumPauseScale)),
          floor_(std::min(base_, profile_.minIntervalMs)),
          typosPossible_(settings.mode == TypingMode::natural && settings.typoEnabled),
          minGap_(std::max(2.0, std::round(1.0 / std::max(0.01, settings.typoRate)))) {
        assert(startUnit >= 0 && startUnit <= text.count() && "start unit outside the text");
    }

    /// Walks the units once, telling `sink` about every step in order. The sink is a template
    /// parameter so the duration estimate can skip building the steps it would only sum.
    template <typename Sink> void build(Sink& sink) {
        const int count = static_cast<int>(units_.size());
        double lastTypo = -100;
        int sinceCheckpoint = 0;
        for (int i = start_; i < count; ++i) {
            if (typosPossible_ && i > start_ && i + 1 < count && i - lastTypo >= minGap_) {
                if (const char16_t wrong = drawTypo(i)) {
                    const double insertDelay = (250 + 450 * rng_.unit()) * scale_;
                    const double deleteDelay = (120 + 230 * rng_.unit()) * scale_;
                    // The document is confirmed right before the typo, so the typo's read-back
                    // can only find the typo itself.
                    sink.checkpointLastStep();
                    sink.typo(wrong, i, insertDelay, deleteDelay);
                    lastTypo = i;
                    sinceCheckpoint = 0;
                }
            }
            const double delay = unitDelay(i);
            const int run = sinceCheckpoint + 1;
            const bool checkpoint =
                i + 1 == count || run >= profile_.checkpointEvery ||
                (units_[i].kind == UnitKind::paragraphBreak && profile_.checkpointAtParagraph);
            sinceCheckpoint = checkpoint ? 0 : run;
            sink.unit(i, delay, checkpoint);
        }
    }

private:
    /// The wrong character for unit i, or 0 when it gets none. Draws only for eligible units.
    char16_t drawTypo(int i) {
        const TypeUnit& unit = units_[i];
        if (unit.kind != UnitKind::text || unit.wordText.size() != 1)
            return 0;
        const char16_t right = unit.wordText[0];
        std::u16string_view candidates;
        std::u16string neighbours;
        // Only the middle or end of an English word: a first letter is never mistyped.
        if (unit.isASCIILetter() && units_[i - 1].isASCIILetter()) {
            neighbours = keyboardNeighbours(right);
            candidates = neighbours;
        } else if (Homophones::hasAlternatives(right)) {
            candidates = Homophones::alternatives(right);
        } else {
            return 0;
        }
        if (!(settings_.typoRate > rng_.unit()))
            return 0;
        const char16_t wrong = candidates[rng_.choose(candidates.size())];
        return wrong == right ? 0 : wrong;
    }

    double unitDelay(int i) {
        switch (settings_.mode) {
        case TypingMode::stable:
            return base_;
        case TypingMode::fast:
            // The engine sets the real pace adaptively; the plan only keeps the units apart.
            return profile_.minIntervalMs;
        case TypingMode::natural:
            break;
        }
        double delay = base_ * std::exp(0.35 * rng_.gaussian());
        const TypeUnit& unit = units_[i];
        if (unit.kind == UnitKind::paragraphBreak) {
            delay += (600 + 1000 * rng_.unit()) * scale_;
        } else if (isOneOf(unit, u"。！？!?…") || (isOneOf(unit, u".") && endsSentence(i))) {
            delay += (300 + 600 * rng_.unit()) * scale_;
        } else if (isOneOf(unit, u"，,、；;：:")) {
            delay += (120 + 300 * rng_.unit()) * scale_;
        } else if (isOneOf(unit, u" ")) {
            delay += 120 * rng_.unit() * scale_;
        }
        if (rng_.unit() < 0.01)
            delay += (700 + 1100 * rng_.unit()) * scale_;
        return std::min(maximumDelayMs, std::max(floor_, delay));
    }

    /// A full stop ends a sentence unless text follows directly, as in 3.14 or e.g.
    bool endsSentence(int i) const {
        if (i + 1 == static_cast<int>(units_.size()))
            return true;
        const TypeUnit& next = units_[i + 1];
        return next.kind != UnitKind::text || next.wordText == u" ";
    }

    const std::vector<TypeUnit>& units_;
    const ModeSettings& settings_;
    const PacingProfile profile_;
    const int start_;
    SeededRNG rng_;
    const double base_;
    const double scale_;
    const double floor_;
    const bool typosPossible_;
    const double minGap_;
};

class StepCollector {
public:
    explicit StepCollector(std::size_t expectedUnits) { steps_.reserve(expectedUnits); }

    void checkpointLastStep() {
        if (!steps_.empty())
            steps_.back().checkpointAfter = true;
    }
    void typo(char16_t wrong, int unitIndex, double insertDelay, double deleteDelay) {
        steps_.push_back(
            {StepAction::typoInsert(std::u16string(1, wrong), unitIndex), insertDelay, false});
        steps_.push_back({StepAction::typoDelete(unitIndex), deleteDelay, false});
    }
    void unit(int unitIndex, double delay, bool checkpoint) {
        steps_.push_back({StepAction::unit(unitIndex), delay, checkpoint});
    }

    std::vector<PlanStep> take() && { return std::move(steps_); }

private:
    std::vector<PlanStep> steps_;
};

class DelaySum {
public:
    void checkpointLastStep() {}
    void typo(char16_t, int, double insertDelay, double deleteDelay) {
        totalMs_ += insertDelay;
        totalMs_ += deleteDelay;
    }
    void unit(int, double delay, bool) { totalMs_ += delay; }

    double totalMs() const { return totalMs_; }

private:
    double totalMs_ = 0;
};

double durationAt(double unitsPerMinute, const PreparedText& text, const ModeSettings& settings,
                  std::uint64_t seed) {
    ModeSettings atSpeed = settings;
    atSpeed.unitsPerMinute = unitsPerMinute;
    return totalSeconds(text, atSpeed, seed);
}

} // namespace

std::vector<PlanStep> plan(const PreparedText& text, const ModeSettings& settings, int startUnit,
                           std::uint64_t seed) {
    PlanBuilder builder(text, settings, startUnit, seed);
    StepCollector collector(static_cast<std::size_t>(text.count() - startUnit));
    builder.build(collector);
    return std::move(collector).take();
}

double totalSeconds(const PreparedText& text, const ModeSettings& settings, std::uint64_t seed) {
    PlanBuilder builder(text, settings, 0, seed);
    DelaySum sum;
    builder.build(sum);
    return sum.totalMs() / 1000;
}

SpeedFit speedForTargetSeconds(double targetSeconds, const PreparedText& text,
                               const ModeSettings& settings, std::uint64_t seed) {
    if (text.count() == 0 || !(targetSeconds > 0))
        return {settings.unitsPerMinute, totalSeconds(text, settings, seed)};

    const auto [slowest, fastest] = ModeSettings::speedRange;
    const double slowestSeconds = durationAt(slowest, text, settings, seed);
    if (targetSeconds >= slowestSeconds)
        return {slowest, slowestSeconds};
    const double fastestSeconds = durationAt(fastest, text, settings, seed);
    if (fastestSeconds >= targetSeconds)
        return {fastest, fastestSeconds};

    double lo = slowest;
    double hi = fastest;
    for (int step = 0; step < 18; ++step) {
        const double mid = (lo + hi) / 2;
        if (durationAt(mid, text, settings, seed) > targetSeconds)
            lo = mid;
        else
            hi = mid;
    }
    const double speed = std::clamp(std::round((lo + hi) / 2 / 5) * 5, slowest, fastest);
    return {speed, durationAt(speed, text, settings, seed)};
}

std::u16string keyboardNeighbours(char16_t letter) {
    const bool upper = letter >= u'A' && letter <= u'Z';
    const char16_t lower = upper ? static_cast<char16_t>(letter - u'A' + u'a') : letter;
    for (std::size_t row = 0; row < keyboardRows.size(); ++row) {
        const std::size_t column = keyboardRows[row].find(lower);
        if (column == std::u16string_view::npos)
            continue;
        // The rows are not staggered: above and below mean the same column index.
        std::u16string neighbours;
        if (column > 0)
            neighbours.push_back(keyboardRows[row][column - 1]);
        if (column + 1 < keyboardRows[row].size())
            neighbours.push_back(keyboardRows[row][column + 1]);
        if (row > 0 && column < keyboardRows[row - 1].size())
            neighbours.push_back(keyboardRows[row - 1][column]);
        if (row + 1 < keyboardRows.size() && column < keyboardRows[row + 1].size())
            neighbours.push_back(keyboardRows[row + 1][column]);
        if (upper) {
            for (char16_t& c : neighbours)
                c = static_cast<char16_t>(c - u'a' + u'A');
        }
        return neighbours;
    }
    return {};
}

} // namespace plumeo::Planner
