#include "PixTestUtil.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The source pixel that should land at destination (x, y) of a blit to (dstx, dsty) from source
// (srcx, srcy), or nothing.
void ExpectShifted(PIX_IBitmap* dest, PIX_IBitmap* src, int dx, int dy, PIX_pixel background) {
    for (int y = 0; y < dest->getHeight(); ++y)
        for (int x = 0; x < dest->getWidth(); ++x) {
            const int sx = x - dx, sy = y - dy;
            const bool inside = sx >= 0 && sy >= 0 && sx < src->getWidth() && sy < src->getHeight();
            ASSERT_EQ(PIX_GetPixel(dest, x, y), inside ? PIX_GetPixel(src, sx, sy) : background)
                << x << "," << y;
        }
}

} // namespace

TEST(PlainBlit, NegativeSourceLeftMovesTheDestination) {
    PIX_MemBitmap src(5, 4), dest(20, 6);
    FillPattern(&src);
    PIX_Clear(&dest, 0);
    const PIX_Rect rect = {-3, 0, 5, 4};
    PIX_Blit(&dest, &src, 10, 1, &rect, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&dest, 13, 1), PIX_GetPixel(&src, 0, 0));
    ExpectShifted(&dest, &src, 13, 1, 0);
}

TEST(PlainBlit, ClipsAtEveryEdge) {
    PIX_MemBitmap src(7, 5);
    FillPattern(&src, 3);
    for (const bool srcFlipped : {false, true})
        for (const bool destFlipped : {false, true})
            for (const auto& [dx, dy] :
                 {std::pair{-2, 0}, {0, -3}, {-6, -4}, {4, 2}, {6, 4}, {-7, 0}, {0, 5}, {1, 1}}) {
                FlippedBitmap fsrc(7, 5), fdest(6, 4);
                PIX_MemBitmap psrc(7, 5), pdest(6, 4);
                PIX_IBitmap* s = srcFlipped ? static_cast<PIX_IBitmap*>(&fsrc) : &psrc;
                PIX_IBitmap* d = destFlipped ? static_cast<PIX_IBitmap*>(&fdest) : &pdest;
                PIX_Copy(s, &src);
                PIX_Clear(d, 0x5a5a5a5a);
                PIX_Blit(d, s, dx, dy, nullptr, 1.0f, PIX_COMBINE_COPY);
                ExpectShifted(d, &src, dx, dy, 0x5a5a5a5a);
                // The same through the per-pixel path.
                PIX_Clear(d, 0x5a5a5a5a);
                PIX_Blit(d, s, dx, dy, 0, 0, 7, 5, 1.0f,
                         PIX_COMBINE_COPY | PIX_COMBINE_FILTER_BILINEAR | 0x1000000);
                ExpectShifted(d, &src, dx, dy, 0x5a5a5a5a);
                PIX_Clear(d, 0x5a5a5a5a);
                PIX_Blit(d, s, dx, dy, 0, 0, 7, 5, 1.001f, PIX_COMBINE_COPY);
                ExpectShifted(d, &src, dx, dy, 0x5a5a5a5a);
            }
}

TEST(PlainBlit, SourceRectangleBeyondTheSourceIsCut) {
    PIX_MemBitmap src(4, 4), dest(10, 10);
    FillPattern(&src);
    PIX_Clear(&dest, 0);
    PIX_Blit(&dest, &src, 0, 0, 2, 2, 100, 100, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&dest, 1, 1), PIX_GetPixel(&src, 3, 3));
    EXPECT_EQ(PIX_GetPixel(&dest, 2, 1), 0u);
    EXPECT_EQ(PIX_GetPixel(&dest, 1, 2), 0u);
    // Far-off and inverted rectangles draw nothing and never overflow.
    PIX_Clear(&dest, 0);
    PIX_Blit(&dest, &src, 0, 0, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 1.0f, 0);
    PIX_Blit(&dest, &src, INT32_MIN, INT32_MIN, INT32_MIN, 0, INT32_MAX, 4, 1.0f, 0);
    PIX_Blit(&dest, &src, 0, 0, 3, 3, -2, -2, 1.0f, 0);
    PIX_Blit(&dest, &src, 0, 0, nullptr, 0.0f, 0);
    PIX_Blit(&dest, nullptr, 0, 0, nullptr, 1.0f, 0);
    PIX_Blit(nullptr, &src, 0, 0, nullptr, 1.0f, 0);
    EXPECT_EQ(PIX_BitmapCmp(&dest, &dest), 0);
    for (PIX_pixel p : Pixels(&dest))
        ASSERT_EQ(p, 0u);
}

