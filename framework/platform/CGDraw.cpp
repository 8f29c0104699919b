// Painting pixels: fills, clears and images, blended source-over in premultiplied 8-bit
// arithmetic, nearest-neighbour for images.

#include "CGInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

CGContext* AsContext(CGContextRef context) {
    return const_cast<CGContext*>(CFCast<CGContext>(context, kCGContextTypeID));
}

// Premultiplied, each channel at most alpha.
struct Color {
    unsigned r, g, b, a;
};

inline unsigned Div255(unsigned x) {
    return (x + 128 + ((x + 128) >> 8)) >> 8;
}

inline Color Read(const unsigned char* p, const CGPixelLayout& layout) {
    if (!layout.hasAlpha) return Color{p[layout.red], p[layout.green], p[layout.blue], 255};
    const unsigned a = p[layout.alpha];
    unsigned r = p[layout.red], g = p[layout.green], b = p[layout.blue];
    if (layout.premultiplied) {
        // Channels above alpha are not valid premultiplied data; capping them keeps the blend
        // within a byte.
        r = std::min(r, a);
        g = std::min(g, a);
        b = std::min(b, a);
    } else {
        r = Div255(r * a);
        g = Div255(g * a);
        b = Div255(b * a);
    }
    return Color{r, g, b, a};
}

// Context layouts are premultiplied or skip their alpha byte, which is then left as it is.
inline void Write(unsigned char* p, const CGPixelLayout& layout, const Color& color) {
    p[layout.red] = static_cast<unsigned char>(color.r);
    p[layout.green] = static_cast<unsigned char>(color.g);
    p[layout.blue] = static_cast<unsigned char>(color.b);
    if (layout.hasAlpha) p[layout.alpha] = static_cast<unsigned char>(color.a);
}

inline void Blend(unsigned char* p, const CGPixelLayout& layout, const Color& source) {
    if (source.a == 255) {
        Write(p, layout, source);
        return;
    }
    if (source.a == 0) return;
    const Color below = Read(p, layout);
    const unsigned keep = 255 - source.a;
    Write(p, layout,
          Color{source.r + Div255(below.r * keep), source.g + Div255(below.g * keep),
                source.b + Div255(below.b * keep), source.a + Div255(below.a * keep)});
}

// Row y of device space (counted from the bottom), column x.
inline unsigned char* PixelAt(const CGContext* context, long x, long y) {
    return context->data + (context->height - 1 - static_cast<size_t>(y)) * context->bytesPerRow +
           static_cast<size_t>(x) * 4;
}

// The device pixels a user-space rectangle covers within the clip, with the inverse CTM; false
// when there are none or the CTM cannot be inverted.
struct Region {
    CGRect rect; // standardised
    CGPixelBox box;
    CGAffineTransform inverse;
    bool axisAligned;
};

bool RegionFor(const CGContext* context, CGRect rect, Region& region) {
    if (CGRectIsNull(rect)) return false;
    rect = CGRectStandardize(rect);
    const CGAffineTransform& ctm = context->state.ctm;
    const CGFloat determinant = ctm.a * ctm.d - ctm.b * ctm.c;
    if (!(rect.size.width > 0 && rect.size.height > 0) || determinant == 0 ||
        !std::isfinite(determinant))
        return false;
    region.rect = rect;
    region.box = CGIntersectBoxes(CGPixelsInside(CGRectApplyAffineTransform(rect, ctm)),
                                  context->state.clip);
    region.inverse = CGAffineTransformInvert(ctm);
    region.axisAligned = ctm.b == 0 && ctm.c == 0;
    return !region.box.Empty();
}

// Where the centre of pixel (x, y) lies in the region's rectangle, as fractions of its width
// from the left edge and of its height from the top edge; false when outside.
inline bool PositionInRect(const Region& region, long x, long y, double& u, double& v) {
    const CGPoint user = CGPointApplyAffineTransform(CGPointMake(x + 0.5, y + 0.5), region.inverse);
    u = (user.x - region.rect.origin.x) / region.rect.size.width;
    v = (region.rect.origin.y + region.rect.size.height - user.y) / region.rect.size.height;
    return u >= 0 && u < 1 && v >= 0 && v < 1;
}

