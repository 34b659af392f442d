// The resume locator on an interrupted document: the anchor's texts around the typed text of one
// hypothesis, then edited, duplicated or replaced. Every answer is compared with a direct,
// unoptimised reading of the locator's rules, and must name a position inside the document,
// a candidate it was given and an anchor cut from the document.

#include "core/text/TextPreparer.h"
#include "core/text/Utf16.h"
#include "core/verify/DocumentAnchor.h"
#include "core/verify/ResumeLocator.h"
#include "fuzz/FuzzInput.h"

#include <algorithm>
#include <set>

using namespace plumeo;

namespace {

/// Article pieces from a small alphabet, so repeated contexts are common.
std::u16string consumeArticle(FuzzedDataProvider& data) {
    static constexpr std::u16string_view pieces[] = {
        u"a", u"b", u"a", u" ", u"\n", u"\t", u"\u4E2D", u"\U0001F600", u"e\u0301", u"ab",
    };
    const int length = data.ConsumeIntegralInRange(0, 40);
    std::u16string article;
    for (int i = 0; i < length; ++i)
        article += pieces[data.ConsumeIntegralInRange<std::size_t>(0, std::size(pieces) - 1)];
    return article;
}

/// Pre-existing text: anything, two letters, or one letter repeated, which makes a context
/// occur at very many places.
std::u16string consumeContext(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange(0, 2)) {
    case 0:
        return fuzz::consumeText(data, 70);
    case 1: {
        std::u16string text;
        const int length = data.ConsumeIntegralInRange(0, 70);
        for (int i = 0; i < length; ++i)
            text.push_back(data.ConsumeBool() ? u'a' : u'b');
        return text;
    }
    default:
        return std::u16string(data.ConsumeIntegralInRange<std::size_t>(0, 140), u'a');
    }
}

// -- The rules, read literally ---------------------------------------------------------------

struct Reference {
    std::u16string_view document;
    const DocumentAnchor& anchor;
    const PreparedText& text;
    const std::vector<ResumeCandidate>& candidates;

    bool valid(const ResumeCandidate& candidate) const {
        return anchor.baseUnit >= 0 && anchor.baseUnit <= candidate.units &&
               candidate.units <= text.count();
    }
    std::u16string typed(const ResumeCandidate& candidate) const {
        return text.wordString(anchor.baseUnit, candidate.units) + candidate.pendingTypo;
    }

    DocumentAnchor anchorAt(int cursor, const ResumeCandidate& candidate) const {
        DocumentAnchor moved;
        moved.before = utf16Slice(document, 0, cursor - utf16Count(candidate.pendingTypo));
        moved.after = utf16Slice(document, cursor, utf16Count(document));
        moved.baseUnit = candidate.units;
        const long long beforeLength = utf16Count(moved.before);
        const long long shifted =
            beforeLength - (text.offsets[candidate.units] - text.offsets[anchor.baseUnit]) -
            (static_cast<long long>(utf16Count(anchor.before)) - anchor.regionStart);
        moved.regionStart = static_cast<int>(std::clamp(shifted, 0LL, beforeLength));
        return moved;
    }

    static std::vector<int> occurrences(std::u16string_view haystack, std::u16string_view needle) {
        std::vector<int> found;
        for (std::size_t at = haystack.find(needle);
             at != std::u16string_view::npos && found.size() < ResumeLocator::occurrenceLimit;
             at = haystack.find(needle, at + 1))
            found.push_back(static_cast<int>(at));
        return found;
    }

