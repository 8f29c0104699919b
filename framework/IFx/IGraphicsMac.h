#pragma once

#include "AppKit.h"
#include "IGraphics.h"
#include "IGraphicsCocoa.h"
#include "UTL_HeapBuf.h"
#include "UTL_String.h"

// The editor on macOS: its surface shown in a Cocoa view (IGraphicsCocoa), images loaded from
// the plug-in's bundle, and the system's dialogs, cursor, clipboard and folders.
//
// Everything here runs on the main (user-interface) thread.
class IGraphicsMac : public IGraphics {
public:
    // Also makes AppKit usable inside a host that is not an AppKit application.
    IGraphicsMac(IFxBase* plug, int width, int height, int fps = 0);
    ~IGraphicsMac() override;

    // ---- The platform interface

    // Copies the whole surface to the view (the window system clips it to the area being
    // repainted), pixel-doubled on a high-density screen. False without a drawing context.
    bool DrawScreen(const IRECT& rect) override;
    bool MeasureIText(IText* text, const char* str, IRECT* rect) override;
    // Closes an open text entry without taking its text.
    void ForceEndUserEdit() override;
    // Nothing when the size is unchanged.
    void Resize(int width, int height) override;
    bool WindowIsOpen() override { return mView != nullptr; }
    const char* GetGUIAPI() override { return "Cocoa GUI"; }
    // type 0 OK, 1 OK and Cancel, 3 Yes, No and Cancel, 4 Yes and No (others as 0). Answers 1
    // for OK or Yes, 7 for No, 2 for Cancel, 0 when the alert could not be shown.
    int ShowMessageBox(const char* text, const char* caption, int type) override;
    IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, const IRECT& rect) override;
    void CreateTextEntry(IControl* control, const IText* text, const IRECT& rect, const char* str,
                         IParam* param) override;
    // The executable of the plug-in's bundle; unchanged when the bundle is not loaded.
    void HostPath(UTL_String* path) override;
    // The folder holding the plug-in's bundle, with a trailing "/"; unchanged without it.
    void PluginPath(UTL_String* path) override;
    void DesktopPath(UTL_String* path) override;
    void AppSupportPath(UTL_String* path, bool isSystem = false) override;
    // The user's Music folder.
    void SandboxSafeAppSupportPath(UTL_String* path) override;
    // Without an open view fileName becomes "" at once. An empty dir starts in (and is set to)
    // "~/Desktop". Cancelling leaves fileName "" and dir as it was set.
    void PromptForFile(UTL_String* fileName, EFileAction action = kFileOpen,
                       UTL_String* dir = nullptr, const char* extensions = "") override;
    // Not supported: false.
    bool PromptForColor(IColor* color, const char* prompt = "") override;
    // A web address (http or https) or else a file path. False when it is no usable address or
    // the system could not open it.
    bool OpenURL(const char* url, const char* msgWindowTitle = nullptr,
                 const char* confirmMsg = nullptr, const char* errMsg = nullptr) override;
    // Opens a new view (an open one is closed first), inside parent (an NSView) when given;
    // without a parent the view is answered autoreleased, for the host to place.
    void* OpenWindow(void* parent) override;
    // A Carbon host's window and control: the editor opens in a window of its own attached
    // to that window (AttachSubWindow); answers the view.
    void* OpenWindow(void* window, void* control, int w, int h) override;
    void AttachSubWindow(void* parentWindowRef) override;
    void RemoveSubWindow() override;
    // Stops the view's timer and takes the view out of its superview; the view itself is the
    // window system's.
    void CloseWindow() override;
    void* GetWindow() override { return mView; }
    bool GetTextFromClipboard(UTL_String* text) override;
    // Hides the cursor for a fine drag and remembers where it was; once until shown again.
    void HideMouseCursor() override;
    // Puts the cursor back where it was hidden.
    void ShowMouseCursor() override;
    void UpdateTooltips() override;
    // The PNG named by the file name's base name, from the resource folder when one is set,
    // else from the bundle's resources; id is not used.
    PIX_IBitmap* OSLoadBitmap(int id, const char* name) override;

    // ---- Further operations

    // The bundle the editor's images come from; set by the plug-in before images load.
    void SetBundleID(const char* bundleID) { mBundleID.Set(bundleID); }
    const char* GetBundleID() const { return mBundleID.Get(); }
    // A folder to take the editor's images from instead of the bundle's; empty: the bundle's.
    void SetResourceFolder(const char* folder) { mResourceFolder.Set(folder); }
    // The system version as binary-coded decimal digits, such as 0x1068 for 10.6.8.
    int GetUserOSVersion();
    PIX_SysBitmap* GetDrawSurface() { return mDrawSurface.get(); }
    // The screen copy's colour space; null before the first copy.
    CGColorSpaceRef GetColorSpace() const { return mColorSpace; }

    // A new image of the resource of the bundle: fileName's base name, type png (the
    // extension must be png, in any case). Null when it cannot be found or read.
    static PIX_IBitmap* LoadImgFromResourceOSX(const char* bundleID, const char* fileName);

    // The view rectangle of an editor rectangle: the view's y axis points up.
    static NSRect ToNSRect(IGraphics* graphics, const IRECT& rect);

private:
    friend class IGraphicsCocoa;
    // The view is going while it still shows the editor.
    void ViewGone(IGraphicsCocoa* view);
    CGColorSpaceRef ColorSpace();
    // The copy doubled for a high-density screen, of the rows and columns the clip box (in
    // view coordinates) touches; null when no buffer of that size could be had.
    const PIX_pixel* DoubledSurface(CGRect clip, int* span);

    IGraphicsCocoa* mView = nullptr; // while open; not retained: the window system owns it
    UTL_String mBundleID;
    UTL_String mResourceFolder;
    CGColorSpaceRef mColorSpace = nullptr;
    UTL_HeapBuf mDoubleBuffer{4096};
    NSWindow* mHostWindow = nullptr; // the host's window wrapped by AttachSubWindow
};

// Makes an autorelease pool for its scope.
class CocoaAutoReleasePool {
public:
    CocoaAutoReleasePool() : mPool(new NSAutoreleasePool) {}
    ~CocoaAutoReleasePool() { mPool->release(); }
    CocoaAutoReleasePool(const CocoaAutoReleasePool&) = delete;
    CocoaAutoReleasePool& operator=(const CocoaAutoReleasePool&) = delete;

private:
    NSAutoreleasePool* mPool;
};
