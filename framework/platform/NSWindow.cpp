// Windows: frames, ordering, child windows, key and first responder, event routing, and the
// Carbon windows a Cocoa window can wrap.

#include "PlatformRuntime.h"

#include <algorithm>
#include <cmath>

struct OpaqueWindowPtr {
    Rect bounds;
    WindowClass windowClass;
    WindowAttributes attributes;
};

namespace {

constexpr CGFloat kTitleBarHeight = 22;

} // namespace

// ---- Carbon windows ------------------------------------------------------------------------

OSStatus CreateNewWindow(WindowClass windowClass, WindowAttributes attributes,
                         const Rect* contentBounds, WindowRef* outWindow) {
    if (!contentBounds || !outWindow || contentBounds->bottom < contentBounds->top ||
        contentBounds->right < contentBounds->left)
        return paramErr;
    *outWindow = new OpaqueWindowPtr{*contentBounds, windowClass, attributes};
    return noErr;
}

void DisposeWindow(WindowRef window) {
    delete window;
}

OSStatus GetWindowBounds(WindowRef window, WindowRegionCode regionCode, Rect* globalBounds) {
    if (!window) return errInvalidWindowRef;
    if (!globalBounds || (regionCode != kWindowContentRgn && regionCode != kWindowStructureRgn))
        return paramErr;
    *globalBounds = window->bounds;
    return noErr;
}

// ---- Windows -------------------------------------------------------------------------------

NSWindow::NSWindow() : mTitle(new NSString) {
    Register();
    setContentView(new NSView);
    mContentView->release(); // the window's reference is the only one
    mFirstResponder = this;
}

void NSWindow::Register() {
    PlatformRuntime& runtime = GetPlatformRuntime();
    UTL_MutexLock lock(&runtime.mutex);
    mWindowNumber = runtime.nextWindowNumber++;
    runtime.windows.push_back(this);
}

NSWindow::~NSWindow() {
    GetWindowSystem().WindowDestroyed(this);
    {
        PlatformRuntime& runtime = GetPlatformRuntime();
        UTL_MutexLock lock(&runtime.mutex);
        runtime.windows.erase(std::remove(runtime.windows.begin(), runtime.windows.end(), this),
                              runtime.windows.end());
        if (runtime.keyWindow == this) runtime.keyWindow = nullptr;
    }
    for (NSWindow* child : mChildren) {
        child->mParent = nullptr;
        child->release();
    }
    setContentView(nullptr);
    mTitle->release();
}

NSWindow* NSWindow::initWithContentRect(NSRect contentRect, NSUInteger styleMask,
                                        NSBackingStoreType, bool) {
    mStyleMask = styleMask;
    setFrame(frameRectForContentRect(contentRect, styleMask), false);
    return this;
}

NSWindow* NSWindow::initWithWindowRef(WindowRef windowRef) {
    Rect bounds;
    if (GetWindowBounds(windowRef, kWindowContentRgn, &bounds) != noErr) {
        release();
        return nullptr;
    }
    mWindowRef = windowRef;
    // Carbon counts down from the top of the main display, Cocoa up from its bottom.
    const CGFloat displayHeight = static_cast<CGFloat>(CGDisplayPixelsHigh(CGMainDisplayID()));
    return initWithContentRect(NSMakeRect(bounds.left, displayHeight - bounds.bottom,
                                          bounds.right - bounds.left, bounds.bottom - bounds.top),
                               NSBorderlessWindowMask, NSBackingStoreBuffered, false);
}

void NSWindow::setTitle(NSString* title) {
    NSString* kept = title ? static_cast<NSString*>(title->retain()) : new NSString;
    mTitle->release();
    mTitle = kept;
}

NSRect NSWindow::contentRectForFrameRect(NSRect frameRect, NSUInteger styleMask) {
    if (styleMask & NSTitledWindowMask)
        frameRect.size.height = std::max<CGFloat>(0, frameRect.size.height - kTitleBarHeight);
    return frameRect;
}

NSRect NSWindow::contentRectForFrameRect(NSRect frameRect) const {
    return contentRectForFrameRect(frameRect, mStyleMask);
}

NSRect NSWindow::frameRectForContentRect(NSRect contentRect, NSUInteger styleMask) {
    if (styleMask & NSTitledWindowMask) contentRect.size.height += kTitleBarHeight;
    return contentRect;
}

