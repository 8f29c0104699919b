#include "PixTestUtil.h"
#include "pix_sample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace {

constexpr PIX_pixel kMarker = 0xdeadbeef;

// Each channel (p0 (65536 - f) + p1 f) >> 16.
PIX_pixel Lerp(PIX_pixel p0, PIX_pixel p1, unsigned f) {
    PIX_pixel out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint64_t a = (p0 >> shift) & 0xff, b = (p1 >> shift) & 0xff;
        out |= PIX_pixel((a * (65536 - f) + b * f) >> 16) << shift;
    }
    return out;
}

PIX_pixel Bilinear(PIX_pixel p00, PIX_pixel p10, PIX_pixel p01, PIX_pixel p11, unsigned fx,
                   unsigned fy) {
    const unsigned f = (fx * fy) >> 16;
    const uint64_t w[4] = {65536 - fx - fy + f, fx - f, fy - f, f};
    const PIX_pixel p[4] = {p00, p10, p01, p11};
    PIX_pixel out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint64_t sum = 0;
        for (int i = 0; i < 4; ++i)
            sum += ((p[i] >> shift) & 0xff) * w[i];
        out |= PIX_pixel(sum >> 16) << shift;
    }
    return out;
}

} // namespace

// The origin of the equivalent plain blit is srcx + 0.5 rounded down. Truncated toward zero,
// as positive origins are, a negative one would land a pixel right of where the scaled path
// puts it (-1.7 would start at -1 instead of -2).
TEST(ScaledBlit, SameSizeIsAPlainBlitFromTheRoundedOrigin) {
    PIX_MemBitmap src(12, 10), viaScale(8, 8), viaBlit(8, 8);
    FillPattern(&src);
    const std::pair<float, int> origins[] = {
        {2.4f, 2}, {2.6f, 3}, {0.0f, 0}, {-1.7f, -2}, {-2.2f, -2}};
    for (const auto& [srcx, left] : origins) {
        PIX_Clear(&viaScale, kMarker);
        PIX_Clear(&viaBlit, kMarker);
        PIX_ScaledBlit(&viaScale, &src, 1, -1, 6, 7, srcx, 1.2f, 6.0005f, 7.0f, 1.0f,
                       PIX_COMBINE_COPY);
        PIX_Blit(&viaBlit, &src, 1, -1, left, 1, 6, 7, 1.0f, PIX_COMBINE_COPY);
        EXPECT_EQ(PIX_BitmapCmp(&viaScale, &viaBlit), 0) << srcx;
    }
    // Bilinear filtering keeps the plain blit only for origins within 0.03 of whole pixels.
    PIX_Clear(&viaScale, kMarker);
    PIX_Clear(&viaBlit, kMarker);
    PIX_ScaledBlit(&viaScale, &src, 0, 0, 6, 6, 2.02f, 0.99f, 6, 6, 1.0f,
                   PIX_COMBINE_FILTER_BILINEAR);
    PIX_Blit(&viaBlit, &src, 0, 0, 2, 1, 6, 6, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_BitmapCmp(&viaScale, &viaBlit), 0);
    PIX_ScaledBlit(&viaScale, &src, 0, 0, 6, 6, 2.5f, 1.0f, 6, 6, 1.0f,
                   PIX_COMBINE_FILTER_BILINEAR);
    EXPECT_EQ(PIX_GetPixel(&viaScale, 0, 0),
              Lerp(PIX_GetPixel(&src, 2, 1), PIX_GetPixel(&src, 3, 1), 32768));
}

TEST(ScaledBlit, NearestSamplingStepsInFixedPoint) {
    PIX_MemBitmap src(4, 4), dest(8, 8);
    FillPattern(&src);
    PIX_Clear(&dest, kMarker);
    PIX_ScaledBlit(&dest, &src, 0, 0, 8, 8, 0, 0, 4, 4, 1.0f, PIX_COMBINE_COPY);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(PIX_GetPixel(&dest, x, y), PIX_GetPixel(&src, x / 2, y / 2));
    // The per-pixel path (a weight other than 1 or 1/2) samples the same pixels.
    PIX_MemBitmap weighted(8, 8);
    PIX_Clear(&weighted, 0);
    PIX_ScaledBlit(&weighted, &src, 0, 0, 8, 8, 0, 0, 4, 4, 1.0f, PIX_COMBINE_ADD);
    EXPECT_EQ(PIX_BitmapCmp(&weighted, &dest, nullptr), 0);
    // Half weight through the whole-pixel mix.
    PIX_Clear(&weighted, 0);
    PIX_ScaledBlit(&weighted, &src, 0, 0, 8, 8, 0, 0, 4, 4, 0.5f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&weighted, 3, 5), (PIX_GetPixel(&src, 1, 2) >> 1) & 0x7f7f7f7f);
}

