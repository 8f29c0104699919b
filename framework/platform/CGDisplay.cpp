// The main display and its cursor, as the window system has them.

#include "WindowSystem.h"

CGDirectDisplayID CGMainDisplayID() {
    return GetWindowSystem().MainDisplay();
}

CGRect CGDisplayBounds(CGDirectDisplayID display) {
    return GetWindowSystem().DisplayBounds(display);
}

size_t CGDisplayPixelsHigh(CGDirectDisplayID display) {
    const CGRect bounds = CGDisplayBounds(display);
    return CGRectIsNull(bounds) ? 0 : static_cast<size_t>(bounds.size.height);
}

CGError CGDisplayHideCursor(CGDirectDisplayID display) {
    return GetWindowSystem().HideCursor(display);
}

CGError CGDisplayShowCursor(CGDirectDisplayID display) {
    return GetWindowSystem().ShowCursor(display);
}

CGError CGDisplayMoveCursorToPoint(CGDirectDisplayID display, CGPoint point) {
    return GetWindowSystem().MoveCursor(display, point);
}
