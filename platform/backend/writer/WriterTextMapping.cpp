#include "platform/backend/writer/WriterTextMapping.h"

#include <algorithm>

namespace plumeo {

std::u16string wordStoryText(const std::vector<WriterParagraph>& paragraphs) {
    std::u16string story;
    for (const auto& paragraph : paragraphs) {
        for (const char16_t unit : paragraph.text) {
            story.push_back(unit == u'\n' ? u'\v' : unit);
        }
        story.push_back(u'\r');
    }
    if (story.empty()) {
        story.push_back(u'\r'); // Writer never has no paragraph; Word's story is never empty
    }
    return story;
}

ParagraphOffset locateStoryOffset(const std::vector<WriterParagraph>& paragraphs,
                                  std::size_t offset) {
    if (paragraphs.empty()) {
        return {};
    }
    std::size_t start = 0;
    for (std::size_t index = 0; index < paragraphs.size(); ++index) {
        const std::size_t length = paragraphs[index].text.size();
        if (offset <= start + length) {
            return {index, offset - start};
        }
        start += length + 1;
    }
    return {paragraphs.size() - 1, paragraphs.back().text.size()};
}

std::size_t storyOffsetOf(const std::vector<WriterParagraph>& paragraphs, ParagraphOffset at) {
    std::size_t offset = 0;
    const std::size_t before = std::min(at.paragraph, paragraphs.size());
    for (std::size_t index = 0; index < before; ++index) {
        offset += paragraphs[index].text.size() + 1;
    }
    if (at.paragraph < paragraphs.size()) {
        offset += std::min(at.unitsIn, paragraphs[at.paragraph].text.size());
    }
    return offset;
}

std::size_t codePointsBefore(std::u16string_view text, std::size_t units) {
    units = std::min(units, text.size());
    std::size_t count = 0;
    for (std::size_t index = 0; index < units; ++index) {
        const bool high = text[index] >= 0xD800 && text[index] <= 0xDBFF;
        if (high && index + 1 < text.size() && text[index + 1] >= 0xDC00 &&
            text[index + 1] <= 0xDFFF) {
            if (index + 1 >= units) {
                break; // the pair is cut: its code point lies after the offset
            }
            ++index;
        }
        ++count;
    }
    return count;
}

} // namespace plumeo
