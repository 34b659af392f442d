#pragma once

#include "core/text/PreparationError.h"
#include "core/text/PreparedText.h"

#include <string_view>

namespace plumeo::TextPreparer {

/// Cuts the article into typing units (grapheme clusters, paragraph breaks, line breaks and
/// tabs) with their key strokes, offsets and statistics. Nothing is trimmed or normalised.
/// Pure: the same article always gives the same result.
/// Throws PreparationError for an empty article, a control character other than tab and the
/// line and paragraph breaks, or an unpaired surrogate (which no key event can carry).
PreparedText prepare(std::u16string_view article);

} // namespace plumeo::TextPreparer
