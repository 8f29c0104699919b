// The X window system: the connection, windows and their pixels, input, the run loop's waits
// and the cursor.
// First: X.h makes CurrentTime a macro, which the trace log's function of that name must precede.
#include "Trace.h"

#include "X11Connection.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

// Seconds from the Unix epoch to the platform's reference date, 2001-01-01 UTC.
constexpr double kReferenceDateOffset = 978307200.0;
// The longest a thread without input to handle sleeps at once.
constexpr double kLongestSleep = 1.0;

constexpr long kWindowEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                               PointerMotionMask | KeyPressMask | KeyReleaseMask |
                               StructureNotifyMask | FocusChangeMask;

// ---- Errors: X reports failed requests (a window gone, a cursor font missing) to a handler
// that by default ends the process. Ours only notes them, for our connections; others go to
// the handler installed before ours (a host's, when this runs as its plug-in).

std::mutex gErrorMutex;
std::vector<Display*> gDisplays;
XErrorHandler gPreviousHandler = nullptr;

int HandleXError(Display* display, XErrorEvent* error) {
    XErrorHandler previous = nullptr;
    {
        std::lock_guard<std::mutex> lock(gErrorMutex);
        if (std::find(gDisplays.begin(), gDisplays.end(), display) == gDisplays.end())
            previous = gPreviousHandler;
    }
    if (previous) return previous(display, error);
    char text[128] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    TRACE("X error %s (request %d.%d)", text, error->request_code, error->minor_code);
    return 0;
}

void AddDisplay(Display* display) {
    std::lock_guard<std::mutex> lock(gErrorMutex);
    if (gDisplays.empty()) gPreviousHandler = XSetErrorHandler(HandleXError);
    gDisplays.push_back(display);
}

void RemoveDisplay(Display* display) {
    std::lock_guard<std::mutex> lock(gErrorMutex);
    gDisplays.erase(std::remove(gDisplays.begin(), gDisplays.end(), display), gDisplays.end());
    if (!gDisplays.empty()) return;
    // Put the earlier handler back unless another was installed over ours meanwhile.
    XErrorHandler current = XSetErrorHandler(gPreviousHandler);
    if (current != HandleXError) XSetErrorHandler(current);
    gPreviousHandler = nullptr;
}

// The pixel rectangle an area (view coordinates) of a view covers in its window, y down.
X11Rect WindowRectOf(NSView* view, NSRect area, int windowHeight) {
    const NSRect base = view->convertRectToView(area, nullptr);
    return X11Rect{static_cast<int>(std::floor(NSMinX(base))),
                   static_cast<int>(std::floor(windowHeight - NSMaxY(base))),
                   static_cast<int>(std::ceil(NSMaxX(base))),
                   static_cast<int>(std::ceil(windowHeight - NSMinY(base)))};
}

// Where a view's backing store lies in its window: the window pixel of its top-left pixel.
void StoreOrigin(NSView* view, int windowHeight, int* x, int* y) {
    const NSRect bounds = view->bounds();
    const NSPoint corner =
        view->isFlipped() ? bounds.origin : NSMakePoint(NSMinX(bounds), NSMaxY(bounds));
    const NSPoint base = view->convertPointToView(corner, nullptr);
    *x = static_cast<int>(std::lround(base.x));
    *y = static_cast<int>(std::lround(windowHeight - base.y));
}

struct TextFieldShown {
    NSTextField* field;
    X11Rect frame;   // in the window
    X11Rect visible; // of the frame
};

