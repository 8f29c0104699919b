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

std::string LastComponent(const std::string& path) {
    return path == "/" ? path : path.substr(path.rfind('/') + 1);
}

} // namespace

const CFClass CFURLObject::kClass{kCFURLTypeID, "CFURL", CFDelete<CFURLObject>,
                                  URLEqual,     URLHash, URLDescribe};

CFTypeID CFURLGetTypeID() {
    return kCFURLTypeID;
}

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

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef, CFURLRef ref,
                                               CFStringRef pathComponent, Boolean isDirectory) {
    const CFURLObject* url = AsURL(ref);
    const std::string component = CFStringGetUTF8(pathComponent);
    if (!url || component.empty()) return nullptr;
    return MakeURL(url->path + (url->path == "/" ? "" : "/") + component, isDirectory);
}

CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef, CFURLRef ref) {
    const CFURLObject* url = AsURL(ref);
    if (!url) return nullptr;
    const size_t slash = url->path.rfind('/');
    return MakeURL(slash == 0 ? "/" : url->path.substr(0, slash), true);
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

CFStringRef CFURLCopyFileSystemPath(CFURLRef ref, CFURLPathStyle pathStyle) {
    const CFURLObject* url = AsURL(ref);
    if (!url || pathStyle != kCFURLPOSIXPathStyle ||
        !CFIsValidUTF8(url->path.data(), url->path.size()))
        return nullptr;
    return CFStringCreateWithUTF8(url->path);
}

CFStringRef CFURLCopyLastPathComponent(CFURLRef ref) {
    const CFURLObject* url = AsURL(ref);
    if (!url) return nullptr;
    const std::string component = LastComponent(url->path);
    if (!CFIsValidUTF8(component.data(), component.size())) return nullptr;
    return CFStringCreateWithUTF8(component);
}

CFStringRef CFURLCopyPathExtension(CFURLRef ref) {
    const CFURLObject* url = AsURL(ref);
    if (!url) return nullptr;
    const std::string component = LastComponent(url->path);
    const size_t dot = component.rfind('.');
    // A leading dot names a hidden file rather than starting an extension.
    if (dot == std::string::npos || dot == 0 || dot + 1 == component.size()) return nullptr;
    const std::string extension = component.substr(dot + 1);
    if (!CFIsValidUTF8(extension.data(), extension.size())) return nullptr;
    return CFStringCreateWithUTF8(extension);
}

CFStringRef CFURLGetString(CFURLRef ref) {
    const CFURLObject* url = AsURL(ref);
    return url ? url->string : nullptr;
}

Boolean CFURLHasDirectoryPath(CFURLRef ref) {
    const CFURLObject* url = AsURL(ref);
    return url && url->directory;
}
