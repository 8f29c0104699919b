#pragma once

// Software raster imaging over 32-bit pixels: bitmaps, pixel combining, fills, blits, PNG
// loading, lines and shapes, and text. Every drawing call takes a mode word (PIX_COMBINE_*) and
// clips to its bitmaps; null bitmaps, bitmaps without pixels and empty rectangles make every call a
// no-op.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct GDI_GfxContext;
struct GDI_Font;

// ---------------------------------------------------------------------------------------------
// Pixel format: alpha in bits 0-7, red 8-15, green 16-23, blue 24-31, not premultiplied. Stored
// little-endian, so the bytes of a pixel in memory are alpha, red, green, blue.

typedef uint32_t PIX_pixel;

constexpr PIX_pixel PIX_RGBA(int r, int g, int b, int a) {
    return (PIX_pixel(a) & 0xff) | (PIX_pixel(r) & 0xff) << 8 | (PIX_pixel(g) & 0xff) << 16 |
           (PIX_pixel(b) & 0xff) << 24;
}
constexpr int PIX_GETA(PIX_pixel v) {
    return int(v & 0xff);
}
constexpr int PIX_GETR(PIX_pixel v) {
    return int((v >> 8) & 0xff);
}
constexpr int PIX_GETG(PIX_pixel v) {
    return int((v >> 16) & 0xff);
}
constexpr int PIX_GETB(PIX_pixel v) {
    return int(v >> 24);
}

// Byte offsets of the channels within a pixel in memory (used by the channel-copy mode).
enum { PIX_BYTEPOS_ALPHA = 0, PIX_BYTEPOS_RED = 1, PIX_BYTEPOS_GREEN = 2, PIX_BYTEPOS_BLUE = 3 };

// ---------------------------------------------------------------------------------------------
// Mode word. The low byte selects the operation; the other bits are flags. Operation bytes 6 to
// 0xef draw nothing; 0xf0 to 0xff are honoured by the plain blit only.

constexpr int PIX_COMBINE_COPY = 0;
constexpr int PIX_COMBINE_ADD = 1;
constexpr int PIX_COMBINE_DODGE = 2;
constexpr int PIX_COMBINE_MUL = 3;
constexpr int PIX_COMBINE_OVERLAY = 4;
constexpr int PIX_COMBINE_HSVADJUST = 5;
// Copy one byte of each source pixel: source byte offset in bits 0-1, destination offset in 2-3.
constexpr int PIX_COMBINE_CHANNEL_COPY = 0xf0;
constexpr int PIX_COMBINE_MODE_MASK = 0xff;
constexpr int PIX_COMBINE_FILTER_BILINEAR = 0x100;
constexpr int PIX_COMBINE_USE_SOURCE_ALPHA = 0x10000;

// ---------------------------------------------------------------------------------------------
// Bitmaps

// Abstract bitmap: the pixels, their layout and the platform context behind them.
class PIX_IBitmap {
public:
    virtual ~PIX_IBitmap() = default;

    // First pixel of the first stored row, or null when there is no storage.
    virtual PIX_pixel* getBits() = 0;
    virtual int getWidth() = 0;
    virtual int getHeight() = 0;
    // Pixels (not bytes) from one stored row to the next; at least the width.
    virtual int getRowSpan() = 0;
    // True when rows are stored bottom-up: image row y is stored row height - 1 - y.
    virtual bool isFlipped() { return false; }
    // True when the size changed (the pixels may have moved and their contents are undefined).
    virtual bool resize(int width, int height) = 0;
    virtual GDI_GfxContext* getDC() { return nullptr; }
    virtual void* Extended(int id, void* data) {
        (void)id;
        (void)data;
        return nullptr;
    }
};

