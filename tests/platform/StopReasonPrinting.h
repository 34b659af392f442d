#pragma once

// Readable GoogleTest output for the stop reasons the platform tests compare.

#include "core/engine/StopReason.h"

#include <ostream>

namespace plumeo {

inline void PrintTo(const StopReason& reason, std::ostream* out) {
    *out << reason.message();
}

} // namespace plumeo