// Draws the view's store and those of its subviews over the area of the composite.
void Compose(NSView* view, const X11Rect& clip, X11WindowRecord& record,
             std::vector<TextFieldShown>& fields) {
    int originX = 0, originY = 0;
    StoreOrigin(view, record.height, &originX, &originY);
    const NSSize size = view->frame().size;
    const X11Rect frame{originX, originY, originX + static_cast<int>(std::lround(size.width)),
                        originY + static_cast<int>(std::lround(size.height))};
    const X11Rect visible = clip.Intersect(frame);
    if (visible.IsEmpty()) return;

    if (CGContextRef store = view->backingStore()) {
        const auto* bytes = static_cast<const unsigned char*>(CGBitmapContextGetData(store));
        const size_t rowBytes = CGBitmapContextGetBytesPerRow(store);
        const int storeWidth = static_cast<int>(CGBitmapContextGetWidth(store));
        const int storeHeight = static_cast<int>(CGBitmapContextGetHeight(store));
        const CGFloat scale = view->backingScaleFactor();
        std::vector<uint32_t> row(static_cast<size_t>(visible.Width()));
        for (int y = visible.top; y < visible.bottom && bytes; ++y) {
            const int storeY = static_cast<int>((y - originY) * scale);
            if (storeY < 0 || storeY >= storeHeight) continue;
            const auto* source = reinterpret_cast<const uint32_t*>(bytes + storeY * rowBytes);
            int count = 0;
            for (int x = visible.left; x < visible.right; ++x) {
                const int storeX = static_cast<int>((x - originX) * scale);
                row[count++] = storeX >= 0 && storeX < storeWidth ? source[storeX] : 0;
            }
            uint32_t* onto =
                record.composite.data() + size_t(y) * size_t(record.width) + size_t(visible.left);
            if (view->isOpaque())
                std::copy_n(row.data(), count, onto);
            else
                X11BlendRow(row.data(), onto, count);
        }
    }
    if (auto* field = dynamic_cast<NSTextField*>(view)) fields.push_back({field, frame, visible});
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    NSArray<NSView*>* subviews = view->subviews();
    for (NSUInteger i = 0; i < subviews->count(); ++i)
        Compose(subviews->objectAtIndex(i), visible, record, fields);
    pool->release();
}

uint32_t RGBOf(NSColor* color) {
    auto channel = [](CGFloat value) {
        return static_cast<uint32_t>(std::lround(std::clamp<CGFloat>(value, 0, 1) * 255));
    };
    return channel(color->redComponent()) << 16 | channel(color->greenComponent()) << 8 |
           channel(color->blueComponent());
}

// The text a field shows: its value, with the place typing goes (its end) kept in sight.
void DrawFieldText(X11WindowSystem::Connection& connection, Drawable drawable,
                   const TextFieldShown& shown) {
    NSTextField* field = shown.field;
    const std::string text = field->stringValue()->UTF8String();
    const X11Rect& frame = shown.frame;
    constexpr int kInset = 3;
    const int room = frame.Width() - 2 * kInset;
    const int width = connection.TextWidth(text);
    int x = frame.left + kInset;
    if (width > room)
        x = frame.right - kInset - width;
    else if (field->alignment() == NSCenterTextAlignment)
        x += (room - width) / 2;
    else if (field->alignment() == NSRightTextAlignment)
        x += room - width;
    const int ascent = connection.Ascent(), descent = connection.Descent();
    const int baseline = frame.top + (frame.Height() + ascent - descent) / 2;

    XRectangle clip{static_cast<short>(shown.visible.left), static_cast<short>(shown.visible.top),
                    static_cast<unsigned short>(shown.visible.Width()),
                    static_cast<unsigned short>(shown.visible.Height())};
    XSetClipRectangles(connection.display, connection.gc, 0, 0, &clip, 1, Unsorted);
    const bool typing = field->window() && field->window()->firstResponder() == field;
    if (typing && field->isTextSelected() && !text.empty())
        connection.FillRect(drawable,
                            X11Rect{x - 1, baseline - ascent, x + width + 1, baseline + descent},
                            0xB4D5FE);
    const uint32_t color = RGBOf(field->textColor());
    connection.DrawText(drawable, x, baseline, text, color);
    if (typing && !field->isTextSelected())
        connection.FillRect(
            drawable, X11Rect{x + width + 1, baseline - ascent, x + width + 2, baseline + descent},
            color);
    XSetClipMask(connection.display, connection.gc, None);
}

} // namespace

X11Rect X11Rect::Intersect(const X11Rect& other) const {
    return X11Rect{std::max(left, other.left), std::max(top, other.top),
                   std::min(right, other.right), std::min(bottom, other.bottom)};
}

