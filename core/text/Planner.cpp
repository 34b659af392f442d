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

/// What the generator decided for one unit's natural delay, before a speed sizes it. A pause or
/// hesitation that did not happen is 0, which leaves the sum unchanged.
struct UnitDraws {
    double spread = 1;
    double pause = 0;
    double hesitation = 0;
};

/// A planned typo, its two delays not yet sized by a speed.
struct TypoDraws {
    char16_t wrong = 0;
    double insertDelay = 0;
    double deleteDelay = 0;
};

/// Turns draws into milliseconds at one speed. Every way of planning or estimating goes through
/// here, so a duration computed from kept draws equals the one of the built plan bit for bit.
class Pace {
public:
    Pace(TypingMode mode, double unitsPerMinute)
        : mode_(mode), minIntervalMs_(PacingProfile::forMode(mode).minIntervalMs),
          base_(60000.0 / std::max(1.0, unitsPerMinute)),
          scale_(std::min(base_ / referenceBaseMs, maximumPauseScale)),
          floor_(std::min(base_, minIntervalMs_)) {}

    double scaled(double pauseMs) const { return pauseMs * scale_; }

    double unitDelay(const UnitDraws& draws) const {
        switch (mode_) {
        case TypingMode::stable:
            return base_;
        case TypingMode::fast:
            // The engine sets the real pace adaptively; the plan only keeps the units apart.
            return minIntervalMs_;
        case TypingMode::natural:
            break;
        }
        double delay = base_ * draws.spread;
        delay += draws.pause * scale_;
        delay += draws.hesitation * scale_;
        return std::min(maximumDelayMs, std::max(floor_, delay));
    }

private:
    TypingMode mode_;
    double minIntervalMs_;
    double base_;
    double scale_;
    double floor_;
};

/// Walks the units with the generator, whose draw order is the contract. Nothing here depends
/// on the speed, so one walk serves every speed the speed search tries.
class PlanBuilder {
public:
    PlanBuilder(const PreparedText& text, const ModeSettings& settings, int startUnit,
                std::uint64_t seed)
        : units_(text.units), settings_(settings), profile_(PacingProfile::forMode(settings.mode)),
          start_(startUnit), rng_(seed ^ (static_cast<std::uint64_t>(startUnit) * 0x9E3779B9ULL)),
          typosPossible_(settings.mode == TypingMode::natural && settings.typoEnabled),
          minGap_(std::max(2.0, std::round(1.0 / std::max(0.01, settings.typoRate)))) {
        assert(startUnit >= 0 && startUnit <= text.count() && "start unit outside the text");
    }

    /// Tells `sink` about every step in order: checkpointLastStep(), typo(unit, TypoDraws) and
    /// unit(unit, UnitDraws, checkpoint).
    template <typename Sink> void build(Sink& sink) {
        const int count = static_cast<int>(units_.size());
        double lastTypo = -100;
        int sinceCheckpoint = 0;
        for (int i = start_; i < count; ++i) {
            if (typosPossible_ && i > start_ && i + 1 < count && i - lastTypo >= minGap_) {
                if (const char16_t wrong = drawTypo(i)) {
                    TypoDraws typo{wrong, 0, 0};
                    typo.insertDelay = 250 + 450 * rng_.unit();
                    typo.deleteDelay = 120 + 230 * rng_.unit();
                    // The document is confirmed right before the typo, so the typo's read-back
                    // can only find the typo itself.
                    sink.checkpointLastStep();
                    sink.typo(i, typo);
                    lastTypo = i;
                    sinceCheckpoint = 0;
                }
            }
            const UnitDraws draws =
                settings_.mode == TypingMode::natural ? naturalDraws(i) : UnitDraws{};
            const int run = sinceCheckpoint + 1;
            const bool checkpoint =
                i + 1 == count || run >= profile_.checkpointEvery ||
                (units_[i].kind == UnitKind::paragraphBreak && profile_.checkpointAtParagraph);
            sinceCheckpoint = checkpoint ? 0 : run;
            sink.unit(i, draws, checkpoint);
        }
    }

