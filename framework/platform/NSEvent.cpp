// Events and the responder chain.

#include "PlatformRuntime.h"

namespace {

bool IsMouseEventType(NSEventType type) {
    switch (type) {
    case NSLeftMouseDown:
    case NSLeftMouseUp:
    case NSRightMouseDown:
    case NSRightMouseUp:
    case NSMouseMoved:
    case NSLeftMouseDragged:
    case NSRightMouseDragged:
    case NSOtherMouseDown:
    case NSOtherMouseUp:
    case NSOtherMouseDragged:
        return true;
    default:
        return false;
    }
}

NSString* Retained(NSString* string) {
    return static_cast<NSString*>((string ? string : NSString::string())->retain());
}

} // namespace

NSEvent::~NSEvent() {
    if (mCharacters) mCharacters->release();
}

NSEvent* NSEvent::mouseEventWithType(NSEventType type, NSPoint location, NSUInteger modifierFlags,
                                     NSTimeInterval, NSInteger windowNumber, NSGraphicsContext*,
                                     NSInteger, NSInteger clickCount, float) {
    if (!IsMouseEventType(type)) return nullptr;
    auto* event = new NSEvent(type, location, modifierFlags, windowNumber);
    event->mClickCount = clickCount;
    return static_cast<NSEvent*>(event->autorelease());
}

NSEvent* NSEvent::keyEventWithType(NSEventType type, NSPoint location, NSUInteger modifierFlags,
                                   NSTimeInterval, NSInteger windowNumber, NSGraphicsContext*,
                                   NSString* characters, NSString*, bool, unsigned short) {
    if (type != NSKeyDown && type != NSKeyUp && type != NSFlagsChanged) return nullptr;
    auto* event = new NSEvent(type, location, modifierFlags, windowNumber);
    event->mCharacters = Retained(characters);
    return static_cast<NSEvent*>(event->autorelease());
}

NSEvent* NSEvent::scrollWheelEventWithLocation(NSPoint location, NSUInteger modifierFlags,
                                               NSTimeInterval, NSInteger windowNumber,
                                               CGFloat deltaX, CGFloat deltaY) {
    auto* event = new NSEvent(NSScrollWheel, location, modifierFlags, windowNumber);
    event->mDeltaX = deltaX;
    event->mDeltaY = deltaY;
    return static_cast<NSEvent*>(event->autorelease());
}

NSPoint NSEvent::mouseLocation() {
    WindowSystem& windowSystem = GetWindowSystem();
    const CGPoint pointer = windowSystem.PointerLocation();
    const CGRect display = windowSystem.DisplayBounds(windowSystem.MainDisplay());
    const CGFloat height = CGRectIsNull(display) ? 0 : display.size.height;
    return NSMakePoint(pointer.x, height - pointer.y);
}

// ---- Responders ----------------------------------------------------------------------------

bool NSResponder::acceptsFirstResponder() {
    return false;
}

bool NSResponder::becomeFirstResponder() {
    return true;
}

bool NSResponder::resignFirstResponder() {
    return true;
}

#define FORWARD_TO_NEXT_RESPONDER(method)                                                          \
    void NSResponder::method(NSEvent* event) {                                                     \
        if (mNextResponder) mNextResponder->method(event);                                         \
    }

FORWARD_TO_NEXT_RESPONDER(mouseDown)
FORWARD_TO_NEXT_RESPONDER(mouseUp)
FORWARD_TO_NEXT_RESPONDER(mouseDragged)
FORWARD_TO_NEXT_RESPONDER(mouseMoved)
FORWARD_TO_NEXT_RESPONDER(rightMouseDown)
FORWARD_TO_NEXT_RESPONDER(rightMouseUp)
FORWARD_TO_NEXT_RESPONDER(rightMouseDragged)
FORWARD_TO_NEXT_RESPONDER(otherMouseDown)
FORWARD_TO_NEXT_RESPONDER(otherMouseUp)
FORWARD_TO_NEXT_RESPONDER(otherMouseDragged)
FORWARD_TO_NEXT_RESPONDER(scrollWheel)
FORWARD_TO_NEXT_RESPONDER(keyDown)
FORWARD_TO_NEXT_RESPONDER(keyUp)
FORWARD_TO_NEXT_RESPONDER(flagsChanged)

void NSResponder::cancelOperation(id sender) {
    if (mNextResponder) mNextResponder->cancelOperation(sender);
}
