// Pop-up menus: override-redirect windows listing the items, one per open submenu, tracking
// the pointer and the keys under a grab.
#include "X11Connection.h"

#include <X11/keysym.h>

#include <algorithm>

namespace {

constexpr uint32_t kBackground = 0xF2F2F2;
constexpr uint32_t kFrame = 0x8C8C8C;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kDisabledText = 0x9A9A9A;
constexpr uint32_t kHighlight = 0x3874D8;
constexpr uint32_t kHighlightText = 0xFFFFFF;
constexpr uint32_t kSeparator = 0xCFCFCF;
constexpr int kPadding = 4;      // above the first item and below the last
constexpr int kCheckColumn = 22; // room for the check mark, left of the titles
constexpr int kArrowColumn = 18; // room for a submenu's arrow, right of the titles
constexpr int kSeparatorHeight = 7;
// A release this soon after the menu opened ends the click that opened it, not a choice.
constexpr unsigned long kClickThroughMs = 300;

using Item = MenuRequest::Item;

bool Choosable(const Item& item) {
    return item.enabled && !item.separator && !item.hasSubmenu;
}

bool Highlightable(const Item& item) {
    return item.enabled && !item.separator;
}

class PopUp {
public:
    PopUp(X11WindowSystem::Connection& connection, const MenuRequest& request)
        : mConnection(connection), mRequest(request) {}
    ~PopUp() { CloseFrom(0); }
    PopUp(const PopUp&) = delete;
    PopUp& operator=(const PopUp&) = delete;

    MenuChoice Run();

private:
    struct Level {
        const std::vector<Item>* items;
        Window xid = 0;
        X11Rect frame;                  // on the screen
        std::vector<X11Rect> itemRects; // in the window
        int hover = -1;
    };

    int ItemHeight() const { return mConnection.Ascent() + mConnection.Descent() + 6; }
    // Opens a level whose item at anchor has its top at (x, y) on the screen; when it would
    // leave the screen on the right it goes left of leftAlternative instead.
    void Open(const std::vector<Item>& items, int anchor, int x, int y, int leftAlternative);
    void CloseFrom(size_t level);
    void Draw(const Level& level);
    bool Handle(XEvent& event);
    // The level and item at a screen point; level -1 outside every level.
    std::pair<int, int> Hit(int x, int y) const;
    void Hover(size_t level, int item);
    void Choose(size_t level, int item);
    void MoveHover(int step);

