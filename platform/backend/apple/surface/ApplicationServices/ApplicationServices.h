#pragma once

// HIServices Accessibility (AXError.h, AXValue.h, AXUIElement.h) and CoreGraphics Quartz
// Event Services (CGEventTypes.h, CGEventSource.h, CGEvent.h, CGRemoteOperation.h), as far as
// the backend uses them.

#include "../CoreFoundation/CoreFoundation.h"

#include <stdint.h>
#include <sys/types.h>

CF_EXTERN_C_BEGIN

// AXError.h
PLUMEO_SURFACE_TYPES_BEGIN
typedef CF_ENUM(int32_t, AXError){
    kAXErrorSuccess = 0,
    kAXErrorFailure = -25200,
    kAXErrorIllegalArgument = -25201,
    kAXErrorInvalidUIElement = -25202,
    kAXErrorInvalidUIElementObserver = -25203,
    kAXErrorCannotComplete = -25204,
    kAXErrorAttributeUnsupported = -25205,
    kAXErrorActionUnsupported = -25206,
    kAXErrorNotificationUnsupported = -25207,
    kAXErrorNotImplemented = -25208,
    kAXErrorNotificationAlreadyRegistered = -25209,
    kAXErrorNotificationNotRegistered = -25210,
    kAXErrorAPIDisabled = -25211,
    kAXErrorNoValue = -25212,
    kAXErrorParameterizedAttributeUnsupported = -25213,
    kAXErrorNotEnoughPrecision = -25214,
};

// AXValue.h
typedef CF_ENUM(UInt32, AXValueType){
    kAXValueTypeCGPoint = 1, kAXValueTypeCGSize = 2,    kAXValueTypeCGRect = 3,
    kAXValueTypeCFRange = 4, kAXValueTypeAXError = 5,   kAXValueTypeIllegal = 0,
};

// AXUIElement.h
typedef CF_OPTIONS(UInt32, AXCopyMultipleAttributeOptions){
    kAXCopyMultipleAttributeOptionStopOnError = 0x1,
};
PLUMEO_SURFACE_TYPES_END

typedef const struct __AXValue* AXValueRef;

extern CFTypeID AXValueGetTypeID(void);
extern AXValueRef AXValueCreate(AXValueType theType, const void* valuePtr);
extern AXValueType AXValueGetType(AXValueRef value);
extern Boolean AXValueGetValue(AXValueRef value, AXValueType theType, void* valuePtr);

typedef const struct __AXUIElement* AXUIElementRef;

extern Boolean AXIsProcessTrustedWithOptions(CFDictionaryRef options);
extern CFStringRef kAXTrustedCheckOptionPrompt;
extern Boolean AXIsProcessTrusted(void);
extern CFTypeID AXUIElementGetTypeID(void);
extern AXError AXUIElementCopyAttributeNames(AXUIElementRef element, CFArrayRef* names);
extern AXError AXUIElementCopyAttributeValue(AXUIElementRef element, CFStringRef attribute,
                                             CFTypeRef* value);
extern AXError AXUIElementCopyMultipleAttributeValues(AXUIElementRef element,
                                                      CFArrayRef attributes,
                                                      AXCopyMultipleAttributeOptions options,
                                                      CFArrayRef* values);
extern AXError AXUIElementCopyParameterizedAttributeNames(AXUIElementRef element,
                                                          CFArrayRef* names);
extern AXError AXUIElementCopyParameterizedAttributeValue(AXUIElementRef element,
                                                          CFStringRef parameterizedAttribute,
                                                          CFTypeRef parameter, CFTypeRef* result);
extern AXUIElementRef AXUIElementCreateApplication(pid_t pid);
extern AXUIElementRef AXUIElementCreateSystemWide(void);
extern AXError AXUIElementGetPid(AXUIElementRef element, pid_t* pid);
extern AXError AXUIElementSetMessagingTimeout(AXUIElementRef element, float timeoutInSeconds);

// CGRemoteOperation.h
typedef uint16_t CGKeyCode;

// CGEventTypes.h
typedef struct __CGEvent* CGEventRef;
typedef struct __CGEventSource* CGEventSourceRef;

PLUMEO_SURFACE_TYPES_BEGIN
typedef CF_OPTIONS(uint64_t, CGEventFlags){
    kCGEventFlagMaskShift = 0x00020000,
};
typedef CF_ENUM(uint32_t, CGEventType){
    kCGEventNull = 0,          kCGEventLeftMouseDown = 1, kCGEventRightMouseDown = 3,
    kCGEventKeyDown = 10,      kCGEventOtherMouseDown = 25,
};
typedef CF_ENUM(uint32_t, CGEventField){
    kCGEventSourceUserData = 42,
};
typedef CF_ENUM(uint32_t, CGEventTapLocation){
    kCGHIDEventTap = 0,
    kCGSessionEventTap,
    kCGAnnotatedSessionEventTap,
};
typedef CF_ENUM(int32_t, CGEventSourceStateID){
    kCGEventSourceStatePrivate = -1,
    kCGEventSourceStateCombinedSessionState = 0,
    kCGEventSourceStateHIDSystemState = 1,
};
PLUMEO_SURFACE_TYPES_END

// CGEventSource.h
CG_EXTERN CGEventSourceRef CGEventSourceCreate(CGEventSourceStateID stateID);
CG_EXTERN CFTimeInterval CGEventSourceSecondsSinceLastEventType(CGEventSourceStateID stateID,
                                                                CGEventType eventType);

// CGEvent.h
CG_EXTERN CGEventRef CGEventCreateKeyboardEvent(CGEventSourceRef source, CGKeyCode virtualKey,
                                                bool keyDown);
CG_EXTERN void CGEventSetFlags(CGEventRef event, CGEventFlags flags);
CG_EXTERN void CGEventSetIntegerValueField(CGEventRef event, CGEventField field, int64_t value);
CG_EXTERN void CGEventKeyboardSetUnicodeString(CGEventRef event, UniCharCount stringLength,
                                               const UniChar* unicodeString);
CG_EXTERN void CGEventPost(CGEventTapLocation tap, CGEventRef event);
CG_EXTERN void CGEventPostToPid(pid_t pid, CGEventRef event);
CG_EXTERN bool CGPreflightPostEventAccess(void);
CG_EXTERN bool CGRequestPostEventAccess(void);

CF_EXTERN_C_END
