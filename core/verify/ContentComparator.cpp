#include "core/verify/ContentComparator.h"

#include "core/text/Utf16.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <memory>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <vector>

namespace plumeo {

namespace {

// Beyond these the diff is not worth its time: the caller gets one truncated region.
constexpr int maxMiddleUnits = 40000;
constexpr int maxEditDistance = 400;

// memcmp runs at memory bandwidth; only the block holding the first difference is scanned
// unit by unit.
constexpr std::size_t scanBlockUnits = 512;

std::size_t commonPrefixLength(const char16_t* a, const char16_t* b, std::size_t count) {
    std::size_t done = 0;
    while (count - done >= scanBlockUnits &&
           std::memcmp(a + done, b + done, scanBlockUnits * sizeof(char16_t)) == 0)
        done += scanBlockUnits;
    while (done < count && a[done] == b[done])
        ++done;
    return done;
}

/// Equal units at the ends of a[0, aCount) and b[0, bCount), at most `limit`.
std::size_t commonSuffixLength(const char16_t* a, std::size_t aCount, const char16_t* b,
                               std::size_t bCount, std::size_t limit) {
    const char16_t* aEnd = a + aCount;
    const char16_t* bEnd = b + bCount;
    std::size_t done = 0;
    while (limit - done >= scanBlockUnits &&
           std::memcmp(aEnd - done - scanBlockUnits, bEnd - done - scanBlockUnits,
                       scanBlockUnits * sizeof(char16_t)) == 0)
        done += scanBlockUnits;
    while (done < limit && aEnd[-1 - static_cast<std::ptrdiff_t>(done)] ==
                               bEnd[-1 - static_cast<std::ptrdiff_t>(done)])
        ++done;
    return done;
}

struct Region {
    int expectedStart = 0;
    int expectedLength = 0;
    int actualStart = 0;
    int actualLength = 0;
};

/// Myers' greedy diff of e and a with at most `limit` edits, as regions of consecutive
/// edits relative to the starts of e and a; nothing when the distance exceeds the limit.
std::optional<std::vector<Region>> myersRegions(const char16_t* e, int n, const char16_t* a, int m,
                                                int limit) {
    // v[k + offset] is the furthest x reached on diagonal k = x - y.
    const int offset = limit + 1;
    std::vector<int> v(2 * static_cast<std::size_t>(limit) + 3, 0);
    // snapshots holds, for each finished step d, v over diagonals -d...d (2d + 1 entries),
    // starting at index d * d.
    std::vector<int> snapshots;
    int distance = -1;
    for (int d = 0; d <= limit && distance < 0; ++d) {
        for (int k = -d; k <= d; k += 2) {
            const bool down = k == -d || (k != d && v[k - 1 + offset] < v[k + 1 + offset]);
            int x = down ? v[k + 1 + offset] : v[k - 1 + offset] + 1;
            int y = x - k;
            while (x < n && y < m && e[x] == a[y]) {
                ++x;
                ++y;
            }
            v[k + offset] = x;
            if (x >= n && y >= m) {
                distance = d;
                break;
            }
        }
        if (distance < 0)
            snapshots.insert(snapshots.end(), v.begin() + offset - d, v.begin() + offset + d + 1);
    }
    if (distance < 0)
        return std::nullopt;

    // Walk back from the end; regions come out last first.
    std::vector<Region> regions;
    bool inRun = false;
    int x = n;
    int y = m;
    for (int d = distance; d > 0; --d) {
        const int* previous =
            snapshots.data() + static_cast<std::size_t>(d - 1) * (d - 1) + (d - 1);
        const int k = x - y;
        const bool down = k == -d || (k != d && previous[k - 1] < previous[k + 1]);
        const int previousK = down ? k + 1 : k - 1;
        const int previousX = previous[previousK];
        const int previousY = previousX - previousK;
        const int editEndX = down ? previousX : previousX + 1;
        if (x > editEndX)
            inRun = false;
        if (!inRun) {
            regions.push_back({previousX, 0, previousY, 0});
            inRun = true;
        }
        Region& region = regions.back();
        region.expectedStart = previousX;
        region.actualStart = previousY;
        (down ? region.actualLength : region.expectedLength) += 1;
        x = previousX;
        y = previousY;
    }
    std::reverse(regions.begin(), regions.end());
    return regions;
}

/// The units of text[from, from + length) with every unpaired surrogate replaced by U+FFFD.
std::u16string decodeLeniently(std::u16string_view text, int from, int length) {
    std::u16string out(
        text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(length)));
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (isHighSurrogate(out[i]) && i + 1 < out.size() && isLowSurrogate(out[i + 1]))
            ++i;
        else if (isSurrogate(out[i]))
            out[i] = u'\uFFFD';
    }
    return out;
}

