#pragma once

#include "core/engine/DocState.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace plumeo {

/// The insertion point the user confirms: Word's document and selection as detected, with
/// some context to recognise it by.
struct TargetInfo {
    std::int32_t pid = 0;
    std::string documentID;
    std::string documentName;
    int selectionStart = 0;
    int selectionEnd = 0;
    bool inMainStory = false;
    bool trackRevisions = false;
    bool isProtected = false; ///< Protected or read-only.
    /// 1 + the paragraph marks before selectionStart.
    int paragraphNumber = 1;
    std::u16string contextBefore; ///< Up to 24 units before selectionStart.
    std::u16string contextAfter;  ///< Up to 24 units after selectionEnd.
    /// Word's autocorrect options by label.
    std::map<std::string, bool> autocorrect;

    static constexpr int contextLength = 24;

    /// The record for Word's `state` and document `text` (the whole main story).
    static TargetInfo make(std::int32_t pid, const DocState& state, std::u16string_view text,
                           const std::vector<std::pair<std::string, bool>>& autocorrect);

    bool operator==(const TargetInfo&) const = default;
};

} // namespace plumeo
