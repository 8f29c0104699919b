#pragma once

#include "ParameterTable.h"

// The preset library: settings named after the sound they give. The LV2 bundle's presets, the
// .aupreset files installed beside the component and the command line's --preset NAME are all
// made from this one table. (The Audio Unit's own factory preset list stays the one preset "-".)
namespace brindlex {

struct FactoryPreset {
    const char* name;        // as typed on the command line and used for file names
    const char* label;       // as a host's preset menu shows it
    const char* description; // one line: what it sounds like
    double values[ParameterIndex::kNumParams]; // in index order
};

// Values in index order: Limiter Attenuation, limiter on, EQ Freq, EQ Level, EQ wide, EQ on,
// Amp Gain, Amp Tone, Amp Noise Reduction, amp on.
inline constexpr FactoryPreset kFactoryPresets[] = {
    {"telephone", "Telephone", "A landline handset: narrow midrange band, light grit",
     {90, 1, 1700, 9, 0, 1, 4, 3, 97, 1}},
    {"am-radio", "AM Radio", "A table radio on medium wave: warm, band-limited, faint hiss",
     {100, 1, 1200, 5, 1, 1, 2, -2, 95, 1}},
    {"walkie-talkie", "Walkie-Talkie", "A handheld two-way radio: thin, driven hard, noisy",
     {70, 1, 2000, 12, 0, 1, 20, 6, 88, 1}},
    {"megaphone", "Megaphone", "A battery megaphone: honky, loud and distorted",
     {60, 1, 1500, 12, 0, 1, 40, 8, 98, 1}},
    {"intercom", "Intercom", "A door or office intercom: boxy, clean, a little hum-free hiss",
     {100, 1, 1000, 8, 0, 1, 3, 0, 96, 1}},
    {"old-tv", "Old Television", "A small TV speaker of the sixties: muffled and soft",
     {110, 1, 800, 6, 1, 1, 2, -6, 97, 1}},
    {"cb-radio", "CB Radio", "Citizens' band: squashed, bright and crackling",
     {50, 1, 2200, 10, 0, 1, 30, 4, 85, 1}},
    {"public-address", "Public Address", "A station tannoy: mid-heavy horn, some drive",
     {80, 1, 1400, 10, 1, 1, 8, 4, 99, 1}},
};

} // namespace brindlex
