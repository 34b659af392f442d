#pragma once

// CoreFoundation and MacTypes, as far as the backend uses them.

#include "../PlumeoSurface.h"

#include <sys/types.h>

CF_EXTERN_C_BEGIN

// MacTypes.h
typedef unsigned char UInt8;
typedef unsigned short UInt16;
typedef signed short SInt16;
typedef unsigned int UInt32;
typedef signed int SInt32;
typedef unsigned char Boolean;
typedef UInt16 UniChar;
typedef unsigned long UniCharCount;
typedef unsigned long ItemCount;
typedef unsigned long ByteCount;
typedef SInt32 OSStatus;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode ResType;
typedef UInt32 OptionBits;

// CFBase.h
typedef unsigned long CFTypeID;
typedef unsigned long CFOptionFlags;
typedef unsigned long CFHashCode;
typedef signed long CFIndex;
typedef const void* CFTypeRef;
typedef const struct __CFString* CFStringRef;
typedef const struct __CFAllocator* CFAllocatorRef;

PLUMEO_SURFACE_TYPES_BEGIN
typedef struct {
    CFIndex location;
    CFIndex length;
} CFRange;
PLUMEO_SURFACE_TYPES_END

extern const CFAllocatorRef kCFAllocatorDefault;
extern CFTypeID CFGetTypeID(CFTypeRef cf);
extern CFStringRef CFCopyTypeIDDescription(CFTypeID type_id);
extern CFTypeRef CFRetain(CFTypeRef cf);
extern void CFRelease(CFTypeRef cf);
extern Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);

// CFString.h
typedef UInt32 CFStringEncoding;

PLUMEO_SURFACE_TYPES_BEGIN
typedef CF_ENUM(CFStringEncoding, CFStringBuiltInEncodings){
    kCFStringEncodingUTF8 = 0x08000100,
};
PLUMEO_SURFACE_TYPES_END

extern CFTypeID CFStringGetTypeID(void);
extern CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars,
                                                CFIndex numChars);
extern CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes,
                                           CFIndex numBytes, CFStringEncoding encoding,
                                           Boolean isExternalRepresentation);
extern CFIndex CFStringGetLength(CFStringRef theString);
extern void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer);
extern CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding,
                                UInt8 lossByte, Boolean isExternalRepresentation, UInt8* buffer,
                                CFIndex maxBufLen, CFIndex* usedBufLen);

// CFBase.h: CFNull
typedef const struct __CFNull* CFNullRef;

extern CFTypeID CFNullGetTypeID(void);

// CFArray.h
typedef const struct __CFArray* CFArrayRef;
typedef const void* (*CFArrayRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFArrayReleaseCallBack)(CFAllocatorRef allocator, const void* value);
typedef CFStringRef (*CFArrayCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFArrayEqualCallBack)(const void* value1, const void* value2);

PLUMEO_SURFACE_TYPES_BEGIN
typedef struct {
    CFIndex version;
    CFArrayRetainCallBack retain;
    CFArrayReleaseCallBack release;
    CFArrayCopyDescriptionCallBack copyDescription;
    CFArrayEqualCallBack equal;
} CFArrayCallBacks;
PLUMEO_SURFACE_TYPES_END

extern const CFArrayCallBacks kCFTypeArrayCallBacks;
extern CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues,
                                const CFArrayCallBacks* callBacks);
extern CFTypeID CFArrayGetTypeID(void);
extern CFIndex CFArrayGetCount(CFArrayRef theArray);
extern const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx);

// CFDictionary.h
typedef const struct __CFDictionary* CFDictionaryRef;
typedef const void* (*CFDictionaryRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFDictionaryReleaseCallBack)(CFAllocatorRef allocator, const void* value);
typedef CFStringRef (*CFDictionaryCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFDictionaryEqualCallBack)(const void* value1, const void* value2);
typedef CFHashCode (*CFDictionaryHashCallBack)(const void* value);

