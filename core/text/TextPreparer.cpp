#include "core/text/TextPreparer.h"

#include "core/text/Utf16.h"

#include <memory>
#include <stdexcept>
#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf16.h>

namespace plumeo::TextPreparer {
namespace {

constexpr char16_t paragraphBreakText = u'\r';
constexpr char16_t lineBreakText = u'\v';
constexpr char16_t tabText = u'\t';

bool isCJKIdeograph(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x20000 && c <= 0x2A6DF) || (c >= 0x2A700 && c <= 0x2EBEF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x30000 && c <= 0x3134F);
}

bool isParagraphBreak(std::u16string_view cluster) {
    return cluster == u"\r\n" || cluster == u"\n" || cluster == u"\r" || cluster == u"\u2029";
}

bool isLineBreak(std::u16string_view cluster) {
    return cluster == u"\v" || cluster == u"\u2028";
}

/// Cuts a cluster into runs of whole scalars that each fit in one key event.
std::vector<std::u16string> eventChunks(std::u16string_view cluster) {
    constexpr std::size_t limit = KeyStroke::maxUnicodeLength;
    std::vector<std::u16string> chunks;
    if (cluster.size() <= limit) {
        // The common case; an initializer list would copy the string a second time.
        chunks.reserve(1);
        chunks.emplace_back(cluster);
        return chunks;
    }
    std::u16string current;
    std::size_t i = 0;
    while (i < cluster.size()) {
        const std::size_t width =
            isHighSurrogate(cluster[i]) && i + 1 < cluster.size() && isLowSurrogate(cluster[i + 1])
                ? 2
                : 1;
        if (!current.empty() && current.size() + width > limit) {
            chunks.push_back(std::move(current));
            current.clear();
        }
        current.append(cluster.substr(i, width));
        i += width;
    }
    if (!current.empty())
        chunks.push_back(std::move(current));
    return chunks;
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
        if (isParagraphBreak(cluster)) {
            append(UnitKind::paragraphBreak, std::u16string(1, paragraphBreakText));
            if (!paragraphHasText_)
                ++text_.stats.emptyParagraphs;
            ++text_.stats.paragraphs;
            ++line_;
            paragraphHasText_ = false;
            inLatinWord_ = false;
        } else if (cluster == u"\t") {
            append(UnitKind::tab, std::u16string(1, tabText));
            inLatinWord_ = false;
        } else if (isLineBreak(cluster)) {
            append(UnitKind::lineBreak, std::u16string(1, lineBreakText));
            ++line_;
            inLatinWord_ = false;
        } else {
            addText(cluster);
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
    void append(UnitKind kind, std::u16string wordText, std::vector<std::u16string> chunks = {}) {
        TypeUnit& unit = text_.units.emplace_back();
        unit.kind = kind;
        unit.wordText = std::move(wordText);
        unit.eventChunks = std::move(chunks);
        // Offsets are summed here, while the unit is still in cache.
        text_.offsets.push_back(text_.offsets.back() + unit.wordLength());
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
            } else if (isSurrogate(unit) || u_charType(scalar) == U_CONTROL_CHAR) {
                // A lone surrogate half cannot be carried by a key event either.
                throw PreparationError::unsupportedCharacter(scalar, graphemeIndex_, line_);
            }
            if (i == 0)
                first = scalar;
            hasCJK = hasCJK || isCJKIdeograph(scalar);
            i += width;
        }
        append(UnitKind::text, std::u16string(cluster), eventChunks(cluster));
        ++text_.stats.graphemes;
        if (hasCJK)
            ++text_.stats.cjkCharacters;
        paragraphHasText_ = true;
        updateLatinWord(first);
    }

    void updateLatinWord(char32_t first) {
        if (first < 0x250 && u_hasBinaryProperty(first, UCHAR_ALPHABETIC)) {
            if (!inLatinWord_)
                ++text_.stats.latinWords;
            inLatinWord_ = true;
            return;
        }
        if (!inLatinWord_)
            return;
        // Apostrophes, hyphens and digits keep a word going: don't, e-mail and abc123 are one.
        inLatinWord_ = first == U'\'' || first == U'-' ||
                       u_getIntPropertyValue(first, UCHAR_NUMERIC_TYPE) != U_NT_NONE;
    }

    PreparedText text_;
    int graphemeIndex_ = 0;
    int line_ = 1;
    bool paragraphHasText_ = false;
    bool inLatinWord_ = false;
};

struct UTextCloser {
    void operator()(UText* text) const { utext_close(text); }
};

} // namespace

PreparedText prepare(std::u16string_view article) {
    if (article.empty())
        throw PreparationError::empty();

    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UText, UTextCloser> text(
        utext_openUChars(nullptr, article.data(), static_cast<int64_t>(article.size()), &status));
    std::unique_ptr<icu::BreakIterator> clusters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_SUCCESS(status))
        clusters->setText(text.get(), status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("ICU grapheme segmentation unavailable: ") +
                                 u_errorName(status));

    Scan scan(article.size());
    int32_t start = clusters->first();
    for (int32_t end = clusters->next(); end != icu::BreakIterator::DONE;
         start = end, end = clusters->next())
        scan.add(article.substr(start, end - start));
    return std::move(scan).finish();
}

} // namespace plumeo::TextPreparer
