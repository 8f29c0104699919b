// Bat-handle toggle switches: a chrome lever in a threaded bushing held by a hex nut on a washer.
// The lever leans one way for off and the other way for on.

#include "Parts.h"

#include <cmath>

namespace {

using look::Facing;

// A flat washer under a hex nut, the nut's chamfered flanks each facing its own way.
void NutAndWasher(Painter& p, Point c, float size) {
    const float washer = size * 0.30f, nut = size * 0.245f, flat = nut * 0.78f;
    p.ConicBand(
        c, 0.0f, [washer](float) { return washer; },
        [](float a) { return Mix(Rgb(96, 98, 102), Rgb(214, 216, 220), Facing(a)); });
    p.Ring(c, washer - 0.6f, washer, Rgb(40, 40, 42, 180));
    for (int i = 0; i < 6; ++i) {
        const float a0 = Radians(60.0f * float(i)), a1 = a0 + Radians(60.0f);
        const float facing = Facing((a0 + a1) / 2);
        p.Polygon({Polar(c, nut, a0), Polar(c, nut, a1), Polar(c, flat, a1), Polar(c, flat, a0)},
                  Mix(Rgb(70, 72, 76), Rgb(236, 238, 242), std::pow(facing, 1.5f)));
    }
    std::vector<Point> top;
    for (int i = 0; i < 6; ++i)
        top.push_back(Polar(c, flat, Radians(60.0f * float(i))));
    p.Polygon(top, Rgb(168, 170, 174));
    // The threaded bushing: rings of thread round a dark bore.
    const float bushing = size * 0.15f;
    p.ConicBand(
        c, 0.0f, [bushing](float) { return bushing; },
        [](float a) { return Mix(Rgb(110, 112, 116), Rgb(240, 242, 244), Facing(a)); });
    for (float r = bushing * 0.62f; r < bushing; r += 1.0f)
        p.Circle(c, r, Rgb(20, 20, 22, 110));
    p.Disc(c, bushing * 0.55f, Rgb(16, 16, 18));
}

// The lever from the bore to its ball end: a tapered chrome rod, lit across its width.
void Lever(Painter& p, Point c, float length, float direction, float size) {
    const float base = size * 0.05f, end = size * 0.075f, ball = size * 0.095f;
    const Point tip = Polar(c, length, direction);
    const float across = direction + kPi / 2;
    const int strips = 9;
    // Towards the light, which stands in front of the panel and above to the left.
    const float lx = 0.6f * std::sin(look::kLightAngle), ly = -0.6f * std::cos(look::kLightAngle);
    const float side = std::sin(across) * lx - std::cos(across) * ly;
    for (int i = 0; i < strips; ++i) {
        const float u0 = -1.0f + 2.0f * float(i) / strips, u1 = u0 + 2.0f / strips;
        // The rod's surface at u across it faces sideways by u and forwards by the rest.
        const float u = (u0 + u1) / 2;
        const float lit = std::max(0.0f, u * side + 0.8f * std::sqrt(1.0f - u * u));
        const PIX_pixel colour =
            Mix(Rgb(60, 62, 66), Rgb(250, 250, 252), 0.1f + 0.9f * std::pow(lit, 2.5f));
        p.Polygon({Polar(c, base * u0, across), Polar(tip, end * u0, across),
                   Polar(tip, end * u1, across), Polar(c, base * u1, across)},
                  colour);
    }
    // The ball end, lit from the upper left.
    p.Disc(tip, ball, Rgb(70, 72, 76));
    p.RadialDisc(Polar(tip, ball * 0.25f, look::kLightAngle), ball * 0.8f,
                 [](float t) { return Mix(Rgb(250, 250, 252), Rgb(120, 122, 126), t); });
    p.Disc(Polar(tip, ball * 0.45f, look::kLightAngle), ball * 0.22f, Rgb(255, 255, 255));
}

} // namespace

Bitmap PaintToggle(int width, int height, bool horizontal, bool on) {
    const float w = float(width), h = float(height);
    const float size = std::min(w, h) * (horizontal ? 1.0f : 1.1f);
    // Centred a little up and to the left, so the shadow has room below and to the right.
    const Point c = {w / 2 - 1.0f, h / 2 - 1.0f};
    const float direction =
        horizontal ? (on ? Radians(90.0f) : Radians(-90.0f)) : (on ? 0.0f : Radians(180.0f));
    const float reach = (horizontal ? w : h) / 2 - size * 0.22f;
    Bitmap layer = RenderLayer(width, height, [&](Painter& p) {
        NutAndWasher(p, c, size);
        Lever(p, c, reach, direction, size);
    });
    AddShadow(layer.get(), look::kShadowX, look::kShadowY - 1, 1.3f, 0.6f);
    return layer;
}
