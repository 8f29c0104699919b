// Resampling blits: scaled, rotated, delta (affine walk) and transform blits.

#include "pix_sample.h"

#include <cmath>

namespace {

// Mirrors a negative destination size: the source walk then starts at its far edge.
void Mirror(int64_t& dst, int64_t& size, double& src, double& span) {
    if (size >= 0) return;
    size = -size;
    dst -= size;
    src += span;
    span = -span;
}

bool NearWhole(double v) {
    return std::fabs(v - std::floor(v + 0.5)) < 0.03;
}

// One axis of a scaled blit after mirroring, clipping to the destination and skipping samples
// before and after the source. False when nothing is left to draw.
struct ScaleAxis {
    int64_t dst, size; // destination start and length
    double src, span;  // source start and length (span negative when mirrored)
    double advance;    // source pixels per destination pixel
    int64_t pos, step; // 16.16 walk

    bool Clip(int destLimit, int srcLimit) {
        Mirror(dst, size, src, span);
        advance = double(float(span) / float(size));
        if (dst < 0) {
            src += double(-dst) * advance;
            size += dst;
            dst = 0;
        }
        if (size <= 0 || dst >= destLimit) return false;
        size = std::min<int64_t>(size, destLimit - dst);

        step = PIX_ToFixed(advance);
        pos = PIX_ToFixed64(src);
        // A backward walk starts one step in from its far edge, so that it meets the pixels
        // of the forward walk in reverse order.
        if (step < 0) pos += step;
        if (step > 0) {
            if (pos < 0) {
                const int64_t skip = (step - pos - 1) / step;
                size -= skip;
                dst += skip;
                pos += step * skip;
            }
            // Keep every sample that lies inside the source.
            if (((pos + step * (size - 1)) >> 16) >= srcLimit)
                size = (int64_t(srcLimit) * 65536 - 1 - pos) / step + 1;
        }
        return size >= 1;
    }

    // Source pixels the walk may read, counted from pixel 0.
    int Window(int srcLimit) const {
        const double end = src + std::max(span, 0.0) + 0.999999;
        return std::min(PIX_TruncToInt(end), srcLimit);
    }
};

} // namespace

void PIX_ScaledBlit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                    float srcx, float srcy, float srcw, float srch, float alpha, int mode) {
    if (!dest || !src || dstw == 0 || dsth == 0 || alpha == 0.0f) return;

    if (std::fabs(double(srcw) - dstw) < 0.001 && std::fabs(double(srch) - dsth) < 0.001 &&
        ((mode & 0xff00) != PIX_COMBINE_FILTER_BILINEAR || (NearWhole(srcx) && NearWhole(srcy)))) {
        // Rounded down, so that a negative origin lands where the scaled path would put it.
        const int64_t left = PIX_TruncToInt(std::floor(srcx + 0.5));
        const int64_t top = PIX_TruncToInt(std::floor(srcy + 0.5));
        PIX_BlitRect(dest, src, dstx, dsty, left, top, left + dstw, top + dsth, alpha, mode);
        return;
    }

    const PIX_SourceSnapshot snapshot(dest, src);
    const PIX_Surface d = PIX_SurfaceOf(dest), s = PIX_SurfaceOf(snapshot.get());
    if (!d || !s) return;
    ScaleAxis x{dstx, dstw, srcx, srcw, 0, 0, 0}, y{dsty, dsth, srcy, srch, 0, 0, 0};
    if (!x.Clip(d.width, s.width) || !y.Clip(d.height, s.height)) return;

    PIX_SourceWindow window;
    window.origin = s.origin;
    window.step = s.step;
    window.width = x.Window(s.width);
    window.height = y.Window(s.height);
    if (window.width < 1 || window.height < 1) return;

    PIX_pixel* out = d.at(int(x.dst), int(y.dst));
    const int w = PIX_WeightFromAlpha(alpha);
    const int width = int(x.size), height = int(y.size);
    if ((mode & 0x1ffff) == 0 && (w == 128 || w == 256)) {
        if (w == 256)
            _PIX_Template_Blit0<_PIX_CombinePixelsClobberFAST>::scaleBlitFAST(
                out, d.step, width, height, window, x.pos, y.pos, x.step, y.step);
        else
            _PIX_Template_Blit0<_PIX_CombinePixelsHalfMixFAST>::scaleBlitFAST(
                out, d.step, width, height, window, x.pos, y.pos, x.step, y.step);
        return;
    }
    if (!PIX_BlitWeightDraws(mode, w)) return;

    const bool bilinear = (mode & 0xff00) == PIX_COMBINE_FILTER_BILINEAR;
    const bool reduce = bilinear && x.advance >= 1.7 && y.advance >= 1.7;
    // Reductions of up to 3:1 average 3 x 3 pixels, larger ones 5 x 5.
    const bool wideKernel = std::max(x.step, y.step) > 0x30000;
    PIX_WithCombiner<false>(mode, w, [&](auto combiner) {
        using Blit = _PIX_Template_Blit2<decltype(combiner)>;
        if (!reduce)
            Blit::scaleBlit(out, d.step, width, height, window, x.pos, y.pos, x.step, y.step, w,
                            bilinear);
        else if (wideKernel)
            Blit::template scaleBlitFilterDown<5>(out, d.step, width, height, window, x.pos, y.pos,
                                                  x.step, y.step, w);
        else
            Blit::template scaleBlitFilterDown<3>(out, d.step, width, height, window, x.pos, y.pos,
                                                  x.step, y.step, w);
    });
}