    /// An upper bound on the typos among `units` units.
    std::size_t maximumTypos(std::size_t units) const {
        return typosPossible_ ? units / static_cast<std::size_t>(minGap_) + 1 : 0;
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

    UnitDraws naturalDraws(int i) {
        UnitDraws draws;
        draws.spread = std::exp(0.35 * rng_.gaussian());
        const TypeUnit& unit = units_[i];
        if (unit.kind == UnitKind::paragraphBreak) {
            draws.pause = 600 + 1000 * rng_.unit();
        } else if (isOneOf(unit, u"。！？!?…") || (isOneOf(unit, u".") && endsSentence(i))) {
            draws.pause = 300 + 600 * rng_.unit();
        } else if (isOneOf(unit, u"，,、；;：:")) {
            draws.pause = 120 + 300 * rng_.unit();
        } else if (isOneOf(unit, u" ")) {
            draws.pause = 120 * rng_.unit();
        }
        if (rng_.unit() < 0.01)
            draws.hesitation = 700 + 1100 * rng_.unit();
        return draws;
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
    const bool typosPossible_;
    const double minGap_;
};

class StepCollector {
public:
    StepCollector(const Pace& pace, std::size_t expectedUnits) : pace_(pace) {
        steps_.reserve(expectedUnits);
    }

    void checkpointLastStep() {
        if (!steps_.empty())
            steps_.back().checkpointAfter = true;
    }
    void typo(int unitIndex, const TypoDraws& typo) {
        steps_.push_back({StepAction::typoInsert(std::u16string(1, typo.wrong), unitIndex),
                          pace_.scaled(typo.insertDelay), false});
        steps_.push_back(
            {StepAction::typoDelete(unitIndex), pace_.scaled(typo.deleteDelay), false});
    }
    void unit(int unitIndex, const UnitDraws& draws, bool checkpoint) {
        steps_.push_back({StepAction::unit(unitIndex), pace_.unitDelay(draws), checkpoint});
    }

    std::vector<PlanStep> take() && { return std::move(steps_); }

private:
    const Pace& pace_;
    std::vector<PlanStep> steps_;
};

class DelaySum {
public:
    explicit DelaySum(const Pace& pace) : pace_(pace) {}

    void checkpointLastStep() {}
    void typo(int, const TypoDraws& typo) {
        totalMs_ += pace_.scaled(typo.insertDelay);
        totalMs_ += pace_.scaled(typo.deleteDelay);
    }
    void unit(int, const UnitDraws& draws, bool) { totalMs_ += pace_.unitDelay(draws); }

    double totalMs() const { return totalMs_; }

private:
    Pace pace_;
    double totalMs_ = 0;
};

} // namespace

/// Keeps the draws of the plan from unit 0; the per-unit draws only in the natural mode, since
/// the other modes draw nothing.
class PlanDurations::Recorder {
public:
    explicit Recorder(PlanDurations& durations) : durations_(durations) {}

    void checkpointLastStep() {}
    void typo(int unitIndex, const TypoDraws& typo) {
        durations_.typos_.push_back({unitIndex, typo.insertDelay, typo.deleteDelay});
    }
    void unit(int, const UnitDraws& draws, bool) {
        if (durations_.settings_.mode == TypingMode::natural)
            durations_.natural_.push_back({draws.spread, draws.pause, draws.hesitation});
    }

private:
    PlanDurations& durations_;
};

PlanDurations::PlanDurations(const PreparedText& text, const ModeSettings& settings,
                             std::uint64_t seed)
    : settings_(settings), unitCount_(text.count()) {
    if (settings.mode == TypingMode::natural)
        natural_.reserve(static_cast<std::size_t>(unitCount_));
    PlanBuilder builder(text, settings, 0, seed);
    Recorder recorder(*this);
    builder.build(recorder);
}

double PlanDurations::seconds(double unitsPerMinute) const {
    const Pace pace(settings_.mode, unitsPerMinute);
    const bool natural = settings_.mode == TypingMode::natural;
    // The same additions in the same order as summing the built plan's steps.
    double totalMs = 0;
    std::size_t nextTypo = 0;
    for (int i = 0; i < unitCount_; ++i) {
        if (nextTypo < typos_.size() && typos_[nextTypo].unitIndex == i) {
            totalMs += pace.scaled(typos_[nextTypo].insertDelay);
            totalMs += pace.scaled(typos_[nextTypo].deleteDelay);
            ++nextTypo;
        }
        UnitDraws draws;
        if (natural) {
            const KeptUnit& kept = natural_[static_cast<std::size_t>(i)];
            draws = {kept.spread, kept.pause, kept.hesitation};
        }
        totalMs += pace.unitDelay(draws);
    }
    return totalMs / 1000;
}

std::vector<PlanStep> plan(const PreparedText& text, const ModeSettings& settings, int startUnit,
                           std::uint64_t seed) {
    PlanBuilder builder(text, settings, startUnit, seed);
    const Pace pace(settings.mode, settings.unitsPerMinute);
    // Typos lie at least minGap units apart and add two steps each; reserving for the most
    // there can be spares a reallocation that would briefly hold the plan twice.
    const std::size_t units = static_cast<std::size_t>(text.count() - startUnit);
    const std::size_t typos = builder.maximumTypos(units);
    StepCollector collector(pace, units + 2 * typos);
    builder.build(collector);
    return std::move(collector).take();
}

double totalSeconds(const PreparedText& text, const ModeSettings& settings, std::uint64_t seed) {
    PlanBuilder builder(text, settings, 0, seed);
    DelaySum sum{Pace(settings.mode, settings.unitsPerMinute)};
    builder.build(sum);
    return sum.totalMs() / 1000;
}

SpeedFit speedForTargetSeconds(double targetSeconds, const PreparedText& text,
                               const ModeSettings& settings, std::uint64_t seed) {
    if (text.count() == 0 || !(targetSeconds > 0))
        return {settings.unitsPerMinute, totalSeconds(text, settings, seed)};

    // Every duration below comes from one walk of the generator.
    const PlanDurations durations(text, settings, seed);
    const auto [slowest, fastest] = ModeSettings::speedRange;
    const double slowestSeconds = durations.seconds(slowest);
    if (targetSeconds >= slowestSeconds)
        return {slowest, slowestSeconds};
    const double fastestSeconds = durations.seconds(fastest);
    if (fastestSeconds >= targetSeconds)
        return {fastest, fastestSeconds};

    double lo = slowest;
    double hi = fastest;
    for (int step = 0; step < 18; ++step) {
        const double mid = (lo + hi) / 2;
        if (durations.seconds(mid) > targetSeconds)
            lo = mid;
        else
            hi = mid;
    }
    const double speed = std::clamp(std::round((lo + hi) / 2 / 5) * 5, slowest, fastest);
    return {speed, durations.seconds(speed)};
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
