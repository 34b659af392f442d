#pragma once

#include "core/text/PreparedText.h"
#include "core/text/Utf16.h"
#include "core/verify/ResumeLocator.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace plumeo {

// Readable failure messages for the locator's values.
inline void PrintTo(const LocateResult& result, std::ostream* os) {
    static const char* const kinds[] = {"exact", "uniqueContext", "anchoredRegion", "ambiguous",
                                        "notFound"};
    const DocumentAnchor& anchor = result.newAnchor;
    *os << kinds[static_cast<int>(result.kind)] << " (" << result.candidate.units << ", \""
        << toUtf8(result.candidate.pendingTypo) << "\") cursor " << result.cursor << " altered "
        << result.altered << " count " << result.count << " anchor {" << anchor.before.size()
        << " + " << anchor.after.size() << " units, base " << anchor.baseUnit << ", region "
        << anchor.regionStart << "}";
}

namespace testing_support {

/// Text of the given length whose windows do not repeat ("b0 b1 b2 ..."), so that a context
/// taken from it occurs once.
inline std::u16string uniqueFiller(std::u16string_view tag, int length) {
    std::u16string text;
    for (int i = 0; utf16Count(text) < length; ++i)
        text += std::u16string(tag) + toUtf16(std::to_string(i)) + u" ";
    text.resize(static_cast<std::size_t>(length));
    return text;
}

inline std::vector<ResumeCandidate> plainCandidates(std::initializer_list<int> units) {
    std::vector<ResumeCandidate> candidates;
    for (int unit : units)
        candidates.push_back({unit, {}});
    return candidates;
}

/// A document as the word processor holds it, with its insertion point. Edits made elsewhere
/// move the insertion point the way the word processor does.
class FakeWordDocument {
public:
    FakeWordDocument(std::u16string text, int cursor) : text_(std::move(text)), cursor_(cursor) {}

    const std::u16string& text() const { return text_; }
    int cursor() const { return cursor_; }

    void type(std::u16string_view typed) { replace(cursor_, 0, typed); }

    /// Deletes the character before the insertion point, a surrogate pair as a whole.
    void backspace() {
        const auto at = static_cast<std::size_t>(cursor_);
        const int length = at >= 2 && isLowSurrogate(text_[at - 1]) ? 2 : 1;
        replace(cursor_ - length, length, u"");
    }

    /// An edit by the user or an automatic correction: [from, from + length) becomes `with`.
    void replace(int from, int length, std::u16string_view with) {
        text_.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(length), with);
        if (cursor_ >= from + length)
            cursor_ += utf16Count(with) - length;
        else if (cursor_ > from)
            cursor_ = from + utf16Count(with);
    }

private:
    std::u16string text_;
    int cursor_;
};

/// What the engine knows about a session: the anchor and how far it has sent and confirmed.
struct SessionRecord {
    SessionRecord() = default;
    /// A session starting at the document's insertion point.
    SessionRecord(const PreparedText& article, const FakeWordDocument& document)
        : text(&article), anchor(DocumentAnchor::initial(document.text(), document.cursor())) {}

    const PreparedText* text = nullptr;
    DocumentAnchor anchor;
    int sentUnits = 0;
    int confirmedUnits = 0;
    std::optional<ResumeCandidate> pendingTypo;

    /// The engine's candidates: S down to max(C, b), with a pending typo's candidate in front.
    std::vector<ResumeCandidate> candidates() const {
        std::vector<ResumeCandidate> result;
        if (pendingTypo)
            result.push_back(*pendingTypo);
        for (int unit = sentUnits; unit >= std::max(confirmedUnits, anchor.baseUnit); --unit)
            result.push_back({unit, {}});
        return result;
    }

    /// Sends units [sentUnits, upTo); those from `landed` on never reach the document.
    void send(FakeWordDocument& document, int upTo, std::optional<int> landed = std::nullopt) {
        for (int unit = sentUnits; unit < std::min(upTo, landed.value_or(upTo)); ++unit)
            document.type(text->units[static_cast<std::size_t>(unit)].wordText);
        sentUnits = upTo;
    }
};

/// Continues after a successful locate as the engine would: takes back a standing typo (one
/// character), then types the rest of the article from the candidate's unit.
inline void finishFrom(const ResumeCandidate& candidate, const PreparedText& text,
                       FakeWordDocument& document) {
    if (!candidate.pendingTypo.empty())
        document.backspace();
    for (int unit = candidate.units; unit < text.count(); ++unit)
        document.type(text.units[static_cast<std::size_t>(unit)].wordText);
}

} // namespace testing_support
} // namespace plumeo