std::string X11Latin1(const std::string& utf8) {
    std::string latin1;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (i + length > utf8.size()) length = 1;
        uint32_t code = c;
        if (length == 2)
            code = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
        latin1 += length == 1 ? static_cast<char>(c < 0x80 ? c : '?')
                              : static_cast<char>(length == 2 && code <= 0xFF ? code : '?');
        i += length;
    }
    return latin1;
}

// ---- The connection ------------------------------------------------------------------------

X11WindowSystem::Connection::~Connection() {
    if (!display) return;
    for (const auto& record : windows)
        FreeBuffers(*record);
    if (invisibleCursor) XFreeCursor(display, invisibleCursor);
    if (font) XFreeFont(display, font);
    if (gc) XFreeGC(display, gc);
    if (helper) XDestroyWindow(display, helper);
    XCloseDisplay(display);
    RemoveDisplay(display);
}

double X11WindowSystem::Connection::Now() const {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - clockStart;
    return clockStartAbsolute + elapsed.count();
}

X11WindowRecord* X11WindowSystem::Connection::Find(NSWindow* window) const {
    for (const auto& record : windows)
        if (record->window == window) return record.get();
    return nullptr;
}

X11WindowRecord* X11WindowSystem::Connection::Find(Window xid) const {
    if (!xid) return nullptr;
    for (const auto& record : windows)
        if (record->xid == xid) return record.get();
    return nullptr;
}

int X11WindowSystem::Connection::ScreenHeight() const {
    return XDisplayHeight(display, screen);
}

int X11WindowSystem::Connection::TextWidth(const std::string& utf8) const {
    const std::string text = X11Latin1(utf8);
    return font ? XTextWidth(font, text.data(), static_cast<int>(text.size()))
                : 7 * static_cast<int>(text.size());
}

void X11WindowSystem::Connection::DrawText(Drawable drawable, int x, int baseline,
                                           const std::string& utf8, uint32_t rgb) {
    if (!font) return;
    const std::string text = X11Latin1(utf8);
    XSetForeground(display, gc, Pixel(rgb));
    XDrawString(display, drawable, gc, x, baseline, text.data(), static_cast<int>(text.size()));
}

void X11WindowSystem::Connection::FillRect(Drawable drawable, const X11Rect& rect, uint32_t rgb) {
    if (rect.IsEmpty()) return;
    XSetForeground(display, gc, Pixel(rgb));
    XFillRectangle(display, drawable, gc, rect.left, rect.top, static_cast<unsigned>(rect.Width()),
                   static_cast<unsigned>(rect.Height()));
}

