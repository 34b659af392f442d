#include "platform/input/CGKeySink.h"

#include <cmath>
#include <limits>

namespace plumeo {

const char* KeySynthError::what() const noexcept {
    switch (kind_) {
    case Kind::noPostPermission:
        return "没有发送键盘事件的辅助功能权限";
    case Kind::eventCreationFailed:
        return "无法创建键盘事件";
    }
    return "";
}

namespace {

KeyEventDestination destinationFor(const CGKeySink::Route& route) {
    if (route.kind == CGKeySink::Route::Kind::hidTap)
        return KeyEventDestination::hidTap();
    return KeyEventDestination::process(route.processID);
}

} // namespace

CGKeySink::CGKeySink(std::shared_ptr<PlatformBackend> backend, Route route)
    : backend_(std::move(backend)), route_(route), destination_(destinationFor(route)) {}

KeyEventSpec CGKeySink::keyDownSpec(const KeyStroke& stroke, std::uint16_t textVirtualKey) {
    KeyEventSpec spec;
    spec.keyDown = true;
    spec.userData = userDataTag;
    // Flags are always set explicitly, so a modifier the user holds never leaks into a stroke.
    spec.flags = 0;
    switch (stroke.kind) {
    case KeyStroke::Kind::text:
        spec.virtualKey = textVirtualKey;
        spec.unicode = stroke.text;
        break;
    case KeyStroke::Kind::returnKey:
        spec.virtualKey = returnVirtualKey;
        break;
    case KeyStroke::Kind::shiftReturn:
        spec.virtualKey = returnVirtualKey;
        spec.flags = shiftFlag;
        break;
    case KeyStroke::Kind::tab:
        spec.virtualKey = tabVirtualKey;
        break;
    case KeyStroke::Kind::backspace:
        spec.virtualKey = deleteVirtualKey;
        break;
    }
    return spec;
}

std::uint32_t CGKeySink::holdMicroseconds(double holdMs) {
    constexpr double maxMicroseconds = std::numeric_limits<std::uint32_t>::max();
    if (!(holdMs > 0)) // also catches NaN
        return 0;
    const double microseconds = holdMs * 1000.0;
    if (microseconds >= maxMicroseconds)
        return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(microseconds);
}

void CGKeySink::post(const KeyStroke& stroke, double holdMs) {
    KeyEventSpec downSpec = keyDownSpec(stroke, textVirtualKey_.load());
    KeyEventSpec upSpec = downSpec;
    upSpec.keyDown = false;

    // Asked before every stroke, so a permission withdrawn mid-session stops the next one.
    if (!backend_->preflightPostEventAccess())
        throw KeySynthError::noPostPermission();
    auto down = backend_->createKeyboardEvent(downSpec);
    auto up = backend_->createKeyboardEvent(upSpec);
    if (!down || !up)
        throw KeySynthError::eventCreationFailed();

    backend_->postKeyboardEvent(*down, destination_);
    if (const auto hold = holdMicroseconds(holdMs); hold > 0)
        backend_->sleepMicroseconds(hold);
    backend_->postKeyboardEvent(*up, destination_);

    const double postedAt = backend_->systemUptime();
    postCount_.fetch_add(1);
    lastPostUptime_.store(postedAt);
    if (recordTimestamps_.load()) {
        std::lock_guard lock(timestampsMutex_);
        postTimestamps_.push_back(postedAt);
    }
}

std::vector<double> CGKeySink::postTimestamps() const {
    std::lock_guard lock(timestampsMutex_);
    return postTimestamps_;
}

void CGKeySink::setPostTimestamps(std::vector<double> timestamps) {
    std::lock_guard lock(timestampsMutex_);
    postTimestamps_ = std::move(timestamps);
}

} // namespace plumeo
