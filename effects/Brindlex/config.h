#pragma once

#include <cstdint>

// The effect's identity. Kept to one definition per line so that a build script can read the
// same values when it writes the component's Info.plist.
namespace brindlex {

inline constexpr char kEffectName[] = "Brindlex";
inline constexpr char kProductName[] = "";
inline constexpr char kMfrName[] = "Halvermoor";
inline constexpr int kEffectVersion = 0x10102; // 1.1.2
inline constexpr char kUniqueID[] = "Brnx";
inline constexpr char kMfrID[] = "Hvmr";
inline constexpr char kComponentType[] = "aufx";
inline constexpr char kBundleID[] = "com.halvermoor.audiounit.Brindlex";
inline constexpr char kViewClassName[] = "Brindlex_View";

// A four-character code with its first character in the most significant byte.
constexpr int32_t FourCharCode(const char (&code)[5]) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24 |
                                static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16 |
                                static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8 |
                                static_cast<uint32_t>(static_cast<unsigned char>(code[3])));
}

} // namespace brindlex
