#pragma once

// X input as the platform's events: pointer buttons, motion, the wheel and keys, with their
// modifier flags and click counts.

#include "AppKit.h"

#include <X11/Xlib.h>

#include <string>

// The modifier flags of an X key and button state: Shift, Control, Alt (Mod1) as the option
// key, Super (Mod4) as the command key, and Caps Lock. So a Super-click is the command-click
// that stands in for a right click.
NSUInteger X11ModifierFlags(unsigned int state);

// Counts clicks: a press continues the count of the press before it when it is of the same
// button, within kInterval seconds and within kDistance pixels of it on the screen.
class X11ClickCounter {
public:
    static constexpr unsigned long kIntervalMs = 400;
    static constexpr int kDistance = 4;

    // The press's click count, from 1. time is the X server's, in milliseconds.
    int Press(unsigned int button, int x, int y, unsigned long time);
    // The count of the last press, for its release.
    int Count() const { return mCount; }

private:
    unsigned int mButton = 0;
    int mX = 0, mY = 0;
    unsigned long mTime = 0;
    int mCount = 0;
};

// What the events of one window are translated for: its number and the height of its content,
// since the platform counts y up from the bottom.
struct X11EventTarget {
    NSInteger windowNumber = 0;
    CGFloat contentHeight = 0;
};

// The platform's event for a ButtonPress, ButtonRelease or MotionNotify, autoreleased: buttons 1,
// 2 and 3 are the left, other and right buttons, 4 and 5 the wheel up and down, 6 and 7 left
// and right (a line each); motion with a button held is that button's drag. Null for other
// events and for the releases of wheel buttons.
NSEvent* X11PointerEvent(const XEvent& event, const X11EventTarget& target, X11ClickCounter& clicks,
                         NSTimeInterval timestamp);

// The characters a key stands for, as the platform gives them: "\r" for Return, 3 for Enter,
// the delete character 0x7f for Backspace, the function-key characters from 0xF700 for arrows,
// Delete, Home, End, the page keys and F1 to F35; otherwise text (what XLookupString made of the
// key, in Latin-1), or the character the key symbol names when text is empty. UTF-8.
std::string X11KeyCharacters(KeySym keysym, const std::string& text);
// The platform's virtual key code of the key (its position on a US keyboard); 0xFFFF for keys
// it has none for.
unsigned short X11KeyCode(KeySym keysym);

// The platform's event for a KeyPress or KeyRelease, autoreleased. keysym is the key as typed,
// unmodified the key without modifiers; text is what XLookupString made of it.
NSEvent* X11KeyEvent(const XKeyEvent& event, KeySym keysym, KeySym unmodified,
                     const std::string& text, bool isARepeat, const X11EventTarget& target,
                     NSTimeInterval timestamp);