TEST(ScaledBlit, ClipsAndSkipsOutsideTheSource) {
    PIX_MemBitmap src(6, 6), dest(10, 10);
    FillPattern(&src);
    // Off the destination's top-left: the walk starts further into the source.
    PIX_Clear(&dest, kMarker);
    PIX_ScaledBlit(&dest, &src, -3, -2, 12, 12, 0, 0, 6, 6, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&dest, 0, 0), PIX_GetPixel(&src, 1, 1));
    EXPECT_EQ(PIX_GetPixel(&dest, 1, 0), PIX_GetPixel(&src, 2, 1));
    EXPECT_EQ(PIX_GetPixel(&dest, 8, 9), PIX_GetPixel(&src, 5, 5));
    // A source rectangle starting left of the source skips destination columns: 2x up from -2,
    // the first four samples lie outside.
    PIX_Clear(&dest, kMarker);
    PIX_ScaledBlit(&dest, &src, 0, 0, 8, 4, -2, 0, 4, 2, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&dest, 3, 0), kMarker);
    EXPECT_EQ(PIX_GetPixel(&dest, 4, 0), PIX_GetPixel(&src, 0, 0));
    EXPECT_EQ(PIX_GetPixel(&dest, 7, 3), PIX_GetPixel(&src, 1, 1));
    // A source rectangle running past the source stops at its edge, keeping every sample
    // inside: 4.0, 4.5, 5.0 and 5.5 of a 6-pixel source.
    PIX_Clear(&dest, kMarker);
    PIX_ScaledBlit(&dest, &src, 0, 0, 10, 1, 4, 0, 5, 1, 1.0f, PIX_COMBINE_ADD);
    EXPECT_NE(PIX_GetPixel(&dest, 0, 0), kMarker);
    EXPECT_NE(PIX_GetPixel(&dest, 3, 0), kMarker);
    EXPECT_EQ(PIX_GetPixel(&dest, 4, 0), kMarker);
    PIX_Clear(&dest, kMarker);
    PIX_ScaledBlit(&dest, &src, 0, 0, 10, 1, 4, 0, 5, 1, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&dest, 2, 0), PIX_GetPixel(&src, 5, 0));
    EXPECT_EQ(PIX_GetPixel(&dest, 3, 0), PIX_GetPixel(&src, 5, 0));
    // Absurd geometry draws nothing and never overflows.
    PIX_Clear(&dest, kMarker);
    PIX_ScaledBlit(&dest, &src, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, 1e30f, -1e30f, 1e38f,
                   1e-38f, 1.0f, PIX_COMBINE_FILTER_BILINEAR);
    PIX_ScaledBlit(&dest, &src, 0, 0, INT32_MAX, 3, NAN, 0, 6, 6, 1.0f, 0);
    PIX_ScaledBlit(&dest, &src, 0, 0, 0, 3, 0, 0, 6, 6, 1.0f, 0);
    PIX_ScaledBlit(&dest, &src, 0, 0, 5, 3, 0, 0, 6, 6, 0.0f, 0);
    for (PIX_pixel p : Pixels(&dest))
        ASSERT_EQ(p, kMarker);
}

