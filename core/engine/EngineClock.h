#pragma once

namespace plumeo {

/// Monotonic time in seconds. Must be callable from any thread.
class EngineClock {
public:
    virtual ~EngineClock() = default;
    virtual double now() const = 0;
};

/// Seconds of std::chrono::steady_clock: monotonic, unaffected by changes of the wall clock.
class SystemClock final : public EngineClock {
public:
    double now() const override;
};

} // namespace plumeo
