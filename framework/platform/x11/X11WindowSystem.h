#pragma once

// The window system on an X display: windows are X windows showing what their views drew, the
// clock is real time, the main run loop waits on the display connection for input and timers,
// and the user's pointer and keys arrive as the platform's events. Install it with
// SetWindowSystem (before making windows) where a display is wanted; everything else keeps the
// headless default.
//
// Like every window system it is used on the main thread, except Now and the waits of other
// threads' run loops, which touch no X state.

#include "WindowSystem.h"

#include <functional>
#include <memory>
#include <string>

struct _XDisplay;

class X11WindowSystem : public WindowSystem {
public:
    // A connection to the display (null: the one $DISPLAY names); null, with the reason in
    // *error, when there is none to be had or it has no true-colour visual.
    static std::unique_ptr<X11WindowSystem> Open(const char* displayName, std::string* error);
    ~X11WindowSystem() override;
    X11WindowSystem(const X11WindowSystem&) = delete;
    X11WindowSystem& operator=(const X11WindowSystem&) = delete;

    // The window is shown inside the X window parent (a host's) rather than on the screen of
    // its own; set before the window is ordered in.
    void EmbedWindow(NSWindow* window, unsigned long parent);
    // Gives the window's X window (once ordered in) size hints of exactly width x height. An
    // embedded window has no window manager's hints of its own, and hosts that size their frame
    // from the child's (Qt's embedding) would otherwise pick a size of their own.
    void FixWindowSize(NSWindow* window, int width, int height);
    // The X window that shows the window; 0 until it is first ordered in.
    unsigned long XWindowOf(NSWindow* window) const;
    // Handles the input and exposures the connection holds, without waiting; whether there was
    // any.
    bool DispatchPendingEvents();
    // Called when the user asks to close a window (the window manager's close button, or the
    // window destroyed from outside). Without a handler the window is closed.
    void SetCloseRequestHandler(std::function<void(NSWindow*)> handler);
    // Whether the cursor is hidden over the windows (HideCursor more often than ShowCursor).
    bool CursorHidden() const;

    CFAbsoluteTime Now() override;
    // handleInput: input is handled as it comes (and ends the wait); otherwise the thread
    // sleeps. A signal also ends the wait.
    void WaitUntil(CFAbsoluteTime time, bool handleInput) override;
    CGDirectDisplayID MainDisplay() override;
    CGRect DisplayBounds(CGDirectDisplayID display) override;
    // An invisible cursor over the windows while hidden; hiding counts, as on the platform.
    CGError HideCursor(CGDirectDisplayID display) override;
    CGError ShowCursor(CGDirectDisplayID display) override;
    CGError MoveCursor(CGDirectDisplayID display, CGPoint point) override;
    CGPoint PointerLocation() override;
    void WindowOrderedIn(NSWindow* window) override;
    void WindowOrderedOut(NSWindow* window) override;
    void WindowFrameChanged(NSWindow* window) override;
    void WindowDestroyed(NSWindow* window) override;
    // Puts what every view of the window shows in the area on the screen, and the text of the
    // text fields there.
    void ViewDrawn(NSView* view, NSRect area) override;
    // A small dialog with the texts and buttons; Return presses the default button, Escape
    // the alternate one (or the default when there is only one).
    CFOptionFlags DisplayAlert(const AlertRequest& request) override;
    // A dialog with a line for the path, started from the folder and name asked for; Return
    // takes it (relative paths from the folder), Escape cancels.
    FilePanelAnswer RunFilePanel(const FilePanelRequest& request) override;
    // The menu under the pointer until an item is chosen (click, or Return on the one the
    // arrow keys picked) or the menu is dismissed (a click outside, Escape). Submenus open to
    // the side. Timers go on running meanwhile.
    MenuChoice PopUpMenu(const MenuRequest& request) override;
    // The field's window takes the keyboard.
    void TextInputBegan(NSTextField* field) override;
    // The plain-text type is the display's clipboard; other types stay in this process.
    NSInteger ClearPasteboard() override;
    bool SetPasteboardString(const std::string& type, const std::string& text) override;
    std::optional<std::string> PasteboardString(const std::string& type) override;
    // Through xdg-open; false when that could not be started.
    bool OpenURL(const std::string& url) override;
    SystemVersion GetSystemVersion() override { return SystemVersion(); }
    std::optional<std::string> SystemColorProfile() override { return std::nullopt; }

    struct Connection;

private:
    explicit X11WindowSystem(std::unique_ptr<Connection> connection);
    std::unique_ptr<Connection> mConnection;
};
