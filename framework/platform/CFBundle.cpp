// Bundles: folders with Contents/Info.plist, found through the running executable and the
// loaded shared objects.

#include "CFInternal.h"
#include "Trace.h"
#include "UTL_Mutex.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <link.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef BRINDLEX_BUNDLE_EXECUTABLE_FOLDER
#error "The build names the bundle's executable folder (such as x86_64-linux)."
#endif

struct CFBundleObject : CFObject {
    static const CFClass kClass;
    CFBundleObject() : CFObject(&kClass, 1) {}
    ~CFBundleObject() {
        CFRelease(url);
        CFRelease(identifier);
        CFRelease(info);
    }

    std::string path;           // the bundle folder
    std::string resourcesPath;  // Contents/Resources, or the folder itself for a bare folder
    std::string executablePath; // known when the bundle was found through its executable
    CFURLRef url = nullptr;
    CFStringRef identifier = nullptr;
    CFDictionaryRef info = nullptr;
};

CF_DEFINE_CONSTANT_STRING(kCFBundleExecutableKey, "CFBundleExecutable");
CF_DEFINE_CONSTANT_STRING(kCFBundleIdentifierKey, "CFBundleIdentifier");

namespace {

void BundleDescribe(const CFObject* object, std::string& text) {
    const auto* bundle = static_cast<const CFBundleObject*>(object);
    text += "CFBundle <" + bundle->path + "> (";
    text += bundle->identifier ? CFStringGetUTF8(bundle->identifier) : "no identifier";
    text += ')';
}

const CFBundleObject* AsBundle(CFBundleRef bundle) {
    return CFCast<CFBundleObject>(bundle, kCFBundleTypeID);
}

bool IsFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string Parent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

std::string LastComponent(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Whether a relative path has a ".." component.
bool LeavesFolder(std::string_view path) {
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        if (path.substr(start, end - start) == "..") return true;
        start = end + 1;
    }
    return false;
}

std::string RealPath(const char* path) {
    char resolved[PATH_MAX];
    return realpath(path, resolved) ? std::string(resolved) : std::string();
}

// The bundle folder holding an executable at <bundle>/Contents/<processor>-linux/ (or the
// platform's Contents/MacOS/); empty when the executable lies in no bundle.
std::string BundleFolderOfExecutable(const std::string& executable) {
    const std::string folder = Parent(executable);
    const std::string folderName = LastComponent(folder);
    const std::string contents = Parent(folder);
    if ((!EndsWith(folderName, "-linux") && folderName != "MacOS") ||
        LastComponent(contents) != "Contents" || !IsFile(contents + "/Info.plist"))
        return std::string();
    return Parent(contents);
}

CFDictionaryRef EmptyDictionary() {
    return CFDictionaryCreate(nullptr, nullptr, nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                              &kCFTypeDictionaryValueCallBacks);
}

// Info.plist as a dictionary; empty when missing, and, with a trace line, when unusable.
CFDictionaryRef ReadInfo(const std::string& contents) {
    const std::string infoPath = contents + "/Info.plist";
    if (!IsFile(infoPath)) return EmptyDictionary();
    CFURLRef infoURL = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(infoPath.data()),
        static_cast<CFIndex>(infoPath.size()), false);
    CFErrorRef error = nullptr;
    CFPropertyListRef info = CFPropertyListCreateWithContentsOfURL(
        nullptr, infoURL, kCFPropertyListImmutable, nullptr, &error);
    CFRelease(infoURL);
    if (error) {
        std::string message;
        CFAppendDescription(message, error);
        TRACE("%s", message.c_str());
        CFRelease(error);
    }
    if (CFGetTypeID(info) == kCFDictionaryTypeID) return static_cast<CFDictionaryRef>(info);
    if (info) TRACE("%s is not a dictionary", infoPath.c_str());
    CFRelease(info);
    return EmptyDictionary();
}

CFBundleObject* LoadBundle(const std::string& folder, const std::string& executable) {
    CFBundleObject* bundle = CFNew<CFBundleObject>();
    if (!bundle) return nullptr;
    bundle->path = folder;
    bundle->executablePath = executable;
    const std::string contents = folder + "/Contents";
    const bool hasContents = IsFolder(contents);
    bundle->resourcesPath = hasContents ? contents + "/Resources" : folder;
    bundle->url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(folder.data()), static_cast<CFIndex>(folder.size()),
        true);
    bundle->info = hasContents ? ReadInfo(contents) : EmptyDictionary();
    const void* identifier = CFDictionaryGetValue(bundle->info, kCFBundleIdentifierKey);
    if (CFGetTypeID(identifier) == kCFStringTypeID)
        bundle->identifier = static_cast<CFStringRef>(CFRetain(identifier));
    if (!bundle->url || !bundle->info) {
        CFRelease(bundle);
        return nullptr;
    }
    return bundle;
}

CFBundleObject* MakeMainBundle() {
    const std::string executable = RealPath("/proc/self/exe");
    if (executable.empty()) return LoadBundle(RealPath("."), std::string());
    const std::string folder = BundleFolderOfExecutable(executable);
    return LoadBundle(folder.empty() ? Parent(executable) : folder, executable);
}

// Bundles found through loaded shared objects. They stay for the life of the process, as
// bundles on the platform do once loaded; the registry is never destroyed so that lookups
// during static destruction still work.
struct Registry {
    UTL_Mutex mutex;
    std::vector<CFBundleObject*> bundles;
};

Registry& GetRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