std::unique_ptr<X11WindowSystem> X11WindowSystem::Open(const char* displayName,
                                                       std::string* error) {
    auto fail = [&](const std::string& reason) {
        if (error) *error = reason;
        return std::unique_ptr<X11WindowSystem>();
    };
    const char* name = displayName ? displayName : std::getenv("DISPLAY");
    if (!name || !*name) return fail("no X display: DISPLAY is not set");
    Display* display = XOpenDisplay(name);
    if (!display) return fail(std::string("cannot open the X display \"") + name + "\"");

    auto connection = std::make_unique<Connection>();
    connection->display = display;
    AddDisplay(display);
    connection->screen = DefaultScreen(display);
    connection->root = RootWindow(display, connection->screen);
    connection->visual = DefaultVisual(display, connection->screen);
    connection->depth = DefaultDepth(display, connection->screen);
    connection->colormap = DefaultColormap(display, connection->screen);
    if (connection->visual->c_class != TrueColor)
        return fail(std::string("the X display \"") + name + "\" shows no true colour");
    // The layout of an image on this visual, as the server wants it.
    XImage* probe =
        XCreateImage(display, connection->visual, static_cast<unsigned>(connection->depth), ZPixmap,
                     0, nullptr, 1, 1, 32, 0);
    if (!probe) return fail(std::string("the X display \"") + name + "\" takes no images");
    connection->format = X11PixelFormat{static_cast<uint32_t>(connection->visual->red_mask),
                                        static_cast<uint32_t>(connection->visual->green_mask),
                                        static_cast<uint32_t>(connection->visual->blue_mask),
                                        probe->bits_per_pixel, probe->byte_order == MSBFirst};
    XDestroyImage(probe);
    if (!X11CanConvert(connection->format))
        return fail(std::string("the X display \"") + name + "\" has a pixel layout not handled");

    connection->gc = XCreateGC(display, connection->root, 0, nullptr);
    connection->font =
        XLoadQueryFont(display, "-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1");
    if (!connection->font) connection->font = XLoadQueryFont(display, "fixed");
    if (connection->font) XSetFont(display, connection->gc, connection->font->fid);
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    connection->helper = XCreateWindow(display, connection->root, -1, -1, 1, 1, 0, 0, InputOnly,
                                       CopyFromParent, CWEventMask, &attributes);

    auto atom = [&](const char* atomName) { return XInternAtom(display, atomName, False); };
    connection->wmProtocols = atom("WM_PROTOCOLS");
    connection->wmDeleteWindow = atom("WM_DELETE_WINDOW");
    connection->netWmName = atom("_NET_WM_NAME");
    connection->utf8String = atom("UTF8_STRING");
    connection->motifWmHints = atom("_MOTIF_WM_HINTS");
    connection->clipboard = atom("CLIPBOARD");
    connection->targets = atom("TARGETS");
    connection->transfer = atom("BRINDLEX_TRANSFER");
    connection->text = atom("TEXT");

    // A cursor of no pixels, for hiding.
    char nothing = 0;
    Pixmap blank = XCreateBitmapFromData(display, connection->root, &nothing, 1, 1);
    XColor black{};
    connection->invisibleCursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
    XFreePixmap(display, blank);
    // Held keys repeat as presses alone, so that a repeat can be told from a new press.
    Bool detectable = False;
    XkbSetDetectableAutoRepeat(display, True, &detectable);

    connection->clockStart = std::chrono::steady_clock::now();
    const std::chrono::duration<double> sinceEpoch =
        std::chrono::system_clock::now().time_since_epoch();
    connection->clockStartAbsolute = sinceEpoch.count() - kReferenceDateOffset;
    return std::unique_ptr<X11WindowSystem>(new X11WindowSystem(std::move(connection)));
}

X11WindowSystem::X11WindowSystem(std::unique_ptr<Connection> connection)
    : mConnection(std::move(connection)) {}

X11WindowSystem::~X11WindowSystem() = default;

void X11WindowSystem::EmbedWindow(NSWindow* window, unsigned long parent) {
    if (window && parent) mConnection->embedParents[window] = parent;
}

void X11WindowSystem::FixWindowSize(NSWindow* window, int width, int height) {
    const unsigned long xid = XWindowOf(window);
    XSizeHints* hints = xid ? XAllocSizeHints() : nullptr;
    if (!hints) return;
    hints->flags = PSize | PMinSize | PMaxSize | PBaseSize;
    hints->width = hints->min_width = hints->max_width = hints->base_width = width;
    hints->height = hints->min_height = hints->max_height = hints->base_height = height;
    XSetWMNormalHints(mConnection->display, xid, hints);
    // The host reads them on a connection of its own, perhaps before the next event round.
    XFlush(mConnection->display);
    XFree(hints);
}

unsigned long X11WindowSystem::XWindowOf(NSWindow* window) const {
    const X11WindowRecord* record = mConnection->Find(window);
    return record ? record->xid : 0;
}

void X11WindowSystem::SetCloseRequestHandler(std::function<void(NSWindow*)> handler) {
    mConnection->closeHandler = std::move(handler);
}

// ---- Time and the run loop -----------------------------------------------------------------

CFAbsoluteTime X11WindowSystem::Now() {
    return mConnection->Now();
}

void X11WindowSystem::Connection::WaitForInput(double seconds) {
    XFlush(display);
    if (XPending(display)) return;
    pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
    const int timeout =
        seconds < 0 || seconds > 1e6 ? -1 : static_cast<int>(std::ceil(seconds * 1000));
    // An interrupting signal ends the wait as input would.
    poll(&descriptor, 1, timeout);
}

