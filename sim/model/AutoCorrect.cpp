#include "sim/model/AutoCorrect.h"

#include <array>

namespace plumeo::sim {

namespace {

bool isSpaceLike(char16_t unit) {
    return unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\v';
}

bool isSentenceEnd(char16_t unit) {
    return unit == u'.' || unit == u'!' || unit == u'?';
}
bool isLower(char16_t unit) {
    return unit >= u'a' && unit <= u'z';
}
bool isUpper(char16_t unit) {
    return unit >= u'A' && unit <= u'Z';
}
char16_t toLower(char16_t unit) {
    return isUpper(unit) ? unit - u'A' + u'a' : unit;
}

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (toLower(a[i]) != toLower(b[i])) {
            return false;
        }
    }
    return true;
}

struct Entry {
    std::u16string_view typed;
    std::u16string_view replacement;
};

// Entries that end in punctuation fire on that punctuation itself; the others wait for the
// space after them, as Word's AutoCorrect list does.
constexpr std::array<Entry, 5> punctuationEntries{{
    {u"(c)", u"\u00A9"},
    {u"(r)", u"\u00AE"},
    {u"(tm)", u"\u2122"},
    {u":)", u"\u263A"},
    {u"...", u"\u2026"},
}};
constexpr std::array<Entry, 5> spaceEntries{{
    {u"-->", u"\u2192"},
    {u"<--", u"\u2190"},
    {u"->", u"\u2192"},
    {u"<-", u"\u2190"},
    {u"=>", u"\u21D2"},
}};
constexpr std::array<Entry, 3> fractions{{
    {u"1/2", u"\u00BD"},
    {u"1/4", u"\u00BC"},
    {u"3/4", u"\u00BE"},
}};

/// The word that the boundary at `boundary` closes: [start, boundary).
int wordStart(const std::u16string& text, int boundary) {
    int start = boundary;
    while (start > 0 && !isSpaceLike(text[start - 1])) {
        --start;
    }
    return start;
}

void replace(std::u16string& text, int& cursor, int from, int to, std::u16string_view with) {
    text.replace(from, to - from, with);
    const int delta = static_cast<int>(with.size()) - (to - from);
    if (cursor >= to) {
        cursor += delta;
    } else if (cursor > from) {
        cursor = from + static_cast<int>(with.size());
    }
}

bool isListMarker(std::u16string_view marker, const AutoCorrectOptions& options) {
    if (marker == u"*" || marker == u"-" || marker == u">") {
        return options.applyBulletedLists;
    }
    if (marker.size() < 2 || marker.size() > 4) {
        return false;
    }
    const char16_t last = marker.back();
    if (last != u'.' && last != u')') {
        return false;
    }
    for (std::size_t i = 0; i + 1 < marker.size(); ++i) {
        if (marker[i] < u'0' || marker[i] > u'9') {
            return false;
        }
    }
    return options.applyNumberedLists;
}

bool atSentenceStart(const std::u16string& text, int start) {
    int at = start;
    bool skippedSpace = false;
    while (at > 0 && text[at - 1] == u' ') {
        --at;
        skippedSpace = true;
    }
    if (at == 0) {
        return true;
    }
    const char16_t before = text[at - 1];
    if (before == u'\r' || before == u'\v' || before == u'\t') {
        return true;
    }
    return skippedSpace && isSentenceEnd(before);
}

} // namespace

std::vector<std::pair<std::string, bool>> AutoCorrectOptions::named() const {
    return {
        {"correctSentenceCaps", correctSentenceCaps},
        {"correctInitialCaps", correctInitialCaps},
        {"replaceText", replaceText},
        {"replaceQuotes", replaceQuotes},
        {"replaceSymbols", replaceSymbols},
        {"replaceOrdinals", replaceOrdinals},
        {"replaceFractions", replaceFractions},
        {"applyNumberedLists", applyNumberedLists},
        {"applyBulletedLists", applyBulletedLists},
        {"replaceHyperlinks", replaceHyperlinks},
        {"replacePlainTextEmphasis", replacePlainTextEmphasis},
    };
}

bool AutoCorrectOptions::set(std::string_view name, bool on) {
    bool* fields[] = {&correctSentenceCaps, &correctInitialCaps,      &replaceText,
                      &replaceQuotes,       &replaceSymbols,          &replaceOrdinals,
                      &replaceFractions,    &applyNumberedLists,      &applyBulletedLists,
                      &replaceHyperlinks,   &replacePlainTextEmphasis};
    const auto names = named();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i].first == name) {
            *fields[i] = on;
            return true;
        }
    }
    return false;
}

AutoCorrectOptions AutoCorrectOptions::allOff() {
    AutoCorrectOptions options;
    for (const auto& [name, on] : options.named()) {
        options.set(name, false);
    }
    return options;
}

bool isWordBoundary(char16_t unit) {
    switch (unit) {
    case u' ':
    case u'\t':
    case u'\r':
    case u'\v':
    case u'.':
    case u',':
    case u';':
    case u':':
    case u'!':
    case u'?':
    case u')':
        return true;
    default:
        return false;
    }
}

