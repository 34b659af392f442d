#include "platform/input/HotKeyCenter.h"

namespace plumeo {

HotKeyCenter::HotKeyCenter(std::shared_ptr<PlatformBackend> backend,
                           std::function<void(Action)> handler)
    : backend_(std::move(backend)), handler_(std::move(handler)) {}

HotKeyCenter::~HotKeyCenter() {
    release();
}

bool HotKeyCenter::registerHotKeys() {
    release();
    // The callback holds its own copy of the handler, not the center, so a hot key that
    // arrives while the center is being torn down finds nothing dangling.
    handlerRef_ = backend_->installHotKeyHandler(
        [handler = handler_](std::optional<HotKeyID> id) -> std::int32_t {
            if (id && id->id == static_cast<std::uint32_t>(Action::togglePause)) {
                handler(Action::togglePause);
            } else if (id && id->id == static_cast<std::uint32_t>(Action::emergencyStop)) {
                handler(Action::emergencyStop);
            }
            return 0; // noErr: every hot-key event counts as handled
        });
    if (!handlerRef_) {
        return false;
    }
    bool allRegistered = true;
    const std::pair<std::uint32_t, Action> table[] = {{pauseKeyCode, Action::togglePause},
                                                      {stopKeyCode, Action::emergencyStop}};
    for (const auto& [keyCode, action] : table) {
        const HotKeyID id{signature, static_cast<std::uint32_t>(action)};
        // Exclusive, so that a combination another application holds fails here instead of
        // registering fine and never being heard.
        if (auto ref =
                backend_->registerHotKey(keyCode, modifiers, id, HotKeyOwnership::exclusive)) {
            refs_.push_back(*ref);
        } else {
            allRegistered = false;
        }
    }
    return allRegistered;
}

void HotKeyCenter::release() {
    for (HotKeyRef ref : refs_) {
        backend_->unregisterHotKey(ref);
    }
    refs_.clear();
    if (handlerRef_) {
        backend_->removeHotKeyHandler(*handlerRef_);
        handlerRef_.reset();
    }
}

} // namespace plumeo