// Bitmap in plain memory, its rows padded to the row alignment and its block 64-byte aligned.
class PIX_MemBitmap : public PIX_IBitmap {
public:
    // rowAlignment in pixels: its lowest set bit is used, at most 16.
    explicit PIX_MemBitmap(int width = 0, int height = 0, unsigned int rowAlignment = 4);
    ~PIX_MemBitmap() override;
    PIX_MemBitmap(const PIX_MemBitmap&) = delete;
    PIX_MemBitmap& operator=(const PIX_MemBitmap&) = delete;

    PIX_pixel* getBits() override;
    int getWidth() override { return mWidth; }
    int getHeight() override { return mHeight; }
    int getRowSpan() override { return (mWidth + int(mRowAlignMask)) & ~int(mRowAlignMask); }
    // Storage grows by a quarter beyond the need and never shrinks. A size whose pixels would
    // not fit in 2 GiB, or memory running out, leaves a 0 x 0 bitmap without storage.
    bool resize(int width, int height) override;

    // Bytes currently reserved for pixels (the block holds 63 more for alignment).
    int getAllocatedBytes() const { return mAllocBytes; }

private:
    void* mBlock = nullptr;
    int mWidth = 0;
    int mHeight = 0;
    int mAllocBytes = 0;
    unsigned int mRowAlignMask = 0;
};

// Bitmap over a memory drawing context of the GDI layer, so the view host can put it on screen.
// Rows are top-down, padded to a multiple of 4 pixels; the surface only grows.
class PIX_SysBitmap : public PIX_IBitmap {
public:
    explicit PIX_SysBitmap(int width = 0, int height = 0);
    ~PIX_SysBitmap() override;
    PIX_SysBitmap(const PIX_SysBitmap&) = delete;
    PIX_SysBitmap& operator=(const PIX_SysBitmap&) = delete;

    PIX_pixel* getBits() override { return mBits; }
    int getWidth() override { return mWidth; }
    int getHeight() override { return mHeight; }
    int getRowSpan() override { return mAllocWidth; }
    bool resize(int width, int height) override;
    GDI_GfxContext* getDC() override { return mDC; }

private:
    int mWidth = 0;
    int mHeight = 0;
    GDI_GfxContext* mDC = nullptr;
    PIX_pixel* mBits = nullptr;
    int mAllocWidth = 0;
    int mAllocHeight = 0;
};

// Rectangle in pixels, right and bottom exclusive.
struct PIX_Rect {
    int left, top, right, bottom;
};

// ---------------------------------------------------------------------------------------------
// Combining. Weights: an opacity of 1.0 is the integer weight 256; alpha x 256 is truncated and
// not clamped to 0..256, but held within +-16 x 256 so that no combine arithmetic overflows.

// dest combined with src at the given opacity under the mode's operation.
PIX_pixel PIX_CombinePixels(PIX_pixel dest, PIX_pixel src, float alpha, int mode);
// Combines channel values (normally 0..255) into *dest with integer weight w: low 8 bits kept.
void PIX_CombinePixels2(PIX_pixel* dest, int r, int g, int b, int a, int w, int mode);
// The same, each result clamped to 0..255.
void PIX_CombinePixels2Clamp(PIX_pixel* dest, int r, int g, int b, int a, int w, int mode);

// ---------------------------------------------------------------------------------------------
// Pixel and rectangle operations (x, y from the top-left of the image).

void PIX_PutPixel(PIX_IBitmap* bm, int x, int y, PIX_pixel color, float alpha, int mode);
// The stored pixel, or 0 outside the bitmap or without pixels.
PIX_pixel PIX_GetPixel(PIX_IBitmap* bm, int x, int y);
void PIX_Clear(PIX_IBitmap* bm, PIX_pixel color);
// pixel := (pixel AND mask) OR orbits over the clipped rectangle.
void PIX_ClearRect(PIX_IBitmap* bm, int x, int y, int w, int h, PIX_pixel mask = 0,
                   PIX_pixel orbits = 0);
void PIX_FillRect(PIX_IBitmap* bm, int x, int y, int w, int h, PIX_pixel color, float alpha,
                  int mode);
