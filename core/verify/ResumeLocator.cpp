#include "core/verify/ResumeLocator.h"

#include "core/text/Utf16.h"
#include "core/verify/LiteralSearch.h"

#include <algorithm>
#include <initializer_list>

namespace plumeo {

LocateResult LocateResult::exact(ResumeCandidate candidate, int cursor) {
    LocateResult result;
    result.kind = Kind::exact;
    result.candidate = std::move(candidate);
    result.cursor = cursor;
    return result;
}

LocateResult LocateResult::uniqueContext(ResumeCandidate candidate, int cursor,
                                         DocumentAnchor newAnchor) {
    LocateResult result;
    result.kind = Kind::uniqueContext;
    result.candidate = std::move(candidate);
    result.cursor = cursor;
    result.newAnchor = std::move(newAnchor);
    return result;
}

LocateResult LocateResult::anchoredRegion(ResumeCandidate candidate, int cursor,
                                          DocumentAnchor newAnchor, bool altered) {
    LocateResult result;
    result.kind = Kind::anchoredRegion;
    result.candidate = std::move(candidate);
    result.cursor = cursor;
    result.newAnchor = std::move(newAnchor);
    result.altered = altered;
    return result;
}

LocateResult LocateResult::ambiguous(int count) {
    LocateResult result;
    result.kind = Kind::ambiguous;
    result.count = count;
    return result;
}

LocateResult LocateResult::notFound() {
    return {};
}

namespace {

using Candidates = std::vector<ResumeCandidate>;

bool isValidBase(int base, const PreparedText& text) {
    return base >= 0 && base <= text.count();
}

bool isValidUnit(int unit, int base, const PreparedText& text) {
    return unit >= base && unit <= text.count();
}

/// The article's word text from the base unit up to the furthest candidate, built once so that
/// every candidate's typed text is a view of a prefix of it. Built from the units themselves,
/// so offsets that disagree with the units cannot lead a read astray.
class TypedText {
public:
    TypedText(const PreparedText& text, int base, int upTo) : base_(base) {
        ends_.reserve(static_cast<std::size_t>(std::max(0, upTo - base)) + 1);
        ends_.push_back(0);
        for (int i = base; i < upTo; ++i) {
            text_ += text.units[static_cast<std::size_t>(i)].wordText;
            ends_.push_back(text_.size());
        }
    }

