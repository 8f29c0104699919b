#include "Filters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kRate = 44100.0;

// The filter's gain at freq in dB, at the 44100 Hz the designs assume.
double MagnitudeDB(const BiquadCoefs& c, double freq) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * freq / kRate); // z^-1
    const std::complex<double> h =
        (c.b0 + c.b1 * z1 + c.b2 * z1 * z1) / (1.0 + c.a1 * z1 + c.a2 * z1 * z1);
    return 20.0 * std::log10(std::abs(h));
}

double ToDB(double factor) {
    return 20.0 * std::log10(factor);
}

// A second-order shelf of gain V passes sqrt((1 + V^2) / 2) at its corner frequency.
double ShelfCornerDB(double gainDB) {
    const double V = std::pow(10.0, std::fabs(gainDB) / 20.0);
    const double corner = 10.0 * std::log10((1.0 + V * V) / 2.0);
    return gainDB < 0.0 ? -corner : corner;
}

void ExpectSameCoefs(const BiquadCoefs& a, const BiquadCoefs& b) {
    EXPECT_EQ(a.b0, b.b0);
    EXPECT_EQ(a.b1, b.b1);
    EXPECT_EQ(a.b2, b.b2);
    EXPECT_EQ(a.a1, b.a1);
    EXPECT_EQ(a.a2, b.a2);
}

constexpr double kGains[] = {12.0, 6.0, 0.5, -0.5, -6.0, -12.0};
constexpr double kFreqs[] = {100.0, 440.0, 2500.0, 9000.0, 19000.0};
constexpr double kNyquist = kRate / 2.0;
} // namespace

TEST(FilterDesign, PeakHasItsGainAtTheCentreAndNoneAtTheEnds) {
    for (double q : {0.5, 1.0, 2.0})
        for (double f : kFreqs)
            for (double g : kGains) {
                SCOPED_TRACE(testing::Message() << "f " << f << " q " << q << " gain " << g);
                const BiquadCoefs c = DesignPeak(f, q, g);
                EXPECT_NEAR(MagnitudeDB(c, f), g, 1e-9);
                EXPECT_NEAR(MagnitudeDB(c, 0.0), 0.0, 1e-9);
                EXPECT_NEAR(MagnitudeDB(c, kNyquist), 0.0, 1e-9);
                EXPECT_EQ(c.a1, c.b1);
            }
    // Q sets the width: a narrow peak has fallen further an octave away.
    EXPECT_LT(MagnitudeDB(DesignPeak(1000.0, 4.0, 12.0), 2000.0),
              MagnitudeDB(DesignPeak(1000.0, 1.0, 12.0), 2000.0) - 3.0);
}

TEST(FilterDesign, LowShelfMovesTheLowEnd) {
    for (double f : kFreqs)
        for (double g : kGains) {
            SCOPED_TRACE(testing::Message() << "f " << f << " gain " << g);
            const BiquadCoefs c = DesignLowShelf(f, g);
            EXPECT_NEAR(MagnitudeDB(c, 0.0), g, 1e-9);
            EXPECT_NEAR(MagnitudeDB(c, f), ShelfCornerDB(g), 1e-9);
            EXPECT_NEAR(MagnitudeDB(c, kNyquist), 0.0, 1e-9);
        }
    // Far above a low corner the shelf has no effect, far below it has its full gain.
    EXPECT_NEAR(MagnitudeDB(DesignLowShelf(200.0, 12.0), 15000.0), 0.0, 0.01);
    EXPECT_NEAR(MagnitudeDB(DesignLowShelf(2000.0, -12.0), 20.0), -12.0, 0.01);
}