// Per channel: (channel x scale + add x 256), each factor in 1/256 steps, clamped to 0..255.
void PIX_MultiplyAddRect(PIX_IBitmap* bm, int x, int y, int w, int h, float rsc, float gsc,
                         float bsc, float asc, float radd, float gadd, float badd, float aadd);
typedef void (*PIX_ProcessRectCallback)(PIX_pixel* pixel, void* context);
void PIX_ProcessRect(PIX_IBitmap* bm, int x, int y, int w, int h, PIX_ProcessRectCallback callback,
                     void* context);
// Pixels whose colour (alpha ignored) equals color become transparent; all others opaque.
void PIX_SetAlphaFromColorMask(PIX_IBitmap* bm, PIX_pixel color);
// Fills the run-connected area around (x, y) whose pixels match the seed under comparemask.
void PIX_SimpleFill(PIX_IBitmap* bm, int x, int y, PIX_pixel newcolor,
                    PIX_pixel comparemask = 0xffffffff, PIX_pixel keepmask = 0);
// Colour (0..1 per channel) starting at the top-left and changing per column and per row.
void PIX_GradRect(PIX_IBitmap* bm, int x, int y, int w, int h, float ir, float ig, float ib,
                  float ia, float drdx, float dgdx, float dbdx, float dadx, float drdy, float dgdy,
                  float dbdy, float dady, int mode);

// ---------------------------------------------------------------------------------------------
// Blits. Source rectangles are in source pixels; every call clips to both bitmaps.

// srcRect null: the whole source.
void PIX_Blit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, const PIX_Rect* srcRect,
              float alpha, int mode);
void PIX_Blit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int srcx, int srcy, int srcw,
              int srch, float alpha, int mode);
// dest takes the source's size and pixels.
void PIX_Copy(PIX_IBitmap* dest, PIX_IBitmap* src);
// A negative dstw or dsth mirrors the source across that axis.
void PIX_ScaledBlit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                    float srcx, float srcy, float srcw, float srch, float alpha, int mode);
// angle in radians; (rotxcent, rotycent) moves the centre of rotation, in source pixels.
void PIX_RotatedBlit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                     float srcx, float srcy, float srcw, float srch, float angle,
                     bool cliptosourcerect, float alpha, int mode, float rotxcent = 0.0f,
                     float rotycent = 0.0f);
// Affine walk: the source moves by (dsdx, dtdx) per destination column and (dsdy, dtdy) per
// row, the per-column step changing by (dsdxdy, dtdxdy) from row to row.
void PIX_DeltaBlit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                   float srcx, float srcy, float srcw, float srch, double dsdx, double dtdx,
                   double dsdy, double dtdy, double dsdxdy, double dtdxdy, bool cliptosourcerect,
                   float alpha, int mode);
// The same with an opacity that changes by dadx per column, dady per row and dadxdy per row in
// the per-column change.
void PIX_DeltaBlitAlpha(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                        float srcx, float srcy, float srcw, float srch, double dsdx, double dtdx,
                        double dsdy, double dtdy, double dsdxdy, double dtdxdy,
                        bool cliptosourcerect, float alpha, int mode, double dadx, double dady,
                        double dadxdy);
// The destination rectangle as a grid of div_w x div_h points; srcpoints holds their source
// (x, y), row by row, and each cell is filled bilinearly between its corners.
void PIX_TransformBlit(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                       const float* srcpoints, int div_w, int div_h, float alpha, int mode);
void PIX_TransformBlit2(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                        const double* srcpoints, int div_w, int div_h, float alpha, int mode);
// Points of (x, y, opacity).
void PIX_TransformBlit2Alpha(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int dstw,
                             int dsth, const double* srcpoints, int div_w, int div_h, int mode);
// Soft blur of all four channels; dest may be src.
void PIX_Blur(PIX_IBitmap* dest, PIX_IBitmap* src, int dstx, int dsty, int srcx, int srcy, int srcw,
              int srch);
