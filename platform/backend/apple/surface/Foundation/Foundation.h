#pragma once

// Foundation (NSObject.h, NSObjCRuntime.h, NSDictionary.h, NSArray.h, NSValue.h, NSData.h,
// NSURL.h, NSNotification.h, NSProcessInfo.h, NSAppleEventDescriptor.h, NSAppleScript.h,
// NSUserDefaults.h), as far as the backend and app/desktop use it. Objective-C only.

#include "../Carbon/Carbon.h"

#include <stdint.h>

#if defined(__OBJC__)

#pragma clang assume_nonnull begin

PLUMEO_SURFACE_TYPES_BEGIN
// objc.h: bool on arm64, signed char on x86_64; the check target below is x86_64.
typedef signed char BOOL;
PLUMEO_SURFACE_TYPES_END

#if !defined(PLUMEO_SURFACE_CHECK)
// objc.h
#define nil nullptr
#define YES __objc_yes
#define NO __objc_no
#endif

typedef long NSInteger;
typedef unsigned long NSUInteger;
typedef double NSTimeInterval;

@class NSString, NSError, NSOperationQueue, NSAppleEventDescriptor;

#if !defined(PLUMEO_SURFACE_CHECK)
@protocol NSObject
@end

__attribute__((objc_root_class)) @interface NSObject <NSObject>
#else
@interface PlumeoSurfaceCheck_NSObject : NSObject
#endif
+ (instancetype)alloc;
+ (Class)class;
- (BOOL)isKindOfClass:(Class)aClass;
@end

typedef NSString* NSNotificationName;

#if !defined(PLUMEO_SURFACE_CHECK)
@protocol NSCopying
@end
@interface NSString : NSObject <NSCopying>
@end
@interface NSError : NSObject
@end
@interface NSOperationQueue : NSObject
@end
@interface NSValue : NSObject
@end
#endif

@PLUMEO_SURFACE_CLASS(NSNumber, NSValue)
@property(readonly) int intValue;
+ (NSNumber*)numberWithBool:(BOOL)value;
@end

#if !defined(PLUMEO_SURFACE_CHECK)
@interface NSArray<__covariant ObjectType> : NSObject
#else
@interface PlumeoSurfaceCheck_NSArray<ObjectType> : NSArray<ObjectType>
#endif
@property(readonly) NSUInteger count;
- (ObjectType)objectAtIndex:(NSUInteger)index;
@end

#if !defined(PLUMEO_SURFACE_CHECK)
@interface NSDictionary<__covariant KeyType, __covariant ObjectType> : NSObject
#else
@interface PlumeoSurfaceCheck_NSDictionary<KeyType, ObjectType> : NSDictionary<KeyType, ObjectType>
#endif
- (nullable ObjectType)objectForKey:(KeyType)aKey;
+ (instancetype)dictionaryWithObject:(ObjectType)object forKey:(KeyType<NSCopying>)key;
@end

@PLUMEO_SURFACE_CLASS(NSUserDefaults, NSObject)
@property(class, readonly, strong) NSUserDefaults* standardUserDefaults;
- (void)registerDefaults:(NSDictionary<NSString*, id>*)registrationDictionary;
@end

@PLUMEO_SURFACE_CLASS(NSData, NSObject)
@property(readonly) NSUInteger length;
@property(readonly) const void* bytes NS_RETURNS_INNER_POINTER;
@end

@PLUMEO_SURFACE_CLASS(NSURL, NSObject)
+ (nullable instancetype)URLWithString:(NSString*)URLString;
@end

@PLUMEO_SURFACE_CLASS(NSNotification, NSObject)
@property(nullable, readonly, copy) NSDictionary* userInfo;
@end

@PLUMEO_SURFACE_CLASS(NSNotificationCenter, NSObject)
- (id<NSObject>)addObserverForName:(nullable NSNotificationName)name
                            object:(nullable id)obj
                             queue:(nullable NSOperationQueue*)queue
                        usingBlock:(void (^)(NSNotification* notification))block;
- (void)removeObserver:(id)observer;
@end

PLUMEO_SURFACE_TYPES_BEGIN
typedef NS_OPTIONS(uint64_t, NSActivityOptions){
    NSActivityIdleSystemSleepDisabled = (1ULL << 20),
    NSActivityUserInitiated = (0x00FFFFFFULL | NSActivityIdleSystemSleepDisabled),
    NSActivityLatencyCritical = 0xFF00000000ULL,
};
PLUMEO_SURFACE_TYPES_END

@PLUMEO_SURFACE_CLASS(NSProcessInfo, NSObject)
@property(class, readonly, strong) NSProcessInfo* processInfo;
@property(readonly) NSTimeInterval systemUptime;
@property(readonly, copy) NSString* operatingSystemVersionString;
- (id<NSObject>)beginActivityWithOptions:(NSActivityOptions)options reason:(NSString*)reason;
- (void)endActivity:(id<NSObject>)activity;
@end

@PLUMEO_SURFACE_CLASS(NSAppleEventDescriptor, NSObject)
+ (NSAppleEventDescriptor*)listDescriptor;
+ (NSAppleEventDescriptor*)descriptorWithString:(NSString*)string;
+ (NSAppleEventDescriptor*)descriptorWithInt32:(SInt32)signedInt;
+ (NSAppleEventDescriptor*)currentProcessDescriptor;
+ (nullable NSAppleEventDescriptor*)descriptorWithBundleIdentifier:(NSString*)bundleIdentifier;
+ (NSAppleEventDescriptor*)appleEventWithEventClass:(AEEventClass)eventClass
                                            eventID:(AEEventID)eventID
                                   targetDescriptor:(nullable NSAppleEventDescriptor*)targetDescriptor
                                           returnID:(AEReturnID)returnID
                                      transactionID:(AETransactionID)transactionID;
@property(nullable, readonly) const AEDesc* aeDesc NS_RETURNS_INNER_POINTER;
@property(readonly) DescType descriptorType;
@property(readonly, copy) NSData* data;
@property(readonly) Boolean booleanValue;
@property(readonly) OSType enumCodeValue;
@property(readonly) SInt32 int32Value;
@property(readonly) OSType typeCodeValue;
@property(nullable, readonly, copy) NSString* stringValue;
- (void)setParamDescriptor:(NSAppleEventDescriptor*)descriptor forKeyword:(AEKeyword)keyword;
- (void)insertDescriptor:(NSAppleEventDescriptor*)descriptor atIndex:(NSInteger)index;
@property(readonly) NSInteger numberOfItems;
- (nullable NSAppleEventDescriptor*)descriptorAtIndex:(NSInteger)index;
@end

FOUNDATION_EXPORT NSString* const NSAppleScriptErrorMessage;
FOUNDATION_EXPORT NSString* const NSAppleScriptErrorNumber;

@PLUMEO_SURFACE_CLASS(NSAppleScript, NSObject)
- (nullable instancetype)initWithSource:(NSString*)source;
- (BOOL)compileAndReturnError:(NSDictionary<NSString*, id>* _Nullable* _Nullable)errorInfo;
- (nullable NSAppleEventDescriptor*)executeAppleEvent:(NSAppleEventDescriptor*)event
                                                error:(NSDictionary<NSString*, id>* _Nullable* _Nullable)
                                                          errorInfo;
@end

#pragma clang assume_nonnull end

#endif
