// The front panel: three crackle-finished plates, one per stage, with the stage names on dark
// label strips, the scales and legends printed around the controls, the maker's nameplate and
// the screws that hold it all together. Positions come from the editor layout, so the printing
// always sits where the controls are.

#include "Parts.h"

#include "resource.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using look::Mark;
namespace b = brindlex;

// The plates' edges, top to bottom.
constexpr float kPlateEdges[] = {0.0f, 247.0f, 451.0f, 700.0f};
constexpr const char* kPlateNames[] = {"AMP", "EQUALIZER", "LIMITER"};
constexpr float kStripLeft = 9.0f, kStripWidth = 32.0f;

Point CentreOf(const b::ControlPlacement& control) {
    return {float(control.x) + float(control.image->width) / 2,
            float(control.y) + float(control.image->height) / 2};
}

// ---------------------------------------------------------------------------------------------
// Paint

// Wrinkle paint: fine raised crinkles catching the light, broad clouds where it lies thicker,
// grain, and a panel lit a little more at its upper left.
Bitmap CrackleFinish(int width, int height) {
    const NoiseField clouds(width, height, 120, 11), patches(width, height, 31, 12);
    const NoiseField crinkle(width, height, 6, 13), fine(width, height, 2, 14);
    // Wrinkles rise along the ridges of the noise, where it crosses its middle.
    const auto relief = [&](int x, int y) {
        return 1.0f - std::fabs(2.0f * crinkle.At(x, y) - 1.0f) + 0.35f * fine.At(x, y);
    };
    Bitmap panel = MakeBitmap(width, height, look::kPaint);
    for (int y = 0; y < height; ++y) {
        int plate = 0;
        while (float(y) >= kPlateEdges[plate + 1])
            ++plate;
        for (int x = 0; x < width; ++x) {
            const float slope = relief(x - 1, y - 1) - relief(x + 1, y + 1);
            const float lighting = 0.05f * (1.0f - float(x + y) / float(width + height) * 2.0f);
            const float k = 1.0f + 0.05f * (clouds.At(x, y) - 0.5f) +
                            0.03f * (patches.At(x, y) - 0.5f) + 0.16f * slope + lighting +
                            0.012f * float(plate % 2) + 0.035f * (Hash01(x, y, 15) - 0.5f);
            PIX_PutPixel(panel.get(), x, y, Shade(look::kPaint, k), 1.0f, PIX_COMBINE_COPY);
        }
    }
    return panel;
}

// ---------------------------------------------------------------------------------------------
// Printing

void Seams(Painter& p, float width) {
    for (int i = 1; i < 3; ++i) {
        const float y = kPlateEdges[i];
        p.Rect(0, y - 2.0f, width, 1.0f, Rgb(0, 0, 0, 60));
        p.Rect(0, y - 1.0f, width, 2.0f, Rgb(16, 18, 14, 230));
        p.Rect(0, y + 1.0f, width, 1.0f, Rgb(255, 255, 240, 50));
    }
    // The panel's own edges: lit along the top and left, shaded along the bottom and right.
    p.Rect(0, 0, width, 1.0f, Rgb(255, 255, 240, 60));
    p.Rect(0, 0, 1.0f, kPlateEdges[3], Rgb(255, 255, 240, 50));
    p.Rect(0, kPlateEdges[3] - 1.0f, width, 1.0f, Rgb(0, 0, 0, 110));
    p.Rect(width - 1.0f, 0, 1.0f, kPlateEdges[3], Rgb(0, 0, 0, 100));
}

