#pragma once

#include "core/engine/KeyEventSink.h"
#include "platform/backend/PlatformBackend.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace plumeo {

/// A key stroke that could not be sent.
class KeySynthError : public std::exception {
public:
    enum class Kind { noPostPermission, eventCreationFailed };

    explicit KeySynthError(Kind kind) : kind_(kind) {}
    static KeySynthError noPostPermission() { return KeySynthError(Kind::noPostPermission); }
    static KeySynthError eventCreationFailed() { return KeySynthError(Kind::eventCreationFailed); }

    Kind kind() const { return kind_; }
    /// The user-facing text of this error.
    std::string description() const { return what(); }
    const char* what() const noexcept override;

    bool operator==(const KeySynthError& other) const { return kind_ == other.kind_; }

private:
    Kind kind_;
};

/// The engine's key sink: one key-down and one key-up keyboard event per stroke, tagged as
/// this program's own input. Text travels as the events' Unicode string, never through the
/// keyboard layout, so the result does not depend on the active layout or input method.
///
/// One thread at a time presses and releases (the engine's worker, or a probe); the counters
/// may be read from any thread.
class CGKeySink final : public KeyEventSink {
public:
    /// Where the events go.
    struct Route {
        enum class Kind {
            pid,    ///< Straight to one process (Word).
            hidTap, ///< Into the system's event stream, as from the hardware keyboard.
        };
        Kind kind = Kind::pid;
        std::int32_t processID = 0; ///< Only for Kind::pid.

        static Route pid(std::int32_t processID) { return {Kind::pid, processID}; }
        static Route hidTap() { return {Kind::hidTap, 0}; }

        bool operator==(const Route&) const = default;
    };

    /// The user-data field of every event: the characters PLMO.
    static constexpr std::int64_t userDataTag = 0x504C4D4F;
    static constexpr std::uint16_t returnVirtualKey = 0x24;
    static constexpr std::uint16_t tabVirtualKey = 0x30;
    static constexpr std::uint16_t deleteVirtualKey = 0x33;
    static constexpr std::uint64_t shiftFlag = 0x20000;

    CGKeySink(std::shared_ptr<PlatformBackend> backend, Route route);

    /// Checks the permission to post and makes the stroke's events, for the press that follows
    /// at once. Throws KeySynthError.
    void prepare(const KeyStroke& stroke) override;
    /// Posts the key-down, with the events readied by prepare when they are fresh. Throws
    /// KeySynthError; a failure posts nothing and leaves every counter alone.
    std::chrono::steady_clock::time_point press(const KeyStroke& stroke) override;
    /// Posts the key-up of the held key and counts the stroke; nothing when no key is held.
    void release(const KeyStroke& stroke) override;
    /// The held key's up and the next key's down in one post. When the next stroke cannot be
    /// readied, the held key still goes up, then the error is thrown.
    std::chrono::steady_clock::time_point releaseAndPress(const KeyStroke& released,
                                                          const KeyStroke& pressed) override;
    /// Press, hold `holdMs` milliseconds on this thread, release. Throws like press.
    void post(const KeyStroke& stroke, double holdMs);

    /// The key-down event's contents for a stroke; the key-up differs only in `keyDown`.
    static KeyEventSpec keyDownSpec(const KeyStroke& stroke, std::uint16_t textVirtualKey);
    /// The hold in whole microseconds: negative or NaN holds are 0, and holds beyond what a
    /// 32-bit microsecond count can say (about 71 minutes) are cut to its maximum.
    static std::uint32_t holdMicroseconds(double holdMs);

    const Route& route() const { return route_; }
    int postCount() const { return postCount_.load(); }
    /// System uptime in seconds taken after the last key-up was posted; 0 before any post.
    double lastPostUptime() const { return lastPostUptime_.load(); }

    std::uint16_t textVirtualKey() const { return textVirtualKey_.load(); }
    void setTextVirtualKey(std::uint16_t key) { textVirtualKey_.store(key); }
    /// Only posts made while recording are timestamped.
    bool recordTimestamps() const { return recordTimestamps_.load(); }
    void setRecordTimestamps(bool record) { recordTimestamps_.store(record); }
    std::vector<double> postTimestamps() const;
    void setPostTimestamps(std::vector<double> timestamps);

private:
    struct Prepared {
        KeyEventSpec downSpec;
        std::unique_ptr<KeyboardEvent> down;
        std::unique_ptr<KeyboardEvent> up;
        double preparedAt = 0;
    };
    Prepared makeEvents(const KeyStroke& stroke);
    Prepared takePrepared(const KeyStroke& stroke);
    void countRelease();

    std::shared_ptr<PlatformBackend> backend_;
    const Route route_;
    const KeyEventDestination destination_;
    // Read from the main thread for display while the typing thread posts.
    std::atomic<int> postCount_{0};
    std::atomic<double> lastPostUptime_{0};
    std::atomic<std::uint16_t> textVirtualKey_{0};
    std::atomic<bool> recordTimestamps_{false};
    mutable std::mutex timestampsMutex_;
    std::vector<double> postTimestamps_;
    // Touched only by the pressing thread.
    std::optional<Prepared> prepared_;
    std::unique_ptr<KeyboardEvent> heldUp_;
};

} // namespace plumeo
