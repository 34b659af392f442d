#include "core/text/TextPreparer.h"
#include "core/verify/ResumeLocator.h"

#include <benchmark/benchmark.h>
#include <random>
#include <string>

using namespace plumeo;

namespace {

// 1 MiB of UTF-16 code units, the size the locator has to stay fast on.
constexpr int kDocumentUnits = 1 << 20;
// The fast mode confirms at most every 60 units: 61 candidates, plus one for a typo.
constexpr int kCandidates = 61;

// Mixed Chinese, Latin, spaces and paragraph breaks, so that contexts do not repeat.
std::u16string proseText(int units, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(0, 99);
    std::u16string text;
    text.reserve(static_cast<std::size_t>(units));
    while (static_cast<int>(text.size()) < units) {
        const int roll = pick(random);
        if (roll < 45)
            text += static_cast<char16_t>(0x4E00 + pick(random) * 53);
        else if (roll < 85)
            text += static_cast<char16_t>(u'a' + roll % 26);
        else if (roll < 98)
            text += u' ';
        else
            text += u'\r';
    }
    return text;
}

/// A session stopped in the middle of a 1 MiB document: the article's first `typedUnits`
/// units have landed between two halves of pre-existing text.
struct StoppedSession {
    PreparedText text;
    DocumentAnchor anchor;
    std::vector<ResumeCandidate> candidates;
    std::u16string document;

    StoppedSession(int articleUnits, int baseUnit, int typedUnits) {
        text = TextPreparer::prepare(proseText(articleUnits, 7));
        const std::u16string typed = text.wordString(0, typedUnits);
        const int existing = kDocumentUnits - static_cast<int>(typed.size());
        const std::u16string before = proseText(existing / 2, 11);
        const std::u16string after = proseText(existing - existing / 2, 13);
        anchor = DocumentAnchor{before + text.wordString(0, baseUnit), after, baseUnit,
                                static_cast<int>(before.size())};
        for (int unit = typedUnits; unit > typedUnits - kCandidates && unit >= baseUnit; --unit)
            candidates.push_back({unit, {}});
        document = before;
        document += typed;
        document += after;
    }

    /// The candidates in the order that finds the landed count last.
    void reverseCandidates() { std::reverse(candidates.begin(), candidates.end()); }
};

void expectKind(benchmark::State& state, const LocateResult& result, LocateResult::Kind kind) {
    if (result.kind != kind)
        state.SkipWithError("the locator did not answer as the scenario expects");
}

// Nothing changed: the first candidate is the answer.
void BM_LocateExact(benchmark::State& state) {
    StoppedSession session(20000, 0, 10000);
    for (auto _ : state) {
        const LocateResult result = ResumeLocator::locate(session.document, session.anchor,
                                                          session.text, session.candidates);
        benchmark::DoNotOptimize(result);
    }
    expectKind(
        state,
        ResumeLocator::locate(session.document, session.anchor, session.text, session.candidates),
        LocateResult::Kind::exact);
}
BENCHMARK(BM_LocateExact)->Unit(benchmark::kMillisecond);

// The user edited the first paragraph: every candidate's context is searched for in the whole
// document. Arg 0: typed text short (a session resumed 60 units ago); arg 1: long (the whole
// session, 100,000 units, since the anchor).
void BM_LocateUniqueContext(benchmark::State& state) {
    const bool longTyped = state.range(0) == 1;
    StoppedSession session(120000, longTyped ? 0 : 99940, 100000);
    session.reverseCandidates();
    session.document.replace(10, 4, u"EDIT!");
    for (auto _ : state) {
        const LocateResult result = ResumeLocator::locate(session.document, session.anchor,
                                                          session.text, session.candidates);
        benchmark::DoNotOptimize(result);
    }
    expectKind(
        state,
        ResumeLocator::locate(session.document, session.anchor, session.text, session.candidates),
        LocateResult::Kind::uniqueContext);
}
BENCHMARK(BM_LocateUniqueContext)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A word in the typed text was changed: no context matches anywhere, and the region between the
// intact pre-existing texts is aligned instead. The slowest path through locate.
void BM_LocateAnchoredRegion(benchmark::State& state) {
    StoppedSession session(120000, 99940, 100000);
    const int changed = static_cast<int>(session.anchor.before.size()) + 10;
    session.document.replace(static_cast<std::size_t>(changed), 3, 1, u'\u00A9');
    for (auto _ : state) {
        const LocateResult result = ResumeLocator::locate(session.document, session.anchor,
                                                          session.text, session.candidates);
        benchmark::DoNotOptimize(result);
    }
    expectKind(
        state,
        ResumeLocator::locate(session.document, session.anchor, session.text, session.candidates),
        LocateResult::Kind::anchoredRegion);
}
BENCHMARK(BM_LocateAnchoredRegion)->Unit(benchmark::kMillisecond);

// A document made of one paragraph repeated over and over: partial matches of the context at
// every period, the hardest input for the search short of a full match.
void BM_LocateRepetitiveDocument(benchmark::State& state) {
    const std::u16string paragraph = proseText(97, 17) + u"\r";
    std::u16string existing;
    while (static_cast<int>(existing.size()) < kDocumentUnits)
        existing += paragraph;
    const int middle = static_cast<int>(existing.size() / 2 / paragraph.size() * paragraph.size());
    const PreparedText text = TextPreparer::prepare(paragraph + u"tail");
    const DocumentAnchor anchor =
        DocumentAnchor::initial(existing, middle); // insertion at a paragraph start
    // The typed copy of the paragraph lost one character in the middle: nothing matches exactly.
    std::u16string typed = text.wordString(0, text.count() - 4);
    typed.erase(50, 1);
    std::u16string document = existing.substr(0, static_cast<std::size_t>(middle));
    document += typed;
    document += existing.substr(static_cast<std::size_t>(middle));
    std::vector<ResumeCandidate> candidates;
    for (int unit = text.count() - 4; unit > text.count() - 4 - kCandidates; --unit)
        candidates.push_back({unit, {}});
    for (auto _ : state) {
        const LocateResult result = ResumeLocator::locate(document, anchor, text, candidates);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_LocateRepetitiveDocument)->Unit(benchmark::kMillisecond);

void BM_ValidateCursor(benchmark::State& state) {
    StoppedSession session(120000, 0, 100000);
    const int cursor = session.anchor.cursorOffset(100000, session.text);
    for (auto _ : state) {
        const auto validated = ResumeLocator::validateCursor(
            session.document, cursor, session.anchor, session.text, session.candidates);
        benchmark::DoNotOptimize(validated);
    }
}
BENCHMARK(BM_ValidateCursor)->Unit(benchmark::kMicrosecond);

} // namespace
