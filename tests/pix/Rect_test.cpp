#include "PixTestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TEST(PixelOps, PutPixelUsesWholePixelMixesForCopy) {
    PIX_MemBitmap bm(4, 1);
    const PIX_pixel p = 0xfc8040a0, c = 0x04080c10;
    for (int x = 0; x < 4; ++x)
        PIX_PutPixel(&bm, x, 0, p, 1.0f, PIX_COMBINE_COPY);
    PIX_PutPixel(&bm, 0, 0, c, 0.5f, PIX_COMBINE_COPY);
    PIX_PutPixel(&bm, 1, 0, c, 0.25f, PIX_COMBINE_COPY);
    PIX_PutPixel(&bm, 2, 0, c, 0.75f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&bm, 0, 0), ((p >> 1) & 0x7f7f7f7f) + ((c >> 1) & 0x7f7f7f7f));
    EXPECT_EQ(PIX_GetPixel(&bm, 1, 0),
              ((p >> 1) & 0x7f7f7f7f) + ((p >> 2) & 0x3f3f3f3f) + ((c >> 2) & 0x3f3f3f3f));
    EXPECT_EQ(PIX_GetPixel(&bm, 2, 0),
              ((p >> 2) & 0x3f3f3f3f) + ((c >> 1) & 0x7f7f7f7f) + ((c >> 2) & 0x3f3f3f3f));
    // Any other weight blends per channel, the colour's own alpha moving the destination's;
    // the source-alpha bit is not consulted.
    PIX_PutPixel(&bm, 3, 0, PIX_RGBA(0, 0, 0, 0), 0.1f,
                 PIX_COMBINE_COPY | PIX_COMBINE_USE_SOURCE_ALPHA);
    const PIX_pixel q = PIX_GetPixel(&bm, 3, 0);
    EXPECT_EQ(PIX_GETR(q), 0 + (0x40 - 0) * (256 - 25) / 256);
    EXPECT_EQ(PIX_GETA(q), 0 + (0xa0 - 0) * (256 - 25) / 256);
}

TEST(PixelOps, OutsideTheBitmapNothingHappens) {
    PIX_MemBitmap bm(3, 2);
    PIX_Clear(&bm, 0x01010101);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}})
        PIX_PutPixel(&bm, x, y, 0xffffffff, 1.0f, PIX_COMBINE_COPY);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(PIX_GetPixel(&bm, x, y), 0x01010101u);
    EXPECT_EQ(PIX_GetPixel(&bm, 3, 0), 0u);
    EXPECT_EQ(PIX_GetPixel(&bm, 0, 2), 0u);
    EXPECT_EQ(PIX_GetPixel(&bm, -1, 0), 0u);
    EXPECT_EQ(PIX_GetPixel(nullptr, 0, 0), 0u);
    PIX_PutPixel(nullptr, 0, 0, 1, 1.0f, 0);
    PIX_Clear(nullptr, 1);
    PIX_FillRect(nullptr, 0, 0, 1, 1, 1, 1.0f, 0);
    PIX_ClearRect(nullptr, 0, 0, 1, 1, 0, 0);
    PIX_GradRect(nullptr, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    PIX_SimpleFill(nullptr, 0, 0, 1);
    PIX_SetAlphaFromColorMask(nullptr, 0);
    PIX_MultiplyAddRect(nullptr, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0);
}

TEST(PixelOps, FlippedBitmapsAddressRowsFromTheBottom) {
    FlippedBitmap bm(3, 4);
    PIX_Clear(&bm, 0);
    PIX_PutPixel(&bm, 1, 0, 0xabcdef01, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(StoredRow(&bm, 3)[1], 0xabcdef01u);
    EXPECT_EQ(PIX_GetPixel(&bm, 1, 0), 0xabcdef01u);
    // A rectangle of rows 1 and 2 of the image is stored rows 1 and 2 counted from the bottom.
    PIX_ClearRect(&bm, 0, 1, 3, 1, 0, 0x55);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(StoredRow(&bm, 2)[x], 0x55u);
    PIX_FillRect(&bm, 0, 3, 3, 5, 0x77, 1.0f, PIX_COMBINE_COPY);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(StoredRow(&bm, 0)[x], 0x77u);
    EXPECT_EQ(StoredRow(&bm, 1)[0], 0u);
}

TEST(FillRect, WorkedWeightsAndClipping) {
    PIX_MemBitmap bm(10, 3);
    PIX_Clear(&bm, 0xffffffff);
    PIX_FillRect(&bm, 0, 0, 10, 1, 0, 0.5f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&bm, 9, 0), 0x7f7f7f7fu);

    PIX_Clear(&bm, 0);
    PIX_FillRect(&bm, -5, 1, 10, 1, 0x01020304, 1.0f, PIX_COMBINE_COPY);
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(PIX_GetPixel(&bm, x, 1), x < 5 ? 0x01020304u : 0u) << x;
    EXPECT_EQ(PIX_GetPixel(&bm, 0, 0), 0u);
    EXPECT_EQ(PIX_GetPixel(&bm, 0, 2), 0u);

    // Fully clipped or zero rectangles draw nothing.
    PIX_FillRect(&bm, 10, 0, 5, 5, 0xff, 1.0f, PIX_COMBINE_COPY);
    PIX_FillRect(&bm, -5, 0, 5, 5, 0xff, 1.0f, PIX_COMBINE_COPY);
    PIX_FillRect(&bm, 0, 0, 0, 5, 0xff, 1.0f, PIX_COMBINE_COPY);
    PIX_FillRect(&bm, 0, 0, 5, 5, 0xff, 0.0f, PIX_COMBINE_COPY);
    PIX_FillRect(&bm, INT32_MIN, 0, -5, 5, 0xff, 1.0f, PIX_COMBINE_COPY);
    PIX_FillRect(&bm, 0, 0, INT32_MAX, 1, 0xff, 1.0f, 7); // unknown operation
    EXPECT_EQ(PIX_GetPixel(&bm, 0, 0), 0u);
}

