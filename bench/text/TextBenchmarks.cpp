#include "bench/text/MixedArticle.h"
#include "core/text/AutocorrectRisk.h"
#include "core/text/Planner.h"
#include "core/text/TextPreparer.h"
#include "core/text/Utf16.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <unicode/brkiter.h>

namespace plumeo {
namespace {

PreparedText firstUnits(const PreparedText& text, int count) {
    PreparedText cut = text;
    cut.units.resize(count);
    cut.offsets.resize(count + 1);
    cut.stats.units = count;
    cut.stats.wordUTF16Length = cut.offsets.back();
    return cut;
}

const PreparedText& twoHundredThousandUnits() {
    static const PreparedText text =
        firstUnits(TextPreparer::prepare(mixedArticle(1 << 20)), 200000);
    return text;
}

void prepareOneMebibyte(benchmark::State& state) {
    const std::u16string article = mixedArticle(1 << 20);
    for (auto _ : state) {
        PreparedText text = TextPreparer::prepare(article);
        // Freeing some 600k units is the caller's cost, measured separately below.
        state.PauseTiming();
        text = {};
        state.ResumeTiming();
    }
    state.counters["units"] = static_cast<double>(TextPreparer::prepare(article).count());
}
BENCHMARK(prepareOneMebibyte)->Unit(benchmark::kMillisecond);

void prepareAndFreeOneMebibyte(benchmark::State& state) {
    const std::u16string article = mixedArticle(1 << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(TextPreparer::prepare(article));
}
BENCHMARK(prepareAndFreeOneMebibyte)->Unit(benchmark::kMillisecond);

/// The floor under preparation: ICU's grapheme segmentation alone. Preparation is held to a
/// small multiple of this.
void segmentOneMebibyte(benchmark::State& state) {
    const std::u16string article = mixedArticle(1 << 20);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> clusters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    const icu::UnicodeString alias(false, article.data(), static_cast<int32_t>(article.size()));
    for (auto _ : state) {
        clusters->setText(alias);
        int boundaries = 0;
        for (int32_t end = clusters->next(); end != icu::BreakIterator::DONE;
             end = clusters->next())
            ++boundaries;
        benchmark::DoNotOptimize(boundaries);
    }
}
BENCHMARK(segmentOneMebibyte)->Unit(benchmark::kMillisecond);

void planNaturalWithTypos(benchmark::State& state) {
    const PreparedText& text = twoHundredThousandUnits();
    const ModeSettings settings = ModeSettings::make(TypingMode::natural, 200, true, 0.05);
    for (auto _ : state)
        benchmark::DoNotOptimize(Planner::plan(text, settings, 0, 42));
}
BENCHMARK(planNaturalWithTypos)->Unit(benchmark::kMillisecond);

void fitSpeedToTarget(benchmark::State& state) {
    const PreparedText& text = twoHundredThousandUnits();
    const ModeSettings settings = ModeSettings::make(TypingMode::natural, 200, true, 0.05);
    for (auto _ : state)
        benchmark::DoNotOptimize(Planner::speedForTargetSeconds(40000, text, settings, 42));
}
BENCHMARK(fitSpeedToTarget)->Unit(benchmark::kMillisecond);

void analyzeOneMebibyte(benchmark::State& state) {
    const std::u16string article = mixedArticle(1 << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(analyzeAutocorrectRisks(article));
}
BENCHMARK(analyzeOneMebibyte)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace plumeo
