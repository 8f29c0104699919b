#pragma once

// AppKit for Linux, as C++: events and responders, views, graphics contexts, windows, the cursor,
// the pasteboard, the workspace and the open and save panels, under the platform's published
// names and values. Foundation.h describes how Objective-C maps to C++ here.
//
// What the screen, the user and the system answer comes from the window system (see
// WindowSystem.h). The default one is headless: views keep what is drawn into them, the cursor,
// pasteboard and workspace only record, and alerts and panels answer from a script, so that
// every path can run in tests without a display.
//
// Coordinates are the platform's: screen coordinates have their origin at the bottom-left
// corner of the main display with y pointing up, in points; a window's base coordinates have
// their origin at the bottom-left corner of its content; a view's have their origin at the
// bottom-left corner of its bounds with y pointing up, unless the view is flipped.

#include "Carbon.h"
#include "CoreGraphics.h"
#include "Foundation.h"

#include <vector>

class NSGraphicsContext;
class NSView;
class NSWindow;

// Makes AppKit usable in a program that is not an AppKit application; always YES.
BOOL NSApplicationLoad();

extern NSString* const NSEventTrackingRunLoopMode;

// ---- Events --------------------------------------------------------------------------------

typedef NSUInteger NSEventType;
enum : NSEventType {
    NSLeftMouseDown = 1,
    NSLeftMouseUp = 2,
    NSRightMouseDown = 3,
    NSRightMouseUp = 4,
    NSMouseMoved = 5,
    NSLeftMouseDragged = 6,
    NSRightMouseDragged = 7,
    NSKeyDown = 10,
    NSKeyUp = 11,
    NSFlagsChanged = 12,
    NSScrollWheel = 22,
    NSOtherMouseDown = 25,
    NSOtherMouseUp = 26,
    NSOtherMouseDragged = 27,
};

enum : NSUInteger {
    NSAlphaShiftKeyMask = 1ul << 16,
    NSShiftKeyMask = 1ul << 17,
    NSControlKeyMask = 1ul << 18,
    NSAlternateKeyMask = 1ul << 19,
    NSCommandKeyMask = 1ul << 20,
};

class NSEvent : public NSObject {
public:
    // Mouse buttons, moves and drags; null for another type. The window is found by number.
    static NSEvent* mouseEventWithType(NSEventType type, NSPoint location, NSUInteger modifierFlags,
                                       NSTimeInterval timestamp, NSInteger windowNumber,
                                       NSGraphicsContext* context, NSInteger eventNumber,
                                       NSInteger clickCount, float pressure);
    // Key downs, ups and modifier changes; null for another type. What nothing here reads (the
    // time stamp, the pressure, the characters without modifiers, the repeat flag and the key
    // code) is not kept.
    static NSEvent* keyEventWithType(NSEventType type, NSPoint location, NSUInteger modifierFlags,
                                     NSTimeInterval timestamp, NSInteger windowNumber,
                                     NSGraphicsContext* context, NSString* characters,
                                     NSString* charactersIgnoringModifiers, bool isARepeat,
                                     unsigned short keyCode);
    // Not on the platform, which makes wheel events only from Quartz events: a wheel event
    // moving deltaX columns and deltaY lines (positive: left and up).
    static NSEvent* scrollWheelEventWithLocation(NSPoint location, NSUInteger modifierFlags,
                                                 NSTimeInterval timestamp, NSInteger windowNumber,
                                                 CGFloat deltaX, CGFloat deltaY);
    // The pointer in screen coordinates (the window system's pointer, see
    // CGDisplayMoveCursorToPoint).
    static NSPoint mouseLocation();

    NSEventType type() const { return mType; }
    NSPoint locationInWindow() const { return mLocation; }
    NSUInteger modifierFlags() const { return mModifierFlags; }
    NSInteger windowNumber() const { return mWindowNumber; }
    NSInteger clickCount() const { return mClickCount; }
    CGFloat deltaX() const { return mDeltaX; }
    CGFloat deltaY() const { return mDeltaY; }
    NSString* characters() const { return mCharacters; }

protected:
    ~NSEvent() override;

private:
    // The fields every kind of event has.
    NSEvent(NSEventType type, NSPoint location, NSUInteger modifierFlags, NSInteger windowNumber)
        : mType(type), mLocation(location), mModifierFlags(modifierFlags),
          mWindowNumber(windowNumber) {}
    NSEventType mType = 0;
    NSPoint mLocation{};
    NSUInteger mModifierFlags = 0;
    NSInteger mWindowNumber = 0;
    NSInteger mClickCount = 0;
    CGFloat mDeltaX = 0;
    CGFloat mDeltaY = 0;
    NSString* mCharacters = nullptr; // retained
};

