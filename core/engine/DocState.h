#pragma once

#include <string>

namespace plumeo {

/// One snapshot of the target as the word processor reports it. Positions are UTF-16 offsets
/// into the main story.
struct DocState {
    std::string documentID;   ///< Identity of the active document, compared with the engine's.
    std::string documentName; ///< Display name.
    int selectionStart = 0;
    int selectionEnd = 0; ///< Equal to selectionStart when there is only an insertion point.
    /// The selection lies in the main text body, not a header, footnote, comment or text box.
    bool inMainStory = false;
    bool trackRevisions = false;
    bool isProtected = false; ///< The document is protected against editing.

    bool operator==(const DocState&) const = default;
};

} // namespace plumeo
