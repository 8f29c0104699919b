// Moving-needle panel meters: a bakelite case, a cream printed face behind glass, and a needle
// that rests at the left for 0 and reaches the right end for 1.

#include "Parts.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

// Amplitude as a fraction of full scale for a level in decibels.
float FromDecibels(float db) {
    return std::pow(10.0f, db / 20.0f);
}

std::vector<look::Mark> DecibelMarks() {
    std::vector<look::Mark> marks;
    for (float db : {-20.0f, -10.0f, -6.0f, -3.0f, 0.0f})
        marks.push_back({FromDecibels(db), std::to_string(int(db))});
    for (float db : {-15.0f, -8.0f, -5.0f, -4.0f, -2.0f, -1.0f})
        marks.push_back({FromDecibels(db), ""});
    return marks;
}

// Evenly divided: a labelled mark every `every` minor divisions.
std::vector<look::Mark> LinearMarks(int divisions, int every, float labelStep) {
    std::vector<look::Mark> marks;
    for (int i = 0; i <= divisions; ++i) {
        std::string label;
        if (i % every == 0) label = std::to_string(int(std::lround(float(i) * labelStep)));
        marks.push_back({float(i) / float(divisions), label});
    }
    return marks;
}

struct Face {
    std::vector<look::Mark> outer; // the main scale, ticks outwards from the arc
    std::vector<look::Mark> inner; // the second scale, ticks inwards, printed in red
    float redFrom;                 // the main arc is red from here to the end; above 1: nowhere
    const char* caption;
};

Face FaceFor(MeterScale scale) {
    if (scale == MeterScale::Level)
        return {DecibelMarks(), LinearMarks(10, 5, 10.0f), FromDecibels(-3.0f), "dB"};
    return {LinearMarks(20, 4, 0.5f), DecibelMarks(), 2.0f, "mA"};
}

void Scale(Painter& p, Point pivot, float radius, const std::vector<look::Mark>& marks,
           bool outward, PIX_pixel ink, float textSize) {
    using look::MeterAngle;
    p.ArcBand(pivot, radius - 0.35f, radius + 0.35f, MeterAngle(0.0f), MeterAngle(1.0f), ink);
    const float side = outward ? 1.0f : -1.0f;
    for (const look::Mark& m : marks) {
        const float a = MeterAngle(m.value);
        const float length = m.label.empty() ? 3.0f : 5.5f;
        p.Line(Polar(pivot, radius, a), Polar(pivot, radius + side * length, a),
               m.label.empty() ? 0.7f : 1.0f, ink);
        if (!m.label.empty()) {
            const Point at = Polar(pivot, radius + side * (length + textSize * 0.55f + 1.0f), a);
            p.Text(m.label, at.x, at.y, {textSize, 400}, ink);
        }
    }
}

} // namespace

Bitmap PaintMeter(MeterScale scale, int width, int height, int frames) {
    const Face face = FaceFor(scale);
    // The case, with room to the right and below for its shadow.
    const float w = float(width) - look::kMeterShadowRoom;
    const float h = float(height) - look::kMeterShadowRoom;
    // The window, and the pivot hidden below it.
    const float wx = 13.0f, wy = 11.0f, ww = w - 26.0f, wh = h - 32.0f;
    const Point pivot = {w / 2, wy + wh + 20.0f};
    const float arc = pivot.y - wy - 25.0f;

    // Everything but the needle stays put, so it is painted once.
    Bitmap dial = RenderLayer(width, height, [&](Painter& p) {
        // Case: a moulded bezel with a soft sheen along its upper edge.
        p.RoundRect(3, 2, w - 6, h - 6, 9, look::kBakelite);
        p.RoundRectFrame(3, 2, w - 6, h - 6, 9, 1.2f, Rgb(92, 90, 86, 150));
        p.Line({14, 3.4f}, {w - 14, 3.4f}, 1.0f, Rgb(255, 255, 255, 60));
        p.RoundRectFrame(wx - 2.5f, wy - 2.5f, ww + 5, wh + 5, 6, 1.5f, Rgb(8, 8, 8));

        // Face, a little darker towards its edges, in the shade of the bezel at the top.
        p.RoundRect(wx, wy, ww, wh, 4, look::kMeterFace);
        for (int i = 0; i < 6; ++i)
            p.RoundRectFrame(wx, wy, ww, wh, 4, float(i + 1) * 1.5f, Rgb(90, 60, 20, 6));
        for (int i = 0; i < 4; ++i)
            p.Rect(wx, wy, ww, float(i + 1), Rgb(0, 0, 0, 22));

        Scale(p, pivot, arc, face.outer, true, look::kMeterInk, 8.0f);
        if (face.redFrom <= 1.0f)
            p.ArcBand(pivot, arc + 0.4f, arc + 4.5f, look::MeterAngle(face.redFrom),
                      look::MeterAngle(1.0f), look::kMeterRed);
        Scale(p, pivot, arc - 11.0f, face.inner, false, look::kMeterRed, 6.5f);
        p.Text(face.caption, pivot.x, wy + wh - 19.0f, {10.0f, 700}, look::kMeterInk);
        p.Text("Halvermoor", wx + 24.0f, wy + wh - 6.0f, {7.0f, 400, true}, Rgb(110, 96, 76));
    });
    AddShadow(dial.get(), look::kShadowX, look::kShadowY, 2.5f, 0.6f);

    return MakeStrip(width, height, frames, [&](int frame) {
        const float a = look::MeterAngle(float(frame) / float(std::max(1, frames - 1)));
        const Bitmap needle = RenderLayer(width, height, [&](Painter& p) {
            // The needle and its shadow on the face below and to the right.
            const Point root = Polar(pivot, 18.0f, a), tip = Polar(pivot, arc + 7.0f, a);
            p.Line({root.x + 2.0f, root.y + 2.5f}, {tip.x + 2.0f, tip.y + 2.5f}, 2.2f,
                   Rgb(60, 40, 10, 40));
            p.Line(root, tip, 1.3f, Rgb(20, 18, 16));
            // The pivot housing covers the needle's root.
            const Point housing = {pivot.x, wy + wh};
            p.ArcBand(housing, 0.0f, 12.0f, Radians(-90.0f), Radians(90.0f), Rgb(30, 29, 28));
            p.ArcBand(housing, 11.0f, 12.0f, Radians(-90.0f), Radians(10.0f), Rgb(120, 118, 112));
            p.ArcBand(housing, 0.0f, 3.0f, Radians(-90.0f), Radians(90.0f), Rgb(70, 68, 64));
            // Glass: a broad faint reflection across the upper left.
            p.Polygon({{wx, wy}, {wx + ww * 0.55f, wy}, {wx + ww * 0.25f, wy + wh}, {wx, wy + wh}},
                      Rgb(255, 255, 255, 16));
        });
        Bitmap out = MakeBitmap(width, height, 0);
        PIX_Blit(out.get(), dial.get(), 0, 0, nullptr, 1.0f, PIX_COMBINE_COPY);
        Over(out.get(), needle.get());
        return out;
    });
}
