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
inline void PrintTo(const ResumeCandidate& candidate, std::ostream* os) {
    *os << "(" << candidate.units << ", \"" << toUtf8(candidate.pendingTypo) << "\")";
}

inline void PrintTo(const DocumentAnchor& anchor, std::ostream* os) {
    *os << "{before " << anchor.before.size() << " units ending \""
        << toUtf8(
               utf16Slice(anchor.before, utf16Count(anchor.before) - 12, utf16Count(anchor.before)))
        << "\", after " << anchor.after.size() << " units starting \""
        << toUtf8(utf16Slice(anchor.after, 0, 12)) << "\", base " << anchor.baseUnit << ", region "
        << anchor.regionStart << "}";
}

inline void PrintTo(const LocateResult& result, std::ostream* os) {
    static const char* const names[] = {"exact", "uniqueContext", "anchoredRegion", "ambiguous",
                                        "notFound"};
    *os << names[static_cast<int>(result.kind)] << " candidate ";
    PrintTo(result.candidate, os);
    *os << " cursor " << result.cursor << " altered " << result.altered << " count " << result.count
        << " anchor ";
    PrintTo(result.newAnchor, os);
}

namespace testing_support {

/// Text of the given length whose windows do not repeat ("b0 b1 b2 ..."), so that a context
/// taken from it occurs once.
inline std::u16string uniqueFiller(std::u16string_view tag, int length) {
    std::u16string text;
    for (int i = 0; utf16Count(text) < length; ++i) {
        text += tag;
        for (char c : std::to_string(i))
            text += static_cast<char16_t>(c);
        text += u' ';
    }
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

    void type(std::u16string_view typed) {
        text_.insert(static_cast<std::size_t>(cursor_), typed);
        cursor_ += utf16Count(typed);
    }

    /// Deletes the character before the insertion point, a surrogate pair as a whole.
    void backspace() {
        if (cursor_ == 0)
            return;
        const int length =
            cursor_ >= 2 && isLowSurrogate(text_[static_cast<std::size_t>(cursor_ - 1)]) ? 2 : 1;
        text_.erase(static_cast<std::size_t>(cursor_ - length), static_cast<std::size_t>(length));
        cursor_ -= length;
    }

    /// An edit by the user or an automatic correction: [from, from + length) becomes `with`.
    void replace(int from, int length, std::u16string_view with) {
        text_.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(length), with);
        if (cursor_ >= from + length)
            cursor_ += utf16Count(with) - length;
        else if (cursor_ > from)
            cursor_ = from + utf16Count(with);
    }

    void insert(int at, std::u16string_view inserted) { replace(at, 0, inserted); }

    void moveCursor(int to) { cursor_ = to; }

private:
    std::u16string text_;
    int cursor_;
};

/// What the engine knows about a session: the anchor and how far it has sent and confirmed.
struct SessionRecord {
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
        const int lowest = std::max(confirmedUnits, anchor.baseUnit);
        for (int unit = sentUnits; unit >= lowest; --unit)
            result.push_back({unit, {}});
        return result;
    }
};

/// Starts a session at the document's insertion point.
inline SessionRecord startSession(const PreparedText& text, const FakeWordDocument& document) {
    SessionRecord session;
    session.text = &text;
    session.anchor = DocumentAnchor::initial(document.text(), document.cursor());
    return session;
}

/// Sends units [sentUnits, upTo); all of them reach the document unless `landed` says fewer.
inline void sendUnits(SessionRecord& session, FakeWordDocument& document, int upTo,
                      std::optional<int> landed = std::nullopt) {
    const int lastLanded = landed.value_or(upTo);
    for (int unit = session.sentUnits; unit < upTo; ++unit) {
        if (unit < lastLanded)
            document.type(session.text->units[static_cast<std::size_t>(unit)].wordText);
    }
    session.sentUnits = upTo;
}

/// Continues after a successful locate as the engine would: takes back a standing typo, then
/// types the rest of the article from the candidate's unit.
inline void finishFrom(const ResumeCandidate& candidate, const PreparedText& text,
                       FakeWordDocument& document) {
    for (std::size_t i = 0; i < candidate.pendingTypo.size(); ++i) {
        if (!isLowSurrogate(candidate.pendingTypo[i]))
            document.backspace();
    }
    for (int unit = candidate.units; unit < text.count(); ++unit)
        document.type(text.units[static_cast<std::size_t>(unit)].wordText);
}

} // namespace testing_support
} // namespace plumeo
