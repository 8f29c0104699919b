// Gestalt's system-version selectors, from the window system's system version.

#include "CoreServices.h"
#include "WindowSystem.h"

#include <algorithm>

OSErr Gestalt(OSType selector, SInt32* response) {
    if (!response) return paramErr;
    const SystemVersion version = GetWindowSystem().GetSystemVersion();
    switch (selector) {
    case gestaltSystemVersion: {
        // One decimal digit per nibble, the major version taking two.
        const int major = std::clamp(version.major, 0, 99);
        *response = (major / 10) << 12 | (major % 10) << 8 | std::clamp(version.minor, 0, 9) << 4 |
                    std::clamp(version.bugFix, 0, 9);
        return noErr;
    }
    case gestaltSystemVersionMajor:
        *response = version.major;
        return noErr;
    case gestaltSystemVersionMinor:
        *response = version.minor;
        return noErr;
    case gestaltSystemVersionBugFix:
        *response = version.bugFix;
        return noErr;
    default:
        return gestaltUndefSelectorErr;
    }
}
