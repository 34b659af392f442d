#pragma once

// HIToolbox (CarbonEventsCore.h, CarbonEvents.h, TextInputSources.h) and OpenScripting
// (ASRegistry.h), as far as the backend uses them.

#include "../CoreServices/CoreServices.h"

CF_EXTERN_C_BEGIN

// CarbonEventsCore.h
typedef struct OpaqueEventRef* EventRef;
typedef OSType EventParamName;
typedef OSType EventParamType;
typedef struct OpaqueEventHandlerRef* EventHandlerRef;
typedef struct OpaqueEventHandlerCallRef* EventHandlerCallRef;
typedef struct OpaqueEventTargetRef* EventTargetRef;
typedef OSStatus (*EventHandlerProcPtr)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                        void* inUserData);
typedef EventHandlerProcPtr EventHandlerUPP;

PLUMEO_SURFACE_TYPES_BEGIN
struct EventTypeSpec {
    OSType eventClass;
    UInt32 eventKind;
};
typedef struct EventTypeSpec EventTypeSpec;
PLUMEO_SURFACE_TYPES_END

extern OSStatus GetEventParameter(EventRef inEvent, EventParamName inName,
                                  EventParamType inDesiredType, EventParamType* outActualType,
                                  ByteCount inBufferSize, ByteCount* outActualSize, void* outData);
extern OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler,
                                    ItemCount inNumTypes, const EventTypeSpec* inList,
                                    void* inUserData, EventHandlerRef* outRef);
extern OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef);

// CarbonEvents.h
typedef struct OpaqueEventHotKeyRef* EventHotKeyRef;

PLUMEO_SURFACE_TYPES_BEGIN
enum {
    kEventClassKeyboard = 'keyb',
};
enum {
    kEventHotKeyPressed = 5,
};
enum {
    kEventParamDirectObject = '----',
};
enum {
    typeEventHotKeyID = 'hkid',
};
enum {
    kEventHotKeyNoOptions = 0,
    kEventHotKeyExclusive = (1 << 0),
};
struct EventHotKeyID {
    OSType signature;
    UInt32 id;
};
typedef struct EventHotKeyID EventHotKeyID;
PLUMEO_SURFACE_TYPES_END

extern EventTargetRef GetApplicationEventTarget(void);
extern OSStatus RegisterEventHotKey(UInt32 inHotKeyCode, UInt32 inHotKeyModifiers,
                                    EventHotKeyID inHotKeyID, EventTargetRef inTarget,
                                    OptionBits inOptions, EventHotKeyRef* outRef);
extern OSStatus UnregisterEventHotKey(EventHotKeyRef inHotKey);

// TextInputSources.h
typedef struct __TISInputSource* TISInputSourceRef;

extern const CFStringRef kTISPropertyInputSourceIsASCIICapable;
extern const CFStringRef kTISPropertyInputSourceIsEnabled;
extern const CFStringRef kTISPropertyInputSourceIsSelectCapable;
extern const CFStringRef kTISPropertyInputSourceID;
extern const CFStringRef kTISPropertyInputSourceType;
extern const CFStringRef kTISPropertyLocalizedName;
extern CFTypeID TISInputSourceGetTypeID(void);
extern void* TISGetInputSourceProperty(TISInputSourceRef inputSource, CFStringRef propertyKey);
extern CFArrayRef TISCreateInputSourceList(CFDictionaryRef properties, Boolean includeAllInstalled);
extern TISInputSourceRef TISCopyCurrentKeyboardInputSource(void);
extern OSStatus TISSelectInputSource(TISInputSourceRef inputSource);

// ASRegistry.h
PLUMEO_SURFACE_TYPES_BEGIN
enum {
    keyASSubroutineName = 'snam',
};
enum {
    kASAppleScriptSuite = 'ascr',
};
enum {
    kASSubroutineEvent = 'psbr',
};
PLUMEO_SURFACE_TYPES_END

CF_EXTERN_C_END
