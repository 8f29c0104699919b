#pragma once

// Pixel combine classes. Each has one static operation that merges source channel values into
// the four bytes of a destination pixel (alpha, red, green, blue in memory) with an integer
// weight (256 = full). Operations are chosen once per drawing call through PIX_WithCombiner, so
// loops are instantiated per class and carry no dispatch.
//
// Divisions truncate toward zero, so negative differences round toward zero, not downward.

#include "pix.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "pixels are addressed byte by byte in little-endian order");

// Byte positions of the channels inside a pixel in memory.
enum {
    PIX_A = PIX_BYTEPOS_ALPHA,
    PIX_R = PIX_BYTEPOS_RED,
    PIX_G = PIX_BYTEPOS_GREEN,
    PIX_B = PIX_BYTEPOS_BLUE
};

inline int PIX_ClampByte(int v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

inline void _PIX_MakePixelClamp(unsigned char* dest, int r, int g, int b, int a) {
    dest[PIX_R] = static_cast<unsigned char>(PIX_ClampByte(r));
    dest[PIX_G] = static_cast<unsigned char>(PIX_ClampByte(g));
    dest[PIX_B] = static_cast<unsigned char>(PIX_ClampByte(b));
    dest[PIX_A] = static_cast<unsigned char>(PIX_ClampByte(a));
}

inline void _PIX_MakePixelNoClamp(unsigned char* dest, int r, int g, int b, int a) {
    dest[PIX_R] = static_cast<unsigned char>(r);
    dest[PIX_G] = static_cast<unsigned char>(g);
    dest[PIX_B] = static_cast<unsigned char>(b);
    dest[PIX_A] = static_cast<unsigned char>(a);
}

template <bool Clamp> inline void PIX_MakePixel(unsigned char* dest, int r, int g, int b, int a) {
    if (Clamp)
        _PIX_MakePixelClamp(dest, r, g, b, a);
    else
        _PIX_MakePixelNoClamp(dest, r, g, b, a);
}

// Weight of a source pixel scaled by its own alpha.
inline int PIX_SourceAlphaWeight(int w, int a) {
    return w * (a + 1) / 256;
}

// ---------------------------------------------------------------------------------------------
// Per-channel classes, each formula written once and instantiated per store.

template <bool Clamp> struct PIX_CombineClobber {
    static void doPix(unsigned char* dest, int r, int g, int b, int a, int) {
        PIX_MakePixel<Clamp>(dest, r, g, b, a);
    }
};

template <bool Clamp> struct PIX_CombineCopy {
    static int mix(int d, int s, int inv) { return s + (d - s) * inv / 256; }
    static void doPix(unsigned char* dest, int r, int g, int b, int a, int w) {
        const int inv = 256 - w;
        PIX_MakePixel<Clamp>(dest, mix(dest[PIX_R], r, inv), mix(dest[PIX_G], g, inv),
                             mix(dest[PIX_B], b, inv), mix(dest[PIX_A], a, inv));
    }
};

struct _PIX_CombinePixelsHalfMixNoClamp {
    static void doPix(unsigned char* dest, int r, int g, int b, int a, int) {
        _PIX_MakePixelNoClamp(dest, (r + dest[PIX_R]) >> 1, (g + dest[PIX_G]) >> 1,
                              (b + dest[PIX_B]) >> 1, (a + dest[PIX_A]) >> 1);
    }
};

struct _PIX_CombinePixelsAdd {
    static void doPix(unsigned char* dest, int r, int g, int b, int a, int w) {
        _PIX_MakePixelClamp(dest, dest[PIX_R] + r * w / 256, dest[PIX_G] + g * w / 256,
                            dest[PIX_B] + b * w / 256, dest[PIX_A] + a * w / 256);
    }
};

struct _PIX_CombinePixelsColorDodge {
    static int dodge(int d, int s, int w) {
        const int q = 256 - s * w / 256;
        return q > 1 ? (d << 8) / q : d << 8;
    }
    static void doPix(unsigned char* dest, int r, int g, int b, int a, int w) {
        _PIX_MakePixelClamp(dest, dodge(dest[PIX_R], r, w), dodge(dest[PIX_G], g, w),
                            dodge(dest[PIX_B], b, w), dodge(dest[PIX_A], a, w));
    }
};

template <bool Clamp> struct PIX_CombineMul {
    static void doPix(unsigned char* dest, int r, int g, int b, int a, int w) {
        const int keep = (256 - w) * 256; // (256 - w) << 8, defined for negative values too
        PIX_MakePixel<Clamp>(
            dest, (dest[PIX_R] * (keep + r * w)) >> 16, (dest[PIX_G] * (keep + g * w)) >> 16,
            (dest[PIX_B] * (keep + b * w)) >> 16, (dest[PIX_A] * (keep + a * w)) >> 16);
    }
};

struct _PIX_CombinePixelsOverlay {
    static int overlay(int d, int s, int w) {
        const int k = s * w + (256 - w) * 128; // (256 - w) << 7
        return (d * (d * (32768 - k) / 256 + k)) >> 15;
    }
    static void doPix(unsigned char* dest, int r, int g, int b, int a, int w) {
        _PIX_MakePixelClamp(dest, overlay(dest[PIX_R], r, w), overlay(dest[PIX_G], g, w),
                            overlay(dest[PIX_B], b, w), overlay(dest[PIX_A], a, w));
    }
};

// ---------------------------------------------------------------------------------------------
// Hue (0..383, six sectors of 64), saturation and value (0..255) in integers.

// __PIX_RGB2HSV_invtab[i] = 65536 / i - 1 (and 0 for 0): division by a channel as a multiply.
inline constexpr std::array<unsigned short, 256> __PIX_RGB2HSV_invtab = [] {
    std::array<unsigned short, 256> table{};
    for (int i = 1; i < 256; ++i)
        table[i] = static_cast<unsigned short>(65536 / i - 1);
    return table;
}();

void __PIX_RGB2HSV(int r, int g, int b, int* h, int* s, int* v);
PIX_pixel __PIX_HSV2Pix(int h, int s, int v, int alpha);

struct _PIX_CombinePixelsHSVAdjust {
    // r moves the hue (128 keeps it), g the saturation and b the value (128 keeps them).
    static void doPix(unsigned char* dest, int r, int g, int b, int a, int w) {
        int h, s, v;
        __PIX_RGB2HSV(dest[PIX_R], dest[PIX_G], dest[PIX_B], &h, &s, &v);
        h += (r + r / 2 - 192) * w / 256;
        if (h < 0)
            h += 384;
        else if (h >= 384)
            h -= 384;
        s = PIX_ClampByte(s + (g - 128) * w / 128);
        v = PIX_ClampByte(v + (b - 128) * w / 128);
        const PIX_pixel p = __PIX_HSV2Pix(h, s, v, a);
        _PIX_MakePixelNoClamp(dest, PIX_GETR(p), PIX_GETG(p), PIX_GETB(p), PIX_GETA(p));
    }
};

// ---------------------------------------------------------------------------------------------
// Source-alpha classes: the weight is scaled by the source pixel's alpha first.

template <bool Clamp> struct PIX_CombineCopySourceAlpha {
    static void doPix(unsigned char* dest, int r, int g, int b, int a, int w) {
        if (a == 0) return;
        const int w2 = PIX_SourceAlphaWeight(w, a);
        const int inv = 256 - w2;
        const int alpha = Clamp ? w2 + dest[PIX_A] : std::min(255, w2 + dest[PIX_A]);
        PIX_MakePixel<Clamp>(dest, PIX_CombineCopy<Clamp>::mix(dest[PIX_R], r, inv),
                             PIX_CombineCopy<Clamp>::mix(dest[PIX_G], g, inv),
                             PIX_CombineCopy<Clamp>::mix(dest[PIX_B], b, inv), alpha);
    }
};

// Full weight: the source alpha alone decides, and opaque pixels are stored exactly.
template <bool Clamp> struct PIX_CombineCopySourceAlphaIgnoreAlphaParm {
    static void doPix(unsigned char* dest, int r, int g, int b, int a, int) {
        if (a == 0) return;
        if (a == 255) {
            PIX_MakePixel<Clamp>(dest, r, g, b, 255);
            return;
        }
        const int inv = 255 - a;
        const int alpha = Clamp ? a + dest[PIX_A] : std::min(255, a + dest[PIX_A]);
        PIX_MakePixel<Clamp>(dest, PIX_CombineCopy<Clamp>::mix(dest[PIX_R], r, inv),
                             PIX_CombineCopy<Clamp>::mix(dest[PIX_G], g, inv),
                             PIX_CombineCopy<Clamp>::mix(dest[PIX_B], b, inv), alpha);
    }

    // doPix over a row of source pixels, four at a time. Both stores agree for pixel inputs.
    static void doRow(PIX_pixel* dest, const PIX_pixel* src, int n);
};

// Four pixels of the source-alpha copy at full weight, lane by lane. Per colour channel
// S + (D - S) (255 - a) / 256, truncated toward zero, equals
// (S (a + 1) + D (255 - a) + (D < S ? 255 : 0)) >> 8, whose every term and sum fits 16 bits;
// two channels share each 32-bit lane. a = 255 gives S, as the exact store does.
typedef uint32_t PIX_u32x4 __attribute__((vector_size(16)));
typedef uint16_t PIX_u16x8 __attribute__((vector_size(16)));
typedef int16_t PIX_i16x8 __attribute__((vector_size(16)));
typedef int32_t PIX_i32x4 __attribute__((vector_size(16)));

inline PIX_u32x4 PIX_SourceAlphaOver4(PIX_u32x4 d, PIX_u32x4 s) {
    const PIX_u32x4 a = s & 0xff;
    const PIX_u16x8 take = PIX_u16x8(a | a << 16) + 1;
    const auto pairs = [&](PIX_u32x4 dv, PIX_u32x4 sv) {
        const PIX_u16x8 dc = PIX_u16x8(dv), sc = PIX_u16x8(sv);
        // Channels are below 256, so the signed compare serves and is one instruction.
        const PIX_u16x8 below = PIX_u16x8(PIX_i16x8(dc) < PIX_i16x8(sc)) & 255;
        return PIX_u32x4((sc * take + dc * (256 - take) + below) >> 8);
    };
    const PIX_u32x4 ag = pairs(d & 0x00ff00ff, s & 0x00ff00ff);
    const PIX_u32x4 rb = pairs((d >> 8) & 0x00ff00ff, (s >> 8) & 0x00ff00ff);
    const PIX_u32x4 sum = a + (d & 0xff);
    const PIX_u32x4 full = PIX_u32x4(PIX_i32x4(sum) > 255);
    const PIX_u32x4 blended = ((ag | rb << 8) & ~0xffu) | (sum & ~full) | (255 & full);
    const PIX_u32x4 transparent = PIX_u32x4(a == 0);
    return (d & transparent) | (blended & ~transparent);
}

template <bool Clamp>
void PIX_CombineCopySourceAlphaIgnoreAlphaParm<Clamp>::doRow(PIX_pixel* dest, const PIX_pixel* src,
                                                             int n) {
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        PIX_u32x4 d, s;
        std::memcpy(&s, src + i, sizeof(s));
        // Opaque and transparent runs, the bulk of most images, skip the arithmetic.
        const PIX_pixel all = src[i] & src[i + 1] & src[i + 2] & src[i + 3];
        const PIX_pixel any = src[i] | src[i + 1] | src[i + 2] | src[i + 3];
        if ((all & 0xff) == 0xff) {
            std::memcpy(dest + i, &s, sizeof(s));
        } else if (any & 0xff) {
            std::memcpy(&d, dest + i, sizeof(d));
            d = PIX_SourceAlphaOver4(d, s);
            std::memcpy(dest + i, &d, sizeof(d));
        }
    }
    for (; i < n; ++i)
        doPix(reinterpret_cast<unsigned char*>(dest + i), PIX_GETR(src[i]), PIX_GETG(src[i]),
              PIX_GETB(src[i]), PIX_GETA(src[i]), 256);
}

