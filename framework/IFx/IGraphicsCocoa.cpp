// The editor's view: its timer, drawing, event translation, popup menus, text entry and tool
// tips.
#include "IGraphicsCocoa.h"

#include "IControl.h"
#include "IFxBase.h"
#include "IGraphicsMac.h"
#include "IPopupMenu.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

namespace {

// The mouse buttons and keys of an event. A command-click stands in for a right click.
IMouseMod MouseMod(NSEvent* event, bool primaryButton, bool secondaryButton) {
    const NSUInteger flags = event->modifierFlags();
    const bool command = flags & NSCommandKeyMask;
    return IMouseMod(primaryButton, secondaryButton || (primaryButton && command),
                     flags & NSShiftKeyMask, flags & NSControlKeyMask, flags & NSAlternateKeyMask);
}

// The Unicode character a UTF-8 text begins with; 0 for an empty or malformed text.
int FirstCharacter(const char* text) {
    const auto* c = reinterpret_cast<const unsigned char*>(text);
    if (c[0] < 0x80) return c[0];
    const int length = c[0] >= 0xF0 ? 4 : c[0] >= 0xE0 ? 3 : c[0] >= 0xC0 ? 2 : 0;
    if (!length) return 0;
    int code = c[0] & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((c[i] & 0xC0) != 0x80) return 0;
        code = code << 6 | (c[i] & 0x3F);
    }
    return code;
}

NSColor* ColorOf(const IColor& color) {
    return NSColor::colorWithCalibratedRed(color.red / 255.0, color.green / 255.0,
                                           color.blue / 255.0, color.alpha / 255.0);
}

NSTextAlignment AlignmentOf(int align) {
    switch (align) {
    case IText::kAlignCenter:
        return NSCenterTextAlignment;
    case IText::kAlignRight:
        return NSRightTextAlignment;
    default:
        return NSLeftTextAlignment;
    }
}

} // namespace

IGraphicsCocoa* IGraphicsCocoa::initWithIGraphics(IGraphicsMac* graphics) {
    mGraphics = graphics;
    const int w = graphics ? graphics->Width() : 0, h = graphics ? graphics->Height() : 0;
    initWithFrame(NSMakeRect(0, 0, w, h));
    return this;
}

IGraphicsCocoa::~IGraphicsCocoa() {
    killTimer();
    if (mTextField) {
        mTextField->setTarget(nullptr);
        mTextField->release();
        mTextField = nullptr;
    }
    // The host let the view go while it showed the editor: the editor is closed.
    if (IGraphicsMac* graphics = mGraphics) {
        mGraphics = nullptr;
        graphics->ViewGone(this);
        if (IFxBase* plug = graphics->GetPlug()) plug->OnGUIClose();
    }
}

// ---- Timer and drawing ---------------------------------------------------------------------

void IGraphicsCocoa::viewDidMoveToWindow() {
    NSWindow* window = this->window();
    if (!window || !mGraphics) {
        killTimer();
        return;
    }
    window->setAcceptsMouseMovedEvents(true);
    if (mTimer) return;
    CocoaAutoReleasePool pool;
    // In every common mode, so that the editor keeps up while a menu or a panel tracks the user.
    mTimer = NSTimer::timerWithTimeInterval(1.0 / mGraphics->FPS(), true,
                                            [this](NSTimer*) { onTimer(); });
    NSRunLoop::currentRunLoop()->addTimer(mTimer, NSRunLoopCommonModes);
}

void IGraphicsCocoa::killTimer() {
    if (!mTimer) return;
    mTimer->invalidate();
    mTimer = nullptr;
}

void IGraphicsCocoa::onTimer() {
    if (!mGraphics) return;
    mGraphics->OnGUIIdle();
    IRECT area;
    mDirtyAreas.clear();
    if (!mGraphics->IsDirty(&area, &mDirtyAreas)) return;
    for (const IRECT& dirty : mDirtyAreas)
        setNeedsDisplayInRect(IGraphicsMac::ToNSRect(mGraphics, dirty));
}

IRECT IGraphicsCocoa::EditorRect(NSRect rect) const {
    if (!mGraphics) return IRECT();
    const NSRect box = bounds();
    const int w = mGraphics->Width(), h = mGraphics->Height();
    auto at = [](CGFloat value, int limit) {
        return static_cast<int>(std::clamp<CGFloat>(value, 0, limit));
    };
    return IRECT(at(std::floor(NSMinX(rect) - NSMinX(box)), w),
                 at(std::floor(NSMaxY(box) - NSMaxY(rect)), h),
                 at(std::ceil(NSMaxX(rect) - NSMinX(box)), w),
                 at(std::ceil(NSMaxY(box) - NSMinY(rect)), h));
}

