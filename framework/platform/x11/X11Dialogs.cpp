// Alerts and file panels: small modal windows of text lines, an optional line to type in and a
// row of buttons, drawn in the display's core font.
#include "X11Connection.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>

namespace {

constexpr uint32_t kBackground = 0xECECEC;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kFrame = 0x8C8C8C;
constexpr uint32_t kButtonFace = 0xFFFFFF;
constexpr uint32_t kDefaultFace = 0x3874D8;
constexpr uint32_t kDefaultText = 0xFFFFFF;
constexpr uint32_t kFieldFace = 0xFFFFFF;
constexpr int kMargin = 16;
constexpr int kGap = 8;
constexpr int kMinFieldWidth = 360;

// What a dialog shows; buttons from left to right.
struct DialogContent {
    std::string title;
    std::vector<std::string> lines;
    bool hasField = false;
    std::string field;
    std::vector<std::string> buttons;
    int defaultButton = 0; // Return presses it
    int cancelButton = 0;  // Escape and the window's close button press it
};

class Dialog {
public:
    Dialog(X11WindowSystem::Connection& connection, DialogContent content)
        : mConnection(connection), mContent(std::move(content)) {}
    ~Dialog() {
        if (mXid) XDestroyWindow(mConnection.display, mXid);
        XFlush(mConnection.display);
    }
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // The button pressed.
    int Run();
    const std::string& Field() const { return mContent.field; }
    // Replaces the text lines (a complaint about what was typed) and redraws.
    void SetLines(std::vector<std::string> lines);

    // Called when a button is pressed; answers whether the dialog closes.
    std::function<bool(int button)> accept = [](int) { return true; };

private:
    int LineHeight() const { return mConnection.Ascent() + mConnection.Descent() + 4; }
    void Layout();
    void Draw();
    bool Handle(XEvent& event);
    void Press(int button);