// Half-size 2 x 2 box-filtered copy of src into the top-left of dest.
void PIX_HalveBlitAA(PIX_IBitmap* dest, PIX_IBitmap* src);
// 0 when equal under mask; otherwise non-zero (a size difference, or 1 for differing pixels).
// outRect, if given, receives the bounding box of the differing pixels.
int PIX_BitmapCmpEx(PIX_IBitmap* a, PIX_IBitmap* b, PIX_pixel mask, PIX_Rect* outRect = nullptr);
int PIX_BitmapCmp(PIX_IBitmap* a, PIX_IBitmap* b, PIX_Rect* outRect = nullptr);

// ---------------------------------------------------------------------------------------------
// PNG loading. With bmp given it is resized and filled (and never deleted); otherwise a new
// PIX_MemBitmap owned by the caller is returned. Null on any failure.

PIX_IBitmap* PIX_LoadPNG(const char* filename, PIX_IBitmap* bmp = nullptr);
PIX_IBitmap* PIX_LoadPNGFromMemory(const void* data, int length, PIX_IBitmap* bmp = nullptr);
// The file's image with only its header read: its size is known at once, its pixels are decoded
// as PIX_LoadPNG decodes them when first asked for, once, from whichever thread asks first
// (blank, with a trace, when that fails). Null when the file is missing, not a PNG or too large.
// Owned by the caller.
PIX_IBitmap* PIX_OpenPNG(const char* filename);
// name inside the main bundle's Contents/Resources folder.
PIX_IBitmap* PIX_LoadPNGFromNamedResource(const char* name, PIX_IBitmap* bmp = nullptr);
// Numbered resources do not exist on this platform: always null.
PIX_IBitmap* PIX_LoadPNGFromResource(void* module, int resourceId, PIX_IBitmap* bmp = nullptr);

// Directory of the running program's main bundle (the folder that holds Contents/), or the
// executable's own folder when it is not inside a bundle. False when it cannot be found or does
// not fit in size bytes.
bool PIX_GetMainBundlePath(char* path, size_t size);

// Registered image loaders, newest first.
struct PIX_ImageLoader_rec {
    // checkFileName: refuse names whose extension the loader does not handle.
    PIX_IBitmap* (*loadfunc)(const char* filename, bool checkFileName, PIX_IBitmap* bmp);
    // Pairs of description and pattern, each NUL-terminated, the list ending with an empty one.
    const char* (*get_extlist)();
    PIX_ImageLoader_rec* _next;
};
extern PIX_ImageLoader_rec* PIX_ImageLoader_list;

// ---------------------------------------------------------------------------------------------
// Lines, curves and shapes. Each takes a colour, an opacity (converted to the integer weight like
// every other call) and a mode word of the plain family, PIX_COMBINE_USE_SOURCE_ALPHA weighting
// by the colour's own alpha. They clip to the bitmap; aa (anti-aliasing) scales the weight of
// each pixel by the share of it the shape covers. Integer and float coordinates name pixel
// centres for lines and curves, pixel corners for filled polygons. Non-finite coordinates and
// negative radii draw nothing.

// Endpoints inclusive.
void PIX_Line(PIX_IBitmap* dest, int x1, int y1, int x2, int y2, PIX_pixel color, float alpha,
              int mode, bool aa);
void PIX_FLine(PIX_IBitmap* dest, float x1, float y1, float x2, float y2, PIX_pixel color,
               float alpha, int mode, bool aa);
// Angles in radians, 0 pointing straight up (12 o'clock), growing clockwise; the arc runs
// clockwise from minAngle to maxAngle (a span of a full turn or more draws the whole circle).
void PIX_Arc(PIX_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
             PIX_pixel color, float alpha, int mode, bool aa);
void PIX_Circle(PIX_IBitmap* dest, float cx, float cy, float r, PIX_pixel color, float alpha,
                int mode, bool aa);
// Every pixel whose centre lies within r of the centre (aa: partly covered pixels in part).
void PIX_FillCircle(PIX_IBitmap* dest, float cx, float cy, float r, PIX_pixel color, float alpha,
                    int mode, bool aa);
