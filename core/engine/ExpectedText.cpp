#include "core/engine/ExpectedText.h"

#include "core/text/Utf16.h"

#include <algorithm>

namespace plumeo {
namespace {

/// Units [from, to) of the typed text, counted from the start of unit `base`.
std::u16string typedRange(const PreparedText& text, int base, int from, int to) {
    if (from >= to)
        return {};
    const auto& offsets = text.offsets;
    const int start = offsets[base] + from;
    const int end = offsets[base] + to;
    const int firstUnit = static_cast<int>(std::upper_bound(offsets.begin(), offsets.end(), start) -
                                           offsets.begin()) -
                          1;
    const int endUnit =
        static_cast<int>(std::lower_bound(offsets.begin(), offsets.end(), end) - offsets.begin());
    const std::u16string units = text.wordString(firstUnit, endUnit);
    return units.substr(start - offsets[firstUnit], end - start);
}

} // namespace

std::u16string expectedSlice(const DocumentAnchor& anchor, const PreparedText& text, int upTo,
                             int from, int to) {
    const int base = std::clamp(anchor.baseUnit, 0, text.count());
    const int end = std::clamp(upTo, base, text.count());
    const int beforeLength = utf16Count(anchor.before);
    const int typedLength = text.offsets[end] - text.offsets[base];
    const int total = beforeLength + typedLength + utf16Count(anchor.after);
    const int lo = std::clamp(from, 0, total);
    const int hi = std::clamp(to, lo, total);
    // One unit of context on each side lets utf16Slice judge a cut surrogate pair exactly as
    // it would on the whole document.
    const int rawFrom = std::max(0, lo - 1);
    const int rawTo = std::min(total, hi + 1);

    std::u16string raw;
    raw.reserve(rawTo - rawFrom);
    if (rawFrom < beforeLength)
        raw.append(anchor.before, rawFrom, std::min(rawTo, beforeLength) - rawFrom);
    const int typedFrom = std::clamp(rawFrom - beforeLength, 0, typedLength);
    const int typedTo = std::clamp(rawTo - beforeLength, 0, typedLength);
    raw += typedRange(text, base, typedFrom, typedTo);
    const int afterFrom = std::max(rawFrom - beforeLength - typedLength, 0);
    const int afterTo = rawTo - beforeLength - typedLength;
    if (afterTo > afterFrom)
        raw.append(anchor.after, afterFrom, afterTo - afterFrom);
    return utf16Slice(raw, lo - rawFrom, hi - rawFrom);
}

std::u16string utf16Tail(const std::u16string& text, int count) {
    const int length = utf16Count(text);
    return utf16Slice(text, length - count, length);
}

} // namespace plumeo
