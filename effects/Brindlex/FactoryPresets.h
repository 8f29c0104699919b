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

// Tuned by measurement (the README has the table). Values in index order: Limiter Attenuation,
// limiter on, EQ Freq, EQ Level, EQ wide, EQ on, Amp Gain, Amp Tone, Amp Noise Reduction, amp on.
inline constexpr FactoryPreset kFactoryPresets[] = {
    {"telephone",
     "Telephone",
     "A landline handset: 300 to 3400 Hz, light grit",
     {100, 1, 800, 2, 1, 1, 4, 3, 98, 1}},
    {"am-radio",
     "AM Radio",
     "A table radio on medium wave: warm, band-limited, faint hiss",
     {100, 1, 2000, 2, 0, 1, 2, -3, 97, 1}},
    {"walkie-talkie",
     "Walkie-Talkie",
     "A handheld two-way radio: thin, driven hard, noisy",
     {100, 1, 1000, 2, 0, 1, 20, 5, 90, 1}},
    {"megaphone",
     "Megaphone",
     "A battery megaphone: honky, loud and distorted",
     {100, 1, 1000, 2, 1, 1, 30, 6, 99, 1}},
    {"intercom",
     "Intercom",
     "A door or office intercom: boxy, clean, a little hiss",
     {100, 1, 1600, 2, 0, 1, 3, 0, 97, 1}},
    {"old-tv",
     "Old Television",
     "A small TV speaker of the sixties: muffled and soft",
     {100, 1, 2000, 4, 1, 1, 2, -6, 96, 1}},
    {"cb-radio",
     "CB Radio",
     "Citizens' band: squashed, bright and crackling",
     {100, 1, 1000, 2, 0, 1, 25, 9, 88, 1}},
    {"public-address",
     "Public Address",
     "A station tannoy: mid-heavy horn, some drive",
     {100, 1, 1300, 2, 1, 1, 6, 3, 99, 1}},
};

} // namespace brindlex
