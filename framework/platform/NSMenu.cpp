// Menus and menu items, popped up through the window system.

#include "PlatformRuntime.h"

#include <algorithm>

namespace {

template <class T> void Replace(T*& member, T* value) {
    if (value) value->retain();
    if (member) member->release();
    member = value;
}

} // namespace

// ---- Items ---------------------------------------------------------------------------------

NSMenuItem::NSMenuItem()
    : mTitle(static_cast<NSString*>(NSString::string()->retain())),
      mKeyEquivalent(static_cast<NSString*>(NSString::string()->retain())) {}

NSMenuItem::~NSMenuItem() {
    Replace<NSString>(mTitle, nullptr);
    Replace<NSString>(mKeyEquivalent, nullptr);
    Replace<NSMenu>(mSubmenu, nullptr);
}

NSMenuItem* NSMenuItem::separatorItem() {
    auto* item = new NSMenuItem;
    item->mSeparator = true;
    item->mEnabled = false;
    return static_cast<NSMenuItem*>(item->autorelease());
}

NSMenuItem* NSMenuItem::initWithTitle(NSString* title, NSString* keyEquivalent) {
    setTitle(title);
    if (keyEquivalent) Replace(mKeyEquivalent, keyEquivalent);
    return this;
}

void NSMenuItem::setTitle(NSString* title) {
    Replace(mTitle, title ? title : NSString::string());
}

void NSMenuItem::setSubmenu(NSMenu* submenu) {
    Replace(mSubmenu, submenu);
}

// ---- Menus ---------------------------------------------------------------------------------

NSMenu::NSMenu() = default;

NSMenu::~NSMenu() {
    for (NSMenuItem* item : mItems) {
        item->mMenu = nullptr;
        item->release();
    }
}

void NSMenu::addItem(NSMenuItem* item) {
    insertItem(item, numberOfItems());
}

void NSMenu::insertItem(NSMenuItem* item, NSInteger index) {
    if (!item || item->mMenu || index < 0 || index > numberOfItems()) return;
    item->retain();
    item->mMenu = this;
    mItems.insert(mItems.begin() + index, item);
}

NSMenuItem* NSMenu::itemAtIndex(NSInteger index) const {
    return index >= 0 && index < numberOfItems() ? mItems[static_cast<size_t>(index)] : nullptr;
}

bool NSMenu::ShowsEnabled(const NSMenuItem* item) const {
    if (item->isSeparatorItem() || !item->isEnabled()) return false;
    return !mAutoenablesItems || item->hasAction() || item->hasSubmenu();
}

namespace {

void Describe(const NSMenu* menu, std::vector<MenuRequest::Item>& items,
              bool (NSMenu::*showsEnabled)(const NSMenuItem*) const) {
    for (NSInteger i = 0; i < menu->numberOfItems(); ++i) {
        const NSMenuItem* item = menu->itemAtIndex(i);
        MenuRequest::Item described;
        described.title = item->title()->UTF8String();
        described.enabled = (menu->*showsEnabled)(item);
        described.checked = item->state() == NSOnState;
        described.separator = item->isSeparatorItem();
        described.hasSubmenu = item->hasSubmenu();
        if (item->hasSubmenu()) Describe(item->submenu(), described.submenu, showsEnabled);
        items.push_back(std::move(described));
    }
}

} // namespace

bool NSMenu::popUpMenuPositioningItem(NSMenuItem* item, NSPoint location, NSView* view) {
    retain(); // the chosen item's action may let go of the menu
    MenuRequest request;
    Describe(this, request.items, &NSMenu::ShowsEnabled);
    const auto found = std::find(mItems.begin(), mItems.end(), item);
    request.positionedItem = found == mItems.end() ? 0 : static_cast<int>(found - mItems.begin());
    NSPoint screen = location;
    if (view) {
        screen = view->convertPointToView(location, nullptr);
        if (NSWindow* window = view->window()) screen = window->convertBaseToScreen(screen);
    }
    request.location = screen;
    const MenuChoice choice = GetWindowSystem().PopUpMenu(request);

    // The choice names an item that can be chosen, through submenus that can be opened.
    NSMenuItem* chosen = nullptr;
    const NSMenu* menu = this;
    for (size_t step = 0; step < choice.size() && menu; ++step) {
        NSMenuItem* candidate = menu->itemAtIndex(choice[step]);
        if (!candidate || !menu->ShowsEnabled(candidate)) break;
        const bool last = step + 1 == choice.size();
        if (last != !candidate->hasSubmenu()) break;
        if (last) chosen = candidate;
        menu = candidate->submenu();
    }
    if (chosen) {
        chosen->retain();
        chosen->mAction.Send(chosen);
        chosen->release();
    }
    release();
    return chosen != nullptr;
}
