// What the Mac editor asks of the system: images from the bundle, the cursor, tool tips,
// prompts, message boxes, file panels, addresses, folders and the clipboard.
#include "IGraphicsMac.h"

#include "IControl.h"
#include "IGraphicsCocoa.h"

#include <cstring>
#include <string>
#include <strings.h>

namespace {

// Message box types and answers, as the Windows API numbers them.
enum EMessageBoxType { kMBOk = 0, kMBOkCancel = 1, kMBYesNoCancel = 3, kMBYesNo = 4 };
enum EMessageBoxAnswer { kAnswerNone = 0, kAnswerOk = 1, kAnswerCancel = 2, kAnswerNo = 7 };

NSString* Text(const char* text) {
    return NSString::stringWithUTF8String(text ? text : "");
}

// The bundle the editor belongs to, or null when it is not loaded.
NSBundle* PluginBundle(const char* bundleID) {
    return NSBundle::bundleWithIdentifier(Text(bundleID));
}

// The first folder of the kind in the domain, tilde expanded; null when there is none.
NSString* SearchPath(NSSearchPathDirectory directory, NSSearchPathDomainMask domain) {
    NSString* first = NSSearchPathForDirectoriesInDomains(directory, domain, true)->firstObject();
    return first ? first->stringByExpandingTildeInPath() : nullptr;
}

// ---- Images --------------------------------------------------------------------------------

// The resource name of an image file: its base name without the extension; null unless the
// extension is png.
NSString* PNGResourceName(const char* fileName) {
    if (!fileName) return nullptr;
    const char* dot = std::strrchr(fileName, '.');
    if (!dot || strcasecmp(dot + 1, "png") != 0) return nullptr;
    return Text(fileName)->lastPathComponent()->stringByDeletingPathExtension();
}

// The image of the file name's base name, type png, in a folder of images rather than a
// bundle; null when it cannot be found or read.
PIX_IBitmap* LoadImgFromFolder(const char* folder, const char* fileName) {
    CocoaAutoReleasePool pool;
    NSString* name = PNGResourceName(fileName);
    if (!name || !folder || !*folder) return nullptr;
    const std::string path = std::string(folder) + "/" + name->UTF8String() + ".png";
    return PIX_OpenPNG(path.c_str());
}

} // namespace

PIX_IBitmap* IGraphicsMac::LoadImgFromResourceOSX(const char* bundleID, const char* fileName) {
    CocoaAutoReleasePool pool;
    NSString* name = PNGResourceName(fileName);
    NSBundle* bundle = name ? PluginBundle(bundleID) : nullptr;
    NSString* path = bundle ? bundle->pathForResource(name, NSSTR("png")) : nullptr;
    if (!path || path->length() == 0) return nullptr;
    // Only the header now: an editor that is never opened or drawn never decodes its images.
    return PIX_OpenPNG(path->UTF8String());
}

PIX_IBitmap* IGraphicsMac::OSLoadBitmap(int, const char* name) {
    if (*mResourceFolder.Get()) return LoadImgFromFolder(mResourceFolder.Get(), name);
    return LoadImgFromResourceOSX(GetBundleID(), name);
}

// ---- Cursor --------------------------------------------------------------------------------

void IGraphicsMac::HideMouseCursor() {
    if (mCursorHidden) return;
    const CGDirectDisplayID display = CGMainDisplayID();
    if (CGDisplayHideCursor(display) == kCGErrorSuccess) mCursorHidden = true;
    // Where it was, with the origin at the top-left corner as the display counts.
    const NSPoint location = NSEvent::mouseLocation();
    mHiddenCursorX = static_cast<int>(location.x);
    mHiddenCursorY = static_cast<int>(CGFloat(CGDisplayPixelsHigh(display)) - location.y);
}

void IGraphicsMac::ShowMouseCursor() {
    if (!mCursorHidden) return;
    const CGDirectDisplayID display = CGMainDisplayID();
    CGDisplayMoveCursorToPoint(display, CGPointMake(mHiddenCursorX, mHiddenCursorY));
    if (CGDisplayShowCursor(display) == kCGErrorSuccess) mCursorHidden = false;
}

// ---- Tool tips -----------------------------------------------------------------------------

void IGraphicsMac::UpdateTooltips() {
    if (!mView || !TooltipsEnabled()) return;
    CocoaAutoReleasePool pool;
    mView->removeAllToolTips();
    for (int i = 0; i < NControls(); ++i) {
        IControl* control = GetControl(i);
        const char* tooltip = control->GetTooltip();
        if (tooltip && *tooltip && !control->IsHidden() && !control->GetTargetRECT().Empty())
            mView->registerToolTip(control->GetTargetRECT());
    }
}

// ---- Prompts -------------------------------------------------------------------------------

void IGraphicsMac::ForceEndUserEdit() {
    if (mView) mView->endUserInput();
}

IPopupMenu* IGraphicsMac::CreateIPopupMenu(IPopupMenu* menu, const IRECT& rect) {
    ReleaseMouseCapture();
    if (!mView || !menu) return nullptr;
    return mView->createIPopupMenu(menu, ToNSRect(this, rect));
}

void IGraphicsMac::CreateTextEntry(IControl* control, const IText* text, const IRECT& rect,
                                   const char* str, IParam* param) {
    if (mView) mView->createTextEntry(control, param, text, str, ToNSRect(this, rect));
}

