#include "core/engine/EngineClock.h"

#include <chrono>

namespace plumeo {

double SystemClock::now() const {
    using Seconds = std::chrono::duration<double>;
    return std::chrono::duration_cast<Seconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace plumeo