    X11WindowSystem::Connection& mConnection;
    const MenuRequest& mRequest;
    std::vector<Level> mLevels;
    MenuChoice mChoice;
    bool mDone = false;
    bool mMoved = false;
    unsigned long mOpenedAt = 0; // server time of the first event seen
    bool mTimeKnown = false;
};

void PopUp::Open(const std::vector<Item>& items, int anchor, int x, int y, int leftAlternative) {
    Level level;
    level.items = &items;
    int width = 0, top = kPadding;
    for (const Item& item : items) {
        width = std::max(width, mConnection.TextWidth(item.title));
        const int height = item.separator ? kSeparatorHeight : ItemHeight();
        level.itemRects.push_back(X11Rect{0, top, 0, top + height});
        top += height;
    }
    width += kCheckColumn + kArrowColumn;
    for (X11Rect& rect : level.itemRects)
        rect.right = width;
    const int height = top + kPadding;
    if (anchor >= 0 && anchor < static_cast<int>(items.size())) y -= level.itemRects[anchor].top;

    const int screenWidth = XDisplayWidth(mConnection.display, mConnection.screen);
    const int screenHeight = mConnection.ScreenHeight();
    if (x + width > screenWidth) x = std::max(0, leftAlternative - width);
    y = std::clamp(y, 0, std::max(0, screenHeight - height));
    x = std::clamp(x, 0, std::max(0, screenWidth - width));
    level.frame = X11Rect{x, y, x + width, y + height};

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.save_under = True;
    attributes.background_pixel = mConnection.Pixel(kBackground);
    attributes.event_mask =
        ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
    level.xid = XCreateWindow(
        mConnection.display, mConnection.root, x, y, static_cast<unsigned>(width),
        static_cast<unsigned>(height), 0, mConnection.depth, InputOutput, mConnection.visual,
        CWOverrideRedirect | CWSaveUnder | CWBackPixel | CWEventMask, &attributes);
    // Not shown with an override-redirect window, but it tells tools and tests what it is.
    XStoreName(mConnection.display, level.xid, "Menu");
    XMapRaised(mConnection.display, level.xid);
    mLevels.push_back(std::move(level));
}

void PopUp::CloseFrom(size_t level) {
    while (mLevels.size() > level) {
        XDestroyWindow(mConnection.display, mLevels.back().xid);
        mLevels.pop_back();
    }
}

void PopUp::Draw(const Level& level) {
    X11WindowSystem::Connection& c = mConnection;
    const int width = level.frame.Width(), height = level.frame.Height();
    c.FillRect(level.xid, X11Rect{0, 0, width, height}, kBackground);
    for (size_t i = 0; i < level.items->size(); ++i) {
        const Item& item = (*level.items)[i];
        const X11Rect& rect = level.itemRects[i];
        if (item.separator) {
            const int middle = (rect.top + rect.bottom) / 2;
            c.FillRect(level.xid, X11Rect{4, middle, width - 4, middle + 1}, kSeparator);
            continue;
        }
        const bool lit = static_cast<int>(i) == level.hover && Highlightable(item);
        if (lit) c.FillRect(level.xid, rect, kHighlight);
        const uint32_t color = !item.enabled ? kDisabledText : lit ? kHighlightText : kText;
        const int baseline = rect.top + (rect.Height() + c.Ascent() - c.Descent()) / 2;
        c.DrawText(level.xid, kCheckColumn, baseline, item.title, color);
        const int middle = (rect.top + rect.bottom) / 2;
        XSetForeground(c.display, c.gc, c.Pixel(color));
        if (item.checked) {
            XPoint tick[] = {{7, static_cast<short>(middle)},
                             {10, static_cast<short>(middle + 3)},
                             {16, static_cast<short>(middle - 4)}};
            XSetLineAttributes(c.display, c.gc, 2, LineSolid, CapRound, JoinRound);
            XDrawLines(c.display, level.xid, c.gc, tick, 3, CoordModeOrigin);
            XSetLineAttributes(c.display, c.gc, 0, LineSolid, CapButt, JoinMiter);
        }
        if (item.hasSubmenu) {
            const short right = static_cast<short>(width - 8);
            XPoint arrow[] = {{static_cast<short>(right - 5), static_cast<short>(middle - 4)},
                              {right, static_cast<short>(middle)},
                              {static_cast<short>(right - 5), static_cast<short>(middle + 4)}};
            XFillPolygon(c.display, level.xid, c.gc, arrow, 3, Convex, CoordModeOrigin);
        }
    }
    XSetForeground(c.display, c.gc, c.Pixel(kFrame));
    XDrawRectangle(c.display, level.xid, c.gc, 0, 0, static_cast<unsigned>(width - 1),
                   static_cast<unsigned>(height - 1));
}

std::pair<int, int> PopUp::Hit(int x, int y) const {
    for (int l = static_cast<int>(mLevels.size()) - 1; l >= 0; --l) {
        const Level& level = mLevels[static_cast<size_t>(l)];
        if (!level.frame.Contains(x, y)) continue;
        for (size_t i = 0; i < level.itemRects.size(); ++i)
            if (level.itemRects[i].Contains(x - level.frame.left, y - level.frame.top))
                return {l, static_cast<int>(i)};
        return {l, -1};
    }
    return {-1, -1};
}

void PopUp::Hover(size_t level, int item) {
    Level& shown = mLevels[level];
    const bool sameItem = shown.hover == item;
    shown.hover = item;
    const Item* over = item >= 0 && item < static_cast<int>(shown.items->size())
                           ? &(*shown.items)[size_t(item)]
                           : nullptr;
    // A submenu stays while its item is hovered; any other hover closes it.
    if (!(sameItem && mLevels.size() > level + 1)) {
        CloseFrom(level + 1);
        if (over && over->hasSubmenu && over->enabled && !over->submenu.empty()) {
            const X11Rect& rect = shown.itemRects[size_t(item)];
            Open(over->submenu, 0, shown.frame.right - 2, shown.frame.top + rect.top,
                 shown.frame.left + 2);
        }
    }
    Draw(mLevels[level]);
}

void PopUp::Choose(size_t level, int item) {
    mChoice.clear();
    for (size_t l = 0; l < level; ++l)
        mChoice.push_back(mLevels[l].hover);
    mChoice.push_back(item);
    mDone = true;
}

void PopUp::MoveHover(int step) {
    Level& level = mLevels.back();
    const int count = static_cast<int>(level.items->size());
    int item = level.hover;
    for (int tries = 0; tries < count; ++tries) {
        item = item < 0 ? (step > 0 ? 0 : count - 1) : (item + step + count) % count;
        if (Highlightable((*level.items)[size_t(item)])) {
            Hover(mLevels.size() - 1, item);
            return;
        }
    }
}

bool PopUp::Handle(XEvent& event) {
    const bool ours = std::any_of(mLevels.begin(), mLevels.end(), [&](const Level& level) {
        return level.xid == event.xany.window;
    });
    if (!ours) return false;
    switch (event.type) {
    case Expose:
        for (const Level& level : mLevels)
            if (level.xid == event.xexpose.window && event.xexpose.count == 0) Draw(level);
        break;
    case MotionNotify: {
        if (!mTimeKnown) mOpenedAt = event.xmotion.time, mTimeKnown = true;
        mMoved = true;
        const auto [level, item] = Hit(event.xmotion.x_root, event.xmotion.y_root);
        if (level >= 0 && item != mLevels[size_t(level)].hover) Hover(size_t(level), item);
        break;
    }
    case ButtonPress: {
        if (!mTimeKnown) mOpenedAt = event.xbutton.time, mTimeKnown = true;
        if (Hit(event.xbutton.x_root, event.xbutton.y_root).first < 0) mDone = true;
        break;
    }
    case ButtonRelease: {
        const unsigned long since =
            mTimeKnown ? (event.xbutton.time - mOpenedAt) & 0xFFFFFFFFul : 0;
        if (!mTimeKnown) mOpenedAt = event.xbutton.time, mTimeKnown = true;
        const bool openingClick = !mMoved || since < kClickThroughMs;
        const auto [level, item] = Hit(event.xbutton.x_root, event.xbutton.y_root);
        if (level >= 0 && item >= 0 && Choosable((*mLevels[size_t(level)].items)[size_t(item)])) {
            if (!openingClick || since >= kClickThroughMs) Choose(size_t(level), item);
        } else if (level < 0 && since >= kClickThroughMs) {
            mDone = true;
        }
        break;
    }
    case KeyPress: {
        const KeySym key = XLookupKeysym(&event.xkey, 0);
        Level& deepest = mLevels.back();
        const int hover = deepest.hover;
        const Item* item = hover >= 0 ? &(*deepest.items)[size_t(hover)] : nullptr;
        if (key == XK_Escape) {
            mDone = true;
        } else if (key == XK_Up || key == XK_Down) {
            MoveHover(key == XK_Up ? -1 : 1);
        } else if (key == XK_Left && mLevels.size() > 1) {
            CloseFrom(mLevels.size() - 1);
            Draw(mLevels.back());
        } else if ((key == XK_Right || key == XK_Return || key == XK_KP_Enter || key == XK_space) &&
                   item && item->hasSubmenu && item->enabled) {
            // Hovering opened it; the keys step into it.
            if (mLevels.size() == size_t(&deepest - mLevels.data()) + 1)
                Hover(mLevels.size() - 1, hover);
            MoveHover(1);
        } else if ((key == XK_Return || key == XK_KP_Enter || key == XK_space) && item &&
                   Choosable(*item)) {
            Choose(mLevels.size() - 1, hover);
        }
        break;
    }
    default:
        break;
    }
    return true;
}

MenuChoice PopUp::Run() {
    const int screenHeight = mConnection.ScreenHeight();
    Open(mRequest.items, mRequest.positionedItem, static_cast<int>(mRequest.location.x),
         screenHeight - static_cast<int>(mRequest.location.y),
         static_cast<int>(mRequest.location.x));
    Display* display = mConnection.display;
    const Window grabber = mLevels.front().xid;
    // Everything the pointer and the keyboard do goes to the menu until it closes.
    XGrabPointer(display, grabber, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                 GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    XGrabKeyboard(display, grabber, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    mConnection.RunModal([this](XEvent& event) { return Handle(event); }, [this] { return mDone; });
    XUngrabKeyboard(display, CurrentTime);
    XUngrabPointer(display, CurrentTime);
    CloseFrom(0);
    XFlush(display);
    return mChoice;
}

} // namespace

MenuChoice X11WindowSystem::PopUpMenu(const MenuRequest& request) {
    if (request.items.empty()) return MenuChoice();
    PopUp popUp(*mConnection, request);
    return popUp.Run();
}
