// Article preparation on arbitrary UTF-16: either a typed PreparationError or a prepared text
// whose units, offsets, chunks and statistics agree with each other and with the article.
// A prepared text is then planned: durations from kept draws must equal the built plan's sum.

#include "core/text/Planner.h"
#include "core/text/TextPreparer.h"
#include "core/text/Utf16.h"
#include "fuzz/FuzzInput.h"

#include <algorithm>
#include <unicode/uchar.h>
#include <vector>

using namespace plumeo;

namespace {

bool isRejectedControl(char16_t unit) {
    const bool control = unit <= 0x1F || (unit >= 0x7F && unit <= 0x9F);
    return control && unit != u'\t' && unit != u'\n' && unit != u'\r' && unit != u'\v';
}

bool hasUnpairedSurrogate(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            ++i;
        } else if (isSurrogate(text[i])) {
            return true;
        }
    }
    return false;
}

/// What the article leaves in the document: every paragraph break becomes CR and every line
/// break VT, the rest is typed as it stands.
std::u16string documentText(std::u16string_view article) {
    std::u16string out;
    for (std::size_t i = 0; i < article.size(); ++i) {
        const char16_t unit = article[i];
        if (unit == u'\r' && i + 1 < article.size() && article[i + 1] == u'\n') {
            out.push_back(u'\r');
            ++i;
        } else if (unit == u'\n' || unit == 0x2029) {
            out.push_back(u'\r');
        } else if (unit == 0x2028) {
            out.push_back(u'\v');
        } else {
            out.push_back(unit);
        }
    }
    return out;
}

bool isCjkIdeograph(char32_t scalar) {
    return (scalar >= 0x4E00 && scalar <= 0x9FFF) || (scalar >= 0x3400 && scalar <= 0x4DBF) ||
           (scalar >= 0x20000 && scalar <= 0x2A6DF) || (scalar >= 0x2A700 && scalar <= 0x2EBEF) ||
           (scalar >= 0xF900 && scalar <= 0xFAFF) || (scalar >= 0x30000 && scalar <= 0x3134F);
}

