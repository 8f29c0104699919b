#pragma once

// The window system behind AppKit, CoreGraphics' displays, ColorSync, Gestalt and
// CFUserNotification: where views' pixels go, what the user answers to alerts and panels, the
// pasteboard, the workspace, the cursor, the clock a run loop waits on, and what the system
// reports about itself. Everything the platform stand-ins need from the outside world goes
// through this one interface, so that another implementation (a real display) can replace the
// headless default at run time with SetWindowSystem.
//
// The window system is process-wide: a loaded component's copy of the platform library uses the
// one its host installed (see NS_REGISTER_CLASS in Foundation.h). It is called on the main
// thread, except for Now and WaitUntil, which any thread's run loop calls.

#include "AppKit.h"
#include "ColorSync.h"
#include "CoreGraphics.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What CFUserNotificationDisplayAlert asks; absent buttons are not shown.
struct AlertRequest {
    CFOptionFlags flags = 0; // the alert level and button flags
    CFTimeInterval timeout = 0;
    std::string header;
    std::string message;
    std::optional<std::string> defaultButton; // absent: the system's "OK"
    std::optional<std::string> alternateButton;
    std::optional<std::string> otherButton;
};

// What an open or save panel shows.
struct FilePanelRequest {
    enum class Kind { kSave, kOpen };
    Kind kind = Kind::kSave;
    std::string directory; // empty when none was given
    std::string file;
    std::vector<std::string> allowedFileTypes; // empty: any
    bool allowsOtherFileTypes = false;
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool resolvesAliases = true;
};

struct FilePanelAnswer {
    NSInteger response = NSCancelButton; // NSOKButton or NSCancelButton
    std::vector<std::string> paths;      // absolute paths, when OK
};

// What a pop-up menu shows.
struct MenuRequest {
    struct Item {
        std::string title;
        bool enabled = true;
        bool checked = false;
        bool separator = false;
        bool hasSubmenu = false;
        std::vector<Item> submenu;
    };
    std::vector<Item> items;
    CGPoint location{0, 0}; // screen coordinates of the positioned item's top-left corner
    int positionedItem = 0;
};

// The item the user chose: its index in the menu, then in each submenu on the way to it. Empty
// when the menu was dismissed.
typedef std::vector<int> MenuChoice;

struct SystemVersion {
    int major = 10;
    int minor = 6;
    int bugFix = 8;
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // ---- Time
    // Seconds since the reference date (2001-01-01 UTC).
    virtual CFAbsoluteTime Now() = 0;
    // Blocks until the time or until input has been handled (events sent to windows, windows
    // exposed), whichever comes first. handleInput is false for run loops other than the main
    // thread's, which only wait.
    virtual void WaitUntil(CFAbsoluteTime time, bool handleInput) = 0;

    // ---- Displays and the cursor (display pixels, origin top-left of the main display)
    virtual CGDirectDisplayID MainDisplay() = 0;
    virtual CGRect DisplayBounds(CGDirectDisplayID display) = 0; // CGRectNull when unknown
    virtual CGError HideCursor(CGDirectDisplayID display) = 0;
    virtual CGError ShowCursor(CGDirectDisplayID display) = 0;
    virtual CGError MoveCursor(CGDirectDisplayID display, CGPoint point) = 0;
    virtual CGPoint PointerLocation() = 0;

    // ---- Windows and views
    virtual void WindowOrderedIn(NSWindow* window) = 0;
    virtual void WindowOrderedOut(NSWindow* window) = 0;
    virtual void WindowFrameChanged(NSWindow* window) = 0;
    virtual void WindowDestroyed(NSWindow* window) = 0; // about to be freed
    // The view redrew the area (view coordinates) of its backing store.
    virtual void ViewDrawn(NSView* view, NSRect area) = 0;

    // ---- Dialogs
    // The button pressed: kCFUserNotificationDefaultResponse and so on.
    virtual CFOptionFlags DisplayAlert(const AlertRequest& request) = 0;
    virtual FilePanelAnswer RunFilePanel(const FilePanelRequest& request) = 0;
    // Tracks the user in a pop-up menu until a choice or a dismissal.
    virtual MenuChoice PopUpMenu(const MenuRequest& request) = 0;

    // ---- Text input
    // An editable text field took the keyboard; what is typed reaches it as key events.
    virtual void TextInputBegan(NSTextField* field) = 0;

    // ---- Pasteboard (types are the modern names, such as "public.utf8-plain-text")
    virtual NSInteger ClearPasteboard() = 0; // the new change count
    virtual bool SetPasteboardString(const std::string& type, const std::string& text) = 0;
    virtual std::optional<std::string> PasteboardString(const std::string& type) = 0;

    // ---- Workspace
    virtual bool OpenURL(const std::string& url) = 0;

