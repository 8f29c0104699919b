#pragma once

// CoreFoundation for Linux: the reference-counted objects, bundles and property lists that the
// Audio Unit adapter, its editor and the command-line host use, under the platform's published
// names and values.
//
// Ownership follows the platform's rule: functions with Create or Copy in their name return an
// object the caller owns and must CFRelease; Get functions return an object the caller does not
// own. Unlike the platform, bad arguments (null objects, objects of the wrong type, indexes out
// of range, mutation of immutable objects) never crash: the call does nothing and answers null,
// zero or false.
//
// Objects carry their own class, so an object made by one copy of this library (say, inside a
// loaded component) can be used and released by another copy in the same process, as long as
// the module that made it stays loaded.

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// ---- Basic types ---------------------------------------------------------------------------

typedef uint8_t UInt8;
typedef int8_t SInt8;
typedef uint16_t UInt16;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef uint64_t UInt64;
typedef int64_t SInt64;
typedef float Float32;
typedef double Float64;
typedef unsigned char Boolean;
typedef UInt8 Byte;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef SInt16 OSErr;
typedef SInt32 OSStatus;
typedef char* Ptr;
typedef Ptr* Handle;

// Status codes are constants rather than enumerators so that mixing them in expressions does
// not mix enumeration types.
inline constexpr OSStatus noErr = 0;
inline constexpr OSStatus paramErr = -50;
inline constexpr OSStatus memFullErr = -108;

// The numeric value of a four-character code such as 'aufx' (first character in the high byte).
constexpr FourCharCode FourCharCodeFromText(const char (&text)[5]) {
    return static_cast<FourCharCode>(static_cast<UInt8>(text[0])) << 24 |
           static_cast<FourCharCode>(static_cast<UInt8>(text[1])) << 16 |
           static_cast<FourCharCode>(static_cast<UInt8>(text[2])) << 8 |
           static_cast<FourCharCode>(static_cast<UInt8>(text[3]));
}

typedef const void* CFTypeRef;
typedef unsigned long CFTypeID;
typedef signed long CFIndex;
typedef unsigned long CFOptionFlags;
typedef unsigned long CFHashCode;

enum : CFIndex { kCFNotFound = -1 };

struct CFRange {
    CFIndex location;
    CFIndex length;
};

typedef CFIndex CFComparisonResult;
enum : CFComparisonResult {
    kCFCompareLessThan = -1,
    kCFCompareEqualTo = 0,
    kCFCompareGreaterThan = 1
};

// Allocators are accepted everywhere and otherwise ignored, except as the deallocator of
// CFStringCreateWithCStringNoCopy.
typedef const struct CFAllocatorObject* CFAllocatorRef;
extern const CFAllocatorRef kCFAllocatorNull; // "do not free"

typedef const struct CFStringObject* CFStringRef;
typedef const struct CFNumberObject* CFNumberRef;
typedef const struct CFBooleanObject* CFBooleanRef;
typedef const struct CFDateObject* CFDateRef;
typedef const struct CFDataObject* CFDataRef;
typedef struct CFDataObject* CFMutableDataRef;
typedef const struct CFArrayObject* CFArrayRef;
typedef struct CFArrayObject* CFMutableArrayRef;
typedef const struct CFDictionaryObject* CFDictionaryRef;
typedef struct CFDictionaryObject* CFMutableDictionaryRef;
typedef const struct CFURLObject* CFURLRef;
typedef struct CFBundleObject* CFBundleRef;
typedef struct CFErrorObject* CFErrorRef;
typedef CFTypeRef CFPropertyListRef;
// Run loops do not exist here; the type is only passed through (see AUEventListenerCreate).
typedef struct CFRunLoopObject* CFRunLoopRef;

// ---- Any object ----------------------------------------------------------------------------

