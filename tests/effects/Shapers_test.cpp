#include "Shapers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
double Shape(double x) {
    return AmpWaveshaper(x, kLeftShaperFactor);
}
} // namespace

TEST(AmpWaveshaper, WorkedValues) {
    for (double factor : {kLeftShaperFactor, kRightShaperFactor}) {
        EXPECT_NEAR(AmpWaveshaper(0.1, factor), 0.38847, 1e-15);
        EXPECT_EQ(AmpWaveshaper(0.5, factor), 0.8228);
        EXPECT_NEAR(AmpWaveshaper(-0.05, factor), -0.2403825, 1e-15);
        EXPECT_EQ(AmpWaveshaper(-2.0, factor), -1.2253);
        EXPECT_EQ(AmpWaveshaper(0.0, factor), 0.0);
        // Middle range: at |x| = 1 the power term is negligible, -0.75 * (1 + 1.207 / 3).
        EXPECT_NEAR(AmpWaveshaper(-1.0, factor), -1.05175, 1e-9);
    }
    // The channel factors differ in the last digits, so the two sides differ there too.
    EXPECT_GT(AmpWaveshaper(-1.0, kLeftShaperFactor), AmpWaveshaper(-1.0, kRightShaperFactor));
    EXPECT_EQ(AmpWaveshaper(0.2, kLeftShaperFactor), AmpWaveshaper(0.2, kRightShaperFactor));
}

TEST(AmpWaveshaper, RangesJoinToAboutFourDecimals) {
    // Each range starts at its lower joint.
    EXPECT_NE(Shape(-1.764), -1.2253);
    EXPECT_NEAR(Shape(-1.764), -1.2253, 1e-4);
    EXPECT_NEAR(Shape(std::nextafter(-1.764, -2.0)), Shape(-1.764), 1e-4);
    EXPECT_EQ(Shape(-0.08905), -6.153 * (0.08905 * 0.08905) + 4.5 * -0.08905);
    EXPECT_NEAR(Shape(std::nextafter(-0.08905, -1.0)), Shape(-0.08905), 2e-4);
    EXPECT_EQ(Shape(0.3667), 0.8228);
    EXPECT_NEAR(Shape(std::nextafter(0.3667, 0.0)), 0.8228, 1e-4);
}

TEST(AmpWaveshaper, ShapeOfTheCurve) {
    const double h = 1e-7;
    EXPECT_NEAR((Shape(h) - Shape(-h)) / (2.0 * h), 4.5, 1e-6);
    double lowest = 0.0, highest = 0.0;
    for (double x = -3.0; x <= 3.0; x += 0.0005) {
        lowest = std::min(lowest, Shape(x));
        highest = std::max(highest, Shape(x));
    }
    EXPECT_EQ(highest, 0.8228);
    // The middle range dips about 1.1e-4 below the flat lower limit just above its joint
    // (the twelfth power turns back there), so -1.2253 is the limit only to four decimals.
    EXPECT_LT(lowest, -1.2253);
    EXPECT_NEAR(lowest, -1.22541, 1e-5);
    EXPECT_LT(Shape(-1.75), Shape(-1.764));

    EXPECT_EQ(Shape(1e300), 0.8228);
    EXPECT_EQ(Shape(-std::numeric_limits<double>::infinity()), -1.2253);
    EXPECT_TRUE(std::isnan(Shape(std::numeric_limits<double>::quiet_NaN())));
}

TEST(VoxFastTanh, WorkedValues) {
    EXPECT_EQ(vox_fasttanh2(0.0), 0.0);
    EXPECT_NEAR(vox_fasttanh2(1.0), 0.7618, 1e-4);
    EXPECT_NEAR(vox_fasttanh2(0.5), 0.46173, 1e-5);
    EXPECT_NEAR(vox_fasttanh2(10.0), 1.00033, 1e-5);
    EXPECT_GT(vox_fasttanh2(10.0), 1.0);
}

TEST(VoxFastTanh, OddAndCloseToTanh) {
    for (double x = -6.0; x <= 6.0; x += 0.01) {
        EXPECT_EQ(vox_fasttanh2(-x), -vox_fasttanh2(x)) << x;
        EXPECT_NEAR(vox_fasttanh2(x), std::tanh(x), 5e-4) << x;
    }
    EXPECT_TRUE(std::isnan(vox_fasttanh2(std::numeric_limits<double>::quiet_NaN())));
}
