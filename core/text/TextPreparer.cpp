#include "core/text/TextPreparer.h"

#include "core/text/GraphemeClusters.h"
#include "core/text/Utf16.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace plumeo::TextPreparer {
namespace {

constexpr std::u16string_view paragraphBreakText = u"\r";
constexpr std::u16string_view lineBreakText = u"\v";
constexpr std::u16string_view tabText = u"\t";

bool isCJKIdeograph(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x20000 && c <= 0x2A6DF) || (c >= 0x2A700 && c <= 0x2EBEF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x30000 && c <= 0x3134F);
}

/// The kind a cluster is typed as: breaks and tabs are single characters (or CR LF).
UnitKind kindOf(std::u16string_view cluster) {
    if (cluster.size() == 1) {
        switch (cluster[0]) {
        case u'\n':
        case u'\r':
        case u'\u2029':
            return UnitKind::paragraphBreak;
        case u'\t':
            return UnitKind::tab;
        case u'\v':
        case u'\u2028':
            return UnitKind::lineBreak;
        default:
            return UnitKind::text;
        }
    }
    return cluster == u"\r\n" ? UnitKind::paragraphBreak : UnitKind::text;
}

bool isControl(char32_t scalar) {
    if (scalar < 0x80)
        return scalar < 0x20 || scalar == 0x7F;
    return u_charType(scalar) == U_CONTROL_CHAR;
}

bool isAlphabetic(char32_t scalar) {
    if (scalar < 0x80)
        return (scalar >= U'a' && scalar <= U'z') || (scalar >= U'A' && scalar <= U'Z');
    return u_hasBinaryProperty(scalar, UCHAR_ALPHABETIC);
}

bool hasNumericType(char32_t scalar) {
    if (scalar < 0x80)
        return scalar >= U'0' && scalar <= U'9';
    return u_getIntPropertyValue(scalar, UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

/// The running state of one pass over the clusters.
class Scan {
public:
    explicit Scan(std::size_t articleLength) {
        text_.units.reserve(articleLength);
        text_.offsets.reserve(articleLength + 1);
        text_.offsets.push_back(0);
        text_.stats.paragraphs = 1;
    }

    void add(std::u16string_view cluster) {
        switch (kindOf(cluster)) {
        case UnitKind::paragraphBreak:
            append(UnitKind::paragraphBreak, paragraphBreakText);
            if (!paragraphHasText_)
                ++text_.stats.emptyParagraphs;
            ++text_.stats.paragraphs;
            ++line_;
            paragraphHasText_ = false;
            inLatinWord_ = false;
            break;
        case UnitKind::tab:
            append(UnitKind::tab, tabText);
            inLatinWord_ = false;
            break;
        case UnitKind::lineBreak:
            append(UnitKind::lineBreak, lineBreakText);
            ++line_;
            inLatinWord_ = false;
            break;
        case UnitKind::text:
            addText(cluster);
            break;
        }
        ++graphemeIndex_;
    }

    PreparedText finish() && {
        if (!paragraphHasText_)
            ++text_.stats.emptyParagraphs;
        text_.stats.wordUTF16Length = text_.offsets.back();
        text_.stats.units = text_.count();
        return std::move(text_);
    }

private:
    void append(UnitKind kind, std::u16string_view wordText) {
        text_.units.push_back({kind, std::u16string(wordText)});
        // Offsets are summed here, while the unit is still in cache.
        text_.offsets.push_back(text_.offsets.back() + static_cast<int>(wordText.size()));
    }

    void addText(std::u16string_view cluster) {
        bool hasCJK = false;
        char32_t first = 0;
        for (std::size_t i = 0; i < cluster.size();) {
            const char16_t unit = cluster[i];
            char32_t scalar = unit;
            std::size_t width = 1;
            if (isHighSurrogate(unit) && i + 1 < cluster.size() && isLowSurrogate(cluster[i + 1])) {
                scalar = U16_GET_SUPPLEMENTARY(unit, cluster[i + 1]);
                width = 2;
            } else if (isSurrogate(unit) || isControl(scalar)) {
                // A lone surrogate half cannot be carried by a key event either.
                throw PreparationError::unsupportedCharacter(scalar, graphemeIndex_, line_);
            }
            if (i == 0)
                first = scalar;
            hasCJK = hasCJK || isCJKIdeograph(scalar);
            i += width;
        }
        append(UnitKind::text, cluster);
        ++text_.stats.graphemes;
        if (hasCJK)
            ++text_.stats.cjkCharacters;
        paragraphHasText_ = true;
        updateLatinWord(first);
    }

    void updateLatinWord(char32_t first) {
        if (first < 0x250 && isAlphabetic(first)) {
            if (!inLatinWord_)
                ++text_.stats.latinWords;
            inLatinWord_ = true;
            return;
        }
        if (!inLatinWord_)
            return;
        // Apostrophes, hyphens and digits keep a word going: don't, e-mail and abc123 are one.
        inLatinWord_ = first == U'\'' || first == U'-' || hasNumericType(first);
    }

    PreparedText text_;
    int graphemeIndex_ = 0;
    int line_ = 1;
    bool paragraphHasText_ = false;
    bool inLatinWord_ = false;
};

} // namespace

PreparedText prepare(std::u16string_view article) {
    if (article.empty())
        throw PreparationError::empty();
    GraphemeClusters clusters(article);
    Scan scan(article.size());
    while (const std::optional<std::u16string_view> cluster = clusters.next())
        scan.add(*cluster);
    return std::move(scan).finish();
}

} // namespace plumeo::TextPreparer
