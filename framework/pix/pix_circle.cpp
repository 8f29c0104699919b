// Circles, arcs, discs and rounded rectangles. Every walk runs over the rows and columns of the
// bitmap that the shape can reach, so huge radii and far-off centres cost only what shows.
// Nearest-pixel rounding breaks ties away from the centre, which keeps shapes centred on whole
// or half pixels mirror-symmetric.

#include "pix_paint.h"

#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Rounds a coordinate on the low / high side of the centre to the nearest pixel.
// Far beyond any bitmap: rounded coordinates are held within it.
constexpr int64_t kReach = int64_t(1) << 40;

int64_t RoundLow(double v) {
    return PIX_ClampToInt(std::ceil(v - 0.5), -kReach, kReach);
}
int64_t RoundHigh(double v) {
    return PIX_ClampToInt(std::floor(v + 0.5), -kReach, kReach);
}

// Range of whole pixels lo..hi (inclusive) held to 0..size-1; false when empty.
bool PixelRange(double lo, double hi, int size, int64_t& from, int64_t& to) {
    if (!(lo <= hi)) return false;
    from = PIX_ClampToInt(std::ceil(lo), 0, size);
    to = PIX_ClampToInt(std::floor(hi), -1, size - 1);
    return from <= to;
}

double HalfChord(double r, double d) {
    const double q = r * r - d * d;
    return q > 0.0 ? std::sqrt(q) : 0.0;
}

// The one-pixel outline: columns near the top and bottom take the row nearest the circle,
// rows near the sides the nearest column, and a pixel that both passes reach is drawn once.
// keep(dx, dy) chooses pixels by their offset from the centre.
template <class Painter, class Keep>
void StepCircle(const Painter& p, double cx, double cy, double r, Keep&& keep) {
    const double diagonal = r * M_SQRT1_2;
    const auto rowsOfColumn = [&](int64_t x, int64_t& top, int64_t& bottom) {
        const double h = HalfChord(r, double(x) - cx);
        top = RoundLow(cy - h);
        bottom = RoundHigh(cy + h);
    };
    const auto draw = [&](int64_t x, int64_t y) {
        if (keep(double(x) - cx, double(y) - cy)) p.plot(x, y);
    };

    int64_t from, to;
    if (PixelRange(cx - diagonal, cx + diagonal, p.width(), from, to)) {
        for (int64_t x = from; x <= to; ++x) {
            int64_t top, bottom;
            rowsOfColumn(x, top, bottom);
            draw(x, top);
            if (bottom != top) draw(x, bottom);
        }
    }
    if (PixelRange(cy - diagonal, cy + diagonal, p.height(), from, to)) {
        for (int64_t y = from; y <= to; ++y) {
            const double h = HalfChord(r, double(y) - cy);
            const int64_t left = RoundLow(cx - h), right = RoundHigh(cx + h);
            for (int side = 0; side < (right == left ? 1 : 2); ++side) {
                const int64_t x = side ? right : left;
                if (std::fabs(double(x) - cx) <= diagonal) {
                    int64_t top, bottom;
                    rowsOfColumn(x, top, bottom);
                    if (y == top || y == bottom) continue;
                }
                draw(x, y);
            }
        }
    }
}

// The anti-aliased outline: coverage falls off linearly within one pixel of the circle, so
// each cross-section of the ring sums to one pixel. keep(dx, dy) gives a share 0..1.
template <class Painter, class Keep>
void CoverageCircle(const Painter& p, double cx, double cy, double r, Keep&& keep) {
    int64_t rowFrom, rowTo;
    if (!PixelRange(cy - r - 1.0, cy + r + 1.0, p.height(), rowFrom, rowTo)) return;
    for (int64_t y = rowFrom; y <= rowTo; ++y) {
        const double dy = double(y) - cy;
        const double outer = HalfChord(r + 1.0, dy);
        const double inner = r > 1.0 && std::fabs(dy) < r - 1.0 ? HalfChord(r - 1.0, dy) : -1.0;
        const auto run = [&](double lo, double hi) {
            int64_t from, to;
            if (!PixelRange(lo, hi, p.width(), from, to)) return;
            for (int64_t x = from; x <= to; ++x) {
                const double dx = double(x) - cx;
                const double share = 1.0 - std::fabs(std::hypot(dx, dy) - r);
                if (share > 0.0) p.plot(x, y, PIX_CoverageFrom(share * keep(dx, dy)));
            }
        };
        if (inner < 0.0) {
            run(cx - outer, cx + outer);
        } else {
            run(cx - outer, cx - inner);
            run(cx + inner, cx + outer);
        }
    }
}

template <class Painter, class Keep>
void DrawCircle(const Painter& p, double cx, double cy, double r, bool aa, Keep&& keep) {
    if (aa)
        CoverageCircle(p, cx, cy, r, keep);
    else
        StepCircle(p, cx, cy, r, [&](double dx, double dy) { return keep(dx, dy) > 0.0; });
}

bool ValidCircle(double cx, double cy, double r) {
    return std::isfinite(cx) && std::isfinite(cy) && std::isfinite(r) && r >= 0.0;
}

double Everywhere(double, double) {
    return 1.0;
}

