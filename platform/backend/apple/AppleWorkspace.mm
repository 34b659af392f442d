#include "platform/backend/apple/AppleBackend.h"
#include "platform/backend/apple/CFConversions.h"

#import <AppKit/AppKit.h>
#import <CoreFoundation/CoreFoundation.h>
#import <Foundation/Foundation.h>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <future>

namespace plumeo {

namespace {

/// One workspace observer's callback. Notifications run it under `mutex`, and removal clears
/// `active` under the same mutex, so no callback starts after removeObserver returns; the
/// mutex is recursive so that a callback may remove its own observer.
struct ObserverSlot {
    std::recursive_mutex mutex;
    bool active = true;
    std::function<void(std::int32_t)> callback;
};

/// One hop to the main thread. A hop that the caller gave up on is abandoned, and the block,
/// should the main thread still come to it, then leaves `work` alone.
struct MainThreadHop {
    enum class State { waiting, taken, abandoned, done };
    std::mutex mutex;
    std::condition_variable changed;
    State state = State::waiting;
    std::exception_ptr failure;
};

constexpr double keepAliveSeconds = 1.0e9;
constexpr double mainLoopSliceSeconds = 0.25;

struct ObserverEntry {
    id observer;
    std::shared_ptr<ObserverSlot> slot;
};

NSString* stringOf(std::string_view utf8) {
    return (__bridge_transfer NSString*)apple::makeCFString(utf8).release();
}

std::optional<std::string> utf8Of(NSString* text) {
    if (!text) {
        return std::nullopt;
    }
    return apple::utf8Of((__bridge CFStringRef)text);
}

RunningApp describe(NSRunningApplication* application) {
    return RunningApp{application.processIdentifier,
                      utf8Of(application.bundleIdentifier).value_or(std::string()),
                      utf8Of(application.localizedName)};
}

} // namespace

struct AppleWorkspaceState {
    std::mutex mutex;
    std::map<ObserverToken, ObserverEntry> observers;
    ObserverToken nextToken = 1;

    ObserverToken observe(NSNotificationName name, std::function<void(std::int32_t)> callback) {
        auto slot = std::make_shared<ObserverSlot>();
        slot->callback = std::move(callback);
        NSNotificationCenter* center = NSWorkspace.sharedWorkspace.notificationCenter;
        id observer = [center
            addObserverForName:name
                        object:nil
                         queue:nil
                    usingBlock:^(NSNotification* notification) {
                      id application =
                          [notification.userInfo objectForKey:NSWorkspaceApplicationKey];
                      if (![application isKindOfClass:[NSRunningApplication class]]) {
                          return;
                      }
                      const pid_t pid = ((NSRunningApplication*)application).processIdentifier;
                      std::lock_guard lock(slot->mutex);
                      if (slot->active) {
                          slot->callback(pid);
                      }
                    }];
        std::lock_guard lock(mutex);
        const ObserverToken token = nextToken++;
        observers.emplace(token, ObserverEntry{observer, std::move(slot)});
        return token;
    }

