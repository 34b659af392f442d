#include "mac/backend/apple/AppleBackend.h"

#include <Carbon/Carbon.h>
#include <cstdint>

namespace plumeo {

namespace {

OSStatus hotKeyPressed(EventHandlerCallRef, EventRef event, void* userData) {
    const auto* handler = static_cast<const AppleHotKeyHandler*>(userData);
    EventHotKeyID pressed{};
    std::optional<HotKeyID> id;
    if (GetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, nullptr,
                          sizeof pressed, nullptr, &pressed) == noErr) {
        id = HotKeyID{pressed.signature, pressed.id};
    }
    return handler->callback(id);
}

} // namespace

void AppleBackend::releaseHotKeys() {
    // Carbon would otherwise call handlers whose user data is freed with this backend.
    std::lock_guard lock(hotKeyMutex_);
    for (const HotKeyRef ref : hotKeys_) {
        UnregisterEventHotKey(reinterpret_cast<EventHotKeyRef>(static_cast<std::uintptr_t>(ref)));
    }
    hotKeys_.clear();
    for (const auto& [ref, handler] : hotKeyHandlers_) {
        RemoveEventHandler(reinterpret_cast<EventHandlerRef>(static_cast<std::uintptr_t>(ref)));
    }
    hotKeyHandlers_.clear();
}

std::optional<HotKeyHandlerRef> AppleBackend::installHotKeyHandler(HotKeyCallback callback) {
    auto handler = std::make_unique<AppleHotKeyHandler>(AppleHotKeyHandler{std::move(callback)});
    const EventTypeSpec pressed{kEventClassKeyboard, kEventHotKeyPressed};
    EventHandlerRef installed = nullptr;
    if (InstallEventHandler(GetApplicationEventTarget(), hotKeyPressed, 1, &pressed, handler.get(),
                            &installed) != noErr ||
        !installed) {
        return std::nullopt;
    }
    const auto ref = static_cast<HotKeyHandlerRef>(reinterpret_cast<std::uintptr_t>(installed));
    std::lock_guard lock(hotKeyMutex_);
    hotKeyHandlers_[ref] = std::move(handler);
    return ref;
}

void AppleBackend::removeHotKeyHandler(HotKeyHandlerRef handler) {
    // Only references this backend handed out reach Carbon, which would follow any pointer.
    std::lock_guard lock(hotKeyMutex_);
    const auto installed = hotKeyHandlers_.find(handler);
    if (installed == hotKeyHandlers_.end()) {
        return;
    }
    RemoveEventHandler(reinterpret_cast<EventHandlerRef>(static_cast<std::uintptr_t>(handler)));
    hotKeyHandlers_.erase(installed);
}

std::optional<HotKeyRef> AppleBackend::registerHotKey(std::uint32_t keyCode,
                                                      std::uint32_t modifiers, HotKeyID id) {
    const EventHotKeyID native{id.signature, id.id};
    EventHotKeyRef registered = nullptr;
    if (RegisterEventHotKey(keyCode, modifiers, native, GetApplicationEventTarget(), 0,
                            &registered) != noErr ||
        !registered) {
        return std::nullopt;
    }
    const auto ref = static_cast<HotKeyRef>(reinterpret_cast<std::uintptr_t>(registered));
    std::lock_guard lock(hotKeyMutex_);
    hotKeys_.insert(ref);
    return ref;
}

void AppleBackend::unregisterHotKey(HotKeyRef ref) {
    std::lock_guard lock(hotKeyMutex_);
    if (hotKeys_.erase(ref) == 0) {
        return;
    }
    UnregisterEventHotKey(reinterpret_cast<EventHotKeyRef>(static_cast<std::uintptr_t>(ref)));
}

} // namespace plumeo
