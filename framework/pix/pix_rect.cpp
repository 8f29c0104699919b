#include "pix_combine.h"
#include "pix_surface.h"

#include <cmath>

namespace {

// Calls visit(Class{}, value) with the whole-pixel class and its prepared value that the copy
// mode uses for the weights 1, 3/4, 1/2 and 1/4; false, calling nothing, for other weights.
template <class Visitor> bool WithCopyMix(PIX_pixel color, int w, Visitor&& visit) {
    switch (w) {
    case 256:
        visit(_PIX_CombinePixelsClobberFAST{}, color);
        return true;
    case 192:
        visit(_PIX_CombinePixelsThreeQuarterMix2FAST{}, PIX_Half(color) + PIX_Quarter(color));
        return true;
    case 128:
        visit(_PIX_CombinePixelsHalfMix2FAST{}, PIX_Half(color));
        return true;
    case 64:
        visit(_PIX_CombinePixelsQuarterMix2FAST{}, PIX_Quarter(color));
        return true;
    default:
        return false;
    }
}

// Runs fn(PIX_pixel*) over every pixel of the clipped rectangle, rows from the top.
template <class Fn> void ForEachPixel(const PIX_Surface& s, int x, int y, int w, int h, Fn&& fn) {
    for (int row = 0; row < h; ++row) {
        PIX_pixel* p = s.at(x, y + row);
        for (int col = 0; col < w; ++col)
            fn(p + col);
    }
}

template <class Fn> void ForEachPixel(const PIX_Surface& s, Fn&& fn) {
    ForEachPixel(s, 0, 0, s.width, s.height, fn);
}

} // namespace

void PIX_PutPixel(PIX_IBitmap* bm, int x, int y, PIX_pixel color, float alpha, int mode) {
    const PIX_Surface s = PIX_SurfaceOf(bm);
    if (!s || x < 0 || y < 0 || x >= s.width || y >= s.height) return;
    PIX_pixel* p = s.at(x, y);
    const int w = PIX_WeightFromAlpha(alpha);
    if ((mode & PIX_COMBINE_MODE_MASK) == PIX_COMBINE_COPY &&
        WithCopyMix(color, w, [p](auto mix, PIX_pixel v) { decltype(mix)::doPixFAST(p, v); }))
        return;
    PIX_WithCombiner<false>(mode & ~PIX_COMBINE_USE_SOURCE_ALPHA, w, [&](auto combiner) {
        decltype(combiner)::doPix(reinterpret_cast<unsigned char*>(p), PIX_GETR(color),
                                  PIX_GETG(color), PIX_GETB(color), PIX_GETA(color), w);
    });
}

PIX_pixel PIX_GetPixel(PIX_IBitmap* bm, int x, int y) {
    const PIX_Surface s = PIX_SurfaceOf(bm);
    if (!s || x < 0 || y < 0 || x >= s.width || y >= s.height) return 0;
    return *s.at(x, y);
}

void PIX_Clear(PIX_IBitmap* bm, PIX_pixel color) {
    ForEachPixel(PIX_SurfaceOf(bm), [color](PIX_pixel* p) { *p = color; });
}

void PIX_ClearRect(PIX_IBitmap* bm, int x, int y, int w, int h, PIX_pixel mask, PIX_pixel orbits) {
    const PIX_Surface s = PIX_SurfaceOf(bm);
    if (!s || !PIX_ClipRect(x, y, w, h, s.width, s.height)) return;
    ForEachPixel(s, x, y, w, h, [mask, orbits](PIX_pixel* p) { *p = (*p & mask) | orbits; });
}

void PIX_FillRect(PIX_IBitmap* bm, int x, int y, int w, int h, PIX_pixel color, float alpha,
                  int mode) {
    if (mode & PIX_COMBINE_USE_SOURCE_ALPHA) alpha *= PIX_GETA(color) / 255.0f;
    const PIX_Surface s = PIX_SurfaceOf(bm);
    if (alpha == 0.0f || !s || !PIX_ClipRect(x, y, w, h, s.width, s.height)) return;

    const int iw = PIX_WeightFromAlpha(alpha);
    if ((mode & PIX_COMBINE_MODE_MASK) == PIX_COMBINE_COPY &&
        WithCopyMix(color, iw, [&](auto mix, PIX_pixel v) {
            using Mix = decltype(mix);
            ForEachPixel(s, x, y, w, h, [v](PIX_pixel* p) { Mix::doPixFAST(p, v); });
        }))
        return;
    // The weight stands in for the colour's alpha, so a partial fill moves the destination
    // alpha toward the weight.
    const int r = PIX_GETR(color), g = PIX_GETG(color), b = PIX_GETB(color);
    PIX_WithCombiner<false>(mode & ~PIX_COMBINE_USE_SOURCE_ALPHA, iw, [&](auto combiner) {
        ForEachPixel(s, x, y, w, h, [&](PIX_pixel* p) {
            decltype(combiner)::doPix(reinterpret_cast<unsigned char*>(p), r, g, b, iw, iw);
        });
    });
}