namespace {

// Source area an affine walk may read, in source pixels.
struct ClipBox {
    double left, top, right, bottom;
};

ClipBox SourceClip(PIX_IBitmap* src, double srcx, double srcy, double srcw, double srch,
                   bool cliptosourcerect) {
    ClipBox box = {0, 0, double(src->getWidth()), double(src->getHeight())};
    if (cliptosourcerect) {
        box.left = std::max(srcx, 0.0);
        box.top = std::max(srcy, 0.0);
        box.right = std::min(box.right, srcx + srcw);
        box.bottom = std::min(box.bottom, srcy + srch);
    }
    return box;
}

// Affine geometry in source pixels, before conversion to fixed point.
struct Affine {
    double srcx, srcy;
    double dsdx, dtdx, dsdy, dtdy;
    double dsdxdy, dtdxdy;
};

struct Opacity {
    double alpha, dadx, dady, dadxdy;
};

// Clips the destination rectangle and walks the source through the affine map. With opacity,
// the weight follows it from pixel to pixel.
void AffineBlit(PIX_IBitmap* dest, PIX_IBitmap* src, int64_t dstx, int64_t dsty, int64_t dstw,
                int64_t dsth, Affine m, const ClipBox& clip, float alpha, int mode,
                Opacity* opacity) {
    // Skipped columns and rows move the start, and, where the per-pixel steps change from row
    // to row, also the row steps (and the per-pixel steps), so that the visible part is drawn
    // exactly as it would be unclipped.
    if (dstx < 0) {
        const double n = double(-dstx);
        m.srcx += n * m.dsdx;
        m.srcy += n * m.dtdx;
        m.dsdy += n * m.dsdxdy;
        m.dtdy += n * m.dtdxdy;
        if (opacity) {
            opacity->alpha += n * opacity->dadx;
            opacity->dady += n * opacity->dadxdy;
        }
        dstw += dstx;
        dstx = 0;
    }
    if (dsty < 0) {
        const double n = double(-dsty);
        m.srcy += n * m.dtdy;
        m.srcx += n * m.dsdy;
        m.dsdx += n * m.dsdxdy;
        m.dtdx += n * m.dtdxdy;
        if (opacity) {
            opacity->alpha += n * opacity->dady;
            opacity->dadx += n * opacity->dadxdy;
        }
        dsth += dsty;
        dsty = 0;
    }
    const PIX_SourceSnapshot snapshot(dest, src);
    const PIX_Surface d = PIX_SurfaceOf(dest), s = PIX_SurfaceOf(snapshot.get());
    if (!d || !s || dstw <= 0 || dsth <= 0 || dstx >= d.width || dsty >= d.height) return;
    const int width = int(std::min<int64_t>(dstw, d.width - dstx));
    const int height = int(std::min<int64_t>(dsth, d.height - dsty));

    const int l = PIX_TruncToInt(clip.left), t = PIX_TruncToInt(clip.top);
    const int r = std::min(PIX_TruncToInt(clip.right), s.width);
    const int b = std::min(PIX_TruncToInt(clip.bottom), s.height);
    if (l < 0 || t < 0 || int64_t(r) - l < 1 || int64_t(b) - t < 1) return;

    PIX_SourceWindow window;
    window.origin = s.at(l, t);
    window.step = s.step;
    window.width = r - l;
    window.height = b - t;
    const PIX_DeltaWalk walk = {PIX_ToFixed64(m.srcx - l), PIX_ToFixed64(m.srcy - t),
                                PIX_ToFixed64(m.dsdx),     PIX_ToFixed64(m.dtdx),
                                PIX_ToFixed64(m.dsdy),     PIX_ToFixed64(m.dtdy),
                                PIX_ToFixed64(m.dsdxdy),   PIX_ToFixed64(m.dtdxdy)};
    PIX_pixel* out = d.at(int(dstx), int(dsty));
    const bool bilinear = (mode & 0xff00) == PIX_COMBINE_FILTER_BILINEAR;

    if (opacity) {
        // The weight changes per pixel, so copy is the weighted blend, never the overwrite;
        // opacity is counted in 1/65536 of full weight.
        const PIX_OpacityWalk ramp = {PIX_ToFixed64(opacity->alpha), PIX_ToFixed64(opacity->dadx),
                                      PIX_ToFixed64(opacity->dady), PIX_ToFixed64(opacity->dadxdy)};
        const bool copy = (mode & PIX_COMBINE_MODE_MASK) == PIX_COMBINE_COPY;
        PIX_WithCombiner<false>(mode, 1, [&](auto combiner) {
            using Blit = _PIX_Template_Blit4<decltype(combiner)>;
            if (bilinear && copy)
                Blit::template deltaBlitAlpha<true, true>(out, d.step, width, height, window, walk,
                                                          ramp);
            else if (bilinear)
                Blit::template deltaBlitAlpha<true, false>(out, d.step, width, height, window, walk,
                                                           ramp);
            else if (copy)
                Blit::template deltaBlitAlpha<false, true>(out, d.step, width, height, window, walk,
                                                           ramp);
            else
                Blit::template deltaBlitAlpha<false, false>(out, d.step, width, height, window,
                                                            walk, ramp);
        });
        return;
    }

    const int w = PIX_WeightFromAlpha(alpha);
    if (!PIX_BlitWeightDraws(mode, w)) return;
    PIX_WithCombiner<false>(mode, w, [&](auto combiner) {
        using Blit = _PIX_Template_Blit3<decltype(combiner)>;
        if (bilinear)
            Blit::template deltaBlit<true>(out, d.step, width, height, window, walk, w);
        else
            Blit::template deltaBlit<false>(out, d.step, width, height, window, walk, w);
    });
}

void DeltaBlit(PIX_IBitmap* dest, PIX_IBitmap* src, int64_t dstx, int64_t dsty, int64_t dstw,
               int64_t dsth, double srcx, double srcy, double srcw, double srch, Affine m,
               bool cliptosourcerect, float alpha, int mode, Opacity* opacity) {
    if (!dest || !src || dstw == 0 || dsth == 0) return;
    const ClipBox clip = SourceClip(src, srcx, srcy, srcw, srch, cliptosourcerect);
    Mirror(dstx, dstw, srcx, srcw);
    Mirror(dsty, dsth, srcy, srch);
    m.srcx = srcx;
    m.srcy = srcy;
    AffineBlit(dest, src, dstx, dsty, dstw, dsth, m, clip, alpha, mode, opacity);
}

} // namespace