void X11WindowSystem::WaitUntil(CFAbsoluteTime time, bool handleInput) {
    if (!handleInput) {
        const double seconds = std::min(time - Now(), kLongestSleep);
        if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        return;
    }
    if (DispatchPendingEvents()) return;
    mConnection->WaitForInput(std::isfinite(time) ? std::max(0.0, time - Now()) : -1.0);
    DispatchPendingEvents();
}

bool X11WindowSystem::DispatchPendingEvents() {
    Connection& connection = *mConnection;
    bool any = false;
    while (XPending(connection.display)) {
        XEvent event;
        XNextEvent(connection.display, &event);
        connection.HandleEvent(event);
        any = true;
    }
    XFlush(connection.display);
    return any;
}

void X11WindowSystem::Connection::RunModal(const std::function<bool(XEvent&)>& handle,
                                           const std::function<bool()>& done) {
    // Timers are looked at this often while nothing comes in.
    constexpr double kTimerCheck = 0.01;
    while (!done()) {
        while (!done() && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (handle(event)) continue;
            switch (event.type) {
            case Expose:
            case SelectionRequest:
            case SelectionClear:
            case MappingNotify:
                HandleEvent(event);
                break;
            default:
                break;
            }
        }
        if (done()) break;
        NSAutoreleasePool* pool = new NSAutoreleasePool;
        NSRunLoop::currentRunLoop()->runMode(NSEventTrackingRunLoopMode, NSDate::date());
        pool->release();
        WaitForInput(kTimerCheck);
    }
}

// ---- Events --------------------------------------------------------------------------------

void X11WindowSystem::Connection::RequestClose(NSWindow* window) {
    if (closeHandler) {
        closeHandler(window);
        return;
    }
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    window->close();
    pool->release();
}

void X11WindowSystem::Connection::HandleEvent(XEvent& event) {
    if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        return;
    }
    if (event.xany.window == helper) {
        if (event.type == SelectionRequest) HandleSelectionRequest(event.xselectionrequest);
        if (event.type == SelectionClear) HandleSelectionClear();
        return;
    }
    X11WindowRecord* record = Find(event.xany.window);
    if (!record) return;
    NSWindow* window = record->window;
    const X11EventTarget target{window->windowNumber(), static_cast<CGFloat>(record->height)};
    switch (event.type) {
    case Expose:
        if (record->pixmap)
            XCopyArea(display, record->pixmap, record->xid, gc, event.xexpose.x, event.xexpose.y,
                      static_cast<unsigned>(event.xexpose.width),
                      static_cast<unsigned>(event.xexpose.height), event.xexpose.x,
                      event.xexpose.y);
        break;
    case MotionNotify:
        // Only the latest of a run of moves matters.
        while (XPending(display)) {
            XEvent next;
            XPeekEvent(display, &next);
            if (next.type != MotionNotify || next.xmotion.window != event.xmotion.window) break;
            XNextEvent(display, &event);
        }
        [[fallthrough]];
    case ButtonPress:
    case ButtonRelease: {
        // The event tells where the window is on the screen; the platform's frame follows.
        const int rootX = event.xbutton.x_root - event.xbutton.x;
        const int rootY = event.xbutton.y_root - event.xbutton.y;
        const NSPoint origin = NSMakePoint(rootX, ScreenHeight() - rootY - record->height);
        if (!NSEqualPoints(origin, window->frame().origin)) {
            syncingFrame = true;
            window->setFrameOrigin(origin);
            syncingFrame = false;
        }
        NSAutoreleasePool* pool = new NSAutoreleasePool;
        if (NSEvent* translated = X11PointerEvent(event, target, clicks, Now()))
            window->sendEvent(translated);
        pool->release();
        break;
    }
    case KeyPress:
    case KeyRelease: {
        char text[32];
        KeySym keysym = NoSymbol;
        const int length = XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr);
        const KeySym unmodified = XLookupKeysym(&event.xkey, 0);
        const unsigned int keycode = event.xkey.keycode;
        const bool press = event.type == KeyPress;
        const bool repeat = press && !keysDown.insert(keycode).second;
        if (!press) keysDown.erase(keycode);
        NSAutoreleasePool* pool = new NSAutoreleasePool;
        window->sendEvent(X11KeyEvent(event.xkey, keysym, unmodified,
                                      std::string(text, static_cast<size_t>(std::max(length, 0))),
                                      repeat, target, Now()));
        pool->release();
        break;
    }
    case FocusOut:
        keysDown.clear();
        break;
    case ClientMessage:
        if (event.xclient.message_type == wmProtocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == wmDeleteWindow)
            RequestClose(window);
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window != record->xid) break;
        // Destroyed from outside (with its parent, say): nothing more may be drawn into it.
        record->xid = 0;
        record->mapped = false;
        FreeBuffers(*record);
        if (record->parent == root) RequestClose(window);
        break;
    default:
        break;
    }
}

