#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo::sim {

/// Word's AutoCorrect and AutoFormat-as-you-type switches, in the order in which the word
/// handler library reports them. Defaults are Word's own.
struct AutoCorrectOptions {
    bool correctSentenceCaps = true;
    bool correctInitialCaps = true;
    bool replaceText = true;
    bool replaceQuotes = true;
    bool replaceSymbols = true;
    bool replaceOrdinals = true;
    bool replaceFractions = true;
    bool applyNumberedLists = true;
    bool applyBulletedLists = true;
    bool replaceHyperlinks = true;
    bool replacePlainTextEmphasis = false;

    /// All switches with their stable names, in report order.
    std::vector<std::pair<std::string, bool>> named() const;
    /// Sets the switch called `name`; false when there is no such switch.
    bool set(std::string_view name, bool on);
    static AutoCorrectOptions allOff();
};

/// The character Word stores for a straight quote typed at `cursor`: the opening or closing
/// curly form, or the quote itself when quote replacement is off or `typed` is no quote.
char16_t quoteAsTyped(const std::u16string& text, int cursor, char16_t typed,
                      const AutoCorrectOptions& options);

/// Applies the rules Word runs when a word-boundary character has just been inserted at
/// `cursor - 1`: AutoCorrect entries, fractions, dashes, sentence and initial capitals, list
/// markers and emphasis. Edits `text` and moves `cursor` with the replaced text. Returns
/// whether anything changed.
bool applyAfterBoundary(std::u16string& text, int& cursor, const AutoCorrectOptions& options);

/// Whether Word treats `unit` as ending a word.
bool isWordBoundary(char16_t unit);

} // namespace plumeo::sim
