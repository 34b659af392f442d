#pragma once

#include "core/text/PreparedText.h"
#include "core/verify/ContentComparator.h"

#include <string>
#include <string_view>

namespace plumeo {

/// The pre-existing text around the region a session writes into, and the article unit at
/// which that region begins. Lets the engine say what the whole document should hold after
/// any number of units without keeping a copy of the document itself.
struct DocumentAnchor {
    std::u16string before; ///< Document text before the region.
    std::u16string after;  ///< Document text after the region.
    int baseUnit = 0;      ///< The first article unit typed after `before`.
    /// Document position where this session's inserted text begins; at most before.size().
    int regionStart = 0;

    /// The anchor at the start of a session: the document split at the insertion point.
    /// An offset outside the content is clamped to it.
    static DocumentAnchor initial(std::u16string_view content, int insertionOffset);

    /// The document position just after unit `upTo` - 1. Unit indexes outside the text are
    /// clamped to it.
    int cursorOffset(int upTo, const PreparedText& text) const;

    /// before + the units [baseUnit, upTo) + extra + after. An `upTo` below baseUnit
    /// contributes no units.
    std::u16string expectedDocument(int upTo, std::u16string_view extra,
                                    const PreparedText& text) const;

    /// regionStart ..< cursorOffset(upTo); the upper bound never falls below the lower one.
    InsertionRange insertionRange(int upTo, const PreparedText& text) const;

    bool operator==(const DocumentAnchor&) const = default;
};

} // namespace plumeo
