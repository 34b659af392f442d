#include "core/text/AutocorrectRisk.h"

#include "core/text/GraphemeClusters.h"

#include <initializer_list>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace plumeo {

std::string_view rawValue(AutocorrectRisk risk) {
    switch (risk) {
    case AutocorrectRisk::straightQuotes:
        return "含直引号 \" 或 '，Word 可能替换为弯引号";
    case AutocorrectRisk::doubleHyphen:
        return "含 -- 或「空格-空格」，Word 可能替换为破折号";
    case AutocorrectRisk::symbolSequence:
        return "含 (c)、(r)、(tm)、-> 等组合，Word 可能替换为符号";
    case AutocorrectRisk::fraction:
        return "含 1/2、1/4、3/4，Word 可能替换为分数字符";
    case AutocorrectRisk::listMarker:
        return "有段落以「1. 」「- 」「* 」等开头，Word 可能转换为自动列表";
    case AutocorrectRisk::lowercaseSentenceStart:
        return "有英文句子以小写字母开头，Word 可能自动改为大写";
    case AutocorrectRisk::ellipsis:
        return "含三个连续句点，Word 可能替换为省略号";
    case AutocorrectRisk::urlLike:
        return "含网址，Word 可能自动转为超链接（文字通常不变）";
    }
    return {};
}

std::optional<AutocorrectRisk> autocorrectRiskFromRawValue(std::string_view raw) {
    for (const AutocorrectRisk risk : allAutocorrectRisks) {
        if (rawValue(risk) == raw)
            return risk;
    }
    return std::nullopt;
}

std::string settingLabel(AutocorrectRisk risk) {
    switch (risk) {
    case AutocorrectRisk::straightQuotes:
        return "直引号替换为弯引号";
    case AutocorrectRisk::doubleHyphen:
        return "符号替换（如 -- → —）";
    case AutocorrectRisk::symbolSequence:
    case AutocorrectRisk::ellipsis:
        // Both come from Word's list of AutoCorrect entries.
        return "键入时自动替换（自动更正词条）";
    case AutocorrectRisk::fraction:
        return "分数替换为分数字符";
    case AutocorrectRisk::listMarker:
        return "自动编号列表";
    case AutocorrectRisk::lowercaseSentenceStart:
        return "句首字母大写";
    case AutocorrectRisk::urlLike:
        return "网址替换为超链接";
    }
    return {};
}

namespace {

bool containsAny(std::u16string_view text, std::initializer_list<std::u16string_view> needles) {
    for (const std::u16string_view needle : needles) {
        if (text.find(needle) != std::u16string_view::npos)
            return true;
    }
    return false;
}

std::u16string lowerCased(std::u16string_view text) {
    icu::UnicodeString lowered(text.data(), static_cast<int32_t>(text.size()));
    lowered.toLower(icu::Locale::getRoot());
    return std::u16string(lowered.getBuffer(), static_cast<std::size_t>(lowered.length()));
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

/// Calls `visit` with each line; lines end at LF, CR and U+2029, not at manual line breaks.
template <typename Visit> bool anyLine(std::u16string_view text, Visit visit) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find_first_of(u"\n\r\u2029", start);
        const std::size_t stop = end == std::u16string_view::npos ? text.size() : end;
        if (visit(text.substr(start, stop - start)))
            return true;
        start = stop + 1;
    }
    return false;
}

bool startsWithListMarker(std::u16string_view line) {
    const std::size_t first = line.find_first_not_of(u' ');
    if (first == std::u16string_view::npos)
        return false;
    line.remove_prefix(first);
    for (const std::u16string_view bullet : {u"- ", u"* ", u"> ", u"\u2022 "}) {
        if (line.starts_with(bullet))
            return true;
    }
    std::size_t digits = 0;
    while (digits < line.size() && isDigit(line[digits]))
        ++digits;
    if (digits < 1 || digits > 3 || digits + 2 > line.size())
        return false;
    const char16_t closer = line[digits];
    const char16_t gap = line[digits + 1];
    return (closer == u'.' || closer == u')') && (gap == u' ' || gap == u'\t');
}

