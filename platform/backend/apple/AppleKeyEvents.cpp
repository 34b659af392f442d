#include "platform/backend/apple/AppleBackend.h"
#include "platform/backend/apple/AutoreleasePool.h"
#include "platform/backend/apple/CFConversions.h"

#include <ApplicationServices/ApplicationServices.h>

namespace plumeo {

namespace {

class AppleKeyboardEvent final : public KeyboardEvent {
public:
    AppleKeyboardEvent(KeyEventSpec spec, apple::CFOwned<CGEventRef> event)
        : spec_(std::move(spec)), event_(std::move(event)) {}

    const KeyEventSpec& spec() const override { return spec_; }
    CGEventRef event() const { return event_.get(); }

private:
    KeyEventSpec spec_;
    apple::CFOwned<CGEventRef> event_;
};

} // namespace

std::unique_ptr<KeyboardEvent> AppleBackend::createKeyboardEvent(const KeyEventSpec& spec) {
    return apple::inAutoreleasePool([&]() -> std::unique_ptr<KeyboardEvent> {
        apple::CFOwned<CGEventRef> event;
        const auto create = [&] {
            // CGEventSourceRef is not a const pointer; the source only goes back to Quartz.
            const auto source =
                static_cast<CGEventSourceRef>(const_cast<void*>(eventSource_.get()));
            event.reset(CGEventCreateKeyboardEvent(source, static_cast<CGKeyCode>(spec.virtualKey),
                                                   spec.keyDown));
        };
        if (eventSourceReady_.load(std::memory_order_acquire)) {
            create();
        } else {
            std::lock_guard lock(eventSourceMutex_);
            if (eventSourceReady_.load(std::memory_order_relaxed)) {
                create();
            } else {
                const bool hopped = runOnMainThread([&] {
                    eventSource_ =
                        apple::shareOwned(CGEventSourceCreate(kCGEventSourceStatePrivate));
                    create();
                });
                if (!hopped) {
                    return nullptr;
                }
                eventSourceReady_.store(true, std::memory_order_release);
            }
        }
        if (!event) {
            return nullptr;
        }
        CGEventSetFlags(event.get(), static_cast<CGEventFlags>(spec.flags));
        CGEventSetIntegerValueField(event.get(), kCGEventSourceUserData, spec.userData);
        if (!spec.unicode.empty()) {
            CGEventKeyboardSetUnicodeString(event.get(), spec.unicode.size(),
                                            reinterpret_cast<const UniChar*>(spec.unicode.data()));
        }
        return std::make_unique<AppleKeyboardEvent>(spec, std::move(event));
    });
}

void AppleBackend::postKeyboardEvent(const KeyboardEvent& event,
                                     const KeyEventDestination& destination) {
    const auto* native = dynamic_cast<const AppleKeyboardEvent*>(&event);
    if (!native) {
        return;
    }
    apple::inAutoreleasePool([&] {
        switch (destination.kind) {
        case KeyEventDestination::Kind::process:
            CGEventPostToPid(destination.pid, native->event());
            return;
        case KeyEventDestination::Kind::hidTap:
            CGEventPost(kCGHIDEventTap, native->event());
            return;
        }
    });
}

double AppleBackend::secondsSinceLastEventType(EventSourceState state, std::uint32_t eventType) {
    return apple::inAutoreleasePool([&] {
        return CGEventSourceSecondsSinceLastEventType(static_cast<CGEventSourceStateID>(state),
                                                      static_cast<CGEventType>(eventType));
    });
}

bool AppleBackend::preflightPostEventAccess() {
    return apple::inAutoreleasePool([] { return CGPreflightPostEventAccess(); });
}

bool AppleBackend::requestPostEventAccess() {
    return apple::inAutoreleasePool([] { return CGRequestPostEventAccess(); });
}

} // namespace plumeo
