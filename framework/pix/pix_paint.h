#pragma once

// Pixel painting for lines, shapes and glyphs: a colour combined into single pixels or runs
// with the mode's combine class, fixed once per drawing call, the weight scaled per pixel by
// the share of it the shape covers (0..256).

#include "pix_combine.h"
#include "pix_surface.h"

#include <cmath>
#include <cstdint>

// Class for partly covered pixels. The full-weight copies store the colour outright and ignore
// the weight, so a scaled weight needs their blending counterpart; every other class already
// takes the weight as it comes.
template <class Full> struct PIX_PartialCoverage { using type = Full; };
template <bool Clamp> struct PIX_PartialCoverage<PIX_CombineClobber<Clamp>> {
    using type = PIX_CombineCopy<Clamp>;
};
template <bool Clamp> struct PIX_PartialCoverage<PIX_CombineCopySourceAlphaIgnoreAlphaParm<Clamp>> {
    using type = PIX_CombineCopySourceAlpha<Clamp>;
};

constexpr int PIX_FULL_COVERAGE = 256;

template <class Full> class PIX_Painter {
public:
    using Partial = typename PIX_PartialCoverage<Full>::type;

    PIX_Painter(const PIX_Surface& surface, PIX_pixel color, int weight)
        : mSurface(surface), mR(PIX_GETR(color)), mG(PIX_GETG(color)), mB(PIX_GETB(color)),
          mA(PIX_GETA(color)), mWeight(weight) {}

    int width() const { return mSurface.width; }
    int height() const { return mSurface.height; }
    bool contains(int64_t x, int64_t y) const {
        return x >= 0 && y >= 0 && x < mSurface.width && y < mSurface.height;
    }

    // A fully covered pixel; nothing outside the surface.
    void plot(int64_t x, int64_t y) const {
        if (contains(x, y)) Full::doPix(bytes(int(x), int(y)), mR, mG, mB, mA, mWeight);
    }

    // A pixel covered coverage / 256.
    void plot(int64_t x, int64_t y, int coverage) const {
        if (coverage >= PIX_FULL_COVERAGE) {
            plot(x, y);
            return;
        }
        const int w = mWeight * coverage / PIX_FULL_COVERAGE;
        if (coverage > 0 && w != 0 && contains(x, y))
            Partial::doPix(bytes(int(x), int(y)), mR, mG, mB, mA, w);
    }

    // Fully covered pixels x0..x1 (inclusive) of row y, clipped to the surface.
    void span(int64_t x0, int64_t x1, int64_t y) const {
        if (y < 0 || y >= mSurface.height) return;
        const int from = int(std::max<int64_t>(x0, 0));
        const int to = int(std::min<int64_t>(x1, mSurface.width - 1));
        auto* p = reinterpret_cast<unsigned char*>(mSurface.at(0, int(y)));
        for (int x = from; x <= to; ++x)
            Full::doPix(p + 4 * x, mR, mG, mB, mA, mWeight);
    }

private:
    unsigned char* bytes(int x, int y) const {
        return reinterpret_cast<unsigned char*>(mSurface.at(x, y));
    }

    PIX_Surface mSurface;
    int mR, mG, mB, mA;
    int mWeight;
};

// Calls draw(painter) with a painter for the bitmap, colour, opacity and mode; calls nothing
// when there is nothing to draw on or the mode draws nothing at that weight.
template <class Draw>
void PIX_WithPainter(PIX_IBitmap* bm, PIX_pixel color, float alpha, int mode, Draw&& draw) {
    const PIX_Surface s = PIX_SurfaceOf(bm);
    if (!s) return;
    const int w = PIX_WeightFromAlpha(alpha);
    PIX_WithCombiner<false>(
        mode, w, [&](auto combiner) { draw(PIX_Painter<decltype(combiner)>(s, color, w)); });
}

// Coverage 0..1 as 0..256, rounded.
inline int PIX_CoverageFrom(double share) {
    return share <= 0.0 ? 0 : share >= 1.0 ? PIX_FULL_COVERAGE : int(share * 256.0 + 0.5);
}

// Exact products and sums of coordinates of up to 64 bits.
typedef __int128 PIX_Wide;

inline PIX_Wide PIX_FloorDiv(PIX_Wide num, PIX_Wide den) {
    const PIX_Wide q = num / den;
    return (num % den != 0 && (num < 0) != (den < 0)) ? q - 1 : q;
}

inline PIX_Wide PIX_CeilDiv(PIX_Wide num, PIX_Wide den) {
    const PIX_Wide q = num / den;
    return (num % den != 0 && (num < 0) == (den < 0)) ? q + 1 : q;
}

// v held within lo..hi and converted; NaN gives lo.
inline int64_t PIX_ClampToInt(double v, int64_t lo, int64_t hi) {
    if (!(v > double(lo))) return lo;
    return v >= double(hi) ? hi : int64_t(v);
}
