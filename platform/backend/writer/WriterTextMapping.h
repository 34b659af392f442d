#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo {

// Writer hands text out per paragraph, with a manual line break as U+000A inside the
// paragraph's string, and moves its cursors by code points; Word's story is one UTF-16 string
// with U+000D after every paragraph and U+000B for a line break. These functions translate.

/// One paragraph of a Writer text, as XTextRange::getString gives it.
struct WriterParagraph {
    std::u16string text;
};

/// Word's story text for these paragraphs: each paragraph's text with U+000A turned into
/// U+000B and followed by U+000D, so the result ends with the final paragraph mark. An empty
/// document (one empty paragraph) gives "\r".
std::u16string wordStoryText(const std::vector<WriterParagraph>& paragraphs);

/// Where a Word story offset falls: which paragraph and how many UTF-16 units into it.
struct ParagraphOffset {
    std::size_t paragraph = 0;
    std::size_t unitsIn = 0;

    bool operator==(const ParagraphOffset&) const = default;
};

/// The paragraph and in-paragraph offset of story offset `offset`. The paragraph mark after a
/// paragraph belongs to the next paragraph's start; an offset at or past the final mark lands
/// at the end of the last paragraph, as Word's selection never passes it.
ParagraphOffset locateStoryOffset(const std::vector<WriterParagraph>& paragraphs,
                                  std::size_t offset);

/// The story offset of `unitsIn` UTF-16 units into paragraph `paragraph`.
std::size_t storyOffsetOf(const std::vector<WriterParagraph>& paragraphs, ParagraphOffset at);

/// The number of code points in the first `units` UTF-16 units of `text`; a unit count that
/// ends inside a surrogate pair counts the pair's code point as not yet reached.
std::size_t codePointsBefore(std::u16string_view text, std::size_t units);

} // namespace plumeo
