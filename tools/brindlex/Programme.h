#pragma once

#include <cstdint>
#include <vector>

// The demo's built-in programme: about eight seconds of synthesised material that shows what
// the effect does to voices and to instruments. Speech-like phrases first (a glottal pulse
// train through moving formant resonators, shaped into syllables, with fricatives), then
// plucked-string chords with a struck mallet melody over them. Deterministic: the same rate
// always gives the same samples.

struct StereoSignal {
    double sampleRate = 0;
    std::vector<float> left, right;

    int64_t Frames() const { return static_cast<int64_t>(left.size()); }
};

StereoSignal SynthesizeProgramme(double sampleRate);

constexpr double kProgrammeSeconds = 8.0;
constexpr double kProgrammePeak = 0.5; // -6 dBFS, leaving the amp's drive something to push