// ---- Responders ----------------------------------------------------------------------------

// The event methods a view or window overrides. Unless overridden, each passes the event to the
// next responder (a view's superview, then the window), as on the platform.
class NSResponder : public NSObject {
public:
    void setNextResponder(NSResponder* responder) { mNextResponder = responder; }
    virtual bool acceptsFirstResponder(); // NO
    virtual bool becomeFirstResponder();  // YES
    virtual bool resignFirstResponder();  // YES

    virtual void mouseDown(NSEvent* event);
    virtual void mouseUp(NSEvent* event);
    virtual void mouseDragged(NSEvent* event);
    virtual void mouseMoved(NSEvent* event);
    virtual void rightMouseDown(NSEvent* event);
    virtual void rightMouseUp(NSEvent* event);
    virtual void rightMouseDragged(NSEvent* event);
    virtual void otherMouseDown(NSEvent* event);
    virtual void otherMouseUp(NSEvent* event);
    virtual void otherMouseDragged(NSEvent* event);
    virtual void scrollWheel(NSEvent* event);
    virtual void keyDown(NSEvent* event);
    virtual void keyUp(NSEvent* event);
    virtual void flagsChanged(NSEvent* event);
    // The user asked to cancel (Escape in a text field).
    virtual void cancelOperation(id sender);

private:
    NSResponder* mNextResponder = nullptr; // not retained
};

// ---- Views ---------------------------------------------------------------------------------

typedef NSInteger NSToolTipTag;

// An object that supplies tool tip texts on demand (the NSToolTipOwner protocol).
class NSToolTipOwner {
public:
    // view:stringForToolTip:point:userData:
    virtual NSString* view(NSView* view, NSToolTipTag tag, NSPoint point, void* userData) = 0;

protected:
    ~NSToolTipOwner() = default;
};

// A rectangle of a view with its own coordinate system, drawing through drawRect and receiving
// events. Here every view draws into a backing store of its own: a bitmap of its bounds times
// the device scale of its window (1 outside a window), which keeps what was last drawn and can
// be read back (backingStore). The window system is told of every redrawn area, so that a window
// system with a screen can show it.
class NSView : public NSResponder {
public:
    NSView();
    virtual NSView* initWithFrame(NSRect frame);

    NSRect frame() const { return mFrame; }
    // The frame's size at the bounds origin.
    NSRect bounds() const;
    // Both marks the whole view for display; setFrame goes through the other two.
    virtual void setFrameSize(NSSize size);
    virtual void setFrameOrigin(NSPoint origin);
    void setFrame(NSRect frame);

    NSView* superview() const { return mSuperview; }
    NSWindow* window() const { return mWindow; }
    NSArray<NSView*>* subviews() const; // autoreleased snapshot
    // Retains the view (taking it from a previous superview) and puts it in front of the
    // others. A view cannot become its own subview or descendant.
    void addSubview(NSView* view);
    // Releases the view; keep a reference to use it afterwards.
    void removeFromSuperview();
    bool isDescendantOf(NSView* view) const;
    virtual void viewWillMoveToWindow(NSWindow* window);
    virtual void viewDidMoveToWindow();
    virtual void viewWillMoveToSuperview(NSView* superview);
    virtual void viewDidMoveToSuperview();

    virtual bool isFlipped() const; // NO: y points up
    // An opaque view paints every pixel it is asked to; others have the area cleared first.
    virtual bool isOpaque() const; // NO

    // From and to another view of the same window (null: the window's base coordinates).
    NSPoint convertPointFromView(NSPoint point, NSView* view) const;
    NSPoint convertPointToView(NSPoint point, NSView* view) const;
    NSRect convertRectFromView(NSRect rect, NSView* view) const;
    NSRect convertRectToView(NSRect rect, NSView* view) const;
    // The deepest visible view under the point (in the superview's coordinates).
    virtual NSView* hitTest(NSPoint point);

