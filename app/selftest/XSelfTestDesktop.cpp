#include "app/selftest/XSelfTestDesktop.h"

#include "platform/backend/BackendFactory.h"

// After the headers above: Xlib's macros (Status, BadRequest) would rewrite their names.
#include "app/selftest/XCanaryWindow.h"
#include "platform/backend/writer/XDesktop.h"

#include <chrono>
#include <thread>

namespace plumeo::selftest {

namespace {
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
} // namespace

XSelfTestDesktop::XSelfTestDesktop(const std::string& display)
    : display_(display), desktop_(std::make_unique<XDesktop>(display)) {}

XSelfTestDesktop::~XSelfTestDesktop() = default;

bool XSelfTestDesktop::openCanary(const std::string& title, const std::string& prompt) {
    std::lock_guard lock(lock_);
    try {
        canary_ = std::make_unique<XCanaryWindow>(display_, title, prompt);
    } catch (const std::exception&) {
        return false;
    }
    // Open means managed: until the window manager lists it, it cannot be brought forward.
    const auto deadline = Clock::now() + 5s;
    while (Clock::now() < deadline) {
        for (Window window : desktop_->windowsBottomToTop()) {
            if (window == canary_->id())
                return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    canary_.reset();
    return false;
}

void XSelfTestDesktop::closeCanary() {
    std::lock_guard lock(lock_);
    canary_.reset();
}

bool XSelfTestDesktop::bringCanaryToFront() {
    std::lock_guard lock(lock_);
    if (!canary_)
        return false;
    const Window canary = canary_->id();
    // In front means both: the window manager calls it active and the keyboard focus, where
    // XTest's keys go, is in it.
    const auto deadline = Clock::now() + 3s;
    auto nextRequest = Clock::now();
    while (Clock::now() < deadline) {
        if (desktop_->activeWindow() == canary && desktop_->focusedTopLevel() == canary)
            return true;
        if (Clock::now() >= nextRequest) {
            desktop_->requestActivation(canary);
            nextRequest = Clock::now() + 250ms;
        }
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

std::optional<std::u16string> XSelfTestDesktop::canaryText() {
    std::lock_guard lock(lock_);
    if (!canary_)
        return std::nullopt;
    return canary_->text();
}

bool XSelfTestDesktop::clickInWordBody(int) {
    return false;
}

std::shared_ptr<SelfTestDesktop> makeXSelfTestDesktop(const BackendHandle& backend) {
    if (backend.xDisplay.empty())
        return nullptr;
    return std::make_shared<XSelfTestDesktop>(backend.xDisplay);
}

} // namespace plumeo::selftest
