// Lines: Bresenham steps for aliased lines, per-column coverage (Wu) for anti-aliased ones. Both
// clip the walk to the bitmap before stepping, so a line of any length costs only the pixels it
// shows.

#include "pix_paint.h"

#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

// First index in lo..hi where the monotone test turns true (false...true); hi + 1 if never.
template <class Test> int64_t FirstWhere(int64_t lo, int64_t hi, Test&& test) {
    while (lo <= hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (test(mid))
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return lo;
}

// The pixels of the line between two pixel centres, endpoints included. The major axis a steps
// by one; the minor coordinate is b1 + i db / n rounded half up, so both directions of a line
// give the same pixels. Only steps whose pixel lies on the surface are walked.
template <class Painter>
void StepLine(const Painter& p, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    const bool steep = std::llabs(y2 - y1) > std::llabs(x2 - x1);
    int64_t a1 = steep ? y1 : x1, b1 = steep ? x1 : y1;
    int64_t a2 = steep ? y2 : x2, b2 = steep ? x2 : y2;
    if (a1 > a2) {
        std::swap(a1, a2);
        std::swap(b1, b2);
    }
    const auto plot = [&](int64_t a, int64_t b) { steep ? p.plot(b, a) : p.plot(a, b); };
    const int64_t n = a2 - a1, db = b2 - b1;
    if (n == 0) {
        plot(a1, b1);
        return;
    }
    const int64_t majorSize = steep ? p.height() : p.width();
    const int64_t minorSize = steep ? p.width() : p.height();
    const int64_t twoN = 2 * n;
    // minor(i) = floor((2 b1 n + 2 i db + n) / 2n)
    const auto numerator = [&](int64_t i) {
        return PIX_Wide(2) * b1 * n + PIX_Wide(2) * i * db + n;
    };
    const auto minor = [&](int64_t i) { return int64_t(PIX_FloorDiv(numerator(i), twoN)); };

    int64_t first = std::max<int64_t>(0, -a1), last = std::min<int64_t>(n, majorSize - 1 - a1);
    if (first > last) return;
    if (db >= 0) {
        first = FirstWhere(first, last, [&](int64_t i) { return minor(i) >= 0; });
        last = FirstWhere(first, last, [&](int64_t i) { return minor(i) >= minorSize; }) - 1;
    } else {
        first = FirstWhere(first, last, [&](int64_t i) { return minor(i) < minorSize; });
        last = FirstWhere(first, last, [&](int64_t i) { return minor(i) < 0; }) - 1;
    }
    if (first > last) return;

    const PIX_Wide start = numerator(first);
    int64_t b = int64_t(PIX_FloorDiv(start, twoN));
    int64_t rem = int64_t(start - PIX_Wide(b) * twoN); // 0 <= rem < 2n
    for (int64_t i = first; i <= last; ++i) {
        plot(a1 + i, b);
        rem += 2 * db;
        if (rem >= twoN) {
            rem -= twoN;
            ++b;
        } else if (rem < 0) {
            rem += twoN;
            --b;
        }
    }
}

// Anti-aliased line between two points (pixel centres at whole coordinates). Along the major
// axis the line covers half a pixel beyond each end, so lines between pixel centres fully cover
// their end pixels; across it, each column splits its coverage between the two nearest pixels.
template <class Painter>
void CoverageLine(const Painter& p, double x1, double y1, double x2, double y2) {
    const bool steep = std::fabs(y2 - y1) > std::fabs(x2 - x1);
    double a1 = steep ? y1 : x1, b1 = steep ? x1 : y1;
    double a2 = steep ? y2 : x2, b2 = steep ? x2 : y2;
    if (a1 > a2) {
        std::swap(a1, a2);
        std::swap(b1, b2);
    }
    const auto plot = [&](int64_t a, int64_t b, int c) {
        steep ? p.plot(b, a, c) : p.plot(a, b, c);
    };
    const double slope = a2 > a1 ? (b2 - b1) / (a2 - a1) : 0.0;
    const int64_t majorSize = steep ? p.height() : p.width();
    const int64_t minorSize = steep ? p.width() : p.height();

    // Columns of the line, then those whose two pixels can reach the surface (minor in -1..size).
    double lo = std::max(std::floor(a1 - 0.5), 0.0);
    double hi = std::min(std::ceil(a2 + 0.5), double(majorSize - 1));
    if (slope != 0.0) {
        double from = a1 + (-1.0 - b1) / slope, to = a1 + (double(minorSize) - b1) / slope;
        if (from > to) std::swap(from, to);
        lo = std::max(lo, std::floor(from) - 1.0);
        hi = std::min(hi, std::ceil(to) + 1.0);
    } else if (b1 <= -1.0 || b1 >= double(minorSize)) {
        return;
    }
    if (!(lo <= hi)) return;

    for (int64_t a = int64_t(lo), end = int64_t(hi); a <= end; ++a) {
        const double along = std::min(a + 0.5, a2 + 0.5) - std::max(a - 0.5, a1 - 0.5);
        const int total = PIX_CoverageFrom(along);
        if (total == 0) continue;
        const double b = b1 + (double(a) - a1) * slope;
        const double row = std::floor(b);
        const int below = int((b - row) * total + 0.5);
        const int64_t r = PIX_ClampToInt(row, -2, minorSize + 1);
        plot(a, r, total - below);
        plot(a, r + 1, below);
    }
}

bool Finite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// Clips the segment to the square lo..hi on both axes; false when nothing is left. Each moved
// endpoint lands exactly on the square, so far-off endpoints lose no precision that matters.
bool ClipToBox(double& x1, double& y1, double& x2, double& y2, double lo, double hi) {
    const auto clipAxis = [lo, hi](double& a1, double& b1, double& a2, double& b2) {
        if ((a1 < lo && a2 < lo) || (a1 > hi && a2 > hi)) return false;
        for (int end = 0; end < 2; ++end) {
            double &a = end ? a2 : a1, &b = end ? b2 : b1;
            const double other = end ? a1 : a2, otherB = end ? b1 : b2;
            const double bound = a < lo ? lo : a > hi ? hi : a;
            if (bound == a) continue;
            b += (bound - a) * ((otherB - b) / (other - a));
            a = bound;
        }
        return true;
    };
    return clipAxis(x1, y1, x2, y2) && clipAxis(y1, x1, y2, x2);
}

} // namespace

void PIX_Line(PIX_IBitmap* dest, int x1, int y1, int x2, int y2, PIX_pixel color, float alpha,
              int mode, bool aa) {
    PIX_WithPainter(dest, color, alpha, mode, [&](const auto& p) {
        if (aa)
            CoverageLine(p, x1, y1, x2, y2);
        else
            StepLine(p, x1, y1, x2, y2);
    });
}

void PIX_FLine(PIX_IBitmap* dest, float x1, float y1, float x2, float y2, PIX_pixel color,
               float alpha, int mode, bool aa) {
    double ax = x1, ay = y1, bx = x2, by = y2;
    if (!Finite({ax, ay, bx, by})) return;
    // Far beyond any bitmap, so whole pixel coordinates stay exact and their products fit.
    constexpr double kReach = double(int64_t(1) << 40);
    if (!ClipToBox(ax, ay, bx, by, -kReach, kReach)) return;
    PIX_WithPainter(dest, color, alpha, mode, [&](const auto& p) {
        if (aa)
            CoverageLine(p, ax, ay, bx, by);
        else
            StepLine(p, int64_t(std::floor(ax + 0.5)), int64_t(std::floor(ay + 0.5)),
                     int64_t(std::floor(bx + 0.5)), int64_t(std::floor(by + 0.5)));
    });
}
