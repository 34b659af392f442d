#include "sim/model/WordDocument.h"

#include "core/text/Utf16.h"

#include <algorithm>

namespace plumeo::sim {

WordDocument::WordDocument(std::string name) : name_(std::move(name)) {}

void WordDocument::setSelection(int start, int end) {
    const int last = storyLength() - 1;
    selectionStart_ = std::clamp(start, 0, last);
    selectionEnd_ = std::clamp(end, selectionStart_, last);
}

void WordDocument::setContent(std::u16string_view withoutFinalMark, int cursor) {
    story_.assign(withoutFinalMark);
    story_.push_back(u'\r');
    setSelection(cursor, cursor);
}

void WordDocument::removeSelection() {
    if (selectionEnd_ > selectionStart_) {
        story_.erase(selectionStart_, selectionEnd_ - selectionStart_);
        noteRevision(selectionStart_);
    }
    selectionEnd_ = selectionStart_;
}

void WordDocument::noteRevision(int at) {
    // With tracking on, every edit that does not continue the previous one starts a revision.
    if (!trackRevisions_) {
        return;
    }
    if (at != revisionEnd_) {
        ++revisionCount_;
    }
}

bool WordDocument::typeText(std::u16string_view text, const AutoCorrectOptions& options) {
    if (isProtected() || text.empty()) {
        return false;
    }
    removeSelection();
    int cursor = selectionStart_;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t width =
            (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) ? 2
                                                                                             : 1;
        std::u16string piece(text.substr(i, width));
        i += width;
        if (width == 1) {
            piece[0] = quoteAsTyped(story_, cursor, piece[0], options);
        }
        noteRevision(cursor);
        story_.insert(cursor, piece);
        cursor += static_cast<int>(width);
        if (width == 1 && isWordBoundary(piece[0])) {
            applyAfterBoundary(story_, cursor, options);
        }
        revisionEnd_ = cursor;
    }
    selectionStart_ = selectionEnd_ = cursor;
    return true;
}

bool WordDocument::deleteBackward() {
    if (isProtected()) {
        return false;
    }
    if (selectionEnd_ > selectionStart_) {
        removeSelection();
        return true;
    }
    if (selectionStart_ == 0) {
        return false;
    }
    int from = selectionStart_ - 1;
    if (from > 0 && isLowSurrogate(story_[from]) && isHighSurrogate(story_[from - 1])) {
        --from;
    }
    story_.erase(from, selectionStart_ - from);
    selectionStart_ = selectionEnd_ = from;
    noteRevision(from);
    revisionEnd_ = from;
    return true;
}

void WordDocument::moveCursor(int direction) {
    int at = direction < 0 ? selectionStart_ : selectionEnd_;
    if (direction < 0 && at > 0) {
        at -= (at > 1 && isLowSurrogate(story_[at - 1]) && isHighSurrogate(story_[at - 2])) ? 2 : 1;
    } else if (direction > 0 && at < storyLength() - 1) {
        at += (isHighSurrogate(story_[at]) && isLowSurrogate(story_[at + 1])) ? 2 : 1;
    }
    setSelection(at, at);
}

} // namespace plumeo::sim
