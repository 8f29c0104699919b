#pragma once

#include "CoreFoundation.h"

#include <utility>

// Owns one reference to a CoreFoundation object (null allowed) and releases it when it goes.
template <class T> class CFRef {
public:
    CFRef() = default;
    explicit CFRef(T object) : mObject(object) {}
    ~CFRef() {
        if (mObject) CFRelease(mObject);
    }
    CFRef(CFRef&& other) noexcept : mObject(std::exchange(other.mObject, nullptr)) {}
    CFRef& operator=(CFRef&& other) noexcept {
        std::swap(mObject, other.mObject);
        return *this;
    }
    CFRef(const CFRef&) = delete;
    CFRef& operator=(const CFRef&) = delete;

    T Get() const { return mObject; }
    // For a call that hands back a new reference through a pointer; releases what was held.
    T* Out() {
        *this = CFRef();
        return &mObject;
    }
    explicit operator bool() const { return mObject != nullptr; }

private:
    T mObject = nullptr;
};
