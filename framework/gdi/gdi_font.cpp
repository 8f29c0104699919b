// Fonts: the request mapped onto the built-in face, and its glyphs rendered as coverage masks
// from round-ended strokes.
//
// Small sizes stay crisp by snapping: every design coordinate maps to a pixel centre (odd
// stroke widths) or a pixel edge (even ones), the same coordinate to the same place in every
// glyph, so stems, baselines and x-heights line up along a text. Italics shear and escapements
// rotate after snapping.

#include "gdi.h"
#include "gdi_face.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr int kMaxHeight = 1024; // keeps a glyph mask within a megabyte
constexpr int kMaxWidth = 1024;
constexpr double kPi = 3.14159265358979323846;
constexpr double kItalicSlant = 0.2126; // tan 12 degrees
constexpr double kArcTolerance = 0.05;  // pixels between an arc and its chords

// Nearest pixel centre (offset 0.5) or pixel edge (offset 0).
double Snap(double t, double offset) {
    return std::floor(t - offset + 0.5) + offset;
}

} // namespace

struct GDI_Font {
    GDI_TextMetrics metrics;
    double scaleX, scaleY; // pixels per design unit
    double stroke;         // stroke width in pixels
    double snapOffset;     // 0.5: strokes centred on pixel centres; 0: on pixel edges
    double bodyLeft;       // pixels from the pen to the body's x = 0
    double slant;          // italic shear, pixels right per pixel up
    double cosA, sinA;     // escapement
    bool underline, strikeOut;
    int advances[kFaceGlyphCount];
};

namespace {

struct Stroke {
    double x1, y1, x2, y2;
    double half; // half the width
    bool butt;   // flat ends exactly at the endpoints (rules run on from glyph to glyph)
};

// Turns a glyph's commands into strokes in pixels: pen at the origin, y down.
class StrokeBuilder {
public:
    StrokeBuilder(const GDI_Font& f, std::vector<Stroke>& out) : mFont(f), mOut(out) {}

    double X(double u) const { return Snap(mFont.bodyLeft + u * mFont.scaleX, mFont.snapOffset); }
    double Y(double v) const { return Snap(-v * mFont.scaleY, mFont.snapOffset); }

    void Run(const std::vector<GDI_FaceCommand>& commands) {
        mDown = false;
        for (const GDI_FaceCommand& c : commands) {
            switch (c.kind) {
            case GDI_FaceCommand::Move:
                MoveTo(X(c.v[0]), Y(c.v[1]));
                break;
            case GDI_FaceCommand::Line:
                LineTo(X(c.v[0]), Y(c.v[1]));
                break;
            case GDI_FaceCommand::Arc:
                Arc(c.v);
                break;
            case GDI_FaceCommand::Dot: {
                const double x = X(c.v[0]), y = Y(c.v[1]);
                // Dots read better a little fuller than the stroke once there is room.
                Emit(x, y, x, y, Half() * (mFont.stroke >= 2.0 ? 1.25 : 1.0), false);
                mDown = false;
                break;
            }
            case GDI_FaceCommand::Lift:
                mDown = false;
                break;
            }
        }
    }

    // A rule across the whole advance at design height v.
    void Rule(double v, int advance) { Emit(0.0, Y(v), advance, Y(v), Half(), true); }

private:
    double Half() const { return mFont.stroke / 2; }

    void MoveTo(double x, double y) {
        mX = x, mY = y;
        mDown = true;
    }

    void LineTo(double x, double y) {
        if (mDown) Emit(mX, mY, x, y, Half(), false);
        MoveTo(x, y);
    }

