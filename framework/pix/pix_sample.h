#pragma once

// Blit loops, instantiated once per combine class so that the class is fixed for a whole blit,
// and the source sampling they share. Positions are 16.16 fixed point held in 64 bits, so no
// walk can overflow however far it strays; samples outside the source window are skipped.

#include "pix_combine.h"
#include "pix_surface.h"

#include <cstdint>

// The part of a source bitmap a blit may read, seen from its first pixel.
struct PIX_SourceWindow {
    const PIX_pixel* origin = nullptr;
    ptrdiff_t step = 0;
    int width = 0;
    int height = 0;

    const PIX_pixel* row(int64_t y) const { return origin + y * step; }
    // Compared as unsigned so that negative coordinates fall outside too.
    bool holdsColumn(int64_t x) const { return uint64_t(x) < uint64_t(width); }
    bool holdsRow(int64_t y) const { return uint64_t(y) < uint64_t(height); }
};

template <class COMB> inline void PIX_CombineInto(PIX_pixel* dest, PIX_pixel src, int w) {
    COMB::doPix(reinterpret_cast<unsigned char*>(dest), PIX_GETR(src), PIX_GETG(src), PIX_GETB(src),
                PIX_GETA(src), w);
}

// Two channels of a pixel 32 bits apart (alpha and green with shift 0, red and blue with shift
// 8), so one 64-bit multiply weights both: each product stays below 2^24.
inline uint64_t PIX_ChannelPair(PIX_pixel p, int shift) {
    const uint64_t v = (p >> shift) & 0x00ff00ff;
    return (v & 0xff) | (v & 0xff0000) << 16;
}

inline PIX_pixel PIX_JoinChannelPairs(uint64_t ag, uint64_t rb) {
    return PIX_pixel((ag >> 16) & 0xff) | PIX_pixel((rb >> 16) & 0xff) << 8 |
           PIX_pixel((ag >> 48) & 0xff) << 16 | PIX_pixel((rb >> 48) & 0xff) << 24;
}

// Each channel (p00 w00 + p10 w10 + p01 w01 + p11 w11) >> 16 for the fractions fx, fy (0..65535).
inline PIX_pixel __PIX_BilinearFilterI(PIX_pixel p00, PIX_pixel p10, PIX_pixel p01, PIX_pixel p11,
                                       unsigned fx, unsigned fy) {
    const unsigned f = (fx * fy) >> 16;
    const uint64_t w00 = 65536 - fx - fy + f, w10 = fx - f, w01 = fy - f, w11 = f;
    const uint64_t ag = PIX_ChannelPair(p00, 0) * w00 + PIX_ChannelPair(p10, 0) * w10 +
                        PIX_ChannelPair(p01, 0) * w01 + PIX_ChannelPair(p11, 0) * w11;
    const uint64_t rb = PIX_ChannelPair(p00, 8) * w00 + PIX_ChannelPair(p10, 8) * w10 +
                        PIX_ChannelPair(p01, 8) * w01 + PIX_ChannelPair(p11, 8) * w11;
    return PIX_JoinChannelPairs(ag, rb);
}

// Each channel (p0 (65536 - frac) + p1 frac) >> 16.
inline PIX_pixel __PIX_LinearFilterI(PIX_pixel p0, PIX_pixel p1, unsigned frac) {
    const uint64_t w0 = 65536 - frac, w1 = frac;
    const uint64_t ag = PIX_ChannelPair(p0, 0) * w0 + PIX_ChannelPair(p1, 0) * w1;
    const uint64_t rb = PIX_ChannelPair(p0, 8) * w0 + PIX_ChannelPair(p1, 8) * w1;
    return PIX_JoinChannelPairs(ag, rb);
}