void NSWindow::setFrame(NSRect frame, bool display) {
    const CGFloat dx = frame.origin.x - mFrame.origin.x;
    const CGFloat dy = frame.origin.y - mFrame.origin.y;
    mFrame = frame;
    if (mContentView) mContentView->setFrameSize(contentRectForFrameRect(frame).size);
    for (NSWindow* child : mChildren)
        child->setFrameOrigin(
            NSMakePoint(child->mFrame.origin.x + dx, child->mFrame.origin.y + dy));
    GetWindowSystem().WindowFrameChanged(this);
    if (display) this->display();
}

void NSWindow::setFrameOrigin(NSPoint origin) {
    setFrame(NSRect{origin, mFrame.size}, false);
}

void NSWindow::setContentView(NSView* view) {
    if (view == mContentView) return;
    if (view) {
        view->retain();
        view->LeaveContainer();
    }
    if (NSView* old = mContentView) {
        mContentView = nullptr;
        old->SetWindow(nullptr);
        old->setNextResponder(nullptr);
        old->release();
    }
    mContentView = view;
    if (view) {
        view->setFrame(NSRect{NSZeroPoint, contentRectForFrameRect(mFrame).size});
        view->setNextResponder(this);
        view->SetWindow(this);
    }
}

// ---- Ordering ------------------------------------------------------------------------------

void NSWindow::SetVisible(bool visible) {
    if (visible != mVisible) {
        mVisible = visible;
        WindowSystem& windowSystem = GetWindowSystem();
        if (visible) {
            windowSystem.WindowOrderedIn(this);
            if (mContentView) mContentView->SetNeedsDisplayEverywhere();
        } else {
            windowSystem.WindowOrderedOut(this);
        }
    }
    for (NSWindow* child : RetainedSnapshot<NSWindow>(mChildren))
        child->SetVisible(visible);
}

void NSWindow::orderFront(id) {
    SetVisible(true);
}

void NSWindow::orderOut(id) {
    SetVisible(false);
}

void NSWindow::close() {
    if (mClosed) return;
    mClosed = true;
    retain();
    orderOut(nullptr);
    if (mParent) mParent->removeChildWindow(this);
    {
        PlatformRuntime& runtime = GetPlatformRuntime();
        UTL_MutexLock lock(&runtime.mutex);
        if (runtime.keyWindow == this) runtime.keyWindow = nullptr;
    }
    if (mReleasedWhenClosed) release();
    release();
}

void NSWindow::display() {
    if (mContentView) mContentView->display();
}

void NSWindow::displayIfNeeded() {
    if (mContentView) mContentView->displayIfNeeded();
}

void NSWindow::setBackingScaleFactor(CGFloat scale) {
    if (!(scale >= 1) || !std::isfinite(scale) || scale == mBackingScaleFactor) return;
    mBackingScaleFactor = scale;
    if (mContentView) mContentView->SetNeedsDisplayEverywhere();
}

void DisplayWindowsIfNeeded() {
    std::vector<NSWindow*> visible;
    {
        PlatformRuntime& runtime = GetPlatformRuntime();
        UTL_MutexLock lock(&runtime.mutex);
        for (NSWindow* window : runtime.windows)
            if (window->isVisible()) visible.push_back(window);
    }
    for (NSWindow* window : RetainedSnapshot<NSWindow>(visible))
        window->displayIfNeeded();
}

// ---- Child windows -------------------------------------------------------------------------

void NSWindow::addChildWindow(NSWindow* child, NSWindowOrderingMode place) {
    if (!child || place == NSWindowOut || child->mParent == this) return;
    // A window cannot become a child of its own child.
    for (const NSWindow* ancestor = this; ancestor; ancestor = ancestor->mParent)
        if (ancestor == child) return;
    child->retain();
    if (child->mParent) child->mParent->removeChildWindow(child);
    mChildren.push_back(child);
    child->mParent = this;
    if (mVisible) child->SetVisible(true);
}

void NSWindow::removeChildWindow(NSWindow* child) {
    const auto found = std::find(mChildren.begin(), mChildren.end(), child);
    if (found == mChildren.end()) return;
    mChildren.erase(found);
    child->mParent = nullptr;
    child->release();
}

NSArray<NSWindow*>* NSWindow::childWindows() const {
    auto* children = NSMutableArray<NSWindow*>::array();
    for (NSWindow* child : mChildren)
        children->addObject(child);
    return children;
}

// ---- Key window, first responder and events ------------------------------------------------

bool NSWindow::canBecomeKeyWindow() const {
    return (mStyleMask & (NSTitledWindowMask | NSResizableWindowMask)) != 0;
}

