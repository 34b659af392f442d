#pragma once

#include "core/text/PreparedText.h"
#include "core/verify/DocumentAnchor.h"

#include <string>

namespace plumeo {

// The engine's idea of the document is anchor.before + units [anchor.baseUnit, upTo) +
// anchor.after. These helpers cut windows out of it without building the whole document,
// which may be long, at every checkpoint.

/// The slice [from, to) of the expected document with the units up to `upTo`, with the
/// clamping and surrogate rules of utf16Slice applied to the whole document.
std::u16string expectedSlice(const DocumentAnchor& anchor, const PreparedText& text, int upTo,
                             int from, int to);

/// The last `count` UTF-16 units of `text` (all of it when shorter).
std::u16string utf16Tail(const std::u16string& text, int count);

} // namespace plumeo
