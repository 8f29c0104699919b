// Views: the hierarchy, coordinate systems, hit testing and tool tips.

#include "PlatformRuntime.h"

#include <algorithm>

NSView::NSView() = default;

NSView::~NSView() {
    if (mWindow) mWindow->ForgetView(this);
    for (NSView* view : mSubviews) {
        view->mSuperview = nullptr;
        view->setNextResponder(nullptr);
        view->SetWindow(nullptr);
        view->release();
    }
    CGContextRelease(mBackingStore);
}

NSView* NSView::initWithFrame(NSRect frame) {
    mFrame = frame;
    setNeedsDisplay(true);
    return this;
}

NSRect NSView::bounds() const {
    return NSRect{mBoundsOrigin, mFrame.size};
}

void NSView::setFrameSize(NSSize size) {
    mFrame.size = size;
    setNeedsDisplay(true);
}

void NSView::setFrameOrigin(NSPoint origin) {
    mFrame.origin = origin;
    setNeedsDisplay(true);
}

void NSView::setFrame(NSRect frame) {
    setFrameOrigin(frame.origin);
    setFrameSize(frame.size);
}

// ---- Hierarchy -----------------------------------------------------------------------------

NSArray<NSView*>* NSView::subviews() const {
    auto* views = NSMutableArray<NSView*>::array();
    for (NSView* view : mSubviews)
        views->addObject(view);
    return views;
}

void NSView::addSubview(NSView* view) {
    // A view inside its own subtree would make the hierarchy a loop.
    if (!view || isDescendantOf(view)) return;
    view->retain(); // the new superview's reference
    view->LeaveContainer();
    view->viewWillMoveToSuperview(this);
    mSubviews.push_back(view);
    view->mSuperview = this;
    view->setNextResponder(this);
    view->SetWindow(mWindow);
    view->viewDidMoveToSuperview();
    view->setNeedsDisplay(true);
}

void NSView::removeFromSuperview() {
    if (!mSuperview) return;
    retain(); // through the hooks below
    viewWillMoveToSuperview(nullptr);
    SetWindow(nullptr);
    Detach();
    viewDidMoveToSuperview();
    release(); // the superview's reference
    release();
}

void NSView::LeaveContainer() {
    if (mSuperview)
        removeFromSuperview();
    else if (mWindow && mWindow->contentView() == this)
        mWindow->setContentView(nullptr);
}

void NSView::Detach() {
    std::vector<NSView*>& siblings = mSuperview->mSubviews;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    mSuperview = nullptr;
    setNextResponder(nullptr);
}

bool NSView::isDescendantOf(NSView* view) const {
    for (const NSView* ancestor = this; ancestor; ancestor = ancestor->mSuperview)
        if (ancestor == view) return true;
    return false;
}

void NSView::SetWindow(NSWindow* window) {
    if (window == mWindow) return;
    viewWillMoveToWindow(window);
    if (mWindow) mWindow->ForgetView(this);
    mWindow = window;
    for (NSView* view : mSubviews)
        view->SetWindow(window);
    viewDidMoveToWindow();
    setNeedsDisplay(true);
}

void NSView::viewWillMoveToWindow(NSWindow*) {}
void NSView::viewDidMoveToWindow() {}
void NSView::viewWillMoveToSuperview(NSView*) {}
void NSView::viewDidMoveToSuperview() {}

bool NSView::isFlipped() const {
    return false;
}

bool NSView::isOpaque() const {
    return false;
}

// ---- Coordinates ---------------------------------------------------------------------------

NSPoint NSView::ToSuperview(NSPoint point) const {
    // From bounds coordinates to the frame with y up, then into the superview's system.
    const CGFloat x = point.x - mBoundsOrigin.x;
    const CGFloat y =
        isFlipped() ? mFrame.size.height - (point.y - mBoundsOrigin.y) : point.y - mBoundsOrigin.y;
    const bool superFlipped = mSuperview && mSuperview->isFlipped();
    return NSMakePoint(mFrame.origin.x + x, superFlipped ? mFrame.origin.y + mFrame.size.height - y
                                                         : mFrame.origin.y + y);
}

