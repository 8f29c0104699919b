// Filled triangles and polygons. Vertices sit on pixel corners and a pixel is filled when its
// centre lies inside. Scan lines through pixel centres never meet a vertex, and a centre that
// falls exactly on an edge belongs to the span starting there, so neighbouring shapes sharing
// an edge neither overlap nor leave a gap. Crossings are computed exactly.

#include "pix_paint.h"

#include <algorithm>
#include <vector>

namespace {

struct Point {
    int64_t x, y;
};

// Even-odd fill of the closed outline, one span per pair of crossings on each row;
// crossings has room for one entry per vertex.
template <class Painter>
void FillOutline(const Painter& p, const Point* pts, int n, int64_t* crossings) {
    int64_t top = pts[0].y, bottom = pts[0].y;
    for (int i = 1; i < n; ++i) {
        top = std::min(top, pts[i].y);
        bottom = std::max(bottom, pts[i].y);
    }
    // Rows whose centre y + 1/2 lies between the extremes.
    const int64_t rowFrom = std::max<int64_t>(top, 0);
    const int64_t rowTo = std::min<int64_t>(bottom - 1, p.height() - 1);
    for (int64_t row = rowFrom; row <= rowTo; ++row) {
        int count = 0;
        for (int i = 0; i < n; ++i) {
            Point a = pts[i], b = pts[(i + 1) % n];
            if (a.y > b.y) std::swap(a, b);
            if (row < a.y || row >= b.y) continue;
            // First pixel whose centre is at or right of the crossing:
            // ceil(((2 ax - 1) dy + (2 row + 1 - 2 ay) dx) / 2 dy).
            const int64_t dy = b.y - a.y, dx = b.x - a.x;
            const PIX_Wide num = PIX_Wide(2 * a.x - 1) * dy + PIX_Wide(2 * (row - a.y) + 1) * dx;
            crossings[count++] = int64_t(PIX_CeilDiv(num, PIX_Wide(2) * dy));
        }
        std::sort(crossings, crossings + count);
        for (int i = 0; i + 1 < count; i += 2)
            if (crossings[i] < crossings[i + 1]) p.span(crossings[i], crossings[i + 1] - 1, row);
    }
}

void FillPolygon(PIX_IBitmap* dest, const Point* pts, int n, int64_t* crossings, PIX_pixel color,
                 float alpha, int mode) {
    PIX_WithPainter(dest, color, alpha, mode,
                    [&](const auto& p) { FillOutline(p, pts, n, crossings); });
}

} // namespace

void PIX_FillTriangle(PIX_IBitmap* dest, int x1, int y1, int x2, int y2, int x3, int y3,
                      PIX_pixel color, float alpha, int mode) {
    const Point pts[3] = {{x1, y1}, {x2, y2}, {x3, y3}};
    int64_t crossings[3];
    FillPolygon(dest, pts, 3, crossings, color, alpha, mode);
}

void PIX_FillConvexPolygon(PIX_IBitmap* dest, const int* x, const int* y, int npoints,
                           PIX_pixel color, float alpha, int mode) {
    if (!x || !y || npoints < 3 || !PIX_SurfaceOf(dest)) return;
    std::vector<Point> pts(size_t(npoints), Point{});
    std::vector<int64_t> crossings(static_cast<size_t>(npoints));
    for (int i = 0; i < npoints; ++i)
        pts[size_t(i)] = {x[i], y[i]};
    FillPolygon(dest, pts.data(), npoints, crossings.data(), color, alpha, mode);
}
