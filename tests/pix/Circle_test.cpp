#include "ShapeTestUtil.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Expects the drawing to be unchanged by mirroring about x = cx and y = cy (2cx, 2cy whole).
void ExpectMirrorSymmetric(PIX_IBitmap* bm, double cx, double cy) {
    for (int y = 0; y < bm->getHeight(); ++y)
        for (int x = 0; x < bm->getWidth(); ++x) {
            const int mx = int(2 * cx) - x, my = int(2 * cy) - y;
            if (mx < 0 || my < 0 || mx >= bm->getWidth() || my >= bm->getHeight()) continue;
            ASSERT_EQ(Ink(bm, x, y), Ink(bm, mx, y)) << x << "," << y;
            ASSERT_EQ(Ink(bm, x, y), Ink(bm, x, my)) << x << "," << y;
        }
}

// Draws with a small additive colour so that a pixel drawn twice shows as 2.
void ExpectEachPixelOnce(const std::function<void(PIX_IBitmap*)>& draw) {
    PIX_MemBitmap bm(64, 64);
    PIX_Clear(&bm, kBlack);
    draw(&bm);
    for (auto [x, y] : InkedPixels(&bm))
        ASSERT_EQ(Ink(&bm, x, y), 1) << x << "," << y;
}

} // namespace

TEST(Circle, OutlineIsSymmetricThinAndOnTheCircle) {
    for (double r : {0.0, 1.0, 2.5, 7.0, 12.3, 20.0}) {
        for (double c : {25.0, 25.5}) {
            PIX_MemBitmap bm(51, 51);
            PIX_Clear(&bm, kBlack);
            PIX_Circle(&bm, float(c), float(c), float(r), kWhite, 1.0f, 0, false);
            ExpectMirrorSymmetric(&bm, c, c);
            const auto pixels = InkedPixels(&bm);
            for (auto [x, y] : pixels)
                EXPECT_LE(std::fabs(std::hypot(x - c, y - c) - r), 0.75)
                    << r << " " << x << "," << y;
            if (r >= 2.5) {
                // One pixel per step around the circle: about 4 sqrt(2) r pixels.
                EXPECT_NEAR(double(pixels.size()), 4 * std::sqrt(2.0) * r, 0.15 * r + 4);
            }
        }
    }
    ExpectEachPixelOnce([](PIX_IBitmap* bm) {
        PIX_Circle(bm, 31.5f, 30.0f, 17.7f, PIX_RGBA(1, 1, 1, 0), 1.0f, PIX_COMBINE_ADD, false);
    });
}

TEST(Circle, AntiAliasedRingCarriesOnePixelOfCoverage) {
    PIX_MemBitmap bm(64, 64);
    PIX_Clear(&bm, kBlack);
    const double r = 20.0;
    PIX_Circle(&bm, 32.0f, 32.0f, float(r), kWhite, 1.0f, 0, true);
    ExpectMirrorSymmetric(&bm, 32, 32);
    EXPECT_NEAR(TotalInk(&bm) / 255.0, 2 * kPi * r, 2 * kPi * r * 0.05);
    EXPECT_EQ(Ink(&bm, 32, 12), 255);
    EXPECT_EQ(Ink(&bm, 32, 32), 0);
}

TEST(Circle, FilledDiscCoversItsArea) {
    PIX_MemBitmap bm(64, 64);
    for (double r : {3.0, 9.5, 21.25}) {
        PIX_Clear(&bm, kBlack);
        PIX_FillCircle(&bm, 31.5f, 30.0f, float(r), kWhite, 1.0f, 0, false);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(Ink(&bm, x, y) != 0, std::hypot(x - 31.5, y - 30.0) <= r)
                    << x << "," << y;
        ExpectMirrorSymmetric(&bm, 31.5, 30.0);

        PIX_Clear(&bm, kBlack);
        PIX_FillCircle(&bm, 31.5f, 30.0f, float(r), kWhite, 1.0f, 0, true);
        EXPECT_NEAR(TotalInk(&bm) / 255.0, kPi * r * r, kPi * r * r * 0.01 + 1) << r;
        ExpectMirrorSymmetric(&bm, 31.5, 30.0);
    }
    ExpectEachPixelOnce([](PIX_IBitmap* bm) {
        PIX_FillCircle(bm, 30.0f, 30.3f, 17.7f, PIX_RGBA(1, 1, 1, 0), 1.0f, PIX_COMBINE_ADD, false);
    });
}