// A dark enamelled strip down the left of each plate carrying the stage's name.
void LabelStrips(Painter& p) {
    for (int i = 0; i < 3; ++i) {
        const float top = kPlateEdges[i] + 8.0f, bottom = kPlateEdges[i + 1] - 8.0f;
        p.RoundRect(kStripLeft, top, kStripWidth, bottom - top, 4.0f, Rgb(34, 38, 30));
        p.RoundRectFrame(kStripLeft, top, kStripWidth, bottom - top, 4.0f, 1.0f, Rgb(0, 0, 0, 90));
        p.Line({kStripLeft + 4, top + 1.2f}, {kStripLeft + kStripWidth - 4, top + 1.2f}, 0.8f,
               Rgb(255, 255, 255, 40));
        p.Text(kPlateNames[i], kStripLeft + kStripWidth / 2, (top + bottom) / 2,
               {15.0f, 700, false, 4.0f, true}, look::kLegend);
    }
}

// Ticks round a knob and numbers beyond them, on the knob's sweep.
constexpr float kTickGap = 4.0f, kMajorTick = 5.5f, kMinorTick = 3.5f;

float NumberRadius(float knobRadius, float textSize) {
    return knobRadius + kTickGap + kMajorTick + 2.5f + textSize * 0.6f;
}

void KnobScale(Painter& p, Point centre, float radius, const std::vector<Mark>& marks,
               float textSize) {
    for (const Mark& m : marks) {
        const float a = look::KnobAngle(m.value);
        const bool major = !m.label.empty();
        const float inner = radius + kTickGap;
        p.Line(Polar(centre, inner, a), Polar(centre, inner + (major ? kMajorTick : kMinorTick), a),
               major ? 1.4f : 1.0f, look::kLegend);
        if (major) {
            const Point at = Polar(centre, NumberRadius(radius, textSize), a);
            p.Text(m.label, at.x, at.y, {textSize, 400}, look::kLegend);
        }
    }
}

// Marks every step of the value, labelled with label(i) at every every-th one.
std::vector<Mark> EvenMarks(int steps, int every, const std::function<std::string(int)>& label) {
    std::vector<Mark> marks;
    for (int i = 0; i <= steps; ++i)
        marks.push_back({float(i) / float(steps), i % every == 0 ? label(i) : ""});
    return marks;
}

std::string Signed(int v) {
    return v > 0 ? "+" + std::to_string(v) : std::to_string(v);
}

void Legend(Painter& p, const std::string& text, Point at, float size = 10.0f) {
    p.Text(text, at.x, at.y, {size, 700, false, 1.2f}, look::kLegend);
}

void Below(Painter& p, const b::ControlPlacement& control, const std::string& text, float gap) {
    const Point c = CentreOf(control);
    Legend(p, text, {c.x, float(control.y + control.image->height) + gap});
}

// Under a meter's case, which leaves the image's last pixels to its shadow.
void BelowMeter(Painter& p, const b::ControlPlacement& meter, const std::string& text) {
    const float room = look::kMeterShadowRoom;
    Legend(p, text,
           {float(meter.x) + (float(meter.image->width) - room) / 2,
            float(meter.y + meter.image->height) - room + 9.0f});
}

constexpr float kLargeNumbers = 9.0f, kSmallNumbers = 8.0f;

void Scales(Painter& p) {
    const float large = look::kAttKnob.radius, small = look::kSmallKnob.radius;
    // The drive follows the square of the knob's turn.
    KnobScale(p, CentreOf(b::kAmpGainKnob), large,
              EvenMarks(10, 2, [](int i) { return std::to_string(i * i); }), kLargeNumbers);
    KnobScale(p, CentreOf(b::kAmpToneKnob), small,
              EvenMarks(8, 4, [](int i) { return Signed(i * 3 - 12); }), kSmallNumbers);
    KnobScale(p, CentreOf(b::kAmpNoiseReductionKnob), small,
              EvenMarks(10, 5, [](int i) { return std::to_string(i * 10); }), kSmallNumbers);
    KnobScale(p, CentreOf(b::kEQFreqKnob), large,
              EvenMarks(10, 2, [](int i) { return std::to_string(i * 3 / 2); }), kLargeNumbers);
    KnobScale(p, CentreOf(b::kEQLevelKnob), look::kGainKnob.radius,
              EvenMarks(8, 2, [](int i) { return Signed(i * 3 - 12); }), kLargeNumbers);
    KnobScale(p, CentreOf(b::kLimiterAttenuationKnob), large,
              EvenMarks(12, 2, [](int i) { return std::to_string(i * 10); }), kLargeNumbers);
}

