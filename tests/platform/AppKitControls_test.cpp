// The parts of AppKit an editor's prompts use: the rectangles a view is asked to draw, pop-up
// menus answered by the window system, and text fields typed into by the user.

#include "TestSupport.h"

#include <string>
#include <vector>

namespace {

using ControlsTest = HeadlessTest;

NSWindow* MakeWindow(NSRect contentRect) {
    return (new NSWindow)
        ->initWithContentRect(contentRect, NSTitledWindowMask, NSBackingStoreBuffered, false);
}

// Records the rectangles each drawRect is given and paints them white.
class RectsView : public NSView {
public:
    std::vector<NSRect> box;
    std::vector<std::vector<NSRect>> rects;

    void drawRect(NSRect dirtyRect) override {
        box.push_back(dirtyRect);
        const NSRect* drawn = nullptr;
        NSInteger count = 0;
        getRectsBeingDrawn(&drawn, &count);
        rects.emplace_back(drawn, drawn + count);
        auto* port = NSGraphicsContext::currentContext()->CGContext();
        CGContextSetRGBFillColor(port, 1, 1, 1, 1);
        for (NSInteger i = 0; i < count; ++i)
            CGContextFillRect(port, drawn[i]);
    }
};

bool Same(const std::vector<NSRect>& a, const std::vector<NSRect>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!NSEqualRects(a[i], b[i])) return false;
    return true;
}

TEST_F(ControlsTest, ViewsAreToldEachRectangleToDrawNotJustTheirBoundingBox) {
    NSWindow* window = MakeWindow(NSMakeRect(0, 0, 100, 50));
    auto* view = static_cast<RectsView*>((new RectsView)->initWithFrame(NSMakeRect(0, 0, 100, 50)));
    window->setContentView(view);
    view->release();
    window->orderFront(nullptr);
    RunUntil(0);
    ASSERT_EQ(view->rects.size(), 1u);
    EXPECT_TRUE(Same(view->rects[0], {NSMakeRect(0, 0, 100, 50)})) << "first, everything";

    NSRect* rects = nullptr;
    NSInteger count = 7;
    view->getRectsBeingDrawn(const_cast<const NSRect**>(&rects), &count);
    EXPECT_EQ(count, 0) << "outside drawRect there is nothing being drawn";

    // Two far apart, and a third overlapping the first: the two that overlap become one.
    view->setNeedsDisplayInRect(NSMakeRect(0, 0, 10, 10));
    view->setNeedsDisplayInRect(NSMakeRect(80, 30, 10, 10));
    view->setNeedsDisplayInRect(NSMakeRect(5, 5, 10, 10));
    RunUntil(0);
    ASSERT_EQ(view->rects.size(), 2u);
    EXPECT_TRUE(NSEqualRects(view->box[1], NSMakeRect(0, 0, 90, 40)));
    EXPECT_TRUE(Same(view->rects[1], {NSMakeRect(80, 30, 10, 10), NSMakeRect(0, 0, 15, 15)}));
    EXPECT_FALSE(view->needsDisplay());

    // Many small ones are drawn as their bounding box.
    for (int i = 0; i < 33; ++i)
        view->setNeedsDisplayInRect(NSMakeRect(2 * i, 0, 1, 1));
    RunUntil(0);
    ASSERT_EQ(view->rects.size(), 3u);
    EXPECT_TRUE(Same(view->rects[2], {NSMakeRect(0, 0, 65, 1)}));

    // An explicit display draws just what it is asked.
    view->displayRect(NSMakeRect(20, 20, 5, 5));
    EXPECT_TRUE(Same(view->rects.back(), {NSMakeRect(20, 20, 5, 5)}));
    window->release();
}

TEST_F(ControlsTest, ViewsThatAreNotOpaqueClearOnlyTheRectanglesBeingDrawn) {
    auto* view = static_cast<RectsView*>((new RectsView)->initWithFrame(NSMakeRect(0, 0, 30, 1)));
    view->display();
    ASSERT_EQ(PixelAt(view->backingStore(), 15, 0), 0xFFFFFFFFu);
    // Drawn apart: the pixels between the two rectangles keep what they had.
    view->setNeedsDisplayInRect(NSMakeRect(0, 0, 5, 1));
    view->setNeedsDisplayInRect(NSMakeRect(25, 0, 5, 1));
    view->displayIfNeeded();
    EXPECT_EQ(PixelAt(view->backingStore(), 15, 0), 0xFFFFFFFFu);
    EXPECT_EQ(view->rects.back().size(), 2u);
    view->release();
}

// ---- Menus ---------------------------------------------------------------------------------

