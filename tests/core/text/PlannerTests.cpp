#include "core/text/Homophones.h"
#include "core/text/Planner.h"
#include "core/text/SeededRNG.h"
#include "core/text/TextPreparer.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numeric>

namespace plumeo {

void PrintTo(const PlanStep& step, std::ostream* out) {
    *out << "{kind " << static_cast<int>(step.action.kind) << ", unit " << step.action.unitIndex
         << ", wrong U+" << std::hex
         << (step.action.wrong.empty() ? 0 : static_cast<int>(step.action.wrong[0])) << std::dec
         << ", " << step.delayAfterMs << " ms" << (step.checkpointAfter ? ", checkpoint}" : "}");
}

namespace {

ModeSettings settingsFor(TypingMode mode, double unitsPerMinute, double typoRate = 0) {
    return ModeSettings::make(mode, unitsPerMinute, typoRate > 0, typoRate);
}

std::vector<int> checkpointUnits(const std::vector<PlanStep>& steps) {
    std::vector<int> result;
    for (const PlanStep& step : steps) {
        if (step.checkpointAfter)
            result.push_back(step.action.unitIndex);
    }
    return result;
}

std::vector<int> typoUnits(const std::vector<PlanStep>& steps) {
    std::vector<int> result;
    for (const PlanStep& step : steps) {
        if (step.action.kind == StepAction::Kind::typoInsert)
            result.push_back(step.action.unitIndex);
    }
    return result;
}

/// The unit steps alone must cover start...count-1 in order, each once.
void expectEveryUnitOnce(const std::vector<PlanStep>& steps, int start, int count) {
    int expected = start;
    for (const PlanStep& step : steps) {
        if (step.action.kind == StepAction::Kind::unit) {
            EXPECT_EQ(step.action.unitIndex, expected++);
        }
    }
    EXPECT_EQ(expected, count);
}

const std::u16string mixedArticle =
    u"The quick brown fox jumps over the lazy dog. It is 3.14 wide, e.g. not much!\n"
    u"我们的生活中有很多事情，是可以自己决定的。你想去哪里？\r\n"
    u"\tKeyboard typing: typewriter, keyboard; done... 好的！\u2028最后一行。";

TEST(PlannerTest, StablePlansKeepAFixedPaceAndRegularCheckpoints) {
    const PreparedText text = TextPreparer::prepare(std::u16string(50, u'x'));
    const auto steps = Planner::plan(text, settingsFor(TypingMode::stable, 300), 0, 99);
    ASSERT_EQ(steps.size(), 50u);
    for (const PlanStep& step : steps)
        EXPECT_EQ(step.delayAfterMs, 200);
    EXPECT_EQ(checkpointUnits(steps), (std::vector{23, 47, 49}));

    const PreparedText paragraphs = TextPreparer::prepare(u"ab\ncd\n\nef");
    EXPECT_EQ(
        checkpointUnits(Planner::plan(paragraphs, settingsFor(TypingMode::stable, 300), 0, 1)),
        (std::vector{2, 5, 6, 8}));
    EXPECT_EQ(checkpointUnits(Planner::plan(paragraphs, settingsFor(TypingMode::fast, 300), 0, 1)),
              (std::vector{8}));
}

TEST(PlannerTest, FastPlansUseTheMinimumIntervalWhateverTheSpeed) {
    const PreparedText text = TextPreparer::prepare(std::u16string(130, u'y') + u"\n\nz");
    for (const double speed : {30.0, 6000.0}) {
        const auto steps = Planner::plan(text, settingsFor(TypingMode::fast, speed, 0.5), 0, 5);
        expectEveryUnitOnce(steps, 0, text.count());
        for (const PlanStep& step : steps)
            EXPECT_EQ(step.delayAfterMs, 1);
        EXPECT_EQ(checkpointUnits(steps), (std::vector{59, 119, 132}));
    }
}

TEST(PlannerTest, SeedsTheGeneratorFromSeedAndStartUnit) {
    // Plain letters without typos: each natural delay is base * exp(0.35 g) plus the hesitation
    // test, so the first delay reveals the generator's starting state.
    const PreparedText text = TextPreparer::prepare(u"abcdefgh");
    const ModeSettings natural = settingsFor(TypingMode::natural, 200);
    auto firstDelay = [](std::uint64_t state) {
        SeededRNG rng(state);
        double delay = 300 * std::exp(0.35 * rng.gaussian());
        if (rng.unit() < 0.01)
            delay += 700 + 1100 * rng.unit();
        return std::min(3000.0, std::max(25.0, delay));
    };
    EXPECT_DOUBLE_EQ(Planner::plan(text, natural, 0, 0)[0].delayAfterMs, firstDelay(0));
    EXPECT_DOUBLE_EQ(Planner::plan(text, natural, 3, 0)[0].delayAfterMs,
                     firstDelay(3 * 0x9E3779B9ULL));
    EXPECT_DOUBLE_EQ(Planner::plan(text, natural, 3, 77)[0].delayAfterMs,
                     firstDelay(77 ^ (3 * 0x9E3779B9ULL)));
    EXPECT_TRUE(Planner::plan(text, natural, text.count(), 0).empty());
}

TEST(PlannerTest, DrawsInTheAgreedOrder) {
    // Units: a b 的 的 . space x LF. Typos at b (inside a word) and the second 的 (a homophone,
    // two units after the first typo); none on a, x (word starts) or the final unit.
    const PreparedText text = TextPreparer::prepare(u"ab的的. x\n");
    const ModeSettings settings = settingsFor(TypingMode::natural, 200, 1.0);
    const auto steps = Planner::plan(text, settings, 0, 2024);

    SeededRNG rng(2024);
    std::vector<PlanStep> expected;
    auto natural = [&rng](double pauseBase, double pauseSpread, bool pause) {
        double delay = 300 * std::exp(0.35 * rng.gaussian());
        if (pause)
            delay += pauseBase + pauseSpread * rng.unit();
        if (rng.unit() < 0.01)
            delay += 700 + 1100 * rng.unit();
        return std::min(3000.0, std::max(25.0, delay));
    };
    auto typo = [&](int unit, std::u16string_view candidates) {
        EXPECT_LT(rng.unit(), 1.0); // the typo decision
        const std::u16string wrong(1, candidates[rng.next() % candidates.size()]);
        expected.back().checkpointAfter = true;
        const double insertDelay = 250 + 450 * rng.unit();
        const double deleteDelay = 120 + 230 * rng.unit();
        expected.push_back({StepAction::typoInsert(wrong, unit), insertDelay, false});
        expected.push_back({StepAction::typoDelete(unit), deleteDelay, false});
    };
    expected.push_back({StepAction::unit(0), natural(0, 0, false), false});
    typo(1, u"vng"); // left, right and above b
    expected.push_back({StepAction::unit(1), natural(0, 0, false), false});
    expected.push_back({StepAction::unit(2), natural(0, 0, false), false});
    typo(3, Homophones::alternatives(u'的'));
    expected.push_back({StepAction::unit(3), natural(0, 0, false), false});
    expected.push_back({StepAction::unit(4), natural(300, 600, true), false}); // sentence end
    expected.push_back({StepAction::unit(5), natural(0, 120, true), false});   // space
    expected.push_back({StepAction::unit(6), natural(0, 0, false), false});
    expected.push_back({StepAction::unit(7), natural(600, 1000, true), true}); // last unit
    EXPECT_EQ(steps, expected);
}

TEST(PlannerTest, PutsTyposOnlyWhereTheyCanBeTakenBack) {
    const PreparedText text = TextPreparer::prepare(mixedArticle);
    const auto steps = Planner::plan(text, settingsFor(TypingMode::natural, 200, 1.0), 0, 11);
    const std::vector<int> typos = typoUnits(steps);
    ASSERT_FALSE(typos.empty());
    for (const int i : typos) {
        const TypeUnit& unit = text.units[i];
        SCOPED_TRACE(i);
        EXPECT_GT(i, 0);
        EXPECT_LT(i + 1, text.count());
        const bool insideWord = unit.isASCIILetter() && text.units[i - 1].isASCIILetter();
        EXPECT_TRUE(insideWord || unit.isTypoableHanzi());
    }
    for (std::size_t k = 1; k < typos.size(); ++k)
        EXPECT_GE(typos[k] - typos[k - 1], 2);

    for (const TypingMode mode : {TypingMode::stable, TypingMode::fast})
        EXPECT_TRUE(typoUnits(Planner::plan(text, settingsFor(mode, 200, 1.0), 0, 11)).empty());
    ModeSettings disabled = settingsFor(TypingMode::natural, 200, 1.0);
    disabled.typoEnabled = false;
    EXPECT_TRUE(typoUnits(Planner::plan(text, disabled, 0, 11)).empty());
}

TEST(PlannerTest, TyposFollowACheckpointAndComeAsTriples) {
    const PreparedText word = TextPreparer::prepare(u"typewriterkeyboard");
    const auto steps = Planner::plan(word, settingsFor(TypingMode::natural, 200, 1.0), 0, 8);
    EXPECT_EQ(typoUnits(steps), (std::vector{1, 3, 5, 7, 9, 11, 13, 15}));
    expectEveryUnitOnce(steps, 0, word.count());
    for (std::size_t k = 0; k < steps.size(); ++k) {
        if (steps[k].action.kind != StepAction::Kind::typoInsert)
            continue;
        const int unit = steps[k].action.unitIndex;
        ASSERT_GE(k, 1u);
        ASSERT_LT(k + 2, steps.size());
        EXPECT_TRUE(steps[k - 1].checkpointAfter);
        EXPECT_EQ(steps[k + 1].action, StepAction::typoDelete(unit));
        EXPECT_EQ(steps[k + 2].action, StepAction::unit(unit));
        EXPECT_FALSE(steps[k].checkpointAfter);
        EXPECT_FALSE(steps[k + 1].checkpointAfter);
        const std::u16string neighbours = Planner::keyboardNeighbours(word.units[unit].wordText[0]);
        EXPECT_NE(neighbours.find(steps[k].action.wrong[0]), std::u16string::npos);
    }

    // A low rate spaces typos out: at 0.3 at least 3 units apart.
    const PreparedText longWord = TextPreparer::prepare(std::u16string(400, u'k'));
    const auto sparse =
        typoUnits(Planner::plan(longWord, settingsFor(TypingMode::natural, 200, 0.3), 0, 4));
    ASSERT_GT(sparse.size(), 10u);
    for (std::size_t k = 1; k < sparse.size(); ++k)
        EXPECT_GE(sparse[k] - sparse[k - 1], 3);
}

TEST(PlannerTest, ResumedPlansRebuildTheirUnitsAndNeverStartWithATypo) {
    const PreparedText text = TextPreparer::prepare(mixedArticle);
    const ModeSettings settings = settingsFor(TypingMode::natural, 200, 1.0);
    for (int start = 0; start <= text.count(); ++start) {
        const auto steps = Planner::plan(text, settings, start, 31);
        expectEveryUnitOnce(steps, start, text.count());
        if (start < text.count()) {
            EXPECT_EQ(steps.front().action, StepAction::unit(start));
            EXPECT_TRUE(steps.back().checkpointAfter);
        }
    }
}

TEST(PlannerTest, SameInputsGiveTheSamePlan) {
    const PreparedText text = TextPreparer::prepare(mixedArticle);
    const ModeSettings settings = settingsFor(TypingMode::natural, 260, 0.1);
    EXPECT_EQ(Planner::plan(text, settings, 4, 123), Planner::plan(text, settings, 4, 123));
    EXPECT_NE(Planner::plan(text, settings, 4, 123), Planner::plan(text, settings, 4, 124));
}

TEST(PlannerTest, NaturalDelaysStayWithinTheirBounds) {
    const PreparedText text = TextPreparer::prepare(mixedArticle + mixedArticle + mixedArticle);
    for (const double speed : {1.0, 30.0, 200.0, 1200.0, 5000.0}) {
        const double base = 60000 / speed;
        for (std::uint64_t seed = 0; seed < 20; ++seed) {
            for (const PlanStep& step :
                 Planner::plan(text, settingsFor(TypingMode::natural, speed, 0.05), 0, seed)) {
                if (step.action.kind != StepAction::Kind::unit)
                    continue;
                ASSERT_GE(step.delayAfterMs, std::min(base, 25.0)) << speed;
                ASSERT_LE(step.delayAfterMs, 3000) << speed;
            }
        }
    }
}

TEST(PlannerTest, PausesAfterSentencesButNotInsideNumbers) {
    // A pause takes one more draw, so an ordinary full stop leaves the delays exactly as an
    // ordinary letter would, and a sentence end changes them.
    auto delays = [](std::u16string_view article) {
        std::vector<double> result;
        for (const PlanStep& step : Planner::plan(TextPreparer::prepare(article),
                                                  settingsFor(TypingMode::natural, 200), 0, 3))
            result.push_back(step.delayAfterMs);
        return result;
    };
    EXPECT_EQ(delays(u"3.14 ok"), delays(u"3x14 ok"));
    EXPECT_EQ(delays(u"e.g"), delays(u"exg"));
    EXPECT_NE(delays(u"ok. z"), delays(u"okx z"));
    EXPECT_NE(delays(u"ok.\tz"), delays(u"okx\tz"));
    EXPECT_NE(delays(u"end."), delays(u"endx"));
    EXPECT_NE(delays(u"a\u3002b"), delays(u"axb"));
    EXPECT_NE(delays(u"a\uFF0Cb"), delays(u"axb"));
}

TEST(PlannerTest, TotalSecondsSumsEveryStepIncludingTypos) {
    const PreparedText text = TextPreparer::prepare(mixedArticle);
    const ModeSettings settings = settingsFor(TypingMode::natural, 200, 0.2);
    const auto steps = Planner::plan(text, settings, 0, 77);
    const double sumMs =
        std::accumulate(steps.begin(), steps.end(), 0.0,
                        [](double sum, const PlanStep& step) { return sum + step.delayAfterMs; });
    EXPECT_NEAR(Planner::totalSeconds(text, settings, 77), sumMs / 1000, 1e-9);
    EXPECT_DOUBLE_EQ(Planner::totalSeconds(text, settingsFor(TypingMode::stable, 600), 77),
                     text.count() * 0.1);
}

TEST(PlannerTest, FitsTheSpeedToATargetDuration) {
    const PreparedText text = TextPreparer::prepare(mixedArticle);
    const int units = text.count();

    // Stable plans last units * 60 / speed seconds, so the fit can be checked exactly.
    const ModeSettings stable = settingsFor(TypingMode::stable, 300);
    const Planner::SpeedFit fit =
        Planner::speedForTargetSeconds(units * 60.0 / 240, text, stable, 1);
    EXPECT_EQ(fit.unitsPerMinute, 240);
    EXPECT_DOUBLE_EQ(fit.achievableSeconds, units * 60.0 / 240);

    EXPECT_EQ(Planner::speedForTargetSeconds(1e9, text, stable, 1),
              (Planner::SpeedFit{30, units * 2.0}));
    EXPECT_EQ(Planner::speedForTargetSeconds(0.001, text, stable, 1),
              (Planner::SpeedFit{1200, units * 0.05}));

    // Without text or a positive target the settings' own speed stands.
    const PreparedText empty{{}, {0}, {}};
    EXPECT_EQ(Planner::speedForTargetSeconds(100, empty, stable, 1), (Planner::SpeedFit{300, 0}));
    EXPECT_EQ(Planner::speedForTargetSeconds(0, text, stable, 1).unitsPerMinute, 300);
    EXPECT_EQ(Planner::speedForTargetSeconds(-5, text, stable, 1).unitsPerMinute, 300);

    for (const TypingMode mode : allTypingModes) {
        const ModeSettings settings = settingsFor(mode, 200, 0.05);
        for (const double target : {0.5, 10.0, 33.3, 60.0, 95.0, 240.0, 1e6}) {
            const auto [speed, seconds] = Planner::speedForTargetSeconds(target, text, settings, 9);
            EXPECT_EQ(std::fmod(speed, 5), 0) << speed;
            EXPECT_TRUE(ModeSettings::speedRange.contains(speed)) << speed;
            ModeSettings chosen = settings;
            chosen.unitsPerMinute = speed;
            EXPECT_EQ(seconds, Planner::totalSeconds(text, chosen, 9));
        }
    }
}

TEST(PlannerTest, DurationsFromKeptDrawsEqualTheBuiltPlansExactly) {
    // At 30 units per minute the 3 s cap binds, at 1200 the floor does; typos add steps.
    const PreparedText text = TextPreparer::prepare(mixedArticle + mixedArticle);
    for (const TypingMode mode : allTypingModes) {
        ModeSettings settings = settingsFor(mode, 200, 0.3);
        const Planner::PlanDurations durations(text, settings, 5);
        for (const double speed : {30.0, 47.5, 200.0, 611.25, 1200.0, 5000.0}) {
            settings.unitsPerMinute = speed;
            double totalMs = 0;
            for (const PlanStep& step : Planner::plan(text, settings, 0, 5))
                totalMs += step.delayAfterMs;
            EXPECT_EQ(durations.seconds(speed), totalMs / 1000) << rawValue(mode) << " " << speed;
        }
    }
}

} // namespace
} // namespace plumeo