void Legends(Painter& p) {
    // Knobs: the name in the gap at the foot of the scale, level with its end numbers or just
    // clear of the knob, and a unit or second word below.
    const auto underKnob = [&](const b::ControlPlacement& knob, float radius, float textSize,
                               const char* name, const char* unit) {
        const Point c = CentreOf(knob);
        const float y =
            c.y + std::max(NumberRadius(radius, textSize) * std::sqrt(0.5f) + 1.0f, radius + 9.0f);
        Legend(p, name, {c.x, y});
        if (unit) p.Text(unit, c.x, y + 11.0f, {8.0f, 400, false, 0.5f}, look::kLegend);
    };
    const float large = look::kAttKnob.radius, small = look::kSmallKnob.radius;
    underKnob(b::kAmpGainKnob, large, kLargeNumbers, "GAIN", nullptr);
    underKnob(b::kAmpToneKnob, small, kSmallNumbers, "TONE", nullptr);
    underKnob(b::kAmpNoiseReductionKnob, small, kSmallNumbers, "NOISE", "RED.");
    underKnob(b::kEQFreqKnob, large, kLargeNumbers, "FREQ", "kHz");
    underKnob(b::kEQLevelKnob, look::kGainKnob.radius, kLargeNumbers, "LEVEL", "dB");
    underKnob(b::kLimiterAttenuationKnob, large, kLargeNumbers, "ATTEN.", nullptr);

    BelowMeter(p, b::kAmpMeter, "LEVEL");
    BelowMeter(p, b::kGainMeter, "GAIN");
    BelowMeter(p, b::kOutputMeter, "OUTPUT");

    // Stage switches: "ON" by the lever's upper end, "OFF" by its lower; "POWER" over the lamp.
    const auto power = [&](const b::ControlPlacement& lamp, const b::ControlPlacement& toggle) {
        const Point l = CentreOf(lamp), t = CentreOf(toggle);
        const float right = float(toggle.x + toggle.image->width) + 2.0f;
        p.Text("ON", right, t.y - 14.0f, {9.0f, 700, false, 1.0f}, look::kLegend, Align::Left);
        p.Text("OFF", right, t.y + 14.0f, {9.0f, 700, false, 1.0f}, look::kLegend, Align::Left);
        Legend(p, "POWER", {l.x, float(lamp.y) - 8.0f}, 9.0f);
    };
    power(b::kAmpLight, b::kAmpSwitch);
    power(b::kEQLight, b::kEQSwitch);
    power(b::kLimiterLight, b::kLimiterSwitch);

    // The width switch throws left for narrow and right for wide; its lamp shows wide.
    const Point s = CentreOf(b::kEQWidthSwitch);
    const float over = float(b::kEQWidthSwitch.y) - 6.0f;
    p.Text("NARROW", s.x - 4.0f, over, {8.0f, 700, false, 0.8f}, look::kLegend, Align::Right);
    p.Text("WIDE", s.x + 4.0f, over, {8.0f, 700, false, 0.8f}, look::kLegend, Align::Left);
    Below(p, b::kEQWidthLight, "WIDE", 6.0f);
}