    LocateResult locate() const {
        const std::u16string& before = anchor.before;
        const std::u16string& after = anchor.after;
        for (const ResumeCandidate& candidate : candidates) {
            if (valid(candidate) && before + typed(candidate) + after == document)
                return LocateResult::exact(candidate, utf16Count(before + typed(candidate)));
        }

        const int contextLength = ResumeLocator::contextLength;
        const std::u16string beforeTail =
            before.substr(before.size() - std::min<std::size_t>(before.size(), contextLength));
        const std::u16string afterHead = after.substr(0, contextLength);
        int hits = 0;
        LocateResult first;
        for (const ResumeCandidate& candidate : candidates) {
            if (!valid(candidate))
                continue;
            const std::u16string needle = beforeTail + typed(candidate) + afterHead;
            if (needle.empty())
                continue;
            for (int position : occurrences(document, needle)) {
                if (beforeTail.size() == before.size() && position != 0)
                    continue;
                if (afterHead.size() == after.size() && position + needle.size() != document.size())
                    continue;
                if (++hits == 1) {
                    const int cursor = position + utf16Count(beforeTail + typed(candidate));
                    first =
                        LocateResult::uniqueContext(candidate, cursor, anchorAt(cursor, candidate));
                }
            }
        }
        if (hits == 1)
            return first;
        if (hits > 1)
            return LocateResult::ambiguous(hits);

        if (document.size() < before.size() + after.size() || !fuzz::isPrefixOf(before, document) ||
            !fuzz::isSuffixOf(after, document))
            return LocateResult::notFound();
        const int regionEnd = utf16Count(document) - utf16Count(after);
        const std::u16string region(document.substr(before.size(), regionEnd - before.size()));
        std::vector<int> units;
        for (const ResumeCandidate& candidate : candidates) {
            if (candidate.pendingTypo.empty())
                units.push_back(candidate.units);
        }
        const std::optional<int> unit = alignTail(region, anchor.baseUnit, units, 8);
        if (!unit)
            return LocateResult::notFound();
        DocumentAnchor moved{utf16Slice(document, 0, regionEnd), after, *unit, anchor.regionStart};
        return LocateResult::anchoredRegion({*unit, {}}, regionEnd, moved,
                                            region != text.wordString(anchor.baseUnit, *unit));
    }

    std::optional<ValidatedCursor> validateCursor(int cursor) const {
        if (cursor < 0 || cursor > utf16Count(document))
            return std::nullopt;
        const std::u16string afterHead = anchor.after.substr(0, ResumeLocator::cursorContextLength);
        if (document.substr(cursor, afterHead.size()) != afterHead)
            return std::nullopt;
        const std::u16string beforeTail = anchor.before.substr(
            anchor.before.size() -
            std::min<std::size_t>(anchor.before.size(), ResumeLocator::cursorContextLength));
        const ResumeCandidate* match = nullptr;
        int matches = 0;
        for (const ResumeCandidate& candidate : candidates) {
            if (!valid(candidate))
                continue;
            const std::u16string expected = beforeTail + typed(candidate);
            // No context is no evidence; a before-text known whole must start the document.
            if (expected.empty() ||
                (beforeTail.size() == anchor.before.size() &&
                 utf16Count(expected) != cursor))
                continue;
            if (cursor >= utf16Count(expected) &&
                document.substr(cursor - expected.size(), expected.size()) == expected) {
                match = &candidate;
                ++matches;
            }
        }
        if (matches != 1)
            return std::nullopt;
        return ValidatedCursor{*match, anchorAt(cursor, *match)};
    }

    std::optional<int> alignTail(std::u16string_view region, int base,
                                 const std::vector<int>& units, int minMatch) const {
        std::optional<int> match;
        int matches = 0;
        for (int unit : std::set<int>(units.begin(), units.end())) {
            if (base < 0 || unit < base || unit > text.count())
                continue;
            const std::u16string typedText = text.wordString(base, unit);
            bool matching = region.empty();
            if (!typedText.empty()) {
                std::size_t agreeing = 0;
                while (agreeing < typedText.size() && agreeing < region.size() &&
                       typedText[typedText.size() - 1 - agreeing] ==
                           region[region.size() - 1 - agreeing])
                    ++agreeing;
                matching = static_cast<long long>(agreeing) >=
                           std::min<long long>(typedText.size(), minMatch);
            }
            if (matching) {
                match = unit;
                ++matches;
            }
        }
        return matches == 1 ? match : std::nullopt;
    }
};

