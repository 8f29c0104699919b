// Views and windows: the hierarchy, coordinates, drawing into backing stores at device scales 1
// and 2, redrawing what was marked, tool tips, event routing and the window operations a host's
// editor relies on.

#include "TestSupport.h"

#include <string>
#include <vector>

namespace {

using ViewTest = HeadlessTest;

NSWindow* MakeWindow(NSRect contentRect, NSUInteger styleMask = NSBorderlessWindowMask) {
    return (new NSWindow)
        ->initWithContentRect(contentRect, styleMask, NSBackingStoreBuffered, false);
}

// Counted in a pool of their own, so that the snapshot arrays hold no references afterwards.
NSUInteger SubviewCount(NSView* view) {
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    const NSUInteger count = view->subviews()->count();
    pool->release();
    return count;
}

NSUInteger ChildCount(NSWindow* window) {
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    const NSUInteger count = window->childWindows()->count();
    pool->release();
    return count;
}

// ---- Drawing -------------------------------------------------------------------------------

// A 3 x 2 surface, top row first.
constexpr uint32_t kSurface[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                  0xFFFFFFFF, 0xFF000000, 0xFF808080};

// Copies the surface to the screen as the editor's back end does: through the current
// context's port, wrapped as a flipped context, into the rectangle of the surface's size.
class SurfaceView : public NSView {
public:
    bool flipped = false;
    CGSize deviceUnit{};
    bool wrappedFlipped = false;

    bool isFlipped() const override { return flipped; }
    void drawRect(NSRect) override {
        NSGraphicsContext* current = NSGraphicsContext::currentContext();
        ASSERT_NE(current, nullptr);
        EXPECT_EQ(current->isFlipped(), flipped);
        NSGraphicsContext* wrapped =
            NSGraphicsContext::graphicsContextWithGraphicsPort(current->graphicsPort(), true);
        wrappedFlipped = wrapped->isFlipped();
        auto* port = static_cast<CGContextRef>(wrapped->graphicsPort());
        deviceUnit = CGContextConvertSizeToDeviceSpace(port, CGSizeMake(1, 1));
        uint32_t pixels[6];
        for (int i = 0; i < 6; ++i)
            pixels[i] = RasterPixel(kSurface[i]);
        CGImageRef image =
            CreateImage(pixels, sizeof pixels, 3, 2, 32, 12, kCGImageAlphaNoneSkipFirst);
        CGContextDrawImage(port, CGRectMake(0, 0, 3, 2), image);
        CGImageRelease(image);
    }
};

TEST_F(ViewTest, DrawsAnImageAtTheWindowsDeviceScaleFlippedOrNot) {
    for (const CGFloat scale : {1.0, 2.0}) {
        for (const bool flipped : {false, true}) {
            SCOPED_TRACE(std::to_string(scale) + (flipped ? " flipped" : " unflipped"));
            NSWindow* window = MakeWindow(NSMakeRect(0, 0, 3, 2));
            window->setBackingScaleFactor(scale);
            auto* view = new SurfaceView;
            view->flipped = flipped;
            view->initWithFrame(NSMakeRect(0, 0, 3, 2));
            window->contentView()->addSubview(view);
            view->release();
            view->display();

            EXPECT_EQ(view->deviceUnit.width, scale);
            EXPECT_EQ(view->deviceUnit.height, flipped ? -scale : scale);
            EXPECT_TRUE(view->wrappedFlipped);
            CGContextRef store = view->backingStore();
            ASSERT_NE(store, nullptr);
            const auto factor = static_cast<size_t>(scale);
            ASSERT_EQ(CGBitmapContextGetWidth(store), 3 * factor);
            ASSERT_EQ(CGBitmapContextGetHeight(store), 2 * factor);
            // Unflipped, the surface shows upright; a flipped view turns it upside down.
            for (size_t y = 0; y < 2 * factor; ++y) {
                const size_t row = flipped ? 1 - y / factor : y / factor;
                for (size_t x = 0; x < 3 * factor; ++x)
                    EXPECT_EQ(PixelAt(store, x, y), kSurface[row * 3 + x / factor])
                        << x << ", " << y;
            }
            window->release();
        }
    }
}

// Paints its whole dirty area with the next of a few greys.
class CountingView : public NSView {
public:
    int draws = 0;
    bool paint = true;
    bool opaque = false;
    NSRect lastDirty{};

