#pragma once

#include "platform/backend/PlatformBackend.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace plumeo {

/// The two global hot keys, pause/resume (⌃⌥⌘P) and emergency stop (⌃⌥⌘.), which work
/// whichever application is in front. The handler runs on the thread that delivers hot keys
/// (the main thread on macOS) and must hand the action on without blocking.
class HotKeyCenter {
public:
    enum class Action : std::uint32_t { togglePause = 1, emergencyStop = 2 };

    static constexpr std::string_view pauseDescription = "⌃⌥⌘P";
    static constexpr std::string_view stopDescription = "⌃⌥⌘.";
    /// PLMO: the same tag as the program's key events.
    static constexpr std::uint32_t signature = 0x504C4D4F;
    /// Control + Option + Command in Carbon's modifier bits.
    static constexpr std::uint32_t modifiers = 0x1000 | 0x800 | 0x100;
    static constexpr std::uint32_t pauseKeyCode = 35;
    static constexpr std::uint32_t stopKeyCode = 47;

    HotKeyCenter(std::shared_ptr<PlatformBackend> backend, std::function<void(Action)> handler);
    /// Unregisters the hot keys and removes the event handler.
    ~HotKeyCenter();

    HotKeyCenter(const HotKeyCenter&) = delete;
    HotKeyCenter& operator=(const HotKeyCenter&) = delete;

    /// Installs the event handler and both hot keys; true only when all three succeeded. A
    /// failed hot key is not retried; one that succeeded stays registered. Calling it again
    /// first releases what an earlier call registered.
    bool registerHotKeys();

private:
    void release();

    std::shared_ptr<PlatformBackend> backend_;
    std::function<void(Action)> handler_;
    std::vector<HotKeyRef> refs_;
    std::optional<HotKeyHandlerRef> handlerRef_;
};

} // namespace plumeo
