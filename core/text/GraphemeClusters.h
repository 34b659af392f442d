#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <unicode/brkiter.h>
#include <unicode/utext.h>

namespace plumeo {

/// The user-perceived characters (ICU's extended grapheme clusters) of a UTF-16 text, in order.
/// Preparation and the autocorrect risk scan share this one segmentation, so what the scan
/// calls a character is exactly what is typed as one unit.
class GraphemeClusters {
public:
    /// The text must outlive the iteration. Throws std::runtime_error when ICU cannot segment.
    explicit GraphemeClusters(std::u16string_view text);

    /// Whether a cluster starts (or the text ends) at this UTF-16 offset. Moves the iteration
    /// there, so a caller uses either this or next().
    bool isBoundary(std::size_t offset) {
        return iterator_->isBoundary(static_cast<std::int32_t>(offset)) != 0;
    }

    /// The next cluster, or nothing after the last one.
    std::optional<std::u16string_view> next() {
        const std::int32_t end = iterator_->next();
        if (end == icu::BreakIterator::DONE)
            return std::nullopt;
        const std::u16string_view cluster = text_.substr(start_, end - start_);
        start_ = end;
        return cluster;
    }

private:
    struct UTextCloser {
        void operator()(UText* text) const { utext_close(text); }
    };

    std::u16string_view text_;
    std::unique_ptr<UText, UTextCloser> utext_;
    std::unique_ptr<icu::BreakIterator> iterator_;
    std::int32_t start_ = 0;
};

} // namespace plumeo