// Calls paint(pixel, u, v) for every pixel of the region whose centre lies in the rectangle.
template <class Paint>
void PaintRegion(const CGContext* context, const Region& region, Paint&& paint) {
    const CGPixelBox& box = region.box;
    for (long y = box.y0; y < box.y1; ++y) {
        unsigned char* pixel = PixelAt(context, box.x0, y);
        for (long x = box.x0; x < box.x1; ++x, pixel += 4) {
            double u, v;
            if (PositionInRect(region, x, y, u, v)) paint(pixel, u, v);
        }
    }
}

// The image column or row at a fraction of the rectangle.
inline size_t ImageIndex(double fraction, size_t count) {
    const double index = fraction * static_cast<double>(count);
    return index <= 0 ? 0 : std::min(static_cast<size_t>(index), count - 1);
}

// The screen copy: opaque bytes X, R, G, B read as a little-endian word are B G R X from the
// top byte down; reversed and made opaque they are the word 0xFFRRGGBB that a premultiplied
// alpha-first little-endian store holds.
bool IsOpaqueXRGBIntoHostARGB(const CGPixelLayout& from, const CGPixelLayout& to) {
    return !from.hasAlpha && from.bytesPerPixel == 4 && from.red == 1 && from.green == 2 &&
           from.blue == 3 && to.hasAlpha && to.red == 2 && to.green == 1 && to.blue == 0 &&
           to.alpha == 3;
}

void CopyXRGBRow(unsigned char* to, const unsigned char* from, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t word;
        std::memcpy(&word, from + 4 * i, 4);
        word = __builtin_bswap32(word) | 0xFF000000u;
        std::memcpy(to + 4 * i, &word, 4);
    }
}

// Paints count device pixels from the image pixels source(0) to source(count - 1).
template <class Source>
void PaintRow(unsigned char* pixel, size_t count, Source&& source, const CGPixelLayout& from,
              const CGPixelLayout& to) {
    if (from.hasAlpha) {
        for (size_t i = 0; i < count; ++i, pixel += 4)
            Blend(pixel, to, Read(source(i), from));
        return;
    }
    for (size_t i = 0; i < count; ++i, pixel += 4) {
        const unsigned char* sourcePixel = source(i);
        pixel[to.red] = sourcePixel[from.red];
        pixel[to.green] = sourcePixel[from.green];
        pixel[to.blue] = sourcePixel[from.blue];
        if (to.hasAlpha) pixel[to.alpha] = 255;
    }
}

// Whether the image lands pixel for pixel on the device (unit scale, upright, whole-pixel
// position): then device column x shows image column x - left and device row y image row
// top - 1 - y, and there is nothing to sample.
bool PixelForPixel(const Region& region, const CGAffineTransform& ctm, size_t width, size_t height,
                   long& left, long& top) {
    if (!(region.axisAligned && ctm.a > 0 && ctm.d > 0)) return false;
    const CGRect device = CGRectApplyAffineTransform(region.rect, ctm);
    if (device.size.width != CGFloat(width) || device.size.height != CGFloat(height) ||
        device.origin.x != std::floor(device.origin.x) ||
        device.origin.y != std::floor(device.origin.y))
        return false;
    left = static_cast<long>(device.origin.x);
    top = static_cast<long>(device.origin.y) + static_cast<long>(height);
    return true;
}

void FillRegion(CGContext* context, CGRect rect, const Color& color) {
    Region region;
    if (!RegionFor(context, rect, region)) return;
    const CGPixelLayout& layout = context->layout;
    PaintRegion(context, region,
                [&](unsigned char* pixel, double, double) { Blend(pixel, layout, color); });
}

} // namespace

