#include "Painter.h"

#include "gdi.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {

constexpr int kBlend = PIX_COMBINE_COPY | PIX_COMBINE_USE_SOURCE_ALPHA;

int Channel(float v) {
    return std::clamp(int(std::lround(v)), 0, 255);
}

// Fonts by line height in target pixels, weight, slant and turn; their glyphs are kept, since
// every frame of a strip draws the same letters.
PIX_CachedFont& CachedFont(int height, int weight, bool italic, bool upward) {
    static std::map<std::tuple<int, int, bool, bool>, std::unique_ptr<PIX_CachedFont>> fonts;
    auto& slot = fonts[{height, weight, italic, upward}];
    if (!slot) {
        slot = std::make_unique<PIX_CachedFont>();
        const int turn = upward ? 900 : 0;
        slot->SetFromHFont(GDI_CreateFont(height, 0, turn, turn, weight, italic, false, false, 0, 0,
                                          0, 4, 0, "Halvermoor Engraving"),
                           PIX_FONT_FLAG_OWNS_HFONT | PIX_FONT_FLAG_CACHE_GLYPHS);
    }
    return *slot;
}

// The mean of each factor x factor block, rounded; the size shrinks by the factor.
Bitmap Reduce(PIX_IBitmap* src, int factor) {
    const int w = src->getWidth() / factor, h = src->getHeight() / factor;
    Bitmap out = MakeBitmap(w, h, 0);
    const int n = factor * factor;
    for (int y = 0; y < h; ++y) {
        auto* to = reinterpret_cast<unsigned char*>(out->getBits() + y * out->getRowSpan());
        for (int x = 0; x < w; ++x) {
            int sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < factor; ++j) {
                const auto* from = reinterpret_cast<const unsigned char*>(
                    src->getBits() + (y * factor + j) * src->getRowSpan() + x * factor);
                for (int i = 0; i < factor * 4; ++i)
                    sum[i & 3] += from[i];
            }
            for (int c = 0; c < 4; ++c)
                to[x * 4 + c] = static_cast<unsigned char>((sum[c] + n / 2) / n);
        }
    }
    return out;
}

// Width of text in target pixels.
int MeasureScaled(PIX_CachedFont& font, const char* text, int length) {
    PIX_Rect r = {0, 0, 0, 0};
    font.DrawText(nullptr, text, length, &r, PIX_DT_CALCRECT);
    return r.right;
}

} // namespace

Bitmap MakeBitmap(int width, int height, PIX_pixel fill) {
    auto bm = std::make_unique<PIX_MemBitmap>(width, height);
    PIX_Clear(bm.get(), fill);
    return bm;
}

PIX_pixel Mix(PIX_pixel a, PIX_pixel b, float t) {
    const auto lerp = [t](int x, int y) { return Channel(float(x) + (float(y) - float(x)) * t); };
    return PIX_RGBA(lerp(PIX_GETR(a), PIX_GETR(b)), lerp(PIX_GETG(a), PIX_GETG(b)),
                    lerp(PIX_GETB(a), PIX_GETB(b)), lerp(PIX_GETA(a), PIX_GETA(b)));
}

PIX_pixel Shade(PIX_pixel c, float k) {
    return PIX_RGBA(Channel(float(PIX_GETR(c)) * k), Channel(float(PIX_GETG(c)) * k),
                    Channel(float(PIX_GETB(c)) * k), PIX_GETA(c));
}

PIX_pixel Fade(PIX_pixel c, float opacity) {
    return (c & ~PIX_pixel(0xff)) | PIX_pixel(Channel(float(PIX_GETA(c)) * opacity));
}

Point Polar(Point centre, float radius, float angle) {
    return {centre.x + radius * std::sin(angle), centre.y - radius * std::cos(angle)};
}

// ---------------------------------------------------------------------------------------------