CFTypeID CFGetTypeID(CFTypeRef object); // 0 for null
// Returns the object; null is ignored. Constant objects (CFSTR strings, booleans) are never
// freed and their count does not change.
CFTypeRef CFRetain(CFTypeRef object);
void CFRelease(CFTypeRef object);
// Same type and same value (numbers compare by value across integer and floating types).
Boolean CFEqual(CFTypeRef a, CFTypeRef b);
// A readable text of the object: a string's text, a number's value, "(a, b)" for arrays,
// "{key = value; ...}" for dictionaries (keys in order), "<0001ff>" for data.
CFStringRef CFCopyDescription(CFTypeRef object);
CFStringRef CFCopyTypeIDDescription(CFTypeID typeID);

// ---- Strings -------------------------------------------------------------------------------

typedef UInt32 CFStringEncoding;
enum : CFStringEncoding {
    kCFStringEncodingMacRoman = 0, // only its ASCII part is supported
    kCFStringEncodingISOLatin1 = 0x0201,
    kCFStringEncodingASCII = 0x0600,
    kCFStringEncodingUTF8 = 0x08000100,
};

typedef CFOptionFlags CFStringCompareFlags;
enum : CFStringCompareFlags {
    kCFCompareCaseInsensitive = 1, // letters A to Z
    kCFCompareNumerically = 64,    // digit runs compare by value: "item 2" < "item 10"
};

CFTypeID CFStringGetTypeID();
// Null when the text is not valid in the encoding.
CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                      CFStringEncoding encoding);
// Keeps cStr without copying when it is UTF-8 (or ASCII) text; the string then frees it with
// free() on its last release unless contentsDeallocator is kCFAllocatorNull. Text that has to be
// converted is copied and, unless kCFAllocatorNull, freed at once.
CFStringRef CFStringCreateWithCStringNoCopy(CFAllocatorRef alloc, const char* cStr,
                                            CFStringEncoding encoding,
                                            CFAllocatorRef contentsDeallocator);
// printf conversions plus %@, which inserts CFCopyDescription of a CF object ("(null)" for
// null). formatOptions is ignored. Positional arguments ("%1$d") are not supported and are
// copied as text.
CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...);
CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc,
                                                 CFDictionaryRef formatOptions, CFStringRef format,
                                                 va_list arguments);
// Length in UTF-16 code units, as on the platform.
CFIndex CFStringGetLength(CFStringRef string);
CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);
// False, leaving an empty text in a non-empty buffer, when the text does not fit (terminator
// included) or cannot be expressed in the encoding.
Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding);
// The string's own text for UTF-8 (and for ASCII when it is all ASCII); null otherwise.
const char* CFStringGetCStringPtr(CFStringRef string, CFStringEncoding encoding);
// Compares code points; see the flags above for the options honoured.
CFComparisonResult CFStringCompare(CFStringRef a, CFStringRef b, CFStringCompareFlags options);

// Constant strings: made once per use site, never freed.
CFStringRef CFStringMakeConstantString(const char* cStr);
#define CFSTR(cStr)                                                                                \
    ([]() -> CFStringRef {                                                                         \
        static const CFStringRef constant = CFStringMakeConstantString("" cStr "");                \
        return constant;                                                                           \
    }())

// ---- Numbers, booleans and dates -----------------------------------------------------------

typedef CFIndex CFNumberType;
enum : CFNumberType {
    kCFNumberSInt8Type = 1,
    kCFNumberSInt16Type = 2,
    kCFNumberSInt32Type = 3,
    kCFNumberSInt64Type = 4,
    kCFNumberFloat32Type = 5,
    kCFNumberFloat64Type = 6,
    kCFNumberCharType = 7,
    kCFNumberShortType = 8,
    kCFNumberIntType = 9,
    kCFNumberLongType = 10,
    kCFNumberLongLongType = 11,
    kCFNumberFloatType = 12,
    kCFNumberDoubleType = 13,
    kCFNumberCFIndexType = 14,
    kCFNumberNSIntegerType = 15,
    kCFNumberCGFloatType = 16,
};

