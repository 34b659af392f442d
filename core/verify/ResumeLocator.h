#pragma once

#include "core/text/PreparedText.h"
#include "core/verify/DocumentAnchor.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo {

/// One hypothesis of how far typing got before an interruption.
struct ResumeCandidate {
    int units = 0;              ///< Article units in the document: the next unit to type.
    std::u16string pendingTypo; ///< A typo that may still stand after those units, or empty.

    bool operator==(const ResumeCandidate&) const = default;
};

/// Where typing continues after an interruption, if that can be said without guessing.
struct LocateResult {
    enum class Kind {
        /// The whole document is the expected document for the candidate.
        exact,
        /// The typed text with its context occurs exactly once; something changed elsewhere.
        uniqueContext,
        /// The pre-existing text is intact at both ends of the document and the region between
        /// ends like the typed text.
        anchoredRegion,
        /// The context occurs `count` times in total.
        ambiguous,
        notFound,
    };

    Kind kind = Kind::notFound;
    ResumeCandidate candidate; ///< exact, uniqueContext, anchoredRegion.
    int cursor = 0;            ///< exact, uniqueContext, anchoredRegion: where typing continues.
    DocumentAnchor newAnchor;  ///< uniqueContext, anchoredRegion.
    bool altered = false;      ///< anchoredRegion: the region differs from the typed text.
    int count = 0;             ///< ambiguous.

    static LocateResult exact(ResumeCandidate candidate, int cursor);
    static LocateResult uniqueContext(ResumeCandidate candidate, int cursor,
                                      DocumentAnchor newAnchor);
    static LocateResult anchoredRegion(ResumeCandidate candidate, int cursor,
                                       DocumentAnchor newAnchor, bool altered);
    static LocateResult ambiguous(int count);
    static LocateResult notFound();

    bool operator==(const LocateResult&) const = default;
};

/// A cursor position the user chose that checks out: the candidate it continues and the
/// anchor to continue with.
struct ValidatedCursor {
    ResumeCandidate candidate;
    DocumentAnchor anchor;

    bool operator==(const ValidatedCursor&) const = default;
};

/// Finds the continuation point in a document read back after an interruption. Pure; answers
/// with a position only when it is unique. Nothing throws: an anchor or candidate that does not
/// fit the text or the document gives no position rather than a guess.
namespace ResumeLocator {

/// UTF-16 units of pre-existing context taken on each side by `locate`.
inline constexpr int contextLength = 48;
/// UTF-16 units of pre-existing context taken on each side by `validateCursor`.
inline constexpr int cursorContextLength = 32;
/// Occurrences of one context looked for before the search stops.
inline constexpr int occurrenceLimit = 17;
/// Trailing UTF-16 units that must agree when a region is aligned with the typed text.
inline constexpr int tailMatchLength = 8;

/// Tries, in order: the whole document for each candidate (the first match wins), the typed
/// text with its context anywhere in the document, and the region between the intact
/// pre-existing texts. Candidates whose unit count lies outside anchor.baseUnit...text.count()
/// are skipped.
LocateResult locate(std::u16string_view document, const DocumentAnchor& anchor,
                    const PreparedText& text, const std::vector<ResumeCandidate>& candidates);

/// Whether the user's cursor is a unique, consistent continuation point: the pre-existing
/// after-text starts there and exactly one candidate's typed text, after the pre-existing
/// before-text, ends there. Only real evidence counts: an empty context never matches, and a
/// before-text shorter than the context window must reach back to the document's start.
std::optional<ValidatedCursor> validateCursor(std::u16string_view document, int cursor,
                                              const DocumentAnchor& anchor,
                                              const PreparedText& text,
                                              const std::vector<ResumeCandidate>& candidates);

/// The one candidate unit count whose typed text, units [base, c), the region ends with: the
/// whole typed text, or at least `minMatch` trailing UTF-16 units of it. Candidates outside
/// base...text.count() are ignored; an empty typed text matches only an empty region.
std::optional<int> alignTail(std::u16string_view region, const PreparedText& text, int base,
                             const std::vector<int>& candidates, int minMatch);

} // namespace ResumeLocator

} // namespace plumeo
