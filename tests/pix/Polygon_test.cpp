#include "ShapeTestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

namespace {

constexpr PIX_pixel kOne = PIX_RGBA(1, 1, 1, 0); // added once per time a pixel is drawn

} // namespace

TEST(Polygon, TriangleFillsPixelsWhoseCentresAreInside) {
    PIX_MemBitmap bm(8, 8);
    PIX_Clear(&bm, kBlack);
    PIX_FillTriangle(&bm, 0, 0, 4, 0, 0, 4, kWhite, 1.0f, 0);
    using P = std::set<std::pair<int, int>>;
    EXPECT_EQ(InkedPixels(&bm), (P{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {0, 2}}));
    // Either winding, any vertex first.
    PIX_MemBitmap other(8, 8);
    PIX_Clear(&other, kBlack);
    PIX_FillTriangle(&other, 0, 4, 4, 0, 0, 0, kWhite, 1.0f, 0);
    EXPECT_EQ(Pixels(&other), Pixels(&bm));

    // A rectangle as a polygon is the same rectangle as a fill.
    PIX_MemBitmap rect(8, 8);
    PIX_Clear(&bm, kBlack);
    PIX_Clear(&rect, kBlack);
    const int xs[] = {1, 6, 6, 1}, ys[] = {2, 2, 7, 7};
    PIX_FillConvexPolygon(&bm, xs, ys, 4, kWhite, 1.0f, 0);
    PIX_FillRect(&rect, 1, 2, 5, 5, kWhite, 1.0f, 0);
    EXPECT_EQ(Pixels(&bm), Pixels(&rect));
}

TEST(Polygon, SharedEdgesAreDrawnOnce) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> coord(-5, 45), jitter(0, 2), reach(12, 20);
    for (int round = 0; round < 50; ++round) {
        // A fan of triangles around an inner point covers the convex hull exactly once.
        const int cx = 20, cy = 20, n = 7;
        std::vector<int> xs, ys;
        for (int i = 0; i < n; ++i) {
            const double a = 2 * 3.14159265358979 * (i + 0.3 * jitter(rng)) / n;
            xs.push_back(cx + int(std::lround(reach(rng) * std::cos(a))));
            ys.push_back(cy + int(std::lround(reach(rng) * std::sin(a))));
        }
        PIX_MemBitmap fan(40, 40), whole(40, 40);
        PIX_Clear(&fan, kBlack);
        PIX_Clear(&whole, kBlack);
        for (int i = 0; i < n; ++i)
            PIX_FillTriangle(&fan, cx, cy, xs[i], ys[i], xs[(i + 1) % n], ys[(i + 1) % n], kOne,
                             1.0f, PIX_COMBINE_ADD);
        for (auto [x, y] : InkedPixels(&fan))
            ASSERT_EQ(Ink(&fan, x, y), 1) << x << "," << y;
        // Random triangles on either side of a shared edge never overlap.
        const int ax = coord(rng), ay = coord(rng), bx = coord(rng), by = coord(rng);
        const int px = coord(rng), py = coord(rng), qx = coord(rng), qy = coord(rng);
        const auto side = [&](int x, int y) { return (bx - ax) * (y - ay) - (by - ay) * (x - ax); };
        if (side(px, py) * side(qx, qy) >= 0) continue;
        PIX_Clear(&whole, kBlack);
        PIX_FillTriangle(&whole, ax, ay, bx, by, px, py, kOne, 1.0f, PIX_COMBINE_ADD);
        PIX_FillTriangle(&whole, bx, by, ax, ay, qx, qy, kOne, 1.0f, PIX_COMBINE_ADD);
        for (auto [x, y] : InkedPixels(&whole))
            ASSERT_EQ(Ink(&whole, x, y), 1) << x << "," << y;
    }
    // Two halves of a square split on the diagonal fill it exactly once.
    PIX_MemBitmap bm(12, 12);
    PIX_Clear(&bm, kBlack);
    PIX_FillTriangle(&bm, 1, 1, 11, 1, 11, 11, kOne, 1.0f, PIX_COMBINE_ADD);
    PIX_FillTriangle(&bm, 1, 1, 11, 11, 1, 11, kOne, 1.0f, PIX_COMBINE_ADD);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(Ink(&bm, x, y), x >= 1 && x <= 10 && y >= 1 && y <= 10 ? 1 : 0);
}

