#include "app/selftest/TappingSink.h"

#include <algorithm>

namespace plumeo::selftest {

TappingSink::TappingSink(std::shared_ptr<KeyEventSink> inner,
                         std::function<double()> uptime)
    : inner_(std::move(inner)), uptime_(std::move(uptime)) {}

void TappingSink::prepare(const KeyStroke& stroke) {
    inner_->prepare(stroke);
}

void TappingSink::release(const KeyStroke& stroke) {
    inner_->release(stroke);
}

std::chrono::steady_clock::time_point TappingSink::press(const KeyStroke& stroke) {
    const double uptime = uptime_();
    const auto pressedAt = inner_->press(stroke);
    countPress(stroke, uptime);
    return pressedAt;
}

std::chrono::steady_clock::time_point TappingSink::releaseAndPress(const KeyStroke& released,
                                                                   const KeyStroke& pressed) {
    const double uptime = uptime_();
    const auto pressedAt = inner_->releaseAndPress(released, pressed);
    countPress(pressed, uptime);
    return pressedAt;
}

void TappingSink::countPress(const KeyStroke& stroke, double uptime) {
    int count = 0;
    Hook hook;
    {
        const std::lock_guard<std::mutex> guard(lock_);
        times_.push_back(uptime);
        count = ++strokes_;
        hook = hook_;
    }
    // Outside the lock: the hook may stop the engine, which reads the counts back.
    if (hook)
        hook(stroke, count);
}

void TappingSink::setHook(Hook hook) {
    const std::lock_guard<std::mutex> guard(lock_);
    hook_ = std::move(hook);
}

int TappingSink::strokes() const {
    const std::lock_guard<std::mutex> guard(lock_);
    return strokes_;
}

std::vector<double> TappingSink::times() const {
    const std::lock_guard<std::mutex> guard(lock_);
    return times_;
}

int TappingSink::strokesSince(double uptime) const {
    const std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(
        std::count_if(times_.begin(), times_.end(), [uptime](double t) { return t >= uptime; }));
}

} // namespace plumeo::selftest