    X11WindowSystem::Connection& mConnection;
    DialogContent mContent;
    Window mXid = 0;
    int mWidth = 0, mHeight = 0;
    X11Rect mFieldRect;
    std::vector<X11Rect> mButtonRects;
    int mPressed = -1;
    bool mFocused = false;
};

void Dialog::Layout() {
    X11WindowSystem::Connection& c = mConnection;
    int width = 0;
    for (const std::string& line : mContent.lines)
        width = std::max(width, c.TextWidth(line));
    const int buttonHeight = LineHeight() + 8;
    int buttonsWidth = 0;
    std::vector<int> buttonWidths;
    for (const std::string& button : mContent.buttons) {
        buttonWidths.push_back(std::max(72, c.TextWidth(button) + 24));
        buttonsWidth += buttonWidths.back() + kGap;
    }
    width = std::max({width, buttonsWidth, mContent.hasField ? kMinFieldWidth : 0});
    mWidth = width + 2 * kMargin;
    int y = kMargin + static_cast<int>(mContent.lines.size()) * LineHeight();
    if (mContent.hasField) {
        y += kGap;
        mFieldRect = X11Rect{kMargin, y, mWidth - kMargin, y + LineHeight() + 6};
        y = mFieldRect.bottom;
    }
    y += kMargin;
    int x = mWidth - kMargin;
    mButtonRects.assign(mContent.buttons.size(), X11Rect());
    for (size_t i = mContent.buttons.size(); i-- > 0;) {
        mButtonRects[i] = X11Rect{x - buttonWidths[i], y, x, y + buttonHeight};
        x -= buttonWidths[i] + kGap;
    }
    mHeight = y + buttonHeight + kMargin;
}

void Dialog::Draw() {
    X11WindowSystem::Connection& c = mConnection;
    c.FillRect(mXid, X11Rect{0, 0, mWidth, mHeight}, kBackground);
    const int ascent = c.Ascent();
    int y = kMargin;
    for (const std::string& line : mContent.lines) {
        c.DrawText(mXid, kMargin, y + ascent, line, kText);
        y += LineHeight();
    }
    auto frame = [&](const X11Rect& rect) {
        XSetForeground(c.display, c.gc, c.Pixel(kFrame));
        XDrawRectangle(c.display, mXid, c.gc, rect.left, rect.top,
                       static_cast<unsigned>(rect.Width() - 1),
                       static_cast<unsigned>(rect.Height() - 1));
    };
    auto baselineIn = [&](const X11Rect& rect) {
        return rect.top + (rect.Height() + ascent - c.Descent()) / 2;
    };
    if (mContent.hasField) {
        c.FillRect(mXid, mFieldRect, kFieldFace);
        frame(mFieldRect);
        // The end of the text, where typing goes, stays in sight.
        const int room = mFieldRect.Width() - 8;
        const int textWidth = c.TextWidth(mContent.field);
        const int x = mFieldRect.left + 4 - std::max(0, textWidth - room);
        XRectangle clip{static_cast<short>(mFieldRect.left + 1),
                        static_cast<short>(mFieldRect.top + 1),
                        static_cast<unsigned short>(mFieldRect.Width() - 2),
                        static_cast<unsigned short>(mFieldRect.Height() - 2)};
        XSetClipRectangles(c.display, c.gc, 0, 0, &clip, 1, Unsorted);
        const int baseline = baselineIn(mFieldRect);
        c.DrawText(mXid, x, baseline, mContent.field, kText);
        c.FillRect(mXid,
                   X11Rect{x + textWidth + 1, baseline - ascent, x + textWidth + 2,
                           baseline + c.Descent()},
                   kText);
        XSetClipMask(c.display, c.gc, None);
    }
    for (size_t i = 0; i < mButtonRects.size(); ++i) {
        const X11Rect& rect = mButtonRects[i];
        const bool isDefault = static_cast<int>(i) == mContent.defaultButton;
        c.FillRect(mXid, rect, isDefault ? kDefaultFace : kButtonFace);
        frame(rect);
        const std::string& title = mContent.buttons[i];
        c.DrawText(mXid, rect.left + (rect.Width() - c.TextWidth(title)) / 2, baselineIn(rect),
                   title, isDefault ? kDefaultText : kText);
    }
    XFlush(c.display);
}

void Dialog::SetLines(std::vector<std::string> lines) {
    mContent.lines = std::move(lines);
    Layout();
    XResizeWindow(mConnection.display, mXid, static_cast<unsigned>(mWidth),
                  static_cast<unsigned>(mHeight));
    Draw();
}

void Dialog::Press(int button) {
    if (button >= 0 && accept(button)) mPressed = button;
}

bool Dialog::Handle(XEvent& event) {
    if (event.xany.window != mXid) return false;
    X11WindowSystem::Connection& c = mConnection;
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0) Draw();
        if (!mFocused) {
            // Typing goes to the dialog while it is up.
            XSetInputFocus(c.display, mXid, RevertToParent, CurrentTime);
            mFocused = true;
        }
        break;
    case ButtonRelease:
        for (size_t i = 0; i < mButtonRects.size(); ++i)
            if (event.xbutton.button == Button1 &&
                mButtonRects[i].Contains(event.xbutton.x, event.xbutton.y))
                Press(static_cast<int>(i));
        break;
    case KeyPress: {
        char text[32];
        KeySym keysym = NoSymbol;
        const int length = XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr);
        if (keysym == XK_Return || keysym == XK_KP_Enter) {
            Press(mContent.defaultButton);
        } else if (keysym == XK_Escape) {
            Press(mContent.cancelButton);
        } else if (mContent.hasField && keysym == XK_BackSpace) {
            // Whole UTF-8 sequences go at once.
            std::string& field = mContent.field;
            while (!field.empty() && (static_cast<unsigned char>(field.back()) & 0xC0) == 0x80)
                field.pop_back();
            if (!field.empty()) field.pop_back();
            Draw();
        } else if (mContent.hasField && length > 0 && !(event.xkey.state & ControlMask)) {
            for (int i = 0; i < length; ++i)
                if (static_cast<unsigned char>(text[i]) >= 0x20 && text[i] != 0x7F)
                    mContent.field += X11KeyCharacters(static_cast<unsigned char>(text[i]), "");
            Draw();
        }
        break;
    }
    case ClientMessage:
        if (static_cast<Atom>(event.xclient.data.l[0]) == c.wmDeleteWindow)
            Press(mContent.cancelButton);
        break;
    default:
        break;
    }
    return true;
}