TEST(Circle, ArcsAreTheCircleBetweenTheirAngles) {
    PIX_MemBitmap circle(41, 41), arc(41, 41);
    for (bool aa : {false, true}) {
        PIX_Clear(&circle, kBlack);
        PIX_Circle(&circle, 20, 20, 15, kWhite, 1.0f, 0, aa);
        PIX_Clear(&arc, kBlack);
        PIX_Arc(&arc, 20, 20, 15, -1.0f, -1.0f + float(2 * kPi), kWhite, 1.0f, 0, aa);
        EXPECT_EQ(Pixels(&arc), Pixels(&circle));

        // The quarter from 12 o'clock to 3 o'clock, clockwise: the top right.
        PIX_Clear(&arc, kBlack);
        PIX_Arc(&arc, 20, 20, 15, 0.0f, float(kPi / 2), kWhite, 1.0f, 0, aa);
        for (auto [x, y] : InkedPixels(&arc)) {
            EXPECT_GE(x, aa ? 19 : 20);
            EXPECT_LE(y, aa ? 21 : 20);
            EXPECT_LE(Ink(&arc, x, y), Ink(&circle, x, y));
        }
        EXPECT_EQ(Ink(&arc, 30, 9), Ink(&circle, 30, 9)); // in the middle of the arc
        // Reversed angles give the same arc.
        PIX_MemBitmap reversed(41, 41);
        PIX_Clear(&reversed, kBlack);
        PIX_Arc(&reversed, 20, 20, 15, float(kPi / 2), 0.0f, kWhite, 1.0f, 0, aa);
        EXPECT_EQ(Pixels(&reversed), Pixels(&arc));
    }
    // The bottom half, angles past a full turn.
    PIX_Clear(&arc, kBlack);
    PIX_Arc(&arc, 20, 20, 15, float(2 * kPi + kPi / 2), float(2 * kPi + 3 * kPi / 2), kWhite, 1.0f,
            0, false);
    for (auto [x, y] : InkedPixels(&arc))
        EXPECT_GE(y, 20);
    EXPECT_EQ(Ink(&arc, 20, 35), 255);
}

TEST(Circle, ClippedHugeAndInvalid) {
    for (bool aa : {false, true}) {
        ExpectClippedLikeUnclipped(30, 20, [aa](PIX_IBitmap* bm, int dx, int dy) {
            PIX_Circle(bm, 5.5f + dx, 18.0f + dy, 14.0f, kWhite, 1.0f, 0, aa);
            PIX_FillCircle(bm, 28.0f + dx, -3.0f + dy, 9.0f, kWhite, 0.5f, PIX_COMBINE_ADD, aa);
            PIX_Arc(bm, 15.0f + dx, 10.0f + dy, 22.0f, 1.0f, 5.0f, kWhite, 1.0f, 0, aa);
            PIX_RoundRect(bm, -6.0f + dx, 3.0f + dy, 40.0f, 25.0f, 7, kWhite, 1.0f, 0, aa);
        });
    }
    // A circle far larger than the bitmap passing through it: the visible part lies on it.
    PIX_MemBitmap bm(30, 20);
    for (bool aa : {false, true}) {
        PIX_Clear(&bm, kBlack);
        PIX_Circle(&bm, 15.0f, 100000008.0f, 1e8f, kWhite, 1.0f, 0, aa); // both exact floats
        const auto pixels = InkedPixels(&bm);
        EXPECT_GE(pixels.size(), 30u);
        for (auto [x, y] : pixels)
            EXPECT_NEAR(y, 8, 1);
    }
    PIX_Clear(&bm, kBlack);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    PIX_Circle(&bm, 10, 10, -3, kWhite, 1.0f, 0, true);
    PIX_FillCircle(&bm, 10, 10, nan, kWhite, 1.0f, 0, false);
    PIX_FillCircle(&bm, inf, 10, 3, kWhite, 1.0f, 0, true);
    PIX_Arc(&bm, 10, 10, 5, nan, 1, kWhite, 1.0f, 0, false);
    PIX_RoundRect(&bm, 0, 0, nan, 5, 2, kWhite, 1.0f, 0, false);
    PIX_FillCircle(&bm, 10, 10, 1e30f, kWhite, 1.0f, PIX_COMBINE_ADD, false);
    EXPECT_EQ(InkedPixels(&bm).size(), 600u); // only the last one draws: everything
    PIX_Circle(nullptr, 1, 1, 1, kWhite, 1.0f, 0, true);
    PIX_FillCircle(nullptr, 1, 1, 1, kWhite, 1.0f, 0, true);
    PIX_Arc(nullptr, 1, 1, 1, 0, 1, kWhite, 1.0f, 0, true);
    PIX_RoundRect(nullptr, 1, 1, 1, 1, 1, kWhite, 1.0f, 0, true);
}

