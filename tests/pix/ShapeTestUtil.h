#pragma once

#include "PixTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <utility>

// White on a black bitmap: the red channel of a pixel is how much of it was drawn (0..255).
constexpr PIX_pixel kWhite = 0xffffffff;
constexpr PIX_pixel kBlack = 0x000000ff;

inline int Ink(PIX_IBitmap* bm, int x, int y) {
    return PIX_GETR(PIX_GetPixel(bm, x, y));
}

// The drawn pixels, as (x, y).
inline std::set<std::pair<int, int>> InkedPixels(PIX_IBitmap* bm) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < bm->getHeight(); ++y)
        for (int x = 0; x < bm->getWidth(); ++x)
            if (Ink(bm, x, y)) out.insert({x, y});
    return out;
}

inline long TotalInk(PIX_IBitmap* bm) {
    long sum = 0;
    for (int y = 0; y < bm->getHeight(); ++y)
        for (int x = 0; x < bm->getWidth(); ++x)
            sum += Ink(bm, x, y);
    return sum;
}

// Draws with draw(bitmap, dx, dy) into a w x h bitmap and into one with a margin all round,
// shifted by the margin, and expects the small one to equal the middle of the large one: so
// clipping at the edges changed nothing but what is out of sight.
inline void ExpectClippedLikeUnclipped(int w, int h,
                                       const std::function<void(PIX_IBitmap*, int, int)>& draw) {
    constexpr int kMargin = 40;
    PIX_MemBitmap small(w, h), large(w + 2 * kMargin, h + 2 * kMargin);
    PIX_Clear(&small, kBlack);
    PIX_Clear(&large, kBlack);
    draw(&small, 0, 0);
    draw(&large, kMargin, kMargin);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(PIX_GetPixel(&small, x, y), PIX_GetPixel(&large, x + kMargin, y + kMargin))
                << "at " << x << ", " << y;
}