// What the equaliser does, printed beside it: a peak between two shelves that move the other
// way, drawn for a boost and, dashed, for a cut.
void ResponseChart(Painter& p, float x, float y, float w, float h) {
    const PIX_pixel ink = Fade(look::kLegend, 0.8f);
    p.RoundRectFrame(x, y, w, h, 4.0f, 0.9f, ink);
    const float left = x + 14.0f, right = x + w - 14.0f, middle = y + h / 2 - 3.0f;
    for (float u = left; u < right; u += 6.0f)
        p.Line({u, middle}, {std::min(u + 3.0f, right), middle}, 0.7f, Fade(ink, 0.6f));
    const auto response = [](float t) {
        const auto step = [](float v) { return 1.0f / (1.0f + std::exp(-v)); };
        return std::exp(-std::pow((t - 0.5f) / 0.09f, 2.0f)) -
               0.45f * (1.0f - step((t - 0.28f) / 0.04f)) - 0.45f * step((t - 0.72f) / 0.04f);
    };
    const float depth = h * 0.27f;
    Point boost = {left, middle - depth * response(0.0f)},
          cut = {left, middle + depth * response(0.0f)};
    const int segments = 90;
    for (int i = 1; i <= segments; ++i) {
        const float t = float(i) / float(segments);
        const Point nextBoost = {left + (right - left) * t, middle - depth * response(t)};
        const Point nextCut = {nextBoost.x, middle + depth * response(t)};
        p.Line(boost, nextBoost, 1.3f, look::kLegend);
        if ((i / 3) % 2 == 0) p.Line(cut, nextCut, 1.0f, ink);
        boost = nextBoost, cut = nextCut;
    }
    p.Text("+", x + 8.0f, middle - depth * 0.8f, {9.0f, 700}, ink);
    p.Text("-", x + 8.0f, middle + depth * 0.8f, {9.0f, 700}, ink);
    p.Text("LOW", left + 14.0f, y + h - 7.0f, {7.0f, 400, false, 0.6f}, ink);
    p.Text("FREQ", (left + right) / 2, y + h - 7.0f, {7.0f, 400, false, 0.6f}, ink);
    p.Text("HIGH", right - 14.0f, y + h - 7.0f, {7.0f, 400, false, 0.6f}, ink);
}

// ---------------------------------------------------------------------------------------------
// Hardware

Bitmap Nameplate(int width, int height) {
    const float w = float(width), h = float(height);
    Bitmap plate = RenderLayer(width, height, [&](Painter& p) {
        p.RoundRect(1, 1, w - 2, h - 2, 5, Rgb(24, 24, 22));
        // Brushed black anodising.
        for (float y = 2; y < h - 2; y += 0.5f)
            p.Rect(3, y, w - 6, 0.5f, Rgb(255, 255, 255, int(Hash01(int(y * 2), 0, 21) * 10)));
        p.RoundRectFrame(1, 1, w - 2, h - 2, 5, 1.0f, Rgb(130, 128, 120, 140));
        p.RoundRectFrame(6, 6, w - 12, h - 12, 3, 0.7f, Fade(look::kLegend, 0.6f));
        p.Text("Halvermoor", w / 2, 20, {12.0f, 400, true, 0.5f}, look::kLegend);
        p.Text("BRINDLEX", w / 2, h / 2 + 2, {25.0f, 700, false, 3.0f}, look::kLegend);
        p.Text("COMMUNICATIONS PROCESSOR", w / 2, h - 18, {6.5f, 700, false, 1.0f},
               Fade(look::kLegend, 0.85f));
        for (const float x : {14.0f, w - 14.0f}) {
            p.RadialDisc({x, h / 2 + 2}, 3.2f,
                         [](float t) { return Mix(Rgb(230, 230, 226), Rgb(90, 90, 88), t); });
        }
    });
    AddShadow(plate.get(), look::kShadowX, look::kShadowY, 2.0f, 0.6f);
    return plate;
}