TEST(PlainBlit, NegativeDestinationSkipsSourceColumns) {
    PIX_MemBitmap src(6, 1), dest(6, 1);
    FillPattern(&src);
    PIX_Clear(&dest, 0);
    PIX_Blit(&dest, &src, -2, 0, nullptr, 1.0f, PIX_COMBINE_COPY);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(PIX_GetPixel(&dest, x, 0), PIX_GetPixel(&src, x + 2, 0));
    EXPECT_EQ(PIX_GetPixel(&dest, 4, 0), 0u);
}

TEST(PlainBlit, ChannelCopyMovesOneByte) {
    PIX_MemBitmap src(3, 2), dest(3, 2);
    FillPattern(&src);
    FillPattern(&dest, 9);
    const std::vector<PIX_pixel> before = Pixels(&dest);
    // Source byte 1 (red) into destination byte 2 (green); alpha and other bits are ignored.
    PIX_Blit(&dest, &src, 0, 0, nullptr, 0.0001f,
             0xf0 + (2 << 2) + 1 + PIX_COMBINE_USE_SOURCE_ALPHA);
    for (int i = 0; i < 6; ++i) {
        const PIX_pixel s = PIX_GetPixel(&src, i % 3, i / 3), d = Pixels(&dest)[i];
        EXPECT_EQ(PIX_GETG(d), PIX_GETR(s));
        EXPECT_EQ(d & 0xff00ffffu, before[i] & 0xff00ffffu);
    }
    // Alpha into blue, through a flipped source.
    FlippedBitmap flipped(3, 2);
    PIX_Copy(&flipped, &src);
    PIX_Blit(&dest, &flipped, 1, 0, nullptr, 1.0f, 0xf0 + (3 << 2) + 0);
    EXPECT_EQ(PIX_GETB(PIX_GetPixel(&dest, 2, 1)), PIX_GETA(PIX_GetPixel(&src, 1, 1)));
    EXPECT_EQ(PIX_GETB(PIX_GetPixel(&dest, 0, 1)), PIX_GETB(before[3]));
}

TEST(PlainBlit, HalfWeightAndModes) {
    PIX_MemBitmap src(2, 1), dest(2, 1);
    PIX_Clear(&src, PIX_RGBA(200, 100, 50, 128));
    PIX_Clear(&dest, PIX_RGBA(0, 0, 0, 0));
    PIX_Blit(&dest, &src, 0, 0, nullptr, 0.5f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&dest, 0, 0), PIX_RGBA(100, 50, 25, 64));
    PIX_Clear(&dest, PIX_RGBA(0, 0, 0, 0));
    PIX_Blit(&dest, &src, 0, 0, nullptr, 1.0f, PIX_COMBINE_USE_SOURCE_ALPHA);
    EXPECT_EQ(PIX_GetPixel(&dest, 1, 0), PIX_CombinePixels(0, PIX_RGBA(200, 100, 50, 128), 1.0f,
                                                           PIX_COMBINE_USE_SOURCE_ALPHA));
    PIX_Clear(&dest, PIX_RGBA(1, 1, 1, 1));
    PIX_Blit(&dest, &src, 0, 0, nullptr, 0.75f, PIX_COMBINE_ADD);
    EXPECT_EQ(PIX_GetPixel(&dest, 1, 0), PIX_RGBA(151, 76, 38, 97));
    // A copy below weight 1 draws nothing, and so does an unknown operation.
    PIX_Clear(&dest, 7);
    PIX_Blit(&dest, &src, 0, 0, nullptr, 0.003f, PIX_COMBINE_COPY);
    PIX_Blit(&dest, &src, 0, 0, nullptr, -1.0f, PIX_COMBINE_COPY | PIX_COMBINE_USE_SOURCE_ALPHA);
    PIX_Blit(&dest, &src, 0, 0, nullptr, 1.0f, 0x33);
    EXPECT_EQ(PIX_GetPixel(&dest, 0, 0), 7u);
}

