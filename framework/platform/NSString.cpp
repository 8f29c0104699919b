// Strings, path manipulation, the home folder and the standard search paths.

#include "CFInternal.h"
#include "Foundation.h"

#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

std::string_view View(const NSString* string) {
    return string ? std::string_view(string->UTF8String()) : std::string_view();
}

NSString* Make(std::string_view text) {
    return NSString::stringWithUTF8String(std::string(text).c_str());
}

std::string WithoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return std::string(path);
}

// Where the last component of a path without trailing slashes starts.
size_t LastComponentStart(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

// A password-database entry's home folder; empty when there is none.
std::string HomeOf(const char* user) {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    const int error = user ? getpwnam_r(user, &entry, buffer.data(), buffer.size(), &found)
                           : getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    return error == 0 && found && found->pw_dir ? found->pw_dir : std::string();
}

std::string HomePath() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    const std::string entry = HomeOf(nullptr);
    return entry.empty() ? "/" : entry;
}

std::string ExpandTilde(std::string_view path) {
    if (path.empty() || path[0] != '~') return std::string(path);
    const size_t slash = path.find('/');
    const std::string user(
        path.substr(1, slash == std::string_view::npos ? std::string_view::npos : slash - 1));
    const std::string home = user.empty() ? HomePath() : HomeOf(user.c_str());
    if (home.empty()) return std::string(path);
    const std::string rest(slash == std::string_view::npos ? std::string_view()
                                                           : path.substr(slash));
    return WithoutTrailingSlashes(home + rest);
}

} // namespace

NSString::~NSString() = default;

NSString* NSString::initWithUTF8String(const char* text) {
    const size_t size = text ? std::strlen(text) : 0;
    if (!text || !CFIsValidUTF8(text, size)) {
        release();
        return nullptr;
    }
    mStorage.reset(new char[size + 1]);
    std::memcpy(mStorage.get(), text, size + 1);
    mText = mStorage.get();
    mSize = size;
    return this;
}

NSString* NSString::string() {
    return static_cast<NSString*>((new NSString)->autorelease());
}

NSString* NSString::stringWithUTF8String(const char* text) {
    NSString* string = (new NSString)->initWithUTF8String(text);
    return string ? static_cast<NSString*>(string->autorelease()) : nullptr;
}

const char* NSString::UTF8String() const {
    return mText;
}

NSUInteger NSString::length() const {
    return static_cast<NSUInteger>(CFUTF16Length(mText, mSize));
}

bool NSString::isEqual(id object) const {
    if (object == this) return true;
    const auto* other = dynamic_cast<const NSString*>(object);
    return other && View(this) == View(other);
}

NSUInteger NSString::hash() const {
    NSUInteger hash = 14695981039346656037ull; // FNV-1a
    for (size_t i = 0; i < mSize; ++i) {
        hash ^= static_cast<unsigned char>(mText[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

NSString* NSString::description() const {
    return const_cast<NSString*>(this);
}

NSArray<NSString*>* NSString::componentsSeparatedByString(NSString* separator) const {
    auto* components = NSMutableArray<NSString*>::array();
    const std::string_view text = View(this), cut = View(separator);
    if (cut.empty()) {
        components->addObject(Make(text));
        return components;
    }
    size_t start = 0;
    for (size_t at = text.find(cut); at != std::string_view::npos; at = text.find(cut, start)) {
        components->addObject(Make(text.substr(start, at - start)));
        start = at + cut.size();
    }
    components->addObject(Make(text.substr(start)));
    return components;
}

// ---- Paths ---------------------------------------------------------------------------------

NSString* NSString::lastPathComponent() const {
    const std::string path = WithoutTrailingSlashes(View(this));
    if (path == "/") return Make(path);
    return Make(std::string_view(path).substr(LastComponentStart(path)));
}

NSString* NSString::stringByDeletingLastPathComponent() const {
    const std::string path = WithoutTrailingSlashes(View(this));
    if (path == "/") return Make(path);
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return Make("");
    if (slash == 0) return Make("/");
    return Make(WithoutTrailingSlashes(std::string_view(path).substr(0, slash)));
}

NSString* NSString::stringByDeletingPathExtension() const {
    const std::string path = WithoutTrailingSlashes(View(this));
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= LastComponentStart(path)) return Make(path);
    return Make(std::string_view(path).substr(0, dot));
}

NSString* NSString::stringByExpandingTildeInPath() const {
    return Make(ExpandTilde(View(this)));
}

// ---- Standard folders ----------------------------------------------------------------------

NSString* NSHomeDirectory() {
    return Make(HomePath());
}

NSArray<NSString*>* NSSearchPathForDirectoriesInDomains(NSSearchPathDirectory directory,
                                                        NSSearchPathDomainMask domainMask,
                                                        bool expandTilde) {
    // Per kind: the user, local, network and system folders (null: the domain has none).
    struct Folders {
        NSSearchPathDirectory directory;
        const char* domains[4];
    };
    static constexpr Folders kFolders[] = {
        {NSApplicationDirectory,
         {"~/Applications", "/Applications", "/Network/Applications", nullptr}},
        {NSLibraryDirectory, {"~/Library", "/Library", "/Network/Library", "/System/Library"}},
        {NSUserDirectory, {nullptr, "/Users", "/Network/Users", nullptr}},
        {NSDocumentDirectory, {"~/Documents", nullptr, nullptr, nullptr}},
        {NSDesktopDirectory, {"~/Desktop", nullptr, nullptr, nullptr}},
        {NSCachesDirectory,
         {"~/Library/Caches", "/Library/Caches", nullptr, "/System/Library/Caches"}},
        {NSApplicationSupportDirectory,
         {"~/Library/Application Support", "/Library/Application Support",
          "/Network/Library/Application Support", "/System/Library/Application Support"}},
        {NSDownloadsDirectory, {"~/Downloads", nullptr, nullptr, nullptr}},
        {NSMusicDirectory, {"~/Music", nullptr, nullptr, nullptr}},
    };
    static constexpr NSSearchPathDomainMask kDomains[] = {NSUserDomainMask, NSLocalDomainMask,
                                                          NSNetworkDomainMask, NSSystemDomainMask};
    auto* paths = NSMutableArray<NSString*>::array();
    for (const Folders& folders : kFolders) {
        if (folders.directory != directory) continue;
        for (size_t domain = 0; domain < 4; ++domain) {
            const char* path = folders.domains[domain];
            if (!path || !(domainMask & kDomains[domain])) continue;
            paths->addObject(expandTilde ? Make(ExpandTilde(path)) : Make(path));
        }
    }
    return paths;
}
