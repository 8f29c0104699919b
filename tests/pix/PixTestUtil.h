#pragma once

#include "pix.h"

#include <cstdint>
#include <vector>

// A memory bitmap that stores its rows bottom-up.
class FlippedBitmap : public PIX_MemBitmap {
public:
    using PIX_MemBitmap::PIX_MemBitmap;
    bool isFlipped() override { return true; }
};

// Deterministic pixel pattern: every pixel of every image differs, channels cover 0..255.
inline PIX_pixel PatternPixel(int x, int y, uint32_t seed = 0) {
    uint32_t v = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    v ^= v >> 15;
    v *= 0x2C1B3C6Du;
    v ^= v >> 12;
    return v;
}

inline void FillPattern(PIX_IBitmap* bm, uint32_t seed = 0) {
    for (int y = 0; y < bm->getHeight(); ++y)
        for (int x = 0; x < bm->getWidth(); ++x)
            PIX_PutPixel(bm, x, y, PatternPixel(x, y, seed), 1.0f, PIX_COMBINE_COPY);
}

// The image's pixels in image order, row by row.
inline std::vector<PIX_pixel> Pixels(PIX_IBitmap* bm) {
    std::vector<PIX_pixel> out;
    for (int y = 0; y < bm->getHeight(); ++y)
        for (int x = 0; x < bm->getWidth(); ++x)
            out.push_back(PIX_GetPixel(bm, x, y));
    return out;
}

// Stored row of image row y, read straight from memory.
inline const PIX_pixel* StoredRow(PIX_IBitmap* bm, int storedRow) {
    return bm->getBits() + storedRow * bm->getRowSpan();
}
