// Unscaled blits: plain and channel-copy blits, copy, blur, halving and comparison.

#include "pix_sample.h"

#include <cstring>
#include <vector>

PIX_SourceSnapshot::PIX_SourceSnapshot(PIX_IBitmap* dest, PIX_IBitmap* src) : mSource(src) {
    if (dest && dest == src) {
        PIX_Copy(&mCopy, src);
        mSource = &mCopy;
    }
}

namespace {

// Clips a source rectangle and its destination origin to both bitmaps. False when nothing is
// left; otherwise (left, top) is the first source pixel, (dstx, dsty) where it lands and
// width x height the size to copy.
struct BlitArea {
    int dstx, dsty, left, top, width, height;
};

bool ClipBlitArea(int64_t dstx, int64_t dsty, int64_t left, int64_t top, int64_t right,
                  int64_t bottom, int srcWidth, int srcHeight, int destWidth, int destHeight,
                  BlitArea* area) {
    right = std::min<int64_t>(right, srcWidth);
    bottom = std::min<int64_t>(bottom, srcHeight);
    if (left < 0) {
        dstx -= left;
        left = 0;
    }
    if (top < 0) {
        dsty -= top;
        top = 0;
    }
    if (dstx < 0) {
        left -= dstx;
        dstx = 0;
    }
    if (dsty < 0) {
        top -= dsty;
        dsty = 0;
    }
    if (left >= right || top >= bottom || dstx >= destWidth || dsty >= destHeight) return false;
    right = std::min(right, left + (destWidth - dstx));
    bottom = std::min(bottom, top + (destHeight - dsty));
    if (left >= right || top >= bottom) return false;
    *area = {int(dstx), int(dsty), int(left), int(top), int(right - left), int(bottom - top)};
    return true;
}

// Sprite rows are short, where a loop of aligned 16-byte stores beats a library call per row
// (stores that straddle cache lines are what a copy waits on).
void CopyRow(PIX_pixel* out, const PIX_pixel* in, int n) {
    int x = 0;
    for (; x < n && (reinterpret_cast<uintptr_t>(out + x) & 15); ++x)
        out[x] = in[x];
#pragma GCC unroll 4
    for (; x + 4 <= n; x += 4) {
        PIX_u32x4 v;
        std::memcpy(&v, in + x, sizeof(v));
        std::memcpy(out + x, &v, sizeof(v));
    }
    for (; x < n; ++x)
        out[x] = in[x];
}

void CopyChannel(const PIX_Surface& d, const PIX_Surface& s, const BlitArea& a, int mode) {
    const int from = mode & 3, to = (mode >> 2) & 3;
    for (int y = 0; y < a.height; ++y) {
        auto* out = reinterpret_cast<unsigned char*>(d.at(a.dstx, a.dsty + y));
        const auto* in = reinterpret_cast<const unsigned char*>(s.at(a.left, a.top + y));
        for (int x = 0; x < a.width; ++x)
            out[x * 4 + to] = in[x * 4 + from];
    }
}

} // namespace

void PIX_BlitRect(PIX_IBitmap* dest, PIX_IBitmap* src, int64_t dstx, int64_t dsty, int64_t left,
                  int64_t top, int64_t right, int64_t bottom, float alpha, int mode) {
    if (!dest || !src || alpha == 0.0f) return;
    const PIX_SourceSnapshot snapshot(dest, src);
    const PIX_Surface d = PIX_SurfaceOf(dest), s = PIX_SurfaceOf(snapshot.get());
    BlitArea a;
    if (!d || !s ||
        !ClipBlitArea(dstx, dsty, left, top, right, bottom, s.width, s.height, d.width, d.height,
                      &a))
        return;

    PIX_pixel* out = d.at(a.dstx, a.dsty);
    const PIX_pixel* in = s.at(a.left, a.top);
    if ((mode & PIX_COMBINE_MODE_MASK) >= PIX_COMBINE_CHANNEL_COPY) {
        CopyChannel(d, s, a, mode);
        return;
    }
    if ((mode & (PIX_COMBINE_MODE_MASK | PIX_COMBINE_USE_SOURCE_ALPHA)) == PIX_COMBINE_COPY) {
        if (alpha == 1.0f) {
            for (int y = 0; y < a.height; ++y, out += d.step, in += s.step)
                CopyRow(out, in, a.width);
            return;
        }
        if (alpha == 0.5f) {
            for (int y = 0; y < a.height; ++y, out += d.step, in += s.step)
                for (int x = 0; x < a.width; ++x)
                    _PIX_CombinePixelsHalfMixFAST::doPixFAST(out + x, in[x]);
            return;
        }
    }
    const int w = PIX_WeightFromAlpha(alpha);
    if (!PIX_BlitWeightDraws(mode, w)) return;
    PIX_WithCombiner<false>(mode, w, [&](auto combiner) {
        _PIX_Template_Blit2<decltype(combiner)>::blit(out, d.step, in, s.step, a.width, a.height,
                                                      w);
    });
}

