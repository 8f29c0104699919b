#pragma once

// CoreGraphics for Linux: geometry, affine transforms, bitmap drawing contexts, images over data
// providers, colour spaces, and the main display with its cursor, under the platform's published
// names and values.
//
// Contexts, images, colour spaces and data providers are CoreFoundation objects: CFRetain and
// CFRelease work on them as well as their own retain and release calls, and the release calls
// accept null. Bad arguments (null objects, unsupported formats, sizes that do not add up) never
// crash: creation answers null and drawing does nothing.
//
// Pixels. A bitmap context draws into rows of pixels stored top row first; its device space has
// its origin at the bottom-left corner with y pointing up, one unit per pixel, so row y of device
// space is stored row (height - 1 - y). A pixel is painted when its centre lies inside what is
// drawn. Images are drawn nearest-neighbour (no interpolation, no colour matching) with the
// normal source-over blend; image row 0 lands at the top of the destination rectangle in user
// space, so under a flipped (y-down) transform an image appears upside down, as on the platform.

#include "CoreFoundation.h"

#include <cstddef>
#include <cstdint>

// ---- Geometry ------------------------------------------------------------------------------

typedef double CGFloat;

struct CGPoint {
    CGFloat x;
    CGFloat y;
};
struct CGSize {
    CGFloat width;
    CGFloat height;
};
struct CGRect {
    CGPoint origin;
    CGSize size;
};

inline CGPoint CGPointMake(CGFloat x, CGFloat y) {
    return CGPoint{x, y};
}
inline CGSize CGSizeMake(CGFloat width, CGFloat height) {
    return CGSize{width, height};
}
inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
    return CGRect{{x, y}, {width, height}};
}

// The empty set of points: what an intersection of disjoint rectangles answers.
extern const CGRect CGRectNull;

// Rectangles with a negative width or height are handled through their standardised form.
CGFloat CGRectGetMinX(CGRect rect);
CGFloat CGRectGetMaxX(CGRect rect);
CGFloat CGRectGetMinY(CGRect rect);
CGFloat CGRectGetMaxY(CGRect rect);
CGRect CGRectStandardize(CGRect rect);
bool CGRectIsNull(CGRect rect);

// ---- Affine transforms ---------------------------------------------------------------------

// Maps (x, y) to (a x + c y + tx, b x + d y + ty).
struct CGAffineTransform {
    CGFloat a, b, c, d;
    CGFloat tx, ty;
};

extern const CGAffineTransform CGAffineTransformIdentity;

CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx,
                                        CGFloat ty);
// A singular transform is answered unchanged, as on the platform.
CGAffineTransform CGAffineTransformInvert(CGAffineTransform t);
CGPoint CGPointApplyAffineTransform(CGPoint point, CGAffineTransform t);
CGSize CGSizeApplyAffineTransform(CGSize size, CGAffineTransform t); // no translation
// The bounding box of the transformed rectangle.
CGRect CGRectApplyAffineTransform(CGRect rect, CGAffineTransform t);

// ---- Status codes --------------------------------------------------------------------------

typedef SInt32 CGError;
enum : CGError {
    kCGErrorSuccess = 0,
    kCGErrorIllegalArgument = 1001,
    kCGErrorCannotComplete = 1004,
};

// ---- Colour spaces -------------------------------------------------------------------------

typedef struct CGColorSpace* CGColorSpaceRef;

typedef SInt32 CGColorSpaceModel;
enum : CGColorSpaceModel {
    kCGColorSpaceModelUnknown = -1,
    kCGColorSpaceModelRGB = 1,
};

CGColorSpaceRef CGColorSpaceCreateDeviceRGB();
// An RGB space described by a ColorSync profile (a CMProfileRef, see ColorSync.h); null for
// anything else. The space keeps the profile's name and stays valid after the profile is closed.
CGColorSpaceRef CGColorSpaceCreateWithPlatformColorSpace(const void* platformColorSpaceReference);
CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space);
void CGColorSpaceRelease(CGColorSpaceRef space);
CGColorSpaceModel CGColorSpaceGetModel(CGColorSpaceRef space);
// The name of the profile a space was made from; null for device RGB.
CFStringRef CGColorSpaceCopyName(CGColorSpaceRef space);

// ---- Bitmap layouts ------------------------------------------------------------------------

typedef UInt32 CGImageAlphaInfo;
enum : CGImageAlphaInfo {
    kCGImageAlphaNone = 0,
    kCGImageAlphaPremultipliedLast = 1,
    kCGImageAlphaPremultipliedFirst = 2,
    kCGImageAlphaLast = 3,
    kCGImageAlphaFirst = 4,
    kCGImageAlphaNoneSkipLast = 5,
    kCGImageAlphaNoneSkipFirst = 6,
    kCGImageAlphaOnly = 7,
};

