// The designs are the textbook second-order shelving and peaking filters made by the bilinear
// transform with K = tan(pi f / rate), in the separate boost and cut forms that U. Zoelzer gives
// ("Digital Audio Signal Processing", and DAFX, the chapter on filters): a cut is the exact
// inverse of the boost of the same size, its numerator the boost's denominator and vice versa.
// Shelves are Butterworth (sqrt 2); the peak's Q is its own argument.
#include "Filters.h"

#include <cmath>

static const double SQRT2 = std::sqrt(2.0);

namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kDesignRate = 44100.0;

struct Prewarp {
    double V; // the gain as a linear factor, always at least 1
    double K; // tan(pi f / rate)
    bool boost;
};

Prewarp Prepare(double freq, double gainDB) {
    if (freq < 100.0) freq = 100.0;
    if (freq > 19000.0) freq = 19000.0;
    return {std::pow(10.0, std::fabs(gainDB) / 20.0), std::tan(kPi * freq / kDesignRate),
            gainDB >= 0.0};
}

BiquadCoefs PeakFromPrewarp(double V, double K, double Q, bool boost) {
    const double K2 = K * K;
    BiquadCoefs c;
    if (boost) {
        const double n = 1.0 / (1.0 + (1.0 / Q) * K + K2);
        c.b0 = (1.0 + (V / Q) * K + K2) * n;
        c.b1 = 2.0 * (K2 - 1.0) * n;
        c.b2 = (1.0 - (V / Q) * K + K2) * n;
        c.a2 = (1.0 - (1.0 / Q) * K + K2) * n;
    } else {
        const double n = 1.0 / (1.0 + (V / Q) * K + K2);
        c.b0 = (1.0 + (1.0 / Q) * K + K2) * n;
        c.b1 = 2.0 * (K2 - 1.0) * n;
        c.b2 = (1.0 - (1.0 / Q) * K + K2) * n;
        c.a2 = (1.0 - (V / Q) * K + K2) * n;
    }
    c.a1 = c.b1;
    return c;
}
} // namespace

BiquadCoefs DesignLowShelf(double freq, double gainDB) {
    const auto [V, K, boost] = Prepare(freq, gainDB);
    const double K2 = K * K;
    const double s = std::sqrt(2.0 * V);
    BiquadCoefs c;
    if (boost) {
        const double n = 1.0 / (1.0 + SQRT2 * K + K2);
        c.b0 = (1.0 + s * K + V * K2) * n;
        c.b1 = 2.0 * (V * K2 - 1.0) * n;
        c.b2 = (1.0 - s * K + V * K2) * n;
        c.a1 = 2.0 * (K2 - 1.0) * n;
        c.a2 = (1.0 - SQRT2 * K + K2) * n;
    } else {
        const double n = 1.0 / (1.0 + s * K + V * K2);
        c.b0 = (1.0 + SQRT2 * K + K2) * n;
        c.b1 = 2.0 * (K2 - 1.0) * n;
        c.b2 = (1.0 - SQRT2 * K + K2) * n;
        c.a1 = 2.0 * (V * K2 - 1.0) * n;
        c.a2 = (1.0 - s * K + V * K2) * n;
    }
    return c;
}

BiquadCoefs DesignHighShelf(double freq, double gainDB) {
    const auto [V, K, boost] = Prepare(freq, gainDB);
    const double K2 = K * K;
    const double s = std::sqrt(2.0 * V);
    BiquadCoefs c;
    if (boost) {
        const double n = 1.0 / (1.0 + SQRT2 * K + K2);
        c.b0 = (V + s * K + K2) * n;
        c.b1 = 2.0 * (K2 - V) * n;
        c.b2 = (V - s * K + K2) * n;
        c.a1 = 2.0 * (K2 - 1.0) * n;
        c.a2 = (1.0 - SQRT2 * K + K2) * n;
    } else {
        const double n = 1.0 / (V + s * K + K2);
        c.b0 = (1.0 + SQRT2 * K + K2) * n;
        c.b1 = 2.0 * (K2 - 1.0) * n;
        c.b2 = (1.0 - SQRT2 * K + K2) * n;
        c.a1 = 2.0 * (K2 - V) * n;
        c.a2 = (V - s * K + K2) * n;
    }
    return c;
}

BiquadCoefs DesignPeak(double freq, double q, double gainDB) {
    const Prewarp p = Prepare(freq, gainDB);
    return PeakFromPrewarp(p.V, p.K, q, p.boost);
}

BiquadCoefs DesignTone(double gainDB) {
    const double V = std::pow(10.0, std::fabs(gainDB) / 20.0);
    // tan(pi * 2000 / 44100)
    const double K = std::tan(0.14247585730565954);
    return PeakFromPrewarp(V, K, 0.771, gainDB >= 0.0);
}
