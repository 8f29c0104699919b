#pragma once

// Drawing for the image tool. A painter draws in image coordinates (pixel (i, j) covers
// [i, i + 1) x [j, j + 1); angles in radians, 0 straight up, clockwise) onto a bitmap kept a
// whole number of times larger, so that polygons come out smooth once the bitmap is reduced.
// Layers are painted twice, over black and over white, and their straight alpha is read back
// from the difference, so any mix of shapes, text and gradients ends up with true edges.

#include "pix.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

using Bitmap = std::unique_ptr<PIX_MemBitmap>;

// A width x height bitmap with every pixel set to fill.
Bitmap MakeBitmap(int width, int height, PIX_pixel fill);

constexpr PIX_pixel Rgb(int r, int g, int b, int a = 255) {
    return PIX_RGBA(r, g, b, a);
}
// a moved toward b by t in 0..1, alpha included.
PIX_pixel Mix(PIX_pixel a, PIX_pixel b, float t);
// Red, green and blue scaled by k and clamped; alpha kept.
PIX_pixel Shade(PIX_pixel c, float k);
// Alpha scaled by opacity.
PIX_pixel Fade(PIX_pixel c, float opacity);

constexpr float kPi = 3.14159265358979f;
constexpr float Radians(float degrees) {
    return degrees * kPi / 180.0f;
}

struct Point {
    float x, y;
};
// The point at distance radius from centre in the direction angle.
Point Polar(Point centre, float radius, float angle);

struct Font {
    float size;       // line height in image pixels
    int weight = 400; // 400 regular, 700 bold
    bool italic = false;
    float tracking = 0.0f; // extra space between letters, image pixels
    bool upward = false;   // turned a quarter left, reading from bottom to top
};

enum class Align { Left, Centre, Right };

class Painter {
public:
    Painter(PIX_IBitmap* target, int scale) : mTarget(target), mScale(scale) {}

    // Colours carry their own opacity in their alpha.
    void Rect(float x, float y, float w, float h, PIX_pixel color);
    void RoundRect(float x, float y, float w, float h, float radius, PIX_pixel color);
    // The band between two rounded rectangles, the inner one inset by width.
    void RoundRectFrame(float x, float y, float w, float h, float radius, float width,
                        PIX_pixel color);
    void Disc(Point centre, float radius, PIX_pixel color);
    void Ring(Point centre, float inner, float outer, PIX_pixel color);
    // A hairline circle, one pixel of the painting surface wide: fine detail at little cost.
    void Circle(Point centre, float radius, PIX_pixel color);
    // The band between two radii from angle from to angle to, clockwise.
    void ArcBand(Point centre, float inner, float outer, float from, float to, PIX_pixel color);
    void Polygon(const std::vector<Point>& points, PIX_pixel color);
    // A straight band of the given width with square ends at a and b.
    void Line(Point a, Point b, float width, PIX_pixel color);
    // The band between two radii, coloured by angle in wedges no wider than a pixel or two.
    // outer(angle) gives the outer radius, for outlines that are not round.
    void ConicBand(Point centre, float inner, const std::function<float(float)>& outer,
                   const std::function<PIX_pixel(float)>& shade);
    // A disc coloured from its centre (t = 0) to its rim (t = 1) in thin rings.
    void RadialDisc(Point centre, float radius, const std::function<PIX_pixel(float)>& shade);

    // Text with the middle of its capitals on y, aligned to x.
    void Text(const std::string& text, float x, float y, const Font& font, PIX_pixel color,
              Align align = Align::Centre);

private:
    float TextWidth(const std::string& text, const Font& font) const;
    float S(float v) const { return v * float(mScale); }

    PIX_IBitmap* mTarget;
    int mScale;
};

// How much larger layers are painted than they come out.
constexpr int kSupersample = 4;

// Paints at kSupersample times the size and returns the image with straight alpha.
Bitmap RenderLayer(int width, int height, const std::function<void(Painter&)>& paint);

// src over dest, top-left corners together, both with straight alpha.
void Over(PIX_IBitmap* dest, PIX_IBitmap* src, float opacity = 1.0f);
// The layer's shape in black, softened by radius, moved by (dx, dy) and laid under it at the
// given opacity: the shadow of an object lit from the upper left.
void AddShadow(PIX_IBitmap* layer, int dx, int dy, float radius, float opacity);
// The layer's shape in the given colour, softened by radius, its alpha scaled by gain: the halo
// of a light.
Bitmap Glow(PIX_IBitmap* layer, PIX_pixel color, float radius, float gain);

// Value noise in 0..1: random values cell pixels apart, smoothly interpolated.
class NoiseField {
public:
    NoiseField(int width, int height, int cell, unsigned seed);
    float At(int x, int y) const;

private:
    Bitmap mField;
};
// A random value in 0..1 for a pixel, the same for the same arguments.
float Hash01(int x, int y, unsigned seed);

// Frames stacked top to bottom: frame(i) paints frame i of count, each width x height.
Bitmap MakeStrip(int width, int height, int count, const std::function<Bitmap(int)>& frame);