// ---- Windows -------------------------------------------------------------------------------

void X11WindowSystem::Connection::MakeBuffers(X11WindowRecord& record) {
    record.pixmap =
        XCreatePixmap(display, record.xid, static_cast<unsigned>(record.width),
                      static_cast<unsigned>(record.height), static_cast<unsigned>(depth));
    FillRect(record.pixmap, record.Bounds(), 0);
    record.image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                static_cast<unsigned>(record.width),
                                static_cast<unsigned>(record.height), 32, 0);
    if (record.image) {
        record.imageData.assign(size_t(record.image->bytes_per_line) * size_t(record.height), 0);
        record.image->data = record.imageData.data();
    }
    record.composite.assign(size_t(record.width) * size_t(record.height), 0xFF000000u);
}

void X11WindowSystem::Connection::FreeBuffers(X11WindowRecord& record) {
    if (record.image) {
        record.image->data = nullptr; // ours, in imageData
        XDestroyImage(record.image);
        record.image = nullptr;
    }
    if (record.pixmap) XFreePixmap(display, record.pixmap);
    record.pixmap = 0;
    record.imageData.clear();
    record.composite.clear();
}

void X11WindowSystem::Connection::CreateXWindow(X11WindowRecord& record) {
    NSWindow* window = record.window;
    const NSRect content = window->contentRectForFrameRect(window->frame());
    record.width = std::max(1, static_cast<int>(std::lround(content.size.width)));
    record.height = std::max(1, static_cast<int>(std::lround(content.size.height)));
    const auto embedded = embedParents.find(window);
    record.parent = embedded == embedParents.end() ? root : embedded->second;
    const bool topLevel = record.parent == root;
    const int x = topLevel ? static_cast<int>(std::lround(content.origin.x)) : 0;
    const int y =
        topLevel ? ScreenHeight() - static_cast<int>(std::lround(content.origin.y)) - record.height
                 : 0;

    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.border_pixel = 0;
    attributes.bit_gravity = NorthWestGravity;
    attributes.event_mask = kWindowEvents;
    attributes.colormap = colormap;
    record.xid = XCreateWindow(
        display, record.parent, x, y, static_cast<unsigned>(record.width),
        static_cast<unsigned>(record.height), 0, depth, InputOutput, visual,
        CWBackPixel | CWBorderPixel | CWBitGravity | CWEventMask | CWColormap, &attributes);
    if (topLevel) {
        XSetWMProtocols(display, record.xid, &wmDeleteWindow, 1);
        const std::string title = window->title()->UTF8String();
        const std::string latin1 = X11Latin1(title);
        XStoreName(display, record.xid, latin1.c_str());
        XChangeProperty(display, record.xid, netWmName, utf8String, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(title.data()),
                        static_cast<int>(title.size()));
        XClassHint classHint{const_cast<char*>(program_invocation_short_name),
                             const_cast<char*>(program_invocation_short_name)};
        XSetClassHint(display, record.xid, &classHint);
        XSizeHints* hints = XAllocSizeHints();
        if (hints) {
            hints->flags = PPosition | PSize;
            hints->x = x;
            hints->y = y;
            hints->width = record.width;
            hints->height = record.height;
            if (!(window->styleMask() & NSResizableWindowMask)) {
                hints->flags |= PMinSize | PMaxSize;
                hints->min_width = hints->max_width = record.width;
                hints->min_height = hints->max_height = record.height;
            }
            XSetWMNormalHints(display, record.xid, hints);
            XFree(hints);
        }
        if (!(window->styleMask() & NSTitledWindowMask)) {
            // The window manager's convention for "no decorations".
            const long motifHints[5] = {2, 0, 0, 0, 0};
            XChangeProperty(display, record.xid, motifWmHints, motifWmHints, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(motifHints), 5);
        }
    }
    MakeBuffers(record);
    ApplyCursor(record);
}