void IGraphicsCocoa::drawRect(NSRect dirtyRect) {
    NSGraphicsContext* context = NSGraphicsContext::currentContext();
    if (!mGraphics || !context) return;
    CGContextRef port = context->CGContext();
    const NSRect* rects = nullptr;
    NSInteger count = 0;
    getRectsBeingDrawn(&rects, &count);
    if (count == 0) {
        rects = &dirtyRect;
        count = 1;
    }
    // Each area on its own, so that what lies between them is neither drawn nor copied.
    for (NSInteger i = 0; i < count && mGraphics; ++i) {
        CGContextSaveGState(port);
        CGContextClipToRect(port, rects[i]);
        mGraphics->Draw(EditorRect(rects[i]));
        CGContextRestoreGState(port);
    }
}

// ---- Events --------------------------------------------------------------------------------

std::pair<int, int> IGraphicsCocoa::EditorPoint(NSPoint locationInWindow) const {
    const NSPoint point = convertPointFromView(locationInWindow, nullptr);
    const NSRect box = bounds();
    return {static_cast<int>(std::floor(point.x - NSMinX(box))),
            static_cast<int>(std::floor(NSMaxY(box) - point.y))};
}

void IGraphicsCocoa::mouseDown(NSEvent* event) {
    if (!mGraphics) return NSView::mouseDown(event);
    const auto [x, y] = EditorPoint(event->locationInWindow());
    const IMouseMod mod = MouseMod(event, true, false);
    if (event->clickCount() > 1)
        mGraphics->OnMouseDblClick(x, y, mod);
    else
        mGraphics->OnMouseDown(x, y, mod);
}

void IGraphicsCocoa::mouseUp(NSEvent* event) {
    if (!mGraphics) return NSView::mouseUp(event);
    const auto [x, y] = EditorPoint(event->locationInWindow());
    mGraphics->OnMouseUp(x, y, MouseMod(event, true, false));
}

void IGraphicsCocoa::mouseDragged(NSEvent* event) {
    if (!mGraphics) return NSView::mouseDragged(event);
    const auto [x, y] = EditorPoint(event->locationInWindow());
    mGraphics->OnMouseDrag(x, y, MouseMod(event, true, false));
}

void IGraphicsCocoa::rightMouseDown(NSEvent* event) {
    if (!mGraphics) return NSView::rightMouseDown(event);
    const auto [x, y] = EditorPoint(event->locationInWindow());
    mGraphics->OnMouseDown(x, y, MouseMod(event, false, true));
}

void IGraphicsCocoa::rightMouseUp(NSEvent* event) {
    if (!mGraphics) return NSView::rightMouseUp(event);
    const auto [x, y] = EditorPoint(event->locationInWindow());
    mGraphics->OnMouseUp(x, y, MouseMod(event, false, true));
}

void IGraphicsCocoa::rightMouseDragged(NSEvent* event) {
    if (!mGraphics) return NSView::rightMouseDragged(event);
    const auto [x, y] = EditorPoint(event->locationInWindow());
    mGraphics->OnMouseDrag(x, y, MouseMod(event, false, true));
}

void IGraphicsCocoa::mouseMoved(NSEvent* event) {
    if (!mGraphics) return NSView::mouseMoved(event);
    const auto [x, y] = EditorPoint(event->locationInWindow());
    mGraphics->OnMouseOver(x, y, MouseMod(event, false, false));
}

void IGraphicsCocoa::scrollWheel(NSEvent* event) {
    if (!mGraphics) return NSView::scrollWheel(event);
    const auto [x, y] = EditorPoint(event->locationInWindow());
    mGraphics->OnMouseWheel(x, y, MouseMod(event, false, false),
                            static_cast<float>(event->deltaY()));
}

void IGraphicsCocoa::keyDown(NSEvent* event) {
    NSWindow* window = this->window();
    const int key = FirstCharacter(event->characters()->UTF8String());
    if (mGraphics && window && key > 0) {
        const auto [x, y] = EditorPoint(window->mouseLocationOutsideOfEventStream());
        if (mGraphics->OnKeyDown(x, y, key)) return;
    }
    NSView::keyDown(event);
}

void IGraphicsCocoa::cancelOperation(id sender) {
    if (mTextField)
        endUserInput();
    else
        NSView::cancelOperation(sender);
}

// ---- Popup menus ---------------------------------------------------------------------------

namespace {

// Where each choosable item of a menu tree came from: the menu and its index there.
using MenuItemOrigins = std::vector<std::tuple<NSMenuItem*, IPopupMenu*, int>>;

} // namespace