TEST(FillRect, PartialWeightsMoveAlphaTowardTheWeight) {
    PIX_MemBitmap bm(2, 1);
    PIX_Clear(&bm, PIX_RGBA(0, 0, 0, 0));
    // iw = 102: red 200 x 102 / 256 away from 0, alpha toward 102, not toward the colour's 255.
    PIX_FillRect(&bm, 0, 0, 1, 1, PIX_RGBA(200, 0, 0, 255), 0.4f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&bm, 0, 0),
              PIX_RGBA(200 + (0 - 200) * 154 / 256, 0, 0, 102 + (0 - 102) * 154 / 256));
    // Source alpha scales the opacity by the colour's alpha: 1.0 x 128 / 255 -> iw 128, the
    // half mix.
    PIX_Clear(&bm, 0);
    PIX_FillRect(&bm, 1, 0, 1, 1, PIX_RGBA(200, 100, 50, 128), 1.0f, PIX_COMBINE_USE_SOURCE_ALPHA);
    EXPECT_EQ(PIX_GetPixel(&bm, 1, 0), PIX_RGBA(100, 50, 25, 64));
    // Add at full weight adds the colour and the weight as alpha.
    PIX_Clear(&bm, PIX_RGBA(10, 20, 30, 40));
    PIX_FillRect(&bm, 0, 0, 2, 1, PIX_RGBA(1, 2, 3, 0), 1.0f, PIX_COMBINE_ADD);
    EXPECT_EQ(PIX_GetPixel(&bm, 1, 0), PIX_RGBA(11, 22, 33, 255));
}

TEST(RectOps, ClearRectMultiplyAddAndProcess) {
    PIX_MemBitmap bm(4, 4);
    PIX_Clear(&bm, PIX_RGBA(100, 100, 100, 200));
    PIX_ClearRect(&bm, 0, 0, 4, 4, 0xFFFFFF00, 0);
    EXPECT_EQ(PIX_GetPixel(&bm, 3, 3), PIX_RGBA(100, 100, 100, 0));

    PIX_MultiplyAddRect(&bm, 1, 1, 2, 2, 0.5f, 2.0f, 3.0f, 1.0f, 10.0f, 0.0f, -20.0f, 7.5f);
    EXPECT_EQ(PIX_GetPixel(&bm, 1, 1), PIX_RGBA(60, 200, 255, 7));
    EXPECT_EQ(PIX_GetPixel(&bm, 0, 0), PIX_RGBA(100, 100, 100, 0));
    PIX_MultiplyAddRect(&bm, 1, 1, 1, 1, -1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 300.0f, 0.0f, 0.0f);
    EXPECT_EQ(PIX_GetPixel(&bm, 1, 1), PIX_RGBA(0, 255, 255, 7));

    std::vector<std::pair<int, int>> visited;
    struct Ctx {
        PIX_MemBitmap* bm;
        std::vector<std::pair<int, int>>* visited;
    } ctx{&bm, &visited};
    PIX_ProcessRect(
        &bm, -1, 2, 3, 5,
        [](PIX_pixel* p, void* c) {
            auto* ctx = static_cast<Ctx*>(c);
            const ptrdiff_t offset = p - ctx->bm->getBits();
            ctx->visited->push_back(
                {int(offset % ctx->bm->getRowSpan()), int(offset / ctx->bm->getRowSpan())});
        },
        &ctx);
    const std::vector<std::pair<int, int>> expected = {{0, 2}, {1, 2}, {0, 3}, {1, 3}};
    EXPECT_EQ(visited, expected);
    PIX_ProcessRect(&bm, 0, 0, 4, 4, nullptr, nullptr);
}

