#pragma once

#include <cstddef>

// Versions are packed as 0xMMMMmmbb: major in the upper 16 bits, minor and bug-fix in one byte
// each, so 0x10102 is 1.1.2.
void GetVersionParts(int version, int* major, int* minor, int* bugFix);
// major * 10000 + minor * 100 + bug-fix, so 0x10102 gives 10102.
int GetDecimalVersion(int version);
// "v%d.%d.%d", cut to fit the buffer.
void GetVersionStr(int version, char* buffer, size_t bufferSize);
