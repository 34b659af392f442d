#include "platform/ax/WordDocumentReader.h"

#include "core/engine/ReadError.h"
#include "core/text/Utf16.h"
#include "core/verify/ContentComparator.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace plumeo {

WordDocumentReader::WordDocumentReader(std::shared_ptr<DocumentReader> scriptReader,
                                       std::shared_ptr<PlatformBackend> backend, std::int32_t pid)
    : scriptReader_(std::move(scriptReader)), ax_(std::move(backend), pid, busyBudgetSeconds),
      window_(ax_.focusedWindow()) {}

DocState WordDocumentReader::state() {
    return scriptReader_->state();
}

std::u16string WordDocumentReader::read(int start, int end) {
    // The Accessibility text may lack Word's final paragraph mark, so the element need only
    // hold all but the last position.
    const int need = std::max(end - 1, 0);
    auto body = boundBody(need);
    if (!body) {
        recordFallback(unavailableReason);
        return scriptReader_->read(start, end);
    }

    const int count = body->characterCount;
    std::u16string text;
    if (count > start) {
        auto part = rangeText(body->element, start, std::min(end, count) - start);
        if (!part) {
            recordFallback(unavailableReason);
            return scriptReader_->read(start, end);
        }
        text = std::move(*part);
    }
    // Text typed after the element last refreshed is still exact in the script's answer
    // unless it holds astral characters; the read as a whole still counts as faithful.
    if (count < end)
        text += scriptReader_->read(std::max(start, count), end);
    recordFaithful();
    return text;
}

std::u16string WordDocumentReader::readAll() {
    std::u16string script = scriptReader_->readAll();
    const int n = std::max(utf16Count(script) - 1, 0);

    auto body = findBody(n);
    std::optional<std::u16string> exact;
    if (body && body->characterCount == n)
        exact = rangeText(body->element, 0, n);
    if (!exact) {
        recordFallback(unavailableReason);
        return script;
    }

    // The final paragraph mark as Word's script gives it.
    std::u16string combined = std::move(*exact);
    combined += utf16Slice(script, n, utf16Count(script));
    if (!ContentComparator::scriptPlaceholderMatch(combined, script)) {
        // Whatever element this was, its text is not the body's now.
        unbind(body->element);
        recordFallback(disagreementReason);
        return script;
    }
    // Its whole text is the main story's: from now on ranged reads may come from it.
    bind(body->element);
    recordFaithful();
    return combined;
}

bool WordDocumentReader::readsAreFaithful() const {
    std::lock_guard lock(mutex_);
    return lastReadFaithful_;
}

std::optional<std::string> WordDocumentReader::fallbackReason() const {
    std::lock_guard lock(mutex_);
    if (lastReadFaithful_)
        return std::nullopt;
    return reason_;
}

std::optional<WordDocumentReader::BodyElement> WordDocumentReader::boundBody(int need) {
    if (auto cached = usableBoundBody(need))
        return cached;
    // Word re-creates its text view now and then. The focused element replaces the bound one
    // only when it is in the target's window and Word's script puts the insertion point of
    // the main story exactly where that element has its cursor: a header, footnote or
    // comment pane fails that test, whatever text it holds.
    auto focused = ax_.focusedElement();
    if (!focused || !window_)
        return std::nullopt;
    auto count = ax_.characterCount(*focused);
    if (!count || *count < need || !isInWindow(*focused))
        return std::nullopt;
    const std::string role = ax_.role(*focused);
    std::optional<std::int64_t> axCursor;
    if (role == AXNames::textAreaRole) {
        auto selection = ax_.selectedRange(*focused);
        if (selection && selection->length == 0)
            axCursor = selection->location;
    } else if (role == AXNames::scrollAreaRole && *count == 0) {
        axCursor = 0; // an empty document's body
    }
    if (!axCursor)
        return std::nullopt;
    DocState state;
    try {
        state = scriptReader_->state();
    } catch (const ReadError&) {
        return std::nullopt; // the range read that follows reports the script's trouble
    }
    if (!state.inMainStory || state.selectionStart != state.selectionEnd ||
        state.selectionStart != *axCursor)
        return std::nullopt;
    bind(*focused);
    return BodyElement{*focused, *count};
}