void PIX_MultiplyAddRect(PIX_IBitmap* bm, int x, int y, int w, int h, float rsc, float gsc,
                         float bsc, float asc, float radd, float gadd, float badd, float aadd) {
    const PIX_Surface s = PIX_SurfaceOf(bm);
    if (!s || !PIX_ClipRect(x, y, w, h, s.width, s.height)) return;
    // In 1/256 steps; scales held within +-16 and adds within +-65536 so that nothing overflows.
    const auto addend = [](float v) {
        return std::isnan(v) ? 0 : int(std::clamp(double(v) * 256.0, -16777216.0, 16777216.0));
    };
    const int scale[4] = {PIX_WeightFromAlpha(asc), PIX_WeightFromAlpha(rsc),
                          PIX_WeightFromAlpha(gsc), PIX_WeightFromAlpha(bsc)};
    const int add[4] = {addend(aadd), addend(radd), addend(gadd), addend(badd)};
    ForEachPixel(s, x, y, w, h, [&](PIX_pixel* p) {
        auto* bytes = reinterpret_cast<unsigned char*>(p);
        for (int c = 0; c < 4; ++c)
            bytes[c] =
                static_cast<unsigned char>(PIX_ClampByte((bytes[c] * scale[c] + add[c]) >> 8));
    });
}

void PIX_ProcessRect(PIX_IBitmap* bm, int x, int y, int w, int h, PIX_ProcessRectCallback callback,
                     void* context) {
    const PIX_Surface s = PIX_SurfaceOf(bm);
    if (!callback || !s || !PIX_ClipRect(x, y, w, h, s.width, s.height)) return;
    ForEachPixel(s, x, y, w, h, [callback, context](PIX_pixel* p) { callback(p, context); });
}

void PIX_SetAlphaFromColorMask(PIX_IBitmap* bm, PIX_pixel color) {
    ForEachPixel(PIX_SurfaceOf(bm), [color](PIX_pixel* p) {
        const PIX_pixel rgb = *p & ~PIX_pixel(0xff);
        *p = rgb == color ? rgb : rgb | 0xff;
    });
}

void PIX_SimpleFill(PIX_IBitmap* bm, int x, int y, PIX_pixel newcolor, PIX_pixel comparemask,
                    PIX_pixel keepmask) {
    const PIX_Surface s = PIX_SurfaceOf(bm);
    if (!s || x < 0 || y < 0 || x >= s.width || y >= s.height) return;
    const PIX_pixel reference = *s.at(x, y) & comparemask;
    const auto matches = [&](PIX_pixel p) { return (p & comparemask) == reference; };
    const auto paint = [&](PIX_pixel& p) { p = (p & keepmask) | newcolor; };

    // Fills the run through column x of one row; false when that row's column x does not match.
    const auto fillRow = [&](int row) {
        PIX_pixel* p = s.row(row);
        if (!matches(p[x])) return false;
        paint(p[x]);
        for (int col = x + 1; col < s.width && matches(p[col]); ++col)
            paint(p[col]);
        for (int col = x - 1; col >= 0 && matches(p[col]); --col)
            paint(p[col]);
        return true;
    };
    for (int row = y; row < s.height && fillRow(row); ++row) {
    }
    for (int row = y - 1; row >= 0 && fillRow(row); --row) {
    }
}

void PIX_GradRect(PIX_IBitmap* bm, int x, int y, int w, int h, float ir, float ig, float ib,
                  float ia, float drdx, float dgdx, float dbdx, float dadx, float drdy, float dgdy,
                  float dbdy, float dady, int mode) {
    const PIX_Surface s = PIX_SurfaceOf(bm);
    const int x0 = x, y0 = y;
    if (!s || !PIX_ClipRect(x, y, w, h, s.width, s.height)) return;

    // Channels in 16.16 fixed point of 0..255, the start moved to the first visible pixel.
    const auto fixed = [](double v) { return PIX_ToFixed(v * 255.0); };
    const double skipX = x - x0, skipY = y - y0;
    int start[4] = {
        fixed(ir + drdx * skipX + drdy * skipY), fixed(ig + dgdx * skipX + dgdy * skipY),
        fixed(ib + dbdx * skipX + dbdy * skipY), fixed(ia + dadx * skipX + dady * skipY)};
    const int stepX[4] = {fixed(drdx), fixed(dgdx), fixed(dbdx), fixed(dadx)};
    const int stepY[4] = {fixed(drdy), fixed(dgdy), fixed(dbdy), fixed(dady)};

    // The walk runs in 64 bits so that long ramps cannot overflow; channels clamp to 0..255.
    PIX_WithCombiner<true>(mode, 256, [&](auto combiner) {
        int64_t rowStart[4] = {start[0], start[1], start[2], start[3]};
        for (int row = 0; row < h; ++row) {
            int64_t c[4] = {rowStart[0], rowStart[1], rowStart[2], rowStart[3]};
            PIX_pixel* p = s.at(x, y + row);
            for (int col = 0; col < w; ++col) {
                const auto channel = [&](int i) {
                    return int(std::clamp<int64_t>(c[i] >> 16, 0, 255));
                };
                decltype(combiner)::doPix(reinterpret_cast<unsigned char*>(p + col), channel(0),
                                          channel(1), channel(2), channel(3), 256);
                for (int i = 0; i < 4; ++i)
                    c[i] += stepX[i];
            }
            for (int i = 0; i < 4; ++i)
                rowStart[i] += stepY[i];
        }
    });
}
