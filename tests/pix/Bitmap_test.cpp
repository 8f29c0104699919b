#include "PixTestUtil.h"
#include "gdi.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

bool Aligned64(const void* p) {
    return (reinterpret_cast<uintptr_t>(p) & 63) == 0;
}

} // namespace

TEST(MemBitmap, RowAlignmentPadsRows) {
    PIX_MemBitmap five(5, 3, 4);
    EXPECT_EQ(five.getRowSpan(), 8);
    EXPECT_TRUE(Aligned64(five.getBits()));
    EXPECT_FALSE(five.isFlipped());
    EXPECT_EQ(five.getDC(), nullptr);
    EXPECT_EQ(five.Extended(1, nullptr), nullptr);
    EXPECT_EQ(PIX_MemBitmap(5, 1, 1).getRowSpan(), 5);
    EXPECT_EQ(PIX_MemBitmap(5, 1, 0).getRowSpan(), 5);
    EXPECT_EQ(PIX_MemBitmap(5, 1, 12).getRowSpan(), 8);  // lowest set bit of 12 is 4
    EXPECT_EQ(PIX_MemBitmap(5, 1, 64).getRowSpan(), 16); // held at 16
}

TEST(MemBitmap, StartsEmptyWithoutAPositiveSize) {
    PIX_MemBitmap empty;
    EXPECT_EQ(empty.getBits(), nullptr);
    EXPECT_EQ(empty.getWidth(), 0);
    PIX_MemBitmap negative(-3, 10);
    EXPECT_EQ(negative.getBits(), nullptr);
    EXPECT_EQ(negative.getWidth(), 0);
    EXPECT_EQ(negative.getHeight(), 0);
}

TEST(MemBitmap, KeepsItsBlockWhenShrinkingAndGrowsByAQuarter) {
    PIX_MemBitmap bm(100, 100, 4);
    EXPECT_EQ(bm.getAllocatedBytes(), 100 * 100 * 4);
    PIX_pixel* bits = bm.getBits();
    EXPECT_FALSE(bm.resize(100, 100));
    EXPECT_TRUE(bm.resize(10, 10));
    EXPECT_EQ(bm.getBits(), bits);
    EXPECT_EQ(bm.getAllocatedBytes(), 100 * 100 * 4);
    EXPECT_EQ(bm.getWidth(), 10);
    EXPECT_EQ(bm.getRowSpan(), 12);

    EXPECT_TRUE(bm.resize(200, 100));
    EXPECT_EQ(bm.getAllocatedBytes(), 200 * 100 * 4 * 5 / 4);
    EXPECT_TRUE(Aligned64(bm.getBits()));
    EXPECT_TRUE(bm.resize(210, 100)); // within the quarter: no new block
    EXPECT_EQ(bm.getAllocatedBytes(), 200 * 100 * 4 * 5 / 4);

    EXPECT_TRUE(bm.resize(0, 5));
    EXPECT_EQ(bm.getBits(), nullptr);
    EXPECT_EQ(bm.getAllocatedBytes(), 0);
    EXPECT_EQ(bm.getWidth(), 0);
    EXPECT_EQ(bm.getHeight(), 0);
    EXPECT_TRUE(bm.resize(3, 3));
    EXPECT_EQ(bm.getAllocatedBytes(), 4 * 3 * 4);
}

TEST(MemBitmap, OversizedRequestLeavesAnEmptyBitmap) {
    PIX_MemBitmap bm(4, 4);
    // 2^31 pixels per row would overflow every offset: refused like a failed allocation.
    EXPECT_TRUE(bm.resize(INT32_MAX, 2));
    EXPECT_EQ(bm.getBits(), nullptr);
    EXPECT_EQ(bm.getWidth(), 0);
    EXPECT_EQ(bm.getHeight(), 0);
    EXPECT_TRUE(bm.resize(50000, 50000));
    EXPECT_EQ(bm.getBits(), nullptr);
    PIX_FillRect(&bm, 0, 0, 10, 10, 0xffffffff, 1.0f, PIX_COMBINE_COPY); // drawing is a no-op
    EXPECT_EQ(PIX_GetPixel(&bm, 0, 0), 0u);
}

TEST(SysBitmap, KeepsItsSurfaceWhileTheSizeFits) {
    PIX_SysBitmap bm(100, 100);
    ASSERT_NE(bm.getBits(), nullptr);
    ASSERT_NE(bm.getDC(), nullptr);
    EXPECT_TRUE(Aligned64(bm.getBits()));
    EXPECT_EQ(bm.getRowSpan(), 100);
    EXPECT_EQ(GDI_GetCtxFrameBuffer(bm.getDC()), bm.getBits());
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(PIX_GetPixel(&bm, x, y), 0u); // cleared

    PIX_pixel* bits = bm.getBits();
    EXPECT_FALSE(bm.resize(100, 100));
    EXPECT_TRUE(bm.resize(50, 50));
    EXPECT_EQ(bm.getBits(), bits);
    EXPECT_EQ(bm.getRowSpan(), 100);
    EXPECT_EQ(bm.getWidth(), 50);

    EXPECT_TRUE(bm.resize(101, 50));
    EXPECT_EQ(bm.getRowSpan(), 104);
    EXPECT_EQ(GDI_GetCtxWidth(bm.getDC()), 104);
    EXPECT_EQ(GDI_GetCtxHeight(bm.getDC()), 50);
    EXPECT_FALSE(bm.isFlipped());

    EXPECT_FALSE(bm.resize(0, 50));
    EXPECT_EQ(bm.getBits(), nullptr);
    EXPECT_EQ(bm.getDC(), nullptr);
}

TEST(SysBitmap, StartsWithoutSurfaceAtZeroSize) {
    PIX_SysBitmap bm;
    EXPECT_EQ(bm.getBits(), nullptr);
    EXPECT_EQ(bm.getDC(), nullptr);
    EXPECT_TRUE(bm.resize(3, 2));
    EXPECT_EQ(bm.getRowSpan(), 4);
    PIX_PutPixel(&bm, 2, 1, 0x11223344, 1.0f, PIX_COMBINE_COPY);
    EXPECT_EQ(bm.getBits()[1 * 4 + 2], 0x11223344u); // rows top-down
}

TEST(SysBitmap, FailedContextLeavesAnEmptyBitmap) {
    PIX_SysBitmap bm(8, 8);
    EXPECT_TRUE(bm.resize(60000, 60000)); // beyond what a context may hold
    EXPECT_EQ(bm.getBits(), nullptr);
    EXPECT_EQ(bm.getWidth(), 0);
    EXPECT_EQ(bm.getHeight(), 0);
    EXPECT_TRUE(bm.resize(8, 8));
    EXPECT_NE(bm.getBits(), nullptr);
}

TEST(GdiMemContext, RefusesEmptyAndOversizedSurfaces) {
    EXPECT_EQ(GDI_CreateMemContext(0, 10), nullptr);
    EXPECT_EQ(GDI_CreateMemContext(10, -1), nullptr);
    EXPECT_EQ(GDI_CreateMemContext(INT32_MAX, INT32_MAX), nullptr);
    EXPECT_EQ(GDI_GetCtxFrameBuffer(nullptr), nullptr);
    EXPECT_EQ(GDI_GetCtxWidth(nullptr), 0);
    GDI_DeleteGfxContext(nullptr);
}