    // Snaps the ellipse's extremes like any other coordinate, so bowls meet stems exactly.
    void Arc(const double* v) {
        const double left = X(v[0] - v[2]), right = X(v[0] + v[2]);
        const double top = Y(v[1] + v[3]), bottom = Y(v[1] - v[3]);
        const double cx = (left + right) / 2, cy = (top + bottom) / 2;
        const double rx = (right - left) / 2, ry = (bottom - top) / 2;
        const double from = v[4] * kPi / 180, sweep = (v[5] - v[4]) * kPi / 180;
        const double r = std::max(rx, ry);
        const double step = r > kArcTolerance ? 2 * std::acos(1 - kArcTolerance / r) : kPi;
        const int n = std::clamp(int(std::ceil(std::fabs(sweep) / step)), 1, 512);
        for (int i = 0; i <= n; ++i) {
            const double a = from + sweep * i / n;
            const double x = cx + rx * std::cos(a), y = cy - ry * std::sin(a);
            if (i == 0 && !mDown)
                MoveTo(x, y);
            else
                LineTo(x, y);
        }
    }

    void Emit(double x1, double y1, double x2, double y2, double half, bool butt) {
        Place(x1, y1);
        Place(x2, y2);
        mOut.push_back({x1, y1, x2, y2, half, butt});
    }

    // Italic shear about the slant centre, then the escapement.
    void Place(double& x, double& y) const {
        x += mFont.slant * (-kFaceSlantCentre * mFont.scaleY - y);
        const double rx = x * mFont.cosA + y * mFont.sinA;
        const double ry = -x * mFont.sinA + y * mFont.cosA;
        x = rx, y = ry;
    }

    const GDI_Font& mFont;
    std::vector<Stroke>& mOut;
    bool mDown = false;
    double mX = 0.0, mY = 0.0;
};

// Share of the pixel centred at (px, py) that a stroke covers: anti-aliased, coverage falls off
// linearly over the pixel at the stroke's edge; aliased, the centre is in or out.
double StrokeShare(const Stroke& s, double px, double py, bool aa) {
    const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
    const double length = std::hypot(dx, dy);
    const double qx = px - s.x1, qy = py - s.y1;
    const auto ramp = [](double v) { return std::clamp(v, 0.0, 1.0); };
    if (s.butt) {
        if (length == 0.0) return 0.0;
        const double along = (qx * dx + qy * dy) / length;
        const double across = std::fabs(qx * dy - qy * dx) / length;
        if (!aa) return across <= s.half + 1e-9 && along >= 0.0 && along < length ? 1.0 : 0.0;
        return ramp(s.half + 0.5 - across) * ramp(along + 0.5) * ramp(length - along + 0.5);
    }
    const double t =
        length > 0.0 ? std::clamp((qx * dx + qy * dy) / (length * length), 0.0, 1.0) : 0.0;
    const double distance = std::hypot(qx - t * dx, qy - t * dy);
    if (!aa) return distance <= s.half + 1e-9 ? 1.0 : 0.0;
    return ramp(s.half + 0.5 - distance);
}

// Sets everything that follows from the scale: sy pixels per design unit upright, sx across
// (0: the same), heaviness the stroke weight relative to regular. Returns in above and below
// the whole rows that the ink of the face reaches above and below the baseline.
void SetScale(GDI_Font* f, double sy, double sx, double heaviness, int& above, int& below) {
    // Strokes are at least a pixel wide; heavier weights thicken them and widen the advances
    // by as much, so bold text keeps its spacing.
    const double regular = std::max(1.0, kFaceStroke * sy);
    f->stroke = std::max(std::max(1.0, heaviness), kFaceStroke * heaviness * sy);
    const double extra = std::max(0.0, f->stroke - regular);
    f->scaleX = sx > 0.0 ? sx : sy;
    f->scaleY = sy;
    f->snapOffset = std::lround(f->stroke) % 2 ? 0.5 : 0.0;
    f->bodyLeft = kFaceSideBearing * f->scaleX + extra / 2;

    GDI_Font upright = *f;
    upright.cosA = 1.0, upright.sinA = 0.0, upright.slant = 0.0;
    std::vector<Stroke> strokes;
    StrokeBuilder builder(upright, strokes);
    // Anti-aliased strokes shade pixels whose centre is within half a pixel beyond their edge.
    const double fringe = f->metrics.antialiased ? 0.5 : 0.0;
    double top = 0.0, bottom = 0.0;
    for (int i = 0; i < kFaceGlyphCount; ++i) {
        strokes.clear();
        builder.Run(GDI_FaceCommands(i));
        double left = 0.0, right = 0.0;
        for (const Stroke& st : strokes) {
            left = std::min(left, std::min(st.x1, st.x2) - st.half - fringe);
            right = std::max(right, std::max(st.x1, st.x2) + st.half + fringe);
            top = std::min(top, std::min(st.y1, st.y2) - st.half - fringe);
            bottom = std::max(bottom, std::max(st.y1, st.y2) + st.half + fringe);
        }
        // Snapping can pull neighbours together at small sizes: at least a pixel stays between
        // one body's strokes and the next, and the ink stays within the advance.
        const double units = kFaceGlyphs[i].width + 2 * kFaceSideBearing;
        const double body = builder.X(kFaceGlyphs[i].width) - builder.X(0.0);
        f->advances[i] =
            std::max({int(std::lround(units * f->scaleX + extra)),
                      int(std::ceil(body + f->stroke + 1.0)), int(std::ceil(right - 0.5))});
    }
    above = int(std::ceil(-top - 0.5));
    below = int(std::ceil(bottom - 0.5));
}

} // namespace