// Mirroring walks the source backward from its far edge. Started on that edge the walk would
// sample one column past the rectangle and drop column 0, shifting the mirror by a pixel; it
// starts one step in instead, so the mirror is the unmirrored image reversed and fills exactly
// the columns dstx - 20 to dstx - 1.
TEST(ScaledBlit, NegativeWidthMirrors) {
    PIX_MemBitmap src(20, 3), dest(40, 6);
    FillPattern(&src);
    for (const int filter : {0, PIX_COMBINE_FILTER_BILINEAR}) {
        PIX_Clear(&dest, kMarker);
        PIX_ScaledBlit(&dest, &src, 30, 0, -20, 3, 0, 0, 20, 3, 1.0f, filter);
        EXPECT_EQ(PIX_GetPixel(&dest, 9, 0), kMarker);
        for (int x = 10; x < 30; ++x)
            for (int y = 0; y < 3; ++y)
                ASSERT_EQ(PIX_GetPixel(&dest, x, y), PIX_GetPixel(&src, 29 - x, y))
                    << x << " " << filter;
        EXPECT_EQ(PIX_GetPixel(&dest, 30, 0), kMarker);
    }
    // Scaled, the mirror is the unmirrored result reversed (the steps are exact in fixed
    // point, so both walks meet the same positions).
    PIX_MemBitmap forward(40, 6), backward(40, 6);
    PIX_ScaledBlit(&forward, &src, 0, 0, 40, 6, 0, 0, 20, 3, 1.0f, PIX_COMBINE_FILTER_BILINEAR);
    PIX_ScaledBlit(&backward, &src, 40, 0, -40, 6, 0, 0, 20, 3, 1.0f, PIX_COMBINE_FILTER_BILINEAR);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(PIX_GetPixel(&backward, x, y), PIX_GetPixel(&forward, 39 - x, y))
                << x << "," << y;
    // Upside down as well, clipped at the destination's top.
    PIX_Clear(&dest, kMarker);
    PIX_ScaledBlit(&dest, &src, 0, 2, 20, -3, 0, 0, 20, 3, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&dest, 4, 0), PIX_GetPixel(&src, 4, 1));
    EXPECT_EQ(PIX_GetPixel(&dest, 4, 1), PIX_GetPixel(&src, 4, 0));
    EXPECT_EQ(PIX_GetPixel(&dest, 4, 2), kMarker);
}

TEST(ScaledBlit, BilinearNeverReadsPastTheClipRectangle) {
    // Pixels outside the 4 x 4 source rectangle carry a marker that must not leak in.
    PIX_MemBitmap src(8, 8), dest(16, 16);
    PIX_Clear(&src, 0xffffffff);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            PIX_PutPixel(&src, x, y, PatternPixel(x, y) & 0x7f7f7f7f, 1.0f, 0);
    PIX_ScaledBlit(&dest, &src, 0, 0, 16, 16, 0, 0, 4, 4, 1.0f, PIX_COMBINE_FILTER_BILINEAR);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const unsigned fx = (x * 16384) & 0xffff, fy = (y * 16384) & 0xffff;
            const int cx = x / 4, cy = y / 4;
            const auto p = [&](int i, int j) { return PIX_GetPixel(&src, i, j); };
            PIX_pixel expected;
            if (cx < 3 && cy < 3)
                expected =
                    Bilinear(p(cx, cy), p(cx + 1, cy), p(cx, cy + 1), p(cx + 1, cy + 1), fx, fy);
            else if (cy < 3)
                expected = Lerp(p(cx, cy), p(cx, cy + 1), fy); // last column: vertical only
            else if (cx < 3)
                expected = Lerp(p(cx, cy), p(cx + 1, cy), fx); // last row: horizontal only
            else
                expected = p(cx, cy); // corner as is
            ASSERT_EQ(PIX_GetPixel(&dest, x, y), expected) << x << "," << y;
        }
    EXPECT_EQ(PIX_GetPixel(&dest, 15, 15), PIX_GetPixel(&src, 3, 3));
}

