// Views drawing into their backing stores.

#include "CGInternal.h"
#include "PlatformRuntime.h"

#include <cmath>

namespace {

// Beyond this many pixels a backing store is refused rather than allocated.
constexpr CGFloat kMaxBackingPixels = CGFloat(1) * (1 << 28);

constexpr CGBitmapInfo kBackingLayout = kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Host;

} // namespace

void NSView::setNeedsDisplay(bool flag) {
    if (flag)
        setNeedsDisplayInRect(bounds());
    else
        mDirtyRect = NSZeroRect;
}

void NSView::setNeedsDisplayInRect(NSRect rect) {
    const NSRect area = NSIntersectionRect(rect, bounds());
    if (!NSIsEmptyRect(area)) mDirtyRect = NSUnionRect(mDirtyRect, area);
}

void NSView::SetNeedsDisplayEverywhere() {
    setNeedsDisplay(true);
    for (NSView* view : mSubviews)
        view->SetNeedsDisplayEverywhere();
}

void NSView::display() {
    displayRect(bounds());
}

void NSView::displayIfNeeded() {
    retain();
    if (needsDisplay()) displayRect(mDirtyRect);
    for (NSView* view : RetainedSnapshot<NSView>(mSubviews))
        view->displayIfNeeded();
    release();
}

void NSView::displayRect(NSRect rect) {
    if (mHidden) return;
    retain(); // drawRect may remove the view from its superview
    const NSRect area = NSIntersectionRect(rect, bounds());
    if (!NSIsEmptyRect(area)) {
        DrawArea(area);
        // What is left to draw, conservatively: nothing when the area covered it.
        if (NSContainsRect(area, mDirtyRect)) mDirtyRect = NSZeroRect;
        for (NSView* view : RetainedSnapshot<NSView>(mSubviews)) {
            const NSRect subArea =
                NSIntersectionRect(view->convertRectFromView(area, this), view->bounds());
            if (!NSIsEmptyRect(subArea)) view->displayRect(subArea);
        }
    }
    release();
}

void NSView::drawRect(NSRect) {}

bool NSView::PrepareBackingStore() {
    const CGFloat scale = backingScaleFactor();
    const CGFloat width = std::ceil(mFrame.size.width * scale);
    const CGFloat height = std::ceil(mFrame.size.height * scale);
    if (!(width >= 1 && height >= 1 && width * height <= kMaxBackingPixels)) return false;
    if (mBackingStore && mBackingScale == scale &&
        CGBitmapContextGetWidth(mBackingStore) == static_cast<size_t>(width) &&
        CGBitmapContextGetHeight(mBackingStore) == static_cast<size_t>(height))
        return true;
    CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
    CGContextRef store =
        CGBitmapContextCreate(nullptr, static_cast<size_t>(width), static_cast<size_t>(height), 8,
                              0, space, kBackingLayout);
    CGColorSpaceRelease(space);
    if (!store) return false;
    CGContextRelease(mBackingStore);
    mBackingStore = store;
    mBackingScale = scale;
    // A new store starts empty: all of it needs drawing.
    setNeedsDisplay(true);
    return true;
}

void NSView::DrawArea(NSRect area) {
    if (!PrepareBackingStore()) return;
    // Bounds to backing pixels: y up from the bottom edge, or down from the top when flipped.
    const CGFloat scale = mBackingScale;
    const CGAffineTransform device =
        isFlipped() ? CGAffineTransformMake(scale, 0, 0, -scale, -mBoundsOrigin.x * scale,
                                            (mBoundsOrigin.y + mFrame.size.height) * scale)
                    : CGAffineTransformMake(scale, 0, 0, scale, -mBoundsOrigin.x * scale,
                                            -mBoundsOrigin.y * scale);
    CGContextResetState(mBackingStore, device);
    CGContextClipToRect(mBackingStore, area);
    if (!isOpaque()) CGContextClearRect(mBackingStore, area);

    NSAutoreleasePool* pool = new NSAutoreleasePool;
    NSGraphicsContext::saveGraphicsState();
    NSGraphicsContext::setCurrentContext(
        NSGraphicsContext::graphicsContextWithGraphicsPort(mBackingStore, isFlipped()));
    drawRect(area);
    NSGraphicsContext::restoreGraphicsState();
    pool->release();

    if (mWindow) GetWindowSystem().ViewDrawn(this, area);
}