    // ---- The system
    virtual SystemVersion GetSystemVersion() = 0;
    // The name of the system colour profile; absent when there is none.
    virtual std::optional<std::string> SystemColorProfile() = 0;
};

// The window system in use; the headless one until another is installed.
WindowSystem& GetWindowSystem();
// Installs a window system (null: a fresh headless one) and answers the previous one. Install
// before making windows: windows already shown are not handed over.
std::unique_ptr<WindowSystem> SetWindowSystem(std::unique_ptr<WindowSystem> windowSystem);

// No display: views keep their pixels (NSView::backingStore), time is a virtual clock that
// starts at 0 and moves when a run loop waits, and the user is a script. Tests and the
// command-line host set the script and read the record.
class HeadlessWindowSystem : public WindowSystem {
public:
    // What the "user" and the "system" answer.
    struct Script {
        std::deque<CFOptionFlags> alertResponses;     // then kCFUserNotificationDefaultResponse
        std::deque<FilePanelAnswer> filePanelAnswers; // then NSCancelButton
        std::deque<MenuChoice> menuChoices;           // then dismissed
        // Typed into the next text fields that take the keyboard, each ended with Return, when
        // the main run loop next waits for input.
        std::deque<std::string> typedTexts;
        bool openURLSucceeds = true;
        bool cursorCallsFail = false; // hide, show and move answer kCGErrorCannotComplete
        SystemVersion systemVersion;
        std::optional<std::string> systemColorProfile = "Generic RGB Profile";
        CGSize displaySize{1440, 900};
    };
    // What was asked.
    struct Record {
        std::vector<AlertRequest> alerts;
        std::vector<FilePanelRequest> filePanels;
        std::vector<MenuRequest> menus;
        std::vector<std::string> textInputs; // the text each field held when it took the keyboard
        std::vector<std::string> openedURLs;
        std::vector<CGPoint> cursorMoves;
        int viewsDrawn = 0; // ViewDrawn calls
    };

    Script script;
    Record record;

    static constexpr CGDirectDisplayID kMainDisplay = 1;

    HeadlessWindowSystem() = default;
    ~HeadlessWindowSystem() override;
    HeadlessWindowSystem(const HeadlessWindowSystem&) = delete;
    HeadlessWindowSystem& operator=(const HeadlessWindowSystem&) = delete;

    // The "user" moves the pointer (display pixels, origin top-left).
    void MovePointer(CGPoint point) { mPointer = point; }
    int CursorHideCount() const { return mCursorHideCount; }
    bool CursorVisible() const { return mCursorHideCount == 0; }
    std::vector<NSWindow*> VisibleWindows() const {
        return mVisibleWindows;
    } // in ordering-in order

    CFAbsoluteTime Now() override { return mClock; }
    void WaitUntil(CFAbsoluteTime time, bool handleInput) override;
    CGDirectDisplayID MainDisplay() override { return kMainDisplay; }
    CGRect DisplayBounds(CGDirectDisplayID display) override;
    CGError HideCursor(CGDirectDisplayID display) override;
    CGError ShowCursor(CGDirectDisplayID display) override;
    CGError MoveCursor(CGDirectDisplayID display, CGPoint point) override;
    CGPoint PointerLocation() override { return mPointer; }
    void WindowOrderedIn(NSWindow* window) override;
    void WindowOrderedOut(NSWindow* window) override;
    void WindowFrameChanged(NSWindow*) override {}
    void WindowDestroyed(NSWindow* window) override;
    void ViewDrawn(NSView*, NSRect) override { ++record.viewsDrawn; }
    CFOptionFlags DisplayAlert(const AlertRequest& request) override;
    FilePanelAnswer RunFilePanel(const FilePanelRequest& request) override;
    MenuChoice PopUpMenu(const MenuRequest& request) override;
    void TextInputBegan(NSTextField* field) override;
    NSInteger ClearPasteboard() override;
    bool SetPasteboardString(const std::string& type, const std::string& text) override;
    std::optional<std::string> PasteboardString(const std::string& type) override;
    bool OpenURL(const std::string& url) override;
    SystemVersion GetSystemVersion() override { return script.systemVersion; }
    std::optional<std::string> SystemColorProfile() override { return script.systemColorProfile; }

private:
    // Types the next scripted text into the field waiting for it; false when there was none.
    bool TypeScriptedText();

    CFAbsoluteTime mClock = 0;
    NSTextField* mTypingInto = nullptr; // retained
    CGPoint mPointer{0, 0};
    int mCursorHideCount = 0;
    std::vector<NSWindow*> mVisibleWindows;
    std::map<std::string, std::string> mPasteboard;
    NSInteger mPasteboardChangeCount = 0;
};

// The window system in use when it is the headless one; null otherwise.
HeadlessWindowSystem* GetHeadlessWindowSystem();
