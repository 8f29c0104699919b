#pragma once

// The Gestalt system-information call of CoreServices for Linux. The system version it reports
// is the window system's (see WindowSystem.h); the headless one reports 10.6.8 unless told
// otherwise.

#include "CoreFoundation.h"

inline constexpr OSType gestaltSystemVersion = FourCharCodeFromText("sysv");
inline constexpr OSType gestaltSystemVersionMajor = FourCharCodeFromText("sys1");
inline constexpr OSType gestaltSystemVersionMinor = FourCharCodeFromText("sys2");
inline constexpr OSType gestaltSystemVersionBugFix = FourCharCodeFromText("sys3");

inline constexpr OSErr gestaltUndefSelectorErr = -5551;

// gestaltSystemVersion answers binary-coded decimal digits 0xMMmb (0x1068 for 10.6.8); minor and
// bug-fix numbers above 9 read as 9, as on the platform, whose later versions are only told
// apart through the three separate selectors. Unknown selectors give gestaltUndefSelectorErr
// and a null response paramErr, leaving *response as it was.
OSErr Gestalt(OSType selector, SInt32* response);
