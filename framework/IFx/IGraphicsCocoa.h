#pragma once

#include "AppKit.h"
#include "IFxStructs.h"

#include <utility>
#include <vector>

class IControl;
class IGraphicsMac;
class IParam;
class IPopupMenu;

// Class names are process-wide on the platform (and type names decide casts across modules
// here), so every product names the view and window classes with a suffix of its own, set by
// the build: two plug-ins built on this framework must never take each other's classes.
#ifndef IFX_COCOA_SUFFIX
#error "The build names the product's Cocoa class suffix (IFX_COCOA_SUFFIX, such as vBrindlex_au)."
#endif
#define IFX_COCOA_JOIN_(name, suffix) name##_##suffix
#define IFX_COCOA_JOIN(name, suffix) IFX_COCOA_JOIN_(name, suffix)
#define IGraphicsCocoa IFX_COCOA_JOIN(IGraphicsCocoa, IFX_COCOA_SUFFIX)
#define CustomCocoaWindow IFX_COCOA_JOIN(CustomCocoaWindow, IFX_COCOA_SUFFIX)

// A borderless window that can become the key window, so that it takes keyboard input: the
// editor's own window over a Carbon host's window.
class CustomCocoaWindow : public NSWindow {
public:
    bool canBecomeKeyWindow() const override { return true; }
};

// The editor's view. It shows an IGraphicsMac's surface and hands the user's events to it in
// editor pixels (origin at the top-left; the view's own y axis points up). While it is in a
// window a timer at the editor's frame rate repaints what the editor reports dirty, each dirty
// control's area on its own. It hosts the editor's popup menus and text entry.
//
// The window system owns the view; the editor only points at it. When the host lets the view
// go while it still shows the editor, the editor is closed and the plug-in told (OnGUIClose).
class IGraphicsCocoa : public NSView, public NSToolTipOwner {
public:
    IGraphicsCocoa* initWithIGraphics(IGraphicsMac* graphics);
    // Null once the editor has been closed.
    IGraphicsMac* graphics() const { return mGraphics; }

    // The timer runs while the view is in a window and shows an editor.
    bool isTimerRunning() const { return mTimer != nullptr; }
    void killTimer();
    // One tick: asks the editor for its dirty area and marks it for display.
    void onTimer();

    bool isOpaque() const override { return true; }
    bool acceptsFirstResponder() override { return true; }
    void viewDidMoveToWindow() override;
    void drawRect(NSRect dirtyRect) override;

    void mouseDown(NSEvent* event) override;
    void mouseUp(NSEvent* event) override;
    void mouseDragged(NSEvent* event) override;
    void rightMouseDown(NSEvent* event) override;
    void rightMouseUp(NSEvent* event) override;
    void rightMouseDragged(NSEvent* event) override;
    void mouseMoved(NSEvent* event) override;
    void scrollWheel(NSEvent* event) override;
    // The key goes to the control under the pointer (or the key catcher) as its Unicode
    // character; keys the editor does not take go on to the next responder.
    void keyDown(NSEvent* event) override;
    // Escape in the text entry: closes it without taking its text.
    void cancelOperation(id sender) override;

    // Shows the menu below the view rectangle; the menu chosen from, with the choice recorded
    // in it, or null when dismissed.
    IPopupMenu* createIPopupMenu(IPopupMenu* menu, NSRect rect);
    // Opens a text field over the view rectangle in the text style, holding str. Return (or
    // leaving the field after typing) hands its text to the editor's SetFromStringAfterPrompt;
    // Escape closes it without.
    void createTextEntry(IControl* control, IParam* param, const IText* text, const char* str,
                         NSRect areaRect);
    // Closes the text entry, if any, without taking its text.
    void endUserInput();
    NSTextField* textEntry() const { return mTextField; }

    // A tool tip over the editor rectangle, asking the editor for the text when it shows.
    void registerToolTip(const IRECT& rect);
    NSString* view(NSView* view, NSToolTipTag tag, NSPoint point, void* userData) override;

    // An editor rectangle for a rectangle of the view, clipped to the editor.
    IRECT EditorRect(NSRect rect) const;

protected:
    ~IGraphicsCocoa() override;

private:
    friend class IGraphicsMac;

    // The event's position in editor pixels.
    std::pair<int, int> EditorPoint(NSPoint locationInWindow) const;
    void menuItemChosen(id sender);
    void textEntryEnded(id sender);

    IGraphicsMac* mGraphics = nullptr;
    NSTimer* mTimer = nullptr;         // not retained: the run loop keeps it while valid
    NSTextField* mTextField = nullptr; // retained
    IControl* mEditControl = nullptr;  // the text entry's control and parameter
    IParam* mEditParam = nullptr;
    NSMenuItem* mChosenMenuItem = nullptr; // set by the menu while it is up
    std::vector<IRECT> mDirtyAreas;        // the timer's, kept to spare allocations
};
