#include "platform/backend/apple/AppleBackend.h"
#include "platform/backend/apple/AutoreleasePool.h"

#include <Carbon/Carbon.h>
#include <cstdint>

namespace plumeo {

namespace {

EventHandlerRef nativeHandler(HotKeyHandlerRef handler) {
    return reinterpret_cast<EventHandlerRef>(static_cast<std::uintptr_t>(handler));
}

EventHotKeyRef nativeHotKey(HotKeyRef ref) {
    return reinterpret_cast<EventHotKeyRef>(static_cast<std::uintptr_t>(ref));
}

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

// Carbon's event handlers and hot keys belong to the main thread: every call below hops there.

void AppleBackend::releaseHotKeys() {
    std::set<HotKeyRef> hotKeys;
    std::map<HotKeyHandlerRef, std::unique_ptr<AppleHotKeyHandler>> handlers;
    {
        std::lock_guard lock(hotKeyMutex_);
        hotKeys.swap(hotKeys_);
        handlers.swap(hotKeyHandlers_);
    }
    const bool released = runOnMainThread([&] {
        for (const HotKeyRef ref : hotKeys) {
            UnregisterEventHotKey(nativeHotKey(ref));
        }
        for (const auto& [ref, handler] : handlers) {
            RemoveEventHandler(nativeHandler(ref));
        }
    });
    if (!released) {
        // Carbon still holds the handlers' user data; it must outlive this backend.
        for (auto& [ref, handler] : handlers) {
            handler.release();
        }
    }
}

std::optional<HotKeyHandlerRef> AppleBackend::installHotKeyHandler(HotKeyCallback callback) {
    auto handler = std::make_unique<AppleHotKeyHandler>(AppleHotKeyHandler{std::move(callback)});
    EventHandlerRef installed = nullptr;
    OSStatus status = paramErr;
    const bool hopped = runOnMainThread([&] {
        apple::inAutoreleasePool([&] {
            const EventTypeSpec pressed{kEventClassKeyboard, kEventHotKeyPressed};
            status = InstallEventHandler(GetApplicationEventTarget(), hotKeyPressed, 1, &pressed,
                                         handler.get(), &installed);
        });
    });
    if (!hopped || status != noErr || !installed) {
        return std::nullopt;
    }
    const auto ref = static_cast<HotKeyHandlerRef>(reinterpret_cast<std::uintptr_t>(installed));
    std::lock_guard lock(hotKeyMutex_);
    hotKeyHandlers_[ref] = std::move(handler);
    return ref;
}

void AppleBackend::removeHotKeyHandler(HotKeyHandlerRef handler) {
    // Only references this backend handed out reach Carbon, which would follow any pointer.
    std::unique_ptr<AppleHotKeyHandler> installed;
    {
        std::lock_guard lock(hotKeyMutex_);
        const auto found = hotKeyHandlers_.find(handler);
        if (found == hotKeyHandlers_.end()) {
            return;
        }
        installed = std::move(found->second);
        hotKeyHandlers_.erase(found);
    }
    const bool removed = runOnMainThread(
        [&] { apple::inAutoreleasePool([&] { RemoveEventHandler(nativeHandler(handler)); }); });
    if (!removed) {
        // Still installed: Carbon may yet call it with this user data.
        installed.release();
    }
}

std::optional<HotKeyRef> AppleBackend::registerHotKey(std::uint32_t keyCode,
                                                      std::uint32_t modifiers, HotKeyID id,
                                                      HotKeyOwnership ownership) {
    EventHotKeyRef registered = nullptr;
    OSStatus status = paramErr;
    const bool hopped = runOnMainThread([&] {
        apple::inAutoreleasePool([&] {
            const EventHotKeyID native{id.signature, id.id};
            const OptionBits options = ownership == HotKeyOwnership::exclusive
                                           ? kEventHotKeyExclusive
                                           : kEventHotKeyNoOptions;
            status = RegisterEventHotKey(keyCode, modifiers, native, GetApplicationEventTarget(),
                                         options, &registered);
        });
    });
    if (!hopped || status != noErr || !registered) {
        return std::nullopt;
    }
    const auto ref = static_cast<HotKeyRef>(reinterpret_cast<std::uintptr_t>(registered));
    std::lock_guard lock(hotKeyMutex_);
    hotKeys_.insert(ref);
    return ref;
}

void AppleBackend::unregisterHotKey(HotKeyRef ref) {
    {
        std::lock_guard lock(hotKeyMutex_);
        if (hotKeys_.erase(ref) == 0) {
            return;
        }
    }
    runOnMainThread(
        [&] { apple::inAutoreleasePool([&] { UnregisterEventHotKey(nativeHotKey(ref)); }); });
}

} // namespace plumeo