void PIX_RotatedBlit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                     float srcx, float srcy, float srcw, float srch, float angle,
                     bool cliptosourcerect, float alpha, int mode, float rotxcent, float rotycent) {
    if (!dest || !src || dstw == 0 || dsth == 0) return;
    const ClipBox clip = SourceClip(src, srcx, srcy, srcw, srch, cliptosourcerect);
    int64_t x = dstx, y = dsty, w = dstw, h = dsth;
    double sx = srcx, sy = srcy, sw = srcw, sh = srch;
    Mirror(x, w, sx, sw);
    Mirror(y, h, sy, sh);

    const double c = std::cos(angle), s = std::sin(angle);
    const double xs = sw / double(w), ys = sh / double(h);
    Affine m = {0, 0, xs * c, -ys * s, xs * s, ys * c, 0, 0};
    // The centre of the destination maps to the centre of the source moved by the offset.
    m.srcx = sx - (((double(w) * m.dsdx + double(h) * m.dsdy) - sw) * 0.5 - rotxcent);
    m.srcy = sy - (((double(h) * m.dtdy + double(w) * m.dtdx) - sh) * 0.5 - rotycent);
    AffineBlit(dest, src, x, y, w, h, m, clip, alpha, mode, nullptr);
}

void PIX_DeltaBlit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                   float srcx, float srcy, float srcw, float srch, double dsdx, double dtdx,
                   double dsdy, double dtdy, double dsdxdy, double dtdxdy, bool cliptosourcerect,
                   float alpha, int mode) {
    DeltaBlit(dest, src, dstx, dsty, dstw, dsth, srcx, srcy, srcw, srch,
              {0, 0, dsdx, dtdx, dsdy, dtdy, dsdxdy, dtdxdy}, cliptosourcerect, alpha, mode,
              nullptr);
}