class MenuTarget : public NSObject {
public:
    std::vector<std::string> chosen;
    void choose(id sender) {
        chosen.emplace_back(static_cast<NSMenuItem*>(sender)->title()->UTF8String());
    }
};

NSMenuItem* AddItem(NSMenu* menu, const char* title, MenuTarget* target) {
    NSMenuItem* item =
        (new NSMenuItem)->initWithTitle(NSString::stringWithUTF8String(title), NSString::string());
    if (target) {
        item->setTarget(target);
        item->setAction(&MenuTarget::choose);
    }
    menu->addItem(item);
    item->release();
    return item;
}

TEST_F(ControlsTest, MenusShowTheirItemsAndSendTheChosenOnesAction) {
    auto* target = new MenuTarget;
    NSMenu* menu = new NSMenu;
    AddItem(menu, "Square", target)->setState(NSOnState);
    AddItem(menu, "Circle", target)->setEnabled(false);
    menu->addItem(NSMenuItem::separatorItem());
    NSMenu* more = new NSMenu;
    AddItem(more, "Hexagon", target);
    AddItem(more, "Star", target);
    AddItem(menu, "More", nullptr)->setSubmenu(more);
    more->release();
    AddItem(menu, "Nothing to do", nullptr);

    NSWindow* window = MakeWindow(NSMakeRect(100, 200, 50, 50));
    NSView* view = (new NSView)->initWithFrame(NSMakeRect(10, 10, 20, 20));
    window->contentView()->addSubview(view);
    view->release();

    headless->script.menuChoices = {{0}, {3, 1}, {1}, {2}, {3}, {3, 5}, {4}, {9}};
    EXPECT_TRUE(menu->popUpMenuPositioningItem(menu->itemAtIndex(0), NSMakePoint(5, 5), view));
    EXPECT_TRUE(menu->popUpMenuPositioningItem(nullptr, NSMakePoint(5, 5), view));
    EXPECT_EQ(target->chosen, (std::vector<std::string>{"Square", "Star"}));
    // A disabled item, a separator, a submenu's own item, a submenu past its end, an item
    // without action (disabled by autoenabling) and an item past the end choose nothing.
    for (int i = 0; i < 6; ++i)
        EXPECT_FALSE(menu->popUpMenuPositioningItem(nullptr, NSZeroPoint, nullptr)) << i;
    EXPECT_FALSE(menu->popUpMenuPositioningItem(nullptr, NSZeroPoint, nullptr)) << "dismissed";
    EXPECT_EQ(target->chosen.size(), 2u);

    ASSERT_EQ(headless->record.menus.size(), 9u);
    const MenuRequest& shown = headless->record.menus[0];
    ASSERT_EQ(shown.items.size(), 5u);
    EXPECT_EQ(shown.items[0].title, "Square");
    EXPECT_TRUE(shown.items[0].checked);
    EXPECT_FALSE(shown.items[1].enabled);
    EXPECT_TRUE(shown.items[2].separator);
    EXPECT_TRUE(shown.items[3].hasSubmenu);
    ASSERT_EQ(shown.items[3].submenu.size(), 2u);
    EXPECT_EQ(shown.items[3].submenu[1].title, "Star");
    EXPECT_FALSE(shown.items[4].enabled);
    // The view's point (5, 5) lies at (15, 15) in the window, whose content starts at (100, 200).
    EXPECT_EQ(shown.location.x, 115);
    EXPECT_EQ(shown.location.y, 215);

    menu->setAutoenablesItems(false);
    headless->script.menuChoices = {{4}};
    EXPECT_TRUE(menu->popUpMenuPositioningItem(nullptr, NSZeroPoint, nullptr))
        << "chosen, though it has no action to send";
    EXPECT_EQ(target->chosen.size(), 2u);

    // An item belongs to one menu.
    NSMenu* other = new NSMenu;
    other->addItem(menu->itemAtIndex(0));
    EXPECT_EQ(other->numberOfItems(), 0);
    other->release();
    menu->release();
    window->release();
    target->release();
}

// ---- Text fields ---------------------------------------------------------------------------

class FieldHost : public NSView {
public:
    std::vector<std::string> sent;
    int cancels = 0;
    void ended(id sender) {
        sent.emplace_back(static_cast<NSTextField*>(sender)->stringValue()->UTF8String());
    }
    void cancelOperation(id) override { ++cancels; }
    bool acceptsFirstResponder() override { return true; }
};

void Type(NSWindow* window, const char* characters) {
    NSString* text = NSString::stringWithUTF8String(characters);
    window->sendEvent(NSEvent::keyEventWithType(
        NSKeyDown, NSZeroPoint, 0, 0, window->windowNumber(), nullptr, text, text, false, 0));
}

