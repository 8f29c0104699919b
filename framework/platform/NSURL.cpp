// URLs: validated text for web URLs, CFURL's text for file URLs.

#include "CFInternal.h"
#include "Foundation.h"

#include <cctype>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace {

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// Characters a URL may hold: unreserved, reserved, "%" escapes and one "#".
bool IsWellFormed(std::string_view text) {
    static constexpr std::string_view kAllowed = "-._~:/?#[]@!$&'()*+,;=";
    bool fragment = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '%') {
            if (i + 2 >= text.size() || !IsHex(text[i + 1]) || !IsHex(text[i + 2])) return false;
            i += 2;
        } else if (c == '#') {
            if (fragment) return false;
            fragment = true;
        } else if (!std::isalnum(c) &&
                   kAllowed.find(static_cast<char>(c)) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

// The scheme's length (without the ":"); 0 without one.
size_t SchemeLength(std::string_view text) {
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
    for (size_t i = 1; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == ':') return i;
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return 0;
    }
    return 0;
}

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && IsHex(text[i + 1]) && IsHex(text[i + 2])) {
            decoded +=
                static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

} // namespace

NSURL::~NSURL() {
    mText->release();
}

NSURL* NSURL::URLWithString(NSString* text) {
    if (!text || !*text->UTF8String() || !IsWellFormed(text->UTF8String())) return nullptr;
    return static_cast<NSURL*>((new NSURL(static_cast<NSString*>(text->retain())))->autorelease());
}

NSURL* NSURL::fileURLWithPath(NSString* path, bool isDirectory) {
    if (!path) return nullptr;
    CFStringRef cfPath =
        CFStringCreateWithUTF8(path->UTF8String(), std::strlen(path->UTF8String()));
    CFURLRef url =
        CFURLCreateWithFileSystemPath(nullptr, cfPath, kCFURLPOSIXPathStyle, isDirectory);
    CFRelease(cfPath);
    if (!url) return nullptr;
    NSString* text = NSString::stringWithUTF8String(CFStringGetUTF8(CFURLGetString(url)).c_str());
    CFRelease(url);
    if (!text) return nullptr;
    return static_cast<NSURL*>((new NSURL(static_cast<NSString*>(text->retain())))->autorelease());
}

NSURL* NSURL::fileURLWithPath(NSString* path) {
    // As on the platform, an existing folder gets a folder URL.
    struct stat status {};
    const bool isDirectory =
        path && stat(path->UTF8String(), &status) == 0 && S_ISDIR(status.st_mode);
    return fileURLWithPath(path, isDirectory);
}

NSString* NSURL::absoluteString() const {
    return mText;
}

NSString* NSURL::path() const {
    std::string_view text = mText->UTF8String();
    if (const size_t scheme = SchemeLength(text)) text.remove_prefix(scheme + 1);
    if (text.substr(0, 2) == "//") {
        const size_t slash = text.find('/', 2);
        text = slash == std::string_view::npos ? std::string_view() : text.substr(slash);
    }
    text = text.substr(0, text.find_first_of("?#"));
    while (text.size() > 1 && text.back() == '/')
        text.remove_suffix(1);
    const std::string decoded = PercentDecoded(text);
    return NSString::stringWithUTF8String(decoded.c_str());
}

bool NSURL::isEqual(id object) const {
    const auto* other = dynamic_cast<const NSURL*>(object);
    return other && other->mText->isEqual(mText);
}

NSString* NSURL::description() const {
    return mText;
}