CFTypeID CFNumberGetTypeID();
CFNumberRef CFNumberCreate(CFAllocatorRef alloc, CFNumberType type, const void* valuePtr);
Boolean CFNumberIsFloatType(CFNumberRef number);
// Stores the value converted to the type; false when the conversion lost range or precision
// (out-of-range values are clamped, NaN converts to integer 0).
Boolean CFNumberGetValue(CFNumberRef number, CFNumberType type, void* valuePtr);

extern const CFBooleanRef kCFBooleanTrue;
extern const CFBooleanRef kCFBooleanFalse;
Boolean CFBooleanGetValue(CFBooleanRef boolean);

typedef double CFTimeInterval;
typedef CFTimeInterval CFAbsoluteTime; // seconds since 2001-01-01 00:00:00 UTC
constexpr CFTimeInterval kCFAbsoluteTimeIntervalSince1970 = 978307200.0;
CFDateRef CFDateCreate(CFAllocatorRef alloc, CFAbsoluteTime time);
CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef date);

// ---- Data ----------------------------------------------------------------------------------

CFTypeID CFDataGetTypeID();
CFDataRef CFDataCreate(CFAllocatorRef alloc, const UInt8* bytes, CFIndex length);
// capacity 0: unlimited; otherwise the most bytes the data may ever hold.
CFMutableDataRef CFDataCreateMutable(CFAllocatorRef alloc, CFIndex capacity);
CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef alloc, CFIndex capacity, CFDataRef data);
CFIndex CFDataGetLength(CFDataRef data);
const UInt8* CFDataGetBytePtr(CFDataRef data); // null when empty
UInt8* CFDataGetMutableBytePtr(CFMutableDataRef data);
void CFDataAppendBytes(CFMutableDataRef data, const UInt8* bytes, CFIndex length);
// New bytes are zero.
void CFDataSetLength(CFMutableDataRef data, CFIndex length);

// ---- Arrays --------------------------------------------------------------------------------

typedef const void* (*CFArrayRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFArrayReleaseCallBack)(CFAllocatorRef allocator, const void* value);
typedef CFStringRef (*CFArrayCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFArrayEqualCallBack)(const void* value1, const void* value2);
struct CFArrayCallBacks {
    CFIndex version;
    CFArrayRetainCallBack retain;
    CFArrayReleaseCallBack release;
    CFArrayCopyDescriptionCallBack copyDescription;
    CFArrayEqualCallBack equal;
};
// Retains and releases CF objects, compares with CFEqual, describes with CFCopyDescription.
extern const CFArrayCallBacks kCFTypeArrayCallBacks;
typedef void (*CFArrayApplierFunction)(const void* value, void* context);

// Null callbacks: values are stored as they are and compared by address. The callbacks are
// copied.
CFArrayRef CFArrayCreate(CFAllocatorRef alloc, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks);
CFArrayRef CFArrayCreateCopy(CFAllocatorRef alloc, CFArrayRef array);
// capacity 0: unlimited; otherwise the most values the array may ever hold.
CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef alloc, CFIndex capacity,
                                       const CFArrayCallBacks* callBacks);
CFIndex CFArrayGetCount(CFArrayRef array);
const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index); // null when out of range
void CFArrayAppendValue(CFMutableArrayRef array, const void* value);

// ---- Dictionaries --------------------------------------------------------------------------

