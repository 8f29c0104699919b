#pragma once

// Names for the effect's four stage switches, which the effect itself leaves unnamed (an Audio
// Unit host lists them so). Hosts and formats that need a name, a short alias or a description
// for every parameter take them from here.
namespace brindlex {

struct SwitchName {
    int paramIdx;
    const char* name;        // where a full name is needed, e.g. an LV2 port
    const char* alias;       // a command-line flag
    const char* description; // what switching it does
};

inline constexpr SwitchName kSwitchNames[] = {
    {1, "Limiter On", "limiter", "limiter stage on/off"},
    {4, "EQ Wide", "eq-wide", "EQ width on/off: narrow or wide"},
    {5, "EQ On", "eq", "EQ stage on/off"},
    {9, "Amp On", "amp", "amp stage on/off"},
};

} // namespace brindlex