    // Drawing. Marking collects the rectangles marked (overlapping ones merged, and all of them
    // merged into one when there are many); display draws this view and its subviews over their
    // bounding box, each through drawRect with a current NSGraphicsContext over its backing
    // store (flipped when the view is), the clip set to the box and the transform including the
    // device scale. During drawRect, getRectsBeingDrawn lists the rectangles inside the box
    // that need drawing, so that a view can leave the space between them alone.
    void setNeedsDisplay(bool flag);
    void setNeedsDisplayInRect(NSRect rect);
    bool needsDisplay() const { return !NSIsEmptyRect(mDirtyRect); }
    void display();
    void displayIfNeeded();
    void displayRect(NSRect rect);
    virtual void drawRect(NSRect dirtyRect); // draws nothing
    // Not overlapping, in bounds coordinates; none outside drawRect.
    void getRectsBeingDrawn(const NSRect** rects, NSInteger* count) const;

    // Tool tips. The owner (not retained, so it must outlive its rectangles) is an NSString, the
    // text, or an NSToolTipOwner asked for the text when it is needed.
    NSToolTipTag addToolTipRect(NSRect rect, id owner, void* userData);
    void removeAllToolTips();

    // Not on the platform: what the window system reads.
    // The pixels last drawn (kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Host, top row
    // first, bounds x device scale); null before the first display.
    CGContextRef backingStore() const { return mBackingStore; }
    CGFloat backingScaleFactor() const; // the window's, 1 outside a window
    size_t toolTipRectCount() const { return mToolTipRects.size(); }
    // The text a tool tip shows with the pointer resting at the point (view coordinates): the
    // most recently added rectangle there, else the view's tool tip; null when none.
    NSString* toolTipAtPoint(NSPoint point);

protected:
    ~NSView() override;

private:
    friend class NSWindow;
    struct ToolTipRect {
        NSToolTipTag tag;
        NSRect rect;
        id owner;
        void* userData;
    };

    void SetWindow(NSWindow* window);
    void Detach();                    // from the superview, without releasing
    void LeaveContainer();            // its superview, or the window it is the content view of
    void SetNeedsDisplayEverywhere(); // this view and every subview
    // Draws the rectangles (their bounding box when none) within the area, then the subviews
    // over the area.
    void DisplayArea(NSRect area, std::vector<NSRect> rects);
    void ForgetDirtyRectsIn(NSRect area);
    void DrawArea(NSRect area, const std::vector<NSRect>& rects);
    bool PrepareBackingStore(bool* fresh); // fresh: a new, empty store was made
    NSPoint ToSuperview(NSPoint point) const;
    NSPoint FromSuperview(NSPoint point) const;
    NSPoint ToBase(NSPoint point) const;
    NSPoint FromBase(NSPoint point) const;

    NSRect mFrame{};
    NSPoint mBoundsOrigin{};
    NSView* mSuperview = nullptr;    // not retained
    NSWindow* mWindow = nullptr;     // not retained
    std::vector<NSView*> mSubviews;  // retained, back to front
    NSRect mDirtyRect{};             // the bounding box of mDirtyRects
    std::vector<NSRect> mDirtyRects; // not overlapping
    const std::vector<NSRect>* mRectsBeingDrawn = nullptr;
    CGContextRef mBackingStore = nullptr;
    CGFloat mBackingScale = 0;
    std::vector<ToolTipRect> mToolTipRects;
    NSToolTipTag mNextToolTipTag = 1;
};

// ---- Graphics contexts ---------------------------------------------------------------------

// A Quartz context (its graphics port) with the flipped flag AppKit keeps for it. Each thread
// has a current context: the view being drawn sets its own for the time of drawRect.
class NSGraphicsContext : public NSObject {
public:
    static NSGraphicsContext* currentContext();
    static void setCurrentContext(NSGraphicsContext* context);
    // Push and pop the current context together with its port's graphics state.
    static void saveGraphicsState();
    static void restoreGraphicsState();
    // The flag only records how the caller sees the port: the port's transform is unchanged,
    // so drawing into either context gives the same pixels, as on the platform. Null for a null
    // port.
    static NSGraphicsContext* graphicsContextWithGraphicsPort(void* graphicsPort,
                                                              bool initialFlippedState);

