#pragma once

// What the X window system keeps of its display connection, shared by its parts (windows and
// drawing, menus, dialogs, the clipboard); used only inside the library.

#include "X11Events.h"
#include "X11Pixels.h"
#include "X11WindowSystem.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// A rectangle of pixels, y down, right and bottom outside.
struct X11Rect {
    int left = 0, top = 0, right = 0, bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    X11Rect Intersect(const X11Rect& other) const;
};

// One NSWindow's X window, with the pixels it shows: the views' stores composed into one
// image, kept in a pixmap from which exposures are answered.
struct X11WindowRecord {
    NSWindow* window = nullptr; // not retained: the record goes when the window does
    Window xid = 0;             // 0 before it is made and after it was destroyed
    Window parent = 0;          // the root, or the host's window it is embedded in
    bool mapped = false;
    int width = 0, height = 0;
    Pixmap pixmap = 0;
    XImage* image = nullptr; // over imageData, in the visual's format
    std::vector<char> imageData;
    std::vector<uint32_t> composite; // 0xAARRGGBB, width x height

    X11Rect Bounds() const { return X11Rect{0, 0, width, height}; }
};

struct X11WindowSystem::Connection {
    Display* display = nullptr;
    int screen = 0;
    Window root = 0;
    Visual* visual = nullptr;
    int depth = 0;
    Colormap colormap = 0;
    X11PixelFormat format;
    GC gc = nullptr;
    XFontStruct* font = nullptr; // null when the server has none to give
    Window helper = 0;           // unmapped: owns the clipboard, receives its transfers

    Atom wmProtocols = 0, wmDeleteWindow = 0, netWmName = 0, utf8String = 0, motifWmHints = 0,
         clipboard = 0, targets = 0, transfer = 0, text = 0;

    Cursor invisibleCursor = 0;
    int cursorHideCount = 0;

    std::vector<std::unique_ptr<X11WindowRecord>> windows;
    std::map<NSWindow*, Window> embedParents;
    X11ClickCounter clicks;
    std::set<unsigned int> keysDown; // for telling repeats
    std::function<void(NSWindow*)> closeHandler;
    bool syncingFrame = false; // a frame change that comes from the server, not to be sent back

    // The clock: steady time, placed on the platform's reference date when the connection
    // was opened.
    std::chrono::steady_clock::time_point clockStart;
    double clockStartAbsolute = 0;

    // The pasteboard: the types the display's clipboard does not carry, and what we offer on
    // it while we own it.
    std::map<std::string, std::string> pasteboard;
    NSInteger pasteboardChangeCount = 0;

    ~Connection();

    double Now() const;
    X11WindowRecord* Find(NSWindow* window) const;
    X11WindowRecord* Find(Window xid) const;
    int ScreenHeight() const;

    // ---- Drawing helpers for what the window system draws itself (menus, dialogs, the text of
    // text fields), in the display's core font.
    unsigned long Pixel(uint32_t rgb) const { return X11PixelValue(rgb, format); }
    int Ascent() const { return font ? font->ascent : 10; }
    int Descent() const { return font ? font->descent : 3; }
    int TextWidth(const std::string& utf8) const;
    void DrawText(Drawable drawable, int x, int baseline, const std::string& utf8, uint32_t rgb);
    void FillRect(Drawable drawable, const X11Rect& rect, uint32_t rgb);

    // ---- Events
    // The general handling of one event: windows' input, exposures, closing, the clipboard.
    void HandleEvent(XEvent& event);
    // Runs a modal loop until done() answers true: events go to handle first, and when it does
    // not take them only exposures and the clipboard's requests are answered (input for other
    // windows is dropped). Timers keep running in the event-tracking mode.
    void RunModal(const std::function<bool(XEvent&)>& handle, const std::function<bool()>& done);
    void RequestClose(NSWindow* window);
    // Waits for input on the connection for at most that long (seconds; negative: no limit).
    void WaitForInput(double seconds);

    // ---- Windows
    void CreateXWindow(X11WindowRecord& record);
    void MakeBuffers(X11WindowRecord& record);
    void FreeBuffers(X11WindowRecord& record);
    void ApplyCursor(const X11WindowRecord& record);
    // Recomposes the area of the window from its views' stores and puts it on the screen.
    void Present(X11WindowRecord& record, const X11Rect& area);

    // ---- Clipboard
    void HandleSelectionRequest(const XSelectionRequestEvent& request);
    void HandleSelectionClear();
    bool OwnsClipboard() const;
};

// Latin-1 for the core fonts; characters it lacks become '?'.
std::string X11Latin1(const std::string& utf8);
