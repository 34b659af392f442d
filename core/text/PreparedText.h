#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo {

/// What one typing unit is; its word text follows from the kind for everything but text.
enum class UnitKind : std::uint8_t { text, paragraphBreak, lineBreak, tab };

/// One key event the sink sends.
struct KeyStroke {
    enum class Kind { text, returnKey, shiftReturn, tab, backspace };

    /// The largest Unicode payload of one text event, in UTF-16 code units; every text
    /// stroke fits in one synthesised event.
    static constexpr int maxUnicodeLength = 16;

    Kind kind = Kind::text;
    std::u16string text; ///< Only for Kind::text: never empty, at most maxUnicodeLength units.

    static KeyStroke typeText(std::u16string text) { return {Kind::text, std::move(text)}; }
    static KeyStroke returnKey() { return {Kind::returnKey, {}}; }
    static KeyStroke shiftReturn() { return {Kind::shiftReturn, {}}; }
    static KeyStroke tab() { return {Kind::tab, {}}; }
    static KeyStroke backspace() { return {Kind::backspace, {}}; }

    bool operator==(const KeyStroke&) const = default;
};

/// One grapheme cluster of the article, or one paragraph break, line break or tab.
/// Kept small: an article has as many units as characters, and a unit's key-event chunks are
/// not stored but cut from its word text when they are needed.
struct TypeUnit {
    UnitKind kind = UnitKind::text;
    std::u16string wordText; ///< What the unit leaves in the document.

    int wordLength() const { return static_cast<int>(wordText.size()); }
    /// Text units only (empty for the others): wordText cut at scalar boundaries into pieces
    /// of at most KeyStroke::maxUnicodeLength units, in order. Views into wordText.
    std::vector<std::u16string_view> eventChunks() const;
    /// One text stroke per event chunk, or the one key of a break or tab.
    std::vector<KeyStroke> strokes() const;
    bool isASCIILetter() const;
    /// A single BMP character that has homophones, so the natural mode may mistype it.
    bool isTypoableHanzi() const;

    bool operator==(const TypeUnit&) const = default;
};

struct TextStats {
    int graphemes = 0;
    int cjkCharacters = 0;
    int latinWords = 0;
    int paragraphs = 0;
    int emptyParagraphs = 0;
    int wordUTF16Length = 0;
    int units = 0;

    bool operator==(const TextStats&) const = default;
};

/// The article as typing units, with the UTF-16 offset at which each unit begins relative to
/// the insertion point. Immutable once built.
struct PreparedText {
    std::vector<TypeUnit> units;
    std::vector<int> offsets; ///< units.size() + 1 entries, strictly increasing, from 0.
    TextStats stats;

    int count() const { return static_cast<int>(units.size()); }
    int totalWordLength() const { return offsets.empty() ? 0 : offsets.back(); }
    /// Word texts of units [from, to), concatenated; the range must lie within 0...count.
    std::u16string wordString(int from, int to) const;
    std::u16string fullWordString() const { return wordString(0, count()); }
    /// The number of whole units that together are exactly `offset` UTF-16 units long, or
    /// nothing when the offset falls inside a unit or outside the text.
    std::optional<int> unitCountEndingAtOffset(int offset) const;

    bool operator==(const PreparedText&) const = default;
};

} // namespace plumeo