// The filtered value at (cx + fx, cy + fy) for a pixel known to lie in the window. The last
// column and row of the window interpolate along the other axis only, so nothing beyond the
// window is read.
inline PIX_pixel PIX_BilinearSample(const PIX_SourceWindow& src, int64_t cx, int64_t cy,
                                    unsigned fx, unsigned fy) {
    const PIX_pixel* p = src.row(cy) + cx;
    const bool lastColumn = cx == src.width - 1, lastRow = cy == src.height - 1;
    if (!lastRow) {
        const PIX_pixel* below = p + src.step;
        if (!lastColumn) return __PIX_BilinearFilterI(p[0], p[1], below[0], below[1], fx, fy);
        return __PIX_LinearFilterI(p[0], below[0], fy);
    }
    if (!lastColumn) return __PIX_LinearFilterI(p[0], p[1], fx);
    return p[0];
}

// One row of source pixels combined into the destination; classes with a whole-row form use it.
template <class COMB>
inline void PIX_CombineRow(PIX_pixel* dest, const PIX_pixel* src, int n, int weight) {
    for (int x = 0; x < n; ++x)
        PIX_CombineInto<COMB>(dest + x, src[x], weight);
}
template <>
inline void PIX_CombineRow<PIX_CombineCopySourceAlphaIgnoreAlphaParm<false>>(PIX_pixel* dest,
                                                                             const PIX_pixel* src,
                                                                             int n, int) {
    PIX_CombineCopySourceAlphaIgnoreAlphaParm<false>::doRow(dest, src, n);
}
template <>
inline void PIX_CombineRow<PIX_CombineCopySourceAlphaIgnoreAlphaParm<true>>(PIX_pixel* dest,
                                                                            const PIX_pixel* src,
                                                                            int n, int) {
    PIX_CombineCopySourceAlphaIgnoreAlphaParm<true>::doRow(dest, src, n);
}

// Plain, scaled and kernel-reduced blits for the combine class COMB.
template <class COMB> struct _PIX_Template_Blit2 {
    static void blit(PIX_pixel* dest, ptrdiff_t destStep, const PIX_pixel* src, ptrdiff_t srcStep,
                     int w, int h, int weight) {
        for (int y = 0; y < h; ++y, dest += destStep, src += srcStep)
            PIX_CombineRow<COMB>(dest, src, w, weight);
    }

    // Walks the source from (icurx, icury) by (idx, idy) per destination pixel and row.
    static void scaleBlit(PIX_pixel* dest, ptrdiff_t destStep, int w, int h,
                          const PIX_SourceWindow& src, int64_t icurx, int64_t icury, int64_t idx,
                          int64_t idy, int weight, bool bilinear) {
        for (int y = 0; y < h; ++y, dest += destStep, icury += idy) {
            const int64_t cy = icury >> 16;
            if (!src.holdsRow(cy)) continue;
            const unsigned fy = unsigned(icury & 0xffff);
            int64_t sx = icurx;
            if (bilinear) {
                for (int x = 0; x < w; ++x, sx += idx) {
                    const int64_t cx = sx >> 16;
                    if (src.holdsColumn(cx))
                        PIX_CombineInto<COMB>(
                            dest + x, PIX_BilinearSample(src, cx, cy, unsigned(sx & 0xffff), fy),
                            weight);
                }
            } else {
                const PIX_pixel* row = src.row(cy);
                for (int x = 0; x < w; ++x, sx += idx) {
                    const int64_t cx = sx >> 16;
                    if (src.holdsColumn(cx)) PIX_CombineInto<COMB>(dest + x, row[cx], weight);
                }
            }
        }
    }

    // Reduction: each destination pixel is the mean of the kernel x kernel source pixels around
    // its sample (those inside the window). The four channels are summed side by side in 16-bit
    // lanes: 25 x 255 fits.
    template <int Kernel>
    static void scaleBlitFilterDown(PIX_pixel* dest, ptrdiff_t destStep, int w, int h,
                                    const PIX_SourceWindow& src, int64_t icurx, int64_t icury,
                                    int64_t idx, int64_t idy, int weight) {
        constexpr int reach = Kernel / 2;
        const auto lanes = [](PIX_pixel p) {
            return uint64_t(p & 0x00ff00ff) | uint64_t(p & 0xff00ff00) << 24;
        };
        const auto mean = [](uint64_t sum, unsigned count) {
            const auto lane = [&](int shift) { return PIX_pixel((sum >> shift) & 0xffff) / count; };
            return lane(0) | lane(16) << 16 | lane(32) << 8 | lane(48) << 24;
        };
        for (int y = 0; y < h; ++y, dest += destStep, icury += idy) {
            const int64_t cy = icury >> 16;
            if (icury < 0 || cy >= src.height) continue;
            const int64_t top = std::max<int64_t>(cy - reach, 0);
            const int64_t bottom = std::min<int64_t>(cy + reach, src.height - 1);
            const unsigned rows = unsigned(bottom - top + 1);
            int64_t sx = icurx;
            for (int x = 0; x < w; ++x, sx += idx) {
                const int64_t cx = sx >> 16;
                if (sx < 0 || cx >= src.width) continue;
                const int64_t left = std::max<int64_t>(cx - reach, 0);
                const int64_t right = std::min<int64_t>(cx + reach, src.width - 1);
                uint64_t sum = 0;
                for (int64_t ty = top; ty <= bottom; ++ty) {
                    const PIX_pixel* row = src.row(ty);
                    for (int64_t tx = left; tx <= right; ++tx)
                        sum += lanes(row[tx]);
                }
                const unsigned count = rows * unsigned(right - left + 1);
                // The full kernel divides by a constant, which compiles to a multiply.
                const PIX_pixel value =
                    count == Kernel * Kernel ? mean(sum, Kernel * Kernel) : mean(sum, count);
                PIX_CombineInto<COMB>(dest + x, value, weight);
            }
        }
    }
};