TEST(ScaledBlit, ReductionKernelFollowsTheRatio) {
    // One bright pixel in a black source: the box around each sample spreads it.
    PIX_MemBitmap src(40, 40);
    PIX_Clear(&src, 0);
    PIX_PutPixel(&src, 12, 12, PIX_RGBA(225, 225, 225, 225), 1.0f, 0);

    PIX_MemBitmap half(20, 20);
    PIX_ScaledBlit(&half, &src, 0, 0, 20, 20, 0, 0, 40, 40, 1.0f, PIX_COMBINE_FILTER_BILINEAR);
    // 2:1, 3 x 3 box: samples at 12 cover 11..13 and samples at 14 cover 13..15.
    EXPECT_EQ(PIX_GetPixel(&half, 6, 6), PIX_RGBA(25, 25, 25, 25));
    EXPECT_EQ(PIX_GetPixel(&half, 7, 6), 0u);
    EXPECT_EQ(PIX_GetPixel(&half, 5, 6), 0u);

    PIX_MemBitmap quarter(10, 10);
    PIX_ScaledBlit(&quarter, &src, 0, 0, 10, 10, 0, 0, 40, 40, 1.0f, PIX_COMBINE_FILTER_BILINEAR);
    // 4:1, 5 x 5 box: samples at 12 cover 10..14, those at 8 and 16 miss it.
    EXPECT_EQ(PIX_GetPixel(&quarter, 3, 3), PIX_RGBA(9, 9, 9, 9));
    EXPECT_EQ(PIX_GetPixel(&quarter, 2, 3), 0u);
    EXPECT_EQ(PIX_GetPixel(&quarter, 4, 3), 0u);

    // At the corner the box is cut to 2 x 2 (3 x 3) or 3 x 3 (5 x 5) and the mean follows.
    PIX_Clear(&src, 0);
    PIX_PutPixel(&src, 0, 0, PIX_RGBA(36, 36, 36, 36), 1.0f, 0);
    PIX_ScaledBlit(&half, &src, 0, 0, 20, 20, 0, 0, 40, 40, 1.0f, PIX_COMBINE_FILTER_BILINEAR);
    EXPECT_EQ(PIX_GetPixel(&half, 0, 0), PIX_RGBA(9, 9, 9, 9));
    PIX_ScaledBlit(&quarter, &src, 0, 0, 10, 10, 0, 0, 40, 40, 1.0f, PIX_COMBINE_FILTER_BILINEAR);
    EXPECT_EQ(PIX_GetPixel(&quarter, 0, 0), PIX_RGBA(4, 4, 4, 4));

    // 1.5:1 stays with bilinear sampling: the sample at 1.5 mixes columns 1 and 2 evenly.
    PIX_Clear(&src, 0);
    PIX_PutPixel(&src, 2, 0, PIX_RGBA(200, 200, 200, 200), 1.0f, 0);
    PIX_MemBitmap reduced(8, 8);
    PIX_ScaledBlit(&reduced, &src, 0, 0, 8, 8, 0, 0, 12, 12, 1.0f, PIX_COMBINE_FILTER_BILINEAR);
    EXPECT_EQ(PIX_GetPixel(&reduced, 1, 0), PIX_RGBA(100, 100, 100, 100));
    EXPECT_EQ(PIX_GetPixel(&reduced, 0, 0), 0u);
}

TEST(RotatedBlit, AngleZeroIsAPlainCopy) {
    PIX_MemBitmap src(9, 7), rotated(9, 7), filtered(9, 7);
    FillPattern(&src);
    PIX_RotatedBlit(&rotated, &src, 0, 0, 9, 7, 0, 0, 9, 7, 0.0f, false, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_BitmapCmp(&rotated, &src), 0);
    PIX_RotatedBlit(&filtered, &src, 0, 0, 9, 7, 0, 0, 9, 7, 0.0f, false, 1.0f,
                    PIX_COMBINE_FILTER_BILINEAR);
    EXPECT_EQ(PIX_BitmapCmp(&filtered, &src), 0);
    // Through flipped bitmaps and off the destination's top-left.
    FlippedBitmap fsrc(9, 7), fdest(9, 7);
    PIX_Copy(&fsrc, &src);
    PIX_Clear(&fdest, kMarker);
    PIX_RotatedBlit(&fdest, &fsrc, -2, -3, 9, 7, 0, 0, 9, 7, 0.0f, false, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&fdest, 0, 0), PIX_GetPixel(&src, 2, 3));
    EXPECT_EQ(PIX_GetPixel(&fdest, 6, 3), PIX_GetPixel(&src, 8, 6));
    EXPECT_EQ(PIX_GetPixel(&fdest, 7, 0), kMarker);
    EXPECT_EQ(PIX_GetPixel(&fdest, 0, 4), kMarker);
}

TEST(RotatedBlit, HalfTurnAndCentreOffset) {
    PIX_MemBitmap src(8, 8), dest(8, 8);
    FillPattern(&src);
    PIX_Clear(&dest, kMarker);
    PIX_RotatedBlit(&dest, &src, 0, 0, 8, 8, 0, 0, 8, 8, float(M_PI / 2), false, 1.0f,
                    PIX_COMBINE_COPY);
    // A quarter turn about the centre: nearest sampling lands every pixel somewhere in the source.
    int drawn = 0;
    for (PIX_pixel p : Pixels(&dest))
        drawn += p != kMarker;
    EXPECT_GE(drawn, 48);
    // The offset moves the source centre: at angle 0 that is a plain shift.
    PIX_Clear(&dest, kMarker);
    PIX_RotatedBlit(&dest, &src, 0, 0, 8, 8, 0, 0, 8, 8, 0.0f, false, 1.0f, PIX_COMBINE_COPY, 2.0f,
                    1.0f);
    EXPECT_EQ(PIX_GetPixel(&dest, 0, 0), PIX_GetPixel(&src, 2, 1));
    EXPECT_EQ(PIX_GetPixel(&dest, 6, 0), kMarker);
}

