// File URLs: absolute file-system paths with a directory flag.

#include "CFInternal.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>
#include <unistd.h>

struct CFURLObject : CFObject {
    static const CFClass kClass;
    CFURLObject(std::string filePath, bool isDirectory)
        : CFObject(&kClass, 1), path(std::move(filePath)), directory(isDirectory) {}
    ~CFURLObject() { CFRelease(string); }

    std::string path; // absolute, without a trailing "/" except for the root
    bool directory;
    CFStringRef string = nullptr; // the URL text, made with the object
};

namespace {

bool URLEqual(const CFObject* a, const CFObject* b) {
    const auto* urlA = static_cast<const CFURLObject*>(a);
    const auto* urlB = static_cast<const CFURLObject*>(b);
    return urlA->directory == urlB->directory && urlA->path == urlB->path;
}

CFHashCode URLHash(const CFObject* object) {
    return std::hash<std::string>()(static_cast<const CFURLObject*>(object)->path);
}

void URLDescribe(const CFObject* object, std::string& text) {
    text += CFStringGetUTF8(static_cast<const CFURLObject*>(object)->string);
}

const CFURLObject* AsURL(CFURLRef url) {
    return CFCast<CFURLObject>(url, kCFURLTypeID);
}

// "file://" and the path with everything but unreserved and path characters percent-encoded.
std::string URLText(const std::string& path, bool directory) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text = "file://";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') ||
                           std::string_view("-._~/!$&'()*+,;=:@").find(c) != std::string_view::npos;
        if (plain) {
            text += c;
        } else {
            text += '%';
            text += kHex[byte >> 4];
            text += kHex[byte & 15];
        }
    }
    if (directory && path != "/") text += '/';
    return text;
}

CFURLRef MakeURL(std::string path, bool isDirectory) {
    if (path.empty() || path.find('\0') != std::string::npos) return nullptr;
    try {
        if (path[0] != '/') {
            const std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), std::free);
            if (!cwd) return nullptr;
            path = std::string(cwd.get()) + (cwd.get()[1] ? "/" : "") + path;
        }
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        const std::string text = URLText(path, isDirectory);
        CFURLObject* url = CFNew<CFURLObject>(std::move(path), isDirectory);
        if (!url) return nullptr;
        url->string = CFStringCreateWithUTF8(text);
        if (!url->string) {
            CFRelease(url);
            return nullptr;
        }
        return url;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

const CFClass CFURLObject::kClass{kCFURLTypeID, "CFURL", CFDelete<CFURLObject>,
                                  URLEqual,     URLHash, URLDescribe};

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean isDirectory) {
    if (pathStyle != kCFURLPOSIXPathStyle || CFGetTypeID(filePath) != kCFStringTypeID)
        return nullptr;
    return MakeURL(CFStringGetUTF8(filePath), isDirectory);
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const UInt8* buffer,
                                                 CFIndex bufferLength, Boolean isDirectory) {
    if (!buffer || bufferLength <= 0) return nullptr;
    return MakeURL(
        std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(bufferLength)),
        isDirectory);
}

std::string CFURLGetPath(CFURLRef ref) {
    const CFURLObject* url = AsURL(ref);
    return url ? url->path : std::string();
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef ref, Boolean, UInt8* buffer,
                                         CFIndex maxBufferLength) {
    const CFURLObject* url = AsURL(ref);
    if (!url || !buffer || maxBufferLength <= 0 ||
        url->path.size() >= static_cast<size_t>(maxBufferLength))
        return false;
    std::memcpy(buffer, url->path.c_str(), url->path.size() + 1);
    return true;
}

CFStringRef CFURLGetString(CFURLRef ref) {
    const CFURLObject* url = AsURL(ref);
    return url ? url->string : nullptr;
}