struct FieldFixture {
    NSWindow* window;
    FieldHost* host;
    NSTextField* field;

    FieldFixture() {
        window = MakeWindow(NSMakeRect(0, 0, 200, 100));
        host = static_cast<FieldHost*>((new FieldHost)->initWithFrame(NSMakeRect(0, 0, 200, 100)));
        window->setContentView(host);
        host->release();
        field =
            static_cast<NSTextField*>((new NSTextField)->initWithFrame(NSMakeRect(10, 10, 80, 20)));
        field->setStringValue(NSSTR("5000"));
        field->setTarget(host);
        field->setAction(&FieldHost::ended);
        host->addSubview(field);
        field->release();
        window->orderFront(nullptr);
    }
    ~FieldFixture() { window->release(); }
};

TEST_F(ControlsTest, TextFieldsAreTypedIntoAndSendTheirActionOnReturn) {
    FieldFixture f;
    ASSERT_TRUE(f.window->makeFirstResponder(f.field));
    ASSERT_EQ(headless->record.textInputs, std::vector<std::string>{"5000"});
    Type(f.window, "1");
    EXPECT_STREQ(f.field->stringValue()->UTF8String(), "1") << "the selected text is replaced";
    Type(f.window, "2");
    Type(f.window, "\xC3\xA9"); // one character of two bytes
    Type(f.window, "\x7F");
    Type(f.window, "5");
    EXPECT_STREQ(f.field->stringValue()->UTF8String(), "125");
    f.field->setMaximumLength(4);
    Type(f.window, "678");
    EXPECT_STREQ(f.field->stringValue()->UTF8String(), "1256");
    EXPECT_TRUE(f.host->sent.empty());
    Type(f.window, "\r");
    EXPECT_EQ(f.host->sent, std::vector<std::string>{"1256"});

    Type(f.window, "\x1B");
    EXPECT_EQ(f.host->cancels, 1) << "Escape asks the responder chain to cancel";

    // Leaving after an edit sends the action when the field says so.
    f.field->setSendsActionOnEndEditing(true);
    ASSERT_TRUE(f.window->makeFirstResponder(f.host));
    EXPECT_EQ(f.host->sent.size(), 1u) << "nothing typed since Return";
    ASSERT_TRUE(f.window->makeFirstResponder(f.field));
    Type(f.window, "9");
    ASSERT_TRUE(f.window->makeFirstResponder(f.host));
    EXPECT_EQ(f.host->sent, (std::vector<std::string>{"1256", "9"}));
    ASSERT_TRUE(f.window->makeFirstResponder(f.field));
    ASSERT_TRUE(f.window->makeFirstResponder(f.host));
    EXPECT_EQ(f.host->sent.size(), 2u) << "not without an edit";
}

TEST_F(ControlsTest, TheHeadlessUserTypesItsScriptWhenTheRunLoopWaits) {
    FieldFixture f;
    headless->script.typedTexts = {"-3.5"};
    ASSERT_TRUE(f.window->makeFirstResponder(f.field));
    EXPECT_TRUE(f.host->sent.empty()) << "nothing is typed before the program waits";
    RunUntil(1);
    EXPECT_EQ(f.host->sent, std::vector<std::string>{"-3.5"});
    EXPECT_TRUE(headless->script.typedTexts.empty());

    // A field that lost the keyboard before the wait gets nothing.
    headless->script.typedTexts = {"7"};
    ASSERT_TRUE(f.window->makeFirstResponder(f.field));
    ASSERT_TRUE(f.window->makeFirstResponder(f.host));
    RunUntil(2);
    EXPECT_EQ(f.host->sent.size(), 1u);
    EXPECT_EQ(headless->script.typedTexts.size(), 1u);
}

TEST_F(ControlsTest, TextFieldsDrawTheirBackgroundAndFrame) {
    FieldFixture f;
    f.field->setBackgroundColor(NSColor::colorWithCalibratedRed(1, 0, 0, 1));
    f.field->setTextColor(NSColor::colorWithCalibratedRed(0, 0, 2, -1));
    EXPECT_EQ(f.field->textColor()->blueComponent(), 1) << "components are held to 0..1";
    EXPECT_EQ(f.field->textColor()->alphaComponent(), 0);
    f.field->setBackgroundColor(nullptr);
    EXPECT_EQ(f.field->backgroundColor()->redComponent(), 1) << "null leaves it as it was";
    f.field->display();
    EXPECT_EQ(PixelAt(f.field->backingStore(), 40, 10), 0xFFFF0000u);
}

} // namespace