// Outline of the w x h pixels from (x, y), coordinates rounded to whole pixels, corners rounded
// with the radius (held to half the shorter side).
void PIX_RoundRect(PIX_IBitmap* dest, float x, float y, float w, float h, int cornerRadius,
                   PIX_pixel color, float alpha, int mode, bool aa);
// Filled where pixel centres lie inside; a centre on an edge belongs to the shape on the edge's
// right, so shapes that share an edge never draw a pixel twice.
void PIX_FillTriangle(PIX_IBitmap* dest, int x1, int y1, int x2, int y2, int x3, int y3,
                      PIX_pixel color, float alpha, int mode);
// Meant for convex polygons; any other outline is filled by the even-odd rule.
void PIX_FillConvexPolygon(PIX_IBitmap* dest, const int* x, const int* y, int npoints,
                           PIX_pixel color, float alpha, int mode);

// ---------------------------------------------------------------------------------------------
// Text

// DrawText flags.
constexpr unsigned PIX_DT_CALCRECT = 0x1;          // only compute the rectangle
constexpr unsigned PIX_DT_CENTER = 0x4;            // centre horizontally in the rectangle
constexpr unsigned PIX_DT_RIGHT = 0x20;            // align right
constexpr unsigned PIX_DT_NOCLIP = 0x100;          // do not clip to the rectangle
constexpr unsigned PIX_DT_USEFGALPHA = 0x40000000; // blend with the text colour's alpha
// SetFromHFont flags.
constexpr int PIX_FONT_FLAG_OWNS_HFONT = 0x200;   // the font object deletes the GDI font
constexpr int PIX_FONT_FLAG_CACHE_GLYPHS = 0x400; // rendered glyphs are kept for reuse

class PIX_IFont {
public:
    virtual ~PIX_IFont() = default;
    virtual void SetFromHFont(GDI_Font* font, int flags) = 0;
    // Returns the previous colour.
    virtual PIX_pixel SetTextColor(PIX_pixel color) = 0;
    // Pixels from one line of text to the next.
    virtual int GetLineHeight() = 0;
    // Draws (or with PIX_DT_CALCRECT measures) str (strcnt bytes, -1 = NUL-terminated) in rect.
    // Measuring rewrites rect to the text's extent: (0, 0, width, height) when rect was all zero.
    // Returns the height of the text drawn or measured (0 on failure / empty text).
    virtual int DrawText(PIX_IBitmap* bm, const char* str, int strcnt, PIX_Rect* rect,
                         unsigned flags) = 0;
};

// Text in a GDI font, each glyph rendered once as a coverage mask and then blitted in the text
// colour. Lines break at '\n'; UTF-8 characters the font lacks show as its missing-glyph box.
class PIX_CachedFont : public PIX_IFont {
public:
    PIX_CachedFont();
    ~PIX_CachedFont() override;
    PIX_CachedFont(const PIX_CachedFont&) = delete;
    PIX_CachedFont& operator=(const PIX_CachedFont&) = delete;

    // Replaces the font (releasing one owned before) and forgets the rendered glyphs; null
    // leaves the object without a font, drawing and measuring nothing.
    void SetFromHFont(GDI_Font* font, int flags) override;
    PIX_pixel SetTextColor(PIX_pixel color) override;
    PIX_pixel GetTextColor() const { return mTextColor; }
    int GetLineHeight() override;
    int DrawText(PIX_IBitmap* bm, const char* str, int strcnt, PIX_Rect* rect,
                 unsigned flags) override;
    GDI_Font* GetHFont() const { return mFont; }

private:
    struct Glyph;
    const Glyph* GetGlyph(int index);
    void ReleaseFont();

    GDI_Font* mFont = nullptr;
    int mFlags = 0;
    PIX_pixel mTextColor = PIX_RGBA(0, 0, 0, 255);
    std::vector<std::unique_ptr<Glyph>> mGlyphs; // by the font's glyph index
};
