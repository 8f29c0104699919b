// Colours, targets and actions, and text fields.

#include "PlatformRuntime.h"

#include <cmath>

namespace {

template <class T> void Replace(T*& member, T* value) {
    if (value) value->retain();
    if (member) member->release();
    member = value;
}

CGFloat Unit(CGFloat value) {
    return value > 1 ? 1 : value > 0 ? value : 0; // NaN fails both tests
}

constexpr unsigned short kEscapeKey = 27;
constexpr unsigned short kBackspaceKey = 8;
constexpr unsigned short kDeleteKey = 127;

// The characters of a UTF-8 text, each as its whole byte sequence.
std::vector<std::string> Characters(const char* text) {
    std::vector<std::string> characters;
    for (const char* c = text; *c;) {
        const char* next = c + 1;
        while ((*next & 0xC0) == 0x80)
            ++next;
        characters.emplace_back(c, next);
        c = next;
    }
    return characters;
}

} // namespace

// ---- Colours -------------------------------------------------------------------------------

NSColor::NSColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
    : mRed(Unit(red)), mGreen(Unit(green)), mBlue(Unit(blue)), mAlpha(Unit(alpha)) {}

NSColor* NSColor::colorWithCalibratedRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) {
    return static_cast<NSColor*>((new NSColor(red, green, blue, alpha))->autorelease());
}

bool NSColor::isEqual(id object) const {
    const auto* other = dynamic_cast<const NSColor*>(object);
    return other && other->mRed == mRed && other->mGreen == mGreen && other->mBlue == mBlue &&
           other->mAlpha == mAlpha;
}

// ---- Targets and actions -------------------------------------------------------------------

bool appkit_detail::TargetAction::Send(id sender) const {
    if (!mTarget || !mAction) return false;
    // The action may let go of the target or the sender.
    id target = mTarget->retain();
    if (sender) sender->retain();
    const bool sent = mAction(target, sender);
    if (sender) sender->release();
    target->release();
    return sent;
}

// ---- Text fields ---------------------------------------------------------------------------

NSTextField::NSTextField()
    : mStringValue(static_cast<NSString*>(NSString::string()->retain())),
      mBackgroundColor(new NSColor(1, 1, 1, 1)), mTextColor(new NSColor(0, 0, 0, 1)) {}

NSTextField::~NSTextField() {
    Replace<NSString>(mStringValue, nullptr);
    Replace<NSColor>(mBackgroundColor, nullptr);
    Replace<NSColor>(mTextColor, nullptr);
}

void NSTextField::setStringValue(NSString* value) {
    Replace(mStringValue, value ? value : NSString::string());
    setNeedsDisplay(true);
}

void NSTextField::setBackgroundColor(NSColor* color) {
    if (!color) return;
    Replace(mBackgroundColor, color);
    setNeedsDisplay(true);
}

void NSTextField::setTextColor(NSColor* color) {
    if (!color) return;
    Replace(mTextColor, color);
    setNeedsDisplay(true);
}

bool NSTextField::sendAction() {
    return mAction.Send(this);
}

bool NSTextField::becomeFirstResponder() {
    mSelectedAll = true;
    mEdited = false;
    GetWindowSystem().TextInputBegan(this);
    return true;
}

bool NSTextField::resignFirstResponder() {
    const bool edited = mEdited;
    mSelectedAll = mEdited = false;
    if (edited && mSendsActionOnEndEditing) {
        retain();
        sendAction();
        release();
    }
    return true;
}

void NSTextField::keyDown(NSEvent* event) {
    if (!event) {
        NSView::keyDown(event);
        return;
    }
    retain(); // the action may remove the field
    const char* typed = event->characters()->UTF8String();
    const unsigned char first = static_cast<unsigned char>(typed[0]);
    if (first == '\r' || first == 3 /* Enter */) {
        mEdited = false;
        sendAction();
    } else if (first == kEscapeKey) {
        cancelOperation(this);
    } else if (first == kBackspaceKey || first == kDeleteKey) {
        std::vector<std::string> characters = Characters(mStringValue->UTF8String());
        if (mSelectedAll)
            characters.clear();
        else if (!characters.empty())
            characters.pop_back();
        std::string text;
        for (const std::string& character : characters)
            text += character;
        setStringValue(NSString::stringWithUTF8String(text.c_str()));
        mSelectedAll = false;
        mEdited = true;
    } else if (first >= 0x20) {
        std::string text = mSelectedAll ? std::string() : mStringValue->UTF8String();
        size_t length = mSelectedAll ? 0 : Characters(text.c_str()).size();
        for (const std::string& character : Characters(typed)) {
            if (mMaximumLength && length >= mMaximumLength) break;
            text += character;
            ++length;
        }
        setStringValue(NSString::stringWithUTF8String(text.c_str()));
        mSelectedAll = false;
        mEdited = true;
    } else {
        NSView::keyDown(event);
    }
    release();
}

void NSTextField::drawRect(NSRect) {
    NSGraphicsContext* context = NSGraphicsContext::currentContext();
    if (!context) return;
    CGContextRef port = context->CGContext();
    const NSRect box = bounds();
    CGContextSetRGBFillColor(port, mBackgroundColor->redComponent(),
                             mBackgroundColor->greenComponent(), mBackgroundColor->blueComponent(),
                             mBackgroundColor->alphaComponent());
    CGContextFillRect(port, box);
    // A one-point frame in the text colour, half strength.
    CGContextSetRGBFillColor(port, mTextColor->redComponent(), mTextColor->greenComponent(),
                             mTextColor->blueComponent(), 0.5 * mTextColor->alphaComponent());
    const CGFloat w = box.size.width, h = box.size.height;
    const CGFloat x = box.origin.x, y = box.origin.y;
    CGContextFillRect(port, NSMakeRect(x, y, w, 1));
    CGContextFillRect(port, NSMakeRect(x, y + h - 1, w, 1));
    CGContextFillRect(port, NSMakeRect(x, y + 1, 1, h - 2));
    CGContextFillRect(port, NSMakeRect(x + w - 1, y + 1, 1, h - 2));
}
