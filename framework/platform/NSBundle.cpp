// Bundles over CFBundle, one object per bundle folder for the life of the process.

#include "CFInternal.h"
#include "PlatformRuntime.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

// Never destroyed, so that bundles stay valid during static destruction.
struct Bundles {
    UTL_Mutex mutex;
    std::map<std::string, NSBundle*> byPath;
};

Bundles& GetBundles() {
    static Bundles* bundles = new Bundles;
    return *bundles;
}

CFStringRef CopyCFString(NSString* string) {
    return string ? CFStringCreateWithUTF8(string->UTF8String(), std::strlen(string->UTF8String()))
                  : nullptr;
}

NSString* PathOf(CFURLRef url) {
    const std::string path = CFURLGetPath(url);
    CFRelease(url);
    return path.empty() ? nullptr : NSString::stringWithUTF8String(path.c_str());
}

std::string RealPath(const char* path) {
    char resolved[PATH_MAX];
    return path && realpath(path, resolved) ? std::string(resolved) : std::string();
}

} // namespace

NSBundle::NSBundle(CFBundleRef bundle) : mBundle(bundle) {
    CFRetain(bundle);
}

NSBundle::~NSBundle() {
    CFRelease(mBundle);
}

NSBundle* NSBundle::ForCFBundle(CFBundleRef bundle) {
    if (!bundle) return nullptr;
    CFURLRef url = CFBundleCopyBundleURL(bundle);
    const std::string path = CFURLGetPath(url);
    CFRelease(url);
    Bundles& bundles = GetBundles();
    UTL_MutexLock lock(&bundles.mutex);
    NSBundle*& known = bundles.byPath[path];
    if (!known) known = new NSBundle(bundle);
    return known;
}

NSBundle* NSBundle::bundleWithIdentifier(NSString* identifier) {
    CFStringRef cfIdentifier = CopyCFString(identifier);
    NSBundle* bundle = ForCFBundle(CFBundleGetBundleWithIdentifier(cfIdentifier));
    CFRelease(cfIdentifier);
    return bundle;
}

NSBundle* NSBundle::bundleWithPath(NSString* path) {
    if (!path) return nullptr;
    CFStringRef cfPath = CopyCFString(path);
    CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, cfPath, kCFURLPOSIXPathStyle, true);
    CFRelease(cfPath);
    CFBundleRef created = CFBundleCreate(nullptr, url);
    CFRelease(url);
    NSBundle* bundle = ForCFBundle(created);
    CFRelease(created);
    return bundle;
}

NSString* NSBundle::bundlePath() const {
    return PathOf(CFBundleCopyBundleURL(mBundle));
}

NSString* NSBundle::executablePath() const {
    return PathOf(CFBundleCopyExecutableURL(mBundle));
}

NSString* NSBundle::pathForResource(NSString* name, NSString* type, NSString* directory) const {
    if (!name) return nullptr;
    CFStringRef cfName = CopyCFString(name);
    CFStringRef cfType = CopyCFString(type);
    CFStringRef cfDirectory = CopyCFString(directory);
    CFURLRef url = CFBundleCopyResourceURL(mBundle, cfName, cfType, cfDirectory);
    CFRelease(cfName);
    CFRelease(cfType);
    CFRelease(cfDirectory);
    return PathOf(url);
}

NSString* NSBundle::pathForResource(NSString* name, NSString* type) const {
    return pathForResource(name, type, nullptr);
}

Class NSBundle::classNamed(NSString* name) const {
    Class cls = NSClassFromString(name);
    NSString* executable = executablePath();
    if (!cls || !executable) return nullptr;
    return RealPath(executable->UTF8String()) == cls->modulePath ? cls : nullptr;
}
