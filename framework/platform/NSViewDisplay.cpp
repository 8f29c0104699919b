// Views drawing into their backing stores.

#include "CGInternal.h"
#include "PlatformRuntime.h"

#include <algorithm>
#include <cmath>

namespace {

// Beyond this many pixels a backing store is refused rather than allocated.
constexpr CGFloat kMaxBackingPixels = CGFloat(1) * (1 << 28);

constexpr CGBitmapInfo kBackingLayout = kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Host;

// Beyond this many separate rectangles to draw, their bounding box is drawn instead.
constexpr size_t kMaxDirtyRects = 32;

} // namespace

void NSView::setNeedsDisplay(bool flag) {
    if (flag) {
        setNeedsDisplayInRect(bounds());
    } else {
        mDirtyRect = NSZeroRect;
        mDirtyRects.clear();
    }
}

void NSView::setNeedsDisplayInRect(NSRect rect) {
    NSRect area = NSIntersectionRect(rect, bounds());
    if (NSIsEmptyRect(area)) return;
    mDirtyRect = NSUnionRect(mDirtyRect, area);
    // Overlapping rectangles become one, which may then overlap others.
    for (auto other = mDirtyRects.begin(); other != mDirtyRects.end();) {
        if (NSIntersectsRect(*other, area)) {
            area = NSUnionRect(area, *other);
            mDirtyRects.erase(other);
            other = mDirtyRects.begin();
        } else {
            ++other;
        }
    }
    mDirtyRects.push_back(area);
    if (mDirtyRects.size() > kMaxDirtyRects) mDirtyRects.assign(1, mDirtyRect);
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
    if (needsDisplay()) DisplayArea(mDirtyRect, mDirtyRects);
    for (NSView* view : RetainedSnapshot<NSView>(mSubviews))
        view->displayIfNeeded();
    release();
}

void NSView::displayRect(NSRect rect) {
    DisplayArea(rect, {});
}

void NSView::DisplayArea(NSRect rect, std::vector<NSRect> rects) {
    retain(); // drawRect may remove the view from its superview
    const NSRect area = NSIntersectionRect(rect, bounds());
    if (!NSIsEmptyRect(area)) {
        if (rects.empty()) rects.push_back(area);
        // Forgotten before drawing, so that what drawRect marks stays marked.
        ForgetDirtyRectsIn(area);
        DrawArea(area, rects);
        for (NSView* view : RetainedSnapshot<NSView>(mSubviews)) {
            const NSRect subArea =
                NSIntersectionRect(view->convertRectFromView(area, this), view->bounds());
            if (!NSIsEmptyRect(subArea)) view->displayRect(subArea);
        }
    }
    release();
}

void NSView::ForgetDirtyRectsIn(NSRect area) {
    mDirtyRects.erase(std::remove_if(mDirtyRects.begin(), mDirtyRects.end(),
                                     [&](NSRect dirty) { return NSContainsRect(area, dirty); }),
                      mDirtyRects.end());
    mDirtyRect = NSZeroRect;
    for (const NSRect& dirty : mDirtyRects)
        mDirtyRect = NSUnionRect(mDirtyRect, dirty);
}

void NSView::drawRect(NSRect) {}

void NSView::getRectsBeingDrawn(const NSRect** rects, NSInteger* count) const {
    const bool drawing = mRectsBeingDrawn != nullptr;
    if (rects) *rects = drawing ? mRectsBeingDrawn->data() : nullptr;
    if (count) *count = drawing ? static_cast<NSInteger>(mRectsBeingDrawn->size()) : 0;
}

bool NSView::PrepareBackingStore(bool* fresh) {
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
    *fresh = true;
    return true;
}

void NSView::DrawArea(NSRect area, const std::vector<NSRect>& rects) {
    bool fresh = false;
    if (!PrepareBackingStore(&fresh)) return;
    // A new store starts empty: all of it is drawn.
    std::vector<NSRect> drawn;
    if (fresh) {
        area = bounds();
        ForgetDirtyRectsIn(area);
        drawn.push_back(area);
    } else {
        for (const NSRect& rect : rects) {
            const NSRect part = NSIntersectionRect(rect, area);
            if (!NSIsEmptyRect(part)) drawn.push_back(part);
        }
    }
    // Bounds to backing pixels: y up from the bottom edge, or down from the top when flipped.
    const CGFloat scale = mBackingScale;
    const CGAffineTransform device =
        isFlipped() ? CGAffineTransformMake(scale, 0, 0, -scale, -mBoundsOrigin.x * scale,
                                            (mBoundsOrigin.y + mFrame.size.height) * scale)
                    : CGAffineTransformMake(scale, 0, 0, scale, -mBoundsOrigin.x * scale,
                                            -mBoundsOrigin.y * scale);
    CGContextResetState(mBackingStore, device);
    CGContextClipToRect(mBackingStore, area);
    if (!isOpaque())
        for (const NSRect& rect : drawn)
            CGContextClearRect(mBackingStore, rect);

    NSAutoreleasePool* pool = new NSAutoreleasePool;
    NSGraphicsContext::saveGraphicsState();
    NSGraphicsContext::setCurrentContext(
        NSGraphicsContext::graphicsContextWithGraphicsPort(mBackingStore, isFlipped()));
    mRectsBeingDrawn = &drawn;
    drawRect(area);
    mRectsBeingDrawn = nullptr;
    NSGraphicsContext::restoreGraphicsState();
    pool->release();

    if (mWindow) GetWindowSystem().ViewDrawn(this, area);
}
