#pragma once

// The Quartz objects behind CoreGraphics.h; used only inside the platform library.

#include "CFInternal.h"
#include "CoreGraphics.h"

#include <memory>
#include <vector>

// Where the channels of one pixel lie in memory.
struct CGPixelLayout {
    int bytesPerPixel; // 3 or 4
    int red, green, blue;
    int alpha;          // byte offset of the alpha (or skipped) byte; -1 without one
    bool hasAlpha;      // the alpha byte holds alpha rather than being skipped
    bool premultiplied; // colour channels are premultiplied by alpha
};

// False for layouts this library does not draw (see CoreGraphics.h).
bool CGPixelLayoutFor(size_t bitsPerComponent, size_t bitsPerPixel, CGBitmapInfo info,
                      CGPixelLayout& layout);

// Whether width x height pixels of the layout fit rows of bytesPerRow bytes, and how many bytes
// they span (the last row only as far as its last pixel); false on overflow.
bool CGPixelSpan(size_t width, size_t height, size_t bytesPerPixel, size_t bytesPerRow,
                 size_t& span);

struct CGColorSpace : CFObject {
    static const CFClass kClass;
    CGColorSpace() : CFObject(&kClass, 1) {}
    ~CGColorSpace() { CFRelease(name); }
    CGColorSpaceModel model = kCGColorSpaceModelRGB;
    CFStringRef name = nullptr; // the profile's; null for device RGB
};

struct CGDataProvider : CFObject {
    static const CFClass kClass;
    CGDataProvider() : CFObject(&kClass, 1) {}
    ~CGDataProvider() {
        if (releaseData) releaseData(info, data, size);
    }
    void* info = nullptr;
    const void* data = nullptr;
    size_t size = 0;
    CGDataProviderReleaseDataCallback releaseData = nullptr;
};

struct CGImage : CFObject {
    static const CFClass kClass;
    CGImage() : CFObject(&kClass, 1) {}
    ~CGImage() {
        CFRelease(space);
        CFRelease(provider);
    }
    size_t width = 0;
    size_t height = 0;
    size_t bitsPerComponent = 0;
    size_t bitsPerPixel = 0;
    size_t bytesPerRow = 0;
    CGBitmapInfo bitmapInfo = 0;
    CGPixelLayout layout{};
    CGColorSpaceRef space = nullptr;      // retained
    CGDataProviderRef provider = nullptr; // retained
    bool shouldInterpolate = false;
    CGColorRenderingIntent intent = kCGRenderingIntentDefault;
};

// Device pixels [x0, x1) x [y0, y1), y counted from the bottom row.
struct CGPixelBox {
    long x0, y0, x1, y1;
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

// Device pixels whose centres lie inside the rectangle (in device space).
CGPixelBox CGPixelsInside(CGRect rect);
CGPixelBox CGIntersectBoxes(CGPixelBox a, CGPixelBox b);

struct CGGState {
    CGAffineTransform ctm;
    CGPixelBox clip;
    unsigned fill[4]; // premultiplied red, green, blue, alpha, 0..255
};

struct CGContext : CFObject {
    static const CFClass kClass;
    CGContext() : CFObject(&kClass, 1) {}
    ~CGContext() {
        if (releaseCallback) releaseCallback(releaseInfo, data);
        CFRelease(space);
    }
    unsigned char* data = nullptr;
    size_t width = 0;
    size_t height = 0;
    size_t bytesPerRow = 0;
    CGBitmapInfo bitmapInfo = 0;
    CGPixelLayout layout{};
    CGColorSpaceRef space = nullptr; // retained
    std::unique_ptr<unsigned char[]> ownedData;
    CGBitmapContextReleaseDataCallback releaseCallback = nullptr;
    void* releaseInfo = nullptr;
    CGGState state{};
    std::vector<CGGState> saved;
};

// Starts the context afresh with the transform as its CTM: the whole bitmap as clip, opaque
// black as fill colour, no saved states. A view's context starts from its device transform.
void CGContextResetState(CGContextRef context, CGAffineTransform transform);
