#include "platform/backend/apple/AppleBackend.h"

#include <signal.h>
#include <unistd.h>

namespace plumeo {

AppleBackend::~AppleBackend() {
    releaseHotKeys();
}

bool AppleBackend::processExists(std::int32_t pid) {
    return kill(pid, 0) == 0;
}

void AppleBackend::sleepMicroseconds(std::uint32_t microseconds) {
    usleep(microseconds);
}

std::unique_ptr<PlatformBackend> makeAppleBackend() {
    return std::make_unique<AppleBackend>();
}

} // namespace plumeo
