#include "ShapeTestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <limits>
#include <random>

namespace {

std::set<std::pair<int, int>> LinePixels(int x1, int y1, int x2, int y2, int size = 16) {
    PIX_MemBitmap bm(size, size);
    PIX_Clear(&bm, kBlack);
    PIX_Line(&bm, x1, y1, x2, y2, kWhite, 1.0f, PIX_COMBINE_COPY, false);
    return InkedPixels(&bm);
}

} // namespace

TEST(Line, ExactPixelsEndpointsIncluded) {
    using P = std::set<std::pair<int, int>>;
    EXPECT_EQ(LinePixels(0, 0, 5, 2), (P{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}));
    EXPECT_EQ(LinePixels(3, 1, 3, 4), (P{{3, 1}, {3, 2}, {3, 3}, {3, 4}}));
    EXPECT_EQ(LinePixels(7, 7, 7, 7), (P{{7, 7}}));
    // Halfway rows round down the screen, whichever end the line starts from.
    EXPECT_EQ(LinePixels(0, 0, 2, 1), (P{{0, 0}, {1, 1}, {2, 1}}));
    EXPECT_EQ(LinePixels(2, 1, 0, 0), LinePixels(0, 0, 2, 1));
}

TEST(Line, EveryOctantStepsOnePixelPerMajorStep) {
    const int cx = 20, cy = 20;
    for (auto [dx, dy] : {std::pair{13, 5},
                          {5, 13},
                          {-5, 13},
                          {-13, 5},
                          {-13, -5},
                          {-5, -13},
                          {5, -13},
                          {13, -5},
                          {9, 9},
                          {-9, 9},
                          {0, -9},
                          {-9, 0}}) {
        const auto pixels = LinePixels(cx, cy, cx + dx, cy + dy, 41);
        const int major = std::max(std::abs(dx), std::abs(dy));
        EXPECT_EQ(pixels.size(), size_t(major + 1)) << dx << "," << dy;
        EXPECT_TRUE(pixels.count({cx, cy}) && pixels.count({cx + dx, cy + dy}));
        EXPECT_EQ(LinePixels(cx + dx, cy + dy, cx, cy, 41), pixels);
        for (auto [x, y] : pixels) {
            // Within half a pixel of the true line along the minor axis.
            const double cross = double(x - cx) * dy - double(y - cy) * dx;
            EXPECT_LE(std::fabs(cross) / major, 0.5 + 1e-9) << x << "," << y;
        }
    }
}

TEST(Line, ClippingAtEveryEdgeKeepsThePixelsOfTheWholeLine) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-60, 90);
    for (int i = 0; i < 300; ++i) {
        const int x1 = coord(rng), y1 = coord(rng), x2 = coord(rng), y2 = coord(rng);
        const bool aa = i % 2;
        ExpectClippedLikeUnclipped(31, 23, [&](PIX_IBitmap* bm, int dx, int dy) {
            PIX_Line(bm, x1 + dx, y1 + dy, x2 + dx, y2 + dy, kWhite, 1.0f, PIX_COMBINE_COPY, aa);
        });
        ExpectClippedLikeUnclipped(31, 23, [&](PIX_IBitmap* bm, int dx, int dy) {
            PIX_FLine(bm, x1 * 0.7f + dx, y1 * 0.9f + dy, x2 * 1.1f + dx, y2 * 0.8f + dy, kWhite,
                      1.0f, PIX_COMBINE_COPY, aa);
        });
    }
}

TEST(Line, HugeCoordinatesDrawOnlyWhatShows) {
    PIX_MemBitmap bm(20, 10);
    PIX_Clear(&bm, kBlack);
    PIX_Line(&bm, INT_MIN, 3, INT_MAX, 3, kWhite, 1.0f, PIX_COMBINE_COPY, false);
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(Ink(&bm, x, 3), 255);
    EXPECT_EQ(InkedPixels(&bm).size(), 20u);

    PIX_Clear(&bm, kBlack);
    PIX_Line(&bm, -1000000000, -1000000000, 1000000000, 1000000000, kWhite, 1.0f, 0, false);
    for (auto [x, y] : InkedPixels(&bm))
        EXPECT_EQ(x, y);
    EXPECT_EQ(InkedPixels(&bm).size(), 10u);

    // A shallow line from far away: every pixel is the one the exact rounding gives.
    PIX_Clear(&bm, kBlack);
    const int64_t x1 = -2000000001, y1 = -700000000, x2 = 2000000001, y2 = 700000003;
    PIX_Line(&bm, int(x1), int(y1), int(x2), int(y2), kWhite, 1.0f, 0, false);
    const auto pixels = InkedPixels(&bm);
    EXPECT_FALSE(pixels.empty());
    for (auto [x, y] : pixels) {
        const long double exact = y1 + (long double)(x - x1) * (y2 - y1) / (x2 - x1);
        EXPECT_EQ(y, int64_t(std::floor(exact + 0.5L)));
    }

    PIX_Clear(&bm, kBlack);
    PIX_FLine(&bm, -1e30f, 5.0f, 1e30f, 5.0f, kWhite, 1.0f, 0, true);
    EXPECT_EQ(InkedPixels(&bm).size(), 20u);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    PIX_Clear(&bm, kBlack);
    PIX_FLine(&bm, nan, 0, 5, 5, kWhite, 1.0f, 0, false);
    PIX_FLine(&bm, 0, 0, inf, 5, kWhite, 1.0f, 0, true);
    PIX_Line(&bm, 0, 0, 5, 5, kWhite, nan, 0, false);
    EXPECT_TRUE(InkedPixels(&bm).empty());
}