// Share of the pixel at offset (dx, dy) that an arc keeps: the arc starts at angle start
// (radians clockwise from straight up) and sweeps span. The ends fade over a pixel of arc
// length when anti-aliased.
struct ArcMask {
    double start, span, r;
    bool aa;
    double operator()(double dx, double dy) const {
        double rel = std::atan2(dx, -dy) - start;
        rel -= kTwoPi * std::floor(rel / kTwoPi);
        const double inside =
            rel <= span ? std::min(rel, span - rel) : -std::min(rel - span, kTwoPi - rel);
        if (!aa) return inside >= 0.0 ? 1.0 : 0.0;
        return std::clamp(inside * std::max(r, 1.0) + 0.5, 0.0, 1.0);
    }
};

} // namespace

void PIX_Circle(PIX_IBitmap* dest, float cx, float cy, float r, PIX_pixel color, float alpha,
                int mode, bool aa) {
    if (!ValidCircle(cx, cy, r)) return;
    PIX_WithPainter(dest, color, alpha, mode,
                    [&](const auto& p) { DrawCircle(p, cx, cy, r, aa, Everywhere); });
}

void PIX_Arc(PIX_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
             PIX_pixel color, float alpha, int mode, bool aa) {
    if (!ValidCircle(cx, cy, r) || !std::isfinite(minAngle) || !std::isfinite(maxAngle)) return;
    double from = minAngle, to = maxAngle;
    if (to < from) std::swap(from, to);
    PIX_WithPainter(dest, color, alpha, mode, [&](const auto& p) {
        if (to - from >= kTwoPi) {
            DrawCircle(p, cx, cy, r, aa, Everywhere);
            return;
        }
        const double start = from - kTwoPi * std::floor(from / kTwoPi);
        DrawCircle(p, cx, cy, r, aa, ArcMask{start, to - from, r, aa});
    });
}

void PIX_FillCircle(PIX_IBitmap* dest, float cx, float cy, float r, PIX_pixel color, float alpha,
                    int mode, bool aa) {
    if (!ValidCircle(cx, cy, r)) return;
    PIX_WithPainter(dest, color, alpha, mode, [&](const auto& p) {
        const double edge = aa ? 0.5 : 0.0; // anti-aliased discs fade out over one pixel
        int64_t rowFrom, rowTo;
        if (!PixelRange(cy - r - edge, cy + r + edge, p.height(), rowFrom, rowTo)) return;
        for (int64_t y = rowFrom; y <= rowTo; ++y) {
            const double dy = double(y) - cy;
            if (!aa) {
                const double h = HalfChord(r, dy);
                int64_t from, to;
                if (std::fabs(dy) <= r && PixelRange(cx - h, cx + h, p.width(), from, to))
                    p.span(from, to, y);
                continue;
            }
            // Pixels whose centre lies within r - 1/2 are fully covered; the rest of those
            // within r + 1/2 in part.
            const double outer = HalfChord(r + edge, dy);
            const bool solid = r >= edge && std::fabs(dy) <= r - edge;
            const double inner = solid ? HalfChord(r - edge, dy) : 0.0;
            int64_t from, to, solidFrom = 1, solidTo = 0;
            if (!PixelRange(cx - outer, cx + outer, p.width(), from, to)) continue;
            if (solid && PixelRange(cx - inner, cx + inner, p.width(), solidFrom, solidTo))
                p.span(solidFrom, solidTo, y);
            for (int64_t x = from; x <= to; ++x) {
                if (x >= solidFrom && x <= solidTo) {
                    x = solidTo;
                    continue;
                }
                const double share = r + edge - std::hypot(double(x) - cx, dy);
                p.plot(x, y, PIX_CoverageFrom(share));
            }
        }
    });
}

void PIX_RoundRect(PIX_IBitmap* dest, float x, float y, float w, float h, int cornerRadius,
                   PIX_pixel color, float alpha, int mode, bool aa) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) || !std::isfinite(h)) return;
    const auto whole = [](double v) {
        return int64_t(std::clamp(std::floor(v + 0.5), -double(kReach), double(kReach)));
    };
    const int64_t left = whole(x), top = whole(y);
    const int64_t right = left + whole(w) - 1, bottom = top + whole(h) - 1;
    if (right < left || bottom < top) return;
    const int64_t radius =
        std::clamp<int64_t>(cornerRadius, 0, std::min(right - left, bottom - top) / 2);
    // Corner centres; where they meet, the corners split the pixels on their shared axis.
    const int64_t l = left + radius, r = right - radius, t = top + radius, b = bottom - radius;

    PIX_WithPainter(dest, color, alpha, mode, [&](const auto& p) {
        const auto corner = [&](int64_t cx, int64_t cy, bool east, bool south) {
            const bool shareX = east && l == r, shareY = south && t == b;
            DrawCircle(p, double(cx), double(cy), double(radius), aa, [=](double dx, double dy) {
                const bool inX = east ? (shareX ? dx > 0 : dx >= 0) : dx <= 0;
                const bool inY = south ? (shareY ? dy > 0 : dy >= 0) : dy <= 0;
                return inX && inY ? 1.0 : 0.0;
            });
        };
        corner(l, t, false, false);
        corner(r, t, true, false);
        corner(l, b, false, true);
        corner(r, b, true, true);
        p.span(l + 1, r - 1, top);
        if (bottom != top) p.span(l + 1, r - 1, bottom);
        const int64_t rowFrom = std::max<int64_t>(t + 1, 0);
        const int64_t rowTo = std::min<int64_t>(b - 1, p.height() - 1);
        for (int64_t row = rowFrom; row <= rowTo; ++row) {
            p.plot(left, row);
            if (right != left) p.plot(right, row);
        }
    });
}