// Runs Base with the alpha-scaled weight; SkipTransparent leaves the pixel alone when a is 0.
template <class Base, bool SkipTransparent> struct PIX_CombineWithSourceAlpha {
    static void doPix(unsigned char* dest, int r, int g, int b, int a, int w) {
        if (SkipTransparent && a == 0) return;
        Base::doPix(dest, r, g, b, a, PIX_SourceAlphaWeight(w, a));
    }
};

// ---------------------------------------------------------------------------------------------
// The classes under their names.

using _PIX_CombinePixelsClobberNoClamp = PIX_CombineClobber<false>;
using _PIX_CombinePixelsClobberClamp = PIX_CombineClobber<true>;
using _PIX_CombinePixelsCopyNoClamp = PIX_CombineCopy<false>;
using _PIX_CombinePixelsCopyClamp = PIX_CombineCopy<true>;
using _PIX_CombinePixelsMulNoClamp = PIX_CombineMul<false>;
using _PIX_CombinePixelsMulClamp = PIX_CombineMul<true>;
using _PIX_CombinePixelsCopySourceAlphaNoClamp = PIX_CombineCopySourceAlpha<false>;
using _PIX_CombinePixelsCopySourceAlphaClamp = PIX_CombineCopySourceAlpha<true>;
using _PIX_CombinePixelsCopySourceAlphaIgnoreAlphaParmNoClamp =
    PIX_CombineCopySourceAlphaIgnoreAlphaParm<false>;
