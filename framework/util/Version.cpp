#include "Version.h"

#include <cstdio>

void GetVersionParts(int version, int* major, int* minor, int* bugFix) {
    if (major) *major = version / 0x10000;
    if (minor) *minor = (version >> 8) & 0xFF;
    if (bugFix) *bugFix = version & 0xFF;
}

int GetDecimalVersion(int version) {
    int major, minor, bugFix;
    GetVersionParts(version, &major, &minor, &bugFix);
    return major * 10000 + minor * 100 + bugFix;
}

void GetVersionStr(int version, char* buffer, size_t bufferSize) {
    if (!buffer || bufferSize == 0) return;
    int major, minor, bugFix;
    GetVersionParts(version, &major, &minor, &bugFix);
    std::snprintf(buffer, bufferSize, "v%d.%d.%d", major, minor, bugFix);
}