    void* graphicsPort() const { return mPort; }
    CGContextRef CGContext() const { return mPort; }
    bool isFlipped() const { return mFlipped; }

protected:
    ~NSGraphicsContext() override;

private:
    NSGraphicsContext(CGContextRef port, bool flipped);
    CGContextRef mPort; // retained
    bool mFlipped;
};

// ---- Windows -------------------------------------------------------------------------------

enum : NSUInteger {
    NSBorderlessWindowMask = 0,
    NSTitledWindowMask = 1u << 0,
    NSClosableWindowMask = 1u << 1,
    NSResizableWindowMask = 1u << 3,
};

typedef NSUInteger NSBackingStoreType;
enum : NSBackingStoreType {
    NSBackingStoreBuffered = 2,
};

typedef NSInteger NSWindowOrderingMode;
enum : NSWindowOrderingMode {
    NSWindowOut = 0,
    NSWindowAbove = 1,
};

// A window: a frame on the screen with a content view. Windows are numbered from 1 in the order
// they are made, and the window system is told when they are shown, hidden, moved and closed.
// sendEvent routes events as AppKit does: mouse downs, wheel events and (when the window accepts
// them) mouse moves to the view under the pointer, drags and ups to the view that got the
// mouse down, keys to the first responder.
class NSWindow : public NSResponder {
public:
    NSWindow(); // a borderless window with an empty frame
    // A frame around contentRect: titled windows add a title bar 22 points high.
    NSWindow* initWithContentRect(NSRect contentRect, NSUInteger styleMask,
                                  NSBackingStoreType backing, bool defer);
    // A Cocoa window over a Carbon window, with the Carbon window's content bounds as its frame.
    // Null (the object released) for a null window.
    NSWindow* initWithWindowRef(WindowRef windowRef);
    WindowRef windowRef() const { return mWindowRef; }

    static NSRect frameRectForContentRect(NSRect contentRect, NSUInteger styleMask);
    static NSRect contentRectForFrameRect(NSRect frameRect, NSUInteger styleMask);
    NSRect frame() const { return mFrame; }
    NSRect contentRectForFrameRect(NSRect frameRect) const;
    void setFrame(NSRect frame, bool display);
    void setFrameOrigin(NSPoint origin);
    NSUInteger styleMask() const { return mStyleMask; }
    // What the title bar shows; never null. A window system with a screen reads it when the
    // window is ordered in.
    NSString* title() const { return mTitle; }
    void setTitle(NSString* title);
    NSInteger windowNumber() const { return mWindowNumber; }

    // The content view fills the content rectangle; the window retains it.
    NSView* contentView() const { return mContentView; }
    void setContentView(NSView* view);

    void orderFront(id sender);
    void orderOut(id sender);
    bool isVisible() const { return mVisible; }
    // Orders the window out, takes it from its parent, and releases it when it is released
    // when closed.
    void close();
    void display();
    void displayIfNeeded();

    bool isOpaque() const { return mOpaque; }
    void setOpaque(bool opaque) { mOpaque = opaque; }
    bool hasShadow() const { return mHasShadow; }
    void setHasShadow(bool hasShadow) { mHasShadow = hasShadow; }
    void setCanHide(bool) {} // hiding is the window system's affair here
    void setReleasedWhenClosed(bool released) { mReleasedWhenClosed = released; }

    // A child moves with its parent and is shown and hidden with it; the parent retains its
    // children. NSWindowOut does nothing.
    void addChildWindow(NSWindow* child, NSWindowOrderingMode place);
    void removeChildWindow(NSWindow* child);
    NSArray<NSWindow*>* childWindows() const; // autoreleased snapshot, in order of adding
    NSWindow* parentWindow() const { return mParent; }

