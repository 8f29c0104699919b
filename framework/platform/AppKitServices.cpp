// Application loading, the cursor, the pasteboard, the workspace and the file panels.

#include "PlatformRuntime.h"

#include <string>

BOOL NSApplicationLoad() {
    GetPlatformRuntime();
    return YES;
}

// ---- Cursor --------------------------------------------------------------------------------

void NSCursor::hide() {
    CGDisplayHideCursor(CGMainDisplayID());
}

void NSCursor::unhide() {
    CGDisplayShowCursor(CGMainDisplayID());
}

NSCursor* NSCursor::arrowCursor() {
    static NSCursor cursor{"arrow"};
    return &cursor;
}

NSCursor* NSCursor::IBeamCursor() {
    static NSCursor cursor{"IBeam"};
    return &cursor;
}

NSCursor* NSCursor::crosshairCursor() {
    static NSCursor cursor{"crosshair"};
    return &cursor;
}

NSCursor* NSCursor::pointingHandCursor() {
    static NSCursor cursor{"pointingHand"};
    return &cursor;
}

NSCursor* NSCursor::currentCursor() {
    PlatformRuntime& runtime = GetPlatformRuntime();
    UTL_MutexLock lock(&runtime.mutex);
    return runtime.currentCursor ? runtime.currentCursor : arrowCursor();
}

void NSCursor::set() {
    {
        PlatformRuntime& runtime = GetPlatformRuntime();
        UTL_MutexLock lock(&runtime.mutex);
        runtime.currentCursor = this;
    }
    GetWindowSystem().SetCursorShape(mName);
}

// ---- Pasteboard ----------------------------------------------------------------------------

namespace {

NSConstantString gStringType{"public.utf8-plain-text"};
NSConstantString gLegacyStringType{"NSStringPboardType"};

// The modern name of a type.
std::string TypeName(NSString* type) {
    return type->isEqual(NSStringPboardType) ? NSPasteboardTypeString->UTF8String()
                                             : type->UTF8String();
}

} // namespace

NSString* const NSPasteboardTypeString = &gStringType;
NSString* const NSStringPboardType = &gLegacyStringType;

NSPasteboard* NSPasteboard::generalPasteboard() {
    static NSPasteboard pasteboard;
    return &pasteboard;
}

NSInteger NSPasteboard::clearContents() {
    return GetWindowSystem().ClearPasteboard();
}

NSInteger NSPasteboard::declareTypes(NSArray<NSString*>*, id) {
    return GetWindowSystem().ClearPasteboard();
}

bool NSPasteboard::setString(NSString* string, NSString* type) {
    return string && type &&
           GetWindowSystem().SetPasteboardString(TypeName(type), string->UTF8String());
}

NSString* NSPasteboard::stringForType(NSString* type) {
    if (!type) return nullptr;
    const std::optional<std::string> text = GetWindowSystem().PasteboardString(TypeName(type));
    return text ? NSString::stringWithUTF8String(text->c_str()) : nullptr;
}

NSInteger NSPasteboard::changeCount() {
    return GetWindowSystem().PasteboardChangeCount();
}

// ---- Workspace -----------------------------------------------------------------------------

NSWorkspace* NSWorkspace::sharedWorkspace() {
    static NSWorkspace workspace;
    return &workspace;
}

bool NSWorkspace::openURL(NSURL* url) {
    return url && GetWindowSystem().OpenURL(url->absoluteString()->UTF8String());
}

// ---- File panels ---------------------------------------------------------------------------

namespace {

template <class T> void Replace(T*& member, T* value) {
    if (value) value->retain();
    if (member) member->release();
    member = value;
}

std::vector<std::string> Texts(NSArray<NSString*>* strings) {
    std::vector<std::string> texts;
    if (strings)
        for (NSString* string : *strings)
            texts.emplace_back(string->UTF8String());
    return texts;
}

} // namespace

NSSavePanel::~NSSavePanel() {
    Replace<NSString>(mTitle, nullptr);
    Replace<NSArray<NSString*>>(mAllowedFileTypes, nullptr);
    Replace<NSString>(mDirectory, nullptr);
    Replace<NSArray<NSString*>>(mFilenames, nullptr);
}

NSSavePanel* NSSavePanel::savePanel() {
    return static_cast<NSSavePanel*>((new NSSavePanel)->autorelease());
}

NSOpenPanel* NSOpenPanel::openPanel() {
    return static_cast<NSOpenPanel*>((new NSOpenPanel)->autorelease());
}

void NSSavePanel::setTitle(NSString* title) {
    Replace(mTitle, title);
}

void NSSavePanel::setAllowedFileTypes(NSArray<NSString*>* types) {
    Replace(mAllowedFileTypes, types && types->count() ? types : nullptr);
}

NSInteger NSSavePanel::Run(NSString* path, NSString* name, NSArray<NSString*>* types) {
    FilePanelRequest request;
    request.kind = mIsOpenPanel ? FilePanelRequest::Kind::kOpen : FilePanelRequest::Kind::kSave;
    request.title = mTitle ? mTitle->UTF8String() : "";
    request.directory = path ? path->UTF8String() : "";
    request.file = name ? name->UTF8String() : "";
    request.allowedFileTypes = Texts(types ? types : mAllowedFileTypes);
    request.allowsOtherFileTypes = mAllowsOtherFileTypes;
    request.canChooseFiles = mCanChooseFiles;
    request.canChooseDirectories = mCanChooseDirectories;
    request.resolvesAliases = mResolvesAliases;
    request.allowsMultipleSelection = mAllowsMultipleSelection;
    if (path) Replace(mDirectory, path);
    Replace<NSArray<NSString*>>(mFilenames, nullptr);

    const FilePanelAnswer answer = GetWindowSystem().RunFilePanel(request);
    if (answer.response != NSOKButton || answer.paths.empty()) return NSCancelButton;
    auto* chosen = new NSMutableArray<NSString*>;
    for (const std::string& chosenPath : answer.paths) {
        chosen->addObject(NSString::stringWithUTF8String(chosenPath.c_str()));
        if (!mAllowsMultipleSelection) break;
    }
    mFilenames = chosen;
    if (NSString* first = chosen->firstObject())
        Replace(mDirectory, first->stringByDeletingLastPathComponent());
    return NSOKButton;
}

NSInteger NSSavePanel::runModalForDirectory(NSString* path, NSString* name) {
    return Run(path, name, nullptr);
}

NSInteger NSSavePanel::runModal() {
    return Run(mDirectory, nullptr, nullptr);
}

NSString* NSSavePanel::filename() const {
    return mFilenames ? mFilenames->firstObject() : nullptr;
}

NSURL* NSSavePanel::URL() const {
    return NSURL::fileURLWithPath(filename());
}

NSInteger NSOpenPanel::runModalForDirectory(NSString* path, NSString* name,
                                            NSArray<NSString*>* fileTypes) {
    return Run(path, name, fileTypes);
}

NSArray<NSString*>* NSOpenPanel::filenames() const {
    return mFilenames ? mFilenames : NSArray<NSString*>::array();
}

NSArray<NSURL*>* NSOpenPanel::URLs() const {
    auto* urls = NSMutableArray<NSURL*>::array();
    for (NSString* path : *filenames())
        urls->addObject(NSURL::fileURLWithPath(path));
    return urls;
}
