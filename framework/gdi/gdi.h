#pragma once

// The GDI layer: platform drawing contexts the raster library draws into, and the fonts it
// renders text with.

#include <cstdint>
#include <vector>

// A drawing context: a pixel surface the platform can put on screen.
struct GDI_GfxContext;

// A memory drawing context of width x height pixels, 4 bytes per pixel in the raster library's
// byte order (alpha ignored), rows stored top-down and exactly width pixels apart, cleared to
// zero, its first pixel on a 64-byte boundary. Null when a size is below 1 or memory is short.
GDI_GfxContext* GDI_CreateMemContext(int width, int height);

// The first pixel of the top row of a memory context, or null (null context).
void* GDI_GetCtxFrameBuffer(GDI_GfxContext* ctx);

// Size of a memory context in pixels; 0 for a null context.
int GDI_GetCtxWidth(GDI_GfxContext* ctx);
int GDI_GetCtxHeight(GDI_GfxContext* ctx);

// Releases a context and its pixels; null is ignored.
void GDI_DeleteGfxContext(GDI_GfxContext* ctx);

// ---------------------------------------------------------------------------------------------
// Fonts. One built-in scalable face serves every face name: single-stroke lettering drawn with
// round-ended strokes, its glyphs rendered as coverage masks for the raster library to colour.

struct GDI_Font;

// The Windows-style font request: height in pixels (the line height the font should have),
// width 0 = natural (otherwise the average character width), escapement/orientation in tenths
// of a degree, weight 400 normal / 700 bold, quality 0 default, 3 no anti-aliasing, 4
// anti-aliased. Null on failure (e.g. height below 1).
GDI_Font* GDI_CreateFont(int height, int width, int escapement, int orientation, int weight,
                         bool italic, bool underline, bool strikeOut, int charSet, int outPrecision,
                         int clipPrecision, int quality, int pitchAndFamily, const char* faceName);
// Null is ignored.
void GDI_DeleteFont(GDI_Font* font);

// A font's measures in pixels.
struct GDI_TextMetrics {
    int height;       // line height: ascent + descent
    int ascent;       // from the top of a line to its baseline
    int descent;      // from the baseline to the bottom of the line
    int aveCharWidth; // advance of 'x'
    int maxCharWidth; // widest advance
    int weight;
    bool italic;
    bool antialiased;
    int escapement; // tenths of a degree, counter-clockwise
};
// False (metrics untouched) for a null font or null metrics.
bool GDI_GetTextMetrics(GDI_Font* font, GDI_TextMetrics* metrics);

// A font's glyphs are numbered 0 to GDI_GetGlyphCount - 1.
int GDI_GetGlyphCount(GDI_Font* font);
// The glyph for a Unicode character: -1 for control characters, which neither draw nor take
// room (a tab counts as a space); the missing-glyph box for characters the face lacks.
int GDI_GetGlyphIndex(GDI_Font* font, int codepoint);
// Pen advance along the baseline in whole pixels; 0 for a bad font or glyph.
int GDI_GetGlyphAdvance(GDI_Font* font, int glyph);

// Coverage of one glyph, 0 (none) to 255 (full) per pixel, rows top-down; pixel (i, j) of the
// mask is pixel (left + i, top + j).
struct GDI_GlyphMask {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<unsigned char> coverage;
};
// Renders a glyph with its pen point (on the baseline at the start of its advance) at
// (penX, penY), in pixel coordinates where pixel (x, y) covers [x, x + 1) x [y, y + 1); rotated
// fonts turn about the pen point. Pens are meant to lie within a pixel or so of the origin.
// False, with an empty mask, for a bad font or glyph index.
bool GDI_RenderGlyph(GDI_Font* font, int glyph, double penX, double penY, GDI_GlyphMask* mask);

// ---------------------------------------------------------------------------------------------
// Images

// Doubles an image of w x h 32-bit pixels for a screen of twice the density: source pixel
// (x, y) fills destination columns 2x and 2x + 1 of rows 2y and 2y + 1, unchanged. Spans are
// in pixels from one row to the next; the destination holds 2h rows of at least 2w pixels.
// Nothing happens for a null image or a size below 1.
void GDI_fastDoubleUpImage(uint32_t* dest, const uint32_t* src, int w, int h, int srcSpan,
                           int destSpan);