// Nearest-sampled scaling with a whole-pixel class.
template <class COMB> struct _PIX_Template_Blit0 {
    static void scaleBlitFAST(PIX_pixel* dest, ptrdiff_t destStep, int w, int h,
                              const PIX_SourceWindow& src, int64_t icurx, int64_t icury,
                              int64_t idx, int64_t idy) {
        for (int y = 0; y < h; ++y, dest += destStep, icury += idy) {
            const int64_t cy = icury >> 16;
            if (!src.holdsRow(cy)) continue;
            const PIX_pixel* row = src.row(cy);
            int64_t sx = icurx;
            for (int x = 0; x < w; ++x, sx += idx) {
                const int64_t cx = sx >> 16;
                if (src.holdsColumn(cx)) COMB::doPixFAST(dest + x, row[cx]);
            }
        }
    }
};

// The affine walk of the rotated, delta and transform blits.
struct PIX_DeltaWalk {
    int64_t x, y;         // position at the start of the first row
    int64_t dxdx, dydx;   // per destination pixel
    int64_t dxdy, dydy;   // per destination row
    int64_t ddxdy, ddydy; // per row, added to the per-pixel steps
};

// Running opacity of the alpha-ramp walk, in 1/65536 of full weight.
struct PIX_OpacityWalk {
    int64_t value, perPixel, perRow, perPixelPerRow;
};

template <bool Bilinear>
inline bool PIX_Sample(const PIX_SourceWindow& src, int64_t x, int64_t y, PIX_pixel* out) {
    const int64_t cx = x >> 16, cy = y >> 16;
    if (!src.holdsColumn(cx) || !src.holdsRow(cy)) return false;
    *out = Bilinear ? PIX_BilinearSample(src, cx, cy, unsigned(x & 0xffff), unsigned(y & 0xffff))
                    : src.row(cy)[cx];
    return true;
}