PLUMEO_SURFACE_TYPES_BEGIN
typedef struct {
    CFIndex version;
    CFDictionaryRetainCallBack retain;
    CFDictionaryReleaseCallBack release;
    CFDictionaryCopyDescriptionCallBack copyDescription;
    CFDictionaryEqualCallBack equal;
    CFDictionaryHashCallBack hash;
} CFDictionaryKeyCallBacks;
typedef struct {
    CFIndex version;
    CFDictionaryRetainCallBack retain;
    CFDictionaryReleaseCallBack release;
    CFDictionaryCopyDescriptionCallBack copyDescription;
    CFDictionaryEqualCallBack equal;
} CFDictionaryValueCallBacks;
PLUMEO_SURFACE_TYPES_END

extern const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks;
extern const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks;
extern CFDictionaryRef CFDictionaryCreate(CFAllocatorRef allocator, const void** keys,
                                          const void** values, CFIndex numValues,
                                          const CFDictionaryKeyCallBacks* keyCallBacks,
                                          const CFDictionaryValueCallBacks* valueCallBacks);

// CFNumber.h
typedef const struct __CFBoolean* CFBooleanRef;
typedef const struct __CFNumber* CFNumberRef;

PLUMEO_SURFACE_TYPES_BEGIN
typedef CF_ENUM(CFIndex, CFNumberType){
    kCFNumberDoubleType = 13,
};
PLUMEO_SURFACE_TYPES_END

extern const CFBooleanRef kCFBooleanTrue;
extern const CFBooleanRef kCFBooleanFalse;
extern CFTypeID CFBooleanGetTypeID(void);
extern Boolean CFBooleanGetValue(CFBooleanRef boolean);
extern CFTypeID CFNumberGetTypeID(void);
extern CFNumberRef CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType,
                                  const void* valuePtr);
extern Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);

// CFDate.h
typedef double CFTimeInterval;
typedef CFTimeInterval CFAbsoluteTime;

extern CFAbsoluteTime CFAbsoluteTimeGetCurrent(void);

// CFRunLoop.h
typedef struct __CFRunLoop* CFRunLoopRef;
typedef CFStringRef CFRunLoopMode;
typedef struct __CFRunLoopTimer* CFRunLoopTimerRef;

PLUMEO_SURFACE_TYPES_BEGIN
typedef CF_ENUM(SInt32, CFRunLoopRunResult){
    kCFRunLoopRunFinished = 1,
    kCFRunLoopRunStopped = 2,
    kCFRunLoopRunTimedOut = 3,
    kCFRunLoopRunHandledSource = 4,
};
PLUMEO_SURFACE_TYPES_END

extern const CFRunLoopMode kCFRunLoopDefaultMode;
extern const CFRunLoopMode kCFRunLoopCommonModes;
extern CFRunLoopRef CFRunLoopGetCurrent(void);
extern CFRunLoopRef CFRunLoopGetMain(void);
extern void CFRunLoopRun(void);
extern CFRunLoopRunResult CFRunLoopRunInMode(CFRunLoopMode mode, CFTimeInterval seconds,
                                             Boolean returnAfterSourceHandled);
extern void CFRunLoopStop(CFRunLoopRef rl);
extern void CFRunLoopWakeUp(CFRunLoopRef rl);
extern void CFRunLoopAddTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode);
extern void CFRunLoopRemoveTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode);
#if __BLOCKS__
extern void CFRunLoopPerformBlock(CFRunLoopRef rl, CFTypeRef mode, void (^block)(void));
extern CFRunLoopTimerRef CFRunLoopTimerCreateWithHandler(CFAllocatorRef allocator,
                                                         CFAbsoluteTime fireDate,
                                                         CFTimeInterval interval,
                                                         CFOptionFlags flags, CFIndex order,
                                                         void (^block)(CFRunLoopTimerRef timer));
#endif

CF_EXTERN_C_END