TEST(RoundRect, OutlinesTheRectangleWithRoundedCorners) {
    PIX_MemBitmap bm(30, 20);
    // Radius 0 is the plain outline of the w x h pixels.
    PIX_Clear(&bm, kBlack);
    PIX_RoundRect(&bm, 3, 2, 10, 6, 0, kWhite, 1.0f, 0, false);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool inside = x >= 3 && x <= 12 && y >= 2 && y <= 7;
            const bool edge = inside && (x == 3 || x == 12 || y == 2 || y == 7);
            ASSERT_EQ(Ink(&bm, x, y) != 0, edge) << x << "," << y;
        }
    for (bool aa : {false, true}) {
        PIX_Clear(&bm, kBlack);
        PIX_RoundRect(&bm, 2, 3, 25, 14, 5, kWhite, 1.0f, 0, aa);
        ExpectMirrorSymmetric(&bm, 14, 9.5);
        for (auto [x, y] : InkedPixels(&bm)) {
            EXPECT_TRUE(x >= 2 && x <= 26 && y >= 3 && y <= 16) << x << "," << y;
        }
        EXPECT_EQ(Ink(&bm, 2, 3), 0); // the corner is cut
        EXPECT_EQ(Ink(&bm, 14, 3), 255);
        EXPECT_EQ(Ink(&bm, 26, 9), 255);
    }
    // Each pixel once, also where the corners meet (radius held to half the side).
    for (auto [w, h, r] : {std::tuple{25, 14, 5}, {11, 11, 9}, {1, 7, 3}, {12, 1, 0}, {2, 2, 1}}) {
        ExpectEachPixelOnce([=](PIX_IBitmap* bm) {
            PIX_RoundRect(bm, 5, 6, float(w), float(h), r, PIX_RGBA(1, 1, 1, 0), 1.0f,
                          PIX_COMBINE_ADD, false);
        });
    }
    PIX_Clear(&bm, kBlack);
    PIX_RoundRect(&bm, 5, 5, 0, 7, 1, kWhite, 1.0f, 0, false);
    PIX_RoundRect(&bm, 5, 5, -4, 7, 1, kWhite, 1.0f, 0, false);
    EXPECT_TRUE(InkedPixels(&bm).empty());
}

TEST(Circle, FlippedBitmapsDrawTheSameImage) {
    PIX_MemBitmap upright(25, 18);
    FlippedBitmap flipped(25, 18);
    for (PIX_IBitmap* bm :
         {static_cast<PIX_IBitmap*>(&upright), static_cast<PIX_IBitmap*>(&flipped)}) {
        PIX_Clear(bm, kBlack);
        PIX_Circle(bm, 8, 6, 5, kWhite, 1.0f, 0, true);
        PIX_FillCircle(bm, 18, 11, 6.5f, PIX_RGBA(0, 90, 200, 128), 1.0f,
                       PIX_COMBINE_COPY | PIX_COMBINE_USE_SOURCE_ALPHA, true);
        PIX_Arc(bm, 12, 9, 8, 0.5f, 2.5f, kWhite, 0.75f, 0, false);
        PIX_RoundRect(bm, 1, 1, 23, 16, 4, kWhite, 1.0f, PIX_COMBINE_ADD, true);
    }
    EXPECT_EQ(Pixels(&upright), Pixels(&flipped));
}
