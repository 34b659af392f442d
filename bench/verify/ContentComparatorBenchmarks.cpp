#include "core/verify/ContentComparator.h"

#include <benchmark/benchmark.h>
#include <random>
#include <string>

using namespace plumeo;

namespace {

// Mixed Chinese, Latin and paragraph breaks, so no unit repeats in a short period.
std::u16string documentText(std::size_t units, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(0, 99);
    std::u16string text;
    text.reserve(units);
    while (text.size() < units) {
        const int roll = pick(random);
        if (roll < 50)
            text += static_cast<char16_t>(0x4E00 + pick(random) * 37);
        else if (roll < 95)
            text += static_cast<char16_t>(u'a' + roll % 26);
        else
            text += u'\r';
    }
    return text;
}

/// head + open + body + close + head, appended in place (operator+ chains trip a false
/// -Wrestrict warning in GCC 12 at -O2).
std::u16string framed(std::u16string_view head, char16_t open, std::u16string_view body,
                      char16_t close) {
    std::u16string text;
    text.reserve(2 * head.size() + body.size() + 2);
    text.append(head);
    text += open;
    text.append(body);
    text += close;
    text.append(head);
    return text;
}

constexpr std::size_t oneMiB = 1 << 20;

void identicalDocuments(benchmark::State& state) {
    const std::size_t units = static_cast<std::size_t>(state.range(0));
    const std::u16string expected = documentText(units, 1);
    const std::u16string actual = expected; // a separate buffer, as after a read-back
    for (auto _ : state)
        benchmark::DoNotOptimize(ContentComparator::compare(expected, actual, std::nullopt, 50));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * units * sizeof(char16_t)));
}
// A document of 1 MiB as UTF-16 (512 Ki units), and one of 1 Mi units.
BENCHMARK(identicalDocuments)->Arg(oneMiB / 2)->Arg(oneMiB)->Unit(benchmark::kMicrosecond);

void oneSmallRegionChanged(benchmark::State& state) {
    const std::size_t units = static_cast<std::size_t>(state.range(0));
    const std::u16string expected = documentText(units, 2);
    std::u16string actual = expected;
    actual.replace(units / 2, 12, u"\u201Cautocorrected\u201D\u2014\u2026");
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            ContentComparator::compare(expected, actual, InsertionRange{0, 1000}, 50));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * units * sizeof(char16_t)));
}
BENCHMARK(oneSmallRegionChanged)->Arg(oneMiB / 2)->Arg(oneMiB)->Unit(benchmark::kMicrosecond);

// Middles totalling just under the 40,000-unit limit that differ by far more than 400 edits:
// the diff runs to its edit limit and gives up.
void unrelatedMiddlesAtTheLimit(benchmark::State& state) {
    const std::u16string head = documentText(1000, 3);
    const std::u16string expected = framed(head, u'<', documentText(19998, 4), u'>');
    const std::u16string actual = framed(head, u'[', documentText(19998, 5), u']');
    for (auto _ : state)
        benchmark::DoNotOptimize(ContentComparator::compare(expected, actual, std::nullopt, 50));
}
BENCHMARK(unrelatedMiddlesAtTheLimit)->Unit(benchmark::kMillisecond);

// The same with long equal runs on every diagonal: one text is a single repeated unit, the
// other the same unit with a different one every 40 units, so the snakes are long.
void repetitiveMiddlesAtTheLimit(benchmark::State& state) {
    const std::u16string expected = framed({}, u'<', std::u16string(19998, u'a'), u'>');
    std::u16string body;
    for (int i = 0; i < 19998; ++i)
        body += i % 40 == 39 ? u'b' : u'a';
    const std::u16string actual = framed({}, u'[', body, u']');
    for (auto _ : state)
        benchmark::DoNotOptimize(ContentComparator::compare(expected, actual, std::nullopt, 50));
}
BENCHMARK(repetitiveMiddlesAtTheLimit)->Unit(benchmark::kMillisecond);

// Each middle just under 40,000 units: over the limit in total, so nothing is diffed.
void middlesOverTheLimit(benchmark::State& state) {
    const std::u16string expected = framed({}, u'<', documentText(39999, 6), u'>');
    const std::u16string actual = framed({}, u'[', documentText(39999, 7), u']');
    for (auto _ : state)
        benchmark::DoNotOptimize(ContentComparator::compare(expected, actual, std::nullopt, 50));
}
BENCHMARK(middlesOverTheLimit)->Unit(benchmark::kMillisecond);

} // namespace
