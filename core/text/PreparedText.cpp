#include "core/text/PreparedText.h"

#include "core/text/Homophones.h"
#include "core/text/Utf16.h"

#include <algorithm>
#include <cassert>

namespace plumeo {

std::vector<std::u16string_view> TypeUnit::eventChunks() const {
    constexpr std::size_t limit = KeyStroke::maxUnicodeLength;
    std::vector<std::u16string_view> chunks;
    if (kind != UnitKind::text)
        return chunks;
    const std::u16string_view text = wordText;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t width =
            isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1]) ? 2 : 1;
        // A scalar is never split: one that would cross the limit opens the next chunk.
        if (i > start && i + width - start > limit) {
            chunks.push_back(text.substr(start, i - start));
            start = i;
        }
        i += width;
    }
    if (i > start)
        chunks.push_back(text.substr(start, i - start));
    return chunks;
}

std::vector<KeyStroke> TypeUnit::strokes() const {
    switch (kind) {
    case UnitKind::text: {
        std::vector<KeyStroke> result;
        for (const std::u16string_view chunk : eventChunks())
            result.push_back(KeyStroke::typeText(std::u16string(chunk)));
        return result;
    }
    case UnitKind::paragraphBreak:
        return {KeyStroke::returnKey()};
    case UnitKind::lineBreak:
        return {KeyStroke::shiftReturn()};
    case UnitKind::tab:
        return {KeyStroke::tab()};
    }
    return {};
}

bool TypeUnit::isASCIILetter() const {
    if (kind != UnitKind::text || wordText.size() != 1)
        return false;
    const char16_t c = wordText[0];
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool TypeUnit::isTypoableHanzi() const {
    return kind == UnitKind::text && wordText.size() == 1 &&
           Homophones::hasAlternatives(wordText[0]);
}

std::u16string PreparedText::wordString(int from, int to) const {
    assert(0 <= from && from <= to && to <= count() && "unit range outside the text");
    std::u16string result;
    if (from >= to)
        return result;
    result.reserve(static_cast<std::size_t>(offsets[to] - offsets[from]));
    for (int i = from; i < to; ++i)
        result += units[i].wordText;
    return result;
}

std::optional<int> PreparedText::unitCountEndingAtOffset(int offset) const {
    const auto found = std::lower_bound(offsets.begin(), offsets.end(), offset);
    if (found == offsets.end() || *found != offset)
        return std::nullopt;
    return static_cast<int>(found - offsets.begin());
}

} // namespace plumeo
