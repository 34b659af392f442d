#pragma once

// CarbonCore (MacErrors.h) and AE (AEDataModel.h, AppleEvents.h), as far as the backend uses
// them.

#include "../CoreFoundation/CoreFoundation.h"

CF_EXTERN_C_BEGIN

PLUMEO_SURFACE_TYPES_BEGIN
// MacErrors.h
enum {
    paramErr = -50,
};
enum {
    noErr = 0,
};
PLUMEO_SURFACE_TYPES_END

// AEDataModel.h
typedef ResType DescType;
typedef FourCharCode AEKeyword;
typedef FourCharCode AEEventClass;
typedef FourCharCode AEEventID;
typedef SInt16 AEReturnID;
typedef SInt32 AETransactionID;
typedef struct OpaqueAEDataStorageType* AEDataStorageType;
typedef AEDataStorageType* AEDataStorage;

PLUMEO_SURFACE_TYPES_BEGIN
enum {
    typeBoolean = 'bool',
    typeChar = 'TEXT',
};
enum {
    typeSInt16 = 'shor',
    typeSInt32 = 'long',
};
enum {
    typeTrue = 'true',
    typeFalse = 'fals',
};
enum {
    typeAEList = 'list',
    typeEnumerated = 'enum',
    typeType = 'type',
    typeNull = 'null',
    typeWildCard = '****',
};
enum {
    typeUnicodeText = 'utxt',
    typeUTF8Text = 'utf8',
    typeUTF16ExternalRepresentation = 'ut16',
};
enum {
    keyDirectObject = '----',
};
enum {
    kAutoGenerateReturnID = -1,
    kAnyTransactionID = 0,
};

struct AEDesc {
    DescType descriptorType;
    AEDataStorage dataHandle;
};
typedef struct AEDesc AEDesc;
typedef AEDesc AEAddressDesc;
PLUMEO_SURFACE_TYPES_END

// AppleEvents.h
extern OSStatus AEDeterminePermissionToAutomateTarget(const AEAddressDesc* target,
                                                      AEEventClass theAEEventClass,
                                                      AEEventID theAEEventID,
                                                      Boolean askUserIfNeeded);

CF_EXTERN_C_END
