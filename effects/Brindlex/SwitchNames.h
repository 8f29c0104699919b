#pragma once

// Names for the effect's four stage switches, which the effect itself leaves unnamed (an Audio
// Unit host lists them so). Hosts and formats that need a name for every parameter use these.
namespace brindlex {

struct SwitchName {
    int paramIdx;
    const char* name;
};

inline constexpr SwitchName kSwitchNames[] = {
    {1, "Limiter On"},
    {4, "EQ Wide"},
    {5, "EQ On"},
    {9, "Amp On"},
};

} // namespace brindlex
