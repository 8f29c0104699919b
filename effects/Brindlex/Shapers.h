#pragma once

#include <cmath>

// The amp stage's channel factors: the two sides differ in the last digits, which makes the
// waveshaper's lower range very slightly different between left and right.
inline constexpr double kLeftShaperFactor = 0.33333333333;
inline constexpr double kRightShaperFactor = 0.3333333333333;

// The amp's asymmetric saturation curve: slope 4.5 at 0, flat at 0.8228 above and at -1.2253
// below. A NaN stays NaN rather than landing on one of the flat ranges.
inline double AmpWaveshaper(double x, double factor) {
    if (x < -1.764) return -1.2253;
    if (x < -0.08905) {
        const double a = std::fabs(x);
        return -0.75 * ((1.0 - std::pow(1.0 - (a - 0.032847), 12.0)) + factor * (a + 0.207));
    }
    if (x >= 0.3667) return 0.8228;
    return -6.153 * (x * x) + 4.5 * x;
}

// A rational approximation of tanh: odd, 0.7618 at 1, slightly above 1 for large arguments.
inline double vox_fasttanh2(double x) {
    const double a = std::fabs(x);
    const double x2 = x * x;
    const double numerator = x * (2.45550750702956 + 2.45550750702956 * a +
                                  (0.893229853513558 + 0.821226666969744 * a) * x2);
    const double denominator =
        2.44506634652299 + (2.44506634652299 + x2) * std::fabs(x + 0.814642734961073 * x * a);
    return numerator / denominator;
}
