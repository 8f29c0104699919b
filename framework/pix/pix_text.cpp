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

// Lines of text in a font: the block they make and, for a rotated font, the bounding box of the
// block turned about its top-left corner, which is what gets placed.
struct TextBlock {
    std::vector<TextLine> lines;
    int64_t width = 0, height = 0;       // unturned
    int64_t boxWidth = 0, boxHeight = 0; // turned
    bool turned = false;
    double cosA = 1.0, sinA = 0.0;
    double minX = 0.0, minY = 0.0; // of the turned block relative to its corner

    // Block coordinates (u right, v down along the lines) to offsets from the corner.
    void Turn(double u, double v, double& x, double& y) const {
        x = u * cosA + v * sinA;
        y = -u * sinA + v * cosA;
    }
};

TextBlock LayOut(GDI_Font* font, const GDI_TextMetrics& metrics, const char* str, size_t length) {
    TextBlock block;
    for (const char *p = str, *end = str + length;;) {
        const char* stop = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        TextLine line{p, stop ? stop : end, 0};
        ForEachGlyph(font, line.begin, line.end,
                     [&](int glyph) { line.width += GDI_GetGlyphAdvance(font, glyph); });
        block.width = std::max(block.width, line.width);
        block.lines.push_back(line);
        if (!stop) break;
        p = stop + 1;
    }
    block.height = int64_t(block.lines.size()) * metrics.height;
    block.boxWidth = block.width;
    block.boxHeight = block.height;

    const int tenths = metrics.escapement % 3600;
    if (tenths == 0) return block;
    const double angle = tenths * 3.14159265358979323846 / 1800.0;
    block.turned = true;
    block.cosA = std::cos(angle);
    block.sinA = std::sin(angle);
    double maxX = 0.0, maxY = 0.0;
    for (const auto& [u, v] : {std::pair{double(block.width), 0.0},
                               {0.0, double(block.height)},
                               {double(block.width), double(block.height)}}) {
        double x, y;
        block.Turn(u, v, x, y);
        block.minX = std::min(block.minX, x), maxX = std::max(maxX, x);
        block.minY = std::min(block.minY, y), maxY = std::max(maxY, y);
    }
    // Without the rounding noise of the sines, a quarter turn measures exactly.
    block.boxWidth = int64_t(std::ceil(maxX - block.minX - 1e-9));
    block.boxHeight = int64_t(std::ceil(maxY - block.minY - 1e-9));
    return block;
}

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

// A line of upright text with its pen starting at (x, baseline); maskOf(glyph) gives the
// rendered glyph, or null.
template <class Painter, class MaskOf>
void DrawLine(const Painter& p, GDI_Font* font, const TextLine& line, int64_t x, int64_t baseline,
              const ClipBox& clip, MaskOf&& maskOf) {
    ForEachGlyph(font, line.begin, line.end, [&](int glyph) {
        if (const GDI_GlyphMask* mask = maskOf(glyph)) BlitMask(p, *mask, x, baseline, clip);
        x += GDI_GetGlyphAdvance(font, glyph);
    });
}

// A line of turned text, its pen starting at u along the block's lines. Turned glyphs land
// between pixels, so each is rendered where it falls rather than cached.
template <class Painter>
void DrawTurnedLine(const Painter& p, GDI_Font* font, const TextBlock& block, const TextLine& line,
                    int64_t u, int64_t baseline, double originX, double originY,
                    const ClipBox& clip) {
    GDI_GlyphMask mask;
    ForEachGlyph(font, line.begin, line.end, [&](int glyph) {
        double x, y;
        block.Turn(double(u), double(baseline), x, y);
        x += originX, y += originY;
        const double cellX = std::floor(x), cellY = std::floor(y);
        if (GDI_RenderGlyph(font, glyph, x - cellX, y - cellY, &mask))
            BlitMask(p, mask, int64_t(cellX), int64_t(cellY), clip);
        u += GDI_GetGlyphAdvance(font, glyph);
    });
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

    const TextBlock block = LayOut(mFont, metrics, str, length);
    if (flags & PIX_DT_CALCRECT) {
        rect->right = ClampInt(int64_t(rect->left) + block.boxWidth);
        rect->bottom = ClampInt(int64_t(rect->top) + block.boxHeight);
        return ClampInt(block.boxHeight);
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
        const auto maskOf = [this](int glyph) -> const GDI_GlyphMask* {
            const Glyph* g = GetGlyph(glyph);
            return g ? &g->mask : nullptr;
        };
        const double originX =
            double(Align(block.boxWidth, rect->left, rect->right, flags)) - block.minX;
        const double originY = double(rect->top) - block.minY;
        PIX_WithPainter(bm, color, alpha, PIX_COMBINE_COPY, [&](const auto& p) {
            for (size_t i = 0; i < block.lines.size(); ++i) {
                const TextLine& line = block.lines[i];
                const int64_t baseline = int64_t(i) * metrics.height + metrics.ascent;
                if (block.turned) {
                    DrawTurnedLine(p, mFont, block, line, Align(line.width, 0, block.width, flags),
                                   baseline, originX, originY, clip);
                    continue;
                }
                const int64_t y = rect->top + baseline;
                if (y - metrics.height < clip.bottom && y + metrics.height > clip.top)
                    DrawLine(p, mFont, line, Align(line.width, rect->left, rect->right, flags), y,
                             clip, maskOf);
            }
        });
    }
    if (!(mFlags & PIX_FONT_FLAG_CACHE_GLYPHS))
        for (auto& glyph : mGlyphs)
            glyph.reset();
    return ClampInt(block.boxHeight);
}
