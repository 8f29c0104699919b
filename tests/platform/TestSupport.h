#pragma once

// Helpers shared by the platform tests.

#include "CoreFoundation.h"

#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
};

void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);

// Owns one CF object reference.
template <class T> class CFHolder {
public:
    explicit CFHolder(T object = nullptr) : mObject(object) {}
    ~CFHolder() { CFRelease(mObject); }
    CFHolder(const CFHolder&) = delete;
    CFHolder& operator=(const CFHolder&) = delete;
    T Get() const { return mObject; }
    T* Out() { return &mObject; }
    explicit operator bool() const { return mObject != nullptr; }

private:
    T mObject;
};

CFStringRef MakeString(const char* text); // owned by the caller
std::string Text(CFTypeRef object);       // the description as UTF-8
