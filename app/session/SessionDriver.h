#pragma once

// plumeo-session's use of the application model: one article typed at Word's insertion point
// by the same coordinator the window uses, with a user who confirms the detected target at
// once and, when the session pauses, resumes it or accepts Word's differences.

#include "app/model/AppModel.h"
#include "core/engine/SessionPhase.h"
#include "core/text/ModeSettings.h"
#include "mac/backend/PlatformBackend.h"

#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace plumeo {

struct SessionDriverOptions {
    ModeSettings settings;
    /// Absent: the model draws a random non-zero seed.
    std::optional<std::uint64_t> seed;
    /// Progress and result lines go here.
    std::ostream* out = nullptr;
    /// At most one progress line per this many seconds while typing.
    double progressIntervalSeconds = 0.5;
    /// Polled while the session runs; true asks for a cancel (as the user would).
    std::function<bool()> cancelRequested;
    /// How many times a paused session is sent on before the driver cancels it.
    int maxRecoveries = 20;
};

/// Needs a QCoreApplication; runs the event loop itself.
class SessionDriver {
public:
    SessionDriver(std::shared_ptr<PlatformBackend> backend, SessionDriverOptions options);
    ~SessionDriver();
    SessionDriver(const SessionDriver&) = delete;
    SessionDriver& operator=(const SessionDriver&) = delete;

    /// Types `article` and returns once the session has ended: completed, cancelled or
    /// failed, or idle when it never started (the reason is the last line printed).
    SessionPhase run(const std::u16string& article);

    AppModel& model() { return *model_; }
    /// The target document, once detected.
    std::string documentName() const;

    /// 0 for a verified result (accepted differences included), 1 otherwise.
    static int exitCode(const SessionPhase& phase);

private:
    bool waitFor(const std::function<bool()>& done, double timeoutSeconds);
    void line(const std::string& text);
    void printProgress();
    void recover();

    SessionDriverOptions options_;
    // The tool's settings live in a scratch file, never in the user's defaults.
    QTemporaryDir settingsDirectory_;
    std::unique_ptr<AppModel> model_;
    std::string documentName_;
    int recoveries_ = 0;
    bool cancelSent_ = false;
    bool announced_ = false;
    double lastProgressAt_ = -1;
    std::string lastProgress_;
};

} // namespace plumeo