TEST(PlainBlit, OverlappingBlitWithinOneBitmapReadsTheOriginal) {
    PIX_MemBitmap bm(8, 8), original(8, 8);
    FillPattern(&original);
    for (const auto& [dx, dy] : {std::pair{2, 3}, {-1, -2}, {1, 0}}) {
        PIX_Copy(&bm, &original);
        PIX_Blit(&bm, &bm, dx, dy, nullptr, 1.0f, PIX_COMBINE_COPY);
        PIX_MemBitmap expected(8, 8);
        PIX_Copy(&expected, &original);
        PIX_Blit(&expected, &original, dx, dy, nullptr, 1.0f, PIX_COMBINE_COPY);
        EXPECT_EQ(PIX_BitmapCmp(&bm, &expected), 0) << dx << "," << dy;
    }
}

TEST(Copy, TakesTheSourceSizeAndPixels) {
    PIX_MemBitmap src(13, 7), dest;
    FillPattern(&src);
    PIX_Copy(&dest, &src);
    EXPECT_EQ(dest.getWidth(), 13);
    EXPECT_EQ(dest.getHeight(), 7);
    EXPECT_EQ(Pixels(&dest), Pixels(&src));
    PIX_Copy(&dest, nullptr);
    PIX_Copy(nullptr, &src);
    PIX_Copy(&dest, &dest);
    EXPECT_EQ(Pixels(&dest), Pixels(&src));
}

namespace {

// The blur of one pixel from its neighbours inside a w x h rectangle, written out per term.
PIX_pixel BlurAt(PIX_IBitmap* src, int x, int y, int w, int h) {
    const auto px = [&](int i, int j) { return PIX_GetPixel(src, i, j); };
    const auto shift = [](PIX_pixel v, int n) { return (v >> n) & (0xffu >> n) * 0x01010101u; };
    PIX_pixel out = shift(px(x, y), 1);
    if (x == 0)
        out += shift(px(1, y), 2);
    else if (x == w - 1)
        out += shift(px(x - 1, y), 2);
    else
        out += shift(px(x - 1, y), 3) + shift(px(x + 1, y), 3);
    if (y == 0)
        out += shift(px(x, 1), 2);
    else if (y == h - 1)
        out += shift(px(x, y - 1), 2);
    else
        out += shift(px(x, y - 1), 3) + shift(px(x, y + 1), 3);
    return out;
}

} // namespace

