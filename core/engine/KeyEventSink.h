#pragma once

#include "core/text/PreparedText.h"

namespace plumeo {

/// Sends key strokes to the target word processor.
class KeyEventSink {
public:
    virtual ~KeyEventSink() = default;

    /// Posts one stroke, holding the key `holdMs` milliseconds between press and release, and
    /// returns once it has been posted. Throws when the stroke could not be posted; the engine
    /// calls it only from its worker thread, with its lock held, right after the guard agreed.
    virtual void post(const KeyStroke& stroke, double holdMs) = 0;
};

} // namespace plumeo