void Painter::Rect(float x, float y, float w, float h, PIX_pixel color) {
    const int left = int(std::lround(S(x))), top = int(std::lround(S(y)));
    PIX_FillRect(mTarget, left, top, int(std::lround(S(x + w))) - left,
                 int(std::lround(S(y + h))) - top, color, 1.0f, kBlend);
}

namespace {

// Outline of a rounded rectangle, clockwise from the top of the left edge.
std::vector<Point> RoundRectOutline(float x, float y, float w, float h, float radius) {
    radius = std::clamp(radius, 0.0f, std::min(w, h) / 2);
    const int steps = 12;
    const Point corners[4] = {{x + radius, y + radius},
                              {x + w - radius, y + radius},
                              {x + w - radius, y + h - radius},
                              {x + radius, y + h - radius}};
    std::vector<Point> points;
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i <= steps; ++i)
            points.push_back(
                Polar(corners[c], radius,
                      Radians(-90.0f + 90.0f * float(c)) + Radians(90.0f) * float(i) / steps));
    return points;
}

// Joins an outer and an inner outline into one outline whose even-odd fill is the band
// between them: out along one edge, round the inner outline backwards, and back.
std::vector<Point> Band(std::vector<Point> outer, const std::vector<Point>& inner) {
    outer.push_back(outer.front());
    outer.push_back(inner.front());
    outer.insert(outer.end(), inner.rbegin(), inner.rend() - 1);
    outer.push_back(inner.front());
    return outer;
}

std::vector<Point> CircleOutline(Point centre, float radius, float from, float to, int segments) {
    std::vector<Point> points;
    for (int i = 0; i <= segments; ++i)
        points.push_back(Polar(centre, radius, from + (to - from) * float(i) / float(segments)));
    return points;
}

} // namespace

void Painter::RoundRect(float x, float y, float w, float h, float radius, PIX_pixel color) {
    Polygon(RoundRectOutline(x, y, w, h, radius), color);
}

void Painter::RoundRectFrame(float x, float y, float w, float h, float radius, float width,
                             PIX_pixel color) {
    Polygon(Band(RoundRectOutline(x, y, w, h, radius),
                 RoundRectOutline(x + width, y + width, w - 2 * width, h - 2 * width,
                                  std::max(0.0f, radius - width))),
            color);
}

void Painter::Disc(Point centre, float radius, PIX_pixel color) {
    PIX_FillCircle(mTarget, S(centre.x) - 0.5f, S(centre.y) - 0.5f, S(radius), color, 1.0f, kBlend,
                   true);
}

void Painter::Ring(Point centre, float inner, float outer, PIX_pixel color) {
    const int segments = std::max(24, int(S(outer)));
    std::vector<Point> a = CircleOutline(centre, outer, 0.0f, 2 * kPi, segments);
    std::vector<Point> b = CircleOutline(centre, inner, 0.0f, 2 * kPi, segments);
    a.pop_back();
    b.pop_back();
    Polygon(Band(a, b), color);
}

void Painter::Circle(Point centre, float radius, PIX_pixel color) {
    PIX_Circle(mTarget, S(centre.x) - 0.5f, S(centre.y) - 0.5f, S(radius), color, 1.0f, kBlend,
               true);
}

void Painter::ArcBand(Point centre, float inner, float outer, float from, float to,
                      PIX_pixel color) {
    const int segments = std::max(4, int(S(outer) * (to - from) / 2));
    std::vector<Point> points = CircleOutline(centre, outer, from, to, segments);
    const std::vector<Point> back = CircleOutline(centre, inner, from, to, segments);
    points.insert(points.end(), back.rbegin(), back.rend());
    Polygon(points, color);
}

void Painter::Polygon(const std::vector<Point>& points, PIX_pixel color) {
    std::vector<int> xs, ys;
    for (const Point& p : points) {
        xs.push_back(int(std::lround(S(p.x))));
        ys.push_back(int(std::lround(S(p.y))));
    }
    PIX_FillConvexPolygon(mTarget, xs.data(), ys.data(), int(xs.size()), color, 1.0f, kBlend);
}