TEST(FilterDesign, HighShelfMovesTheHighEnd) {
    for (double f : kFreqs)
        for (double g : kGains) {
            SCOPED_TRACE(testing::Message() << "f " << f << " gain " << g);
            const BiquadCoefs c = DesignHighShelf(f, g);
            EXPECT_NEAR(MagnitudeDB(c, 0.0), 0.0, 1e-9);
            EXPECT_NEAR(MagnitudeDB(c, f), ShelfCornerDB(g), 1e-9);
            EXPECT_NEAR(MagnitudeDB(c, kNyquist), g, 1e-9);
        }
    EXPECT_NEAR(MagnitudeDB(DesignHighShelf(5000.0, 12.0), 50.0), 0.0, 0.01);
}

TEST(FilterDesign, FrequenciesAreClampedTo100And19000Hz) {
    for (double g : {9.0, -9.0}) {
        ExpectSameCoefs(DesignLowShelf(50.0, g), DesignLowShelf(100.0, g));
        ExpectSameCoefs(DesignLowShelf(-4000.0, g), DesignLowShelf(100.0, g));
        ExpectSameCoefs(DesignPeak(0.0, 1.0, g), DesignPeak(100.0, 1.0, g));
        ExpectSameCoefs(DesignHighShelf(20000.0, g), DesignHighShelf(19000.0, g));
        ExpectSameCoefs(DesignPeak(30000.0, 1.0, g), DesignPeak(19000.0, 1.0, g));
        // The limits themselves and everything between are designed as given.
        EXPECT_NEAR(MagnitudeDB(DesignPeak(100.0, 1.0, g), 100.0), g, 1e-9);
        EXPECT_NEAR(MagnitudeDB(DesignPeak(19000.0, 1.0, g), 19000.0), g, 1e-9);
        EXPECT_NE(DesignPeak(100.5, 1.0, g).b0, DesignPeak(100.0, 1.0, g).b0);
        EXPECT_NE(DesignPeak(18999.5, 1.0, g).b0, DesignPeak(19000.0, 1.0, g).b0);
    }
}

TEST(FilterDesign, BoostAndCutOfEqualSizeAreExactInverses) {
    struct Design {
        const char* name;
        BiquadCoefs (*make)(double freq, double gainDB);
    };
    const Design designs[] = {
        {"low shelf", DesignLowShelf},
        {"high shelf", DesignHighShelf},
        {"peak", [](double f, double g) { return DesignPeak(f, 0.7, g); }},
        {"tone", [](double, double g) { return DesignTone(g); }},
    };
    for (const Design& design : designs)
        for (double g : {3.0, 12.0}) {
            SCOPED_TRACE(testing::Message() << design.name << " gain " << g);
            const BiquadCoefs boost = design.make(1500.0, g), cut = design.make(1500.0, -g);
            // The cut's numerator is the boost's denominator and the other way round.
            EXPECT_NEAR(cut.b1 / cut.b0, boost.a1, 1e-12);
            EXPECT_NEAR(cut.b2 / cut.b0, boost.a2, 1e-12);
            EXPECT_NEAR(boost.b1 / boost.b0, cut.a1, 1e-12);
            EXPECT_NEAR(boost.b2 / boost.b0, cut.a2, 1e-12);
            for (double f : {0.0, 30.0, 700.0, 1500.0, 6000.0, 21000.0})
                EXPECT_NEAR(MagnitudeDB(boost, f) + MagnitudeDB(cut, f), 0.0, 1e-9);
        }
}

TEST(FilterDesign, ZeroGainIsTheIdentity) {
    // -0 is what the shelves get when the EQ level is 0.
    for (double g : {0.0, -0.0})
        for (double f : {100.0, 5000.0, 19000.0}) {
            SCOPED_TRACE(testing::Message() << "f " << f << " gain " << g);
            for (const BiquadCoefs& c :
                 {DesignLowShelf(f, g), DesignHighShelf(f, g), DesignPeak(f, 1.0, g),
                  DesignPeak(f, 0.3, g), DesignTone(g)}) {
                EXPECT_DOUBLE_EQ(c.b0, 1.0);
                EXPECT_EQ(c.b1, c.a1);
                EXPECT_EQ(c.b2, c.a2);
                for (double probe : {0.0, 1000.0, 15000.0})
                    EXPECT_NEAR(MagnitudeDB(c, probe), 0.0, 1e-12);
            }
        }
}