GDI_Font* GDI_CreateFont(int height, int width, int escapement, int orientation, int weight,
                         bool italic, bool underline, bool strikeOut, int charSet, int outPrecision,
                         int clipPrecision, int quality, int pitchAndFamily, const char* faceName) {
    // One face serves every name, character set, precision and pitch; glyphs turn with the
    // escapement, so the orientation adds nothing of its own.
    (void)orientation, (void)charSet, (void)outPrecision, (void)clipPrecision;
    (void)pitchAndFamily, (void)faceName;
    if (height < 1 || height > kMaxHeight || width < 0 || width > kMaxWidth) return nullptr;
    auto* f = new (std::nothrow) GDI_Font{};
    if (!f) return nullptr;

    weight = weight == 0 ? 400 : std::clamp(weight, 1, 1000); // 0: FW_DONTCARE
    f->slant = italic ? kItalicSlant : 0.0;
    const int tenths = escapement % 3600;
    f->cosA = tenths ? std::cos(tenths * kPi / 1800.0) : 1.0;
    f->sinA = tenths ? std::sin(tenths * kPi / 1800.0) : 0.0;
    f->underline = underline;
    f->strikeOut = strikeOut;

    GDI_TextMetrics& m = f->metrics;
    m.antialiased = quality != 3; // NONANTIALIASED_QUALITY

    // The line holds all the ink of the face. Where rounding to pixels pushes the ink past the
    // line, the face shrinks a little until it fits.
    const double xAdvanceUnits = kFaceGlyphs['x' - kFaceFirstChar].width + 2 * kFaceSideBearing;
    const double heaviness = std::pow(weight / 400.0, 0.8);
    const int nominalAscent = int(std::lround(height * kFaceAscentUnits / kFaceLineUnits));
    double sy = height / kFaceLineUnits;
    int above = 0, below = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        SetScale(f, sy, width > 0 ? width / xAdvanceUnits : 0.0, heaviness, above, below);
        if (above + below <= height) break;
        sy *= std::min(0.98, double(height) / (above + below));
    }
    m.ascent = above + below <= height ? std::clamp(nominalAscent, above, height - below)
                                       : std::min(above, height);
    m.height = height;
    m.descent = height - m.ascent;
    m.aveCharWidth = f->advances['x' - kFaceFirstChar];
    m.maxCharWidth = *std::max_element(f->advances, f->advances + kFaceGlyphCount);
    m.weight = weight;
    m.italic = italic;
    m.escapement = escapement;
    return f;
}