void PIX_Blit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, const PIX_Rect* srcRect,
              float alpha, int mode) {
    if (!dest || !src) return;
    if (srcRect)
        PIX_BlitRect(dest, src, dstx, dsty, srcRect->left, srcRect->top, srcRect->right,
                     srcRect->bottom, alpha, mode);
    else
        PIX_BlitRect(dest, src, dstx, dsty, 0, 0, src->getWidth(), src->getHeight(), alpha, mode);
}

void PIX_Blit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int srcx, int srcy, int srcw,
              int srch, float alpha, int mode) {
    PIX_BlitRect(dest, src, dstx, dsty, srcx, srcy, int64_t(srcx) + srcw, int64_t(srcy) + srch,
                 alpha, mode);
}

void PIX_Copy(PIX_IBitmap* dest, PIX_IBitmap* src) {
    if (!dest || !src || dest == src) return;
    dest->resize(src->getWidth(), src->getHeight());
    PIX_Blit(dest, src, 0, 0, nullptr, 1.0f, PIX_COMBINE_COPY);
}

namespace {

// One blurred row. up and down are the neighbouring rows, null at the rectangle's edges, where
// the one neighbour there is counts double.
template <bool HasUp, bool HasDown>
void BlurRow(PIX_pixel* out, const PIX_pixel* up, const PIX_pixel* cur, const PIX_pixel* down,
             int width) {
    const auto vertical = [&](int x) -> PIX_pixel {
        if (HasUp && HasDown) return PIX_Eighth(up[x]) + PIX_Eighth(down[x]);
        return PIX_Quarter(HasUp ? up[x] : down[x]);
    };
    const int last = width - 1;
    out[0] = PIX_Half(cur[0]) + PIX_Quarter(cur[1]) + vertical(0);
    for (int x = 1; x < last; ++x)
        out[x] = PIX_Half(cur[x]) + PIX_Eighth(cur[x - 1]) + PIX_Eighth(cur[x + 1]) + vertical(x);
    out[last] = PIX_Half(cur[last]) + PIX_Quarter(cur[last - 1]) + vertical(last);
}

void BlurRow(PIX_pixel* out, const PIX_pixel* up, const PIX_pixel* cur, const PIX_pixel* down,
             int width) {
    if (up && down)
        BlurRow<true, true>(out, up, cur, down, width);
    else if (up)
        BlurRow<true, false>(out, up, cur, nullptr, width);
    else
        BlurRow<false, true>(out, nullptr, cur, down, width);
}

} // namespace