void Painter::Line(Point a, Point b, float width, PIX_pixel color) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float length = std::hypot(dx, dy);
    if (length <= 0.0f) return;
    const float nx = -dy / length * width / 2, ny = dx / length * width / 2;
    Polygon(
        {{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}},
        color);
}

void Painter::ConicBand(Point centre, float inner, const std::function<float(float)>& outer,
                        const std::function<PIX_pixel(float)>& shade) {
    const float reach = S(std::max(outer(0.0f), outer(kPi)));
    const int wedges = std::max(64, int(2 * kPi * reach / 1.5f));
    // Corners are computed once per spoke, so neighbouring wedges share their edges exactly.
    std::vector<Point> in(size_t(wedges) + 1), out(size_t(wedges) + 1);
    for (int i = 0; i <= wedges; ++i) {
        const float angle = 2 * kPi * float(i % wedges) / float(wedges);
        in[size_t(i)] = Polar(centre, inner, angle);
        out[size_t(i)] = Polar(centre, outer(angle), angle);
    }
    for (int i = 0; i < wedges; ++i) {
        const PIX_pixel color = shade(2 * kPi * (float(i) + 0.5f) / float(wedges));
        const size_t a = size_t(i), b = size_t(i) + 1;
        if (inner > 0.0f)
            Polygon({in[a], out[a], out[b], in[b]}, color);
        else
            Polygon({centre, out[a], out[b]}, color);
    }
}

void Painter::RadialDisc(Point centre, float radius, const std::function<PIX_pixel(float)>& shade) {
    const int rings = std::max(2, int(S(radius) / 1.5f));
    for (int i = rings; i >= 1; --i) {
        const float t = float(i) / float(rings);
        Disc(centre, radius * t, shade(t));
    }
}

void Painter::Text(const std::string& text, float x, float y, const Font& font, PIX_pixel color,
                   Align align) {
    if (text.empty()) return;
    PIX_CachedFont& f =
        CachedFont(int(std::lround(S(font.size))), font.weight, font.italic, font.upward);
    GDI_TextMetrics metrics;
    if (!GDI_GetTextMetrics(f.GetHFont(), &metrics)) return;
    f.SetTextColor(color);
    const unsigned flags = PIX_DT_NOCLIP | PIX_DT_USEFGALPHA;
    // The capitals reach 12 of the 14.5 units above the baseline.
    const float capMiddle = float(metrics.ascent) * (1.0f - 6.0f / 14.5f);
    const float width = S(TextWidth(text, font));
    const float run = align == Align::Left ? 0.0f : align == Align::Centre ? width / 2 : width;
    const float tracking = S(font.tracking);
    // Letter by letter, so that tracking can open the text up. Advances are measured upright:
    // a turned font measures the turned box.
    PIX_CachedFont& upright =
        CachedFont(int(std::lround(S(font.size))), font.weight, font.italic, false);
    float pen = 0.0f;
    for (size_t i = 0; i < text.size(); ++i) {
        const int advance = MeasureScaled(upright, &text[i], 1);
        PIX_Rect r;
        if (font.upward) {
            const float bottom = S(y) + run - pen;
            r.left = int(std::lround(S(x) - capMiddle));
            r.top = int(std::lround(bottom)) - advance;
        } else {
            r.left = int(std::lround(S(x) - run + pen));
            r.top = int(std::lround(S(y) - capMiddle));
        }
        r.right = r.left + (font.upward ? metrics.height : advance);
        r.bottom = r.top + (font.upward ? advance : metrics.height);
        f.DrawText(mTarget, &text[i], 1, &r, flags);
        pen += float(advance) + tracking;
    }
}

float Painter::TextWidth(const std::string& text, const Font& font) const {
    PIX_CachedFont& f = CachedFont(int(std::lround(S(font.size))), font.weight, font.italic, false);
    float width = 0.0f;
    for (size_t i = 0; i < text.size(); ++i)
        width += float(MeasureScaled(f, &text[i], 1));
    if (!text.empty()) width += S(font.tracking) * float(text.size() - 1);
    return width / float(mScale);
}