TEST(RectOps, AlphaFromColourMask) {
    PIX_MemBitmap bm(2, 1);
    PIX_PutPixel(&bm, 0, 0, PIX_RGBA(255, 0, 255, 17), 1.0f, 0);
    PIX_PutPixel(&bm, 1, 0, PIX_RGBA(255, 1, 255, 17), 1.0f, 0);
    PIX_SetAlphaFromColorMask(&bm, PIX_RGBA(255, 0, 255, 0));
    EXPECT_EQ(PIX_GetPixel(&bm, 0, 0), PIX_RGBA(255, 0, 255, 0));
    EXPECT_EQ(PIX_GetPixel(&bm, 1, 0), PIX_RGBA(255, 1, 255, 255));
}

TEST(RectOps, SimpleFillWalksRowsFromTheSeedColumn) {
    // . = 1, # = 2; fill from (2, 2).
    const char* rows[] = {"..#..", "#.#.#", "...##", ".#.#.", "##.##", "#...."};
    for (bool flipped : {false, true}) {
        PIX_MemBitmap plain(5, 6);
        FlippedBitmap flip(5, 6);
        PIX_IBitmap* bm = flipped ? static_cast<PIX_IBitmap*>(&flip) : &plain;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 5; ++x)
                PIX_PutPixel(bm, x, y, rows[y][x] == '.' ? 1 : 2, 1.0f, 0);
        PIX_SimpleFill(bm, 2, 2, 0x100, 0xff, 0xff);
        std::string got;
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 5; ++x) {
                const PIX_pixel p = PIX_GetPixel(bm, x, y);
                got += p == 0x101 ? '*' : p == 1 ? '.' : '#';
            }
            got += '/';
        }
        // Up from row 1: its column 2 is '#', so the walk up ends at once. Down: rows 2..5
        // match at column 2, each run spreading right then left while it matches.
        EXPECT_EQ(got, "..#../#.#.#/***##/.#*#./##*##/#****/") << flipped;
    }
}

TEST(RectOps, GradientStepsAcrossAndDown) {
    PIX_MemBitmap bm(4, 3);
    PIX_Clear(&bm, 0);
    PIX_GradRect(&bm, 0, 0, 4, 3, 0.0f, 1.0f, 0.5f, 1.0f, 0.25f, 0.0f, 0.0f, 0.0f, 0.0f, -0.5f,
                 0.0f, 0.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GETR(PIX_GetPixel(&bm, 0, 0)), 0);
    EXPECT_EQ(PIX_GETR(PIX_GetPixel(&bm, 2, 0)), 127);
    EXPECT_EQ(PIX_GETR(PIX_GetPixel(&bm, 3, 2)), 191);
    EXPECT_EQ(PIX_GETG(PIX_GetPixel(&bm, 0, 0)), 255);
    EXPECT_EQ(PIX_GETG(PIX_GetPixel(&bm, 0, 1)), 127);
    EXPECT_EQ(PIX_GETG(PIX_GetPixel(&bm, 0, 2)), 0);
    EXPECT_EQ(PIX_GETB(PIX_GetPixel(&bm, 1, 1)), 127);
    EXPECT_EQ(PIX_GETA(PIX_GetPixel(&bm, 1, 1)), 255);

    // Clipped at the left and top, the visible part continues the same ramp.
    PIX_MemBitmap clipped(4, 3);
    PIX_Clear(&clipped, 0);
    PIX_GradRect(&clipped, -2, -1, 6, 4, 0.0f, 0.0f, 0.0f, 1.0f, 0.125f, 0.25f, 0.0f, 0.0f, 0.0f,
                 0.0f, 0.0f, 0.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GETR(PIX_GetPixel(&clipped, 0, 0)), 63);
    EXPECT_EQ(PIX_GETG(PIX_GetPixel(&clipped, 1, 0)), 191);
    EXPECT_EQ(PIX_GETG(PIX_GetPixel(&clipped, 3, 2)), 255); // clamped
}

TEST(FillRect, QuarterAndThreeQuarterWeightsMixWholePixels) {
    PIX_MemBitmap bm(2, 1);
    PIX_Clear(&bm, 0xfc000000);
    PIX_FillRect(&bm, 0, 0, 1, 1, 0x000000fc, 0.25f, PIX_COMBINE_COPY);
    PIX_FillRect(&bm, 1, 0, 1, 1, 0x000000fc, 0.75f, PIX_COMBINE_COPY);
    EXPECT_EQ(PIX_GetPixel(&bm, 0, 0), 0xbd00003fu);
    EXPECT_EQ(PIX_GetPixel(&bm, 1, 0), 0x3f0000bdu);
}
