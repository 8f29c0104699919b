// Fluted bakelite knobs with machined aluminium inserts. The flutes and the pointer turn with the
// value; the light stays where it is, so each frame shades the flutes afresh.

#include "Parts.h"

#include <cmath>

namespace {

using look::Facing;

// How deep the flutes cut at angle (relative to the knob's turn): 0 on a ridge, 1 at the
// bottom of a flute.
float FluteCut(float angle, int flutes) {
    const float period = 2 * kPi / float(flutes);
    float u = std::fmod(angle / period, 1.0f);
    if (u < 0.0f) u += 1.0f;
    const float half = 0.42f; // the cuts leave narrow ridges between them
    const float t = (u - 0.5f) / half;
    return std::fabs(t) < 1.0f ? std::sqrt(1.0f - t * t) : 0.0f;
}

// Brushed aluminium as seen under the light: two bright sectors facing towards and away from
// it, the grain a little uneven from sector to sector.
PIX_pixel Brushed(float angle, float brightness) {
    const float sheen = std::pow(std::fabs(std::cos(angle - look::kLightAngle)), 6.0f);
    const float grain = Hash01(int(angle * 400.0f), 3, 17) * 0.06f;
    return Shade(look::kAluminium, brightness * (0.72f + 0.42f * sheen + grain));
}

// Concentric turning marks on a machined face.
void TurningMarks(Painter& p, Point c, float radius) {
    for (float r = 1.5f; r < radius - 0.5f; r += 0.7f) {
        const float h = Hash01(int(r * 10.0f), 0, 5);
        p.Circle(c, r, h < 0.5f ? Rgb(255, 255, 255, 22) : Rgb(0, 0, 0, 26));
    }
}

// A raised aluminium disc with a bevelled edge.
void MetalDisc(Painter& p, Point c, float radius, float brightness) {
    p.ConicBand(
        c, radius - 1.2f, [radius](float) { return radius; },
        [brightness](float a) {
            return Shade(look::kAluminium, brightness * (0.5f + 0.7f * Facing(a)));
        });
    p.ConicBand(
        c, 0.0f, [radius](float) { return radius - 1.2f; },
        [brightness](float a) { return Brushed(a, brightness); });
    TurningMarks(p, c, radius - 1.2f);
}

// The fluted body: its sloping flank, cut by the flutes, and its flat top.
void FlutedBody(Painter& p, Point c, float radius, int flutes, float turn) {
    const float top = radius * 0.8f;
    const float depth = radius * 0.05f;
    const auto outline = [=](float a) { return radius - depth * FluteCut(a - turn, flutes); };
    // The flank faces along the outline's normal, which the flutes swing to and fro.
    const auto flank = [=](float a) {
        const float da = 0.002f;
        const float slope = (outline(a + da) - outline(a - da)) / (2 * da);
        const float facing = Facing(a - std::atan2(slope, outline(a)));
        const float lit = std::pow(facing, 2.5f);
        return Mix(Rgb(8, 8, 8), Rgb(150, 148, 144), lit * 0.8f + 0.08f);
    };
    p.ConicBand(c, top, outline, flank);
    // The top is flat, with a bright chamfer where it meets the flank.
    p.ConicBand(
        c, top - 1.3f, [top](float) { return top; },
        [](float a) {
            return Mix(look::kBakelite, Rgb(170, 168, 162), std::pow(Facing(a), 3.0f));
        });
    p.Disc(c, top - 1.3f, Mix(look::kBakelite, Rgb(62, 60, 58), 0.25f));
    // A soft sheen on the polished top, strongest towards the light.
    for (int i = 0; i < 5; ++i) {
        const float spread = Radians(30.0f + 12.0f * float(i));
        p.ArcBand(c, top * (0.62f + 0.04f * float(i)), top - 1.5f, look::kLightAngle - spread,
                  look::kLightAngle + spread, Rgb(255, 255, 255, 7));
    }
}

} // namespace

Bitmap PaintKnob(const look::KnobLook& knob, int size, int frames) {
    const Point c = {size / 2.0f, size / 2.0f};
    const float body = knob.skirt ? knob.radius * 0.68f : knob.radius;
    // The machined metal looks the same at any turn, so it is painted once: the skirt under the
    // turning parts, the insert over them.
    const Bitmap skirt = RenderLayer(size, size, [&](Painter& p) {
        if (knob.skirt) MetalDisc(p, c, knob.radius, 0.95f);
    });
    const Bitmap insert = RenderLayer(size, size, [&](Painter& p) {
        MetalDisc(p, c, knob.capRadius, 1.0f);
        // A shallow centre bore from the lathe.
        p.Disc(c, 1.6f, Rgb(90, 92, 96));
        p.Disc({c.x + 0.3f, c.y + 0.3f}, 1.0f, Rgb(150, 152, 156));
    });

    return MakeStrip(size, size, frames, [&](int frame) {
        const float turn = look::KnobAngle(float(frame) / float(std::max(1, frames - 1)));
        const Bitmap turning = RenderLayer(size, size, [&](Painter& p) {
            if (knob.skirt) {
                // The pointer line is engraved into the skirt.
                p.Line(Polar(c, knob.radius * 0.74f, turn), Polar(c, knob.radius - 2.0f, turn),
                       2.2f, knob.pointer);
                // The body stands on the skirt and shades it towards the lower right.
                for (int i = 4; i >= 1; --i)
                    p.Disc({c.x + 1.2f, c.y + 1.8f}, body + float(i) * 0.8f, Rgb(0, 0, 0, 40));
            }
            FlutedBody(p, c, body, knob.flutes, turn);
            // The painted pointer runs from the insert across the top and down the flank,
            // where it turns away from the light.
            const float width = std::max(2.2f, body * 0.075f);
            const PIX_pixel paint = knob.skirt ? look::kLegend : knob.pointer;
            p.Line(Polar(c, knob.capRadius + 2.0f, turn), Polar(c, body - 1.0f, turn), width,
                   paint);
            p.Line(Polar(c, body * 0.8f, turn), Polar(c, body - 1.0f, turn), width,
                   Fade(Rgb(0, 0, 0), 0.25f * (1.0f - Facing(turn))));
        });
        Bitmap knobFrame = MakeBitmap(size, size, 0);
        Over(knobFrame.get(), skirt.get());
        Over(knobFrame.get(), turning.get());
        Over(knobFrame.get(), insert.get());
        AddShadow(knobFrame.get(), 1, 1, 0.8f, 0.5f);
        AddShadow(knobFrame.get(), look::kShadowX + 1, look::kShadowY + 1, 2.6f, 0.55f);
        return knobFrame;
    });
}