    bool isOpaque() const override { return opaque; }
    void drawRect(NSRect dirtyRect) override {
        ++draws;
        lastDirty = dirtyRect;
        if (!paint) return;
        auto* port = static_cast<CGContextRef>(NSGraphicsContext::currentContext()->graphicsPort());
        const CGFloat level = draws / 10.0;
        CGContextSetRGBFillColor(port, level, level, level, 1);
        CGContextFillRect(port, bounds()); // the clip keeps it to the dirty area
    }
    static uint32_t Grey(int draws) {
        const auto level = static_cast<uint32_t>(draws * 255 / 10.0 + 0.5);
        return 0xFF000000 | level << 16 | level << 8 | level;
    }
};

TEST_F(ViewTest, RedrawsOnlyWhatWasMarkedWhenTheRunLoopComesRound) {
    NSWindow* window = MakeWindow(NSMakeRect(0, 0, 4, 2));
    auto* view = new CountingView;
    view->initWithFrame(NSMakeRect(0, 0, 4, 2));
    window->setContentView(view);
    view->release();

    RunUntil(0);
    EXPECT_EQ(view->draws, 0) << "a window that is not on screen is not drawn";
    window->orderFront(nullptr);
    RunUntil(0);
    ASSERT_EQ(view->draws, 1);
    EXPECT_EQ(headless->record.viewsDrawn, 1);
    EXPECT_FALSE(view->needsDisplay());

    view->setNeedsDisplayInRect(NSMakeRect(0, 0, 1, 1));
    view->setNeedsDisplayInRect(NSMakeRect(1, 0, 1, 2));
    EXPECT_TRUE(view->needsDisplay());
    RunUntil(0);
    ASSERT_EQ(view->draws, 2);
    EXPECT_TRUE(NSEqualRects(view->lastDirty, NSMakeRect(0, 0, 2, 2)));
    // The left half (y up: rows 0 and 1 from the top both lie in it) was redrawn.
    CGContextRef store = view->backingStore();
    EXPECT_EQ(PixelAt(store, 0, 0), CountingView::Grey(2));
    EXPECT_EQ(PixelAt(store, 1, 1), CountingView::Grey(2));
    EXPECT_EQ(PixelAt(store, 2, 0), CountingView::Grey(1));
    EXPECT_EQ(PixelAt(store, 3, 1), CountingView::Grey(1));

    RunUntil(1);
    EXPECT_EQ(view->draws, 2) << "nothing marked, nothing drawn";
    window->release();
}

TEST_F(ViewTest, ClearsTheAreaOfViewsThatAreNotOpaque) {
    auto* view = new CountingView;
    view->initWithFrame(NSMakeRect(0, 0, 2, 1));
    view->display();
    EXPECT_EQ(PixelAt(view->backingStore(), 0, 0), CountingView::Grey(1));
    view->paint = false;
    view->opaque = true;
    view->display();
    EXPECT_EQ(PixelAt(view->backingStore(), 0, 0), CountingView::Grey(1)) << "opaque: kept";
    view->opaque = false;
    view->display();
    EXPECT_EQ(PixelAt(view->backingStore(), 0, 0), 0u);
    view->release();
}

// ---- Hierarchy and coordinates -------------------------------------------------------------

class WindowWatcher : public NSView {
public:
    std::vector<NSWindow*> moves;
    void viewDidMoveToWindow() override { moves.push_back(window()); }
};

TEST_F(ViewTest, SuperviewsRetainTheirSubviewsAndPassTheirWindowOn) {
    NSView* parent = (new NSView)->initWithFrame(NSMakeRect(0, 0, 100, 100));
    auto* child = new WindowWatcher;
    parent->addSubview(child);
    EXPECT_EQ(child->superview(), parent);
    ASSERT_EQ(SubviewCount(parent), 1u);

    // No loops.
    child->addSubview(parent);
    parent->addSubview(parent);
    EXPECT_EQ(parent->superview(), nullptr);
    EXPECT_TRUE(child->isDescendantOf(parent));
    EXPECT_FALSE(parent->isDescendantOf(child));

    NSWindow* window = MakeWindow(NSMakeRect(0, 0, 100, 100));
    window->contentView()->addSubview(parent);
    EXPECT_EQ(child->window(), window);
    ASSERT_EQ(child->moves.size(), 1u);
    EXPECT_EQ(child->moves[0], window);

    // Moving a view takes it from its old superview; removing it releases it.
    NSView* other = (new NSView)->initWithFrame(NSMakeRect(0, 0, 10, 10));
    other->addSubview(child);
    EXPECT_EQ(SubviewCount(parent), 0u);
    EXPECT_EQ(child->window(), nullptr);
    child->removeFromSuperview();
    EXPECT_EQ(child->superview(), nullptr);
    ASSERT_EQ(child->moves.size(), 2u);
    EXPECT_EQ(child->moves[1], nullptr);

    child->release();
    other->release();
    parent->release();
    window->release();
}

TEST_F(ViewTest, AContentViewAddedElsewhereLeavesItsWindow) {
    NSWindow* first = MakeWindow(NSMakeRect(0, 0, 10, 10));
    NSWindow* second = MakeWindow(NSMakeRect(0, 0, 10, 10));
    NSView* content = first->contentView();
    second->contentView()->addSubview(content);
    EXPECT_EQ(first->contentView(), nullptr);
    EXPECT_EQ(content->window(), second);
    first->setContentView(content);
    EXPECT_EQ(SubviewCount(second->contentView()), 0u);
    EXPECT_EQ(content->window(), first);
    first->release();
    second->release();
}

class FlippedView : public NSView {
public:
    bool isFlipped() const override { return true; }
};

TEST_F(ViewTest, ConvertsPointsBetweenFlippedAndUnflippedViews) {
    NSWindow* window = MakeWindow(NSMakeRect(0, 0, 200, 100));
    NSView* flipped = (new FlippedView)->initWithFrame(NSMakeRect(10, 20, 50, 40));
    NSView* plain = (new NSView)->initWithFrame(NSMakeRect(10, 20, 50, 40));
    NSView* inner = (new NSView)->initWithFrame(NSMakeRect(5, 5, 10, 10));
    window->contentView()->addSubview(flipped);
    window->contentView()->addSubview(plain);
    flipped->addSubview(inner);

    // The origin of a flipped view is its top-left corner.
    NSPoint base = flipped->convertPointToView(NSMakePoint(0, 0), nullptr);
    EXPECT_EQ(base.x, 10);
    EXPECT_EQ(base.y, 60);
    base = plain->convertPointToView(NSMakePoint(0, 0), nullptr);
    EXPECT_EQ(base.y, 20);
    // A subview of a flipped view hangs from its top edge: its bottom-left is 15 down.
    base = inner->convertPointToView(NSMakePoint(0, 0), nullptr);
    EXPECT_EQ(base.x, 15);
    EXPECT_EQ(base.y, 60 - 15);
    const NSPoint back = inner->convertPointFromView(base, nullptr);
    EXPECT_EQ(back.x, 0);
    EXPECT_EQ(back.y, 0);
    const NSPoint across = plain->convertPointFromView(NSMakePoint(0, 0), flipped);
    EXPECT_EQ(across.y, 40);
    const NSRect rect = flipped->convertRectToView(NSMakeRect(0, 0, 10, 5), nullptr);
    EXPECT_TRUE(NSEqualRects(rect, NSMakeRect(10, 55, 10, 5)));

    // The topmost view under a point wins.
    EXPECT_EQ(window->contentView()->hitTest(NSMakePoint(16, 46)), plain);
    EXPECT_EQ(flipped->hitTest(NSMakePoint(16, 46)), inner);
    EXPECT_EQ(window->contentView()->hitTest(NSMakePoint(199, 99)), window->contentView());
    EXPECT_EQ(window->contentView()->hitTest(NSMakePoint(250, 50)), nullptr);

    inner->release();
    plain->release();
    flipped->release();
    window->release();
}

// ---- Tool tips -----------------------------------------------------------------------------

class TipOwner : public NSObject, public NSToolTipOwner {
public:
    std::vector<NSToolTipTag> asked;
    NSString* view(NSView*, NSToolTipTag tag, NSPoint, void* userData) override {
        asked.push_back(tag);
        return static_cast<NSString*>(userData);
    }
};

TEST_F(ViewTest, KeepsToolTipRectanglesAndAsksTheirOwners) {
    NSView* view = (new NSView)->initWithFrame(NSMakeRect(0, 0, 100, 100));
    NSString* text = NSSTR("Gain");
    auto* owner = new TipOwner;
    const NSToolTipTag first = view->addToolTipRect(NSMakeRect(0, 0, 50, 50), text, nullptr);
    const NSToolTipTag second =
        view->addToolTipRect(NSMakeRect(40, 40, 20, 20), owner, NSSTR("Tone"));
    EXPECT_NE(first, second);
    EXPECT_EQ(view->addToolTipRect(NSZeroRect, text, nullptr), 0);
    EXPECT_EQ(view->addToolTipRect(NSMakeRect(0, 0, 1, 1), nullptr, nullptr), 0);
    EXPECT_EQ(view->toolTipRectCount(), 2u);

    EXPECT_TRUE(view->toolTipAtPoint(NSMakePoint(10, 10))->isEqual(NSSTR("Gain")));
    // Where they overlap, the later rectangle shows.
    EXPECT_TRUE(view->toolTipAtPoint(NSMakePoint(45, 45))->isEqual(NSSTR("Tone")));
    ASSERT_EQ(owner->asked.size(), 1u);
    EXPECT_EQ(owner->asked[0], second);
    EXPECT_EQ(view->toolTipAtPoint(NSMakePoint(90, 90)), nullptr);

    view->removeAllToolTips();
    EXPECT_EQ(view->toolTipRectCount(), 0u);
    EXPECT_EQ(view->toolTipAtPoint(NSMakePoint(10, 10)), nullptr);
    view->release();
    owner->release();
}

// ---- Events --------------------------------------------------------------------------------

class EventView : public FlippedView {
public:
    struct Received {
        std::string method;
        NSPoint location; // in this view
        NSUInteger flags;
        NSInteger clicks;
        CGFloat deltaY;
        std::string characters;
    };
    std::vector<Received> received;

