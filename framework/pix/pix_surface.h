#pragma once

// Row addressing shared by the raster operations: a bitmap seen in image order, whatever order
// its rows are stored in.

#include "pix.h"

#include <algorithm>
#include <cstdint>

struct PIX_Surface {
    PIX_pixel* origin = nullptr; // image row 0
    ptrdiff_t step = 0;          // pixels from image row y to row y + 1 (negative when flipped)
    int width = 0;
    int height = 0;

    explicit operator bool() const { return origin != nullptr; }
    PIX_pixel* row(int y) const { return origin + y * step; }
    PIX_pixel* at(int x, int y) const { return row(y) + x; }
};

// The bitmap's pixels, or an empty surface when there are none to draw on (no bitmap, no
// storage, a size below 1, or a row span too short for the width).
inline PIX_Surface PIX_SurfaceOf(PIX_IBitmap* bm) {
    PIX_Surface s;
    if (!bm) return s;
    PIX_pixel* bits = bm->getBits();
    const int width = bm->getWidth(), height = bm->getHeight(), span = bm->getRowSpan();
    if (!bits || width < 1 || height < 1 || span < width) return s;
    s.width = width;
    s.height = height;
    if (bm->isFlipped()) {
        s.origin = bits + ptrdiff_t(height - 1) * span;
        s.step = -ptrdiff_t(span);
    } else {
        s.origin = bits;
        s.step = span;
    }
    return s;
}

// Clips (x, y, w, h) to a width x height area; false when nothing is left.
inline bool PIX_ClipRect(int& x, int& y, int& w, int& h, int width, int height) {
    // In 64 bits: a far negative origin with a negative size must not wrap around.
    int64_t cx = x, cy = y, cw = w, ch = h;
    if (cx < 0) {
        cw += cx;
        cx = 0;
    }
    if (cy < 0) {
        ch += cy;
        cy = 0;
    }
    if (cw < 1 || ch < 1 || cx >= width || cy >= height) return false;
    x = int(cx);
    y = int(cy);
    w = int(std::min<int64_t>(cw, width - cx));
    h = int(std::min<int64_t>(ch, height - cy));
    return true;
}

// v x 65536 truncated, held within the int range (NaN gives 0): 16.16 fixed point.
inline int PIX_ToFixed(double v) {
    const double f = v * 65536.0;
    if (!(f > -2147483647.0)) return f <= -2147483647.0 ? -2147483647 : 0;
    return f >= 2147483647.0 ? 2147483647 : static_cast<int>(f);
}
