// What the X window system makes of X's pixels and input, without a server: the pixel layouts
// of the visuals it converts to, and the platform's events (with their modifiers and click
// counts) for X's pointer, wheel and key events.

// GoogleTest first: Xlib's macros (None, Bool) would break its names.
#include <gtest/gtest.h>

#include "X11Events.h"
#include "X11Pixels.h"

#include <X11/keysym.h>

#include <cstring>
#include <vector>

namespace {

// ---- Pixels

std::vector<unsigned char> Convert(const std::vector<uint32_t>& pixels,
                                   const X11PixelFormat& format) {
    std::vector<unsigned char> bytes(pixels.size() * size_t(format.bitsPerPixel / 8));
    X11ConvertRow(pixels.data(), bytes.data(), static_cast<int>(pixels.size()), format);
    return bytes;
}

TEST(X11Pixels, TheCommonVisualTakesTheStoresWordsWithoutAlpha) {
    const X11PixelFormat format; // 0x00RRGGBB in 32 bits, least significant byte first
    const std::vector<unsigned char> bytes = Convert({0x80123456u, 0xFFABCDEFu}, format);
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0x56, 0x34, 0x12, 0, 0xEF, 0xCD, 0xAB, 0}));
}

TEST(X11Pixels, OtherLayoutsGetTheirChannelsScaledAndTheirBytesInTheServersOrder) {
    // Blue-green-red in 32 bits, most significant byte first.
    X11PixelFormat swapped{0x000000ffu, 0x0000ff00u, 0x00ff0000u, 32, true};
    EXPECT_EQ(Convert({0xFF123456u}, swapped), (std::vector<unsigned char>{0, 0x56, 0x34, 0x12}));
    // Packed 24 bits.
    X11PixelFormat packed{0x00ff0000u, 0x0000ff00u, 0x000000ffu, 24, false};
    EXPECT_EQ(Convert({0xFF123456u, 0xFF000001u}, packed),
              (std::vector<unsigned char>{0x56, 0x34, 0x12, 0x01, 0x00, 0x00}));
    // 5-6-5 in 16 bits: white is all ones, and each channel rounds to its nearest level.
    X11PixelFormat rgb565{0xf800u, 0x07e0u, 0x001fu, 16, false};
    EXPECT_EQ(Convert({0xFFFFFFFFu}, rgb565), (std::vector<unsigned char>{0xFF, 0xFF}));
    EXPECT_EQ(X11PixelValue(0x808080, rgb565), (16u << 11) | (32u << 5) | 16u);
    EXPECT_TRUE(X11CanConvert(rgb565));
}

TEST(X11Pixels, LayoutsItCannotWriteAreRefused) {
    EXPECT_FALSE(X11CanConvert(X11PixelFormat{0xff0000u, 0xff00u, 0xffu, 8, false}));
    // Overlapping channels, a channel in two runs, a channel outside the pixel.
    EXPECT_FALSE(X11CanConvert(X11PixelFormat{0xff0000u, 0xff0000u, 0xffu, 32, false}));
    EXPECT_FALSE(X11CanConvert(X11PixelFormat{0xf0f000u, 0xf00u, 0xfu, 32, false}));
    EXPECT_FALSE(X11CanConvert(X11PixelFormat{0xff0000u, 0xff00u, 0xffu, 16, false}));
}

TEST(X11Pixels, TranslucentViewsShowOverWhatIsBeneath) {
    // Premultiplied: half-transparent red over blue, a clear pixel, an opaque one.
    std::vector<uint32_t> under = {0xFF0000FFu, 0xFF00FF00u, 0xFF00FF00u};
    const std::vector<uint32_t> over = {0x80800000u, 0x00000000u, 0xFF102030u};
    X11BlendRow(over.data(), under.data(), 3);
    EXPECT_EQ(under[0], 0xFF80007Fu);
    EXPECT_EQ(under[1], 0xFF00FF00u);
    EXPECT_EQ(under[2], 0xFF102030u);
}

// ---- Input

XEvent Button(int type, unsigned int button, int x, int y, unsigned int state,
              unsigned long time = 1000) {
    XEvent event{};
    event.type = type;
    event.xbutton.button = button;
    event.xbutton.x = event.xbutton.x_root = x;
    event.xbutton.y = event.xbutton.y_root = y;
    event.xbutton.state = state;
    event.xbutton.time = time;
    return event;
}

class X11Input : public testing::Test {
protected:
    X11Input() : mPool(new NSAutoreleasePool) {}
    ~X11Input() override { mPool->release(); }

    NSEvent* Translate(const XEvent& event) {
        return X11PointerEvent(event, mTarget, mClicks, 0.0);
    }

    NSAutoreleasePool* mPool;
    X11EventTarget mTarget{7, 700};
    X11ClickCounter mClicks;
};