TEST(Line, AntiAliasedCoverageSumsToOnePixelPerColumn) {
    PIX_MemBitmap bm(40, 20);
    PIX_Clear(&bm, kBlack);
    PIX_FLine(&bm, 2.0f, 3.3f, 37.0f, 15.8f, kWhite, 1.0f, PIX_COMBINE_COPY, true);
    for (int x = 2; x <= 37; ++x) {
        int column = 0;
        for (int y = 0; y < 20; ++y)
            column += Ink(&bm, x, y);
        EXPECT_NEAR(column, 255, 3) << x;
    }
    EXPECT_EQ(Ink(&bm, 1, 3), 0);
    EXPECT_EQ(Ink(&bm, 38, 16), 0);

    // Between pixel centres along an axis, anti-aliasing changes nothing.
    PIX_MemBitmap plain(40, 20);
    PIX_Clear(&bm, kBlack);
    PIX_Clear(&plain, kBlack);
    PIX_Line(&bm, 3, 4, 30, 4, kWhite, 1.0f, 0, true);
    PIX_Line(&plain, 3, 4, 30, 4, kWhite, 1.0f, 0, false);
    EXPECT_EQ(Pixels(&bm), Pixels(&plain));

    // Half a pixel off the axis: two rows at half strength each.
    PIX_Clear(&bm, kBlack);
    PIX_FLine(&bm, 5.0f, 7.5f, 9.0f, 7.5f, kWhite, 1.0f, 0, true);
    EXPECT_NEAR(Ink(&bm, 6, 7), 128, 1);
    EXPECT_NEAR(Ink(&bm, 6, 8), 128, 1);
}

TEST(Line, ModesWeightsAndSourceAlpha) {
    PIX_MemBitmap bm(8, 4);
    PIX_Clear(&bm, PIX_RGBA(100, 100, 100, 255));
    PIX_Line(&bm, 0, 0, 7, 0, PIX_RGBA(200, 0, 0, 255), 0.5f, PIX_COMBINE_COPY, false);
    EXPECT_EQ(PIX_GetPixel(&bm, 3, 0), PIX_RGBA(150, 50, 50, 255));
    PIX_Line(&bm, 0, 1, 7, 1, PIX_RGBA(100, 10, 0, 0), 1.0f, PIX_COMBINE_ADD, false);
    EXPECT_EQ(PIX_GetPixel(&bm, 3, 1), PIX_RGBA(200, 110, 100, 255));
    // The colour's alpha weighs in only with the source-alpha flag.
    PIX_Line(&bm, 0, 2, 7, 2, PIX_RGBA(0, 0, 0, 0), 1.0f,
             PIX_COMBINE_COPY | PIX_COMBINE_USE_SOURCE_ALPHA, true);
    EXPECT_EQ(PIX_GetPixel(&bm, 3, 2), PIX_RGBA(100, 100, 100, 255));
    PIX_Line(&bm, 0, 2, 7, 2, PIX_RGBA(0, 0, 0, 127), 1.0f,
             PIX_COMBINE_COPY | PIX_COMBINE_USE_SOURCE_ALPHA, false);
    EXPECT_EQ(PIX_GETR(PIX_GetPixel(&bm, 3, 2)), 100 * 128 / 256);
    // Operations that draw nothing, a zero weight and bitmaps without pixels.
    const std::vector<PIX_pixel> before = Pixels(&bm);
    PIX_Line(&bm, 0, 3, 7, 3, kWhite, 1.0f, 0x37, false);
    PIX_Line(&bm, 0, 3, 7, 3, kWhite, 0.0f, 0, true);
    PIX_Line(&bm, 0, 3, 7, 3, kWhite, 1.0f, PIX_COMBINE_CHANNEL_COPY, false);
    EXPECT_EQ(Pixels(&bm), before);
    PIX_MemBitmap empty;
    PIX_Line(&empty, 0, 0, 5, 5, kWhite, 1.0f, 0, true);
    PIX_Line(nullptr, 0, 0, 5, 5, kWhite, 1.0f, 0, false);
    PIX_FLine(nullptr, 0, 0, 5, 5, kWhite, 1.0f, 0, true);
}

TEST(Line, FlippedBitmapsDrawTheSameImage) {
    PIX_MemBitmap upright(12, 9);
    FlippedBitmap flipped(12, 9);
    for (PIX_IBitmap* bm :
         {static_cast<PIX_IBitmap*>(&upright), static_cast<PIX_IBitmap*>(&flipped)}) {
        PIX_Clear(bm, kBlack);
        PIX_Line(bm, 1, 0, 10, 6, kWhite, 1.0f, 0, false);
        PIX_FLine(bm, 0.5f, 8.2f, 11.0f, 2.0f, kWhite, 0.7f, PIX_COMBINE_ADD, true);
    }
    EXPECT_EQ(Pixels(&upright), Pixels(&flipped));
    EXPECT_EQ(StoredRow(&flipped, 8)[1], kWhite); // image row 0 is the last stored row
}