template <class COMB> struct _PIX_Template_Blit3 {
    template <bool Bilinear>
    static void deltaBlit(PIX_pixel* dest, ptrdiff_t destStep, int w, int h,
                          const PIX_SourceWindow& src, PIX_DeltaWalk walk, int weight) {
        for (int row = 0; row < h; ++row, dest += destStep) {
            int64_t x = walk.x, y = walk.y;
            for (int col = 0; col < w; ++col, x += walk.dxdx, y += walk.dydx) {
                PIX_pixel value;
                if (PIX_Sample<Bilinear>(src, x, y, &value))
                    PIX_CombineInto<COMB>(dest + col, value, weight);
            }
            walk.x += walk.dxdy;
            walk.y += walk.dydy;
            walk.dxdx += walk.ddxdy;
            walk.dydx += walk.ddydy;
        }
    }
};

// COMB must honour its weight (no whole-weight overwrite). A pixel whose weight is 0 is left
// alone, and so is one whose weight is below 0 when SkipNegative (copy) is set.
template <class COMB> struct _PIX_Template_Blit4 {
    template <bool Bilinear, bool SkipNegative>
    static void deltaBlitAlpha(PIX_pixel* dest, ptrdiff_t destStep, int w, int h,
                               const PIX_SourceWindow& src, PIX_DeltaWalk walk,
                               PIX_OpacityWalk opacity) {
        for (int row = 0; row < h; ++row, dest += destStep) {
            int64_t x = walk.x, y = walk.y, a = opacity.value;
            for (int col = 0; col < w;
                 ++col, x += walk.dxdx, y += walk.dydx, a += opacity.perPixel) {
                const int weight = int(std::clamp<int64_t>(a >> 8, -4096, 4096));
                if (weight == 0 || (SkipNegative && weight < 0)) continue;
                PIX_pixel value;
                if (PIX_Sample<Bilinear>(src, x, y, &value))
                    PIX_CombineInto<COMB>(dest + col, value, weight);
            }
            walk.x += walk.dxdy;
            walk.y += walk.dydy;
            walk.dxdx += walk.ddxdy;
            walk.dydx += walk.ddydy;
            opacity.value += opacity.perRow;
            opacity.perPixel += opacity.perPixelPerRow;
        }
    }
};

// A copy of the source when it is also the destination, so that a blit reads every source
// pixel as it was before the blit began.
class PIX_SourceSnapshot {
public:
    PIX_SourceSnapshot(PIX_IBitmap* dest, PIX_IBitmap* src);
    PIX_IBitmap* get() const { return mSource; }

private:
    PIX_MemBitmap mCopy;
    PIX_IBitmap* mSource;
};

// Whether a blit at integer weight w draws anything: copy needs a weight of at least 1.
inline bool PIX_BlitWeightDraws(int mode, int w) {
    return w != 0 && ((mode & PIX_COMBINE_MODE_MASK) != PIX_COMBINE_COPY || w >= 1);
}

// v truncated to an int, held within the int range (NaN gives 0).
inline int PIX_TruncToInt(double v) {
    if (!(v > -2147483648.0)) return v <= -2147483648.0 ? INT32_MIN : 0;
    return v >= 2147483647.0 ? INT32_MAX : int(v);
}

// v x 65536 truncated, held within +-2^46 (NaN gives 0): a 16.16 walk position.
inline int64_t PIX_ToFixed64(double v) {
    const double f = v * 65536.0, limit = 70368744177664.0;
    if (!(f > -limit)) return f <= -limit ? -int64_t(limit) : 0;
    return f >= limit ? int64_t(limit) : int64_t(f);
}

// The plain blit of source rectangle (left, top)-(right, bottom) to (dstx, dsty), its
// coordinates wide enough that no sum of them can overflow.
void PIX_BlitRect(PIX_IBitmap* dest, PIX_IBitmap* src, int64_t dstx, int64_t dsty, int64_t left,
                  int64_t top, int64_t right, int64_t bottom, float alpha, int mode);
