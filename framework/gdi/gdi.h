#pragma once

// The GDI layer: platform drawing contexts the raster library draws into, and the fonts it
// renders text with.

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
