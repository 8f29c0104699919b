// Jewelled pilot lamps in chrome bezels: dark glass when off; lit, the glass glows from within and
// its light spills over the bezel onto the panel.

#include "Parts.h"

#include <cmath>

namespace {

struct Glass {
    PIX_pixel centre, rim;
};

Glass GlassFor(LampColour colour, bool lit) {
    if (colour == LampColour::Red)
        return lit ? Glass{Rgb(255, 236, 196), Rgb(226, 52, 20)}
                   : Glass{Rgb(112, 30, 22), Rgb(36, 8, 6)};
    return lit ? Glass{Rgb(255, 248, 214), Rgb(236, 150, 30)}
               : Glass{Rgb(116, 80, 26), Rgb(40, 26, 8)};
}

PIX_pixel GlowFor(LampColour colour) {
    return colour == LampColour::Red ? Rgb(255, 84, 34) : Rgb(255, 178, 60);
}

} // namespace

Bitmap PaintLamp(LampColour colour, int size, bool lit) {
    const float s = float(size);
    const Point c = {s / 2, s / 2};
    const float bezel = s * 0.32f, jewel = s * 0.225f;
    const Glass glass = GlassFor(colour, lit);

    Bitmap lamp = RenderLayer(size, size, [&](Painter& p) {
        // Polished bezel: a rounded ring that catches the light on both of its slopes.
        p.ConicBand(
            c, jewel + 1.0f, [bezel](float) { return bezel; },
            [](float a) {
                return Mix(Rgb(58, 60, 64), look::kChrome, std::pow(look::Facing(a), 1.6f));
            });
        p.ConicBand(
            c, jewel + 1.0f, [jewel, bezel](float) { return (jewel + bezel) / 2; },
            [](float a) {
                return Mix(Rgb(70, 72, 76), Rgb(236, 238, 240),
                           std::pow(1.0f - look::Facing(a), 2.0f));
            });
        p.Ring(c, bezel - 0.8f, bezel, Rgb(30, 30, 32, 160));
        p.Ring(c, jewel, jewel + 1.0f, Rgb(10, 8, 8));
    });
    AddShadow(lamp.get(), look::kShadowX, look::kShadowY - 1, 1.4f, 0.55f);

    // The jewel: brighter towards the middle, cut into facets that catch the light unevenly.
    const Bitmap glassLayer = RenderLayer(size, size, [&](Painter& p) {
        p.RadialDisc(c, jewel, [&](float t) {
            return Mix(glass.centre, glass.rim, std::pow(t, lit ? 1.4f : 0.9f));
        });
        const int facets = 10;
        for (int i = 0; i < facets; ++i) {
            const float from = 2 * kPi * float(i) / facets, to = from + 2 * kPi / facets;
            const float light = look::Facing(from + kPi / facets);
            p.ArcBand(c, jewel * 0.45f, jewel - 0.3f, from, to,
                      i % 2 ? Rgb(255, 255, 255, int(10 + 30 * light))
                            : Rgb(0, 0, 0, int(30 - 20 * light)));
        }
        p.Ring(c, jewel * 0.45f - 0.3f, jewel * 0.45f + 0.3f, Rgb(255, 255, 255, lit ? 50 : 25));
        // Window reflections: a bright spot and a soft sheen towards the light.
        const Point spot = Polar(c, jewel * 0.48f, look::kLightAngle);
        p.Disc(spot, jewel * 0.42f, Rgb(255, 255, 255, lit ? 40 : 28));
        p.Disc(spot, jewel * 0.2f, Rgb(255, 255, 255, lit ? 200 : 150));
    });
    if (lit) {
        // The light spills over the bezel and onto the panel around it.
        const Bitmap glow = Glow(glassLayer.get(), GlowFor(colour), s * 0.085f, 3.4f);
        Over(lamp.get(), glow.get(), 0.8f);
    }
    Over(lamp.get(), glassLayer.get());
    return lamp;
}