// -- Invariants ------------------------------------------------------------------------------

/// Whether `part` is the document's text at `from`, either as it stands or as utf16Slice cuts
/// it (a surrogate half cut off at an end becomes U+FFFD).
bool isCutAt(std::u16string_view part, std::u16string_view document, std::size_t from) {
    const int to = static_cast<int>(from + part.size());
    return document.substr(from, part.size()) == part ||
           utf16Slice(document, static_cast<int>(from), to) == part;
}

/// `from` is the anchor it replaces: a region start that fitted its anchor fits the new one.
void checkAnchorCut(std::u16string_view document, const DocumentAnchor& anchor,
                    const DocumentAnchor& from) {
    FUZZ_CHECK(anchor.before.size() <= document.size() && anchor.after.size() <= document.size());
    FUZZ_CHECK(isCutAt(anchor.before, document, 0));
    FUZZ_CHECK(isCutAt(anchor.after, document, document.size() - anchor.after.size()));
    FUZZ_CHECK(anchor.before.size() + anchor.after.size() <= document.size());
    if (from.regionStart >= 0 && from.regionStart <= utf16Count(from.before))
        FUZZ_CHECK(anchor.regionStart >= 0 && anchor.regionStart <= utf16Count(anchor.before));
}

bool isGiven(const ResumeCandidate& candidate, const std::vector<ResumeCandidate>& candidates) {
    return std::find(candidates.begin(), candidates.end(), candidate) != candidates.end();
}

void checkLocate(std::u16string_view document, const DocumentAnchor& anchor,
                 const std::vector<ResumeCandidate>& candidates, const LocateResult& result) {
    using Kind = LocateResult::Kind;
    if (result.kind == Kind::ambiguous) {
        FUZZ_CHECK(result.count >= 2);
        return;
    }
    if (result.kind == Kind::notFound)
        return;
    FUZZ_CHECK(isGiven(result.candidate, candidates));
    FUZZ_CHECK(result.cursor >= 0 && result.cursor <= utf16Count(document));
    if (result.kind != Kind::exact) {
        checkAnchorCut(document, result.newAnchor, anchor);
        FUZZ_CHECK(result.newAnchor.baseUnit == result.candidate.units);
    }
}

