#include "app/model/TargetInfo.h"

#include "core/text/Utf16.h"

#include <algorithm>

namespace plumeo {

TargetInfo TargetInfo::make(std::int32_t pid, const DocState& state, std::u16string_view text,
                            const std::vector<std::pair<std::string, bool>>& autocorrect) {
    TargetInfo info;
    info.pid = pid;
    info.documentID = state.documentID;
    info.documentName = state.documentName;
    info.selectionStart = state.selectionStart;
    info.selectionEnd = state.selectionEnd;
    info.inMainStory = state.inMainStory;
    info.trackRevisions = state.trackRevisions;
    info.isProtected = state.isProtected;
    const int length = utf16Count(text);
    const int start = std::clamp(state.selectionStart, 0, length);
    const int end = std::clamp(state.selectionEnd, start, length);
    info.contextBefore = utf16Slice(text, std::max(0, start - contextLength), start);
    info.contextAfter = utf16Slice(text, end, std::min(end + contextLength, length));
    info.paragraphNumber =
        1 + static_cast<int>(std::count(text.begin(), text.begin() + start, u'\r'));
    info.autocorrect = {autocorrect.begin(), autocorrect.end()};
    return info;
}

} // namespace plumeo
