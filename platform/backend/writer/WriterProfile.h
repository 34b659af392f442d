#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace plumeo {

/// Which of Writer's AutoCorrect and AutoFormat-while-typing switches a profile starts with.
enum class AutoCorrectPreset {
    allOff,         ///< every replacement, capitalisation and list rule off
    writerDefaults, ///< LibreOffice's own defaults, as a fresh installation has them
};

/// The settings written into a LibreOffice user profile before soffice starts.
struct WriterProfileOptions {
    AutoCorrectPreset autoCorrect = AutoCorrectPreset::allOff;
    /// Writer's word completion accepts its suggestion on Return, which would swallow a typed
    /// paragraph break; it stays off unless a caller wants to see exactly that.
    bool wordCompletion = false;
};

/// The user/registrymodifications.xcu text for these options: first-start wizard, tips,
/// crash reporter, update check and release-notes bar off, AutoCorrect as chosen.
std::string registryModifications(const WriterProfileOptions& options);

/// Writes the profile under `directory` (creating it). Returns an error message (UTF-8,
/// Chinese) when it could not be written.
std::optional<std::string> writeWriterProfile(const std::filesystem::path& directory,
                                              const WriterProfileOptions& options);

} // namespace plumeo