char16_t quoteAsTyped(const std::u16string& text, int cursor, char16_t typed,
                      const AutoCorrectOptions& options) {
    if (!options.replaceQuotes || (typed != u'"' && typed != u'\'')) {
        return typed;
    }
    bool opening = cursor <= 0;
    if (!opening) {
        const char16_t before = text[cursor - 1];
        opening = isSpaceLike(before) || before == u'(' || before == u'[' || before == u'{' ||
                  before == u'\u201C' || before == u'\u2018' || before == u'\u2014' ||
                  before == u'\u2013';
    }
    if (typed == u'"') {
        return opening ? u'\u201C' : u'\u201D';
    }
    return opening ? u'\u2018' : u'\u2019';
}

bool applyAfterBoundary(std::u16string& text, int& cursor, const AutoCorrectOptions& options) {
    if (cursor <= 0 || cursor > static_cast<int>(text.size())) {
        return false;
    }
    int boundary = cursor - 1;
    const char16_t typed = text[boundary];
    if (!isWordBoundary(typed)) {
        return false;
    }
    const bool spaceTyped = isSpaceLike(typed);
    bool changed = false;
    int start = wordStart(text, boundary);
    auto word = [&] { return std::u16string_view(text).substr(start, boundary - start); };

    // A list marker alone at the start of a paragraph becomes list formatting: its characters
    // leave the story text.
    if (typed == u' ' || typed == u'\t') {
        const auto paragraphStart = text.rfind(u'\r', boundary == 0 ? 0 : boundary - 1);
        const int paragraph =
            (paragraphStart == std::u16string::npos || boundary == 0) ? 0 : int(paragraphStart) + 1;
        if (start == paragraph && boundary > start && isListMarker(word(), options)) {
            replace(text, cursor, start, boundary + 1, u"");
            return true;
        }
    }

    if (options.replaceText && !spaceTyped) {
        const auto withTyped = std::u16string_view(text).substr(start, boundary + 1 - start);
        for (const auto& entry : punctuationEntries) {
            const bool whole = equalsIgnoringCase(withTyped, entry.typed);
            const bool suffix = entry.typed == u"..." && withTyped.size() > entry.typed.size() &&
                                withTyped.substr(withTyped.size() - 3) == u"...";
            if (whole || suffix) {
                const int from = boundary + 1 - static_cast<int>(entry.typed.size());
                replace(text, cursor, from, boundary + 1, entry.replacement);
                return true;
            }
        }
    }
    if (options.replaceText && spaceTyped) {
        for (const auto& entry : spaceEntries) {
            if (word() == entry.typed) {
                replace(text, cursor, start, boundary, entry.replacement);
                boundary = cursor - 1;
                changed = true;
                break;
            }
        }
    }
    if (options.replaceFractions && typed != u'/') {
        for (const auto& entry : fractions) {
            if (word() == entry.typed) {
                replace(text, cursor, start, boundary, entry.replacement);
                boundary = cursor - 1;
                changed = true;
                break;
            }
        }
    }
    if (options.replaceSymbols && spaceTyped) {
        const auto current = word();
        const auto dashes = current.find(u"--");
        if (dashes != std::u16string_view::npos && dashes > 0 && dashes + 2 < current.size() &&
            current[dashes - 1] != u'-' && current[dashes + 2] != u'-') {
            replace(text, cursor, start + int(dashes), start + int(dashes) + 2, u"\u2014");
            boundary = cursor - 1;
            changed = true;
        } else if (!current.empty() && start >= 4 && text[start - 1] == u' ' &&
                   text[start - 2] == u'-' && text[start - 3] == u' ' &&
                   !isSpaceLike(text[start - 4])) {
            text[start - 2] = u'\u2013';
            changed = true;
        }
    }

    // Capitals look at the word without the punctuation that closed it.
    std::u16string_view current = word();
    while (!current.empty() && isWordBoundary(current.back())) {
        current.remove_suffix(1);
    }
    if (options.correctInitialCaps && current.size() >= 3 && isUpper(current[0]) &&
        isUpper(current[1]) && isLower(current[2])) {
        bool restLower = true;
        for (std::size_t i = 3; i < current.size(); ++i) {
            restLower = restLower && !isUpper(current[i]);
        }
        if (restLower) {
            text[start + 1] = toLower(text[start + 1]);
            changed = true;
        }
    }
    if (options.correctSentenceCaps && !current.empty() && isLower(current[0]) &&
        atSentenceStart(text, start)) {
        text[start] = text[start] - u'a' + u'A';
        changed = true;
    }
    if (options.replacePlainTextEmphasis && current.size() >= 3 &&
        ((current.front() == u'*' && current.back() == u'*') ||
         (current.front() == u'_' && current.back() == u'_'))) {
        const int last = start + static_cast<int>(current.size()) - 1;
        replace(text, cursor, last, last + 1, u"");
        replace(text, cursor, start, start + 1, u"");
        changed = true;
    }
    return changed;
}

} // namespace plumeo::sim
