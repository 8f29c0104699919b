#include "pix_combine.h"

void __PIX_RGB2HSV(int r, int g, int b, int* h, int* s, int* v) {
    int base, delta, n, value;
    if (g > r) {
        if (g > b) {
            value = g;
            base = 128;
            delta = g - std::min(b, r);
            n = b - r;
        } else {
            value = b;
            base = 256;
            delta = b - std::min(g, r);
            n = r - g;
        }
    } else if (r > b) {
        value = r;
        n = g - b;
        if (g < b) {
            base = 383;
            delta = r - g;
        } else {
            base = 0;
            delta = r - b;
        }
    } else {
        value = b;
        base = 256;
        delta = b - std::min(g, r);
        n = r - g;
    }
    const auto& inv = __PIX_RGB2HSV_invtab;
    *h = base + n * (inv[delta & 0xff] + 1) / 1024;
    *s = delta * inv[value & 0xff] / 256;
    *v = value;
}

PIX_pixel __PIX_HSV2Pix(int h, int s, int v, int alpha) {
    const int low = v * (256 - s) / 256;
    const auto ramp = [v, s](int t) { return v * (16384 - t * s) / 16384; };
    int r, g, b;
    if (h < 64) {
        r = v, g = ramp(64 - h), b = low;
    } else if (h < 128) {
        r = ramp(h - 64), g = v, b = low;
    } else if (h < 192) {
        r = low, g = v, b = ramp(64 - (h - 128));
    } else if (h < 256) {
        r = low, g = ramp(h - 192), b = v;
    } else if (h < 320) {
        r = ramp(64 - (h - 256)), g = low, b = v;
    } else {
        r = v, g = low, b = ramp(h - 320);
    }
    return PIX_RGBA(r, g, b, alpha);
}

namespace {

template <bool Clamp>
void CombineInto(PIX_pixel* dest, int r, int g, int b, int a, int w, int mode) {
    if (!dest) return;
    PIX_WithCombiner<Clamp>(mode, PIX_LimitWeight(w), [&](auto combiner) {
        decltype(combiner)::doPix(reinterpret_cast<unsigned char*>(dest), r, g, b, a,
                                  PIX_LimitWeight(w));
    });
}

} // namespace

PIX_pixel PIX_CombinePixels(PIX_pixel dest, PIX_pixel src, float alpha, int mode) {
    CombineInto<false>(&dest, PIX_GETR(src), PIX_GETG(src), PIX_GETB(src), PIX_GETA(src),
                       PIX_WeightFromAlpha(alpha), mode);
    return dest;
}

void PIX_CombinePixels2(PIX_pixel* dest, int r, int g, int b, int a, int w, int mode) {
    CombineInto<false>(dest, r, g, b, a, w, mode);
}

void PIX_CombinePixels2Clamp(PIX_pixel* dest, int r, int g, int b, int a, int w, int mode) {
    CombineInto<true>(dest, r, g, b, a, w, mode);
}
