#pragma once

// The object model behind CoreFoundation.h; used only inside the platform library.

#include "CoreFoundation.h"

#include <atomic>
#include <climits>
#include <new>
#include <string>
#include <utility>

// Fixed numbers, so that copies of this library in one process agree on them.
enum : CFTypeID {
    kCFStringTypeID = 1,
    kCFNumberTypeID,
    kCFBooleanTypeID,
    kCFDateTypeID,
    kCFDataTypeID,
    kCFArrayTypeID,
    kCFDictionaryTypeID,
    kCFURLTypeID,
    kCFBundleTypeID,
    kCFErrorTypeID,
    kCGColorSpaceTypeID,
    kCGDataProviderTypeID,
    kCGImageTypeID,
    kCGContextTypeID,
};

struct CFObject;

// What every object of one type can do. Objects point at their class, so any copy of the
// library can finalise, compare and describe objects another copy made.
struct CFClass {
    CFTypeID typeID;
    const char* name;
    void (*destroy)(CFObject* object);
    // Both objects are of this class. Null: equal only to itself.
    bool (*equal)(const CFObject* a, const CFObject* b);
    CFHashCode (*hash)(const CFObject* object); // null: the address
    void (*describe)(const CFObject* object, std::string& text);
};

constexpr long kCFImmortalRetainCount = LONG_MAX;

struct CFObject {
    constexpr CFObject(const CFClass* objectClass, long count)
        : cls(objectClass), retainCount(count) {}
    CFObject(const CFObject&) = delete;
    CFObject& operator=(const CFObject&) = delete;

    const CFClass* cls;
    mutable std::atomic<long> retainCount;
};

// The object as T when it is of the type; null otherwise (and for null).
template <class T> const T* CFCast(CFTypeRef ref, CFTypeID typeID) {
    const auto* object = static_cast<const CFObject*>(ref);
    return object && object->cls->typeID == typeID ? static_cast<const T*>(object) : nullptr;
}

// A new object with a retain count of 1, or null when memory ran out.
template <class T, class... Args> T* CFNew(Args&&... args) {
    try {
        return new (std::nothrow) T(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        return nullptr; // a member could not allocate
    }
}

template <class T> void CFDelete(CFObject* object) {
    delete static_cast<T*>(object);
}

// Equal objects hash alike: what the type dictionary key callbacks hash with.
CFHashCode CFHash(CFTypeRef object);

// Appends the description of any object (or of null). Nesting deeper than a fixed limit is
// shown as "..." so that a container holding itself cannot recurse without end.
void CFAppendDescription(std::string& text, CFTypeRef object);

// Appends a container value's description made by the container's callback: through
// CFAppendDescription for CF objects, "<address>" without a callback.
void CFAppendValueDescription(std::string& text, const void* value,
                              CFStringRef (*copyDescription)(const void* value));

// Limits recursion through containers (equality, description) per thread.
class CFRecursionGuard {
public:
    CFRecursionGuard() { ++sDepth; }
    ~CFRecursionGuard() { --sDepth; }
    CFRecursionGuard(const CFRecursionGuard&) = delete;
    CFRecursionGuard& operator=(const CFRecursionGuard&) = delete;
    bool TooDeep() const { return sDepth > kMaxDepth; }

private:
    static constexpr int kMaxDepth = 512;
    static thread_local int sDepth;
};

// ---- Strings -------------------------------------------------------------------------------

// Strings hold valid UTF-8. Constant strings point at their literal and are never freed.
struct CFStringObject : CFObject {
    enum class Storage { kBorrowed, kOwned, kMalloced };

    constexpr CFStringObject(const char* literal, size_t literalSize, CFIndex literalLength16)
        : CFObject(&kClass, kCFImmortalRetainCount), text(literal), size(literalSize),
          length16(literalLength16), storage(Storage::kBorrowed) {}
    CFStringObject(const char* bytes, size_t byteCount, CFIndex utf16Length, Storage kind)
        : CFObject(&kClass, 1), text(bytes), size(byteCount), length16(utf16Length), storage(kind) {
    }
    ~CFStringObject();

    static const CFClass kClass;

    const char* text; // NUL-terminated
    size_t size;      // bytes, without the terminator
    CFIndex length16; // UTF-16 code units
    Storage storage;
};

// UTF-16 length of valid UTF-8 text.
constexpr CFIndex CFUTF16Length(const char* text, size_t size) {
    CFIndex length = 0;
    for (size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) length += byte >= 0xF0 ? 2 : 1;
    }
    return length;
}

// Defines an immortal string, constant-initialised so that it is usable before any dynamic
// initialisation runs.
#define CF_DEFINE_CONSTANT_STRING(name, literal)                                                   \
    static CFStringObject name##Object{literal, sizeof(literal) - 1,                               \
                                       CFUTF16Length(literal, sizeof(literal) - 1)};               \
    const CFStringRef name = &name##Object

bool CFIsValidUTF8(const char* text, size_t size);
// A new string holding a copy of valid UTF-8 text; null when memory ran out.
CFStringRef CFStringCreateWithUTF8(const char* text, size_t size);
inline CFStringRef CFStringCreateWithUTF8(const std::string& text) {
    return CFStringCreateWithUTF8(text.data(), text.size());
}
// The UTF-8 text of a string; empty for anything that is not a string.
std::string CFStringGetUTF8(CFStringRef string);

// ---- Errors --------------------------------------------------------------------------------

// An error whose description is the text.
CFErrorRef CFErrorCreateWithDescription(CFErrorDomain domain, CFIndex code,
                                        const std::string& description);

// ---- URLs ----------------------------------------------------------------------------------

// The absolute path of a URL; empty for anything that is not a URL.
std::string CFURLGetPath(CFURLRef url);