void PIX_DeltaBlitAlpha(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                        float srcx, float srcy, float srcw, float srch, double dsdx, double dtdx,
                        double dsdy, double dtdy, double dsdxdy, double dtdxdy,
                        bool cliptosourcerect, float alpha, int mode, double dadx, double dady,
                        double dadxdy) {
    Opacity opacity = {alpha, dadx, dady, dadxdy};
    DeltaBlit(dest, src, dstx, dsty, dstw, dsth, srcx, srcy, srcw, srch,
              {0, 0, dsdx, dtdx, dsdy, dtdy, dsdxdy, dtdxdy}, cliptosourcerect, alpha, mode,
              &opacity);
}

namespace {

// Draws each cell of the grid with an affine walk between its corners. Points are Stride
// values apart: x, y and, with a stride of 3, the opacity.
template <int Stride, class T>
void TransformBlit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                   const T* points, int div_w, int div_h, float alpha, int mode) {
    if (!dest || !src || !points || dstw <= 0 || dsth <= 0 || div_w < 2 || div_h < 2) return;
    const auto edge = [](int start, int size, int i, int cells) {
        return int64_t(std::floor(start + double(i) * size / cells + 0.5));
    };
    const auto point = [&](int i, int j) { return points + (size_t(j) * div_w + i) * Stride; };
    const ClipBox clip = SourceClip(src, 0, 0, 0, 0, false);

    for (int j = 0; j + 1 < div_h; ++j) {
        const int64_t y0 = edge(dsty, dsth, j, div_h - 1), y1 = edge(dsty, dsth, j + 1, div_h - 1);
        if (y1 <= y0) continue;
        const double rows = double(y1 - y0);
        for (int i = 0; i + 1 < div_w; ++i) {
            const int64_t x0 = edge(dstx, dstw, i, div_w - 1);
            const int64_t x1 = edge(dstx, dstw, i + 1, div_w - 1);
            if (x1 <= x0) continue;
            const double cols = double(x1 - x0);
            const T *tl = point(i, j), *tr = point(i + 1, j);
            const T *bl = point(i, j + 1), *br = point(i + 1, j + 1);
            // Per-pixel steps along the top edge, per-row steps down the left edge, and the
            // change of the per-pixel step from the top edge to the bottom one.
            const auto across = [&](int k) { return (double(tr[k]) - tl[k]) / cols; };
            const auto down = [&](int k) { return (double(bl[k]) - tl[k]) / rows; };
            const auto skew = [&](int k) {
                return ((double(br[k]) - bl[k]) - (double(tr[k]) - tl[k])) / (cols * rows);
            };
            const Affine m = {double(tl[0]), double(tl[1]), across(0), across(1),
                              down(0),       down(1),       skew(0),   skew(1)};
            if constexpr (Stride == 3) {
                Opacity opacity = {double(tl[2]), across(2), down(2), skew(2)};
                AffineBlit(dest, src, x0, y0, x1 - x0, y1 - y0, m, clip, 1.0f, mode, &opacity);
            } else {
                AffineBlit(dest, src, x0, y0, x1 - x0, y1 - y0, m, clip, alpha, mode, nullptr);
            }
        }
    }
}

} // namespace

void PIX_TransformBlit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                       const float* srcpoints, int div_w, int div_h, float alpha, int mode) {
    TransformBlit<2>(dest, src, dstx, dsty, dstw, dsth, srcpoints, div_w, div_h, alpha, mode);
}

void PIX_TransformBlit2(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                        const double* srcpoints, int div_w, int div_h, float alpha, int mode) {
    TransformBlit<2>(dest, src, dstx, dsty, dstw, dsth, srcpoints, div_w, div_h, alpha, mode);
}

void PIX_TransformBlit2Alpha(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw,
                             int dsth, const double* srcpoints, int div_w, int div_h, int mode) {
    TransformBlit<3>(dest, src, dstx, dsty, dstw, dsth, srcpoints, div_w, div_h, 1.0f, mode);
}