TEST(RotatedBlit, ClipToSourceRectangle) {
    PIX_MemBitmap src(32, 32), clipped(16, 16), unclipped(16, 16);
    PIX_Clear(&src, kMarker);
    for (int y = 8; y < 24; ++y)
        for (int x = 8; x < 24; ++x)
            PIX_PutPixel(&src, x, y, 0x11223344, 1.0f, 0);
    PIX_Clear(&clipped, 0);
    PIX_Clear(&unclipped, 0);
    for (const int filter : {0, PIX_COMBINE_FILTER_BILINEAR}) {
        PIX_RotatedBlit(&clipped, &src, 0, 0, 16, 16, 8, 8, 16, 16, 0.6f, true, 1.0f, filter);
        PIX_RotatedBlit(&unclipped, &src, 0, 0, 16, 16, 8, 8, 16, 16, 0.6f, false, 1.0f, filter);
        int inside = 0, leaked = 0;
        for (PIX_pixel p : Pixels(&clipped)) {
            EXPECT_TRUE(p == 0 || p == 0x11223344) << std::hex << p;
            inside += p == 0x11223344;
        }
        for (PIX_pixel p : Pixels(&unclipped))
            leaked += p != 0 && p != 0x11223344;
        EXPECT_GT(inside, 100);
        EXPECT_GT(leaked, 10);
    }
}

TEST(DeltaBlit, OpacityRampAndStepChanges) {
    PIX_MemBitmap src(8, 1), dest(8, 1);
    PIX_Clear(&src, PIX_RGBA(255, 255, 255, 255));
    PIX_Clear(&dest, 0);
    // Opacity 0 at the left edge, growing by 1/8 per column: weights 0, 32, 64, ...
    PIX_DeltaBlitAlpha(&dest, &src, 0, 0, 8, 1, 0, 0, 8, 1, 1, 0, 0, 1, 0, 0, false, 0.0f,
                       PIX_COMBINE_COPY, 0.125, 0, 0);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(PIX_GETR(PIX_GetPixel(&dest, x, 0)), 255 + (0 - 255) * (256 - 32 * x) / 256) << x;
    EXPECT_EQ(PIX_GetPixel(&dest, 0, 0), 0u);

    // Steps growing row by row: row y samples every (y + 1)-th source column.
    PIX_MemBitmap pattern(16, 3), skewed(4, 3);
    FillPattern(&pattern);
    PIX_Clear(&skewed, kMarker);
    PIX_DeltaBlit(&skewed, &pattern, 0, 0, 4, 3, 0, 0, 16, 3, 1, 0, 0, 1, 1, 0, false, 1.0f,
                  PIX_COMBINE_COPY);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PIX_GetPixel(&skewed, x, y), PIX_GetPixel(&pattern, x * (y + 1), y));
    // Clipped at the destination's left and top, the visible part is the same.
    PIX_MemBitmap shifted(4, 3);
    PIX_Clear(&shifted, kMarker);
    PIX_DeltaBlit(&shifted, &pattern, -1, -1, 5, 4, -1, -1, 16, 3, 1, 0, 0, 1, 1, 0, false, 1.0f,
                  PIX_COMBINE_COPY);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(PIX_GetPixel(&shifted, x, y),
                      PIX_GetPixel(&pattern, (x + 1) * (y + 2) - 1, y))
                << x << "," << y;
}

