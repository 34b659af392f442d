#include "core/text/GraphemeClusters.h"

#include <stdexcept>
#include <string>

namespace plumeo {

GraphemeClusters::GraphemeClusters(std::u16string_view text) : text_(text) {
    UErrorCode status = U_ZERO_ERROR;
    // Aliases the text: no copy, however long the article.
    utext_.reset(
        utext_openUChars(nullptr, text.data(), static_cast<std::int64_t>(text.size()), &status));
    iterator_.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_SUCCESS(status))
        iterator_->setText(utext_.get(), status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("ICU grapheme segmentation unavailable: ") +
                                 u_errorName(status));
    start_ = iterator_->first();
}

} // namespace plumeo
