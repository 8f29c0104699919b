#pragma once

// Helpers shared by the platform tests.

#include "AudioUnit.h"
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

// The test component, laid out as a bundle in a temporary folder and loaded once per process:
// <folder>/PlatformTest.component/Contents/Info.plist (identifier "org.brindlex.platform-test"),
// Contents/Resources/knob.png and Contents/<processor>-linux/PlatformTest.so. It stays loaded
// until the process ends.
struct TestComponentBundle {
    std::string bundlePath;
    std::string executablePath;
    ComponentRoutineUPP entry;
};
const TestComponentBundle& LoadTestComponentBundle();
