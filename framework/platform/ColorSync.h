#pragma once

// ColorSync for Linux: the system colour profile, as much as a screen copy needs to choose its
// colour space (see CGColorSpaceCreateWithPlatformColorSpace). Whether a system profile exists,
// and its name, is the window system's (see WindowSystem.h).

#include "CoreFoundation.h"

typedef struct OpaqueCMProfileRef* CMProfileRef;
typedef OSStatus CMError;

inline constexpr CMError cmProfileError = -170;

// Opens the system profile into *profile, which the caller closes; cmProfileError (and null)
// when there is none, paramErr for a null pointer.
CMError CMGetSystemProfile(CMProfileRef* profile);
// paramErr for null.
CMError CMCloseProfile(CMProfileRef profile);
