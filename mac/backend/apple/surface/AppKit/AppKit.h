#pragma once

// AppKit (NSRunningApplication.h, NSWorkspace.h), as far as the backend uses it. Objective-C
// only.

#include "../Foundation/Foundation.h"

#if defined(__OBJC__)

#pragma clang assume_nonnull begin

PLUMEO_SURFACE_TYPES_BEGIN
typedef NS_OPTIONS(NSUInteger, NSApplicationActivationOptions){
    NSApplicationActivateAllWindows = 1 << 0,
};
PLUMEO_SURFACE_TYPES_END

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
@end

APPKIT_EXTERN NSString* const NSWorkspaceApplicationKey;
APPKIT_EXTERN NSNotificationName const NSWorkspaceDidActivateApplicationNotification;
APPKIT_EXTERN NSNotificationName const NSWorkspaceDidTerminateApplicationNotification;

#pragma clang assume_nonnull end

#endif
