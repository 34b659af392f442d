#pragma once

// One typing session wired as the application wires it, without a window: the target read
// from Word through the script bridge, the key sink routed to Word's process, the guard and
// the reader bound to Word's front window, and an engine started at the insertion point.

#include "core/engine/EngineSnapshot.h"
#include "core/engine/TypingEngine.h"
#include "core/text/ModeSettings.h"
#include "mac/backend/PlatformBackend.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace plumeo {

class WordBridge;
class WordDocumentReader;

/// The target cannot take the session; what() is the message for the user (UTF-8).
class SessionSetupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct HeadlessSessionOptions {
    ModeSettings settings;
    /// Zero draws a random non-zero seed.
    std::uint64_t seed = 0;
    /// Progress and result lines go here.
    std::ostream* out = nullptr;
    /// At most one progress line per this many seconds.
    double progressIntervalSeconds = 0.5;
    /// Polled while the session runs; true asks for a cancel (as the user would).
    std::function<bool()> cancelRequested;
    /// How many times a paused session is resumed, or has its differences accepted, before
    /// the tool gives up and cancels.
    int maxRecoveries = 20;
};

class HeadlessSession {
public:
    HeadlessSession(std::shared_ptr<PlatformBackend> backend, HeadlessSessionOptions options);
    ~HeadlessSession();
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    /// Prepares the article, brings Word to the front, reads and checks the target, and
    /// builds the engine. Throws SessionSetupError (and PreparationError for the article).
    void prepare(const std::u16string& article);
    /// Starts typing and returns once the session has ended: completed, cancelled or failed,
    /// or stopped for good after the allowed recoveries. Prints progress and the result.
    SessionPhase run();

    /// The document the session writes into, as Word names it.
    const std::string& documentName() const { return documentName_; }
    std::int32_t wordPid() const { return wordPid_; }
    std::uint64_t seed() const { return seed_; }
    const std::shared_ptr<TypingEngine>& engine() const { return engine_; }

    /// 0 for a verified result (accepted differences included), 1 otherwise.
    static int exitCode(const SessionPhase& phase);
    /// The result lines for a finished phase: the outcome and up to ten difference lines.
    static std::vector<std::string> resultLines(const SessionPhase& phase);

private:
    void printProgress(const EngineSnapshot& snapshot);
    /// Returns true when the session was sent on again.
    bool recover(const SessionPhase& phase);
    void line(const std::string& text);

    std::shared_ptr<PlatformBackend> backend_;
    HeadlessSessionOptions options_;
    std::uint64_t seed_ = 0;
    std::int32_t wordPid_ = 0;
    std::string documentName_;
    std::shared_ptr<WordBridge> bridge_;
    std::shared_ptr<WordDocumentReader> reader_;
    std::shared_ptr<TypingEngine> engine_;
    int recoveries_ = 0;
    std::optional<double> lastProgressAt_;
    std::string lastProgress_;
};

} // namespace plumeo
