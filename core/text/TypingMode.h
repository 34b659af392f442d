#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace plumeo {

/// How a session paces the text. The order is the order of every per-mode table.
enum class TypingMode { stable, fast, natural };

inline constexpr std::array<TypingMode, 3> allTypingModes = {TypingMode::stable, TypingMode::fast,
                                                             TypingMode::natural};

/// The persisted and encoded name: "stable", "fast" or "natural".
std::string_view rawValue(TypingMode mode);
/// Exactly the three raw values; anything else gives nothing.
std::optional<TypingMode> typingModeFromRawValue(std::string_view raw);

/// The mode's name as the user sees it.
std::string title(TypingMode mode);
/// One line that tells the user what the mode does.
std::string summary(TypingMode mode);

} // namespace plumeo
