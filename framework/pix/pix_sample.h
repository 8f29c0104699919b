#pragma once

// Blit loops, instantiated once per combine class so that the class is fixed for a whole blit,
// and the source sampling they share. Positions are 16.16 fixed point held in 64 bits, so no
// walk can overflow however far it strays; samples outside the source window are skipped.

#include "pix_combine.h"
#include "pix_surface.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

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

// Overwriting with a pixel's own channels stores the pixel, whichever store the class uses.
template <>
inline void PIX_CombineInto<PIX_CombineClobber<false>>(PIX_pixel* dest, PIX_pixel src, int) {
    *dest = src;
}
template <>
inline void PIX_CombineInto<PIX_CombineClobber<true>>(PIX_pixel* dest, PIX_pixel src, int) {
    *dest = src;
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

// floor(sum / count) for count 1..25 and sum up to 255 x count (a kernel's channel sum), as a
// multiply by m = kPIX_MeanReciprocal[count] = ceil(2^18 / count): exact there because
// sum x count < 2^18. Written as >> 16 then >> 2 so that, for a constant m below 2^16 (the
// whole 3 x 3 and 5 x 5 kernels), loops can use a 16-bit multiply-high.
inline constexpr std::array<uint32_t, 26> kPIX_MeanReciprocal = [] {
    std::array<uint32_t, 26> table{};
    for (uint32_t n = 1; n < 26; ++n)
        table[n] = ((1u << 18) + n - 1) / n;
    return table;
}();

inline unsigned char PIX_MeanLane(uint32_t sum, uint32_t m) {
    return static_cast<unsigned char>(((sum * m) >> 16) >> 2);
}

// Sums down the given rows for columns lo..hi into ag (alpha, green) and rb (red, blue), two
// channels to a word in 16-bit lanes. Rows > 0 fixes the row count, so the loop over the rows
// unrolls and the loop over the columns vectorises.
template <int Rows>
inline void PIX_SumColumns(const PIX_pixel* const* rows, unsigned count, int lo, int hi,
                           uint32_t* __restrict ag, uint32_t* __restrict rb) {
    const unsigned n = Rows > 0 ? unsigned(Rows) : count;
    for (int x = lo; x <= hi; ++x) {
        uint32_t sumAg = 0, sumRb = 0;
        for (unsigned i = 0; i < n; ++i) {
            sumAg += rows[i][x] & 0x00ff00ff;
            sumRb += (rows[i][x] >> 8) & 0x00ff00ff;
        }
        ag[x] = sumAg;
        rb[x] = sumRb;
    }
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

// Bilinear terms of one pair of source rows for a range of columns, for a walk whose row
// fraction fy is fixed: enlarging visits every column at least once per row, so the terms are
// worth computing once. Per channel pair a sample at column x with fraction fx is then
//   V[x] + H[x] fx + C[x] f,   f = (fx fy) >> 16,
// the filter's sum regrouped: V = p00 65536 + (p01 - p00) fy, H = p10 - p00 and
// C = p11 - p01 - p10 + p00. Differences wrap below zero, but each lane's total lies in
// 0..2^24, so the words come out exact. At the window's last row p01 = p00 and p11 = p10, at
// its last column p10 = p00 and p11 = p01: the edge rules' one-axis filters.
class PIX_BilinearRow {
public:
    PIX_BilinearRow(int lo, int hi) : mLo(lo), mTerms(size_t(hi - lo + 1)) {}

    // Rows sharing a source row pair (every other one when enlarging 2x) share the terms.
    void Prepare(const PIX_SourceWindow& src, int64_t cy, unsigned fy) {
        if (cy != mCy) Gather(src, cy);
        mFy = fy;
    }

    [[gnu::always_inline]] PIX_pixel Sample(int64_t cx, unsigned fx) const {
        const Terms& t = mTerms[size_t(cx - mLo)];
        const uint64_t f = (uint64_t(fx) * mFy) >> 16;
        return PIX_JoinChannelPairs(t.top[0] + t.down[0] * mFy + t.h[0] * fx + t.c[0] * f,
                                    t.top[1] + t.down[1] * mFy + t.h[1] * fx + t.c[1] * f);
    }

private:
    // Per channel pair: V = top + down fy with top = p00 65536 and down = p01 - p00.
    struct Terms {
        uint64_t top[2], down[2], h[2], c[2];
    };

    void Gather(const PIX_SourceWindow& src, int64_t cy) {
        mCy = cy;
        const PIX_pixel* r0 = src.row(cy);
        const PIX_pixel* r1 = cy + 1 < src.height ? r0 + src.step : r0;
        const int hi = mLo + int(mTerms.size()) - 1;
        for (int k = 0; k < 2; ++k) {
            const int shift = 8 * k; // alpha and green, then red and blue
            const int right = hi + 1 < src.width ? hi + 1 : hi;
            uint64_t p10 = PIX_ChannelPair(r0[right], shift),
                     p11 = PIX_ChannelPair(r1[right], shift);
            for (int x = hi; x >= mLo; --x) {
                const uint64_t p00 = PIX_ChannelPair(r0[x], shift);
                const uint64_t p01 = PIX_ChannelPair(r1[x], shift);
                Terms& t = mTerms[size_t(x - mLo)];
                t.top[k] = p00 << 16;
                t.down[k] = p01 - p00;
                t.h[k] = p10 - p00;
                t.c[k] = p11 - p01 - p10 + p00;
                p10 = p00;
                p11 = p01;
            }
        }
    }

    int mLo;
    std::vector<Terms> mTerms;
    int64_t mCy = -1;
    unsigned mFy = 0;
};

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
        if (bilinear && idx >= -65536 && idx <= 65536) {
            scaleBlitEnlarging(dest, destStep, w, h, src, icurx, icury, idx, idy, weight);
            return;
        }
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

    // Bilinear sampling with the filter's per-column terms prepared once per row.
    static void scaleBlitEnlarging(PIX_pixel* dest, ptrdiff_t destStep, int w, int h,
                                   const PIX_SourceWindow& src, int64_t icurx, int64_t icury,
                                   int64_t idx, int64_t idy, int weight) {
        const int64_t ends[2] = {icurx >> 16, (icurx + (w - 1) * idx) >> 16};
        const int64_t lo = std::max<int64_t>(std::min(ends[0], ends[1]), 0);
        const int64_t hi = std::min<int64_t>(std::max(ends[0], ends[1]), src.width - 1);
        if (lo > hi) return;
        PIX_BilinearRow terms{int(lo), int(hi)};
        for (int y = 0; y < h; ++y, dest += destStep, icury += idy) {
            const int64_t cy = icury >> 16;
            if (!src.holdsRow(cy)) continue;
            terms.Prepare(src, cy, unsigned(icury & 0xffff));
            int64_t sx = icurx;
            for (int x = 0; x < w; ++x, sx += idx) {
                const int64_t cx = sx >> 16;
                if (src.holdsColumn(cx))
                    PIX_CombineInto<COMB>(dest + x, terms.Sample(cx, unsigned(sx & 0xffff)),
                                          weight);
            }
        }
    }

    // Reduction: each destination pixel is the mean of the kernel x kernel source pixels around
    // its sample (those inside the window). Per destination row the kernel's rows are first
    // summed down every source column, then each pixel adds up its kernel's columns. Channels
    // travel two to a 32-bit word in 16-bit lanes (25 x 255 fits). The walk steps forward.
    template <int Kernel>
    static void scaleBlitFilterDown(PIX_pixel* dest, ptrdiff_t destStep, int w, int h,
                                    const PIX_SourceWindow& src, int64_t icurx, int64_t icury,
                                    int64_t idx, int64_t idy, int weight) {
        constexpr int reach = Kernel / 2;
        // Destination columns whose samples lie in the window, and the source columns each
        // one's kernel covers there: the same for every row.
        int first = 0, last = w - 1;
        while (first < w && icurx + first * idx < 0)
            ++first;
        while (last >= first && ((icurx + last * idx) >> 16) >= src.width)
            --last;
        if (first > last) return;
        std::vector<int> left(size_t(last - first + 1)), span(left.size());
        for (int x = first; x <= last; ++x) {
            const int cx = int((icurx + x * idx) >> 16);
            left[size_t(x - first)] = std::max(cx - reach, 0);
            span[size_t(x - first)] =
                std::min(cx + reach, src.width - 1) + 1 - left[size_t(x - first)];
        }
        const int count = last - first + 1;
        const int colLo = left.front(), colHi = left.back() + span.back() - 1;
        // Columns whose kernel is whole: a run in the middle, as the walk moves forward.
        int fullFromColumn = 0, fullToColumn = count - 1;
        while (fullFromColumn < count && span[size_t(fullFromColumn)] != Kernel)
            ++fullFromColumn;
        while (fullToColumn >= fullFromColumn && span[size_t(fullToColumn)] != Kernel)
            --fullToColumn;
        const size_t columns = size_t(count);
        std::vector<uint16_t> lanes(4 * columns);
        std::vector<PIX_pixel> means(columns);
        std::vector<uint32_t> sums(2 * size_t(colHi - colLo + 1));
        uint32_t* const ag = sums.data() - colLo;
        uint32_t* const rb = ag + (colHi - colLo + 1);

        for (int y = 0; y < h; ++y, dest += destStep, icury += idy) {
            const int64_t cy = icury >> 16;
            if (icury < 0 || cy >= src.height) continue;
            const int64_t top = std::max<int64_t>(cy - reach, 0);
            const int64_t bottom = std::min<int64_t>(cy + reach, src.height - 1);
            const unsigned rows = unsigned(bottom - top + 1);
            const PIX_pixel* kernelRows[Kernel];
            for (unsigned i = 0; i < rows; ++i)
                kernelRows[i] = src.row(top + i);
            if (rows == Kernel)
                PIX_SumColumns<Kernel>(kernelRows, Kernel, colLo, colHi, ag, rb);
            else
                PIX_SumColumns<0>(kernelRows, rows, colLo, colHi, ag, rb);
            // Each pixel's kernel sums, one 16-bit lane per channel in the pixel's byte order.
            for (int i = 0; i < count; ++i) {
                const int l = left[size_t(i)], n = span[size_t(i)];
                uint32_t sumAg = 0, sumRb = 0;
                if (n == Kernel) {
                    for (int k = 0; k < Kernel; ++k) { // unrolled: the kernel's width is fixed
                        sumAg += ag[l + k];
                        sumRb += rb[l + k];
                    }
                } else {
                    for (int k = 0; k < n; ++k) {
                        sumAg += ag[l + k];
                        sumRb += rb[l + k];
                    }
                }
                uint16_t* lane = &lanes[4 * size_t(i)];
                lane[PIX_A] = uint16_t(sumAg);
                lane[PIX_R] = uint16_t(sumRb);
                lane[PIX_G] = uint16_t(sumAg >> 16);
                lane[PIX_B] = uint16_t(sumRb >> 16);
            }
            // Means straight into the pixels' bytes: where the whole kernel fits they all
            // divide by Kernel x Kernel, in one loop that vectorises; the cut kernels follow.
            auto* bytes = reinterpret_cast<unsigned char*>(means.data());
            int fullFrom = count, fullTo = count - 1;
            if (rows == Kernel) {
                fullFrom = fullFromColumn;
                fullTo = fullToColumn;
                constexpr uint32_t m = kPIX_MeanReciprocal[Kernel * Kernel];
                for (size_t j = 4 * size_t(fullFrom); j < 4 * size_t(fullTo + 1); ++j)
                    bytes[j] = PIX_MeanLane(lanes[j], m);
            }
            for (int i = 0; i < count; ++i) {
                if (i == fullFrom) i = fullTo + 1;
                if (i >= count) break;
                const uint32_t m = kPIX_MeanReciprocal[rows * unsigned(span[size_t(i)])];
                for (size_t j = 4 * size_t(i); j < 4 * size_t(i) + 4; ++j)
                    bytes[j] = PIX_MeanLane(lanes[j], m);
            }
            PIX_CombineRow<COMB>(dest + first, means.data(), count, weight);
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