/// The anchor's own operations clamp whatever they are given.
void checkAnchorOperations(FuzzedDataProvider& data, const DocumentAnchor& anchor,
                           const PreparedText& text) {
    const int upTo = data.ConsumeIntegralInRange(-3, text.count() + 3);
    const InsertionRange range = anchor.insertionRange(upTo, text);
    FUZZ_CHECK(range.to >= range.from);
    FUZZ_CHECK(range.from == anchor.regionStart);
    const std::u16string expected = anchor.expectedDocument(upTo, u"x", text);
    FUZZ_CHECK(fuzz::isPrefixOf(anchor.before, expected));
    FUZZ_CHECK(fuzz::isSuffixOf(u"x" + anchor.after, expected));
    if (anchor.baseUnit >= 0 && anchor.baseUnit <= upTo && upTo <= text.count())
        FUZZ_CHECK(anchor.cursorOffset(upTo, text) ==
                   utf16Count(anchor.before) + utf16Count(text.wordString(anchor.baseUnit, upTo)));

    const std::u16string content = anchor.before + anchor.after;
    const int offset = data.ConsumeIntegralInRange(-3, utf16Count(content) + 3);
    const DocumentAnchor initial = DocumentAnchor::initial(content, offset);
    FUZZ_CHECK(initial.baseUnit == 0);
    FUZZ_CHECK(initial.regionStart == std::clamp(offset, 0, utf16Count(content)));
    FUZZ_CHECK(initial.before == utf16Slice(content, 0, initial.regionStart));
    FUZZ_CHECK(initial.after == utf16Slice(content, initial.regionStart, utf16Count(content)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const std::u16string article = consumeArticle(data);
    if (article.empty())
        return 0;
    const PreparedText text = TextPreparer::prepare(article);

    DocumentAnchor anchor;
    anchor.before = consumeContext(data);
    anchor.after = consumeContext(data);
    const bool consistent = data.ConsumeIntegralInRange(0, 7) != 0;
    anchor.baseUnit = consistent ? data.ConsumeIntegralInRange(0, text.count())
                                 : data.ConsumeIntegralInRange(-2, text.count() + 2);
    anchor.regionStart = consistent ? data.ConsumeIntegralInRange(0, utf16Count(anchor.before))
                                    : data.ConsumeIntegralInRange(-4, 100);

    std::vector<ResumeCandidate> candidates;
    const int candidateCount = data.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < candidateCount; ++i) {
        ResumeCandidate candidate;
        candidate.units = data.ConsumeIntegralInRange(std::min(anchor.baseUnit, text.count()) - 1,
                                                      text.count() + 1);
        if (data.ConsumeIntegralInRange(0, 3) == 0)
            candidate.pendingTypo = fuzz::consumeText(data, 2);
        candidates.push_back(candidate);
    }

    // The document: what one hypothesis leaves, then disturbed.
    const int landed = data.ConsumeIntegralInRange(std::max(0, anchor.baseUnit),
                                                   std::max(text.count(), anchor.baseUnit));
    std::u16string document =
        anchor.before + text.wordString(std::min(std::max(0, anchor.baseUnit), text.count()),
                                        std::min(landed, text.count()));
    const int trueCursor = utf16Count(document);
    document += anchor.after;
    const int edits = data.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < edits; ++i) {
        const std::size_t at = data.ConsumeIntegralInRange<std::size_t>(0, document.size());
        switch (data.ConsumeIntegralInRange(0, 3)) {
        case 0:
            document.erase(at, data.ConsumeIntegralInRange<std::size_t>(1, 4));
            break;
        case 1:
            document.insert(at, fuzz::consumeText(data, 4));
            break;
        case 2: // a repeat of some of the document, as when a paragraph is pasted twice
            document.insert(
                at, document.substr(data.ConsumeIntegralInRange<std::size_t>(0, document.size()),
                                    data.ConsumeIntegralInRange<std::size_t>(0, 160)));
            break;
        default:
            document = fuzz::consumeText(data, 80);
            break;
        }
    }

    const Reference reference{document, anchor, text, candidates};
    const LocateResult located = ResumeLocator::locate(document, anchor, text, candidates);
    checkLocate(document, anchor, candidates, located);
    FUZZ_CHECK(located == reference.locate());

    const int cursor = data.ConsumeBool() ? trueCursor + data.ConsumeIntegralInRange(-2, 2)
                                          : data.ConsumeIntegralInRange(-3, 200);
    const auto validated =
        ResumeLocator::validateCursor(document, cursor, anchor, text, candidates);
    if (validated) {
        FUZZ_CHECK(isGiven(validated->candidate, candidates));
        checkAnchorCut(document, validated->anchor, anchor);
        FUZZ_CHECK(utf16Count(validated->anchor.before) <= cursor);
    }
    FUZZ_CHECK(validated == reference.validateCursor(cursor));

    std::vector<int> units;
    for (const ResumeCandidate& candidate : candidates)
        units.push_back(candidate.units);
    const int minMatch = data.ConsumeIntegralInRange(-1, 12);
    const std::u16string region = utf16Slice(
        document, data.ConsumeIntegralInRange(0, utf16Count(document)), utf16Count(document));
    const auto aligned = ResumeLocator::alignTail(region, text, anchor.baseUnit, units, minMatch);
    if (aligned)
        FUZZ_CHECK(std::find(units.begin(), units.end(), *aligned) != units.end());
    FUZZ_CHECK(aligned == reference.alignTail(region, anchor.baseUnit, units, minMatch));

    checkAnchorOperations(data, anchor, text);
    return 0;
}
