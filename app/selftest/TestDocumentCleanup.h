#pragma once

#include "platform/backend/PlatformBackend.h"

#include <filesystem>
#include <memory>

namespace plumeo::selftest {

/// --cleanup-test-docs: closes, without saving, the never-saved documents that hold text only
/// the self-test's fixtures write, lists them in cleanup.md, and leaves every other document
/// alone. Returns how many it closed.
int cleanUpTestDocuments(const std::shared_ptr<PlatformBackend>& backend,
                         const std::filesystem::path& directory);

} // namespace plumeo::selftest