bool NSWindow::isKeyWindow() const {
    PlatformRuntime& runtime = GetPlatformRuntime();
    UTL_MutexLock lock(&runtime.mutex);
    return runtime.keyWindow == this;
}

void NSWindow::makeKeyWindow() {
    if (!canBecomeKeyWindow()) return;
    PlatformRuntime& runtime = GetPlatformRuntime();
    UTL_MutexLock lock(&runtime.mutex);
    runtime.keyWindow = this;
}

bool NSWindow::makeFirstResponder(NSResponder* responder) {
    if (responder == mFirstResponder) return true;
    if (auto* view = dynamic_cast<NSView*>(responder); view && view->window() != this) return false;
    if (mFirstResponder && mFirstResponder != this && !mFirstResponder->resignFirstResponder())
        return false;
    if (responder && responder->becomeFirstResponder()) {
        mFirstResponder = responder;
        return true;
    }
    mFirstResponder = this;
    return !responder;
}

void NSWindow::ForgetView(NSView* view) {
    if (mFirstResponder == view) mFirstResponder = this;
    if (mMouseView == view) mMouseView = nullptr;
}

NSView* NSWindow::HitView(NSPoint location) const {
    return mContentView ? mContentView->hitTest(location) : nullptr;
}

void NSWindow::sendEvent(NSEvent* event) {
    if (!event) return;
    retain();
    const NSPoint location = event->locationInWindow();
    NSResponder* target = nullptr;
    switch (event->type()) {
    case NSLeftMouseDown:
    case NSRightMouseDown:
    case NSOtherMouseDown:
        mMouseView = HitView(location);
        if (mMouseView) {
            if (!isKeyWindow()) makeKeyWindow();
            if (mMouseView->acceptsFirstResponder()) makeFirstResponder(mMouseView);
            target = mMouseView;
        }
        break;
    case NSLeftMouseDragged:
    case NSRightMouseDragged:
    case NSOtherMouseDragged:
    case NSLeftMouseUp:
    case NSRightMouseUp:
    case NSOtherMouseUp:
        target = mMouseView ? mMouseView : HitView(location);
        break;
    case NSMouseMoved:
        if (mAcceptsMouseMovedEvents) target = HitView(location);
        break;
    case NSScrollWheel:
        target = HitView(location);
        break;
    case NSKeyDown:
    case NSKeyUp:
    case NSFlagsChanged:
        target = mFirstResponder ? mFirstResponder : this;
        break;
    default:
        break;
    }
    if (target) {
        target->retain();
        switch (event->type()) {
        case NSLeftMouseDown:
            target->mouseDown(event);
            break;
        case NSLeftMouseUp:
            target->mouseUp(event);
            break;
        case NSLeftMouseDragged:
            target->mouseDragged(event);
            break;
        case NSRightMouseDown:
            target->rightMouseDown(event);
            break;
        case NSRightMouseUp:
            target->rightMouseUp(event);
            break;
        case NSRightMouseDragged:
            target->rightMouseDragged(event);
            break;
        case NSOtherMouseDown:
            target->otherMouseDown(event);
            break;
        case NSOtherMouseUp:
            target->otherMouseUp(event);
            break;
        case NSOtherMouseDragged:
            target->otherMouseDragged(event);
            break;
        case NSMouseMoved:
            target->mouseMoved(event);
            break;
        case NSScrollWheel:
            target->scrollWheel(event);
            break;
        case NSKeyDown:
            target->keyDown(event);
            break;
        case NSKeyUp:
            target->keyUp(event);
            break;
        case NSFlagsChanged:
            target->flagsChanged(event);
            break;
        default:
            break;
        }
        target->release();
    }
    const NSEventType type = event->type();
    if (type == NSLeftMouseUp || type == NSRightMouseUp || type == NSOtherMouseUp)
        mMouseView = nullptr;
    release();
}

// ---- Screen coordinates --------------------------------------------------------------------

NSPoint NSWindow::convertBaseToScreen(NSPoint point) const {
    return NSMakePoint(point.x + mFrame.origin.x, point.y + mFrame.origin.y);
}

NSPoint NSWindow::convertScreenToBase(NSPoint point) const {
    return NSMakePoint(point.x - mFrame.origin.x, point.y - mFrame.origin.y);
}

NSPoint NSWindow::mouseLocationOutsideOfEventStream() const {
    return convertScreenToBase(NSEvent::mouseLocation());
}
