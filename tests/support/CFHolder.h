#pragma once

// Ownership of CoreFoundation references in tests. Header-only: the tests that use it link
// the platform library themselves.

#include "CoreFoundation.h"

#include <string>

// Owns one CF object reference and releases it when it goes.
template <class T> class CFHolder {
public:
    explicit CFHolder(T object = nullptr) : mObject(object) {}
    ~CFHolder() {
        if (mObject) CFRelease(mObject);
    }
    CFHolder(const CFHolder&) = delete;
    CFHolder& operator=(const CFHolder&) = delete;
    T Get() const { return mObject; }
    T* Out() { return &mObject; }
    explicit operator bool() const { return mObject != nullptr; }

private:
    T mObject;
};

// The object's description as UTF-8.
inline std::string CFText(CFTypeRef object) {
    CFHolder<CFStringRef> description(CFCopyDescription(object));
    const char* text = CFStringGetCStringPtr(description.Get(), kCFStringEncodingUTF8);
    return text ? text : "";
}