using _PIX_CombinePixelsCopySourceAlphaIgnoreAlphaParmClamp =
    PIX_CombineCopySourceAlphaIgnoreAlphaParm<true>;
using _PIX_CombinePixelsAddSourceAlpha = PIX_CombineWithSourceAlpha<_PIX_CombinePixelsAdd, true>;
using _PIX_CombinePixelsColorDodgeSourceAlpha =
    PIX_CombineWithSourceAlpha<_PIX_CombinePixelsColorDodge, false>;
using _PIX_CombinePixelsMulSourceAlphaNoClamp =
    PIX_CombineWithSourceAlpha<_PIX_CombinePixelsMulNoClamp, true>;
using _PIX_CombinePixelsMulSourceAlphaClamp =
    PIX_CombineWithSourceAlpha<_PIX_CombinePixelsMulClamp, true>;
using _PIX_CombinePixelsOverlaySourceAlpha =
    PIX_CombineWithSourceAlpha<_PIX_CombinePixelsOverlay, false>;
using _PIX_CombinePixelsHSVAdjustSourceAlpha =
    PIX_CombineWithSourceAlpha<_PIX_CombinePixelsHSVAdjust, false>;

// ---------------------------------------------------------------------------------------------
// Whole-pixel classes: per-byte masks keep carries inside each channel. The value handed in is
// prepared by the caller as each class states.

