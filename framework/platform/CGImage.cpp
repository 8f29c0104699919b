// Pixel layouts, data providers and images.

#include "CGInternal.h"

#include <limits>

namespace {

const CGDataProvider* AsProvider(CGDataProviderRef provider) {
    return CFCast<CGDataProvider>(provider, kCGDataProviderTypeID);
}

void DescribeProvider(const CFObject* object, std::string& text) {
    text += "<CGDataProvider " + std::to_string(static_cast<const CGDataProvider*>(object)->size) +
            " bytes>";
}

void DescribeImage(const CFObject* object, std::string& text) {
    const auto* image = static_cast<const CGImage*>(object);
    text +=
        "<CGImage " + std::to_string(image->width) + " x " + std::to_string(image->height) + ">";
}

} // namespace

const CFClass CGDataProvider::kClass{
    kCGDataProviderTypeID, "CGDataProvider", CFDelete<CGDataProvider>, nullptr, nullptr,
    DescribeProvider};
const CFClass CGImage::kClass{kCGImageTypeID, "CGImage", CFDelete<CGImage>,
                              nullptr,        nullptr,   DescribeImage};

bool CGPixelLayoutFor(size_t bitsPerComponent, size_t bitsPerPixel, CGBitmapInfo info,
                      CGPixelLayout& layout) {
    if (bitsPerComponent != 8 || (info & kCGBitmapFloatComponents)) return false;
    const CGImageAlphaInfo alpha = info & kCGBitmapAlphaInfoMask;
    const CGBitmapInfo order = info & kCGBitmapByteOrderMask;
    if (alpha == kCGImageAlphaNone) {
        if (bitsPerPixel != 24 || order != kCGBitmapByteOrderDefault) return false;
        layout = CGPixelLayout{3, 0, 1, 2, -1, false, false};
        return true;
    }
    if (bitsPerPixel != 32 || alpha > kCGImageAlphaNoneSkipFirst ||
        (order != kCGBitmapByteOrderDefault && order != kCGBitmapByteOrder32Big &&
         order != kCGBitmapByteOrder32Little))
        return false;
    const bool alphaFirst = alpha == kCGImageAlphaPremultipliedFirst ||
                            alpha == kCGImageAlphaFirst || alpha == kCGImageAlphaNoneSkipFirst;
    // Offsets in the named (big-endian) order; a little-endian word reverses them.
    int offsets[4] = {1, 2, 3, 0}; // red, green, blue, alpha
    if (!alphaFirst) {
        offsets[0] = 0;
        offsets[1] = 1;
        offsets[2] = 2;
        offsets[3] = 3;
    }
    if (order == kCGBitmapByteOrder32Little)
        for (int& offset : offsets)
            offset = 3 - offset;
    layout.bytesPerPixel = 4;
    layout.red = offsets[0];
    layout.green = offsets[1];
    layout.blue = offsets[2];
    layout.alpha = offsets[3];
    layout.hasAlpha = alpha != kCGImageAlphaNoneSkipFirst && alpha != kCGImageAlphaNoneSkipLast;
    layout.premultiplied =
        alpha == kCGImageAlphaPremultipliedFirst || alpha == kCGImageAlphaPremultipliedLast;
    return true;
}

bool CGPixelSpan(size_t width, size_t height, size_t bytesPerPixel, size_t bytesPerRow,
                 size_t& span) {
    constexpr size_t kMax = std::numeric_limits<size_t>::max();
    if (width == 0 || height == 0 || width > kMax / bytesPerPixel) return false;
    const size_t rowBytes = width * bytesPerPixel;
    if (bytesPerRow < rowBytes || height - 1 > (kMax - rowBytes) / bytesPerRow) return false;
    span = bytesPerRow * (height - 1) + rowBytes;
    return true;
}

// ---- Data providers ------------------------------------------------------------------------

CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback releaseData) {
    if (!data && size > 0) return nullptr;
    CGDataProvider* provider = CFNew<CGDataProvider>();
    if (!provider) return nullptr;
    provider->info = info;
    provider->data = data;
    provider->size = size;
    provider->releaseData = releaseData;
    return provider;
}

CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider) {
    CFRetain(provider);
    return provider;
}

void CGDataProviderRelease(CGDataProviderRef provider) {
    CFRelease(provider);
}

// ---- Images --------------------------------------------------------------------------------

CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                         size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                         CGDataProviderRef providerRef, const CGFloat* decode,
                         bool shouldInterpolate, CGColorRenderingIntent intent) {
    CGPixelLayout layout;
    size_t span = 0;
    const CGDataProvider* provider = AsProvider(providerRef);
    if (decode || !provider || CGColorSpaceGetModel(space) != kCGColorSpaceModelRGB ||
        !CGPixelLayoutFor(bitsPerComponent, bitsPerPixel, bitmapInfo, layout) ||
        !CGPixelSpan(width, height, layout.bytesPerPixel, bytesPerRow, span) ||
        provider->size < span)
        return nullptr;
    CGImage* image = CFNew<CGImage>();
    if (!image) return nullptr;
    image->width = width;
    image->height = height;
    image->bitsPerComponent = bitsPerComponent;
    image->bitsPerPixel = bitsPerPixel;
    image->bytesPerRow = bytesPerRow;
    image->bitmapInfo = bitmapInfo;
    image->layout = layout;
    image->space = CGColorSpaceRetain(space);
    image->provider = CGDataProviderRetain(providerRef);
    image->shouldInterpolate = shouldInterpolate;
    image->intent = intent;
    return image;
}

void CGImageRelease(CGImageRef image) {
    CFRelease(image);
}
