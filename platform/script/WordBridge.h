#pragma once

#include "core/engine/DocState.h"
#include "core/engine/DocumentReader.h"
#include "core/engine/ReadError.h"
#include "platform/backend/PlatformBackend.h"
#include "platform/script/ScriptError.h"
#include "platform/script/ScriptRunner.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plumeo {

/// Reads Word's document model through the Word handler library, on the runner thread
/// "Plumeo.WordReader". As a DocumentReader its reads are script reads, always taken as
/// faithful; WordDocumentReader adds the Accessibility text on top. Every call blocks the
/// caller until Word answered or the handler's own time limit cut it off, and throws ReadError.
class WordBridge : public DocumentReader {
public:
    static constexpr std::string_view bundleID = "com.microsoft.Word";

    struct Environment {
        std::string wordVersion;
        int documentCount = 0;
        std::vector<std::string> documentNames; ///< In Word's document order.

        bool operator==(const Environment&) const = default;
    };

    explicit WordBridge(std::shared_ptr<PlatformBackend> backend);

    /// The active document and its selection. Throws ReadError::noDocument when none is open.
    DocState state() override;
    /// Main-story text of the bound document in [start, end); empty when Word gives no text.
    std::u16string read(int start, int end) override;
    std::u16string readAll() override;

    Environment environment();
    /// (label, on) for each autocorrect and auto-format option Word reported, in a fixed order.
    std::vector<std::pair<std::string, bool>> autocorrectSettings();

    /// The document that read and readAll address, as DocState::documentID names it: its
    /// POSIX full name when it has one, else (never saved) its name; compared case by case.
    /// Empty means the active document. Set by the bridge's owner, never by the bridge.
    std::string boundDocumentID() const;
    void setBoundDocumentID(std::string documentID);

    static bool isWordRunning(PlatformBackend& backend);
    /// The first running Word, if any.
    static std::optional<RunningApp> runningWord(PlatformBackend& backend);
    /// Translates a failed handler call into the engine's read failure.
    static ReadError map(const ScriptError& error);

private:
    ScriptDescriptor call(std::string_view handler, const std::vector<std::u16string>& strings,
                          const std::vector<std::int64_t>& ints);

    mutable std::mutex boundDocumentMutex_;
    std::string boundDocumentID_; // guarded by boundDocumentMutex_
    ScriptRunner runner_;
};

} // namespace plumeo
