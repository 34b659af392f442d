// The autocorrect risk scan on arbitrary UTF-16, checked against a plain restatement of its
// eight tests: each risk reported once, in declaration order, exactly when its test holds.

#include "core/text/AutocorrectRisk.h"
#include "fuzz/FuzzInput.h"

#include <algorithm>
#include <memory>
#include <unicode/brkiter.h>
#include <vector>

using namespace plumeo;

namespace {

bool contains(std::u16string_view text, std::u16string_view part) {
    return text.find(part) != std::u16string_view::npos;
}

bool containsAny(std::u16string_view text, std::initializer_list<std::u16string_view> parts) {
    return std::any_of(parts.begin(), parts.end(),
                       [&](std::u16string_view part) { return contains(text, part); });
}

// The patterns looked for after lower-casing hold only the letters c, h, m, p, r, s, t and w;
// no other character lower-cases to one of them, so ASCII lower-casing is enough here.
std::u16string asciiLower(std::u16string_view text) {
    std::u16string lower(text);
    for (char16_t& unit : lower) {
        if (unit >= u'A' && unit <= u'Z')
            unit = static_cast<char16_t>(unit - u'A' + u'a');
    }
    return lower;
}

std::vector<std::u16string_view> lines(std::u16string_view text) {
    std::vector<std::u16string_view> result;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u'\n' || text[i] == u'\r' || text[i] == 0x2029) {
            result.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return result;
}

bool isDigit(char16_t unit) {
    return unit >= u'0' && unit <= u'9';
}

bool startsWithListMarker(std::u16string_view line) {
    const std::size_t first = line.find_first_not_of(u' ');
    if (first == std::u16string_view::npos)
        return false;
    line.remove_prefix(first);
    for (std::u16string_view marker : {u"- ", u"* ", u"> ", u"\u2022 "}) {
        if (fuzz::isPrefixOf(marker, line))
            return true;
    }
    std::size_t digits = 0;
    while (digits < line.size() && isDigit(line[digits]))
        ++digits;
    return digits >= 1 && digits <= 3 && digits + 1 < line.size() &&
           (line[digits] == u'.' || line[digits] == u')') &&
           (line[digits + 1] == u' ' || line[digits + 1] == u'\t');
}

/// A code unit counts as the character it stands for only when it is a whole grapheme cluster:
/// a letter with a mark, a joiner or an emoji modifier on it is no plain lower-case letter.
bool hasLowercaseSentenceStart(std::u16string_view line, icu::BreakIterator& clusters,
                               std::size_t lineStart) {
    enum class State { sentenceStart, afterPunctuation, inside } state = State::sentenceStart;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto at = static_cast<std::int32_t>(lineStart + i);
        const char16_t unit =
            clusters.isBoundary(at) && clusters.isBoundary(at + 1) ? line[i] : u'\0';
        if (unit == u'.' || unit == u'!' || unit == u'?') {
            state = State::afterPunctuation;
        } else if (state == State::sentenceStart) {
            if (unit >= u'a' && unit <= u'z')
                return true;
            if (unit != u' ')
                state = State::inside;
        } else if (state == State::afterPunctuation) {
            state = unit == u' ' ? State::sentenceStart : State::inside;
        }
    }
    return false;
}

bool anyLowercaseSentenceStart(std::u16string_view text,
                               const std::vector<std::u16string_view>& split) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> clusters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    FUZZ_CHECK(U_SUCCESS(status));
    const icu::UnicodeString alias(false, text.data(), static_cast<std::int32_t>(text.size()));
    clusters->setText(alias);
    return std::any_of(split.begin(), split.end(), [&](std::u16string_view line) {
        return hasLowercaseSentenceStart(line, *clusters,
                                         static_cast<std::size_t>(line.data() - text.data()));
    });
}

std::vector<AutocorrectRisk> referenceRisks(std::u16string_view text) {
    const std::u16string lower = asciiLower(text);
    const std::vector<std::u16string_view> split = lines(text);
    const bool tests[] = {
        containsAny(text, {u"\"", u"'"}),
        containsAny(text, {u"--", u" - "}),
        containsAny(lower, {u"(c)", u"(r)", u"(tm)", u"->", u"<-", u"=>", u":)"}),
        containsAny(text, {u"1/2", u"1/4", u"3/4"}),
        std::any_of(split.begin(), split.end(), startsWithListMarker),
        anyLowercaseSentenceStart(text, split),
        contains(text, u"..."),
        containsAny(lower, {u"http://", u"https://", u"www."}),
    };
    std::vector<AutocorrectRisk> risks;
    for (std::size_t i = 0; i < allAutocorrectRisks.size(); ++i) {
        if (tests[i])
            risks.push_back(allAutocorrectRisks[i]);
    }
    return risks;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const bool raw = data.ConsumeBool();
    const std::u16string text = raw ? fuzz::consumeRawUtf16(data) : fuzz::consumeText(data, 300);

    const std::vector<AutocorrectRisk> risks = analyzeAutocorrectRisks(text);
    FUZZ_CHECK(std::is_sorted(risks.begin(), risks.end()));
    FUZZ_CHECK(std::adjacent_find(risks.begin(), risks.end()) == risks.end());
    if (risks != referenceRisks(text)) {
        fuzz::dumpText("text", text);
        for (AutocorrectRisk risk : risks)
            std::fprintf(stderr, "found %d\n", static_cast<int>(risk));
        for (AutocorrectRisk risk : referenceRisks(text))
            std::fprintf(stderr, "expected %d\n", static_cast<int>(risk));
        FUZZ_CHECK(risks == referenceRisks(text));
    }
    for (AutocorrectRisk risk : risks) {
        FUZZ_CHECK(autocorrectRiskFromRawValue(rawValue(risk)) == risk);
        FUZZ_CHECK(!settingLabel(risk).empty());
    }
    return 0;
}