void GDI_DeleteFont(GDI_Font* font) {
    delete font;
}

bool GDI_GetTextMetrics(GDI_Font* font, GDI_TextMetrics* metrics) {
    if (!font || !metrics) return false;
    *metrics = font->metrics;
    return true;
}

int GDI_GetGlyphCount(GDI_Font* font) {
    return font ? kFaceGlyphCount : 0;
}

int GDI_GetGlyphIndex(GDI_Font* font, int codepoint) {
    if (!font) return -1;
    if (codepoint == '\t') return ' ' - kFaceFirstChar;
    if (codepoint >= kFaceFirstChar && codepoint <= kFaceLastChar)
        return codepoint - kFaceFirstChar;
    if (codepoint < kFaceFirstChar || (codepoint >= 0x7f && codepoint < 0xa0)) return -1;
    return kFaceMissingGlyph;
}

int GDI_GetGlyphAdvance(GDI_Font* font, int glyph) {
    return font && glyph >= 0 && glyph < kFaceGlyphCount ? font->advances[glyph] : 0;
}

bool GDI_RenderGlyph(GDI_Font* font, int glyph, double penX, double penY, GDI_GlyphMask* mask) {
    if (!mask) return false;
    *mask = GDI_GlyphMask{};
    if (!font || glyph < 0 || glyph >= kFaceGlyphCount || !std::isfinite(penX) ||
        !std::isfinite(penY))
        return false;
    constexpr double kPenReach = 1 << 20;
    penX = std::clamp(penX, -kPenReach, kPenReach);
    penY = std::clamp(penY, -kPenReach, kPenReach);

    std::vector<Stroke> strokes;
    StrokeBuilder builder(*font, strokes);
    builder.Run(GDI_FaceCommands(glyph));
    if (font->underline) builder.Rule(kFaceUnderline, font->advances[glyph]);
    if (font->strikeOut) builder.Rule(kFaceStrikeOut, font->advances[glyph]);
    if (strokes.empty()) return true;

    for (Stroke& s : strokes) {
        s.x1 += penX, s.x2 += penX;
        s.y1 += penY, s.y2 += penY;
    }
    const auto reach = [](const Stroke& s, double a, double b, bool low) {
        return low ? std::floor(std::min(a, b) - s.half - 1)
                   : std::ceil(std::max(a, b) + s.half + 1);
    };
    double left = HUGE_VAL, top = HUGE_VAL, right = -HUGE_VAL, bottom = -HUGE_VAL;
    for (const Stroke& s : strokes) {
        left = std::min(left, reach(s, s.x1, s.x2, true));
        top = std::min(top, reach(s, s.y1, s.y2, true));
        right = std::max(right, reach(s, s.x1, s.x2, false));
        bottom = std::max(bottom, reach(s, s.y1, s.y2, false));
    }
    mask->left = int(left);
    mask->top = int(top);
    mask->width = int(right - left);
    mask->height = int(bottom - top);
    mask->coverage.assign(size_t(mask->width) * size_t(mask->height), 0);

    const bool aa = font->metrics.antialiased;
    for (const Stroke& s : strokes) {
        const int x0 = int(reach(s, s.x1, s.x2, true)) - mask->left;
        const int y0 = int(reach(s, s.y1, s.y2, true)) - mask->top;
        const int x1 = int(reach(s, s.x1, s.x2, false)) - mask->left;
        const int y1 = int(reach(s, s.y1, s.y2, false)) - mask->top;
        for (int j = y0; j < y1; ++j) {
            unsigned char* row = &mask->coverage[size_t(j) * size_t(mask->width)];
            for (int i = x0; i < x1; ++i) {
                const double share = StrokeShare(s, mask->left + i + 0.5, mask->top + j + 0.5, aa);
                const auto value = static_cast<unsigned char>(std::lround(share * 255.0));
                row[i] = std::max(row[i], value);
            }
        }
    }
    return true;
}