    // Titled windows can; borderless ones cannot unless a subclass says so.
    virtual bool canBecomeKeyWindow() const;
    bool isKeyWindow() const;
    void makeKeyWindow();
    NSResponder* firstResponder() const { return mFirstResponder; }
    // Null makes the window itself first responder. NO when the responder refuses.
    bool makeFirstResponder(NSResponder* responder);
    void setAcceptsMouseMovedEvents(bool accepts) { mAcceptsMouseMovedEvents = accepts; }
    virtual void sendEvent(NSEvent* event);

    NSPoint convertBaseToScreen(NSPoint point) const;
    NSPoint convertScreenToBase(NSPoint point) const;
    NSPoint mouseLocationOutsideOfEventStream() const;

    // The device scale of the screen the window is on (2 for a high-density screen).
    CGFloat backingScaleFactor() const { return mBackingScaleFactor; }
    // Not on the platform: puts the window on a screen of that scale (1 or more); its views
    // draw at the new scale from their next display, which is due at once.
    void setBackingScaleFactor(CGFloat scale);

protected:
    ~NSWindow() override;

private:
    friend class NSView;
    void Register();
    void SetVisible(bool visible);
    void ForgetView(NSView* view); // the view leaves the window
    NSView* HitView(NSPoint location) const;

    NSRect mFrame{};
    NSUInteger mStyleMask = NSBorderlessWindowMask;
    NSString* mTitle; // retained
    WindowRef mWindowRef = nullptr;
    NSInteger mWindowNumber = 0;
    NSView* mContentView = nullptr; // retained
    bool mVisible = false;
    bool mClosed = false;
    bool mOpaque = true;
    bool mHasShadow = true;
    bool mReleasedWhenClosed = true;
    bool mAcceptsMouseMovedEvents = false;
    NSWindow* mParent = nullptr;            // not retained
    std::vector<NSWindow*> mChildren;       // retained
    NSResponder* mFirstResponder = nullptr; // not retained; the window or a view in it
    NSView* mMouseView = nullptr;           // got the last mouse down; not retained
    CGFloat mBackingScaleFactor = 1;
};

// ---- Pasteboard ----------------------------------------------------------------------------

extern NSString* const NSPasteboardTypeString; // "public.utf8-plain-text"
extern NSString* const NSStringPboardType;     // the older name for the same type

// The window system's pasteboard (the headless one keeps it in memory).
class NSPasteboard : public NSObject {
public:
    static NSPasteboard* generalPasteboard();
    // Empties the pasteboard; the new change count.
    NSInteger clearContents();
    bool setString(NSString* string, NSString* type);
    NSString* stringForType(NSString* type); // null when the pasteboard has none

private:
    NSPasteboard() : NSObject(ImmortalTag{}) {}
    ~NSPasteboard() override = default;
};

// ---- Workspace -----------------------------------------------------------------------------

class NSWorkspace : public NSObject {
public:
    static NSWorkspace* sharedWorkspace();
    // Asks the window system to open the URL in its application; NO for null.
    bool openURL(NSURL* url);

private:
    NSWorkspace() : NSObject(ImmortalTag{}) {}
    ~NSWorkspace() override = default;
};

// ---- Open and save panels ------------------------------------------------------------------

enum : NSInteger {
    NSCancelButton = 0,
    NSOKButton = 1,
};

// A modal file panel. Running it hands what it shows to the window system, which answers with
// the button pressed and the chosen paths (the headless one from its script, NSCancelButton
// when the script is empty).
class NSSavePanel : public NSObject {
public:
    static NSSavePanel* savePanel();
    void setAllowedFileTypes(NSArray<NSString*>* types);
    void setAllowsOtherFileTypes(bool allows) { mAllowsOtherFileTypes = allows; }

    // Starts in the folder with the file name filled in (either may be null); NSOKButton or
    // NSCancelButton.
    NSInteger runModalForDirectory(NSString* path, NSString* name);
    NSString* filename() const;                        // the chosen path, null until chosen
    NSString* directory() const { return mDirectory; } // the folder last shown

protected:
    NSSavePanel() = default;
    ~NSSavePanel() override;
    // Shows the panel; types (null: the allowed file types) limit what an open panel offers.
    NSInteger Run(NSString* path, NSString* name, NSArray<NSString*>* types);

    bool mIsOpenPanel = false;

