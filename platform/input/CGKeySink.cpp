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

CGKeySink::Prepared CGKeySink::makeEvents(const KeyStroke& stroke) {
    Prepared prepared;
    prepared.downSpec = keyDownSpec(stroke, textVirtualKey_.load());
    KeyEventSpec upSpec = prepared.downSpec;
    upSpec.keyDown = false;

    // Asked before every stroke, so a permission withdrawn mid-session stops the next one.
    if (!backend_->preflightPostEventAccess())
        throw KeySynthError::noPostPermission();
    prepared.down = backend_->createKeyboardEvent(prepared.downSpec);
    prepared.up = backend_->createKeyboardEvent(upSpec);
    if (!prepared.down || !prepared.up)
        throw KeySynthError::eventCreationFailed();
    prepared.preparedAt = backend_->systemUptime();
    return prepared;
}

void CGKeySink::prepare(const KeyStroke& stroke) {
    prepared_.reset();
    prepared_ = makeEvents(stroke);
}

CGKeySink::Prepared CGKeySink::takePrepared(const KeyStroke& stroke) {
    // A preparation serves only the press right after it: one left over from before a stop
    // would vouch for a permission that may have been withdrawn since.
    constexpr double freshSeconds = 0.1;
    std::optional<Prepared> prepared = std::move(prepared_);
    prepared_.reset();
    if (!prepared || prepared->downSpec != keyDownSpec(stroke, textVirtualKey_.load()) ||
        backend_->systemUptime() - prepared->preparedAt > freshSeconds)
        prepared = makeEvents(stroke);
    return std::move(*prepared);
}

std::chrono::steady_clock::time_point CGKeySink::press(const KeyStroke& stroke) {
    Prepared prepared = takePrepared(stroke);
    const auto postedAt = std::chrono::steady_clock::now();
    backend_->postKeyboardEvent(*prepared.down, destination_);
    heldUp_ = std::move(prepared.up);
    return postedAt;
}

void CGKeySink::release(const KeyStroke&) {
    if (!heldUp_)
        return;
    const std::unique_ptr<KeyboardEvent> up = std::move(heldUp_);
    backend_->postKeyboardEvent(*up, destination_);
    countRelease();
}

std::chrono::steady_clock::time_point CGKeySink::releaseAndPress(const KeyStroke& released,
                                                                 const KeyStroke& pressed) {
    if (!heldUp_)
        return press(pressed);
    Prepared prepared;
    try {
        prepared = takePrepared(pressed);
    } catch (...) {
        // The held key goes up all the same.
        release(released);
        throw;
    }
    const std::unique_ptr<KeyboardEvent> up = std::move(heldUp_);
    const auto postedAt = std::chrono::steady_clock::now();
    backend_->postKeyboardEvents({up.get(), prepared.down.get()}, destination_);
    countRelease();
    heldUp_ = std::move(prepared.up);
    return postedAt;
}

void CGKeySink::countRelease() {
    const double postedAt = backend_->systemUptime();
    postCount_.fetch_add(1);
    lastPostUptime_.store(postedAt);
    if (recordTimestamps_.load()) {
        std::lock_guard lock(timestampsMutex_);
        postTimestamps_.push_back(postedAt);
    }
}

void CGKeySink::post(const KeyStroke& stroke, double holdMs) {
    press(stroke);
    if (const auto hold = holdMicroseconds(holdMs); hold > 0)
        backend_->sleepMicroseconds(hold);
    release(stroke);
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
