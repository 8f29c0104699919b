#pragma once

// Second-order sections and their designs. Every design is a bilinear transform for 44100 Hz,
// whatever rate the host runs at: the effect's colour is defined at that rate.

struct BiquadCoefs {
    double b0 = 0.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
};

// The last two inputs and outputs of one channel.
struct BiquadState {
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};

// One coefficient set shared by the left and the right channel, each with its own state.
struct Biquad {
    BiquadCoefs coefs;
    BiquadState state[2];
};

// The filter's states with other coefficients.
inline Biquad WithCoefs(const Biquad& filter, const BiquadCoefs& coefs) {
    Biquad result = filter;
    result.coefs = coefs;
    return result;
}

// Filters one sample. The sum runs left to right in the order written, so results are
// reproducible to the bit.
inline double BiquadTick(const BiquadCoefs& c, BiquadState& s, double x) {
    const double y = c.b0 * x + c.b1 * s.x1 + c.b2 * s.x2 - c.a1 * s.y1 - c.a2 * s.y2;
    s.x2 = s.x1;
    s.x1 = x;
    s.y2 = s.y1;
    s.y1 = y;
    return y;
}

// The designed filters. Frequencies below 100 Hz design at 100 Hz, above 19000 Hz at 19000 Hz;
// gains are in dB, a negative gain cuts with the exact inverse of the boost of the same size.
BiquadCoefs DesignLowShelf(double freq, double gainDB);
BiquadCoefs DesignHighShelf(double freq, double gainDB);
BiquadCoefs DesignPeak(double freq, double q, double gainDB);
// The amp stage's tone control: a peak at 2000 Hz with Q 0.771, without the frequency clamp.
BiquadCoefs DesignTone(double gainDB);

// The fixed filters of the amp stage: a 90 Hz high-pass (Q 0.245), an 11079 Hz low-pass
// (Q 0.41) and a +3 dB peak at 399 Hz (Q 0.603).
inline constexpr BiquadCoefs kInputHighPassCoefs = {0.9744589429577829, -1.9489178859155658,
                                                    0.9744589429577829, -1.9488377710647677,
                                                    0.9489980007663639};
inline constexpr BiquadCoefs kInputLowPassCoefs = {0.22701159509465307, 0.45402319018930615,
                                                   0.22701159509465307, 0.0069328256209473015,
                                                   -0.09888644524233516};
inline constexpr BiquadCoefs kShaperPeakCoefs = {1.0185610784033925, -1.906929635075153,
                                                 0.8914540043674833, -1.906929635075153,
                                                 0.9100150827708757};