// Nothing may be thrown through the loader, which holds a lock while it walks.
int CollectObjectPath(dl_phdr_info* info, size_t, void* context) noexcept {
    try {
        if (info->dlpi_name && info->dlpi_name[0])
            static_cast<std::vector<std::string>*>(context)->emplace_back(info->dlpi_name);
        return 0;
    } catch (const std::bad_alloc&) {
        return 1; // stop: the bundles collected so far are searched
    }
}

CFBundleObject* FindRegistered(Registry& registry, CFStringRef identifier) {
    for (CFBundleObject* bundle : registry.bundles)
        if (bundle->identifier && CFEqual(bundle->identifier, identifier)) return bundle;
    return nullptr;
}

} // namespace

const CFClass CFBundleObject::kClass{kCFBundleTypeID, "CFBundle", CFDelete<CFBundleObject>,
                                     nullptr,         nullptr,    BundleDescribe};

CFBundleRef CFBundleGetMainBundle() {
    static CFBundleObject* const mainBundle = MakeMainBundle();
    return mainBundle;
}

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID) {
    if (CFGetTypeID(bundleID) != kCFStringTypeID) return nullptr;
    CFBundleObject* mainBundle = CFBundleGetMainBundle();
    if (mainBundle && mainBundle->identifier && CFEqual(mainBundle->identifier, bundleID))
        return mainBundle;
    Registry& registry = GetRegistry();
    try {
        {
            UTL_MutexLock lock(&registry.mutex);
            if (CFBundleObject* bundle = FindRegistered(registry, bundleID)) return bundle;
        }
        // Walked without our lock held: the walk takes the loader's lock, and code running
        // under the loader's lock (a library's constructor) may call here.
        std::vector<std::string> objects;
        dl_iterate_phdr(CollectObjectPath, &objects);
        UTL_MutexLock lock(&registry.mutex);
        for (const std::string& object : objects) {
            const std::string executable = RealPath(object.c_str());
            const std::string folder =
                executable.empty() ? std::string() : BundleFolderOfExecutable(executable);
            if (folder.empty()) continue;
            const bool known =
                std::any_of(registry.bundles.begin(), registry.bundles.end(),
                            [&](const CFBundleObject* bundle) { return bundle->path == folder; });
            if (known) continue;
            registry.bundles.reserve(registry.bundles.size() + 1); // so that adding cannot fail
            if (CFBundleObject* bundle = LoadBundle(folder, executable))
                registry.bundles.push_back(bundle);
        }
        return FindRegistered(registry, bundleID);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL) {
    try {
        const std::string path = CFURLGetPath(bundleURL);
        if (path.empty() || !IsFolder(path)) return nullptr;
        return LoadBundle(path, std::string());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFStringRef CFBundleGetIdentifier(CFBundleRef ref) {
    const CFBundleObject* bundle = AsBundle(ref);
    return bundle ? bundle->identifier : nullptr;
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef ref) {
    const CFBundleObject* bundle = AsBundle(ref);
    return bundle ? bundle->info : nullptr;
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef ref) {
    const CFBundleObject* bundle = AsBundle(ref);
    return bundle ? static_cast<CFURLRef>(CFRetain(bundle->url)) : nullptr;
}

CFURLRef CFBundleCopyResourceURL(CFBundleRef ref, CFStringRef resourceName,
                                 CFStringRef resourceType, CFStringRef subDirName) {
    const CFBundleObject* bundle = AsBundle(ref);
    if (!bundle || CFGetTypeID(resourceName) != kCFStringTypeID) return nullptr;
    try {
        const std::string name = CFStringGetUTF8(resourceName);
        std::string type = CFStringGetUTF8(resourceType);
        const std::string subFolder = CFStringGetUTF8(subDirName);
        if (!type.empty() && type[0] == '.') type.erase(0, 1);
        // Resources are looked up inside the bundle only.
        if (name.empty() || name.find('/') != std::string::npos ||
            type.find('/') != std::string::npos || name == ".." || LeavesFolder(subFolder))
            return nullptr;
        std::string path = bundle->resourcesPath + "/";
        if (!subFolder.empty()) path += subFolder + "/";
        path += name;
        if (!type.empty()) path += "." + type;
        struct stat status {};
        if (stat(path.c_str(), &status) != 0) return nullptr;
        return CFURLCreateFromFileSystemRepresentation(
            nullptr, reinterpret_cast<const UInt8*>(path.data()), static_cast<CFIndex>(path.size()),
            S_ISDIR(status.st_mode));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CFURLRef CFBundleCopyExecutableURL(CFBundleRef ref) {
    const CFBundleObject* bundle = AsBundle(ref);
    if (!bundle) return nullptr;
    try {
        std::string path = bundle->executablePath;
        if (path.empty()) {
            const std::string name = CFStringGetUTF8(static_cast<CFStringRef>(
                CFDictionaryGetValue(bundle->info, kCFBundleExecutableKey)));
            if (name.empty() || name.find('/') != std::string::npos) return nullptr;
            const std::string stem =
                bundle->path + "/Contents/" BRINDLEX_BUNDLE_EXECUTABLE_FOLDER "/" + name;
            path = IsFile(stem + ".so") ? stem + ".so" : IsFile(stem) ? stem : std::string();
            if (path.empty()) return nullptr;
        }
        return CFURLCreateFromFileSystemRepresentation(nullptr,
                                                       reinterpret_cast<const UInt8*>(path.data()),
                                                       static_cast<CFIndex>(path.size()), false);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
