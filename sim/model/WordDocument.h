#pragma once

#include "sim/model/AutoCorrect.h"

#include <cstdint>
#include <string>

namespace plumeo::sim {

/// Word's story type code for the main text story.
inline constexpr std::uint32_t mainTextStory = 0x02300001;
/// Word's protection type code for an unprotected document.
inline constexpr std::uint32_t noProtection = 0x0279FFFF;
/// The code the simulator uses for "allow only reading".
inline constexpr std::uint32_t allowOnlyReading = 0x02790003;

/// One Word document: its main story and the selection in it. The story always ends with the
/// final paragraph mark, which the selection can never pass, as in Word.
class WordDocument {
public:
    explicit WordDocument(std::string name);

    const std::string& name() const { return name_; }
    /// Saving under a path names the document after the file, as Word does.
    void saveAs(std::string path) {
        name_ = path.substr(path.find_last_of('/') + 1);
        posixPath_ = std::move(path);
    }
    const std::string& posixPath() const { return posixPath_; }
    void setPosixPath(std::string path) { posixPath_ = std::move(path); }

    /// The whole main story, final paragraph mark included.
    const std::u16string& story() const { return story_; }
    int storyLength() const { return static_cast<int>(story_.size()); }
    int selectionStart() const { return selectionStart_; }
    int selectionEnd() const { return selectionEnd_; }
    /// Clamps both ends to the story without its final mark; start first, as Word does.
    void setSelection(int start, int end);
    /// Replaces the story (a final mark is added) and collapses the selection at `cursor`.
    void setContent(std::u16string_view withoutFinalMark, int cursor);

    std::uint32_t storyType() const { return storyType_; }
    void setStoryType(std::uint32_t code) { storyType_ = code; }
    std::uint32_t protection() const { return protection_; }
    void setProtection(std::uint32_t code) { protection_ = code; }
    bool isProtected() const { return protection_ != noProtection; }
    bool trackRevisions() const { return trackRevisions_; }
    void setTrackRevisions(bool on) { trackRevisions_ = on; }
    int revisionCount() const { return revisionCount_; }

    // Typing. Each returns whether the story changed; a protected document changes nothing.

    /// Inserts text at the selection (replacing it), scalar by scalar, with AutoCorrect and
    /// AutoFormat applied at each word boundary.
    bool typeText(std::u16string_view text, const AutoCorrectOptions& options);
    /// Delete key: removes the selection, or the character before the cursor (a surrogate
    /// pair as a whole).
    bool deleteBackward();
    /// Moves the collapsed cursor one character (a surrogate pair as a whole).
    void moveCursor(int direction);

private:
    void removeSelection();
    void noteRevision(int at);

    std::string name_;
    std::string posixPath_;
    std::u16string story_ = u"\r";
    int selectionStart_ = 0;
    int selectionEnd_ = 0;
    std::uint32_t storyType_ = mainTextStory;
    std::uint32_t protection_ = noProtection;
    bool trackRevisions_ = false;
    int revisionCount_ = 0;
    int revisionEnd_ = -1;
};

} // namespace plumeo::sim