// ---------------------------------------------------------------------------------------------

Bitmap RenderLayer(int width, int height, const std::function<void(Painter&)>& paint) {
    const int s = kSupersample;
    Bitmap black = MakeBitmap(width * s, height * s, Rgb(0, 0, 0));
    Bitmap white = MakeBitmap(width * s, height * s, Rgb(255, 255, 255));
    Painter onBlack(black.get(), s), onWhite(white.get(), s);
    paint(onBlack);
    paint(onWhite);
    black = Reduce(black.get(), s);
    white = Reduce(white.get(), s);

    // Over black a pixel shows c * a, over white c * a + 255 * (1 - a).
    Bitmap out = MakeBitmap(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const PIX_pixel b = PIX_GetPixel(black.get(), x, y),
                            w = PIX_GetPixel(white.get(), x, y);
            const int through = (PIX_GETR(w) - PIX_GETR(b)) + (PIX_GETG(w) - PIX_GETG(b)) +
                                (PIX_GETB(w) - PIX_GETB(b));
            const int alpha = std::clamp(255 - (through + 1) / 3, 0, 255);
            if (alpha == 0) continue;
            const auto colour = [alpha](int v) {
                return std::min(255, (v * 255 + alpha / 2) / alpha);
            };
            PIX_PutPixel(
                out.get(), x, y,
                PIX_RGBA(colour(PIX_GETR(b)), colour(PIX_GETG(b)), colour(PIX_GETB(b)), alpha),
                1.0f, PIX_COMBINE_COPY);
        }
    return out;
}

void Over(PIX_IBitmap* dest, PIX_IBitmap* src, float opacity) {
    const int w = std::min(dest->getWidth(), src->getWidth());
    const int h = std::min(dest->getHeight(), src->getHeight());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const PIX_pixel s = PIX_GetPixel(src, x, y), d = PIX_GetPixel(dest, x, y);
            const float sa = float(PIX_GETA(s)) / 255.0f * opacity;
            if (sa <= 0.0f) continue;
            const float da = float(PIX_GETA(d)) / 255.0f * (1.0f - sa);
            const float a = sa + da;
            const auto channel = [&](int sc, int dc) {
                return Channel((float(sc) * sa + float(dc) * da) / a);
            };
            PIX_PutPixel(dest, x, y,
                         PIX_RGBA(channel(PIX_GETR(s), PIX_GETR(d)),
                                  channel(PIX_GETG(s), PIX_GETG(d)),
                                  channel(PIX_GETB(s), PIX_GETB(d)), Channel(a * 255.0f)),
                         1.0f, PIX_COMBINE_COPY);
        }
}

