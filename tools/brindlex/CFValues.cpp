#include "CFValues.h"

#include "CFRef.h"

#include <vector>

std::string TextOf(CFTypeRef object) {
    if (CFGetTypeID(object) != CFStringGetTypeID()) {
        if (!object) return "(null)";
        CFRef<CFStringRef> description(CFCopyDescription(object));
        return TextOf(description.Get());
    }
    const auto string = static_cast<CFStringRef>(object);
    if (const char* direct = CFStringGetCStringPtr(string, kCFStringEncodingUTF8)) return direct;
    std::vector<char> buffer(static_cast<size_t>(CFStringGetMaximumSizeForEncoding(
                                 CFStringGetLength(string), kCFStringEncodingUTF8)) +
                             1);
    if (!CFStringGetCString(string, buffer.data(), static_cast<CFIndex>(buffer.size()),
                            kCFStringEncodingUTF8))
        return {};
    return buffer.data();
}

CFTypeRef GetEntry(CFDictionaryRef dictionary, const char* key) {
    if (CFGetTypeID(dictionary) != CFDictionaryGetTypeID()) return nullptr;
    CFRef<CFStringRef> keyString(CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8));
    return CFDictionaryGetValue(dictionary, keyString.Get());
}

bool GetNumberEntry(CFDictionaryRef dictionary, const char* key, SInt64* value) {
    const CFTypeRef number = GetEntry(dictionary, key);
    return CFGetTypeID(number) == CFNumberGetTypeID() &&
           CFNumberGetValue(static_cast<CFNumberRef>(number), kCFNumberSInt64Type, value);
}
