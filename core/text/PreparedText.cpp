#include "core/text/PreparedText.h"

#include "core/text/Homophones.h"

#include <algorithm>
#include <cassert>

namespace plumeo {

std::vector<KeyStroke> TypeUnit::strokes() const {
    switch (kind) {
    case UnitKind::text: {
        std::vector<KeyStroke> result;
        result.reserve(eventChunks.size());
        for (const std::u16string& chunk : eventChunks)
            result.push_back(KeyStroke::typeText(chunk));
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
