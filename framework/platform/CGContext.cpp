// Bitmap contexts: creation, the graphics state and conversions between user and device space.

#include "CGInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

CGContext* AsContext(CGContextRef context) {
    return const_cast<CGContext*>(CFCast<CGContext>(context, kCGContextTypeID));
}

void DescribeContext(const CFObject* object, std::string& text) {
    const auto* context = static_cast<const CGContext*>(object);
    text += "<CGContext " + std::to_string(context->width) + " x " +
            std::to_string(context->height) + ">";
}

// The layouts Quartz draws into: alpha premultiplied or skipped.
bool IsDrawableLayout(CGBitmapInfo info) {
    const CGImageAlphaInfo alpha = info & kCGBitmapAlphaInfoMask;
    return alpha == kCGImageAlphaPremultipliedFirst || alpha == kCGImageAlphaPremultipliedLast ||
           alpha == kCGImageAlphaNoneSkipFirst || alpha == kCGImageAlphaNoneSkipLast;
}

} // namespace

CGPixelBox CGPixelsInside(CGRect rect) {
    if (CGRectIsNull(rect)) return CGPixelBox{0, 0, 0, 0};
    rect = CGRectStandardize(rect);
    if (!(rect.size.width > 0 && rect.size.height > 0)) return CGPixelBox{0, 0, 0, 0};
    // Far beyond any bitmap, so that the conversions below stay in range (NaN included).
    constexpr CGFloat kLimit = 1 << 30;
    auto edge = [&](CGFloat value) {
        const CGFloat limited = value > kLimit ? kLimit : value >= -kLimit ? value : -kLimit;
        return static_cast<long>(std::ceil(limited - 0.5));
    };
    return CGPixelBox{edge(rect.origin.x), edge(rect.origin.y),
                      edge(rect.origin.x + rect.size.width),
                      edge(rect.origin.y + rect.size.height)};
}

CGPixelBox CGIntersectBoxes(CGPixelBox a, CGPixelBox b) {
    const CGPixelBox box{std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1),
                         std::min(a.y1, b.y1)};
    return box.Empty() ? CGPixelBox{0, 0, 0, 0} : box;
}

const CFClass CGContext::kClass{kCGContextTypeID, "CGContext", CFDelete<CGContext>,
                                nullptr,          nullptr,     DescribeContext};

CFTypeID CGContextGetTypeID() {
    return kCGContextTypeID;
}

CGContextRef CGBitmapContextCreateWithData(void* data, size_t width, size_t height,
                                           size_t bitsPerComponent, size_t bytesPerRow,
                                           CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                                           CGBitmapContextReleaseDataCallback releaseCallback,
                                           void* releaseInfo) {
    CGPixelLayout layout;
    if (CGColorSpaceGetModel(space) != kCGColorSpaceModelRGB || !IsDrawableLayout(bitmapInfo) ||
        !CGPixelLayoutFor(bitsPerComponent, 32, bitmapInfo, layout))
        return nullptr;
    if (bytesPerRow == 0 && !data && width <= SIZE_MAX / 4) bytesPerRow = width * 4;
    size_t span = 0;
    if (!CGPixelSpan(width, height, 4, bytesPerRow, span) || height > SIZE_MAX / bytesPerRow)
        return nullptr;
    CGContext* context = CFNew<CGContext>();
    if (!context) return nullptr;
    if (!data) {
        context->ownedData.reset(new (std::nothrow) unsigned char[bytesPerRow * height]());
        if (!context->ownedData) {
            CFRelease(context);
            return nullptr;
        }
        data = context->ownedData.get();
    } else {
        context->releaseCallback = releaseCallback;
        context->releaseInfo = releaseInfo;
    }
    context->data = static_cast<unsigned char*>(data);
    context->width = width;
    context->height = height;
    context->bytesPerRow = bytesPerRow;
    context->bitmapInfo = bitmapInfo;
    context->layout = layout;
    context->space = CGColorSpaceRetain(space);
    CGContextResetState(context, CGAffineTransformIdentity);
    return context;
}

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef space,
                                   CGBitmapInfo bitmapInfo) {
    return CGBitmapContextCreateWithData(data, width, height, bitsPerComponent, bytesPerRow, space,
                                         bitmapInfo, nullptr, nullptr);
}

void CGContextResetState(CGContextRef ref, CGAffineTransform transform) {
    CGContext* context = AsContext(ref);
    if (!context) return;
    context->state.ctm = transform;
    context->state.clip =
        CGPixelBox{0, 0, static_cast<long>(context->width), static_cast<long>(context->height)};
    context->state.fill[0] = context->state.fill[1] = context->state.fill[2] = 0;
    context->state.fill[3] = 255;
    context->saved.clear();
}

CGContextRef CGContextRetain(CGContextRef context) {
    CFRetain(context);
    return context;
}

void CGContextRelease(CGContextRef context) {
    CFRelease(context);
}

void* CGBitmapContextGetData(CGContextRef ref) {
    CGContext* context = AsContext(ref);
    return context ? context->data : nullptr;
}

size_t CGBitmapContextGetWidth(CGContextRef ref) {
    CGContext* context = AsContext(ref);
    return context ? context->width : 0;
}

size_t CGBitmapContextGetHeight(CGContextRef ref) {
    CGContext* context = AsContext(ref);
    return context ? context->height : 0;
}

size_t CGBitmapContextGetBytesPerRow(CGContextRef ref) {
    CGContext* context = AsContext(ref);
    return context ? context->bytesPerRow : 0;
}

// ---- Graphics state ------------------------------------------------------------------------

void CGContextSaveGState(CGContextRef ref) {
    if (CGContext* context = AsContext(ref)) context->saved.push_back(context->state);
}

void CGContextRestoreGState(CGContextRef ref) {
    CGContext* context = AsContext(ref);
    if (!context || context->saved.empty()) return;
    context->state = context->saved.back();
    context->saved.pop_back();
}

CGAffineTransform CGContextGetCTM(CGContextRef ref) {
    CGContext* context = AsContext(ref);
    return context ? context->state.ctm : CGAffineTransformIdentity;
}

void CGContextClipToRect(CGContextRef ref, CGRect rect) {
    CGContext* context = AsContext(ref);
    if (!context) return;
    context->state.clip = CGIntersectBoxes(
        context->state.clip, CGPixelsInside(CGRectApplyAffineTransform(rect, context->state.ctm)));
}

CGRect CGContextGetClipBoundingBox(CGContextRef ref) {
    CGContext* context = AsContext(ref);
    if (!context) return CGRectNull;
    const CGPixelBox& clip = context->state.clip;
    if (clip.Empty()) return CGRectNull;
    const CGRect device = CGRectMake(clip.x0, clip.y0, clip.x1 - clip.x0, clip.y1 - clip.y0);
    return CGRectApplyAffineTransform(device, CGAffineTransformInvert(context->state.ctm));
}

CGSize CGContextConvertSizeToDeviceSpace(CGContextRef context, CGSize size) {
    return CGSizeApplyAffineTransform(size, CGContextGetCTM(context));
}
