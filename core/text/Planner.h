#pragma once

#include "core/text/ModeSettings.h"
#include "core/text/PreparedText.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plumeo {

/// What one plan step does.
struct StepAction {
    enum class Kind { unit, typoInsert, typoDelete };

    Kind kind = Kind::unit;
    /// The unit typed (unit), or the unit in whose place the typo stands (typoInsert,
    /// typoDelete).
    int unitIndex = 0;
    std::u16string wrong; ///< Only for typoInsert: the one wrong character typed.

    static StepAction unit(int index) { return {Kind::unit, index, {}}; }
    static StepAction typoInsert(std::u16string wrong, int beforeUnit) {
        return {Kind::typoInsert, beforeUnit, std::move(wrong)};
    }
    /// One backspace that takes the wrong character back again.
    static StepAction typoDelete(int beforeUnit) { return {Kind::typoDelete, beforeUnit, {}}; }

    bool operator==(const StepAction&) const = default;
};

struct PlanStep {
    StepAction action;
    double delayAfterMs = 0;      ///< Wait after the action, before the next step.
    bool checkpointAfter = false; ///< Read the document back and confirm progress afterwards.

    bool operator==(const PlanStep&) const = default;
};

namespace Planner {

/// The steps for units startUnit...count-1. Deterministic: the same text, settings, start unit
/// and seed give the same plan, so a resumed session rebuilds the rest of its plan exactly.
/// `settings.seed` is not consulted. startUnit must lie in 0...text.count().
std::vector<PlanStep> plan(const PreparedText& text, const ModeSettings& settings, int startUnit,
                           std::uint64_t seed);

/// The summed delays of the whole plan from unit 0, typo steps included, in seconds.
double totalSeconds(const PreparedText& text, const ModeSettings& settings, std::uint64_t seed);

/// The duration of the plan from unit 0 at any speed, for one text, mode, typo setting and seed.
/// The generator's draws do not depend on the speed, so they are taken once here and each
/// duration is then a pass over kept numbers; it equals the sum of the built plan's delays
/// exactly. Keeps 24 bytes per unit in the natural mode, nothing per unit in the others.
class PlanDurations {
public:
    PlanDurations(const PreparedText& text, const ModeSettings& settings, std::uint64_t seed);

    /// What totalSeconds gives for the same inputs at this speed.
    double seconds(double unitsPerMinute) const;

private:
    class Recorder;
    struct KeptUnit {
        double spread;
        double pause;
        double hesitation;
    };
    struct KeptTypo {
        int unitIndex;
        double insertDelay;
        double deleteDelay;
    };

    ModeSettings settings_;
    int unitCount_;
    std::vector<KeptUnit> natural_;
    std::vector<KeptTypo> typos_;
};

struct SpeedFit {
    double unitsPerMinute;
    double achievableSeconds; ///< The duration of the plan at that speed.

    bool operator==(const SpeedFit&) const = default;
};

/// The speed within ModeSettings::speedRange, a multiple of 5, whose plan lasts closest to the
/// target. An empty text or a target of 0 or less gives the settings' own speed.
SpeedFit speedForTargetSeconds(double targetSeconds, const PreparedText& text,
                               const ModeSettings& settings, std::uint64_t seed);

/// The keys next to an ASCII letter on a plain three-row keyboard, in the order the planner
/// chooses among them (left, right, above, below), in the letter's case; empty for anything
/// that is not an ASCII letter.
std::u16string keyboardNeighbours(char16_t letter);

} // namespace Planner
} // namespace plumeo
