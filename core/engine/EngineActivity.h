#pragma once

#include <optional>
#include <string_view>

namespace plumeo {

/// What the engine's worker is doing while the phase is typing.
enum class EngineActivity { idle, typing, typoTyped, typoFixing, checking };

/// The raw value is the case name.
std::string_view rawValue(EngineActivity activity);
std::optional<EngineActivity> engineActivityFromRawValue(std::string_view raw);
/// The user-facing name (UTF-8).
std::string_view label(EngineActivity activity);
/// True while a typo is on screen or being taken back.
bool isCorrecting(EngineActivity activity);

} // namespace plumeo
