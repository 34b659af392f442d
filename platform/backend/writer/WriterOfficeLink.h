#pragma once

#include "platform/backend/PlatformBackend.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace plumeo {

/// What the X side of the Writer backend needs from LibreOffice itself: the front document's
/// body as Word's Accessibility would show it, and the script handler libraries answered
/// through UNO. Kept apart from the UNO classes so the X side builds and is tested without
/// the office SDK; WriterUnoLink is the real one.
class WriterOfficeLink {
public:
    virtual ~WriterOfficeLink() = default;

    /// The body text in UTF-16 without the final paragraph mark (Word's body value); empty
    /// when no document can be read.
    virtual std::optional<std::u16string> bodyText() = 0;
    /// bodyText's length, without reading the whole text where that can be avoided.
    virtual std::optional<std::int64_t> bodyLength() = 0;
    virtual std::optional<std::u16string> bodyRange(AXTextRange range) = 0;
    /// The view cursor as a UTF-16 range of the body; empty when it is outside the body.
    virtual std::optional<AXTextRange> selection() = 0;
    /// Whether the view cursor is in the main text (not a header, footer, frame, note).
    virtual bool cursorInBody() = 0;
    /// Up to `count` code points just before the front document's cursor.
    virtual std::optional<std::u16string> textBeforeCursor(std::int16_t count) = 0;
    /// The title of the office's front document window, as the window manager shows it.
    virtual std::optional<std::u16string> frontWindowTitle() = 0;

    virtual ScriptCompilation compileScript(const std::string& source) = 0;
    /// Whether the handler keeps its call open until the user (or a time-out) answers a
    /// dialog, reading nothing of the document meanwhile.
    virtual bool waitsForUser(const CompiledScript& script, std::string_view handlerName) = 0;
    virtual ScriptResult executeHandler(CompiledScript& script, std::string_view handlerName,
                                        const std::vector<ScriptParameter>& parameters) = 0;

    /// The pid of the office this link speaks to, while it runs. Other offices on the machine
    /// (another user's, another Plumeo's on another display) are not this backend's Word.
    virtual std::optional<std::int32_t> officePid() = 0;

    /// Starts LibreOffice when it is not running; false when it cannot.
    virtual bool startOffice() = 0;
};

} // namespace plumeo