    NSArray<NSString*>* mAllowedFileTypes = nullptr; // retained
    bool mAllowsOtherFileTypes = false;
    NSString* mDirectory = nullptr; // retained
    NSString* mFilename = nullptr;  // retained
    bool mCanChooseFiles = true;
    bool mCanChooseDirectories = false;
    bool mResolvesAliases = true;
};

class NSOpenPanel : public NSSavePanel {
public:
    static NSOpenPanel* openPanel();
    void setCanChooseFiles(bool flag) { mCanChooseFiles = flag; }
    void setCanChooseDirectories(bool flag) { mCanChooseDirectories = flag; }
    void setResolvesAliases(bool flag) { mResolvesAliases = flag; }

    using NSSavePanel::runModalForDirectory;
    // Only files of these types (null: any) can be chosen.
    NSInteger runModalForDirectory(NSString* path, NSString* name, NSArray<NSString*>* fileTypes);

private:
    NSOpenPanel() { mIsOpenPanel = true; }
    ~NSOpenPanel() override = default;
};

// ---- Colours -------------------------------------------------------------------------------

// An RGB colour with alpha, each component 0 to 1.
class NSColor : public NSObject {
public:
    // Components are held to 0..1 (NaN reads as 0).
    static NSColor* colorWithCalibratedRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    CGFloat redComponent() const { return mRed; }
    CGFloat greenComponent() const { return mGreen; }
    CGFloat blueComponent() const { return mBlue; }
    CGFloat alphaComponent() const { return mAlpha; }
    bool isEqual(id object) const override;

private:
    friend class NSTextField; // its default colours need no autorelease pool
    NSColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    CGFloat mRed, mGreen, mBlue, mAlpha;
};

// ---- Targets and actions -------------------------------------------------------------------

namespace appkit_detail {

// The target (not retained) and action of a control or menu item. An action is a member
// function of the target's class taking the sender; setAction<T> names the class.
class TargetAction {
public:
    id target() const { return mTarget; }
    void setTarget(id target) { mTarget = target; }
    template <class T> void setAction(void (T::*selector)(id)) {
        static_assert(std::is_base_of_v<NSObject, T>, "actions belong to NSObject classes");
        if (!selector) {
            mAction = nullptr;
            return;
        }
        mAction = [selector](id target, id sender) {
            T* receiver = dynamic_cast<T*>(target);
            if (!receiver) return false;
            (receiver->*selector)(sender);
            return true;
        };
    }
    bool hasAction() const { return static_cast<bool>(mAction); }
    // NO when there is no target, no action or the target is not of the action's class.
    bool Send(id sender) const;

private:
    id mTarget = nullptr;
    std::function<bool(id target, id sender)> mAction;
};

} // namespace appkit_detail

// ---- Menus ---------------------------------------------------------------------------------

typedef NSInteger NSControlStateValue;
enum : NSControlStateValue {
    NSOffState = 0,
    NSOnState = 1,
};

class NSMenu;

class NSMenuItem : public NSObject {
public:
    NSMenuItem();
    static NSMenuItem* separatorItem(); // autoreleased
    // initWithTitle:action:keyEquivalent:, the action set apart with setAction.
    NSMenuItem* initWithTitle(NSString* title, NSString* keyEquivalent);

    NSString* title() const { return mTitle; }
    void setTitle(NSString* title);
    bool isEnabled() const { return mEnabled; }
    void setEnabled(bool enabled) { mEnabled = enabled; }
    NSControlStateValue state() const { return mState; }
    void setState(NSControlStateValue state) { mState = state; }
    bool isSeparatorItem() const { return mSeparator; }
    // The item opens the submenu (retained) instead of being chosen.
    NSMenu* submenu() const { return mSubmenu; }
    void setSubmenu(NSMenu* submenu);
    bool hasSubmenu() const { return mSubmenu != nullptr; }
    NSMenu* menu() const { return mMenu; }

    id target() const { return mAction.target(); }
    void setTarget(id target) { mAction.setTarget(target); }
    template <class T> void setAction(void (T::*selector)(id)) { mAction.setAction(selector); }
    bool hasAction() const { return mAction.hasAction(); }

protected:
    ~NSMenuItem() override;

private:
    friend class NSMenu;
    NSString* mTitle;           // retained
    NSString* mKeyEquivalent;   // retained
    NSMenu* mSubmenu = nullptr; // retained
    NSMenu* mMenu = nullptr;    // not retained
    bool mEnabled = true;
    bool mSeparator = false;
    NSControlStateValue mState = NSOffState;
    appkit_detail::TargetAction mAction;
};