const UChar* icu(const std::u16string& text) {
    return reinterpret_cast<const UChar*>(text.data());
}

struct BreakIteratorCloser {
    void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
};
using GraphemeIterator = std::unique_ptr<UBreakIterator, BreakIteratorCloser>;

/// A grapheme cluster iterator over `text`, which must outlive it; null if ICU fails.
GraphemeIterator graphemes(const std::u16string& text) {
    UErrorCode status = U_ZERO_ERROR;
    GraphemeIterator iterator(
        ubrk_open(UBRK_CHARACTER, "", icu(text), static_cast<int32_t>(text.size()), &status));
    if (U_FAILURE(status))
        return nullptr;
    return iterator;
}

bool isSmartFormOf(char16_t straight, char16_t smart) {
    if (straight == u'"')
        return smart == u'\u201C' || smart == u'\u201D';
    if (straight == u'\'')
        return smart == u'\u2018' || smart == u'\u2019';
    return false;
}

// Equal character counts with every differing character a quote turned smart. Quotes are
// single BMP units, so the units must pair up one to one and each replaced quote must be a
// character of its own (not carrying a combining mark, say). Like the rule it implements,
// this also holds for equal texts, which only broken surrogates decoded to U+FFFD produce.
bool isSmartQuoteChange(const std::u16string& x, const std::u16string& y) {
    if (x.empty() || x.size() != y.size())
        return false;
    std::vector<int> changed;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i] == y[i])
            continue;
        if (!isSmartFormOf(x[i], y[i]))
            return false;
        changed.push_back(static_cast<int>(i));
    }
    for (const std::u16string* text : {&x, &y}) {
        GraphemeIterator iterator = graphemes(*text);
        if (!iterator)
            return false;
        for (int i : changed) {
            if (!ubrk_isBoundary(iterator.get(), i) || !ubrk_isBoundary(iterator.get(), i + 1))
                return false;
        }
    }
    return true;
}

bool isDash(const std::u16string& x, const std::u16string& y) {
    return (x == u"-" || x == u"--") && (y == u"\u2014" || y == u"\u2013");
}

bool isSymbol(const std::u16string& x, const std::u16string& y) {
    static constexpr std::array<std::pair<std::u16string_view, std::u16string_view>, 12> table = {{
        {u"(c)", u"\u00A9"},
        {u"(C)", u"\u00A9"},
        {u"(r)", u"\u00AE"},
        {u"(R)", u"\u00AE"},
        {u"(tm)", u"\u2122"},
        {u"(TM)", u"\u2122"},
        {u"->", u"\u2192"},
        {u"<-", u"\u2190"},
        {u"=>", u"\u21D2"},
        {u"-->", u"\u2192"},
        {u"<--", u"\u2190"},
        {u":)", u"\u263A"},
    }};
    return std::any_of(table.begin(), table.end(),
                       [&](const auto& row) { return row.first == x && row.second == y; });
}

bool isFraction(const std::u16string& x, const std::u16string& y) {
    return (x == u"1/2" && y == u"\u00BD") || (x == u"1/4" && y == u"\u00BC") ||
           (x == u"3/4" && y == u"\u00BE");
}