typedef const void* (*CFDictionaryRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFDictionaryReleaseCallBack)(CFAllocatorRef allocator, const void* value);
typedef CFStringRef (*CFDictionaryCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFDictionaryEqualCallBack)(const void* value1, const void* value2);
typedef CFHashCode (*CFDictionaryHashCallBack)(const void* value);
struct CFDictionaryKeyCallBacks {
    CFIndex version;
    CFDictionaryRetainCallBack retain;
    CFDictionaryReleaseCallBack release;
    CFDictionaryCopyDescriptionCallBack copyDescription;
    CFDictionaryEqualCallBack equal;
    CFDictionaryHashCallBack hash;
};
struct CFDictionaryValueCallBacks {
    CFIndex version;
    CFDictionaryRetainCallBack retain;
    CFDictionaryReleaseCallBack release;
    CFDictionaryCopyDescriptionCallBack copyDescription;
    CFDictionaryEqualCallBack equal;
};
extern const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks;
extern const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks;
typedef void (*CFDictionaryApplierFunction)(const void* key, const void* value, void* context);

CFTypeID CFDictionaryGetTypeID();
// Null callbacks: keys and values are stored as they are and compared by address.
CFDictionaryRef CFDictionaryCreate(CFAllocatorRef alloc, const void** keys, const void** values,
                                   CFIndex numValues, const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks);
// capacity 0: unlimited; otherwise the most entries the dictionary may ever hold.
CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef alloc, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks);
CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef alloc, CFIndex capacity,
                                                     CFDictionaryRef dictionary);
CFIndex CFDictionaryGetCount(CFDictionaryRef dictionary);
const void* CFDictionaryGetValue(CFDictionaryRef dictionary, const void* key);
Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef dictionary, const void* key,
                                      const void** value);
// Fills the arrays (either may be null) with CFDictionaryGetCount entries each.
void CFDictionaryGetKeysAndValues(CFDictionaryRef dictionary, const void** keys,
                                  const void** values);
// Set adds or replaces, Add only adds, Replace only replaces.
void CFDictionarySetValue(CFMutableDictionaryRef dictionary, const void* key, const void* value);
void CFDictionaryRemoveValue(CFMutableDictionaryRef dictionary, const void* key);

// ---- URLs (file-system paths) --------------------------------------------------------------

typedef CFIndex CFURLPathStyle;
enum : CFURLPathStyle {
    kCFURLPOSIXPathStyle = 0,
    kCFURLWindowsPathStyle = 2, // not supported
};

// Relative paths are made absolute against the current directory.
CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef alloc, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean isDirectory);
CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef alloc, const UInt8* buffer,
                                                 CFIndex bufferLength, Boolean isDirectory);
// The path as a NUL-terminated byte string; false when it does not fit.
Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufferLength);
// "file:///path" with reserved characters percent-encoded, "/" at the end of a directory.
CFStringRef CFURLGetString(CFURLRef url);

// ---- Errors --------------------------------------------------------------------------------

typedef CFStringRef CFErrorDomain;
extern const CFErrorDomain kCFErrorDomainPOSIX;
extern const CFErrorDomain kCFErrorDomainCocoa;
extern const CFStringRef kCFErrorDescriptionKey;
extern const CFStringRef kCFErrorLocalizedDescriptionKey;

CFErrorRef CFErrorCreate(CFAllocatorRef alloc, CFErrorDomain domain, CFIndex code,
                         CFDictionaryRef userInfo);
// The description from the user info, or a generic text naming the domain and code.
CFStringRef CFErrorCopyDescription(CFErrorRef error);

// ---- Property lists ------------------------------------------------------------------------

typedef CFIndex CFPropertyListFormat;
enum : CFPropertyListFormat {
    kCFPropertyListXMLFormat_v1_0 = 100,
    kCFPropertyListBinaryFormat_v1_0 = 200,
};
typedef CFOptionFlags CFPropertyListMutabilityOptions;
enum : CFPropertyListMutabilityOptions {
    kCFPropertyListImmutable = 0,
    kCFPropertyListMutableContainers = 1,
    kCFPropertyListMutableContainersAndLeaves = 2,
};
// Error codes in kCFErrorDomainCocoa.
enum : CFIndex {
    kCFPropertyListReadCorruptError = 3840,
    kCFPropertyListReadUnknownVersionError = 3841,
    kCFPropertyListWriteStreamError = 3851,
};