int IGraphicsMac::ShowMessageBox(const char* text, const char* caption, int type) {
    CFStringRef defaultButton = nullptr, alternateButton = nullptr, otherButton = nullptr;
    // Cancel answers Cancel, whichever button shows it.
    EMessageBoxAnswer alternateAnswer = kAnswerNo;
    switch (type) {
    case kMBOkCancel:
        alternateButton = CFSTR("Cancel");
        alternateAnswer = kAnswerCancel;
        break;
    case kMBYesNoCancel:
        defaultButton = CFSTR("Yes");
        alternateButton = CFSTR("No");
        otherButton = CFSTR("Cancel");
        break;
    case kMBYesNo:
        defaultButton = CFSTR("Yes");
        alternateButton = CFSTR("No");
        break;
    default: // kMBOk
        break;
    }
    CFStringRef header = CFStringCreateWithCStringNoCopy(nullptr, caption ? caption : "",
                                                         kCFStringEncodingUTF8, kCFAllocatorNull);
    CFStringRef message = CFStringCreateWithCStringNoCopy(nullptr, text ? text : "",
                                                          kCFStringEncodingUTF8, kCFAllocatorNull);
    CFOptionFlags response = kCFUserNotificationCancelResponse;
    const SInt32 shown = CFUserNotificationDisplayAlert(
        0, kCFUserNotificationNoteAlertLevel, nullptr, nullptr, nullptr, header, message,
        defaultButton, alternateButton, otherButton, &response);
    if (header) CFRelease(header);
    if (message) CFRelease(message);
    if (shown != 0) return kAnswerNone;
    switch (response) {
    case kCFUserNotificationDefaultResponse:
        return kAnswerOk;
    case kCFUserNotificationAlternateResponse:
        return alternateAnswer;
    case kCFUserNotificationOtherResponse:
        return kAnswerCancel;
    default:
        return kAnswerNone;
    }
}

void IGraphicsMac::PromptForFile(UTL_String* fileName, EFileAction action, UTL_String* dir,
                                 const char* extensions) {
    if (!fileName) return;
    if (!WindowIsOpen()) {
        fileName->Set("");
        return;
    }
    CocoaAutoReleasePool pool;
    NSString* startName = Text(fileName->Get());
    if (dir && !*dir->Get()) dir->Set("~/Desktop");
    NSString* startFolder = Text(dir ? dir->Get() : "~/Desktop")->stringByExpandingTildeInPath();
    fileName->Set("");

    // Blanks separate the types; runs of them make no empty type.
    NSMutableArray<NSString*>* types = NSMutableArray<NSString*>::array();
    for (NSString* type : *Text(extensions)->componentsSeparatedByString(NSSTR(" ")))
        if (type->length() > 0) types->addObject(type);

    NSSavePanel* panel = nullptr;
    NSInteger result = NSCancelButton;
    if (action == kFileSave) {
        panel = NSSavePanel::savePanel();
        panel->setAllowedFileTypes(types);
        panel->setAllowsOtherFileTypes(false);
        result = panel->runModalForDirectory(startFolder, startName);
    } else {
        NSOpenPanel* openPanel = NSOpenPanel::openPanel();
        openPanel->setCanChooseFiles(true);
        openPanel->setCanChooseDirectories(false);
        openPanel->setResolvesAliases(true);
        result = openPanel->runModalForDirectory(startFolder, startName,
                                                 types->count() ? types : nullptr);
        panel = openPanel;
    }
    NSString* chosen = panel->filename();
    if (result != NSOKButton || !chosen) return;
    fileName->Set(chosen->UTF8String());
    if (dir) {
        dir->Set(chosen->stringByDeletingLastPathComponent()->UTF8String());
        dir->Append("/");
    }
}

bool IGraphicsMac::PromptForColor(IColor*, const char*) {
    return false;
}

// ---- Addresses, folders, clipboard ---------------------------------------------------------

bool IGraphicsMac::OpenURL(const char* url, const char*, const char*, const char*) {
    if (!url) return false;
    CocoaAutoReleasePool pool;
    NSString* text = Text(url);
    NSURL* address =
        std::strstr(url, "http") ? NSURL::URLWithString(text) : NSURL::fileURLWithPath(text);
    // An address that cannot be made opens nothing, and says so.
    return address && NSWorkspace::sharedWorkspace()->openURL(address);
}

void IGraphicsMac::HostPath(UTL_String* path) {
    CocoaAutoReleasePool pool;
    NSBundle* bundle = PluginBundle(GetBundleID());
    NSString* executable = bundle ? bundle->executablePath() : nullptr;
    if (path && executable) path->Set(executable->UTF8String());
}

void IGraphicsMac::PluginPath(UTL_String* path) {
    CocoaAutoReleasePool pool;
    NSBundle* bundle = PluginBundle(GetBundleID());
    if (!path || !bundle) return;
    path->Set(bundle->bundlePath()->stringByDeletingLastPathComponent()->UTF8String());
    path->Append("/");
}

void IGraphicsMac::DesktopPath(UTL_String* path) {
    CocoaAutoReleasePool pool;
    NSString* desktop = SearchPath(NSDesktopDirectory, NSUserDomainMask);
    if (path && desktop) path->Set(desktop->UTF8String());
}

void IGraphicsMac::AppSupportPath(UTL_String* path, bool isSystem) {
    CocoaAutoReleasePool pool;
    NSString* support =
        SearchPath(NSApplicationSupportDirectory, isSystem ? NSSystemDomainMask : NSUserDomainMask);
    if (path && support) path->Set(support->UTF8String());
}

void IGraphicsMac::SandboxSafeAppSupportPath(UTL_String* path) {
    CocoaAutoReleasePool pool;
    if (!path) return;
    path->Set(NSHomeDirectory()->UTF8String());
    path->Append("/Music");
}

bool IGraphicsMac::GetTextFromClipboard(UTL_String* text) {
    CocoaAutoReleasePool pool;
    NSString* string = NSPasteboard::generalPasteboard()->stringForType(NSStringPboardType);
    if (text) text->Set(string ? string->UTF8String() : "");
    return string != nullptr;
}
