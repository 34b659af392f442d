#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace plumeo {

class WriterOffice;

/// A failed document call, with the AppleScript-style error number Word's libraries give for
/// the same situation (-600 office not running, -609 connection lost, -1728 no such document
/// or object, -10000 refused) and an English message as an application would word it.
class WriterCallError : public std::runtime_error {
public:
    WriterCallError(std::int32_t number, const std::string& message)
        : std::runtime_error(message), number_(number) {}
    std::int32_t number() const { return number_; }

private:
    std::int32_t number_;
};

/// Which text of the document the view cursor is in.
enum class WriterStory { body, header, footer, frame, footnote, endnote, other };

/// One open Writer document as Word would name it.
struct WriterDocumentInfo {
    std::u16string name; ///< the window's document title ("Untitled 1", "a.odt")
    std::u16string path; ///< POSIX path when saved, else empty
    /// Unique while the office runs: the path when saved, else the name.
    std::u16string key() const { return path.empty() ? name : path; }

    bool operator==(const WriterDocumentInfo&) const = default;
};

/// The front document's state, offsets in UTF-16 units of Word's story text.
struct WriterDocumentState {
    int documentCount = 0;
    WriterDocumentInfo document;
    std::int64_t selectionStart = 0;
    std::int64_t selectionEnd = 0;
    WriterStory story = WriterStory::body;
    bool trackChanges = false;
    bool readOnly = false; ///< the document's own write protection or read-only load
    bool inProtectedSection = false;
};

/// What Word's AutoCorrect options mean in this Writer, each already gated by Writer's
/// "while typing" switch. Options Writer does not have are false.
struct WriterAutoCorrectFlags {
    bool sentenceCaps = false;
    bool initialCaps = false;
    bool replacementTable = false;
    bool smartQuotes = false;
    bool dashes = false;
    bool ordinals = false;
    bool fractions = false;
    bool numberedLists = false;
    bool bulletedLists = false;
    bool hyperlinks = false;
    bool emphasis = false;
};

/// Writer's document model seen as Word's: the front document, its body text with Word's
/// paragraph and line-break marks, offsets in UTF-16 units, the stories, protection, change
/// tracking; and the few changes the self-test's fixtures make. Every call is a few UNO round
/// trips to the office; none starts it.
///
/// The script-side calls throw WriterCallError. The accessibility-side calls (front…) answer
/// empty instead, as an Accessibility query does.
class WriterDocuments {
public:
    explicit WriterDocuments(std::shared_ptr<const WriterOffice> office);
    ~WriterDocuments();

    /// Whether the office runs and answers.
    bool officeRunning() const;

    // -- Reading (throw WriterCallError) -----------------------------------------------------

    /// The open text documents, in the order the desktop lists their frames.
    std::vector<WriterDocumentInfo> documents() const;
    /// The front document's state; empty when no document is open.
    std::optional<WriterDocumentState> frontState() const;
    /// Word's story text (final mark included) of the document `key` names (empty: the front
    /// one), as paragraphs are walked.
    std::u16string storyText(const std::u16string& key) const;
    /// Word's `create range … start … end …` content: the story clamped to [start, end).
    std::u16string storyRange(const std::u16string& key, std::int64_t start,
                              std::int64_t end) const;
    WriterAutoCorrectFlags autoCorrect() const;
    /// The office's product version ("7.4.7.2").
    std::u16string version() const;

    // -- Changing (throw WriterCallError) ----------------------------------------------------

    /// Opens a new, empty text document in front; its name.
    std::u16string newDocument();
    /// Closes without saving.
    void closeDocument(const std::u16string& key);
    /// Brings the document's window to the front.
    void activateDocument(const std::u16string& key);
    /// Collapses the front document's cursor at story offset `offset` (clamped before the
    /// final mark); the resulting offset.
    std::int64_t placeCursor(std::int64_t offset);
    /// Replaces the body's text (U+000D / U+000B as paragraph / line breaks) and puts the
    /// cursor at its end.
    void setStoryText(const std::u16string& key, const std::u16string& text);
    /// Write-protects the document (read-only: typing is refused) or lifts it.
    void setReadOnly(const std::u16string& key, bool readOnly);
    void setTrackChanges(const std::u16string& key, bool on);
    /// Tracked changes in the document.
    int changeCount(const std::u16string& key) const;
    /// Shows a modal dialog with an OK button over the front document until it is answered or
    /// `giveUpSeconds` pass: "按钮：OK" or "gave up", as AppleScript's display dialog reports.
    std::u16string showDialog(const std::u16string& message, int giveUpSeconds);
    /// Closes every document without saving and terminates the office.
    void quitOffice();

    // -- Accessibility side (empty on any failure) -------------------------------------------

    /// The front document's body text as Word's body element gives it: the story text
    /// without its final mark, paragraph marks as U+000A, line breaks U+000B.
    std::optional<std::u16string> frontBodyText() const;
    /// The selection in the body, as location and length in UTF-16 units.
    std::optional<std::pair<std::int64_t, std::int64_t>> frontSelectedRange() const;
    /// The body text in [location, location + length).
    std::optional<std::u16string> frontTextRange(std::int64_t location, std::int64_t length) const;
    /// The body's number of characters (UTF-16 units, final mark not counted).
    std::optional<std::int64_t> frontCharacterCount() const;
    /// The document window's title, as the window manager shows it.
    std::optional<std::u16string> frontWindowTitle() const;
    /// Whether the view cursor is in the body (not a header, footer, frame or note).
    bool frontCursorInBody() const;
    /// Up to `count` code points just before the front document's view cursor, in the text
    /// it stands in; empty when there is no document.
    std::optional<std::u16string> frontTextBeforeCursor(std::int16_t count) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace plumeo