TEST(Polygon, ClippingHugeAndDegenerate) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> coord(-80, 110);
    for (int i = 0; i < 200; ++i) {
        int xs[5], ys[5];
        for (int k = 0; k < 5; ++k)
            xs[k] = coord(rng), ys[k] = coord(rng);
        ExpectClippedLikeUnclipped(33, 21, [&](PIX_IBitmap* bm, int dx, int dy) {
            int sx[5], sy[5];
            for (int k = 0; k < 5; ++k)
                sx[k] = xs[k] + dx, sy[k] = ys[k] + dy;
            PIX_FillTriangle(bm, sx[0], sy[0], sx[1], sy[1], sx[2], sy[2], kWhite, 0.5f,
                             PIX_COMBINE_ADD);
            PIX_FillConvexPolygon(bm, sx, sy, 5, kWhite, 0.25f, PIX_COMBINE_ADD);
        });
    }
    PIX_MemBitmap bm(16, 9);
    PIX_Clear(&bm, kBlack);
    PIX_FillTriangle(&bm, INT_MIN, INT_MIN, INT_MAX, INT_MIN, 0, INT_MAX, kWhite, 1.0f, 0);
    EXPECT_EQ(InkedPixels(&bm).size(), 16u * 9u);

    PIX_Clear(&bm, kBlack);
    PIX_FillTriangle(&bm, 1, 1, 5, 5, 9, 9, kWhite, 1.0f, 0); // no area
    PIX_FillTriangle(&bm, 1, 1, 1, 1, 1, 1, kWhite, 1.0f, 0);
    const int xs[] = {0, 10, 3}, ys[] = {0, 1, 8};
    PIX_FillConvexPolygon(&bm, xs, ys, 2, kWhite, 1.0f, 0);
    PIX_FillConvexPolygon(&bm, nullptr, ys, 3, kWhite, 1.0f, 0);
    PIX_FillConvexPolygon(&bm, xs, nullptr, 3, kWhite, 1.0f, 0);
    PIX_FillConvexPolygon(&bm, xs, ys, -4, kWhite, 1.0f, 0);
    PIX_FillConvexPolygon(&bm, xs, ys, 3, kWhite, -1.0f, 0);
    EXPECT_TRUE(InkedPixels(&bm).empty());
    PIX_FillTriangle(nullptr, 0, 0, 5, 0, 0, 5, kWhite, 1.0f, 0);
    PIX_FillConvexPolygon(nullptr, xs, ys, 3, kWhite, 1.0f, 0);
}

TEST(Polygon, WeightsSourceAlphaAndFlippedBitmaps) {
    PIX_MemBitmap upright(10, 10);
    FlippedBitmap flipped(10, 10);
    for (PIX_IBitmap* bm :
         {static_cast<PIX_IBitmap*>(&upright), static_cast<PIX_IBitmap*>(&flipped)}) {
        PIX_Clear(bm, PIX_RGBA(200, 200, 200, 255));
        PIX_FillTriangle(bm, 0, 0, 10, 0, 0, 10, PIX_RGBA(0, 0, 0, 255), 0.5f, 0);
        const int xs[] = {10, 10, 2}, ys[] = {2, 10, 10};
        PIX_FillConvexPolygon(bm, xs, ys, 3, PIX_RGBA(0, 0, 0, 0), 1.0f,
                              PIX_COMBINE_COPY | PIX_COMBINE_USE_SOURCE_ALPHA);
    }
    EXPECT_EQ(Pixels(&upright), Pixels(&flipped));
    EXPECT_EQ(PIX_GetPixel(&upright, 1, 1), PIX_RGBA(100, 100, 100, 255));
    EXPECT_EQ(PIX_GetPixel(&upright, 9, 9), PIX_RGBA(200, 200, 200, 255)); // transparent colour
    EXPECT_EQ(StoredRow(&flipped, 9)[1], PIX_RGBA(100, 100, 100, 255));
}