// Property lists are read and written as XML (through libplist). Reading refuses binary and
// OpenStep data, anything larger than kCFPropertyListMaxDataSize and nesting deeper than
// kCFPropertyListMaxDepth, and reports why in *error (which the caller then owns; error may be
// null). Values are strings, numbers, booleans, dates, data, arrays and dictionaries with
// string keys.
constexpr CFIndex kCFPropertyListMaxDataSize = 8 << 20;
constexpr int kCFPropertyListMaxDepth = 256;

CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef alloc, CFDataRef data,
                                               CFOptionFlags options, CFPropertyListFormat* format,
                                               CFErrorRef* error);
// Dictionary keys are written in order, so equal lists give equal text. Options are unused.
CFDataRef CFPropertyListCreateData(CFAllocatorRef alloc, CFPropertyListRef plist,
                                   CFPropertyListFormat format, CFOptionFlags options,
                                   CFErrorRef* error);
// File helpers. Errors name the file. Writing goes to a temporary file in the same folder that
// then replaces the target, so a failed write leaves the old file as it was.
CFPropertyListRef CFPropertyListCreateWithContentsOfURL(CFAllocatorRef alloc, CFURLRef fileURL,
                                                        CFOptionFlags options,
                                                        CFPropertyListFormat* format,
                                                        CFErrorRef* error);

// ---- Bundles -------------------------------------------------------------------------------

// A bundle is a folder (X.component, X.bundle, X.app) holding Contents/Info.plist, resources in
// Contents/Resources/ and the executable in Contents/<processor>-linux/ (Contents/MacOS/ on the
// platform). A component bundle is found by its identifier once its shared object is loaded.
// The main bundle is the bundle the running executable lies in, or, when it lies in none, its
// folder as a bundle without identifier.

CFBundleRef CFBundleGetMainBundle();
// The bundle of a loaded shared object (or the main bundle) with this identifier; null when no
// loaded bundle has it.
CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);
// Null when the folder does not exist. A missing or unreadable Info.plist gives a bundle
// without identifier.
CFBundleRef CFBundleCreate(CFAllocatorRef alloc, CFURLRef bundleURL);
CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);
CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle); // never null for a bundle
CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
// Contents/Resources/[subDirName/]resourceName[.resourceType] when that file exists.
CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                 CFStringRef resourceType, CFStringRef subDirName);
// The loaded shared object the bundle was found by, the running executable for the main
// bundle, else Contents/<processor>-linux/<CFBundleExecutable>[.so] when that file exists.
CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle);

// ---- User notifications --------------------------------------------------------------------

enum : CFOptionFlags {
    kCFUserNotificationStopAlertLevel = 0,
    kCFUserNotificationNoteAlertLevel = 1,
};
enum : CFOptionFlags {
    kCFUserNotificationDefaultResponse = 0,
    kCFUserNotificationAlternateResponse = 1,
    kCFUserNotificationOtherResponse = 2,
    kCFUserNotificationCancelResponse = 3,
    kCFUserNotificationResponseMask = 3,
};

// Shows an alert and waits for a button: the default one (null title: the system's "OK"), and
// the alternate and other ones when their titles are given. The window system shows it (see
// WindowSystem.h; the headless one answers from its script and records what it was asked).
// *responseFlags (when given) receives the response; the result is 0. Arguments that are not
// strings count as absent; the icon, sound and localisation URLs are not used.
SInt32 CFUserNotificationDisplayAlert(CFTimeInterval timeout, CFOptionFlags flags, CFURLRef iconURL,
                                      CFURLRef soundURL, CFURLRef localizationURL,
                                      CFStringRef alertHeader, CFStringRef alertMessage,
                                      CFStringRef defaultButtonTitle,
                                      CFStringRef alternateButtonTitle,
                                      CFStringRef otherButtonTitle, CFOptionFlags* responseFlags);
