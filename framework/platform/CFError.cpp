// Errors: a domain, a code and a user-info dictionary carrying the description.

#include "CFInternal.h"

struct CFErrorObject : CFObject {
    static const CFClass kClass;
    CFErrorObject(CFStringRef errorDomain, CFIndex errorCode, CFDictionaryRef info)
        : CFObject(&kClass, 1), domain(errorDomain), code(errorCode), userInfo(info) {}
    ~CFErrorObject() {
        CFRelease(domain);
        CFRelease(userInfo);
    }

    CFStringRef domain;
    CFIndex code;
    CFDictionaryRef userInfo;
};

namespace {

const CFErrorObject* AsError(CFErrorRef error) {
    return CFCast<CFErrorObject>(error, kCFErrorTypeID);
}

bool ErrorEqual(const CFObject* a, const CFObject* b) {
    const auto* errorA = static_cast<const CFErrorObject*>(a);
    const auto* errorB = static_cast<const CFErrorObject*>(b);
    return errorA->code == errorB->code && CFEqual(errorA->domain, errorB->domain);
}

CFHashCode ErrorHash(const CFObject* object) {
    return static_cast<CFHashCode>(static_cast<const CFErrorObject*>(object)->code);
}

std::string DescriptionText(const CFErrorObject* error) {
    for (CFStringRef key : {kCFErrorLocalizedDescriptionKey, kCFErrorDescriptionKey}) {
        const void* text = CFDictionaryGetValue(error->userInfo, key);
        if (CFGetTypeID(text) == kCFStringTypeID)
            return CFStringGetUTF8(static_cast<CFStringRef>(text));
    }
    return "The operation couldn't be completed. (" + CFStringGetUTF8(error->domain) + " error " +
           std::to_string(error->code) + ".)";
}

void ErrorDescribe(const CFObject* object, std::string& text) {
    text += DescriptionText(static_cast<const CFErrorObject*>(object));
}

} // namespace

const CFClass CFErrorObject::kClass{kCFErrorTypeID, "CFError", CFDelete<CFErrorObject>,
                                    ErrorEqual,     ErrorHash, ErrorDescribe};

CF_DEFINE_CONSTANT_STRING(kCFErrorDomainPOSIX, "NSPOSIXErrorDomain");
CF_DEFINE_CONSTANT_STRING(kCFErrorDomainCocoa, "NSCocoaErrorDomain");
CF_DEFINE_CONSTANT_STRING(kCFErrorDescriptionKey, "NSDescription");
CF_DEFINE_CONSTANT_STRING(kCFErrorLocalizedDescriptionKey, "NSLocalizedDescription");

CFErrorRef CFErrorCreate(CFAllocatorRef, CFErrorDomain domain, CFIndex code,
                         CFDictionaryRef userInfo) {
    if (CFGetTypeID(domain) != kCFStringTypeID) return nullptr;
    // A private copy, so that later changes to the caller's dictionary do not show here.
    CFDictionaryRef info =
        userInfo ? CFDictionaryCreateMutableCopy(nullptr, 0, userInfo)
                 : CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                             &kCFTypeDictionaryValueCallBacks);
    if (!info) return nullptr;
    CFErrorObject* error =
        CFNew<CFErrorObject>(static_cast<CFStringRef>(CFRetain(domain)), code, info);
    if (!error) {
        CFRelease(domain);
        CFRelease(info);
    }
    return error;
}

CFErrorRef CFErrorCreateWithDescription(CFErrorDomain domain, CFIndex code,
                                        const std::string& description) {
    CFStringRef text = CFStringCreateWithUTF8(description);
    CFMutableDictionaryRef info = CFDictionaryCreateMutable(
        nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFDictionarySetValue(info, kCFErrorDescriptionKey, text);
    CFErrorRef error = CFErrorCreate(nullptr, domain, code, info);
    CFRelease(info);
    CFRelease(text);
    return error;
}

CFStringRef CFErrorCopyDescription(CFErrorRef ref) {
    const CFErrorObject* error = AsError(ref);
    if (!error) return nullptr;
    try {
        return CFStringCreateWithUTF8(DescriptionText(error));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