void PIX_Blur(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int srcx, int srcy, int srcw,
              int srch) {
    const PIX_Surface d = PIX_SurfaceOf(dest), s = PIX_SurfaceOf(src);
    BlitArea a;
    if (!d || !s ||
        !ClipBlitArea(dstx, dsty, srcx, srcy, int64_t(srcx) + srcw, int64_t(srcy) + srch, s.width,
                      s.height, d.width, d.height, &a) ||
        a.width < 2 || a.height < 2)
        return;

    const auto sourceRow = [&](int y) -> const PIX_pixel* { return s.at(a.left, a.top + y); };
    const auto destRow = [&](int y) { return d.at(a.dstx, a.dsty + y); };

    if (dest != src) {
        for (int y = 0; y < a.height; ++y)
            BlurRow(destRow(y), y > 0 ? sourceRow(y - 1) : nullptr, sourceRow(y),
                    y + 1 < a.height ? sourceRow(y + 1) : nullptr, a.width);
        return;
    }

    if (a.dstx != a.left || a.dsty != a.top) {
        // Moved within one bitmap: rows written could still be read, so blur from a copy.
        std::vector<PIX_pixel> copy(size_t(a.width) * size_t(a.height));
        for (int y = 0; y < a.height; ++y)
            std::memcpy(&copy[size_t(y) * a.width], sourceRow(y), size_t(a.width) * 4);
        const auto copyRow = [&](int y) { return &copy[size_t(y) * a.width]; };
        for (int y = 0; y < a.height; ++y)
            BlurRow(destRow(y), y > 0 ? copyRow(y - 1) : nullptr, copyRow(y),
                    y + 1 < a.height ? copyRow(y + 1) : nullptr, a.width);
        return;
    }

    // In place: each row is saved before it is overwritten, in the two halves of a buffer in
    // turn, and its upper neighbour comes from the other half.
    constexpr int kFixedRow = 1024;
    PIX_pixel fixed[2 * kFixedRow];
    std::vector<PIX_pixel> heap;
    PIX_pixel* saved = fixed;
    if (a.width > kFixedRow) {
        heap.resize(2 * size_t(a.width));
        saved = heap.data();
    }
    for (int y = 0; y < a.height; ++y) {
        PIX_pixel* cur = saved + (y & 1) * size_t(a.width);
        const PIX_pixel* up = y > 0 ? saved + ((y - 1) & 1) * size_t(a.width) : nullptr;
        std::memcpy(cur, sourceRow(y), size_t(a.width) * 4);
        BlurRow(destRow(y), up, cur, y + 1 < a.height ? sourceRow(y + 1) : nullptr, a.width);
    }
}

void PIX_HalveBlitAA(PIX_IBitmap* dest, PIX_IBitmap* src) {
    const PIX_Surface d = PIX_SurfaceOf(dest), s = PIX_SurfaceOf(src);
    if (!d || !s) return;
    const int width = std::min(d.width, s.width / 2), height = std::min(d.height, s.height / 2);
    for (int y = 0; y < height; ++y) {
        PIX_pixel* out = d.row(y);
        const PIX_pixel* in0 = s.row(2 * y);
        const PIX_pixel* in1 = s.row(2 * y + 1);
        for (int x = 0; x < width; ++x)
            out[x] = PIX_Quarter(in0[2 * x]) + PIX_Quarter(in0[2 * x + 1]) +
                     PIX_Quarter(in1[2 * x]) + PIX_Quarter(in1[2 * x + 1]);
    }
}

int PIX_BitmapCmpEx(PIX_IBitmap* a, PIX_IBitmap* b, PIX_pixel mask, PIX_Rect* outRect) {
    if (outRect) *outRect = {0, 0, 0, 0};
    if (!a || !b) return a == b ? 0 : 1;
    if (a->getWidth() != b->getWidth()) return a->getWidth() - b->getWidth();
    if (a->getHeight() != b->getHeight()) return a->getHeight() - b->getHeight();
    const PIX_Surface sa = PIX_SurfaceOf(a), sb = PIX_SurfaceOf(b);
    if (!sa || !sb) return bool(sa) != bool(sb) ? 1 : 0;

    PIX_Rect box = {sa.width, sa.height, 0, 0};
    bool differ = false;
    for (int y = 0; y < sa.height; ++y) {
        const PIX_pixel* ra = sa.row(y);
        const PIX_pixel* rb = sb.row(y);
        for (int x = 0; x < sa.width; ++x) {
            if (((ra[x] ^ rb[x]) & mask) == 0) continue;
            differ = true;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x + 1);
            box.top = std::min(box.top, y);
            box.bottom = y + 1;
        }
    }
    if (!differ) return 0;
    if (outRect) *outRect = box;
    return 1;
}

int PIX_BitmapCmp(PIX_IBitmap* a, PIX_IBitmap* b, PIX_Rect* outRect) {
    return PIX_BitmapCmpEx(a, b, 0xffffffff, outRect);
}
