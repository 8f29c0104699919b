// Translation of X input into the platform's events.
#include "X11Events.h"

#include <X11/keysym.h>

#include <cstdlib>

namespace {

// The platform's characters for keys that type nothing (NSUpArrowFunctionKey and so on).
enum : uint32_t {
    kUpArrow = 0xF700,
    kDownArrow = 0xF701,
    kLeftArrow = 0xF702,
    kRightArrow = 0xF703,
    kF1 = 0xF704,
    kInsert = 0xF727,
    kDeleteForward = 0xF728,
    kHome = 0xF729,
    kEnd = 0xF72B,
    kPageUp = 0xF72C,
    kPageDown = 0xF72D,
};

void AppendUTF8(std::string& text, uint32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | code >> 18);
        text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The character of a key that types no text of its own (editing, movement, the keypad's and
// function keys); 0 for others.
uint32_t SpecialCharacterOf(KeySym keysym) {
    switch (keysym) {
    case XK_Return:
        return '\r';
    case XK_KP_Enter:
        return 3;
    case XK_Tab:
    case XK_KP_Tab:
        return '\t';
    case XK_ISO_Left_Tab:
        return 0x19; // back tab
    case XK_BackSpace:
        return 0x7F;
    case XK_Escape:
        return 0x1B;
    case XK_Delete:
    case XK_KP_Delete:
        return kDeleteForward;
    case XK_Insert:
    case XK_KP_Insert:
        return kInsert;
    case XK_Up:
    case XK_KP_Up:
        return kUpArrow;
    case XK_Down:
    case XK_KP_Down:
        return kDownArrow;
    case XK_Left:
    case XK_KP_Left:
        return kLeftArrow;
    case XK_Right:
    case XK_KP_Right:
        return kRightArrow;
    case XK_Home:
    case XK_KP_Home:
        return kHome;
    case XK_End:
    case XK_KP_End:
        return kEnd;
    case XK_Page_Up:
    case XK_KP_Page_Up:
        return kPageUp;
    case XK_Page_Down:
    case XK_KP_Page_Down:
        return kPageDown;
    case XK_KP_Space:
        return ' ';
    case XK_KP_Equal:
        return '=';
    case XK_KP_Multiply:
        return '*';
    case XK_KP_Add:
        return '+';
    case XK_KP_Separator:
        return ',';
    case XK_KP_Subtract:
        return '-';
    case XK_KP_Decimal:
        return '.';
    case XK_KP_Divide:
        return '/';
    default:
        break;
    }
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return '0' + static_cast<uint32_t>(keysym - XK_KP_0);
    if (keysym >= XK_F1 && keysym <= XK_F35) return kF1 + static_cast<uint32_t>(keysym - XK_F1);
    return 0;
}

// The character a key symbol names; 0 when it names none.
uint32_t CharacterOf(KeySym keysym) {
    // Latin-1 symbols are their characters; newer ones carry the code point above 0x1000000.
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF))
        return static_cast<uint32_t>(keysym);
    if (keysym >= 0x1000100 && keysym <= 0x110FFFF)
        return static_cast<uint32_t>(keysym - 0x1000000);
    return 0;
}

} // namespace

NSUInteger X11ModifierFlags(unsigned int state) {
    NSUInteger flags = 0;
    if (state & ShiftMask) flags |= NSShiftKeyMask;
    if (state & ControlMask) flags |= NSControlKeyMask;
    if (state & Mod1Mask) flags |= NSAlternateKeyMask;
    if (state & Mod4Mask) flags |= NSCommandKeyMask;
    if (state & LockMask) flags |= NSAlphaShiftKeyMask;
    return flags;
}

int X11ClickCounter::Press(unsigned int button, int x, int y, unsigned long time) {
    // Server times are 32-bit milliseconds that wrap around.
    const unsigned long elapsed = (time - mTime) & 0xFFFFFFFFul;
    const bool continues = mCount > 0 && button == mButton && elapsed <= kIntervalMs &&
                           std::abs(x - mX) <= kDistance && std::abs(y - mY) <= kDistance;
    mCount = continues ? mCount + 1 : 1;
    mButton = button;
    mX = x;
    mY = y;
    mTime = time;
    return mCount;
}