void X11WindowSystem::WindowOrderedIn(NSWindow* window) {
    Connection& connection = *mConnection;
    X11WindowRecord* record = connection.Find(window);
    if (!record) {
        connection.windows.push_back(std::make_unique<X11WindowRecord>());
        record = connection.windows.back().get();
        record->window = window;
    }
    if (!record->xid) connection.CreateXWindow(*record);
    XMapRaised(connection.display, record->xid);
    record->mapped = true;
    XFlush(connection.display);
}

void X11WindowSystem::WindowOrderedOut(NSWindow* window) {
    X11WindowRecord* record = mConnection->Find(window);
    if (!record || !record->xid) return;
    XUnmapWindow(mConnection->display, record->xid);
    record->mapped = false;
    XFlush(mConnection->display);
}

void X11WindowSystem::WindowFrameChanged(NSWindow* window) {
    Connection& connection = *mConnection;
    X11WindowRecord* record = connection.Find(window);
    if (connection.syncingFrame || !record || !record->xid) return;
    const NSRect content = window->contentRectForFrameRect(window->frame());
    const int width = std::max(1, static_cast<int>(std::lround(content.size.width)));
    const int height = std::max(1, static_cast<int>(std::lround(content.size.height)));
    if (width != record->width || height != record->height) {
        // The views redraw at the new size; until then the window shows black.
        connection.FreeBuffers(*record);
        record->width = width;
        record->height = height;
        XResizeWindow(connection.display, record->xid, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
        connection.MakeBuffers(*record);
    }
    if (record->parent == connection.root)
        XMoveWindow(
            connection.display, record->xid, static_cast<int>(std::lround(content.origin.x)),
            connection.ScreenHeight() - static_cast<int>(std::lround(content.origin.y)) - height);
}

void X11WindowSystem::WindowDestroyed(NSWindow* window) {
    Connection& connection = *mConnection;
    connection.embedParents.erase(window);
    const auto found = std::find_if(
        connection.windows.begin(), connection.windows.end(),
        [&](const std::unique_ptr<X11WindowRecord>& record) { return record->window == window; });
    if (found == connection.windows.end()) return;
    X11WindowRecord& record = **found;
    connection.FreeBuffers(record);
    if (record.xid) XDestroyWindow(connection.display, record.xid);
    XFlush(connection.display);
    connection.windows.erase(found);
}

// ---- Pixels --------------------------------------------------------------------------------

void X11WindowSystem::Connection::Present(X11WindowRecord& record, const X11Rect& area) {
    const X11Rect rect = area.Intersect(record.Bounds());
    if (rect.IsEmpty() || !record.pixmap || !record.image || !record.window->contentView()) return;
    for (int y = rect.top; y < rect.bottom; ++y)
        std::fill_n(record.composite.data() + size_t(y) * size_t(record.width) + size_t(rect.left),
                    rect.Width(), 0xFF000000u);
    std::vector<TextFieldShown> fields;
    Compose(record.window->contentView(), rect, record, fields);

    const int bytesPerPixel = format.bitsPerPixel / 8;
    for (int y = rect.top; y < rect.bottom; ++y)
        X11ConvertRow(record.composite.data() + size_t(y) * size_t(record.width) +
                          size_t(rect.left),
                      reinterpret_cast<unsigned char*>(record.imageData.data()) +
                          size_t(y) * size_t(record.image->bytes_per_line) +
                          size_t(rect.left) * size_t(bytesPerPixel),
                      rect.Width(), format);
    XPutImage(display, record.pixmap, gc, record.image, rect.left, rect.top, rect.left, rect.top,
              static_cast<unsigned>(rect.Width()), static_cast<unsigned>(rect.Height()));
    for (const TextFieldShown& field : fields)
        DrawFieldText(*this, record.pixmap, field);
    if (record.xid)
        XCopyArea(display, record.pixmap, record.xid, gc, rect.left, rect.top,
                  static_cast<unsigned>(rect.Width()), static_cast<unsigned>(rect.Height()),
                  rect.left, rect.top);
}

void X11WindowSystem::ViewDrawn(NSView* view, NSRect area) {
    NSWindow* window = view ? view->window() : nullptr;
    X11WindowRecord* record = window ? mConnection->Find(window) : nullptr;
    if (!record) return;
    mConnection->Present(*record, WindowRectOf(view, area, record->height));
}

// ---- Displays and the cursor ---------------------------------------------------------------

namespace {
constexpr CGDirectDisplayID kMainDisplay = 1;
} // namespace

CGDirectDisplayID X11WindowSystem::MainDisplay() {
    return kMainDisplay;
}

CGRect X11WindowSystem::DisplayBounds(CGDirectDisplayID display) {
    if (display != kMainDisplay) return CGRectNull;
    const Connection& connection = *mConnection;
    return CGRectMake(0, 0, XDisplayWidth(connection.display, connection.screen),
                      connection.ScreenHeight());
}

void X11WindowSystem::Connection::ApplyCursor(const X11WindowRecord& record) {
    if (!record.xid) return;
    if (cursorHideCount > 0)
        XDefineCursor(display, record.xid, invisibleCursor);
    else
        XUndefineCursor(display, record.xid); // the parent's cursor
}

CGError X11WindowSystem::HideCursor(CGDirectDisplayID display) {
    if (display != kMainDisplay) return kCGErrorIllegalArgument;
    Connection& connection = *mConnection;
    if (connection.cursorHideCount++ == 0)
        for (const auto& record : connection.windows)
            connection.ApplyCursor(*record);
    XFlush(connection.display);
    return kCGErrorSuccess;
}

bool X11WindowSystem::CursorHidden() const {
    return mConnection->cursorHideCount > 0;
}

CGError X11WindowSystem::ShowCursor(CGDirectDisplayID display) {
    if (display != kMainDisplay) return kCGErrorIllegalArgument;
    Connection& connection = *mConnection;
    if (connection.cursorHideCount > 0 && --connection.cursorHideCount == 0)
        for (const auto& record : connection.windows)
            connection.ApplyCursor(*record);
    XFlush(connection.display);
    return kCGErrorSuccess;
}

CGError X11WindowSystem::MoveCursor(CGDirectDisplayID display, CGPoint point) {
    if (display != kMainDisplay) return kCGErrorIllegalArgument;
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) return kCGErrorIllegalArgument;
    Connection& connection = *mConnection;
    XWarpPointer(connection.display, None, connection.root, 0, 0, 0, 0,
                 static_cast<int>(std::lround(point.x)), static_cast<int>(std::lround(point.y)));
    XFlush(connection.display);
    return kCGErrorSuccess;
}

CGPoint X11WindowSystem::PointerLocation() {
    const Connection& connection = *mConnection;
    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int state = 0;
    XQueryPointer(connection.display, connection.root, &rootReturn, &child, &rootX, &rootY, &x, &y,
                  &state);
    return CGPointMake(rootX, rootY);
}

// ---- Text input and the workspace ----------------------------------------------------------

void X11WindowSystem::TextInputBegan(NSTextField* field) {
    NSWindow* window = field ? field->window() : nullptr;
    const X11WindowRecord* record = window ? mConnection->Find(window) : nullptr;
    if (!record || !record->xid || !record->mapped) return;
    // Typing must reach the field, also in a window embedded in a host's.
    XSetInputFocus(mConnection->display, record->xid, RevertToParent, CurrentTime);
}

bool X11WindowSystem::OpenURL(const std::string& url) {
    // The shell starts xdg-open in the background and answers at once whether it exists.
    const char* script = "command -v xdg-open >/dev/null || exit 1; "
                         "xdg-open \"$1\" >/dev/null 2>&1 & exit 0";
    std::string shell = "/bin/sh", flag = "-c", name = "sh", argument = url;
    std::string code = script;
    char* argv[] = {shell.data(), flag.data(), code.data(), name.data(), argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
