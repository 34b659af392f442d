#pragma once

#include "core/engine/KeyEventSink.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace plumeo::selftest {

/// Counts and timestamps the strokes that reached the real sink, and lets a scenario act at an
/// exact stroke through its hook.
class TappingSink final : public KeyEventSink {
public:
    using Hook = std::function<void(const KeyStroke& stroke, int strokes)>;

    /// `uptime` gives the system uptime in seconds.
    TappingSink(std::shared_ptr<KeyEventSink> inner, std::function<double()> uptime);

    void prepare(const KeyStroke& stroke) override;
    /// Counts the stroke once its key is down; a stroke the inner sink refuses is not counted,
    /// and its error reaches the engine.
    std::chrono::steady_clock::time_point press(const KeyStroke& stroke) override;
    void release(const KeyStroke& stroke) override;
    std::chrono::steady_clock::time_point releaseAndPress(const KeyStroke& released,
                                                          const KeyStroke& pressed) override;

    /// Set before the engine starts.
    void setHook(Hook hook);
    int strokes() const;
    /// The system uptime of each counted stroke, taken just before it was forwarded.
    std::vector<double> times() const;
    /// How many counted strokes were taken at or after `uptime`.
    int strokesSince(double uptime) const;

private:
    void countPress(const KeyStroke& stroke, double uptime);

    std::shared_ptr<KeyEventSink> inner_;
    std::function<double()> uptime_;
    mutable std::mutex lock_;
    std::vector<double> times_;
    int strokes_ = 0;
    Hook hook_;
};

} // namespace plumeo::selftest