TEST_F(X11Input, ButtonsBecomeTheirMouseEventsWithYCountedUp) {
    NSEvent* left = Translate(Button(ButtonPress, Button1, 152, 175, 0));
    ASSERT_TRUE(left);
    EXPECT_EQ(left->type(), NSLeftMouseDown);
    EXPECT_EQ(left->locationInWindow().x, 152);
    EXPECT_EQ(left->locationInWindow().y, 700 - 175);
    EXPECT_EQ(left->windowNumber(), 7);
    EXPECT_EQ(Translate(Button(ButtonRelease, Button1, 152, 175, Button1Mask))->type(),
              NSLeftMouseUp);
    EXPECT_EQ(Translate(Button(ButtonPress, Button3, 1, 1, 0))->type(), NSRightMouseDown);
    EXPECT_EQ(Translate(Button(ButtonPress, Button2, 1, 1, 0))->type(), NSOtherMouseDown);
}

TEST_F(X11Input, ModifiersMapToThePlatformsKeysWithSuperAsCommand) {
    EXPECT_EQ(X11ModifierFlags(ShiftMask), NSShiftKeyMask);
    EXPECT_EQ(X11ModifierFlags(ControlMask | Mod1Mask), NSControlKeyMask | NSAlternateKeyMask);
    EXPECT_EQ(X11ModifierFlags(Mod4Mask), NSCommandKeyMask);
    EXPECT_EQ(X11ModifierFlags(LockMask | Mod2Mask), NSAlphaShiftKeyMask); // Num Lock ignored
    // A Super-click carries the command key that makes it a right click in the editor.
    NSEvent* click = Translate(Button(ButtonPress, Button1, 5, 5, Mod4Mask | ShiftMask));
    EXPECT_EQ(click->modifierFlags(), NSCommandKeyMask | NSShiftKeyMask);
}

TEST_F(X11Input, MotionWithAButtonHeldIsThatButtonsDrag) {
    XEvent motion{};
    motion.type = MotionNotify;
    motion.xmotion.x = 10;
    motion.xmotion.y = 20;
    motion.xmotion.state = Button1Mask | ControlMask;
    NSEvent* drag = Translate(motion);
    EXPECT_EQ(drag->type(), NSLeftMouseDragged);
    EXPECT_EQ(drag->modifierFlags(), NSControlKeyMask);
    motion.xmotion.state = Button3Mask;
    EXPECT_EQ(Translate(motion)->type(), NSRightMouseDragged);
    motion.xmotion.state = 0;
    EXPECT_EQ(Translate(motion)->type(), NSMouseMoved);
}

TEST_F(X11Input, WheelButtonsScrollALineAndTheirReleasesAreDropped) {
    NSEvent* up = Translate(Button(ButtonPress, Button4, 3, 4, ShiftMask));
    ASSERT_TRUE(up);
    EXPECT_EQ(up->type(), NSScrollWheel);
    EXPECT_EQ(up->deltaY(), 1);
    EXPECT_EQ(up->modifierFlags(), NSShiftKeyMask);
    EXPECT_EQ(Translate(Button(ButtonPress, Button5, 3, 4, 0))->deltaY(), -1);
    EXPECT_EQ(Translate(Button(ButtonPress, 6, 3, 4, 0))->deltaX(), 1);
    EXPECT_EQ(Translate(Button(ButtonRelease, Button4, 3, 4, 0)), nullptr);
}

TEST_F(X11Input, QuickPressesInOnePlaceCountAsDoubleClicks) {
    EXPECT_EQ(Translate(Button(ButtonPress, Button1, 50, 50, 0, 1000))->clickCount(), 1);
    EXPECT_EQ(Translate(Button(ButtonRelease, Button1, 50, 50, 0, 1050))->clickCount(), 1);
    EXPECT_EQ(Translate(Button(ButtonPress, Button1, 52, 51, 0, 1200))->clickCount(), 2);
    // Too late, too far, or another button: a new count.
    EXPECT_EQ(Translate(Button(ButtonPress, Button1, 52, 51, 0, 1700))->clickCount(), 1);
    EXPECT_EQ(Translate(Button(ButtonPress, Button1, 60, 51, 0, 1750))->clickCount(), 1);
    EXPECT_EQ(Translate(Button(ButtonPress, Button3, 60, 51, 0, 1800))->clickCount(), 1);
    // The server's clock wraps around.
    X11ClickCounter clicks;
    clicks.Press(Button1, 0, 0, 0xFFFFFF00ul);
    EXPECT_EQ(clicks.Press(Button1, 0, 0, 0x40ul), 2);
}

TEST(X11Keys, KeysTypeThePlatformsCharacters) {
    EXPECT_EQ(X11KeyCharacters(XK_Return, "\r"), "\r");
    EXPECT_EQ(X11KeyCharacters(XK_BackSpace, "\b"), "\x7f");
    EXPECT_EQ(X11KeyCharacters(XK_Up, ""), "\xEF\x9C\x80"); // U+F700
    EXPECT_EQ(X11KeyCharacters(XK_minus, "-"), "-");
    EXPECT_EQ(X11KeyCharacters(XK_KP_5, "5"), "5");
    EXPECT_EQ(X11KeyCharacters(XK_eacute, "\xE9"), "\xC3\xA9"); // Latin-1 text as UTF-8
    EXPECT_EQ(X11KeyCharacters(0x10020AC, ""), "\xE2\x82\xAC"); // the euro by its symbol
    EXPECT_EQ(X11KeyCode(XK_a), 0);
    EXPECT_EQ(X11KeyCode(XK_Return), 36);
    EXPECT_EQ(X11KeyCode(XK_Shift_L), 0xFFFF);
}

} // namespace