TEST(FilterDesign, ToneIsAPeakAt2000HzWithQ0771) {
    for (double g : {-12.0, -3.5, 0.0, 7.25, 12.0}) {
        ExpectSameCoefs(DesignTone(g), DesignPeak(2000.0, 0.771, g));
        EXPECT_NEAR(MagnitudeDB(DesignTone(g), 2000.0), g, 1e-9);
    }
}

TEST(FilterDesign, FixedFiltersAreTheirStatedDesigns) {
    // A second-order high-pass or low-pass passes Q at its corner frequency.
    EXPECT_EQ(kInputHighPassCoefs.b0 + kInputHighPassCoefs.b1 + kInputHighPassCoefs.b2, 0.0);
    EXPECT_NEAR(MagnitudeDB(kInputHighPassCoefs, 90.0), ToDB(0.245), 1e-9);
    EXPECT_NEAR(MagnitudeDB(kInputHighPassCoefs, kNyquist), 0.0, 1e-9);
    EXPECT_LT(MagnitudeDB(kInputHighPassCoefs, 20.0), -25.0);

    EXPECT_EQ(kInputLowPassCoefs.b0 - kInputLowPassCoefs.b1 + kInputLowPassCoefs.b2, 0.0);
    EXPECT_NEAR(MagnitudeDB(kInputLowPassCoefs, 0.0), 0.0, 1e-9);
    EXPECT_NEAR(MagnitudeDB(kInputLowPassCoefs, 11079.0), ToDB(0.41), 1e-9);
    EXPECT_LT(MagnitudeDB(kInputLowPassCoefs, 20000.0), -20.0);

    ExpectSameCoefs(kShaperPeakCoefs, DesignPeak(399.0, 0.603, 3.0));
    EXPECT_NEAR(MagnitudeDB(kShaperPeakCoefs, 399.0), 3.0, 1e-9);
    EXPECT_NEAR(MagnitudeDB(kShaperPeakCoefs, 0.0), 0.0, 1e-9);
}

TEST(FilterDesign, TickRunsTheDifferenceEquation) {
    const BiquadCoefs c{0.5, 0.25, -0.125, -0.5, 0.25};
    BiquadState s;
    // Impulse response worked by hand: y0 = 0.5; y1 = 0.25 + 0.5 * 0.5 = 0.5;
    // y2 = -0.125 + 0.5 * 0.5 - 0.25 * 0.5 = 0; y3 = 0.5 * 0 - 0.25 * 0.5 = -0.125.
    EXPECT_EQ(BiquadTick(c, s, 1.0), 0.5);
    EXPECT_EQ(BiquadTick(c, s, 0.0), 0.5);
    EXPECT_EQ(BiquadTick(c, s, 0.0), 0.0);
    EXPECT_EQ(BiquadTick(c, s, 0.0), -0.125);
    EXPECT_EQ(s.x1, 0.0);
    EXPECT_EQ(s.x2, 0.0);
    EXPECT_EQ(s.y1, -0.125);
    EXPECT_EQ(s.y2, 0.0);
}

TEST(FilterDesign, TickSumsLeftToRight) {
    // 1 + 1e16 rounds to 1e16, so the order of the sum decides between 0 and 1.
    const BiquadCoefs c{1.0, 1.0, 1.0, 0.0, 0.0};
    BiquadState s{1e16, -1e16, 0.0, 0.0};
    EXPECT_EQ(BiquadTick(c, s, 1.0), 0.0);
    const BiquadCoefs feedback{1.0, 0.0, 0.0, -1.0, 1.0};
    BiquadState t{0.0, 0.0, 1e16, 1e16};
    EXPECT_EQ(BiquadTick(feedback, t, 1.0), 0.0);
}