constexpr PIX_pixel PIX_HALF_MASK = 0x7f7f7f7f;
constexpr PIX_pixel PIX_QUARTER_MASK = 0x3f3f3f3f;
constexpr PIX_pixel PIX_EIGHTH_MASK = 0x1f1f1f1f;

inline PIX_pixel PIX_Half(PIX_pixel v) {
    return (v >> 1) & PIX_HALF_MASK;
}
inline PIX_pixel PIX_Quarter(PIX_pixel v) {
    return (v >> 2) & PIX_QUARTER_MASK;
}
inline PIX_pixel PIX_Eighth(PIX_pixel v) {
    return (v >> 3) & PIX_EIGHTH_MASK;
}

struct _PIX_CombinePixelsClobberFAST {
    static void doPixFAST(PIX_pixel* dest, PIX_pixel v) { *dest = v; }
};

// v: the new colour itself.
struct _PIX_CombinePixelsHalfMixFAST {
    static void doPixFAST(PIX_pixel* dest, PIX_pixel v) { *dest = PIX_Half(*dest) + PIX_Half(v); }
};

// v: PIX_Half(colour).
struct _PIX_CombinePixelsHalfMix2FAST {
    static void doPixFAST(PIX_pixel* dest, PIX_pixel v) { *dest = v + PIX_Half(*dest); }
};