namespace {

// Blurs by about radius pixels (the spread of a Gaussian of that deviation).
void Soften(Bitmap& bm, float radius) {
    // One pass of the blur spreads by a variance of half a pixel squared; wide blurs run on a
    // reduced copy, where each pass reaches further and faint values are not lost to rounding.
    const int factor = radius >= 3.0f ? 4 : radius >= 1.5f ? 2 : 1;
    const float r = radius / float(factor);
    const int passes = std::max(1, int(std::lround(2.0f * r * r)));
    const int w = bm->getWidth(), h = bm->getHeight();
    if (factor == 1) {
        for (int i = 0; i < passes; ++i)
            PIX_Blur(bm.get(), bm.get(), 0, 0, 0, 0, w, h);
        return;
    }
    // Padded to whole blocks with transparent pixels of the image's own colour.
    const int pw = (w + factor - 1) / factor * factor, ph = (h + factor - 1) / factor * factor;
    Bitmap padded = MakeBitmap(pw, ph, PIX_GetPixel(bm.get(), 0, 0) & ~PIX_pixel(0xff));
    PIX_Blit(padded.get(), bm.get(), 0, 0, nullptr, 1.0f, PIX_COMBINE_COPY);
    Bitmap small = Reduce(padded.get(), factor);
    for (int i = 0; i < passes; ++i)
        PIX_Blur(small.get(), small.get(), 0, 0, 0, 0, small->getWidth(), small->getHeight());
    PIX_ScaledBlit(bm.get(), small.get(), 0, 0, w, h, 0.0f, 0.0f, float(w) / float(factor),
                   float(h) / float(factor), 1.0f, PIX_COMBINE_COPY | PIX_COMBINE_FILTER_BILINEAR);
}

// The layer's alpha moved by (dx, dy), softened and scaled by gain, on the given colour.
Bitmap SoftenedShape(PIX_IBitmap* layer, PIX_pixel color, int dx, int dy, float radius,
                     float gain) {
    const int w = layer->getWidth(), h = layer->getHeight();
    Bitmap shape = MakeBitmap(w, h, color & ~PIX_pixel(0xff));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int a = PIX_GETA(PIX_GetPixel(layer, x - dx, y - dy));
            if (a) PIX_PutPixel(shape.get(), x, y, Fade(color, float(a) / 255.0f), 1.0f, 0);
        }
    Soften(shape, radius);
    // Only the alpha was meant to spread; the blur's rounding has dimmed the colour a little.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float a = float(PIX_GETA(PIX_GetPixel(shape.get(), x, y))) / 255.0f;
            PIX_PutPixel(shape.get(), x, y, Fade(color, std::min(1.0f, a * gain)), 1.0f, 0);
        }
    return shape;
}

} // namespace

void AddShadow(PIX_IBitmap* layer, int dx, int dy, float radius, float opacity) {
    Bitmap shadow = SoftenedShape(layer, Rgb(0, 0, 0), dx, dy, radius, opacity);
    Over(shadow.get(), layer);
    PIX_Blit(layer, shadow.get(), 0, 0, nullptr, 1.0f, PIX_COMBINE_COPY);
}

Bitmap Glow(PIX_IBitmap* layer, PIX_pixel color, float radius, float gain) {
    return SoftenedShape(layer, color, 0, 0, radius, gain);
}

// ---------------------------------------------------------------------------------------------

float Hash01(int x, int y, unsigned seed) {
    uint32_t v = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    v ^= v >> 15;
    v *= 0x2C1B3C6Du;
    v ^= v >> 12;
    v *= 0x297A2D39u;
    v ^= v >> 15;
    return float(v >> 8) / float(1 << 24);
}

NoiseField::NoiseField(int width, int height, int cell, unsigned seed) {
    const int cw = width / cell + 2, ch = height / cell + 2;
    Bitmap coarse = MakeBitmap(cw, ch, 0);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            const int v = Channel(Hash01(x, y, seed) * 255.0f);
            PIX_PutPixel(coarse.get(), x, y, PIX_RGBA(v, v, v, 255), 1.0f, PIX_COMBINE_COPY);
        }
    mField = MakeBitmap(width, height, 0);
    PIX_ScaledBlit(mField.get(), coarse.get(), 0, 0, width, height, 0.0f, 0.0f,
                   float(width) / float(cell), float(height) / float(cell), 1.0f,
                   PIX_COMBINE_COPY | PIX_COMBINE_FILTER_BILINEAR);
}

float NoiseField::At(int x, int y) const {
    return float(PIX_GETR(PIX_GetPixel(mField.get(), x, y))) / 255.0f;
}

Bitmap MakeStrip(int width, int height, int count, const std::function<Bitmap(int)>& frame) {
    Bitmap strip = MakeBitmap(width, height * count, 0);
    for (int i = 0; i < count; ++i) {
        Bitmap f = frame(i);
        PIX_Blit(strip.get(), f.get(), 0, i * height, nullptr, 1.0f, PIX_COMBINE_COPY);
    }
    return strip;
}
