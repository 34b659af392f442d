#pragma once

#include "core/text/TypingMode.h"

namespace plumeo {

/// The fixed pacing rules of one typing mode. Fields are plain so a test can build its own.
struct PacingProfile {
    int checkpointEvery = 24;          ///< Longest run of units between two read-backs.
    bool checkpointAtParagraph = true; ///< Also read back after every paragraph break.
    double keyHoldMs = 6;              ///< Between key-down and key-up of one key event.
    bool adaptive = false;             ///< The engine paces itself by how fast Word keeps up.
    double minIntervalMs = 20;         ///< Shortest delay after a unit; the fast mode's delay.

    static PacingProfile forMode(TypingMode mode) {
        switch (mode) {
        case TypingMode::stable:
            return {24, true, 6, false, 20};
        case TypingMode::fast:
            return {60, false, 1, true, 1};
        case TypingMode::natural:
            return {30, true, 12, false, 25};
        }
        return {};
    }

    bool operator==(const PacingProfile&) const = default;
};

} // namespace plumeo
