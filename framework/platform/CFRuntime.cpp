// Reference counting, equality, hashing and descriptions of every object.

#include "CFInternal.h"

#include <cstdio>

struct CFAllocatorObject {
    const char* name;
};

namespace {
CFAllocatorObject gNull{"null"};
} // namespace

const CFAllocatorRef kCFAllocatorNull = &gNull;

thread_local int CFRecursionGuard::sDepth = 0;

CFTypeID CFGetTypeID(CFTypeRef object) {
    return object ? static_cast<const CFObject*>(object)->cls->typeID : 0;
}

CFTypeRef CFRetain(CFTypeRef ref) {
    const auto* object = static_cast<const CFObject*>(ref);
    if (object && object->retainCount.load(std::memory_order_relaxed) != kCFImmortalRetainCount)
        object->retainCount.fetch_add(1, std::memory_order_relaxed);
    return ref;
}

void CFRelease(CFTypeRef ref) {
    const auto* object = static_cast<const CFObject*>(ref);
    if (!object || object->retainCount.load(std::memory_order_relaxed) == kCFImmortalRetainCount)
        return;
    // Acquire-release so that the thread that frees the object sees every write made to it.
    if (object->retainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        object->cls->destroy(const_cast<CFObject*>(object));
}

CFHashCode CFHash(CFTypeRef ref) {
    const auto* object = static_cast<const CFObject*>(ref);
    if (!object) return 0;
    return object->cls->hash ? object->cls->hash(object) : reinterpret_cast<CFHashCode>(ref);
}

Boolean CFEqual(CFTypeRef a, CFTypeRef b) {
    if (a == b) return a != nullptr;
    if (!a || !b) return false;
    const auto* objectA = static_cast<const CFObject*>(a);
    const auto* objectB = static_cast<const CFObject*>(b);
    if (objectA->cls->typeID != objectB->cls->typeID || !objectA->cls->equal) return false;
    const CFRecursionGuard guard;
    return !guard.TooDeep() && objectA->cls->equal(objectA, objectB);
}

void CFAppendDescription(std::string& text, CFTypeRef ref) {
    const auto* object = static_cast<const CFObject*>(ref);
    if (!object) {
        text += "(null)";
        return;
    }
    const CFRecursionGuard guard;
    if (guard.TooDeep()) {
        text += "...";
        return;
    }
    object->cls->describe(object, text);
}

void CFAppendValueDescription(std::string& text, const void* value,
                              CFStringRef (*copyDescription)(const void* value)) {
    if (copyDescription == CFCopyDescription) {
        CFAppendDescription(text, value); // keeps the nesting limit
    } else if (copyDescription) {
        CFStringRef description = copyDescription(value);
        text += CFStringGetUTF8(description);
        CFRelease(description);
    } else {
        char address[32];
        std::snprintf(address, sizeof address, "<%p>", value);
        text += address;
    }
}

CFStringRef CFCopyDescription(CFTypeRef object) {
    if (!object) return nullptr;
    try {
        std::string text;
        CFAppendDescription(text, object);
        return CFStringCreateWithUTF8(text);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFStringRef CFCopyTypeIDDescription(CFTypeID typeID) {
    static constexpr const char* kNames[] = {
        "",        "CFString",     "CFNumber",       "CFBoolean", "CFDate",
        "CFData",  "CFArray",      "CFDictionary",   "CFURL",     "CFBundle",
        "CFError", "CGColorSpace", "CGDataProvider", "CGImage",   "CGContext"};
    if (typeID == 0 || typeID >= sizeof kNames / sizeof kNames[0]) return nullptr;
    return CFStringCreateWithCString(nullptr, kNames[typeID], kCFStringEncodingUTF8);
}