void CGContextSetRGBFillColor(CGContextRef ref, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha) {
    CGContext* context = AsContext(ref);
    if (!context) return;
    auto unit = [](CGFloat value) { return value > 1 ? 1.0 : value > 0 ? value : 0.0; };
    const CGFloat a = unit(alpha);
    unsigned* fill = context->state.fill;
    fill[0] = static_cast<unsigned>(std::lround(unit(red) * a * 255));
    fill[1] = static_cast<unsigned>(std::lround(unit(green) * a * 255));
    fill[2] = static_cast<unsigned>(std::lround(unit(blue) * a * 255));
    fill[3] = static_cast<unsigned>(std::lround(a * 255));
}

void CGContextFillRect(CGContextRef ref, CGRect rect) {
    CGContext* context = AsContext(ref);
    if (!context) return;
    const unsigned* fill = context->state.fill;
    FillRegion(context, rect, Color{fill[0], fill[1], fill[2], fill[3]});
}

void CGContextClearRect(CGContextRef ref, CGRect rect) {
    CGContext* context = AsContext(ref);
    Region region;
    if (!context || !RegionFor(context, rect, region)) return;
    PaintRegion(context, region, [](unsigned char* pixel, double, double) {
        pixel[0] = pixel[1] = pixel[2] = pixel[3] = 0;
    });
}

void CGContextDrawImage(CGContextRef ref, CGRect rect, CGImageRef imageRef) {
    CGContext* context = AsContext(ref);
    const CGImage* image = CFCast<CGImage>(imageRef, kCGImageTypeID);
    Region region;
    if (!context || !image || !RegionFor(context, rect, region)) return;
    const auto* pixels = static_cast<const unsigned char*>(image->provider->data);
    const CGPixelLayout& from = image->layout;
    const CGPixelLayout& to = context->layout;
    const size_t width = image->width;
    const size_t height = image->height;

    const CGPixelBox& box = region.box;
    const size_t count = static_cast<size_t>(box.x1 - box.x0);
    long left = 0, top = 0;
    if (PixelForPixel(region, context->state.ctm, width, height, left, top)) {
        // The screen copy: nothing to sample, each row is copied across (in the layout of the
        // context).
        const size_t firstColumn = static_cast<size_t>(box.x0 - left) * from.bytesPerPixel;
        const bool wordCopy = IsOpaqueXRGBIntoHostARGB(from, to);
        for (long y = box.y0; y < box.y1; ++y) {
            const unsigned char* sourceRow =
                pixels + static_cast<size_t>(top - 1 - y) * image->bytesPerRow + firstColumn;
            unsigned char* pixel = PixelAt(context, box.x0, y);
            if (wordCopy)
                CopyXRGBRow(pixel, sourceRow, count);
            else
                PaintRow(
                    pixel, count, [&](size_t i) { return sourceRow + i * from.bytesPerPixel; },
                    from, to);
        }
        return;
    }
    if (!region.axisAligned) {
        PaintRegion(context, region, [&](unsigned char* pixel, double u, double v) {
            const unsigned char* source = pixels + ImageIndex(v, height) * image->bytesPerRow +
                                          ImageIndex(u, width) * from.bytesPerPixel;
            Blend(pixel, to, Read(source, from));
        });
        return;
    }
    // Scaled: columns and rows map independently, so each is looked up once. Every pixel of the
    // box lies in the rectangle, so the fractions are only held within it against rounding.
    const CGAffineTransform& inverse = region.inverse;
    std::vector<size_t> columnOffsets(count);
    for (long x = box.x0; x < box.x1; ++x) {
        const double u =
            (inverse.a * (x + 0.5) + inverse.tx - region.rect.origin.x) / region.rect.size.width;
        columnOffsets[static_cast<size_t>(x - box.x0)] = ImageIndex(u, width) * from.bytesPerPixel;
    }
    const double rectTop = region.rect.origin.y + region.rect.size.height;
    for (long y = box.y0; y < box.y1; ++y) {
        const double v = (rectTop - (inverse.d * (y + 0.5) + inverse.ty)) / region.rect.size.height;
        const unsigned char* sourceRow = pixels + ImageIndex(v, height) * image->bytesPerRow;
        PaintRow(
            PixelAt(context, box.x0, y), count,
            [&](size_t i) { return sourceRow + columnOffsets[i]; }, from, to);
    }
}