/// Tells whether a full stop, space or ASCII letter stands as a character of its own or is part
/// of a larger grapheme cluster (a letter carrying a mark, a joiner or an emoji modifier).
class CharacterTest {
public:
    explicit CharacterTest(std::u16string_view text) : text_(text) {}

    /// Only for a code unit of the kinds above.
    bool standsAlone(std::size_t i) {
        // Nothing below U+0300 joins such a character to its neighbours, so ICU is asked only
        // next to marks, joiners, modifiers and other scripts.
        const bool plainBefore = i == 0 || text_[i - 1] < 0x300;
        const bool plainAfter = i + 1 == text_.size() || text_[i + 1] < 0x300;
        if (plainBefore && plainAfter)
            return true;
        if (!clusters_)
            clusters_.emplace(text_);
        return clusters_->isBoundary(i) && clusters_->isBoundary(i + 1);
    }

private:
    std::u16string_view text_;
    std::optional<GraphemeClusters> clusters_;
};

/// The sentence automaton runs over characters (grapheme clusters): a code unit that is only
/// part of one counts as some other character, which is the same as seeing the cluster once.
bool hasLowercaseSentenceStart(std::u16string_view line, std::size_t lineStart,
                               CharacterTest& characters) {
    enum class State { sentenceStart, afterPunctuation, insideSentence };
    State state = State::sentenceStart;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char16_t c = line[i];
        const bool looked = c == u'.' || c == u'!' || c == u'?' ||
                            (state != State::insideSentence && (c == u' ' || (c >= u'a' && c <= u'z')));
        if (looked && !characters.standsAlone(lineStart + i))
            c = u'\0';
        if (c == u'.' || c == u'!' || c == u'?') {
            state = State::afterPunctuation;
            continue;
        }
        switch (state) {
        case State::sentenceStart:
            if (c == u' ')
                break;
            if (c >= u'a' && c <= u'z')
                return true;
            state = State::insideSentence;
            break;
        case State::afterPunctuation:
            // 3.14 and e.g. do not open a sentence: only a space after the mark does.
            state = c == u' ' ? State::sentenceStart : State::insideSentence;
            break;
        case State::insideSentence:
            break;
        }
    }
    return false;
}

} // namespace

std::vector<AutocorrectRisk> analyzeAutocorrectRisks(std::u16string_view text) {
    std::vector<AutocorrectRisk> risks;
    if (text.empty())
        return risks;
    const std::u16string lower = lowerCased(text);
    auto check = [&risks](AutocorrectRisk risk, bool holds) {
        if (holds)
            risks.push_back(risk);
    };
    check(AutocorrectRisk::straightQuotes, containsAny(text, {u"\"", u"'"}));
    check(AutocorrectRisk::doubleHyphen, containsAny(text, {u"--", u" - "}));
    check(AutocorrectRisk::symbolSequence,
          containsAny(lower, {u"(c)", u"(r)", u"(tm)", u"->", u"<-", u"=>", u":)"}));
    check(AutocorrectRisk::fraction, containsAny(text, {u"1/2", u"1/4", u"3/4"}));
    check(AutocorrectRisk::listMarker, anyLine(text, startsWithListMarker));
    CharacterTest characters(text);
    check(AutocorrectRisk::lowercaseSentenceStart, anyLine(text, [&](std::u16string_view line) {
              return hasLowercaseSentenceStart(
                  line, static_cast<std::size_t>(line.data() - text.data()), characters);
          }));
    check(AutocorrectRisk::ellipsis, containsAny(text, {u"..."}));
    check(AutocorrectRisk::urlLike, containsAny(lower, {u"http://", u"https://", u"www."}));
    return risks;
}

} // namespace plumeo
