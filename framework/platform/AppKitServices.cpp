// Application loading, the cursor, the pasteboard, the workspace and the file panels.

#include "PlatformRuntime.h"

#include <string>

BOOL NSApplicationLoad() {
    GetPlatformRuntime();
    return YES;
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

bool NSPasteboard::setString(NSString* string, NSString* type) {
    return string && type &&
           GetWindowSystem().SetPasteboardString(TypeName(type), string->UTF8String());
}

NSString* NSPasteboard::stringForType(NSString* type) {
    if (!type) return nullptr;
    const std::optional<std::string> text = GetWindowSystem().PasteboardString(TypeName(type));
    return text ? NSString::stringWithUTF8String(text->c_str()) : nullptr;
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
    Replace<NSArray<NSString*>>(mAllowedFileTypes, nullptr);
    Replace<NSString>(mDirectory, nullptr);
    Replace<NSString>(mFilename, nullptr);
}

NSSavePanel* NSSavePanel::savePanel() {
    return static_cast<NSSavePanel*>((new NSSavePanel)->autorelease());
}

NSOpenPanel* NSOpenPanel::openPanel() {
    return static_cast<NSOpenPanel*>((new NSOpenPanel)->autorelease());
}

void NSSavePanel::setAllowedFileTypes(NSArray<NSString*>* types) {
    Replace(mAllowedFileTypes, types && types->count() ? types : nullptr);
}

NSInteger NSSavePanel::Run(NSString* path, NSString* name, NSArray<NSString*>* types) {
    FilePanelRequest request;
    request.kind = mIsOpenPanel ? FilePanelRequest::Kind::kOpen : FilePanelRequest::Kind::kSave;
    request.directory = path ? path->UTF8String() : "";
    request.file = name ? name->UTF8String() : "";
    request.allowedFileTypes = Texts(types ? types : mAllowedFileTypes);
    request.allowsOtherFileTypes = mAllowsOtherFileTypes;
    request.canChooseFiles = mCanChooseFiles;
    request.canChooseDirectories = mCanChooseDirectories;
    request.resolvesAliases = mResolvesAliases;
    if (path) Replace(mDirectory, path);
    Replace<NSString>(mFilename, nullptr);

    const FilePanelAnswer answer = GetWindowSystem().RunFilePanel(request);
    if (answer.response != NSOKButton || answer.paths.empty()) return NSCancelButton;
    // One file is chosen: the first the window system answers.
    Replace(mFilename, NSString::stringWithUTF8String(answer.paths.front().c_str()));
    Replace(mDirectory, mFilename->stringByDeletingLastPathComponent());
    return NSOKButton;
}

NSInteger NSSavePanel::runModalForDirectory(NSString* path, NSString* name) {
    return Run(path, name, nullptr);
}

NSString* NSSavePanel::filename() const {
    return mFilename;
}

NSInteger NSOpenPanel::runModalForDirectory(NSString* path, NSString* name,
                                            NSArray<NSString*>* fileTypes) {
    return Run(path, name, fileTypes);
}