std::optional<std::u16string> lowercased(const std::u16string& text) {
    std::u16string out(text.size() + 8, u'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length =
            u_strToLower(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                         icu(text), static_cast<int32_t>(text.size()), "", &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.assign(static_cast<std::size_t>(length), u'\0');
            continue;
        }
        if (U_FAILURE(status))
            return std::nullopt;
        out.resize(static_cast<std::size_t>(length));
        return out;
    }
    return std::nullopt;
}

bool isCapitalizationChange(const std::u16string& x, const std::u16string& y) {
    if (x.empty())
        return false;
    const auto lowerX = lowercased(x);
    const auto lowerY = lowercased(y);
    return lowerX && lowerY && *lowerX == *lowerY;
}

bool isLetterOrNumber(UChar32 scalar) {
    return u_hasBinaryProperty(scalar, UCHAR_ALPHABETIC) ||
           u_getIntPropertyValue(scalar, UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

// A marker Word turns into an automatic list: a bullet character, or a label of letters or
// numbers closed by ".", ")" or "、".
bool isListMarker(const std::u16string& x) {
    const auto isBlank = [](char16_t unit) { return unit == u' ' || unit == u'\t'; };
    std::size_t from = 0;
    std::size_t to = x.size();
    while (from < to && isBlank(x[from]))
        ++from;
    while (to > from && isBlank(x[to - 1]))
        --to;
    const std::u16string marker = x.substr(from, to - from);
    if (marker == u"-" || marker == u"*" || marker == u"\u2022" || marker == u">")
        return true;
    if (marker.size() < 2)
        return false;
    const char16_t last = marker.back();
    if (last != u'.' && last != u')' && last != u'\u3001')
        return false;

    GraphemeIterator iterator = graphemes(marker);
    if (!iterator)
        return false;
    // Characters are grapheme clusters, judged by their first scalar.
    int clusters = 0;
    int start = ubrk_first(iterator.get());
    for (int end = ubrk_next(iterator.get()); end != UBRK_DONE;
         start = end, end = ubrk_next(iterator.get())) {
        ++clusters;
        if (end == static_cast<int>(marker.size()))
            return clusters >= 2 && end - start == 1;
        UChar32 scalar;
        int index = start;
        U16_NEXT(icu(marker), index, end, scalar);
        if (!isLetterOrNumber(scalar))
            return false;
    }
    return false;
}

DifferenceKind classify(const std::u16string& x, const std::u16string& y, bool paragraphStart) {
    // Both sides decode alike only when the region cut surrogate pairs that differ in the
    // halves decoding replaced (😀 read back as 😁): a real replacement, which the quote and
    // case rules would otherwise pass vacuously as an autocorrection.
    if (!x.empty() && x == y)
        return DifferenceKind::replaced;
    if (isSmartQuoteChange(x, y))
        return DifferenceKind::smartQuotes;
    if (isDash(x, y))
        return DifferenceKind::dash;
    if (x == u"..." && y == u"\u2026")
        return DifferenceKind::ellipsis;
    if (isSymbol(x, y))
        return DifferenceKind::symbol;
    if (isFraction(x, y))
        return DifferenceKind::fraction;
    if (isCapitalizationChange(x, y))
        return DifferenceKind::capitalization;
    if (y.empty() && paragraphStart && isListMarker(x))
        return DifferenceKind::listAutoFormat;
    if (y.empty())
        return DifferenceKind::missing;
    if (x.empty())
        return DifferenceKind::extra;
    return DifferenceKind::replaced;
}

bool isOutside(const Region& region, const InsertionRange& insertion) {
    if (region.expectedLength == 0)
        return region.expectedStart < insertion.from || region.expectedStart > insertion.to;
    return !(insertion.from <= region.expectedStart &&
             region.expectedStart + region.expectedLength <= insertion.to);
}

} // namespace

namespace ContentComparator {

ComparisonReport compare(std::u16string_view expected, std::u16string_view actual,
                         std::optional<InsertionRange> insertion, int maxHunks) {
    assert(maxHunks >= 0 && "maxHunks must not be negative");
    maxHunks = std::max(maxHunks, 0);

    ComparisonReport report;
    report.expectedLength = utf16Count(expected);
    report.actualLength = utf16Count(actual);
    const std::size_t n = expected.size();
    const std::size_t m = actual.size();
    if (n == m && std::memcmp(expected.data(), actual.data(), n * sizeof(char16_t)) == 0)
        return report;

    std::size_t prefix = commonPrefixLength(expected.data(), actual.data(), std::min(n, m));
    const std::size_t suffix =
        commonSuffixLength(expected.data(), n, actual.data(), m, std::min(n - prefix, m - prefix));
    // Never cut between the halves of a surrogate pair on the expected side.
    while (prefix > 0 && prefix < n && isLowSurrogate(expected[prefix]))
        --prefix;
    const int p = static_cast<int>(prefix);
    const int middleExpected = static_cast<int>(n - suffix - prefix);
    const int middleActual = static_cast<int>(m - suffix - prefix);

    std::vector<Region> regions;
    const Region wholeMiddle{p, middleExpected, p, middleActual};
    if (static_cast<long long>(middleExpected) + middleActual > maxMiddleUnits) {
        regions.push_back(wholeMiddle);
        report.truncated = true;
    } else if (middleExpected == 0 || middleActual == 0) {
        if (middleExpected + middleActual > 0)
            regions.push_back(wholeMiddle);
    } else if (auto diff = myersRegions(expected.data() + p, middleExpected, actual.data() + p,
                                        middleActual,
                                        std::min(maxEditDistance, middleExpected + middleActual))) {
        regions = std::move(*diff);
        for (Region& region : regions) {
            region.expectedStart += p;
            region.actualStart += p;
        }
    } else {
        regions.push_back(wholeMiddle);
        report.truncated = true;
    }
    if (static_cast<int>(regions.size()) > maxHunks) {
        regions.resize(static_cast<std::size_t>(maxHunks));
        report.truncated = true;
    }

    report.hunks.reserve(regions.size());
    for (const Region& region : regions) {
        const std::u16string x =
            decodeLeniently(expected, region.expectedStart, region.expectedLength);
        const std::u16string y = decodeLeniently(actual, region.actualStart, region.actualLength);
        const bool paragraphStart =
            region.expectedStart == 0 || expected[region.expectedStart - 1] == u'\r';
        DifferenceHunk hunk;
        hunk.expectedStart = region.expectedStart;
        hunk.expectedLength = region.expectedLength;
        hunk.actualStart = region.actualStart;
        hunk.actualLength = region.actualLength;
        hunk.kind = classify(x, y, paragraphStart);
        hunk.outsideInsertion = insertion && isOutside(region, *insertion);
        report.hunks.push_back(hunk);
    }
    return report;
}

std::u16string lossyAstral(std::u16string_view text) {
    std::u16string out(text);
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (isHighSurrogate(out[i]) && isLowSurrogate(out[i + 1])) {
            out[i] = u'1';
            out[i + 1] = u'2';
            ++i;
        }
    }
    return out;
}

bool scriptPlaceholderMatch(std::u16string_view expected, std::u16string_view actual) {
    if (expected.size() != actual.size())
        return false;
    std::size_t i = 0;
    while (i < expected.size()) {
        const char16_t unit = expected[i];
        if (isHighSurrogate(unit) && i + 1 < expected.size() && isLowSurrogate(expected[i + 1])) {
            // Each half may independently be left alone or replaced.
            if (actual[i] != unit && actual[i] != u'1')
                return false;
            if (actual[i + 1] != expected[i + 1] && actual[i + 1] != u'2')
                return false;
            i += 2;
            continue;
        }
        if (actual[i] != unit) {
            const bool placeholderMayStand =
                unit >= 0x80 && !isSurrogate(unit) && u_hasBinaryProperty(unit, UCHAR_EMOJI);
            if (!placeholderMayStand || actual[i] != u'1')
                return false;
        }
        ++i;
    }
    return true;
}

} // namespace ContentComparator

} // namespace plumeo