IPopupMenu* IGraphicsCocoa::createIPopupMenu(IPopupMenu* menu, NSRect rect) {
    if (!mGraphics || !menu) return nullptr;
    CocoaAutoReleasePool pool;
    MenuItemOrigins origins;
    NSMenuItem* checked = nullptr;
    // Builds the platform's menu for a menu of the editor, submenus included.
    auto build = [&](auto& self, IPopupMenu* from) -> NSMenu* {
        NSMenu* built = static_cast<NSMenu*>((new NSMenu)->autorelease());
        built->setAutoenablesItems(false);
        for (int i = 0; i < from->NItems(); ++i) {
            const IPopupMenu::Item* item = from->GetItem(i);
            if (item->GetIsSeparator()) {
                built->addItem(NSMenuItem::separatorItem());
                continue;
            }
            UTL_String label;
            from->GetItemLabel(i, &label);
            NSMenuItem* entry = (new NSMenuItem)
                                    ->initWithTitle(NSString::stringWithUTF8String(label.Get()),
                                                    NSString::string());
            if (IPopupMenu* submenu = item->GetSubmenu()) {
                entry->setSubmenu(self(self, submenu));
            } else {
                entry->setTarget(this);
                entry->setAction(&IGraphicsCocoa::menuItemChosen);
                origins.emplace_back(entry, from, i);
            }
            entry->setEnabled(item->GetEnabled() && !item->GetIsTitle());
            if (item->GetChecked()) {
                entry->setState(NSOnState);
                if (from == menu && !checked) checked = entry;
            }
            built->addItem(entry);
            entry->release();
        }
        return built;
    };
    NSMenu* shown = build(build, menu);

    // The current choice sits over the rectangle's top-left corner, as a popup button's does.
    mChosenMenuItem = nullptr;
    if (!shown->popUpMenuPositioningItem(checked, NSMakePoint(NSMinX(rect), NSMaxY(rect)), this))
        return nullptr;
    for (const auto& [entry, from, index] : origins) {
        if (entry == mChosenMenuItem) {
            from->SetChosenItemIdx(index);
            mChosenMenuItem = nullptr;
            return from;
        }
    }
    return nullptr;
}

void IGraphicsCocoa::menuItemChosen(id sender) {
    mChosenMenuItem = dynamic_cast<NSMenuItem*>(sender);
}

// ---- Text entry ----------------------------------------------------------------------------

void IGraphicsCocoa::createTextEntry(IControl* control, IParam* param, const IText* text,
                                     const char* str, NSRect areaRect) {
    if (!mGraphics || !control) return;
    endUserInput();
    CocoaAutoReleasePool pool;
    auto* field = static_cast<NSTextField*>((new NSTextField)->initWithFrame(areaRect));
    field->setStringValue(NSString::stringWithUTF8String(str ? str : ""));
    if (text) {
        field->setAlignment(AlignmentOf(text->align));
        field->setBackgroundColor(ColorOf(text->textEntryBGColor));
        field->setTextColor(ColorOf(text->textEntryFGColor));
    }
    const int length = control->GetTextEntryLength();
    field->setMaximumLength(length > 0 ? static_cast<NSUInteger>(length) : 0);
    field->setTarget(this);
    field->setAction(&IGraphicsCocoa::textEntryEnded);
    field->setSendsActionOnEndEditing(true);
    mTextField = field;
    mEditControl = control;
    mEditParam = param;
    addSubview(field);
    if (NSWindow* window = this->window()) window->makeFirstResponder(field);
}

void IGraphicsCocoa::textEntryEnded(id sender) {
    if (sender != mTextField || !mGraphics) return;
    const std::string text = mTextField->stringValue()->UTF8String();
    IControl* control = mEditControl;
    IParam* param = mEditParam;
    endUserInput();
    mGraphics->SetFromStringAfterPrompt(control, param, text.c_str());
}

void IGraphicsCocoa::endUserInput() {
    NSTextField* field = mTextField;
    if (!field) return;
    mTextField = nullptr;
    mEditControl = nullptr;
    mEditParam = nullptr;
    // Taking the keyboard back must not send the text on.
    field->setTarget(nullptr);
    NSWindow* window = this->window();
    if (window && window->firstResponder() == field) window->makeFirstResponder(this);
    field->removeFromSuperview();
    field->release();
}

// ---- Tool tips -----------------------------------------------------------------------------

void IGraphicsCocoa::registerToolTip(const IRECT& rect) {
    if (mGraphics) addToolTipRect(IGraphicsMac::ToNSRect(mGraphics, rect), this, nullptr);
}

NSString* IGraphicsCocoa::view(NSView*, NSToolTipTag, NSPoint point, void*) {
    if (!mGraphics) return nullptr;
    const NSRect box = bounds();
    const int x = static_cast<int>(std::floor(point.x - NSMinX(box)));
    const int y = static_cast<int>(std::floor(NSMaxY(box) - point.y));
    // The topmost control there that has a tool tip.
    for (int i = mGraphics->NControls() - 1; i >= 0; --i) {
        const IControl* control = mGraphics->GetControl(i);
        const char* tooltip = control->GetTooltip();
        if (!control->IsHidden() && tooltip && *tooltip && control->GetTargetRECT().Contains(x, y))
            return NSString::stringWithUTF8String(tooltip);
    }
    return nullptr;
}