int Dialog::Run() {
    X11WindowSystem::Connection& c = mConnection;
    Layout();
    const int x = std::max(0, (XDisplayWidth(c.display, c.screen) - mWidth) / 2);
    const int y = std::max(0, (c.ScreenHeight() - mHeight) / 3);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = c.Pixel(kBackground);
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask;
    mXid = XCreateWindow(c.display, c.root, x, y, static_cast<unsigned>(mWidth),
                         static_cast<unsigned>(mHeight), 0, c.depth, InputOutput, c.visual,
                         CWBackPixel | CWEventMask, &attributes);
    XSetWMProtocols(c.display, mXid, &c.wmDeleteWindow, 1);
    const std::string title = X11Latin1(mContent.title);
    XStoreName(c.display, mXid, title.c_str());
    XMapRaised(c.display, mXid);
    c.RunModal([this](XEvent& event) { return Handle(event); }, [this] { return mPressed >= 0; });
    return mPressed;
}

bool IsFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string Extension(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot + 1);
}

} // namespace

CFOptionFlags X11WindowSystem::DisplayAlert(const AlertRequest& request) {
    // As the platform orders them: the other button left, the alternate, the default right.
    DialogContent content;
    content.title = request.header;
    content.lines.push_back(request.header);
    if (!request.message.empty()) content.lines.push_back(request.message);
    std::vector<CFOptionFlags> responses;
    if (request.otherButton) {
        content.buttons.push_back(*request.otherButton);
        responses.push_back(kCFUserNotificationOtherResponse);
    }
    if (request.alternateButton) {
        content.buttons.push_back(*request.alternateButton);
        responses.push_back(kCFUserNotificationAlternateResponse);
    }
    content.buttons.push_back(request.defaultButton.value_or("OK"));
    responses.push_back(kCFUserNotificationDefaultResponse);
    content.defaultButton = static_cast<int>(content.buttons.size()) - 1;
    content.cancelButton =
        request.alternateButton ? content.defaultButton - 1 : content.defaultButton;
    Dialog dialog(*mConnection, std::move(content));
    return responses[static_cast<size_t>(dialog.Run())];
}

FilePanelAnswer X11WindowSystem::RunFilePanel(const FilePanelRequest& request) {
    const bool saving = request.kind == FilePanelRequest::Kind::kSave;
    std::string folder = request.directory;
    if (!folder.empty() && folder[0] == '~') {
        const char* home = std::getenv("HOME");
        folder = std::string(home ? home : "") + folder.substr(1);
    }
    std::string types;
    for (const std::string& type : request.allowedFileTypes)
        types += (types.empty() ? "" : ", ") + type;
    std::vector<std::string> lines{saving ? "Save as:" : "Open:"};
    if (!folder.empty()) lines.push_back("In " + folder + " (or a full path)");
    if (!types.empty()) lines.push_back("Types: " + types);

    DialogContent content;
    content.title = saving ? "Save" : "Open";
    content.lines = lines;
    content.hasField = true;
    content.field = request.file;
    content.buttons = {"Cancel", saving ? "Save" : "Open"};
    content.defaultButton = 1;
    content.cancelButton = 0;
    Dialog dialog(*mConnection, std::move(content));

    FilePanelAnswer answer;
    dialog.accept = [&](int button) {
        if (button == 0) return true;
        std::string path = dialog.Field();
        if (path.empty()) return false;
        if (path[0] != '/' && !folder.empty()) path = folder + "/" + path;
        const std::string extension = Extension(path);
        const auto& allowed = request.allowedFileTypes;
        const bool typeAllowed = allowed.empty() || std::find(allowed.begin(), allowed.end(),
                                                              extension) != allowed.end();
        if (saving && !typeAllowed && !request.allowsOtherFileTypes) path += "." + allowed.front();
        if (!saving && (!IsFile(path) || !typeAllowed)) {
            std::vector<std::string> complaint = lines;
            complaint.push_back(IsFile(path) ? "Not a file of these types: " + path
                                             : "No such file: " + path);
            dialog.SetLines(std::move(complaint));
            return false;
        }
        answer.response = NSOKButton;
        answer.paths = {path};
        return true;
    };
    dialog.Run();
    return answer;
}
