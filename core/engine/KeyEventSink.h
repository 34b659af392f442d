#pragma once

#include "core/text/PreparedText.h"

#include <chrono>

namespace plumeo {

/// Sends key strokes to the target word processor, one key-down and one key-up each.
///
/// The engine presses a stroke's key and leaves it held while it checks the next stroke, so
/// that the hold overlaps the check; it releases the key before anything else, never with two
/// keys down, and never sooner than the hold time after the key-down went out. It calls the
/// posting functions only from its worker thread with its lock held, and presses only right
/// after the guard agreed.
class KeyEventSink {
public:
    virtual ~KeyEventSink() = default;

    /// Readies `stroke` ahead of its press (for instance checks that events may be posted and
    /// makes them); posts nothing. Called outside the engine's lock, possibly while the
    /// previous key is still held. Throws when the stroke cannot be posted. Sinks with nothing
    /// to ready ignore it; press must work without it.
    virtual void prepare(const KeyStroke& stroke) { (void)stroke; }
    /// Posts the key-down of `stroke` and leaves the key held. Returns the moment the key-down
    /// went out, from which its hold counts. Throws when it could not be posted; then no key is
    /// held.
    virtual std::chrono::steady_clock::time_point press(const KeyStroke& stroke) = 0;
    /// Posts the key-up of the stroke pressed last. Throws when it could not be posted.
    virtual void release(const KeyStroke& stroke) = 0;
    /// Posts the key-up of `released`, the stroke held, and right behind it the key-down of
    /// `pressed`, leaving that key held. Sinks whose posts are round trips send the two
    /// together, so that letting one key up does not delay the next. Throws when they could
    /// not be posted; then no key is held. Returns what press does.
    virtual std::chrono::steady_clock::time_point releaseAndPress(const KeyStroke& released,
                                                                  const KeyStroke& pressed) {
        release(released);
        return press(pressed);
    }
};

} // namespace plumeo