    bool acceptsFirstResponder() override { return true; }
    void mouseDown(NSEvent* event) override { Record("mouseDown", event); }
    void mouseUp(NSEvent* event) override { Record("mouseUp", event); }
    void mouseDragged(NSEvent* event) override { Record("mouseDragged", event); }
    void mouseMoved(NSEvent* event) override { Record("mouseMoved", event); }
    void rightMouseDown(NSEvent* event) override { Record("rightMouseDown", event); }
    void scrollWheel(NSEvent* event) override { Record("scrollWheel", event); }
    void keyDown(NSEvent* event) override { Record("keyDown", event); }

private:
    void Record(const char* method, NSEvent* event) {
        received.push_back({method, convertPointFromView(event->locationInWindow(), nullptr),
                            event->modifierFlags(), event->clickCount(), event->deltaY(),
                            event->characters() ? event->characters()->UTF8String() : ""});
    }
};

TEST_F(ViewTest, WindowsRouteEventsAsAppKitDoes) {
    NSWindow* window = MakeWindow(NSMakeRect(100, 100, 200, 100), NSTitledWindowMask);
    auto* view = new EventView;
    view->initWithFrame(NSMakeRect(50, 0, 100, 100));
    NSView* corner = (new NSView)->initWithFrame(NSMakeRect(0, 0, 20, 20));
    view->addSubview(corner);
    window->contentView()->addSubview(view);
    const NSInteger number = window->windowNumber();
    auto mouse = [&](NSEventType type, CGFloat x, CGFloat y, NSUInteger flags = 0,
                     NSInteger clicks = 1) {
        NSEvent* event = NSEvent::mouseEventWithType(type, NSMakePoint(x, y), flags, 0, number,
                                                     nullptr, 0, clicks, 1);
        window->sendEvent(event);
    };

    mouse(NSLeftMouseDown, 60, 10, NSShiftKeyMask | NSCommandKeyMask, 2);
    ASSERT_EQ(view->received.size(), 1u);
    const EventView::Received& down = view->received[0];
    EXPECT_EQ(down.method, "mouseDown");
    EXPECT_EQ(down.location.x, 10);
    EXPECT_EQ(down.location.y, 90);
    EXPECT_EQ(down.flags, NSShiftKeyMask | NSCommandKeyMask);
    EXPECT_EQ(down.clicks, 2);
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_EQ(window->firstResponder(), view);

    // Drags and the release go to the view that got the press, wherever the pointer is.
    mouse(NSLeftMouseDragged, 300, 50);
    mouse(NSLeftMouseUp, 300, 50);
    ASSERT_EQ(view->received.size(), 3u);
    EXPECT_EQ(view->received[1].method, "mouseDragged");
    EXPECT_EQ(view->received[1].location.x, 250);
    EXPECT_EQ(view->received[2].method, "mouseUp");
    mouse(NSLeftMouseDragged, 10, 10);
    EXPECT_EQ(view->received.size(), 3u) << "after the release, drags go to the view beneath";

    // A plain subview passes its clicks up the responder chain.
    mouse(NSLeftMouseDown, 55, 95);
    mouse(NSLeftMouseUp, 55, 95);
    ASSERT_EQ(view->received.size(), 5u);
    EXPECT_EQ(view->received[3].method, "mouseDown");
    EXPECT_EQ(view->received[3].location.x, 5);
    EXPECT_EQ(view->received[3].location.y, 5);
    EXPECT_EQ(view->received[4].method, "mouseUp");

    mouse(NSRightMouseDown, 60, 10, NSControlKeyMask);
    ASSERT_EQ(view->received.size(), 6u);
    EXPECT_EQ(view->received[5].method, "rightMouseDown");
    EXPECT_EQ(view->received[5].flags, NSControlKeyMask);

    window->sendEvent(NSEvent::scrollWheelEventWithLocation(NSMakePoint(60, 10), NSAlternateKeyMask,
                                                            0, number, 0, 3));
    ASSERT_EQ(view->received.size(), 7u);
    EXPECT_EQ(view->received[6].method, "scrollWheel");
    EXPECT_EQ(view->received[6].deltaY, 3);
    EXPECT_EQ(view->received[6].flags, NSAlternateKeyMask);

    mouse(NSMouseMoved, 60, 10);
    EXPECT_EQ(view->received.size(), 7u) << "mouse moves only when the window accepts them";
    window->setAcceptsMouseMovedEvents(true);
    mouse(NSMouseMoved, 60, 10);
    ASSERT_EQ(view->received.size(), 8u);
    EXPECT_EQ(view->received[7].method, "mouseMoved");

    window->sendEvent(NSEvent::keyEventWithType(NSKeyDown, NSZeroPoint, NSAlternateKeyMask, 0,
                                                number, nullptr, NSSTR("a"), NSSTR("a"), false, 0));
    ASSERT_EQ(view->received.size(), 9u);
    EXPECT_EQ(view->received[8].method, "keyDown");
    EXPECT_EQ(view->received[8].characters, "a");
    EXPECT_EQ(view->received[8].flags, NSAlternateKeyMask);

    // Wrong types make no event; null events are ignored.
    EXPECT_EQ(NSEvent::mouseEventWithType(NSKeyDown, NSZeroPoint, 0, 0, number, nullptr, 0, 1, 1),
              nullptr);
    EXPECT_EQ(NSEvent::keyEventWithType(NSLeftMouseDown, NSZeroPoint, 0, 0, number, nullptr,
                                        nullptr, nullptr, false, 0),
              nullptr);
    window->sendEvent(nullptr);

    corner->release();
    view->release();
    window->release();
}

TEST_F(ViewTest, ViewsThatLeaveTheWindowGetNoMoreOfItsEvents) {
    NSWindow* window = MakeWindow(NSMakeRect(0, 0, 100, 100), NSTitledWindowMask);
    auto* view = new EventView;
    view->initWithFrame(NSMakeRect(0, 0, 100, 100));
    window->contentView()->addSubview(view);
    view->release();
    window->sendEvent(NSEvent::mouseEventWithType(NSLeftMouseDown, NSMakePoint(10, 10), 0, 0,
                                                  window->windowNumber(), nullptr, 0, 1, 1));
    view->retain();
    view->removeFromSuperview();
    EXPECT_EQ(window->firstResponder(), window);
    window->sendEvent(NSEvent::mouseEventWithType(NSLeftMouseUp, NSMakePoint(10, 10), 0, 0,
                                                  window->windowNumber(), nullptr, 0, 1, 1));
    EXPECT_EQ(view->received.size(), 1u);
    view->release();
    window->release();
}

// ---- Windows -------------------------------------------------------------------------------

class KeyableWindow : public NSWindow {
public:
    bool canBecomeKeyWindow() const override { return true; }
};

class CountedWindow : public NSWindow {
public:
    explicit CountedWindow(bool* gone) : mGone(gone) {}

protected:
    ~CountedWindow() override { *mGone = true; }

private:
    bool* mGone;
};

TEST_F(ViewTest, WindowsFrameTheirContentAndNumberThemselves) {
    NSWindow* titled = MakeWindow(NSMakeRect(10, 20, 300, 200), NSTitledWindowMask);
    EXPECT_TRUE(NSEqualRects(titled->frame(), NSMakeRect(10, 20, 300, 222)));
    EXPECT_TRUE(NSEqualRects(titled->contentView()->frame(), NSMakeRect(0, 0, 300, 200)));
    EXPECT_TRUE(titled->canBecomeKeyWindow());
    NSWindow* borderless = MakeWindow(NSMakeRect(0, 0, 30, 20));
    EXPECT_EQ(borderless->windowNumber(), titled->windowNumber() + 1);
    EXPECT_FALSE(borderless->canBecomeKeyWindow());
    borderless->makeKeyWindow();
    EXPECT_FALSE(borderless->isKeyWindow());
    NSWindow* keyable = (new KeyableWindow)
                            ->initWithContentRect(NSMakeRect(0, 0, 30, 20), NSBorderlessWindowMask,
                                                  NSBackingStoreBuffered, false);
    keyable->makeKeyWindow();
    keyable->orderFront(nullptr);
    EXPECT_TRUE(keyable->isKeyWindow());
    EXPECT_TRUE(keyable->isVisible());

    titled->setFrame(NSMakeRect(0, 0, 400, 122), false);
    EXPECT_TRUE(NSEqualRects(titled->contentView()->frame(), NSMakeRect(0, 0, 400, 100)));
    const NSPoint screen = titled->convertBaseToScreen(NSMakePoint(5, 5));
    EXPECT_EQ(screen.x, 5);
    titled->release();
    borderless->release();
    keyable->release();
}

TEST_F(ViewTest, ChildWindowsFollowTheirParentAndCloseReleases) {
    NSWindow* parent = MakeWindow(NSMakeRect(0, 0, 400, 300), NSTitledWindowMask);
    bool childGone = false;
    NSWindow* child =
        (new CountedWindow(&childGone))
            ->initWithContentRect(NSMakeRect(10, 10, 100, 100), NSBorderlessWindowMask,
                                  NSBackingStoreBuffered, false);
    parent->orderFront(nullptr);
    parent->addChildWindow(child, NSWindowAbove);
    EXPECT_TRUE(child->isVisible()) << "a child of a visible window is shown";
    EXPECT_EQ(child->parentWindow(), parent);
    ASSERT_EQ(ChildCount(parent), 1u);
    child->addChildWindow(parent, NSWindowAbove);
    EXPECT_EQ(parent->parentWindow(), nullptr) << "no loops";

    parent->setFrameOrigin(NSMakePoint(5, 0));
    EXPECT_EQ(child->frame().origin.x, 15) << "children move with their parent";
    parent->orderOut(nullptr);
    EXPECT_FALSE(child->isVisible());
    EXPECT_TRUE(headless->VisibleWindows().empty());

    // Closing orders out, leaves the parent and releases once.
    child->retain();
    child->close();
    EXPECT_EQ(ChildCount(parent), 0u);
    EXPECT_FALSE(childGone);
    child->setReleasedWhenClosed(false);
    child->close();
    child->release();
    EXPECT_TRUE(childGone);
    parent->release();
}

TEST_F(ViewTest, DelayedPerformsBringWindowsToTheFrontOnTime) {
    NSWindow* window = MakeWindow(NSMakeRect(0, 0, 10, 10));
    window->performSelector(&NSWindow::orderFront, nullptr, 0.1);
    RunUntil(0.09);
    EXPECT_FALSE(window->isVisible());
    RunUntil(0.1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 0u);
    window->release();
}

TEST_F(ViewTest, WrapsCarbonWindowsInCocoaWindows) {
    const Rect bounds{100, 50, 400, 450}; // top, left, bottom, right
    WindowRef carbon = nullptr;
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &bounds, &carbon), noErr);
    NSWindow* wrapper = (new NSWindow)->initWithWindowRef(carbon);
    ASSERT_NE(wrapper, nullptr);
    EXPECT_EQ(wrapper->windowRef(), carbon);
    // 900 pixels high: the bottom edge 400 down is 500 up.
    EXPECT_TRUE(NSEqualRects(wrapper->frame(), NSMakeRect(50, 500, 400, 300)));
    EXPECT_EQ((new NSWindow)->initWithWindowRef(nullptr), nullptr);

    Rect read{};
    EXPECT_EQ(GetWindowBounds(carbon, kWindowStructureRgn, &read), noErr);
    EXPECT_EQ(read.right, 450);
    EXPECT_EQ(GetWindowBounds(carbon, 7, &read), paramErr);
    EXPECT_EQ(GetWindowBounds(nullptr, kWindowContentRgn, &read), errInvalidWindowRef);
    const Rect inverted{10, 10, 5, 20};
    EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, 0, &inverted, &carbon), paramErr);
    wrapper->release();
    DisposeWindow(carbon);
}