typedef UInt32 CGBitmapInfo;
enum : CGBitmapInfo {
    kCGBitmapAlphaInfoMask = 0x1F,
    kCGBitmapFloatComponents = 1u << 8,
    kCGBitmapByteOrderMask = 0x7000,
    kCGBitmapByteOrderDefault = 0u << 12, // the channel order as named, first byte first
    kCGBitmapByteOrder32Little = 2u << 12, // each 32-bit pixel read as a little-endian word
    kCGBitmapByteOrder32Big = 4u << 12,
};
// This machine's order, as on the platform's Intel builds.
inline constexpr CGBitmapInfo kCGBitmapByteOrder32Host = kCGBitmapByteOrder32Little;

// Supported layouts: 8 bits per component, RGB, 32 bits per pixel with any of the alpha
// positions above except kCGImageAlphaNone and kCGImageAlphaOnly, or 24 bits per pixel with
// kCGImageAlphaNone; byte order default, 32-bit big or 32-bit little (the last only for 32 bits
// per pixel). Bitmap contexts take only the four layouts the platform draws into: premultiplied
// or skipped alpha, first or last.

typedef SInt32 CGColorRenderingIntent;
enum : CGColorRenderingIntent {
    kCGRenderingIntentDefault = 0,
};

// ---- Data providers ------------------------------------------------------------------------

typedef struct CGDataProvider* CGDataProviderRef;
typedef void (*CGDataProviderReleaseDataCallback)(void* info, const void* data, size_t size);

// Wraps the bytes without copying them; they must stay valid until the provider goes, when the
// callback (if any) is called with info, data and size.
CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback releaseData);
CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider);
void CGDataProviderRelease(CGDataProviderRef provider);

// ---- Images --------------------------------------------------------------------------------

typedef struct CGImage* CGImageRef;

// Null unless the layout is supported, the colour space is RGB, bytesPerRow holds a row and the
// provider holds every row (the last one need only be as long as its pixels). The image keeps
// the provider (and so the bytes) and reads the pixels when it is drawn; decode arrays are not
// supported and must be null.
CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                         size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                         CGDataProviderRef provider, const CGFloat* decode, bool shouldInterpolate,
                         CGColorRenderingIntent intent);
void CGImageRelease(CGImageRef image);

// ---- Contexts ------------------------------------------------------------------------------

typedef struct CGContext* CGContextRef;
typedef void (*CGBitmapContextReleaseDataCallback)(void* releaseInfo, void* data);

CFTypeID CGContextGetTypeID();
// A context drawing into width x height pixels of bytesPerRow bytes each. With null data the
// context allocates zeroed pixels itself (bytesPerRow 0: width x 4); otherwise it draws into the
// caller's bytes, which must hold height rows. Null for unsupported layouts (see above), a
// non-RGB or null colour space, or sizes that do not add up.
CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef space,
                                   CGBitmapInfo bitmapInfo);
// The same; when the context goes, releaseCallback (if any) gets releaseInfo and the data.
CGContextRef CGBitmapContextCreateWithData(void* data, size_t width, size_t height,
                                           size_t bitsPerComponent, size_t bytesPerRow,
                                           CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                                           CGBitmapContextReleaseDataCallback releaseCallback,
                                           void* releaseInfo);
CGContextRef CGContextRetain(CGContextRef context);
void CGContextRelease(CGContextRef context);
void* CGBitmapContextGetData(CGContextRef context);
size_t CGBitmapContextGetWidth(CGContextRef context);
size_t CGBitmapContextGetHeight(CGContextRef context);
size_t CGBitmapContextGetBytesPerRow(CGContextRef context);

// Graphics state: the transform from user space to device space (CTM), the clip and the fill
// colour. Save pushes a copy, restore pops it (and does nothing without a saved state).
void CGContextSaveGState(CGContextRef context);
void CGContextRestoreGState(CGContextRef context);
CGAffineTransform CGContextGetCTM(CGContextRef context);
// Narrows the clip to the rectangle (in user space; a rotated rectangle clips to its bounds).
void CGContextClipToRect(CGContextRef context, CGRect rect);
CGRect CGContextGetClipBoundingBox(CGContextRef context); // in user space

CGSize CGContextConvertSizeToDeviceSpace(CGContextRef context, CGSize size);

void CGContextSetRGBFillColor(CGContextRef context, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha);
void CGContextFillRect(CGContextRef context, CGRect rect);
// Sets the pixels to transparent black (opaque black in a layout without alpha).
void CGContextClearRect(CGContextRef context, CGRect rect);
void CGContextDrawImage(CGContextRef context, CGRect rect, CGImageRef image);

// ---- Displays and the cursor ---------------------------------------------------------------

// Display coordinates have their origin at the top-left corner of the main display, y pointing
// down, in pixels. What the display and cursor are is the window system's (see WindowSystem.h);
// the headless one records the cursor's state and position.

typedef UInt32 CGDirectDisplayID;

CGDirectDisplayID CGMainDisplayID();
CGRect CGDisplayBounds(CGDirectDisplayID display);
size_t CGDisplayPixelsHigh(CGDirectDisplayID display);
// Hiding is counted: the cursor shows again when every hide has been matched by a show.
CGError CGDisplayHideCursor(CGDirectDisplayID display);
CGError CGDisplayShowCursor(CGDirectDisplayID display);
CGError CGDisplayMoveCursorToPoint(CGDirectDisplayID display, CGPoint point);
