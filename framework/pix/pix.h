#pragma once

// Software raster imaging over 32-bit pixels: bitmaps, pixel combining, fills, blits and PNG
// loading. Every drawing call takes a mode word (PIX_COMBINE_*) and clips to its bitmaps; null
// bitmaps, bitmaps without pixels and empty rectangles make every call a no-op.

#include <cstddef>
#include <cstdint>

struct GDI_GfxContext;

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