NSEvent* X11PointerEvent(const XEvent& event, const X11EventTarget& target, X11ClickCounter& clicks,
                         NSTimeInterval timestamp) {
    if (event.type == MotionNotify) {
        const XMotionEvent& motion = event.xmotion;
        const unsigned int state = motion.state;
        const NSEventType type = state & Button1Mask   ? NSLeftMouseDragged
                                 : state & Button3Mask ? NSRightMouseDragged
                                 : state & Button2Mask ? NSOtherMouseDragged
                                                       : NSMouseMoved;
        return NSEvent::mouseEventWithType(
            type, NSMakePoint(motion.x, target.contentHeight - motion.y), X11ModifierFlags(state),
            timestamp, target.windowNumber, nullptr, 0, 0, type == NSMouseMoved ? 0.0f : 1.0f);
    }
    if (event.type != ButtonPress && event.type != ButtonRelease) return nullptr;
    const XButtonEvent& button = event.xbutton;
    const NSPoint location = NSMakePoint(button.x, target.contentHeight - button.y);
    const NSUInteger flags = X11ModifierFlags(button.state);
    const bool press = event.type == ButtonPress;
    if (button.button >= Button4 && button.button <= 7) {
        if (!press) return nullptr;
        // Positive deltas go up and left.
        const CGFloat deltaY = button.button == Button4 ? 1 : button.button == Button5 ? -1 : 0;
        const CGFloat deltaX = button.button == 6 ? 1 : button.button == 7 ? -1 : 0;
        return NSEvent::scrollWheelEventWithLocation(location, flags, timestamp,
                                                     target.windowNumber, deltaX, deltaY);
    }
    NSEventType type;
    switch (button.button) {
    case Button1:
        type = press ? NSLeftMouseDown : NSLeftMouseUp;
        break;
    case Button3:
        type = press ? NSRightMouseDown : NSRightMouseUp;
        break;
    case Button2:
        type = press ? NSOtherMouseDown : NSOtherMouseUp;
        break;
    default:
        return nullptr;
    }
    const int count = press ? clicks.Press(button.button, button.x_root, button.y_root, button.time)
                            : clicks.Count();
    return NSEvent::mouseEventWithType(type, location, flags, timestamp, target.windowNumber,
                                       nullptr, 0, count > 0 ? count : 1, press ? 1.0f : 0.0f);
}

std::string X11KeyCharacters(KeySym keysym, const std::string& text) {
    std::string characters;
    // The lookup's text has what the modifiers made of the key (a control character, say), but
    // holds only what Latin-1 can; the symbol covers the rest.
    uint32_t code = SpecialCharacterOf(keysym);
    if (!code && !text.empty()) {
        for (const char c : text)
            AppendUTF8(characters, static_cast<unsigned char>(c));
        return characters;
    }
    if (!code) code = CharacterOf(keysym);
    if (code) AppendUTF8(characters, code);
    return characters;
}

unsigned short X11KeyCode(KeySym keysym) {
    // Letters and digits by their place on a US keyboard, as the platform numbers the keys.
    static constexpr unsigned short kLetters[26] = {0,  11, 8,  2,  14, 3,  5,  4,  34,
                                                    38, 40, 37, 46, 45, 31, 35, 12, 15,
                                                    1,  17, 32, 9,  13, 7,  16, 6};
    static constexpr unsigned short kDigits[10] = {29, 18, 19, 20, 21, 23, 22, 26, 28, 25};
    if (keysym >= XK_a && keysym <= XK_z) return kLetters[keysym - XK_a];
    if (keysym >= XK_A && keysym <= XK_Z) return kLetters[keysym - XK_A];
    if (keysym >= XK_0 && keysym <= XK_9) return kDigits[keysym - XK_0];
    static constexpr struct {
        KeySym keysym;
        unsigned short code;
    } kKeys[] = {
        {XK_Return, 36},    {XK_Tab, 48},        {XK_space, 49},       {XK_BackSpace, 51},
        {XK_Escape, 53},    {XK_KP_Enter, 76},   {XK_Delete, 117},     {XK_Home, 115},
        {XK_End, 119},      {XK_Page_Up, 116},   {XK_Page_Down, 121},  {XK_Left, 123},
        {XK_Right, 124},    {XK_Down, 125},      {XK_Up, 126},         {XK_minus, 27},
        {XK_equal, 24},     {XK_period, 47},     {XK_comma, 43},       {XK_slash, 44},
        {XK_semicolon, 41}, {XK_apostrophe, 39}, {XK_bracketleft, 33}, {XK_bracketright, 30},
        {XK_backslash, 42}, {XK_grave, 50},      {XK_F1, 122},         {XK_F2, 120},
        {XK_F3, 99},        {XK_F4, 118},        {XK_F5, 96},          {XK_F6, 97},
        {XK_F7, 98},        {XK_F8, 100},        {XK_F9, 101},         {XK_F10, 109},
        {XK_F11, 103},      {XK_F12, 111},
    };
    for (const auto& key : kKeys)
        if (key.keysym == keysym) return key.code;
    return 0xFFFF;
}

NSEvent* X11KeyEvent(const XKeyEvent& event, KeySym keysym, KeySym unmodified,
                     const std::string& text, bool isARepeat, const X11EventTarget& target,
                     NSTimeInterval timestamp) {
    const NSEventType type = event.type == KeyRelease ? NSKeyUp : NSKeyDown;
    const std::string characters = X11KeyCharacters(keysym, text);
    const std::string plain = X11KeyCharacters(unmodified, std::string());
    return NSEvent::keyEventWithType(
        type, NSMakePoint(event.x, target.contentHeight - event.y), X11ModifierFlags(event.state),
        timestamp, target.windowNumber, nullptr, NSString::stringWithUTF8String(characters.c_str()),
        NSString::stringWithUTF8String(plain.c_str()), isARepeat, X11KeyCode(unmodified));
}