TEST(Blur, MixesNeighboursWithEdgeWeights) {
    PIX_MemBitmap src(5, 4), dest(5, 4);
    FillPattern(&src);
    PIX_Blur(&dest, &src, 0, 0, 0, 0, 5, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(PIX_GetPixel(&dest, x, y), BlurAt(&src, x, y, 5, 4)) << x << "," << y;
    // A single row or column is left alone.
    PIX_MemBitmap untouched(5, 4);
    PIX_Clear(&untouched, 1);
    PIX_Blur(&untouched, &src, 0, 0, 0, 0, 5, 1);
    PIX_Blur(&untouched, &src, 0, 0, 0, 0, 1, 4);
    PIX_Blur(&untouched, &src, 4, 0, 0, 0, 5, 4); // clipped to one column by the destination
    for (PIX_pixel p : Pixels(&untouched))
        EXPECT_EQ(p, 1u);
}

TEST(Blur, InPlaceEqualsIntoAnotherBitmap) {
    // Short rows use the fixed buffer, rows over 1024 pixels the heap one; flipped bitmaps too.
    for (const int width : {9, 1100})
        for (const bool flipped : {false, true}) {
            PIX_MemBitmap plain(width, 6);
            FlippedBitmap flip(width, 6);
            PIX_IBitmap* bm = flipped ? static_cast<PIX_IBitmap*>(&flip) : &plain;
            FillPattern(bm, width);
            PIX_MemBitmap separate(width, 6);
            PIX_Clear(&separate, 0);
            PIX_Blur(&separate, bm, 1, 1, 1, 1, width - 2, 5);
            PIX_Blur(bm, bm, 1, 1, 1, 1, width - 2, 5);
            for (int y = 1; y < 6; ++y)
                for (int x = 1; x < width - 1; ++x)
                    ASSERT_EQ(PIX_GetPixel(bm, x, y), PIX_GetPixel(&separate, x, y))
                        << width << " " << x << "," << y;
            EXPECT_EQ(PIX_GetPixel(bm, 0, 0), PatternPixel(0, 0, width));
            EXPECT_EQ(PIX_GetPixel(bm, width - 1, 5), PatternPixel(width - 1, 5, width));
        }
    // Moved within one bitmap, the result is the blur of the original pixels too.
    PIX_MemBitmap bm(8, 8), original(8, 8), expected(8, 8);
    FillPattern(&original);
    PIX_Copy(&bm, &original);
    PIX_Copy(&expected, &original);
    PIX_Blur(&expected, &original, 2, 1, 0, 0, 6, 6);
    PIX_Blur(&bm, &bm, 2, 1, 0, 0, 6, 6);
    EXPECT_EQ(PIX_BitmapCmp(&bm, &expected), 0);
}

TEST(Halve, AveragesTwoByTwoBlocks) {
    PIX_MemBitmap src(5, 4), dest(10, 10);
    FillPattern(&src);
    PIX_Clear(&dest, 0x99);
    PIX_HalveBlitAA(&dest, &src);
    const auto q = [](PIX_pixel v) { return (v >> 2) & 0x3f3f3f3fu; };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(PIX_GetPixel(&dest, x, y), q(PIX_GetPixel(&src, 2 * x, 2 * y)) +
                                                     q(PIX_GetPixel(&src, 2 * x + 1, 2 * y)) +
                                                     q(PIX_GetPixel(&src, 2 * x, 2 * y + 1)) +
                                                     q(PIX_GetPixel(&src, 2 * x + 1, 2 * y + 1)));
    EXPECT_EQ(PIX_GetPixel(&dest, 2, 0), 0x99u);
    EXPECT_EQ(PIX_GetPixel(&dest, 0, 2), 0x99u);
}

TEST(Compare, SizesMaskAndBoundingBox) {
    PIX_MemBitmap a(6, 5), b(6, 5), c(7, 5), d(6, 3);
    FillPattern(&a);
    PIX_Copy(&b, &a);
    PIX_Rect box = {1, 2, 3, 4};
    EXPECT_EQ(PIX_BitmapCmp(&a, &b, &box), 0);
    EXPECT_NE(PIX_BitmapCmp(&a, &c), 0);
    EXPECT_NE(PIX_BitmapCmp(&a, &d), 0);
    EXPECT_NE(PIX_BitmapCmp(&a, nullptr), 0);
    EXPECT_EQ(PIX_BitmapCmp(nullptr, nullptr), 0);

    PIX_PutPixel(&b, 4, 1, PIX_GetPixel(&a, 4, 1) ^ 0x100, 1.0f, 0);
    PIX_PutPixel(&b, 2, 3, PIX_GetPixel(&a, 2, 3) ^ 0x1, 1.0f, 0);
    EXPECT_NE(PIX_BitmapCmp(&a, &b, &box), 0);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.top, 1);
    EXPECT_EQ(box.right, 5);
    EXPECT_EQ(box.bottom, 4);
    EXPECT_NE(PIX_BitmapCmpEx(&a, &b, 0xff, &box), 0);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.right, 3);
    EXPECT_EQ(PIX_BitmapCmpEx(&a, &b, 0xfffffefe), 0);

    // Image order, not storage order: a flipped copy compares equal.
    FlippedBitmap flipped(6, 5);
    PIX_Copy(&flipped, &a);
    EXPECT_EQ(PIX_BitmapCmp(&a, &flipped), 0);
}
