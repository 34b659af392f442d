#pragma once

#include "platform/backend/writer/WriterProfile.h"

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace plumeo {

class WriterConnection;

/// How one soffice is started.
struct WriterOfficeOptions {
    /// The X display soffice opens its windows on (the X side chooses it), e.g. ":71".
    std::string display;
    /// The user profile of this soffice; written before start, created when missing.
    std::filesystem::path profileDirectory;
    WriterProfileOptions profile;
    /// The UNO pipe's name; empty: "plumeo-" and our pid and a counter.
    std::string pipeName;
    /// soffice to run; empty: $PLUMEO_SOFFICE, then soffice on PATH, then Debian's place.
    std::optional<std::filesystem::path> soffice;
    /// How long start() waits for UNO to answer.
    double connectTimeoutSeconds = 60;
    /// How long stop() waits after asking the desktop to terminate before it kills.
    double stopGraceSeconds = 5;
};

/// Why soffice did not start; `message` is for the user (UTF-8, Chinese).
struct WriterOfficeError {
    enum class Kind {
        notInstalled,  ///< no soffice found
        profileFailed, ///< the profile directory could not be written
        spawnFailed,   ///< the process could not be started
        exited,        ///< the process ended before UNO answered
        notReady,      ///< UNO did not answer within the connect timeout
    };
    Kind kind = Kind::notInstalled;
    std::string message;
};

/// One LibreOffice process that Plumeo started and supervises: its own profile, UNO on a
/// local pipe, a C++ UNO connection to its desktop. The process is stopped when the object
/// goes, so a test or a session never leaves an office behind.
///
/// Thread-safe: start and stop are serialised; the queries may come from any thread.
class WriterOffice {
public:
    explicit WriterOffice(WriterOfficeOptions options);
    ~WriterOffice();
    WriterOffice(const WriterOffice&) = delete;
    WriterOffice& operator=(const WriterOffice&) = delete;

    /// The soffice program that start() would run, or empty when LibreOffice is not installed.
    static std::optional<std::filesystem::path>
    findSoffice(const std::optional<std::filesystem::path>& preferred = std::nullopt);

    /// Writes the profile, starts soffice and connects; nothing when running and connected.
    std::optional<WriterOfficeError> start();
    /// Asks the desktop to terminate, waits up to the grace, then kills. Safe to call twice.
    void stop();

    /// Called on a thread of the office's own right after the process ended and was reaped,
    /// with its pid and exit code (128 + signal when killed); also when stop() ended it. Set
    /// it before start().
    void setExitObserver(std::function<void(int pid, int exitCode)> observer);

    /// Whether the process we started still runs.
    bool isRunning() const;
    /// soffice.bin's pid while it runs.
    std::optional<int> pid() const;
    /// The wait status's exit code (or 128 + signal) once the process has ended.
    std::optional<int> exitCode() const;
    /// Seconds from spawning soffice to the first UNO answer, of the last start.
    double startupSeconds() const { return startupSeconds_; }
    const WriterOfficeOptions& options() const { return options_; }

    /// The UNO side, for the classes of this folder; empty while not connected or after the
    /// process ended.
    std::shared_ptr<WriterConnection> connection() const;

private:
    /// Whether the process has ended; reaps it while no watcher does (during start).
    bool reapLocked() const;
    /// Kills and reaps an unwatched process (a start that failed).
    void killLocked();
    /// Hands the running process to a thread that waits for its end.
    void watchLocked();
    void joinWatcher(std::unique_lock<std::mutex>& lock);

    WriterOfficeOptions options_;
    mutable std::mutex mutex_;
    mutable std::optional<int> pid_;
    mutable std::optional<int> exitCode_;
    std::shared_ptr<WriterConnection> connection_;
    double startupSeconds_ = 0;
    std::function<void(int, int)> exitObserver_;
    /// Once the office answers, a watcher thread waits for the process and reaps it, so its
    /// end is seen at once and no zombie outlives it (a zombie still "exists" to kill(pid, 0)).
    std::thread watcher_;
    bool watched_ = false;
    std::condition_variable exited_;
};

} // namespace plumeo