TEST(TransformBlit, IdentityGridCopiesAndClippedCellsKeepTheirShape) {
    PIX_MemBitmap src(12, 9), dest(12, 9);
    FillPattern(&src);
    const float grid[] = {0, 0, 6, 0, 12, 0, 0, 9, 6, 9, 12, 9};
    PIX_TransformBlit(&dest, &src, 0, 0, 12, 9, grid, 3, 2, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_BitmapCmp(&dest, &src), 0);

    // A keystone drawn partly off the left and top equals the same drawn whole, then cropped
    // (its steps are exact in fixed point, so both walks meet the same pixels).
    const double keystone[] = {2, 0, 10, 1, 0, 9, 12, 8};
    PIX_MemBitmap whole(30, 30), cropped(20, 20);
    PIX_Clear(&whole, kMarker);
    PIX_Clear(&cropped, kMarker);
    PIX_TransformBlit2(&whole, &src, 4, 6, 16, 16, keystone, 2, 2, 1.0f, PIX_COMBINE_COPY);
    PIX_TransformBlit2(&cropped, &src, -6, -4, 16, 16, keystone, 2, 2, 1.0f, PIX_COMBINE_COPY);
    EXPECT_NE(PIX_GetPixel(&cropped, 0, 0), kMarker);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(PIX_GetPixel(&cropped, x, y), PIX_GetPixel(&whole, x + 10, y + 10))
                << x << "," << y;

    // The opacity form: an opaque corner grid with zero opacity draws nothing.
    const double faded[] = {0, 0, 0, 12, 0, 0, 0, 9, 0, 12, 9, 0};
    PIX_Clear(&dest, kMarker);
    PIX_TransformBlit2Alpha(&dest, &src, 0, 0, 12, 9, faded, 2, 2, PIX_COMBINE_COPY);
    for (PIX_pixel p : Pixels(&dest))
        ASSERT_EQ(p, kMarker);
    const double opaque[] = {0, 0, 1, 12, 0, 1, 0, 9, 1, 12, 9, 1};
    PIX_TransformBlit2Alpha(&dest, &src, 0, 0, 12, 9, opaque, 2, 2, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_BitmapCmp(&dest, &src), 0);
    PIX_TransformBlit(&dest, &src, 0, 0, 12, 9, grid, 1, 2, 1.0f, 0); // too few points: nothing
    PIX_TransformBlit(&dest, &src, 0, 0, 12, 9, nullptr, 3, 2, 1.0f, 0);
}

TEST(ScaledBlit, KernelMeanDividesExactly) {
    // Every channel sum a kernel of up to 5 x 5 pixels can reach.
    for (unsigned count = 1; count <= 25; ++count)
        for (uint32_t sum = 0; sum <= 255 * count; ++sum)
            ASSERT_EQ(PIX_MeanLane(sum, kPIX_MeanReciprocal[count]), sum / count)
                << sum << "/" << count;
}

TEST(ScaledBlit, FlippedBitmapsGiveTheSameImage) {
    PIX_MemBitmap src(19, 13);
    FillPattern(&src, 5);
    FlippedBitmap flippedSrc(19, 13);
    PIX_Copy(&flippedSrc, &src);
    struct Case {
        int dstw, dsth, mode;
    };
    // Nearest, bilinear enlarging, bilinear at 1.5:1, and the 3 x 3 and 5 x 5 kernels.
    for (const Case& c :
         {Case{31, 22, PIX_COMBINE_ADD}, Case{40, 30, PIX_COMBINE_FILTER_BILINEAR},
          Case{13, 9, PIX_COMBINE_FILTER_BILINEAR}, Case{9, 6, PIX_COMBINE_FILTER_BILINEAR},
          Case{4, 3, PIX_COMBINE_FILTER_BILINEAR | PIX_COMBINE_USE_SOURCE_ALPHA}}) {
        PIX_MemBitmap expected(45, 35);
        FlippedBitmap flippedDest(45, 35);
        PIX_Clear(&expected, kMarker);
        PIX_Clear(&flippedDest, kMarker);
        PIX_ScaledBlit(&expected, &src, -2, 3, c.dstw, c.dsth, 0.5f, 0, 18.5f, 13, 1.0f, c.mode);
        PIX_ScaledBlit(&flippedDest, &flippedSrc, -2, 3, c.dstw, c.dsth, 0.5f, 0, 18.5f, 13, 1.0f,
                       c.mode);
        EXPECT_EQ(PIX_BitmapCmp(&flippedDest, &expected), 0) << c.dstw;
        int drawn = 0;
        for (PIX_pixel p : Pixels(&expected))
            drawn += p != kMarker;
        EXPECT_GT(drawn, (c.dstw - 2) * c.dsth / 2) << c.dstw;
    }
}
