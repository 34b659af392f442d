#pragma once

#include <X11/X.h>

#include <cstdint>
#include <optional>

namespace plumeo {

/// The X keysym of a Mac virtual key code (ANSI layout), as the platform classes and the hot
/// keys name keys; empty for a key X has no counterpart for.
std::optional<KeySym> keysymForVirtualKey(std::uint16_t virtualKey);
/// X modifier masks for Quartz event flags (Shift 0x20000, Control 0x40000, Option 0x80000,
/// Command 0x100000).
unsigned int modifiersForEventFlags(std::uint64_t flags);
/// X modifier masks for Carbon hot-key modifiers (cmdKey 0x100, shiftKey 0x200, optionKey
/// 0x800, controlKey 0x1000). Command becomes Super, Option becomes Alt.
unsigned int modifiersForCarbon(std::uint32_t modifiers);

} // namespace plumeo