    void remove(ObserverToken token) {
        ObserverEntry entry;
        {
            std::lock_guard lock(mutex);
            const auto found = observers.find(token);
            if (found == observers.end()) {
                return;
            }
            entry = std::move(found->second);
            observers.erase(found);
        }
        [NSWorkspace.sharedWorkspace.notificationCenter removeObserver:entry.observer];
        std::lock_guard lock(entry.slot->mutex);
        entry.slot->active = false;
    }
};

AppleBackend::AppleBackend() : workspace_(new AppleWorkspaceState) {}

void AppleBackend::WorkspaceStateDeleter::operator()(AppleWorkspaceState* state) const {
    // The notification center would otherwise keep calling into a backend that is gone.
    @autoreleasepool {
        std::vector<ObserverToken> tokens;
        {
            std::lock_guard lock(state->mutex);
            for (const auto& [token, entry] : state->observers) {
                tokens.push_back(token);
            }
        }
        for (const ObserverToken token : tokens) {
            state->remove(token);
        }
    }
    delete state;
}

std::vector<RunningApp> AppleBackend::runningApplications(std::string_view bundleIdentifier) {
    @autoreleasepool {
        NSString* identifier = stringOf(bundleIdentifier);
        if (!identifier) {
            return {};
        }
        NSArray<NSRunningApplication*>* applications =
            [NSRunningApplication runningApplicationsWithBundleIdentifier:identifier];
        std::vector<RunningApp> result;
        for (NSUInteger index = 0; index < applications.count; ++index) {
            result.push_back(describe([applications objectAtIndex:index]));
        }
        return result;
    }
}

std::optional<RunningApp> AppleBackend::runningApplication(std::int32_t pid) {
    @autoreleasepool {
        NSRunningApplication* application =
            [NSRunningApplication runningApplicationWithProcessIdentifier:pid];
        if (!application) {
            return std::nullopt;
        }
        return describe(application);
    }
}

std::optional<RunningApp> AppleBackend::frontmostApplication() {
    @autoreleasepool {
        NSRunningApplication* application = NSWorkspace.sharedWorkspace.frontmostApplication;
        if (!application) {
            return std::nullopt;
        }
        return describe(application);
    }
}

bool AppleBackend::activateApplication(std::int32_t pid) {
    @autoreleasepool {
        NSRunningApplication* application =
            [NSRunningApplication runningApplicationWithProcessIdentifier:pid];
        return application && [application activateWithOptions:NSApplicationActivateAllWindows];
    }
}

bool AppleBackend::openApplication(std::string_view bundleIdentifier) {
    auto opened = std::make_shared<std::promise<bool>>();
    std::future<bool> outcome = opened->get_future();
    @autoreleasepool {
        NSString* identifier = stringOf(bundleIdentifier);
        NSURL* location = identifier ? [NSWorkspace.sharedWorkspace
                                           URLForApplicationWithBundleIdentifier:identifier]
                                     : nil;
        if (!location) {
            return false;
        }
        // The completion handler runs on a queue of the workspace's own, never this thread.
        [NSWorkspace.sharedWorkspace
            openApplicationAtURL:location
                   configuration:[NSWorkspaceOpenConfiguration configuration]
               completionHandler:^(NSRunningApplication* application, NSError* error) {
                 opened->set_value(application != nil && error == nil);
               }];
    }
    return outcome.get();
}

bool AppleBackend::openURL(std::string_view url) {
    @autoreleasepool {
        NSString* text = stringOf(url);
        NSURL* location = text ? [NSURL URLWithString:text] : nil;
        return location && [NSWorkspace.sharedWorkspace openURL:location];
    }
}

ObserverToken
AppleBackend::observeApplicationTerminated(std::function<void(std::int32_t pid)> onTerminated) {
    @autoreleasepool {
        return workspace_->observe(NSWorkspaceDidTerminateApplicationNotification,
                                   std::move(onTerminated));
    }
}

ObserverToken
AppleBackend::observeApplicationActivated(std::function<void(std::int32_t pid)> onActivated) {
    @autoreleasepool {
        return workspace_->observe(NSWorkspaceDidActivateApplicationNotification,
                                   std::move(onActivated));
    }
}

void AppleBackend::removeObserver(ObserverToken token) {
    @autoreleasepool {
        workspace_->remove(token);
    }
}

double AppleBackend::systemUptime() {
    @autoreleasepool {
        return NSProcessInfo.processInfo.systemUptime;
    }
}

bool AppleBackend::isMainThread() {
    return CFRunLoopGetCurrent() == CFRunLoopGetMain();
}

bool AppleBackend::runOnMainThread(const std::function<void()>& work, double waitSeconds) {
    if (isMainThread()) {
        work();
        return true;
    }
    auto hop = std::make_shared<MainThreadHop>();
    // The block reaches `work` through a pointer: it runs only while this call waits for it.
    const std::function<void()>* job = &work;
    CFRunLoopRef mainLoop = CFRunLoopGetMain();
    CFRunLoopPerformBlock(mainLoop, kCFRunLoopCommonModes, ^{
      {
          std::lock_guard lock(hop->mutex);
          if (hop->state == MainThreadHop::State::abandoned) {
              return;
          }
          hop->state = MainThreadHop::State::taken;
      }
      hop->changed.notify_all();
      try {
          (*job)();
      } catch (...) {
          hop->failure = std::current_exception();
      }
      {
          std::lock_guard lock(hop->mutex);
          hop->state = MainThreadHop::State::done;
      }
      hop->changed.notify_all();
    });
    CFRunLoopWakeUp(mainLoop);

    std::unique_lock lock(hop->mutex);
    const bool taken = hop->changed.wait_for(lock, std::chrono::duration<double>(waitSeconds), [&] {
        return hop->state != MainThreadHop::State::waiting;
    });
    if (!taken) {
        // The main thread is not turning its run loop, or waits for this thread.
        hop->state = MainThreadHop::State::abandoned;
        return false;
    }
    hop->changed.wait(lock, [&] { return hop->state == MainThreadHop::State::done; });
    if (hop->failure) {
        std::rethrow_exception(hop->failure);
    }
    return true;
}

void AppleBackend::runMainLoop() {
    if (!isMainThread()) {
        return;
    }
    // Without any source or timer the run loop would return at once; this timer never fires
    // in practice and keeps it waiting for hops, notifications and hot keys instead.
    const apple::CFOwned<CFRunLoopTimerRef> keepAlive(CFRunLoopTimerCreateWithHandler(
        kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + keepAliveSeconds, keepAliveSeconds, 0, 0,
        ^(CFRunLoopTimerRef){
        }));
    CFRunLoopRef mainLoop = CFRunLoopGetMain();
    CFRunLoopAddTimer(mainLoop, keepAlive.get(), kCFRunLoopCommonModes);
    // Turned in slices, so that a stop requested just before a slice starts is seen soon.
    while (!stopMainLoopRequested_.load()) {
        @autoreleasepool {
            CFRunLoopRunInMode(kCFRunLoopDefaultMode, mainLoopSliceSeconds, false);
        }
    }
    stopMainLoopRequested_ = false;
    CFRunLoopRemoveTimer(mainLoop, keepAlive.get(), kCFRunLoopCommonModes);
}

void AppleBackend::stopMainLoop() {
    stopMainLoopRequested_ = true;
    CFRunLoopRef mainLoop = CFRunLoopGetMain();
    CFRunLoopStop(mainLoop);
    CFRunLoopWakeUp(mainLoop);
}

ActivityToken AppleBackend::beginActivity(std::string_view reason) {
    @autoreleasepool {
        id<NSObject> activity = [NSProcessInfo.processInfo
            beginActivityWithOptions:NSActivityUserInitiated | NSActivityLatencyCritical
                              reason:stringOf(reason)];
        if (!activity) {
            return 0;
        }
        std::lock_guard lock(activityMutex_);
        const ActivityToken token = ++lastActivity_;
        activities_.emplace(token, apple::shareOwned((__bridge_retained CFTypeRef)activity));
        return token;
    }
}

void AppleBackend::endActivity(ActivityToken token) {
    std::shared_ptr<const void> activity;
    {
        std::lock_guard lock(activityMutex_);
        auto found = activities_.find(token);
        if (found == activities_.end()) {
            return;
        }
        activity = std::move(found->second);
        activities_.erase(found);
    }
    @autoreleasepool {
        [NSProcessInfo.processInfo endActivity:(__bridge id<NSObject>)activity.get()];
    }
}

std::string AppleBackend::operatingSystemVersion() {
    @autoreleasepool {
        return utf8Of(NSProcessInfo.processInfo.operatingSystemVersionString)
            .value_or(std::string());
    }
}

} // namespace plumeo