// The maker's data plate: stamped aluminium held by four small screws.
Bitmap DataPlate(int width, int height) {
    const float w = float(width), h = float(height);
    Bitmap plate = RenderLayer(width, height, [&](Painter& p) {
        p.RoundRect(1, 1, w - 2, h - 2, 3, Rgb(178, 176, 166));
        for (float y = 2; y < h - 2; y += 0.5f)
            p.Rect(2, y, w - 4, 0.5f,
                   Hash01(int(y * 2), 1, 23) < 0.5f ? Rgb(255, 255, 255, 24) : Rgb(0, 0, 0, 18));
        p.RoundRectFrame(1, 1, w - 2, h - 2, 3, 0.8f, Rgb(90, 88, 80, 200));
        const PIX_pixel ink = Rgb(44, 42, 38);
        p.Text("HALVERMOOR", w / 2, 11.0f, {8.0f, 700, false, 2.0f}, ink);
        p.Rect(14, 18.5f, w - 28, 0.7f, Fade(ink, 0.7f));
        p.Text("TYPE BX 112", 14, 27.0f, {7.0f, 700, false, 0.8f}, ink, Align::Left);
        p.Text("SER. No. 0666", w - 14, 27.0f, {7.0f, 700, false, 0.8f}, ink, Align::Right);
        p.Text("CHANNELS 1-1  2-2", w / 2, 38.0f, {6.0f, 700, false, 1.0f}, ink);
        for (const Point at :
             {Point{6, 6}, Point{w - 6, 6}, Point{6, h - 6}, Point{w - 6, h - 6}}) {
            p.Disc(at, 2.2f, Rgb(80, 80, 76));
            p.Disc({at.x - 0.4f, at.y - 0.4f}, 1.6f, Rgb(210, 210, 204));
            p.Line(Polar(at, 1.6f, Radians(30)), Polar(at, -1.6f, Radians(30)), 0.5f,
                   Rgb(60, 60, 56));
        }
    });
    AddShadow(plate.get(), 1, 2, 1.2f, 0.5f);
    return plate;
}

// A slotted cheese-head screw, its slot turned to wherever it came to rest.
Bitmap Screw(float slotAngle) {
    const int size = 20;
    const Point c = {size / 2.0f, size / 2.0f};
    Bitmap screw = RenderLayer(size, size, [&](Painter& p) {
        p.Disc(c, 7.0f, Rgb(20, 22, 18, 160));
        p.RadialDisc(Polar(c, 1.2f, look::kLightAngle), 6.0f,
                     [](float t) { return Mix(Rgb(226, 226, 222), Rgb(96, 96, 94), t); });
        p.Ring(c, 5.6f, 6.1f, Rgb(60, 60, 58, 200));
        const Point a = Polar(c, 5.4f, slotAngle), e = Polar(c, -5.4f, slotAngle);
        p.Line(a, e, 1.8f, Rgb(30, 30, 28));
        p.Line(Polar(a, 0.9f, slotAngle + kPi / 2), Polar(e, 0.9f, slotAngle + kPi / 2), 0.5f,
               Rgb(255, 255, 255, 90));
    });
    AddShadow(screw.get(), 1, 1, 1.0f, 0.5f);
    return screw;
}

void Place(PIX_IBitmap* panel, PIX_IBitmap* part, float x, float y) {
    PIX_Blit(panel, part, int(std::lround(x)), int(std::lround(y)), nullptr, 1.0f,
             PIX_COMBINE_COPY | PIX_COMBINE_USE_SOURCE_ALPHA);
}

} // namespace

Bitmap PaintBackground(int width, int height) {
    Bitmap panel = CrackleFinish(width, height);
    const Bitmap print = RenderLayer(width, height, [&](Painter& p) {
        Seams(p, float(width));
        LabelStrips(p);
        Scales(p);
        Legends(p);
        ResponseChart(p, 62.0f, 268.0f, 186.0f, 70.0f);
    });
    Place(panel.get(), print.get(), 0, 0);

    const Bitmap nameplate = Nameplate(172, 86);
    Place(panel.get(), nameplate.get(), 56, 34);
    const Bitmap dataPlate = DataPlate(150, 46);
    Place(panel.get(), dataPlate.get(), 508, 630);

    int n = 0;
    for (int i = 0; i < 3; ++i)
        for (const float y : {kPlateEdges[i] + 22.0f, kPlateEdges[i + 1] - 22.0f})
            for (const float x : {kStripLeft + kStripWidth / 2, float(width) - 16.0f}) {
                const Bitmap screw = Screw(Hash01(n++, 0, 31) * kPi);
                Place(panel.get(), screw.get(), x - 10.0f, y - 10.0f);
            }
    return panel;
}