// A menu of items. Popping it up hands what it shows to the window system, which answers with
// the item the user chose (the headless one from its script, nothing when the script is empty).
class NSMenu : public NSObject {
public:
    NSMenu();

    // An item belongs to one menu; adding it to another does nothing.
    void addItem(NSMenuItem* item);
    void insertItem(NSMenuItem* item, NSInteger index);
    NSMenuItem* itemAtIndex(NSInteger index) const; // null past the end
    NSInteger numberOfItems() const { return static_cast<NSInteger>(mItems.size()); }
    void setAutoenablesItems(bool flag) { mAutoenablesItems = flag; }

    // popUpMenuPositioningItem:atLocation:inView: shows the menu with item (null: the first) at
    // the location in the view's coordinates (screen coordinates without a view) and tracks
    // the user. YES when an item was chosen; its action has then been sent to its target with
    // the item as sender.
    bool popUpMenuPositioningItem(NSMenuItem* item, NSPoint location, NSView* view);

protected:
    ~NSMenu() override;

private:
    bool ShowsEnabled(const NSMenuItem* item) const;
    std::vector<NSMenuItem*> mItems; // retained
    bool mAutoenablesItems = true;
};

// ---- Text fields ---------------------------------------------------------------------------

typedef NSUInteger NSTextAlignment;
enum : NSTextAlignment {
    NSLeftTextAlignment = 0,
    NSRightTextAlignment = 1,
    NSCenterTextAlignment = 2,
};

// An editable (or static) line of text. The user edits it once it has the keyboard: the whole
// text is selected then, so the first character typed replaces it; further characters are
// appended, Backspace deletes the last one, Return or Enter sends the action, and Escape asks
// the responder chain to cancel (cancelOperation). Losing the keyboard after an edit also sends
// the action when sendsActionOnEndEditing. The window system is told when a field takes the
// keyboard (the headless one types its script into it). It draws its background and a frame;
// the text itself is not rendered here.
class NSTextField : public NSView {
public:
    NSTextField();
    NSString* stringValue() const { return mStringValue; } // never null
    void setStringValue(NSString* value);
    NSTextAlignment alignment() const { return mAlignment; }
    void setAlignment(NSTextAlignment alignment) { mAlignment = alignment; }
    NSColor* backgroundColor() const { return mBackgroundColor; }
    void setBackgroundColor(NSColor* color);
    NSColor* textColor() const { return mTextColor; }
    void setTextColor(NSColor* color);
    void setSendsActionOnEndEditing(bool flag) { mSendsActionOnEndEditing = flag; }
    // Not on the platform, where a formatter does it: at most this many characters can be
    // typed (0: any number).
    NSUInteger maximumLength() const { return mMaximumLength; }
    void setMaximumLength(NSUInteger length) { mMaximumLength = length; }
    // Not on the platform, where the field editor keeps a selection: the whole text is
    // selected, so that the next character typed replaces it.
    bool isTextSelected() const { return mSelectedAll; }

    id target() const { return mAction.target(); }
    void setTarget(id target) { mAction.setTarget(target); }
    template <class T> void setAction(void (T::*selector)(id)) { mAction.setAction(selector); }
    // Sends the action to the target with this field as sender; NO when nothing took it.
    bool sendAction();

    bool acceptsFirstResponder() override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void keyDown(NSEvent* event) override;
    void drawRect(NSRect dirtyRect) override;

protected:
    ~NSTextField() override;

private:
    NSString* mStringValue;    // retained
    NSColor* mBackgroundColor; // retained
    NSColor* mTextColor;       // retained
    bool mSendsActionOnEndEditing = false;
    bool mSelectedAll = false; // the next character typed replaces the text
    bool mEdited = false;      // typed into since it took the keyboard
    NSTextAlignment mAlignment = NSLeftTextAlignment;
    NSUInteger mMaximumLength = 0;
    appkit_detail::TargetAction mAction;
};
