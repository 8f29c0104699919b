// Text in GDI fonts: lines laid out from the font's advances, each glyph's coverage mask
// rendered once and blitted in the text colour, its coverage scaling the weight.

#include "gdi.h"
#include "pix_paint.h"

#include <climits>
#include <cmath>
#include <cstring>

struct PIX_CachedFont::Glyph {
    GDI_GlyphMask mask; // pen at the origin
};

namespace {

// Decodes the UTF-8 character at p; a malformed byte stands alone as a character the font
// lacks.
int NextCodepoint(const unsigned char*& p, const unsigned char* end) {
    const unsigned lead = *p++;
    if (lead < 0x80) return int(lead);
    const int extra = lead >= 0xf0 && lead < 0xf5 ? 3 : lead >= 0xe0 ? 2 : lead >= 0xc2 ? 1 : -1;
    if (extra < 0 || end - p < extra) return 0xfffd;
    int cp = int(lead & (0x3f >> extra));
    for (int i = 0; i < extra; ++i) {
        if ((p[i] & 0xc0) != 0x80) return 0xfffd;
        cp = cp << 6 | (p[i] & 0x3f);
    }
    p += extra;
    return cp;
}

// Calls fn(glyph) for each glyph of the bytes [p, end) that draws or takes room.
template <class Fn> void ForEachGlyph(GDI_Font* font, const char* from, const char* to, Fn&& fn) {
    auto* p = reinterpret_cast<const unsigned char*>(from);
    const auto* end = reinterpret_cast<const unsigned char*>(to);
    while (p < end) {
        const int glyph = GDI_GetGlyphIndex(font, NextCodepoint(p, end));
        if (glyph >= 0) fn(glyph);
    }
}

struct TextLine {
    const char* begin;
    const char* end;
    int64_t width;
};

int ClampInt(int64_t v) {
    return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

int64_t FloorHalf(int64_t v) {
    return v >= 0 ? v / 2 : -((-v + 1) / 2);
}

// Left edge of a run of the given width in the box [left, right) under the alignment flags.
int64_t Align(int64_t width, int64_t left, int64_t right, unsigned flags) {
    if (flags & PIX_DT_CENTER) return left + FloorHalf(right - left - width);
    if (flags & PIX_DT_RIGHT) return right - width;
    return left;
}

// Pixels that drawing may touch, [left, right) x [top, bottom).
struct ClipBox {
    int64_t left, top, right, bottom;
};

template <class Painter>
void BlitMask(const Painter& p, const GDI_GlyphMask& m, int64_t x, int64_t y, const ClipBox& clip) {
    const int64_t left = x + m.left, top = y + m.top;
    const int64_t i0 = std::max<int64_t>(0, clip.left - left);
    const int64_t i1 = std::min<int64_t>(m.width, clip.right - left);
    const int64_t j0 = std::max<int64_t>(0, clip.top - top);
    const int64_t j1 = std::min<int64_t>(m.height, clip.bottom - top);
    for (int64_t j = j0; j < j1; ++j) {
        const unsigned char* row = &m.coverage[size_t(j * m.width)];
        for (int64_t i = i0; i < i1; ++i)
            if (const int c = row[i]) p.plot(left + i, top + j, c + (c >> 7)); // 255 -> 256
    }
}

} // namespace

PIX_CachedFont::PIX_CachedFont() = default;

PIX_CachedFont::~PIX_CachedFont() {
    ReleaseFont();
}

void PIX_CachedFont::ReleaseFont() {
    if (mFont && (mFlags & PIX_FONT_FLAG_OWNS_HFONT)) GDI_DeleteFont(mFont);
    mFont = nullptr;
    mGlyphs.clear();
}

void PIX_CachedFont::SetFromHFont(GDI_Font* font, int flags) {
    if (font != mFont) ReleaseFont();
    mFont = font;
    mFlags = flags;
    mGlyphs.clear();
    mGlyphs.resize(size_t(GDI_GetGlyphCount(font)));
}

PIX_pixel PIX_CachedFont::SetTextColor(PIX_pixel color) {
    const PIX_pixel previous = mTextColor;
    mTextColor = color;
    return previous;
}

int PIX_CachedFont::GetLineHeight() {
    GDI_TextMetrics metrics;
    return GDI_GetTextMetrics(mFont, &metrics) ? metrics.height : 0;
}

const PIX_CachedFont::Glyph* PIX_CachedFont::GetGlyph(int index) {
    if (index < 0 || size_t(index) >= mGlyphs.size()) return nullptr;
    std::unique_ptr<Glyph>& slot = mGlyphs[size_t(index)];
    if (!slot) {
        slot = std::make_unique<Glyph>();
        GDI_RenderGlyph(mFont, index, 0.0, 0.0, &slot->mask);
    }
    return slot.get();
}

int PIX_CachedFont::DrawText(PIX_IBitmap* bm, const char* str, int strcnt, PIX_Rect* rect,
                             unsigned flags) {
    GDI_TextMetrics metrics;
    if (!str || !rect || strcnt < -1 || !GDI_GetTextMetrics(mFont, &metrics)) return 0;
    const size_t length = strcnt < 0 ? std::strlen(str) : size_t(strcnt);
    if (length == 0) return 0;

    std::vector<TextLine> lines;
    int64_t blockWidth = 0;
    for (const char *p = str, *end = str + length;;) {
        const char* stop = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        TextLine line{p, stop ? stop : end, 0};
        ForEachGlyph(mFont, line.begin, line.end,
                     [&](int glyph) { line.width += GDI_GetGlyphAdvance(mFont, glyph); });
        blockWidth = std::max(blockWidth, line.width);
        lines.push_back(line);
        if (!stop) break;
        p = stop + 1;
    }
    const int64_t lineHeight = metrics.height;
    const int64_t blockHeight = int64_t(lines.size()) * lineHeight;

    // A rotated block turns about its top-left corner; its bounding box is what gets placed.
    const int tenths = metrics.escapement % 3600;
    const double angle = tenths * 3.14159265358979323846 / 1800.0;
    const double cosA = tenths ? std::cos(angle) : 1.0, sinA = tenths ? std::sin(angle) : 0.0;
    const auto turn = [&](double u, double v, double& x, double& y) {
        x = u * cosA + v * sinA;
        y = -u * sinA + v * cosA;
    };
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (const auto& [u, v] : {std::pair{double(blockWidth), 0.0},
                               {0.0, double(blockHeight)},
                               {double(blockWidth), double(blockHeight)}}) {
        double x, y;
        turn(u, v, x, y);
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    const int64_t boxWidth = tenths ? int64_t(std::ceil(maxX - minX - 1e-9)) : blockWidth;
    const int64_t boxHeight = tenths ? int64_t(std::ceil(maxY - minY - 1e-9)) : blockHeight;

    if (flags & PIX_DT_CALCRECT) {
        rect->right = ClampInt(int64_t(rect->left) + boxWidth);
        rect->bottom = ClampInt(int64_t(rect->top) + boxHeight);
        return ClampInt(boxHeight);
    }

    const PIX_Surface surface = PIX_SurfaceOf(bm);
    if (!surface) return 0;
    ClipBox clip{0, 0, surface.width, surface.height};
    if (!(flags & PIX_DT_NOCLIP)) {
        clip.left = std::max<int64_t>(clip.left, rect->left);
        clip.top = std::max<int64_t>(clip.top, rect->top);
        clip.right = std::min<int64_t>(clip.right, rect->right);
        clip.bottom = std::min<int64_t>(clip.bottom, rect->bottom);
    }

    const PIX_pixel color = mTextColor | 0xff;
    const float alpha = flags & PIX_DT_USEFGALPHA ? PIX_GETA(mTextColor) / 255.0f : 1.0f;
    if (clip.left < clip.right && clip.top < clip.bottom) {
        PIX_WithPainter(bm, color, alpha, PIX_COMBINE_COPY, [&](const auto& p) {
            GDI_GlyphMask turned;
            const double originX = double(Align(boxWidth, rect->left, rect->right, flags)) - minX;
            const double originY = double(rect->top) - minY;
            for (size_t i = 0; i < lines.size(); ++i) {
                const TextLine& line = lines[i];
                const int64_t baseline = int64_t(i) * lineHeight + metrics.ascent;
                if (!tenths) {
                    int64_t x = Align(line.width, rect->left, rect->right, flags);
                    const int64_t y = rect->top + baseline;
                    if (y - lineHeight >= clip.bottom || y + lineHeight <= clip.top) continue;
                    ForEachGlyph(mFont, line.begin, line.end, [&](int glyph) {
                        if (const Glyph* g = GetGlyph(glyph)) BlitMask(p, g->mask, x, y, clip);
                        x += GDI_GetGlyphAdvance(mFont, glyph);
                    });
                    continue;
                }
                int64_t u = Align(line.width, 0, blockWidth, flags);
                ForEachGlyph(mFont, line.begin, line.end, [&](int glyph) {
                    double x, y;
                    turn(double(u), double(baseline), x, y);
                    x += originX, y += originY;
                    const double cellX = std::floor(x), cellY = std::floor(y);
                    if (GDI_RenderGlyph(mFont, glyph, x - cellX, y - cellY, &turned))
                        BlitMask(p, turned, int64_t(cellX), int64_t(cellY), clip);
                    u += GDI_GetGlyphAdvance(mFont, glyph);
                });
            }
        });
    }
    if (!(mFlags & PIX_FONT_FLAG_CACHE_GLYPHS))
        for (auto& glyph : mGlyphs)
            glyph.reset();
    return ClampInt(boxHeight);
}
