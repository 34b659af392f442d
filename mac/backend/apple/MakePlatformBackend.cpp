#include "mac/backend/apple/AppleBackend.h"

namespace plumeo {

std::unique_ptr<PlatformBackend> makePlatformBackend() {
    return makeAppleBackend();
}

} // namespace plumeo
