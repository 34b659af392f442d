// The comparator on two texts (the second usually an edited copy of the first), an optional
// insertion range and a hunk limit. The hunks must describe the edit exactly and minimally,
// the report must survive its JSON form, and the placeholder form must keep its promises.

#include "core/text/Utf16.h"
#include "core/verify/ContentComparator.h"
#include "fuzz/FuzzInput.h"

#include <algorithm>
#include <vector>

using namespace plumeo;

namespace {

/// The fewest inserted plus deleted code units that turn one text into the other.
int editDistance(std::u16string_view a, std::u16string_view b) {
    std::vector<int> previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        previous[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = static_cast<int>(i);
        for (std::size_t j = 1; j <= b.size(); ++j) {
            current[j] =
                a[i - 1] == b[j - 1] ? previous[j - 1] : std::min(previous[j], current[j - 1]) + 1;
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

std::u16string mutate(FuzzedDataProvider& data, std::u16string text) {
    const int edits = data.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < edits && data.remaining_bytes() > 0; ++i) {
        const std::size_t at = data.ConsumeIntegralInRange<std::size_t>(0, text.size());
        const std::size_t length = data.ConsumeIntegralInRange<std::size_t>(0, 6);
        switch (data.ConsumeIntegralInRange(0, 2)) {
        case 0:
            text.erase(at, length);
            break;
        case 1:
            text.insert(at, fuzz::consumeText(data, 6));
            break;
        default:
            text.replace(at, length, fuzz::consumeText(data, 6));
            break;
        }
    }
    return text;
}

/// Whether, past the common prefix and suffix, one text has nothing left: such a difference is
/// one region of any size, never cut short by the edit distance limit.
bool isOneSided(std::u16string_view expected, std::u16string_view actual) {
    std::size_t prefix = 0;
    while (prefix < expected.size() && prefix < actual.size() && expected[prefix] == actual[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < expected.size() - prefix && suffix < actual.size() - prefix &&
           expected[expected.size() - 1 - suffix] == actual[actual.size() - 1 - suffix])
        ++suffix;
    // The cut never falls inside a surrogate pair on the expected side.
    while (prefix > 0 && prefix < expected.size() && isLowSurrogate(expected[prefix]))
        --prefix;
    return expected.size() - suffix == prefix || actual.size() - suffix == prefix;
}

int editedUnits(const ComparisonReport& report) {
    int edited = 0;
    for (const DifferenceHunk& hunk : report.hunks)
        edited += hunk.expectedLength + hunk.actualLength;
    return edited;
}

bool outsideInsertion(const DifferenceHunk& hunk, const InsertionRange& range) {
    if (hunk.expectedLength == 0)
        return hunk.expectedStart < range.from || hunk.expectedStart > range.to;
    return hunk.expectedStart < range.from || hunk.expectedStart + hunk.expectedLength > range.to;
}

void checkReport(std::u16string_view expected, std::u16string_view actual,
                 const std::optional<InsertionRange>& insertion, int maxHunks,
                 const ComparisonReport& report) {
    const bool identical = expected == actual;
    FUZZ_CHECK(report.expectedLength == utf16Count(expected));
    FUZZ_CHECK(report.actualLength == utf16Count(actual));
    FUZZ_CHECK(static_cast<int>(report.hunks.size()) <= maxHunks);
    FUZZ_CHECK(!identical || (report.hunks.empty() && !report.truncated));
    if (maxHunks > 0)
        FUZZ_CHECK(report.isEqual() == identical);

    // Rebuild the actual text from the expected one and the hunks.
    std::u16string rebuilt;
    int expectedEnd = 0;
    int actualEnd = 0;
    for (const DifferenceHunk& hunk : report.hunks) {
        FUZZ_CHECK(hunk.expectedLength >= 0 && hunk.actualLength >= 0);
        FUZZ_CHECK(hunk.expectedLength + hunk.actualLength > 0);
        FUZZ_CHECK(hunk.expectedStart >= expectedEnd && hunk.actualStart >= actualEnd);
        FUZZ_CHECK(hunk.expectedStart + hunk.expectedLength <= report.expectedLength);
        FUZZ_CHECK(hunk.actualStart + hunk.actualLength <= report.actualLength);
        // Between two hunks both texts hold the same run.
        FUZZ_CHECK(hunk.expectedStart - expectedEnd == hunk.actualStart - actualEnd);
        FUZZ_CHECK(expected.substr(expectedEnd, hunk.expectedStart - expectedEnd) ==
                   actual.substr(actualEnd, hunk.actualStart - actualEnd));
        rebuilt += expected.substr(expectedEnd, hunk.expectedStart - expectedEnd);
        rebuilt += actual.substr(hunk.actualStart, hunk.actualLength);
        expectedEnd = hunk.expectedStart + hunk.expectedLength;
        actualEnd = hunk.actualStart + hunk.actualLength;
        FUZZ_CHECK(hunk.outsideInsertion == (insertion && outsideInsertion(hunk, *insertion)));
    }
    rebuilt += expected.substr(expectedEnd);

    const bool cutByLimit = report.truncated && static_cast<int>(report.hunks.size()) == maxHunks;
    if (!cutByLimit) {
        // Complete, or one region standing for a difference too large to analyse.
        FUZZ_CHECK(rebuilt == actual);
    }
    if (report.truncated && !cutByLimit)
        FUZZ_CHECK(report.hunks.size() == 1);

    // Small inputs can afford the quadratic reference: a complete diff is a minimal one, and
    // only a distance beyond the limit makes one truncated region.
    if (expected.size() * actual.size() <= 600'000) {
        const int distance = editDistance(expected, actual);
        const bool beyondLimit = distance > 400 && !isOneSided(expected, actual);
        if (!report.truncated) {
            FUZZ_CHECK(!beyondLimit);
            FUZZ_CHECK(editedUnits(report) == distance);
        } else if (!cutByLimit) {
            FUZZ_CHECK(beyondLimit);
        } else if (!beyondLimit) {
            const ComparisonReport complete =
                ContentComparator::compare(expected, actual, insertion, 1 << 20);
            FUZZ_CHECK(complete.hunks.size() > static_cast<std::size_t>(maxHunks));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    std::u16string expected = fuzz::consumeText(data, 300);
    // Long repeats reach the edit distance limit without a slow input.
    if (const int repeats = data.ConsumeIntegralInRange(0, 3); repeats > 0 && !expected.empty()) {
        std::u16string copy = expected;
        for (int i = 0; i < repeats * 4; ++i)
            expected += copy;
    }
    const std::u16string actual =
        data.ConsumeBool() ? fuzz::consumeText(data, 300) : mutate(data, expected);
    std::optional<InsertionRange> insertion;
    if (data.ConsumeBool()) {
        const int from = data.ConsumeIntegralInRange(0, utf16Count(expected));
        insertion = InsertionRange{from, data.ConsumeIntegralInRange(from, utf16Count(expected))};
    }
    const int maxHunks =
        data.ConsumeBool() ? ContentComparator::defaultMaxHunks : data.ConsumeIntegralInRange(0, 8);

    const ComparisonReport report =
        ContentComparator::compare(expected, actual, insertion, maxHunks);
    checkReport(expected, actual, insertion, maxHunks, report);
    FUZZ_CHECK(comparisonReportFromJson(toJson(report)) == report);
    FUZZ_CHECK(decodeComparisonReport(toJson(report).dump()) == report);
    FUZZ_CHECK(!report.summary().empty());

    // The placeholder form keeps every length and offset, and is what a placeholder match
    // accepts; texts without astral characters pass through unchanged.
    for (const std::u16string& text : {expected, actual}) {
        const std::u16string lossy = ContentComparator::lossyAstral(text);
        FUZZ_CHECK(lossy.size() == text.size());
        FUZZ_CHECK(ContentComparator::scriptPlaceholderMatch(text, lossy));
        FUZZ_CHECK(ContentComparator::scriptPlaceholderMatch(text, text));
        FUZZ_CHECK(ContentComparator::lossyAstral(lossy) == lossy);
    }
    if (ContentComparator::scriptPlaceholderMatch(expected, actual))
        FUZZ_CHECK(expected.size() == actual.size());
    return 0;
}
