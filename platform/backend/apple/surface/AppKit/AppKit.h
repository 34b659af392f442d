#pragma once

// AppKit (NSRunningApplication.h, NSWorkspace.h, NSApplication.h, NSWindow.h,
// NSWindowRestoration.h, NSView.h), as far as the backend and the application's desktop
// integration (app/desktop) use it. Objective-C only.

#include "../Foundation/Foundation.h"

#if defined(__OBJC__)

#pragma clang assume_nonnull begin

PLUMEO_SURFACE_TYPES_BEGIN
typedef NS_OPTIONS(NSUInteger, NSApplicationActivationOptions){
    NSApplicationActivateAllWindows = 1 << 0,
};
typedef NS_ENUM(NSInteger, NSApplicationActivationPolicy){
    NSApplicationActivationPolicyRegular,
    NSApplicationActivationPolicyAccessory,
    NSApplicationActivationPolicyProhibited,
};
typedef NS_OPTIONS(NSUInteger, NSWindowCollectionBehavior){
    NSWindowCollectionBehaviorCanJoinAllSpaces = 1 << 0,
    NSWindowCollectionBehaviorFullScreenAuxiliary = 1 << 8,
};
PLUMEO_SURFACE_TYPES_END

// Accessors of properties are declared as methods: the same selectors and types, without
// restating each property's memory attributes.
@PLUMEO_SURFACE_CLASS(NSApplication, NSObject)
+ (NSApplication*)sharedApplication;
- (BOOL)setActivationPolicy:(NSApplicationActivationPolicy)activationPolicy;
@end

@PLUMEO_SURFACE_CLASS(NSWindow, NSObject)
- (NSWindowCollectionBehavior)collectionBehavior;
- (void)setCollectionBehavior:(NSWindowCollectionBehavior)collectionBehavior;
- (void)setHidesOnDeactivate:(BOOL)hidesOnDeactivate;
- (void)setRestorable:(BOOL)restorable;
@end

@PLUMEO_SURFACE_CLASS(NSView, NSObject)
- (nullable NSWindow*)window;
@end

@PLUMEO_SURFACE_CLASS(NSRunningApplication, NSObject)
@property(readonly) pid_t processIdentifier;
@property(nullable, readonly, copy) NSString* bundleIdentifier;
@property(nullable, readonly, copy) NSString* localizedName;
- (BOOL)activateWithOptions:(NSApplicationActivationOptions)options;
+ (NSArray<NSRunningApplication*>*)runningApplicationsWithBundleIdentifier:
    (NSString*)bundleIdentifier;
+ (nullable instancetype)runningApplicationWithProcessIdentifier:(pid_t)pid;
@end

@PLUMEO_SURFACE_CLASS(NSWorkspaceOpenConfiguration, NSObject)
+ (instancetype)configuration;
@end

@PLUMEO_SURFACE_CLASS(NSWorkspace, NSObject)
@property(class, readonly, strong) NSWorkspace* sharedWorkspace;
@property(readonly, strong) NSNotificationCenter* notificationCenter;
- (BOOL)openURL:(NSURL*)url;
- (nullable NSURL*)URLForApplicationWithBundleIdentifier:(NSString*)bundleIdentifier;
- (void)openApplicationAtURL:(NSURL*)applicationURL
               configuration:(NSWorkspaceOpenConfiguration*)configuration
           completionHandler:(void (^_Nullable)(NSRunningApplication* _Nullable app,
                                                NSError* _Nullable error))completionHandler;
@property(nullable, readonly, strong) NSRunningApplication* frontmostApplication;
- (BOOL)accessibilityDisplayShouldReduceMotion;
@end

APPKIT_EXTERN NSString* const NSWorkspaceApplicationKey;
APPKIT_EXTERN NSNotificationName const NSWorkspaceDidActivateApplicationNotification;
APPKIT_EXTERN NSNotificationName const NSWorkspaceDidTerminateApplicationNotification;

#pragma clang assume_nonnull end

#endif
