#include "core/verify/DocumentAnchor.h"

#include "core/text/Utf16.h"

#include <algorithm>

namespace plumeo {

namespace {

// An anchor outlives edits and resumes, so its unit indexes are clamped rather than trusted.
int clampedUnit(int unit, const PreparedText& text) {
    return std::clamp(unit, 0, text.count());
}

int offsetOfUnit(int unit, const PreparedText& text) {
    if (text.offsets.empty())
        return 0;
    const int last = static_cast<int>(text.offsets.size()) - 1;
    return text.offsets[static_cast<std::size_t>(std::clamp(unit, 0, last))];
}

} // namespace

DocumentAnchor DocumentAnchor::initial(std::u16string_view content, int insertionOffset) {
    const int length = utf16Count(content);
    DocumentAnchor anchor;
    anchor.before = utf16Slice(content, 0, insertionOffset);
    anchor.after = utf16Slice(content, insertionOffset, length);
    anchor.baseUnit = 0;
    anchor.regionStart = std::clamp(insertionOffset, 0, length);
    return anchor;
}

int DocumentAnchor::cursorOffset(int upTo, const PreparedText& text) const {
    return utf16Count(before) + offsetOfUnit(upTo, text) - offsetOfUnit(baseUnit, text);
}

std::u16string DocumentAnchor::expectedDocument(int upTo, std::u16string_view extra,
                                                const PreparedText& text) const {
    const int from = clampedUnit(baseUnit, text);
    const int to = std::max(from, clampedUnit(upTo, text));
    std::u16string document = before;
    for (int i = from; i < to; ++i)
        document += text.units[static_cast<std::size_t>(i)].wordText;
    document += extra;
    document += after;
    return document;
}

InsertionRange DocumentAnchor::insertionRange(int upTo, const PreparedText& text) const {
    return {regionStart, std::max(regionStart, cursorOffset(upTo, text))};
}

} // namespace plumeo