// v: PIX_Quarter(colour).
struct _PIX_CombinePixelsQuarterMix2FAST {
    static void doPixFAST(PIX_pixel* dest, PIX_pixel v) {
        *dest = PIX_Half(*dest) + PIX_Quarter(*dest) + v;
    }
};

// v: PIX_Half(colour) + PIX_Quarter(colour).
struct _PIX_CombinePixelsThreeQuarterMix2FAST {
    static void doPixFAST(PIX_pixel* dest, PIX_pixel v) { *dest = v + PIX_Quarter(*dest); }
};

// ---------------------------------------------------------------------------------------------
// Dispatch by mode word. Calls visit(Class{}) with the class for the operation byte and the
// source-alpha bit, from the plain (Clamp false) or clamping family; returns false, calling
// nothing, when the operation draws nothing (weight 0, copy at a weight below 0 without source
// alpha, unknown operation byte).

template <bool Clamp, class Visitor> bool PIX_WithCombiner(int mode, int w, Visitor&& visit) {
    if (w == 0) return false;
    if (mode & PIX_COMBINE_USE_SOURCE_ALPHA) {
        switch (mode & PIX_COMBINE_MODE_MASK) {
        case PIX_COMBINE_COPY:
            if (w == 256)
                visit(PIX_CombineCopySourceAlphaIgnoreAlphaParm<Clamp>{});
            else
                visit(PIX_CombineCopySourceAlpha<Clamp>{});
            return true;
        case PIX_COMBINE_ADD:
            visit(_PIX_CombinePixelsAddSourceAlpha{});
            return true;
        case PIX_COMBINE_DODGE:
            visit(_PIX_CombinePixelsColorDodgeSourceAlpha{});
            return true;
        case PIX_COMBINE_MUL:
            visit(PIX_CombineWithSourceAlpha<PIX_CombineMul<Clamp>, true>{});
            return true;
        case PIX_COMBINE_OVERLAY:
            visit(_PIX_CombinePixelsOverlaySourceAlpha{});
            return true;
        case PIX_COMBINE_HSVADJUST:
            visit(_PIX_CombinePixelsHSVAdjustSourceAlpha{});
            return true;
        default:
            return false;
        }
    }
    switch (mode & PIX_COMBINE_MODE_MASK) {
    case PIX_COMBINE_COPY:
        if (w == 256)
            visit(PIX_CombineClobber<Clamp>{});
        else if (w > 0)
            visit(PIX_CombineCopy<Clamp>{});
        else
            return false;
        return true;
    case PIX_COMBINE_ADD:
        visit(_PIX_CombinePixelsAdd{});
        return true;
    case PIX_COMBINE_DODGE:
        visit(_PIX_CombinePixelsColorDodge{});
        return true;
    case PIX_COMBINE_MUL:
        visit(PIX_CombineMul<Clamp>{});
        return true;
    case PIX_COMBINE_OVERLAY:
        visit(_PIX_CombinePixelsOverlay{});
        return true;
    case PIX_COMBINE_HSVADJUST:
        visit(_PIX_CombinePixelsHSVAdjust{});
        return true;
    default:
        return false;
    }
}

// Integer weight of an opacity: alpha x 256 truncated, held within +-16 x 256 (NaN gives 0).
inline int PIX_WeightFromAlpha(double alpha) {
    const double w = alpha * 256.0;
    if (!(w > -4096.0)) return w <= -4096.0 ? -4096 : 0;
    return w >= 4096.0 ? 4096 : static_cast<int>(w);
}

// An integer weight held within the same range.
inline int PIX_LimitWeight(int w) {
    return w < -4096 ? -4096 : w > 4096 ? 4096 : w;
}