// The whole round a host's editor makes with a Carbon host window: a borderless child window
// that can take keys, shown above the host's window and brought forward again a moment later,
// then taken down.
TEST_F(ViewTest, AttachingAndRemovingAChildEditorWindowLeavesNothingBehind) {
    const Rect bounds{100, 100, 600, 900};
    WindowRef carbon = nullptr;
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &bounds, &carbon), noErr);
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    NSWindow* host = (new NSWindow)->initWithWindowRef(carbon);
    host->setCanHide(true);
    host->setReleasedWhenClosed(true);
    const NSRect frame = host->frame();
    NSWindow* child =
        (new KeyableWindow)
            ->initWithContentRect(NSMakeRect(frame.origin.x + 50, frame.origin.y, 700, 500),
                                  NSBorderlessWindowMask, NSBackingStoreBuffered, false);
    child->setOpaque(true);
    child->setHasShadow(false);
    NSView* editor = (new NSView)->initWithFrame(NSMakeRect(0, 0, 700, 500));
    child->contentView()->addSubview(editor);
    editor->release();
    host->addChildWindow(child, NSWindowAbove);
    child->release(); // the host's window keeps it
    host->orderFront(nullptr);
    host->display();
    child->performSelector(&NSWindow::orderFront, nullptr, 0.1);
    pool->release();
    RunUntil(0.2);
    EXPECT_TRUE(child->isVisible());
    EXPECT_EQ(headless->VisibleWindows().size(), 2u);

    pool = new NSAutoreleasePool;
    NSWindow* attached = host->childWindows()->firstObject();
    ASSERT_EQ(attached, child);
    editor->removeFromSuperview();
    attached->orderOut(nullptr);
    host->orderOut(nullptr);
    attached->retain();
    host->removeChildWindow(attached);
    attached->close();
    host->close();
    pool->release();
    EXPECT_TRUE(headless->VisibleWindows().empty());
    DisposeWindow(carbon);
}

} // namespace
