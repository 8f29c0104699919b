// Colour spaces and the ColorSync system profile they may be made from. Nothing is colour
// matched: every RGB space draws as device RGB.

#include "CGInternal.h"
#include "ColorSync.h"
#include "WindowSystem.h"

#include <new>
#include <string>

struct OpaqueCMProfileRef {
    std::string name;
};

namespace {

void DescribeSpace(const CFObject* object, std::string& text) {
    const auto* space = static_cast<const CGColorSpace*>(object);
    text += "<CGColorSpace ";
    text += space->name ? CFStringGetUTF8(space->name) : "device RGB";
    text += '>';
}

const CGColorSpace* AsSpace(CGColorSpaceRef space) {
    return CFCast<CGColorSpace>(space, kCGColorSpaceTypeID);
}

} // namespace

const CFClass CGColorSpace::kClass{
    kCGColorSpaceTypeID, "CGColorSpace", CFDelete<CGColorSpace>, nullptr, nullptr, DescribeSpace};

CGColorSpaceRef CGColorSpaceCreateDeviceRGB() {
    return CFNew<CGColorSpace>();
}

CGColorSpaceRef CGColorSpaceCreateWithPlatformColorSpace(const void* platformColorSpaceReference) {
    const auto* profile = static_cast<const OpaqueCMProfileRef*>(platformColorSpaceReference);
    if (!profile) return nullptr;
    CGColorSpace* space = CFNew<CGColorSpace>();
    if (!space) return nullptr;
    space->name = CFStringCreateWithUTF8(profile->name);
    if (!space->name) {
        CFRelease(space);
        return nullptr;
    }
    return space;
}

CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space) {
    CFRetain(space);
    return space;
}

void CGColorSpaceRelease(CGColorSpaceRef space) {
    CFRelease(space);
}

CGColorSpaceModel CGColorSpaceGetModel(CGColorSpaceRef ref) {
    const CGColorSpace* space = AsSpace(ref);
    return space ? space->model : kCGColorSpaceModelUnknown;
}

CFStringRef CGColorSpaceCopyName(CGColorSpaceRef ref) {
    const CGColorSpace* space = AsSpace(ref);
    return space && space->name ? static_cast<CFStringRef>(CFRetain(space->name)) : nullptr;
}

// ---- ColorSync -----------------------------------------------------------------------------

CMError CMGetSystemProfile(CMProfileRef* profile) {
    if (!profile) return paramErr;
    *profile = nullptr;
    const std::optional<std::string> name = GetWindowSystem().SystemColorProfile();
    if (!name) return cmProfileError;
    *profile = new (std::nothrow) OpaqueCMProfileRef{*name};
    return *profile ? noErr : memFullErr;
}

CMError CMCloseProfile(CMProfileRef profile) {
    if (!profile) return paramErr;
    delete profile;
    return noErr;
}