    /// Units [base, unit); `unit` must lie within base...upTo.
    std::u16string_view upTo(int unit) const {
        return std::u16string_view(text_).substr(0, ends_[static_cast<std::size_t>(unit - base_)]);
    }

private:
    int base_;
    std::u16string text_;
    std::vector<std::size_t> ends_;
};

TypedText typedTextFor(const PreparedText& text, int base, const Candidates& candidates) {
    int furthest = base;
    for (const ResumeCandidate& candidate : candidates) {
        if (isValidUnit(candidate.units, base, text))
            furthest = std::max(furthest, candidate.units);
    }
    return TypedText(text, base, furthest);
}

bool startsWith(std::u16string_view text, std::u16string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::u16string_view text, std::u16string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

/// Whether `text` at `position` reads as the pieces one after another, without building them.
bool matchesPiecesAt(std::u16string_view text, std::size_t position,
                     std::initializer_list<std::u16string_view> pieces) {
    for (std::u16string_view piece : pieces) {
        if (position > text.size() || text.size() - position < piece.size())
            return false;
        if (text.substr(position, piece.size()) != piece)
            return false;
        position += piece.size();
    }
    return true;
}

// Contexts are cut on code units rather than with utf16Slice: a context that begins inside a
// surrogate pair must still match the document unit for unit, which a U+FFFD would prevent.
std::u16string_view lastUnits(std::u16string_view text, int count) {
    return text.substr(text.size() - std::min(text.size(), static_cast<std::size_t>(count)));
}

std::u16string_view firstUnits(std::u16string_view text, int count) {
    return text.substr(0, static_cast<std::size_t>(count));
}

/// The anchor for a continuation found at `cursor`: the document split there (the pending typo,
/// if any, left out of `before`), with the old region start moved by however much the text
/// before the region grew or shrank.
DocumentAnchor anchorAtCursor(std::u16string_view document, int cursor,
                              const ResumeCandidate& candidate, int typedLength,
                              const DocumentAnchor& old) {
    DocumentAnchor anchor;
    anchor.before = utf16Slice(document, 0, cursor - utf16Count(candidate.pendingTypo));
    anchor.after = utf16Slice(document, cursor, utf16Count(document));
    anchor.baseUnit = candidate.units;
    // 64-bit and clamped: an inconsistent old region start must not overflow.
    const long long beforeLength = utf16Count(anchor.before);
    const long long shifted = beforeLength - typedLength -
                              (static_cast<long long>(utf16Count(old.before)) - old.regionStart);
    anchor.regionStart = static_cast<int>(std::clamp(shifted, 0LL, beforeLength));
    return anchor;
}

std::optional<LocateResult> locateExactly(std::u16string_view document,
                                          const DocumentAnchor& anchor, const PreparedText& text,
                                          const TypedText& typedText,
                                          const Candidates& candidates) {
    const std::size_t fixedLength = anchor.before.size() + anchor.after.size();
    for (const ResumeCandidate& candidate : candidates) {
        if (!isValidUnit(candidate.units, anchor.baseUnit, text))
            continue;
        const std::u16string_view typed = typedText.upTo(candidate.units);
        if (fixedLength + typed.size() + candidate.pendingTypo.size() != document.size())
            continue;
        if (matchesPiecesAt(document, 0,
                            {anchor.before, typed, candidate.pendingTypo, anchor.after})) {
            const int cursor =
                utf16Count(anchor.before) + utf16Count(typed) + utf16Count(candidate.pendingTypo);
            return LocateResult::exact(candidate, cursor);
        }
    }
    return std::nullopt;
}

/// The context searched for on behalf of one candidate: before-tail + typed + typo + after-head.
struct ContextNeedle {
    const ResumeCandidate* candidate = nullptr;
    std::u16string_view typed;
    std::vector<int> occurrences;

    std::size_t length(std::u16string_view beforeTail, std::u16string_view afterHead) const {
        return beforeTail.size() + typed.size() + candidate->pendingTypo.size() + afterHead.size();
    }
};

// Above this many occurrences of the shared prefix the document is repetitive, and searching
// for each needle on its own skips more than checking every candidate at every occurrence.
constexpr int kSharedPrefixLimit = 64;

/// Fills each needle's occurrences, at most occurrenceLimit of them in ascending order, as a
/// literal search for that needle alone would find them. Every needle begins with the
/// before-tail and the shortest typed text, so the document is usually scanned once for that
/// prefix and the candidates are checked where it occurs, instead of once per candidate.
void findContexts(std::u16string_view document, std::u16string_view beforeTail,
                  std::u16string_view afterHead, std::vector<ContextNeedle>& needles) {
    std::size_t shortest = needles.front().typed.size();
    for (const ContextNeedle& needle : needles)
        shortest = std::min(shortest, needle.typed.size());
    std::u16string prefix(beforeTail);
    prefix += needles.front().typed.substr(0, shortest);

    const std::vector<int> prefixHits =
        prefix.empty() ? std::vector<int>{}
                       : findOccurrences(document, prefix, kSharedPrefixLimit + 1);
    if (!prefix.empty() && prefixHits.size() <= static_cast<std::size_t>(kSharedPrefixLimit)) {
        for (int position : prefixHits) {
            const std::size_t rest = static_cast<std::size_t>(position) + prefix.size();
            for (ContextNeedle& needle : needles) {
                if (needle.occurrences.size() >=
                    static_cast<std::size_t>(ResumeLocator::occurrenceLimit))
                    continue;
                if (matchesPiecesAt(
                        document, rest,
                        {needle.typed.substr(shortest), needle.candidate->pendingTypo, afterHead}))
                    needle.occurrences.push_back(position);
            }
        }
        return;
    }

    std::u16string text;
    for (ContextNeedle& needle : needles) {
        text.assign(beforeTail);
        text += needle.typed;
        text += needle.candidate->pendingTypo;
        text += afterHead;
        needle.occurrences = findOccurrences(document, text, ResumeLocator::occurrenceLimit);
    }
}

std::optional<LocateResult> locateByContext(std::u16string_view document,
                                            const DocumentAnchor& anchor, const PreparedText& text,
                                            const TypedText& typedText,
                                            const Candidates& candidates) {
    const std::u16string_view beforeTail = lastUnits(anchor.before, ResumeLocator::contextLength);
    const std::u16string_view afterHead = firstUnits(anchor.after, ResumeLocator::contextLength);
    // A context that is the whole pre-existing text must sit at the very edge of the document.
    const bool wholeBefore = beforeTail.size() == anchor.before.size();
    const bool wholeAfter = afterHead.size() == anchor.after.size();

    std::vector<ContextNeedle> needles;
    for (const ResumeCandidate& candidate : candidates) {
        if (!isValidUnit(candidate.units, anchor.baseUnit, text))
            continue;
        ContextNeedle needle{&candidate, typedText.upTo(candidate.units), {}};
        if (needle.length(beforeTail, afterHead) > 0)
            needles.push_back(needle);
    }
    if (needles.empty())
        return std::nullopt;

    if (wholeBefore) {
        // An occurrence at 0 is always the first one found, so looking only there keeps the
        // answer of searching and filtering.
        for (ContextNeedle& needle : needles) {
            if (matchesPiecesAt(
                    document, 0,
                    {beforeTail, needle.typed, needle.candidate->pendingTypo, afterHead}))
                needle.occurrences.push_back(0);
        }
    } else {
        findContexts(document, beforeTail, afterHead, needles);
    }

    int hits = 0;
    const ContextNeedle* hit = nullptr;
    int hitCursor = 0;
    for (const ContextNeedle& needle : needles) {
        const std::size_t length = needle.length(beforeTail, afterHead);
        for (int position : needle.occurrences) {
            if (wholeAfter && position + length != document.size())
                continue;
            if (++hits == 1) {
                hit = &needle;
                hitCursor = position + utf16Count(beforeTail) + utf16Count(needle.typed) +
                            utf16Count(needle.candidate->pendingTypo);
            }
        }
    }

    if (hits == 0)
        return std::nullopt;
    if (hits > 1)
        return LocateResult::ambiguous(hits);
    return LocateResult::uniqueContext(
        *hit->candidate, hitCursor,
        anchorAtCursor(document, hitCursor, *hit->candidate, utf16Count(hit->typed), anchor));
}

LocateResult locateByAnchoredRegion(std::u16string_view document, const DocumentAnchor& anchor,
                                    const PreparedText& text, const TypedText& typedText,
                                    const Candidates& candidates) {
    const std::u16string_view before = anchor.before;
    const std::u16string_view after = anchor.after;
    if (document.size() < before.size() + after.size() || !startsWith(document, before) ||
        !endsWith(document, after))
        return LocateResult::notFound();

    const int regionEnd = utf16Count(document) - utf16Count(after);
    const std::u16string_view region =
        document.substr(before.size(), document.size() - before.size() - after.size());
    std::vector<int> units;
    for (const ResumeCandidate& candidate : candidates) {
        if (candidate.pendingTypo.empty())
            units.push_back(candidate.units);
    }
    const std::optional<int> unit = ResumeLocator::alignTail(region, text, anchor.baseUnit, units,
                                                             ResumeLocator::tailMatchLength);
    if (!unit)
        return LocateResult::notFound();

    DocumentAnchor newAnchor;
    newAnchor.before = utf16Slice(document, 0, regionEnd);
    newAnchor.after = anchor.after;
    newAnchor.baseUnit = *unit;
    newAnchor.regionStart = anchor.regionStart;
    const bool altered = region != typedText.upTo(*unit);
    return LocateResult::anchoredRegion({*unit, {}}, regionEnd, std::move(newAnchor), altered);
}

} // namespace

namespace ResumeLocator {

LocateResult locate(std::u16string_view document, const DocumentAnchor& anchor,
                    const PreparedText& text, const std::vector<ResumeCandidate>& candidates) {
    if (!isValidBase(anchor.baseUnit, text))
        return LocateResult::notFound();
    const TypedText typedText = typedTextFor(text, anchor.baseUnit, candidates);
    if (auto exact = locateExactly(document, anchor, text, typedText, candidates))
        return *exact;
    if (auto byContext = locateByContext(document, anchor, text, typedText, candidates))
        return *byContext;
    return locateByAnchoredRegion(document, anchor, text, typedText, candidates);
}

std::optional<ValidatedCursor> validateCursor(std::u16string_view document, int cursor,
                                              const DocumentAnchor& anchor,
                                              const PreparedText& text,
                                              const std::vector<ResumeCandidate>& candidates) {
    if (cursor < 0 || cursor > utf16Count(document) || !isValidBase(anchor.baseUnit, text))
        return std::nullopt;
    const auto position = static_cast<std::size_t>(cursor);
    if (!matchesPiecesAt(document, position, {firstUnits(anchor.after, cursorContextLength)}))
        return std::nullopt;

    const std::u16string_view beforeTail = lastUnits(anchor.before, cursorContextLength);
    // A before-text shorter than the window is known whole, so it must begin the document;
    // matching it anywhere else would let the user's own text count as pre-existing.
    const bool wholeBefore = beforeTail.size() == anchor.before.size();
    const TypedText typedText = typedTextFor(text, anchor.baseUnit, candidates);
    const ResumeCandidate* match = nullptr;
    int matches = 0;
    for (const ResumeCandidate& candidate : candidates) {
        if (!isValidUnit(candidate.units, anchor.baseUnit, text))
            continue;
        const std::u16string_view typed = typedText.upTo(candidate.units);
        const std::size_t length = beforeTail.size() + typed.size() + candidate.pendingTypo.size();
        // An empty context fits every cursor: it is no evidence at all.
        if (length == 0 || length > position || (wholeBefore && length != position))
            continue;
        if (matchesPiecesAt(document, position - length,
                            {beforeTail, typed, candidate.pendingTypo})) {
            match = &candidate;
            ++matches;
        }
    }
    if (matches != 1)
        return std::nullopt;
    const int typedLength = utf16Count(typedText.upTo(match->units));
    return ValidatedCursor{*match, anchorAtCursor(document, cursor, *match, typedLength, anchor)};
}

std::optional<int> alignTail(std::u16string_view region, const PreparedText& text, int base,
                             const std::vector<int>& candidates, int minMatch) {
    if (!isValidBase(base, text))
        return std::nullopt;
    std::vector<int> distinct;
    for (int unit : candidates) {
        if (isValidUnit(unit, base, text))
            distinct.push_back(unit);
    }
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    if (distinct.empty())
        return std::nullopt;

    const TypedText typedText(text, base, distinct.back());
    std::optional<int> match;
    for (int unit : distinct) {
        const std::u16string_view typed = typedText.upTo(unit);
        bool matches = false;
        if (typed.empty()) {
            matches = region.empty();
        } else {
            // Only the trailing units up to the required agreement need comparing.
            const std::size_t required =
                static_cast<std::size_t>(std::clamp(minMatch, 0, utf16Count(typed)));
            const std::size_t limit = std::min(required, region.size());
            std::size_t agreeing = 0;
            while (agreeing < limit &&
                   region[region.size() - 1 - agreeing] == typed[typed.size() - 1 - agreeing])
                ++agreeing;
            matches = agreeing >= required;
        }
        if (!matches)
            continue;
        if (match)
            return std::nullopt;
        match = unit;
    }
    return match;
}

} // namespace ResumeLocator

} // namespace plumeo
