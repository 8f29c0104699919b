#pragma once

// Carbon windows for Linux: just enough of the window manager for a host that hands an editor a
// Carbon window (see NSWindow::initWithWindowRef in AppKit.h). A Carbon window is a rectangle in
// global coordinates (origin at the top-left corner of the main display, y pointing down); it
// shows nothing itself.

#include "CoreFoundation.h"

typedef struct OpaqueWindowPtr* WindowRef; // as in AudioUnit.h

struct Rect {
    short top;
    short left;
    short bottom;
    short right;
};

typedef UInt32 WindowClass;
enum : WindowClass {
    kDocumentWindowClass = 6,
};

typedef UInt32 WindowAttributes;
enum : WindowAttributes {
    kWindowNoAttributes = 0,
};

typedef UInt16 WindowRegionCode;
enum : WindowRegionCode {
    kWindowStructureRgn = 32,
    kWindowContentRgn = 33,
};

inline constexpr OSStatus errInvalidWindowRef = -5600;

// A window whose content has the given bounds; paramErr for a missing argument or a rectangle
// whose bottom or right lies above or left of its top or left.
OSStatus CreateNewWindow(WindowClass windowClass, WindowAttributes attributes,
                         const Rect* contentBounds, WindowRef* outWindow);
void DisposeWindow(WindowRef window); // null is ignored
// The content bounds (the structure region is the same: these windows draw no frame).
OSStatus GetWindowBounds(WindowRef window, WindowRegionCode regionCode, Rect* globalBounds);
