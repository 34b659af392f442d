// Built on a Mac only: the real SDK headers first, then the declared API surface. Every
// function, extern constant and scalar typedef of the surface is a redeclaration here, which
// the compiler rejects when its types differ from the SDK's; the surface's enums and structs
// land in namespace plumeo_surface and are compared below; its Objective-C classes become
// subclasses of the SDK classes, whose methods and properties must override the SDK's with
// the same types (built with -Werror, see platform/backend/apple/CMakeLists.txt).

#import <AppKit/AppKit.h>
#import <ApplicationServices/ApplicationServices.h>
#import <Carbon/Carbon.h>
#import <CoreFoundation/CoreFoundation.h>
#import <CoreServices/CoreServices.h>
#import <Foundation/Foundation.h>

#define PLUMEO_SURFACE_CHECK 1
#include "AppKit/AppKit.h"
#include "ApplicationServices/ApplicationServices.h"

#include <cstddef>
#include <type_traits>

namespace {

template <typename Surface, typename Sdk> constexpr bool sameEnum() {
    return std::is_same_v<std::underlying_type_t<Surface>, std::underlying_type_t<Sdk>>;
}

template <typename A, typename B> constexpr bool sameValue(A surface, B sdk) {
    return static_cast<long long>(surface) == static_cast<long long>(sdk);
}

} // namespace