NSPoint NSView::FromSuperview(NSPoint point) const {
    const bool superFlipped = mSuperview && mSuperview->isFlipped();
    const CGFloat x = point.x - mFrame.origin.x;
    const CGFloat y =
        superFlipped ? mFrame.origin.y + mFrame.size.height - point.y : point.y - mFrame.origin.y;
    return NSMakePoint(x + mBoundsOrigin.x, isFlipped() ? mFrame.size.height - y + mBoundsOrigin.y
                                                        : y + mBoundsOrigin.y);
}

// The base is the coordinate system of the topmost superview's container: the window's base
// coordinates for a view in a window.
NSPoint NSView::ToBase(NSPoint point) const {
    for (const NSView* view = this; view; view = view->mSuperview)
        point = view->ToSuperview(point);
    return point;
}

NSPoint NSView::FromBase(NSPoint point) const {
    std::vector<const NSView*> chain;
    for (const NSView* view = this; view; view = view->mSuperview)
        chain.push_back(view);
    for (auto view = chain.rbegin(); view != chain.rend(); ++view)
        point = (*view)->FromSuperview(point);
    return point;
}

NSPoint NSView::convertPointFromView(NSPoint point, NSView* view) const {
    return FromBase(view ? view->ToBase(point) : point);
}

NSPoint NSView::convertPointToView(NSPoint point, NSView* view) const {
    const NSPoint base = ToBase(point);
    return view ? view->FromBase(base) : base;
}

namespace {

NSRect RectBetween(NSPoint a, NSPoint b) {
    return NSMakeRect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(a.x - b.x),
                      std::abs(a.y - b.y));
}

} // namespace

NSRect NSView::convertRectFromView(NSRect rect, NSView* view) const {
    return RectBetween(convertPointFromView(rect.origin, view),
                       convertPointFromView(NSMakePoint(NSMaxX(rect), NSMaxY(rect)), view));
}

NSRect NSView::convertRectToView(NSRect rect, NSView* view) const {
    return RectBetween(convertPointToView(rect.origin, view),
                       convertPointToView(NSMakePoint(NSMaxX(rect), NSMaxY(rect)), view));
}

CGFloat NSView::backingScaleFactor() const {
    return mWindow ? mWindow->backingScaleFactor() : 1;
}

NSView* NSView::hitTest(NSPoint point) {
    const bool superFlipped = mSuperview && mSuperview->isFlipped();
    if (!NSMouseInRect(point, mFrame, superFlipped)) return nullptr;
    const NSPoint local = FromSuperview(point);
    for (auto view = mSubviews.rbegin(); view != mSubviews.rend(); ++view)
        if (NSView* hit = (*view)->hitTest(local)) return hit;
    return this;
}

// ---- Tool tips -----------------------------------------------------------------------------

NSToolTipTag NSView::addToolTipRect(NSRect rect, id owner, void* userData) {
    if (!owner || NSIsEmptyRect(rect)) return 0;
    mToolTipRects.push_back(ToolTipRect{mNextToolTipTag, rect, owner, userData});
    return mNextToolTipTag++;
}

void NSView::removeAllToolTips() {
    mToolTipRects.clear();
}

NSString* NSView::toolTipAtPoint(NSPoint point) {
    for (auto rect = mToolTipRects.rbegin(); rect != mToolTipRects.rend(); ++rect) {
        if (!NSMouseInRect(point, rect->rect, isFlipped())) continue;
        if (auto* text = dynamic_cast<NSString*>(rect->owner)) return text;
        if (auto* owner = dynamic_cast<NSToolTipOwner*>(rect->owner))
            return owner->view(this, rect->tag, point, rect->userData);
        break;
    }
    return nullptr;
}
