#include "app/desktop/DesktopIntegration.h"

#import <AppKit/AppKit.h>

namespace plumeo::desktop {
namespace {

NSWindow* windowOf(NativeView view) {
    if (view == 0)
        return nil;
    return [(__bridge NSView*)reinterpret_cast<void*>(view) window];
}

} // namespace

void keepOnEverySpace(NativeView panel) {
    @autoreleasepool {
        NSWindow* window = windowOf(panel);
        if (!window)
            return;
        // Qt may set its own behaviour when it (re)creates the window: add ours, keep its.
        [window setCollectionBehavior:[window collectionBehavior] |
                                      NSWindowCollectionBehaviorCanJoinAllSpaces |
                                      NSWindowCollectionBehaviorFullScreenAuxiliary];
        // Word is the active application while the panel matters most.
        [window setHidesOnDeactivate:NO];
        [window setRestorable:NO];
    }
}

void neverRestore(NativeView view) {
    @autoreleasepool {
        [windowOf(view) setRestorable:NO];
    }
}

void disableWindowRestoration() {
    @autoreleasepool {
        [[NSUserDefaults standardUserDefaults]
            registerDefaults:[NSDictionary dictionaryWithObject:[NSNumber numberWithBool:NO]
                                                         forKey:@"NSQuitAlwaysKeepsWindows"]];
    }
}

void runWithoutDockIcon() {
    @autoreleasepool {
        [[NSApplication sharedApplication]
            setActivationPolicy:NSApplicationActivationPolicyAccessory];
    }
}

std::optional<bool> systemReducesMotion() {
    @autoreleasepool {
        return static_cast<bool>(
            [[NSWorkspace sharedWorkspace] accessibilityDisplayShouldReduceMotion]);
    }
}

} // namespace plumeo::desktop
