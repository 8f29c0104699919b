#include "IGraphics.h"

#include <algorithm>
#include <cmath>

bool IGraphics::DrawLine(const IColor& color, float x1, float y1, float x2, float y2,
                         const IChannelBlend* blend, bool antiAlias) {
    PIX_Line(mDrawSurface.get(), Trunc(x1), Trunc(y1), Trunc(x2), Trunc(y2), PixColor(color),
             PixWeight(blend), PixBlendMode(blend), antiAlias);
    return true;
}

bool IGraphics::DrawArc(const IColor& color, float cx, float cy, float r, float minAngle,
                        float maxAngle, const IChannelBlend* blend, bool antiAlias) {
    PIX_Arc(mDrawSurface.get(), cx, cy, r, minAngle, maxAngle, PixColor(color), PixWeight(blend),
            PixBlendMode(blend), antiAlias);
    return true;
}

bool IGraphics::DrawCircle(const IColor& color, float cx, float cy, float r,
                           const IChannelBlend* blend, bool antiAlias) {
    PIX_Circle(mDrawSurface.get(), cx, cy, r, PixColor(color), PixWeight(blend),
               PixBlendMode(blend), antiAlias);
    return true;
}

bool IGraphics::RoundRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend,
                          int cornerRadius, bool antiAlias) {
    PIX_RoundRect(mDrawSurface.get(), float(rect.left), float(rect.top), float(rect.W()),
                  float(rect.H()), cornerRadius, PixColor(color), PixWeight(blend),
                  PixBlendMode(blend), antiAlias);
    return true;
}

bool IGraphics::FillRoundRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend,
                              int cornerRadius, bool antiAlias) {
    PIX_IBitmap* surface = mDrawSurface.get();
    const PIX_pixel pixel = PixColor(color);
    const float weight = PixWeight(blend);
    const int mode = PixBlendMode(blend);
    const int x = rect.left, y = rect.top, w = rect.W(), h = rect.H(), c = cornerRadius;
    // A cross of three rectangles, then a disc in each corner.
    PIX_FillRect(surface, x + c, y, w - 2 * c, h, pixel, weight, mode);
    PIX_FillRect(surface, x, y + c, c, h - 2 * c, pixel, weight, mode);
    PIX_FillRect(surface, x + w - c, y + c, c, h - 2 * c, pixel, weight, mode);
    const float left = float(x + c), right = float(x + w - c - 1);
    const float top = float(y + c), bottom = float(y + h - c - 1);
    const float r = float(c);
    PIX_FillCircle(surface, left, top, r, pixel, weight, mode, antiAlias);
    PIX_FillCircle(surface, right, bottom, r, pixel, weight, mode, antiAlias);
    PIX_FillCircle(surface, right, top, r, pixel, weight, mode, antiAlias);
    PIX_FillCircle(surface, left, bottom, r, pixel, weight, mode, antiAlias);
    return true;
}

bool IGraphics::FillCircle(const IColor& color, int cx, int cy, float r, const IChannelBlend* blend,
                           bool antiAlias) {
    PIX_FillCircle(mDrawSurface.get(), float(cx), float(cy), r, PixColor(color), PixWeight(blend),
                   PixBlendMode(blend), antiAlias);
    return true;
}

bool IGraphics::FillTriangle(const IColor& color, int x1, int y1, int x2, int y2, int x3, int y3,
                             const IChannelBlend* blend) {
    PIX_FillTriangle(mDrawSurface.get(), x1, y1, x2, y2, x3, y3, PixColor(color), PixWeight(blend),
                     PixBlendMode(blend));
    return true;
}

bool IGraphics::FillIConvexPolygon(const IColor& color, const int* x, const int* y, int npoints,
                                   const IChannelBlend* blend) {
    PIX_FillConvexPolygon(mDrawSurface.get(), x, y, npoints, PixColor(color), PixWeight(blend),
                          PixBlendMode(blend));
    return true;
}

bool IGraphics::DrawVerticalLine(const IColor& color, int xi, int yLo, int yHi) {
    PIX_Line(mDrawSurface.get(), xi, yLo, xi, yHi, PixColor(color), 1.0f, PIX_COMBINE_COPY, false);
    return true;
}

bool IGraphics::DrawHorizontalLine(const IColor& color, int yi, int xLo, int xHi) {
    PIX_Line(mDrawSurface.get(), xLo, yi, xHi, yi, PixColor(color), 1.0f, PIX_COMBINE_COPY, false);
    return true;
}

bool IGraphics::DrawVerticalLine(const IColor& color, const IRECT& rect, float x) {
    x = std::isnan(x) ? 0.0f : std::clamp(x, 0.0f, 1.0f);
    return DrawVerticalLine(color, rect.left + Trunc(x * rect.W()), rect.top, rect.bottom);
}

bool IGraphics::DrawHorizontalLine(const IColor& color, const IRECT& rect, float y) {
    y = std::isnan(y) ? 0.0f : std::clamp(y, 0.0f, 1.0f);
    return DrawHorizontalLine(color, rect.bottom - Trunc(y * rect.H()), rect.left, rect.right);
}

bool IGraphics::DrawRect(const IColor& color, const IRECT& rect) {
    DrawHorizontalLine(color, rect.top, rect.left, rect.right);
    DrawHorizontalLine(color, rect.bottom, rect.left, rect.right);
    DrawVerticalLine(color, rect.left, rect.top, rect.bottom);
    DrawVerticalLine(color, rect.right, rect.top, rect.bottom);
    return true;
}

bool IGraphics::DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin,
                               float rMax, const IChannelBlend* blend, bool antiAlias) {
    const float sinA = std::sin(angle), cosA = std::cos(angle);
    return DrawLine(color, cx + rMin * sinA, cy - rMin * cosA, cx + rMax * sinA, cy - rMax * cosA,
                    blend, antiAlias);
}