std::vector<char32_t> scalars(std::u16string_view text) {
    std::vector<char32_t> result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            result.push_back(0x10000 + ((text[i] - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            result.push_back(text[i]);
        }
    }
    return result;
}

/// The statistics counted again from the units: CJK units, Latin words (judged by each
/// unit's first scalar) and paragraphs without text.
TextStats countedStats(const PreparedText& text) {
    TextStats stats;
    stats.paragraphs = 1;
    bool paragraphHasText = false;
    bool inWord = false;
    for (const TypeUnit& unit : text.units) {
        if (unit.kind == UnitKind::paragraphBreak) {
            stats.emptyParagraphs += !paragraphHasText;
            ++stats.paragraphs;
            paragraphHasText = false;
        }
        if (unit.kind != UnitKind::text) {
            inWord = false;
            continue;
        }
        paragraphHasText = true;
        const std::vector<char32_t> all = scalars(unit.wordText);
        stats.cjkCharacters += std::any_of(all.begin(), all.end(), isCjkIdeograph);
        const char32_t first = all.front();
        if (first < 0x250 && u_hasBinaryProperty(first, UCHAR_ALPHABETIC)) {
            stats.latinWords += !inWord;
            inWord = true;
        } else {
            inWord = inWord && (first == U'\'' || first == U'-' ||
                                u_getIntPropertyValue(first, UCHAR_NUMERIC_TYPE) != U_NT_NONE);
        }
    }
    stats.emptyParagraphs += !paragraphHasText;
    return stats;
}

void checkPrepared(std::u16string_view article, const PreparedText& text) {
    FUZZ_CHECK(text.offsets.size() == text.units.size() + 1);
    FUZZ_CHECK(text.offsets.front() == 0);
    int paragraphBreaks = 0;
    int textUnits = 0;
    for (int i = 0; i < text.count(); ++i) {
        const TypeUnit& unit = text.units[static_cast<std::size_t>(i)];
        FUZZ_CHECK(text.offsets[i + 1] > text.offsets[i]);
        FUZZ_CHECK(text.offsets[i + 1] - text.offsets[i] == unit.wordLength());
        FUZZ_CHECK(text.unitCountEndingAtOffset(text.offsets[i]) == i);
        if (unit.kind != UnitKind::text) {
            FUZZ_CHECK(unit.wordLength() == 1 && unit.eventChunks().empty());
            FUZZ_CHECK(unit.strokes().size() == 1);
            paragraphBreaks += unit.kind == UnitKind::paragraphBreak;
            continue;
        }
        ++textUnits;
        std::u16string joined;
        std::u16string stroked;
        for (const KeyStroke& stroke : unit.strokes())
            stroked += stroke.text;
        FUZZ_CHECK(stroked == unit.wordText);
        for (const std::u16string_view chunk : unit.eventChunks()) {
            FUZZ_CHECK(!chunk.empty());
            FUZZ_CHECK(chunk.size() <= static_cast<std::size_t>(KeyStroke::maxUnicodeLength));
            // A chunk boundary inside a surrogate pair would send half a character.
            FUZZ_CHECK(!isLowSurrogate(chunk.front()) && !isHighSurrogate(chunk.back()));
            joined += chunk;
        }
        FUZZ_CHECK(joined == unit.wordText);
        FUZZ_CHECK(unit.strokes().size() == unit.eventChunks().size());
    }
    // Falling inside the last unit or beyond the end is never a unit boundary.
    FUZZ_CHECK(!text.unitCountEndingAtOffset(text.totalWordLength() + 1));
    FUZZ_CHECK(!text.unitCountEndingAtOffset(-1));
    FUZZ_CHECK(text.unitCountEndingAtOffset(text.totalWordLength()) == text.count());

    const std::u16string full = text.fullWordString();
    FUZZ_CHECK(utf16Count(full) == text.totalWordLength());
    FUZZ_CHECK(full == documentText(article));
    FUZZ_CHECK(text.stats.units == text.count());
    FUZZ_CHECK(text.stats.wordUTF16Length == text.totalWordLength());
    FUZZ_CHECK(text.stats.graphemes == textUnits);
    FUZZ_CHECK(text.stats.paragraphs == paragraphBreaks + 1);
    const TextStats counted = countedStats(text);
    FUZZ_CHECK(text.stats.emptyParagraphs == counted.emptyParagraphs);
    FUZZ_CHECK(text.stats.cjkCharacters == counted.cjkCharacters);
    FUZZ_CHECK(text.stats.latinWords == counted.latinWords);
}

/// The speed search estimates durations without building plans; each estimate must be the
/// built plan's sum exactly, or the search could choose another speed than the plans justify.
void checkDurations(FuzzedDataProvider& data, const PreparedText& text) {
    const TypingMode mode = allTypingModes[data.ConsumeIntegralInRange<std::size_t>(0, 2)];
    const bool typos = data.ConsumeBool();
    ModeSettings settings =
        ModeSettings::make(mode, 200, typos, data.ConsumeFloatingPointInRange(0.0, 1.0));
    const auto seed = data.ConsumeIntegral<std::uint64_t>();
    const Planner::PlanDurations durations(text, settings, seed);
    for (int k = 0; k < 3; ++k) {
        settings.unitsPerMinute = data.ConsumeFloatingPointInRange(1.0, 8000.0);
        double totalMs = 0;
        for (const PlanStep& step : Planner::plan(text, settings, 0, seed))
            totalMs += step.delayAfterMs;
        FUZZ_CHECK(durations.seconds(settings.unitsPerMinute) == totalMs / 1000);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const bool raw = data.ConsumeBool();
    const std::u16string article = raw ? fuzz::consumeRawUtf16(data) : fuzz::consumeText(data, 400);

    bool mustFail = article.empty() || hasUnpairedSurrogate(article);
    for (char16_t unit : article)
        mustFail = mustFail || isRejectedControl(unit);

    try {
        const PreparedText text = TextPreparer::prepare(article);
        FUZZ_CHECK(!mustFail);
        checkPrepared(article, text);
        FUZZ_CHECK(TextPreparer::prepare(article) == text);
        checkDurations(data, text);
    } catch (const PreparationError& error) {
        FUZZ_CHECK(mustFail);
        FUZZ_CHECK(!error.description().empty());
    }
    return 0;
}