std::optional<WordDocumentReader::BodyElement> WordDocumentReader::usableBoundBody(int need) {
    std::optional<AXElementRef> cached;
    {
        std::lock_guard lock(mutex_);
        cached = element_;
    }
    if (!cached || !isBodyCandidate(*cached))
        return std::nullopt;
    auto count = ax_.characterCount(*cached);
    if (!count || *count < need)
        return std::nullopt;
    return BodyElement{*cached, *count};
}

std::optional<WordDocumentReader::BodyElement> WordDocumentReader::findBody(int need) {
    if (auto cached = usableBoundBody(need))
        return cached;
    // Only candidates: readAll binds one once its whole text agrees with the script's.
    if (auto focused = ax_.focusedElement();
        focused && window_ && isBodyCandidate(*focused) && isInWindow(*focused)) {
        auto count = ax_.characterCount(*focused);
        if (count && *count >= need)
            return BodyElement{*focused, *count};
    }
    if (!window_)
        return std::nullopt;
    return searchWindow(*window_, need);
}

std::optional<WordDocumentReader::BodyElement>
WordDocumentReader::searchWindow(const AXElementRef& window, int need) {
    // Depth first, children in their Accessibility order.
    std::vector<std::pair<AXElementRef, int>> pending{{window, 0}};
    int visited = 0;
    while (!pending.empty() && visited < maxSearchVisits) {
        auto [element, depth] = std::move(pending.back());
        pending.pop_back();
        ++visited;

        const std::string role = ax_.role(element);
        if (role == AXNames::textAreaRole || role == AXNames::scrollAreaRole) {
            auto count = ax_.characterCount(element);
            const bool holdsEnough = count && *count >= need;
            // An empty document's body is a scroll area; a filled one is a text area inside it.
            if (holdsEnough && (role == AXNames::textAreaRole || need == 0))
                return BodyElement{element, *count};
        }
        if (depth >= maxSearchDepth)
            continue;
        auto children = ax_.copyElementList(element, AXNames::children);
        if (!children)
            continue;
        for (auto child = children->rbegin(); child != children->rend(); ++child)
            pending.emplace_back(std::move(*child), depth + 1);
    }
    return std::nullopt;
}

bool WordDocumentReader::isBodyCandidate(const AXElementRef& element) const {
    const std::string role = ax_.role(element);
    return role == AXNames::textAreaRole || role == AXNames::scrollAreaRole;
}

std::optional<std::u16string> WordDocumentReader::rangeText(const AXElementRef& element,
                                                            int location, int length) const {
    if (length < 0)
        return std::nullopt;
    if (length == 0)
        return std::u16string();
    // A busy Word is asked again for a while; any other failure means a fallback at once.
    auto text = axString(ax_.copyParameterizedResult(
        element, AXNames::stringForRange, AXTextRange{location, length}, busyBudgetSeconds));
    // A surrogate pair cut at either end comes back shorter than asked: not exact.
    if (!text || utf16Count(*text) != length)
        return std::nullopt;
    // Word's paragraph mark is a carriage return; Accessibility shows it as a line feed.
    std::replace(text->begin(), text->end(), u'\n', u'\r');
    return text;
}

bool WordDocumentReader::isInWindow(const AXElementRef& element) const {
    auto elementWindow = ax_.window(element);
    return elementWindow && window_ && ax_.isSameElement(*elementWindow, *window_);
}

void WordDocumentReader::bind(const AXElementRef& element) {
    {
        std::lock_guard lock(mutex_);
        if (element_ && ax_.isSameElement(*element_, element))
            return;
    }
    ax_.backend().axSetMessagingTimeout(element, bodyTimeoutSeconds);
    std::lock_guard lock(mutex_);
    element_ = element;
}

void WordDocumentReader::unbind(const AXElementRef& element) {
    std::optional<AXElementRef> cached;
    {
        std::lock_guard lock(mutex_);
        cached = element_;
    }
    if (!cached || !ax_.isSameElement(*cached, element))
        return;
    std::lock_guard lock(mutex_);
    element_.reset();
}

void WordDocumentReader::recordFaithful() {
    std::lock_guard lock(mutex_);
    lastReadFaithful_ = true;
}

void WordDocumentReader::recordFallback(const char* reason) {
    std::lock_guard lock(mutex_);
    lastReadFaithful_ = false;
    reason_ = reason;
}

} // namespace plumeo
