#pragma once

#include "core/engine/DocumentReader.h"
#include "core/engine/KeyEventSink.h"
#include "core/engine/ReadError.h"
#include "core/engine/TargetGuard.h"

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace plumeo::test {

/// An in-process word processor with a simulated document. Its first face is the three real
/// ports (sink, guard, reader); its second a control surface to inject faults and a transcript
/// of what arrived. Strokes land after a configurable latency, so the cursor can lag behind
/// what was sent, exactly as Word does when it falls behind.
class FakeWordProcessor final : public KeyEventSink, public TargetGuard, public DocumentReader {
public:
    struct PostedStroke {
        KeyStroke stroke;
    };
    /// One key going down (a press) or up (a release), with the real time it happened.
    struct KeyEvent {
        KeyStroke stroke;
        bool down = true;
        std::chrono::steady_clock::time_point at;
    };

    /// A document holding `content` with the insertion point at `cursor`.
    explicit FakeWordProcessor(std::u16string content = {}, int cursor = 0,
                               std::string documentID = "doc-1");

    // KeyEventSink
    std::chrono::steady_clock::time_point press(const KeyStroke& stroke) override;
    void release(const KeyStroke& stroke) override;
    // TargetGuard
    void beginSending() override;
    std::optional<StopReason> quickCheck(const TargetExpectation& expectation) override;
    // DocumentReader
    DocState state() override;
    std::u16string read(int start, int end) override;
    std::u16string readAll() override;
    bool readsAreFaithful() const override;

    // --- The document as Word holds it (pending strokes that are due are applied first).
    std::u16string document();
    int cursor();
    /// Strokes posted but not yet absorbed by the document.
    int pendingStrokes();

    // --- Behaviour.
    /// Each stroke lands this long after it was posted.
    void setLatency(std::chrono::milliseconds latency);
    /// While false, posted strokes queue up and nothing lands (Word not keeping up).
    void setAbsorbing(bool absorbing);
    /// Typing text that makes the document end in `typed` at the cursor turns it into
    /// `corrected`, like Word's autocorrect.
    void addAutocorrection(std::u16string typed, std::u16string corrected);
    /// Reads return characters outside the BMP as the "12" placeholder and say they are not
    /// faithful, like Word's script interface.
    void setScriptReads(bool scriptReads);
    /// Whether the guard compares the document with the engine's expectation (on by default):
    /// another document, a selection, protection or a cursor outside the expected range stops.
    void setGuardChecksTarget(bool checks);

    // --- Faults.
    /// The next `count` calls of state/read/readAll throw `error`, or a plain
    /// std::runtime_error when no ReadError is given.
    void failNextReads(int count, std::optional<ReadError> error = std::nullopt);
    /// Another document becomes the active one.
    void switchDocument(std::string documentID);
    void moveCursor(int position);
    void select(int start, int end);
    void setProtected(bool isProtected);
    void setInMainStory(bool inMainStory);
    /// Replaces the document text (the user editing), keeping the cursor where it is, clamped.
    void editDocument(std::u16string content);
    /// The guard objects with `reason` to the `n`th stroke it is asked about (1-based).
    void objectAtCheck(int n, StopReason reason);
    /// The post of the stroke with this 0-based index throws.
    void failPostAt(int index);
    /// The stroke with this 0-based index lands one position before the cursor.
    void misplaceStroke(int index);

    // --- Hooks, called without the fake's lock held.
    /// Called inside press, before the stroke is accepted, with its 0-based index.
    void setPostHook(std::function<void(int index)> hook);
    /// Called at the start of every state() call.
    void setStateHook(std::function<void()> hook);

    // --- Trap for strokes that must never come.
    /// From now on every press is a violation (a release is not): call it once a stop has been
    /// recorded.
    void trapPosts();
    /// Posting is allowed again, for a session that resumes after the stop.
    void releaseTrap();
    /// Called with a description of every violation (tests pass ADD_FAILURE).
    void setViolationHandler(std::function<void(const std::string&)> handler);
    int violations();

    // --- Transcript.
    std::vector<PostedStroke> transcript();
    /// Every press and release in order.
    std::vector<KeyEvent> keyEvents();
    std::vector<TargetExpectation> expectations();
    int backspacesPosted();
    int beginSendingCalls();
    int stateCalls();

private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        KeyStroke stroke;
        Clock::time_point due;
        bool misplaced = false;
    };

    void absorbDueLocked();
    void applyLocked(const KeyStroke& stroke, bool misplaced);
    void insertLocked(const std::u16string& text, bool misplaced);
    void throwIfReadFailsLocked();
    std::u16string presentLocked(std::u16string text) const;

    mutable std::mutex mutex_;
    std::u16string text_;
    int selectionStart_;
    int selectionEnd_;
    std::string documentID_;
    const std::string targetDocumentID_;
    bool inMainStory_ = true;
    bool protected_ = false;

    std::chrono::milliseconds latency_{0};
    bool absorbing_ = true;
    std::deque<Pending> pending_;
    std::vector<std::pair<std::u16string, std::u16string>> autocorrections_;
    bool scriptReads_ = false;
    bool guardChecksTarget_ = true;

    int failingReads_ = 0;
    std::optional<ReadError> readError_;
    std::optional<std::pair<int, StopReason>> objection_;
    std::optional<int> failingPost_;
    std::optional<int> misplacedStroke_;
    // Shared so a hook keeps its own state while it is called outside the lock.
    std::shared_ptr<std::function<void(int)>> postHook_;
    std::shared_ptr<std::function<void()>> stateHook_;
    bool trapped_ = false;
    std::function<void(const std::string&)> violationHandler_;
    int violations_ = 0;

    std::vector<PostedStroke> transcript_;
    std::vector<KeyEvent> keyEvents_;
    std::vector<TargetExpectation> expectations_;
    int checks_ = 0;
    int beginSendingCalls_ = 0;
    int stateCalls_ = 0;
};

} // namespace plumeo::test