#define PLUMEO_SAME_ENUM(name) static_assert(sameEnum<plumeo_surface::name, ::name>(), #name);
#define PLUMEO_SAME_TYPE(name) static_assert(std::is_same_v<plumeo_surface::name, ::name>, #name);
#define PLUMEO_SAME_VALUE(name) static_assert(sameValue(plumeo_surface::name, ::name), #name);
#define PLUMEO_SAME_FIELD(type, field)                                                        \
    static_assert(offsetof(plumeo_surface::type, field) == offsetof(::type, field) &&        \
                      std::is_same_v<decltype(plumeo_surface::type::field),                  \
                                     decltype(::type::field)>,                               \
                  #type "." #field);
#define PLUMEO_SAME_SIZE(type)                                                                \
    static_assert(sizeof(plumeo_surface::type) == sizeof(::type), #type);

// CoreFoundation
PLUMEO_SAME_SIZE(CFRange)
PLUMEO_SAME_FIELD(CFRange, location)
PLUMEO_SAME_FIELD(CFRange, length)
PLUMEO_SAME_ENUM(CFNumberType)
PLUMEO_SAME_VALUE(kCFNumberDoubleType)
PLUMEO_SAME_VALUE(kCFStringEncodingUTF8)
PLUMEO_SAME_SIZE(CFDictionaryKeyCallBacks)
PLUMEO_SAME_SIZE(CFDictionaryValueCallBacks)
PLUMEO_SAME_SIZE(CFArrayCallBacks)
PLUMEO_SAME_ENUM(CFRunLoopRunResult)
PLUMEO_SAME_VALUE(kCFRunLoopRunFinished)
PLUMEO_SAME_VALUE(kCFRunLoopRunStopped)
PLUMEO_SAME_VALUE(kCFRunLoopRunTimedOut)
PLUMEO_SAME_VALUE(kCFRunLoopRunHandledSource)

// Accessibility
PLUMEO_SAME_ENUM(AXError)
PLUMEO_SAME_VALUE(kAXErrorSuccess)
PLUMEO_SAME_VALUE(kAXErrorFailure)
PLUMEO_SAME_VALUE(kAXErrorIllegalArgument)
PLUMEO_SAME_VALUE(kAXErrorInvalidUIElement)
PLUMEO_SAME_VALUE(kAXErrorInvalidUIElementObserver)
PLUMEO_SAME_VALUE(kAXErrorCannotComplete)
PLUMEO_SAME_VALUE(kAXErrorAttributeUnsupported)
PLUMEO_SAME_VALUE(kAXErrorActionUnsupported)
PLUMEO_SAME_VALUE(kAXErrorNotificationUnsupported)
PLUMEO_SAME_VALUE(kAXErrorNotImplemented)
PLUMEO_SAME_VALUE(kAXErrorNotificationAlreadyRegistered)
PLUMEO_SAME_VALUE(kAXErrorNotificationNotRegistered)
PLUMEO_SAME_VALUE(kAXErrorAPIDisabled)
PLUMEO_SAME_VALUE(kAXErrorNoValue)
PLUMEO_SAME_VALUE(kAXErrorParameterizedAttributeUnsupported)
PLUMEO_SAME_VALUE(kAXErrorNotEnoughPrecision)
PLUMEO_SAME_ENUM(AXValueType)
PLUMEO_SAME_VALUE(kAXValueTypeCGPoint)
PLUMEO_SAME_VALUE(kAXValueTypeCGSize)
PLUMEO_SAME_VALUE(kAXValueTypeCGRect)
PLUMEO_SAME_VALUE(kAXValueTypeCFRange)
PLUMEO_SAME_VALUE(kAXValueTypeAXError)
PLUMEO_SAME_VALUE(kAXValueTypeIllegal)
PLUMEO_SAME_TYPE(AXCopyMultipleAttributeOptions)
PLUMEO_SAME_VALUE(kAXCopyMultipleAttributeOptionStopOnError)

// Quartz events
PLUMEO_SAME_TYPE(CGEventFlags)
PLUMEO_SAME_VALUE(kCGEventFlagMaskShift)
PLUMEO_SAME_ENUM(CGEventType)
PLUMEO_SAME_VALUE(kCGEventNull)
PLUMEO_SAME_VALUE(kCGEventLeftMouseDown)
PLUMEO_SAME_VALUE(kCGEventRightMouseDown)
PLUMEO_SAME_VALUE(kCGEventKeyDown)
PLUMEO_SAME_VALUE(kCGEventOtherMouseDown)
PLUMEO_SAME_ENUM(CGEventField)
PLUMEO_SAME_VALUE(kCGEventSourceUserData)
PLUMEO_SAME_ENUM(CGEventTapLocation)
PLUMEO_SAME_VALUE(kCGHIDEventTap)
PLUMEO_SAME_VALUE(kCGSessionEventTap)
PLUMEO_SAME_VALUE(kCGAnnotatedSessionEventTap)
PLUMEO_SAME_ENUM(CGEventSourceStateID)
PLUMEO_SAME_VALUE(kCGEventSourceStatePrivate)
PLUMEO_SAME_VALUE(kCGEventSourceStateCombinedSessionState)
PLUMEO_SAME_VALUE(kCGEventSourceStateHIDSystemState)

// Apple events and errors
PLUMEO_SAME_VALUE(noErr)
PLUMEO_SAME_VALUE(paramErr)
PLUMEO_SAME_VALUE(typeBoolean)
PLUMEO_SAME_VALUE(typeChar)
PLUMEO_SAME_VALUE(typeSInt16)
PLUMEO_SAME_VALUE(typeSInt32)
PLUMEO_SAME_VALUE(typeTrue)
PLUMEO_SAME_VALUE(typeFalse)
PLUMEO_SAME_VALUE(typeAEList)
PLUMEO_SAME_VALUE(typeEnumerated)
PLUMEO_SAME_VALUE(typeType)
PLUMEO_SAME_VALUE(typeNull)
PLUMEO_SAME_VALUE(typeWildCard)
PLUMEO_SAME_VALUE(typeUnicodeText)
PLUMEO_SAME_VALUE(typeUTF8Text)
PLUMEO_SAME_VALUE(typeUTF16ExternalRepresentation)
PLUMEO_SAME_VALUE(keyDirectObject)
PLUMEO_SAME_VALUE(kAutoGenerateReturnID)
PLUMEO_SAME_VALUE(kAnyTransactionID)
PLUMEO_SAME_VALUE(keyASSubroutineName)
PLUMEO_SAME_VALUE(kASAppleScriptSuite)
PLUMEO_SAME_VALUE(kASSubroutineEvent)
PLUMEO_SAME_SIZE(AEDesc)
PLUMEO_SAME_FIELD(AEDesc, descriptorType)
PLUMEO_SAME_FIELD(AEDesc, dataHandle)

// Carbon events
PLUMEO_SAME_SIZE(EventTypeSpec)
PLUMEO_SAME_FIELD(EventTypeSpec, eventClass)
PLUMEO_SAME_FIELD(EventTypeSpec, eventKind)
PLUMEO_SAME_SIZE(EventHotKeyID)
PLUMEO_SAME_FIELD(EventHotKeyID, signature)
PLUMEO_SAME_FIELD(EventHotKeyID, id)
PLUMEO_SAME_VALUE(kEventClassKeyboard)
PLUMEO_SAME_VALUE(kEventHotKeyPressed)
PLUMEO_SAME_VALUE(kEventParamDirectObject)
PLUMEO_SAME_VALUE(typeEventHotKeyID)
PLUMEO_SAME_VALUE(kEventHotKeyNoOptions)
PLUMEO_SAME_VALUE(kEventHotKeyExclusive)

// AppKit
PLUMEO_SAME_TYPE(NSApplicationActivationOptions)
PLUMEO_SAME_TYPE(NSActivityOptions)
PLUMEO_SAME_VALUE(NSActivityUserInitiated)
PLUMEO_SAME_VALUE(NSActivityLatencyCritical)
PLUMEO_SAME_VALUE(NSApplicationActivateAllWindows)
PLUMEO_SAME_ENUM(NSApplicationActivationPolicy)
PLUMEO_SAME_VALUE(NSApplicationActivationPolicyAccessory)
PLUMEO_SAME_TYPE(NSWindowCollectionBehavior)
PLUMEO_SAME_VALUE(NSWindowCollectionBehaviorCanJoinAllSpaces)
PLUMEO_SAME_VALUE(NSWindowCollectionBehaviorFullScreenAuxiliary)
