// Alerts, file panels, the pasteboard and the workspace answer from the headless script and
// record what they were asked; strings, URLs, standard folders and bundles answer as on the
// platform.

#include "TestSupport.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using ServicesTest = HeadlessTest;

std::string Str(NSString* string) {
    return string ? string->UTF8String() : "(null)";
}

NSString* S(const char* text) {
    return NSString::stringWithUTF8String(text);
}

// ---- Alerts --------------------------------------------------------------------------------

TEST_F(ServicesTest, AlertsAnswerFromTheScriptAndRecordWhatTheyShowed) {
    headless->script.alertResponses = {kCFUserNotificationAlternateResponse,
                                       kCFUserNotificationOtherResponse};
    // As a message box passes its texts: wrapped without copying.
    CFHolder<CFStringRef> header(CFStringCreateWithCStringNoCopy(
        nullptr, "Save preset?", kCFStringEncodingUTF8, kCFAllocatorNull));
    CFHolder<CFStringRef> message(CFStringCreateWithCStringNoCopy(
        nullptr, "It has changed.", kCFStringEncodingUTF8, kCFAllocatorNull));
    CFHolder<CFStringRef> yes(MakeString("Yes"));
    CFHolder<CFStringRef> no(MakeString("No"));
    CFOptionFlags response = 99;
    EXPECT_EQ(CFUserNotificationDisplayAlert(0, kCFUserNotificationNoteAlertLevel, nullptr, nullptr,
                                             nullptr, header.Get(), message.Get(), yes.Get(),
                                             no.Get(), nullptr, &response),
              0);
    EXPECT_EQ(response, kCFUserNotificationAlternateResponse);
    CFUserNotificationDisplayAlert(0, kCFUserNotificationStopAlertLevel, nullptr, nullptr, nullptr,
                                   header.Get(), message.Get(), nullptr, nullptr, nullptr,
                                   &response);
    EXPECT_EQ(response, kCFUserNotificationOtherResponse);
    // Past the script the user presses the default button.
    CFUserNotificationDisplayAlert(0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, &response);
    EXPECT_EQ(response, kCFUserNotificationDefaultResponse);
    CFUserNotificationDisplayAlert(0, 0, nullptr, nullptr, nullptr, header.Get(), nullptr, nullptr,
                                   nullptr, nullptr, nullptr);

    const std::vector<AlertRequest>& alerts = headless->record.alerts;
    ASSERT_EQ(alerts.size(), 4u);
    EXPECT_EQ(alerts[0].header, "Save preset?");
    EXPECT_EQ(alerts[0].message, "It has changed.");
    EXPECT_EQ(alerts[0].flags, kCFUserNotificationNoteAlertLevel);
    EXPECT_EQ(alerts[0].defaultButton, "Yes");
    EXPECT_EQ(alerts[0].alternateButton, "No");
    EXPECT_FALSE(alerts[0].otherButton.has_value());
    EXPECT_FALSE(alerts[1].defaultButton.has_value()) << "the system's OK";
    EXPECT_EQ(alerts[2].header, "");
}

// ---- File panels ---------------------------------------------------------------------------

TEST_F(ServicesTest, SavePanelsShowTheirTypesAndAnswerTheScriptedPath) {
    headless->script.filePanelAnswers.push_back({NSOKButton, {"/tmp/presets/warm.fxp"}});
    NSSavePanel* panel = NSSavePanel::savePanel();
    panel->setAllowedFileTypes(S("fxp fxb")->componentsSeparatedByString(S(" ")));
    panel->setAllowsOtherFileTypes(false);
    EXPECT_EQ(panel->filename(), nullptr);
    EXPECT_EQ(panel->runModalForDirectory(S("~/Desktop"), S("preset")), NSOKButton);
    EXPECT_EQ(Str(panel->filename()), "/tmp/presets/warm.fxp");
    EXPECT_EQ(Str(panel->directory()), "/tmp/presets");

    ASSERT_EQ(headless->record.filePanels.size(), 1u);
    const FilePanelRequest& request = headless->record.filePanels[0];
    EXPECT_EQ(request.kind, FilePanelRequest::Kind::kSave);
    EXPECT_EQ(request.directory, "~/Desktop");
    EXPECT_EQ(request.file, "preset");
    EXPECT_EQ(request.allowedFileTypes, (std::vector<std::string>{"fxp", "fxb"}));
    EXPECT_FALSE(request.allowsOtherFileTypes);

    // Unscripted, the user cancels and nothing is chosen.
    EXPECT_EQ(panel->runModalForDirectory(nullptr, nullptr), NSCancelButton);
    EXPECT_EQ(panel->filename(), nullptr);
    EXPECT_EQ(headless->record.filePanels[1].directory, "");
}

TEST_F(ServicesTest, OpenPanelsShowWhatMayBeChosenAndAnswerOnePath) {
    headless->script.filePanelAnswers.push_back({NSOKButton, {"/a/one.wav", "/a/two.wav"}});
    headless->script.filePanelAnswers.push_back({NSOKButton, {}});
    NSOpenPanel* panel = NSOpenPanel::openPanel();
    panel->setCanChooseFiles(true);
    panel->setCanChooseDirectories(false);
    panel->setResolvesAliases(true);
    NSArray<NSString*>* types = S("wav aif")->componentsSeparatedByString(S(" "));
    EXPECT_EQ(panel->runModalForDirectory(S("/a"), S(""), types), NSOKButton);
    EXPECT_EQ(Str(panel->filename()), "/a/one.wav");
    EXPECT_EQ(panel->runModalForDirectory(S("/a"), nullptr, nullptr), NSCancelButton)
        << "OK with nothing chosen";
    EXPECT_EQ(panel->filename(), nullptr);

    const FilePanelRequest& request = headless->record.filePanels[0];
    EXPECT_EQ(request.kind, FilePanelRequest::Kind::kOpen);
    EXPECT_TRUE(request.canChooseFiles);
    EXPECT_FALSE(request.canChooseDirectories);
    EXPECT_TRUE(request.resolvesAliases);
    EXPECT_EQ(request.allowedFileTypes, (std::vector<std::string>{"wav", "aif"}));
    EXPECT_TRUE(headless->record.filePanels[1].allowedFileTypes.empty());
}

// ---- Pasteboard and workspace --------------------------------------------------------------

TEST_F(ServicesTest, ThePasteboardHoldsStringsUnderEitherNameOfTheType) {
    NSPasteboard* pasteboard = NSPasteboard::generalPasteboard();
    EXPECT_EQ(pasteboard->stringForType(NSStringPboardType), nullptr);
    const NSInteger cleared = pasteboard->clearContents();
    EXPECT_TRUE(pasteboard->setString(S("-6.0 dB"), NSStringPboardType));
    EXPECT_EQ(Str(pasteboard->stringForType(NSPasteboardTypeString)), "-6.0 dB");
    EXPECT_EQ(Str(pasteboard->stringForType(NSStringPboardType)), "-6.0 dB");
    EXPECT_EQ(pasteboard->stringForType(S("public.png")), nullptr);
    EXPECT_FALSE(pasteboard->setString(nullptr, NSStringPboardType));
    EXPECT_EQ(pasteboard->clearContents(), cleared + 1);
    EXPECT_EQ(pasteboard->stringForType(NSStringPboardType), nullptr);
}

TEST_F(ServicesTest, TheWorkspaceOpensURLsAsScripted) {
    NSWorkspace* workspace = NSWorkspace::sharedWorkspace();
    EXPECT_TRUE(workspace->openURL(NSURL::URLWithString(S("https://example.org/manual"))));
    headless->script.openURLSucceeds = false;
    EXPECT_FALSE(workspace->openURL(NSURL::fileURLWithPath(S("/tmp/manual.pdf"))));
    EXPECT_FALSE(workspace->openURL(nullptr));
    EXPECT_EQ(headless->record.openedURLs,
              (std::vector<std::string>{"https://example.org/manual", "file:///tmp/manual.pdf"}));
}

// ---- URLs, strings and folders -------------------------------------------------------------

TEST(NSURL, WebURLsMustBeWellFormedAndFileURLsAreEncoded) {
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    NSURL* web = NSURL::URLWithString(S("http://example.org/a%20b/c?x=1#top"));
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(Str(web->path()), "/a b/c");
    for (const char* bad : {"", "http://example.org/a b", "http://example.org/<x>", "http://x/%4",
                            "http://x/%zz", "a#b#c", "http://exämple.org"})
        EXPECT_EQ(NSURL::URLWithString(S(bad)), nullptr) << bad;
    EXPECT_EQ(NSURL::URLWithString(nullptr), nullptr);

    NSURL* file = NSURL::fileURLWithPath(S("/tmp/a b/knob.png"));
    EXPECT_EQ(Str(file->absoluteString()), "file:///tmp/a%20b/knob.png");
    EXPECT_EQ(Str(file->path()), "/tmp/a b/knob.png");
    EXPECT_EQ(Str(NSURL::fileURLWithPath(S("/tmp"))->absoluteString()), "file:///tmp/");
    EXPECT_TRUE(file->isEqual(NSURL::URLWithString(S("file:///tmp/a%20b/knob.png"))));
    pool->release();
}

TEST(NSString, PathsFollowThePlatformsRules) {
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    struct Case {
        const char* path;
        const char* last;
        const char* withoutLast;
        const char* withoutExtension;
    };
    const Case cases[] = {
        {"/tmp/scratch.tiff", "scratch.tiff", "/tmp", "/tmp/scratch"},
        {"/tmp/scratch", "scratch", "/tmp", "/tmp/scratch"},
        {"/tmp/lock/", "lock", "/tmp", "/tmp/lock"},
        {"/tmp/", "tmp", "/", "/tmp"},
        {"/", "/", "/", "/"},
        {"scratch.tiff", "scratch.tiff", "", "scratch"},
        {"/tmp/scratch..tiff", "scratch..tiff", "/tmp", "/tmp/scratch."},
        {".scratch.tiff", ".scratch.tiff", "", ".scratch"},
        {"/tmp/.hidden", ".hidden", "/tmp", "/tmp/.hidden"},
        {"resources/img/Brindlex_knob.PNG", "Brindlex_knob.PNG", "resources/img",
         "resources/img/Brindlex_knob"},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        NSString* path = S(c.path);
        EXPECT_EQ(Str(path->lastPathComponent()), c.last);
        EXPECT_EQ(Str(path->stringByDeletingLastPathComponent()), c.withoutLast);
        EXPECT_EQ(Str(path->stringByDeletingPathExtension()), c.withoutExtension);
    }

    NSArray<NSString*>* parts = S("a  b")->componentsSeparatedByString(S(" "));
    ASSERT_EQ(parts->count(), 3u);
    EXPECT_EQ(Str(parts->objectAtIndex(1)), "");
    EXPECT_EQ(parts->objectAtIndex(3), nullptr);
    EXPECT_EQ(Str(parts->objectAtIndex(2)), "b");
    EXPECT_EQ(S("é😀")->length(), 3u) << "UTF-16 code units";
    EXPECT_EQ(NSString::stringWithUTF8String("\xff"), nullptr);
    EXPECT_TRUE(S("abc")->isEqual(NSSTR("abc")));
    EXPECT_EQ(S("abc")->hash(), NSSTR("abc")->hash());
    pool->release();
}

TEST(NSSearchPath, AnswersThePlatformsFoldersUnderTheHomeFolder) {
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    const char* saved = std::getenv("HOME");
    const std::string savedHome = saved ? saved : "";
    setenv("HOME", "/home/tester", 1);
    EXPECT_EQ(Str(NSHomeDirectory()), "/home/tester");
    EXPECT_EQ(Str(S("~/Desktop")->stringByExpandingTildeInPath()), "/home/tester/Desktop");
    EXPECT_EQ(Str(S("~")->stringByExpandingTildeInPath()), "/home/tester");
    EXPECT_EQ(Str(S("/tmp/~x")->stringByExpandingTildeInPath()), "/tmp/~x");
    EXPECT_EQ(Str(S("~no-such-user-here/x")->stringByExpandingTildeInPath()),
              "~no-such-user-here/x");

    NSArray<NSString*>* desktop =
        NSSearchPathForDirectoriesInDomains(NSDesktopDirectory, NSUserDomainMask, true);
    ASSERT_EQ(desktop->count(), 1u);
    EXPECT_EQ(Str(desktop->firstObject()), "/home/tester/Desktop");
    EXPECT_EQ(Str(NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory,
                                                      NSUserDomainMask, false)
                      ->firstObject()),
              "~/Library/Application Support");
    EXPECT_EQ(Str(NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory,
                                                      NSSystemDomainMask, true)
                      ->firstObject()),
              "/System/Library/Application Support");
    NSArray<NSString*>* all =
        NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, NSAllDomainsMask, true);
    ASSERT_EQ(all->count(), 4u);
    EXPECT_EQ(Str(all->objectAtIndex(1)), "/Library/Application Support");
    EXPECT_EQ(
        NSSearchPathForDirectoriesInDomains(NSDesktopDirectory, NSSystemDomainMask, true)->count(),
        0u);
    if (saved)
        setenv("HOME", savedHome.c_str(), 1);
    else
        unsetenv("HOME");
    pool->release();
}

// ---- Bundles -------------------------------------------------------------------------------

TEST(NSBundle, FindsResourcesAndTheExecutableOfALoadedBundle) {
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    const TestComponentBundle& component = LoadTestComponentBundle();
    NSBundle* bundle = NSBundle::bundleWithIdentifier(S("org.brindlex.platform-test"));
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle, NSBundle::bundleWithPath(S(component.bundlePath.c_str())))
        << "one object per bundle";
    EXPECT_EQ(Str(bundle->bundlePath()), component.bundlePath);
    EXPECT_EQ(Str(bundle->executablePath()), component.executablePath);
    EXPECT_EQ(Str(bundle->pathForResource(S("knob"), S("png"))),
              component.bundlePath + "/Contents/Resources/knob.png");
    EXPECT_EQ(bundle->pathForResource(S("knob"), S("gif")), nullptr);
    EXPECT_EQ(bundle->pathForResource(nullptr, S("png")), nullptr);
    EXPECT_EQ(bundle->pathForResource(S("../Info"), S("plist")), nullptr);
    EXPECT_EQ(NSBundle::bundleWithIdentifier(S("org.brindlex.missing")), nullptr);
    EXPECT_EQ(NSBundle::bundleWithIdentifier(nullptr), nullptr);
    EXPECT_EQ(NSBundle::bundleWithPath(S("/no/such/folder")), nullptr);

    // The component's view factory lies in its bundle, not in the main one.
    EXPECT_NE(bundle->classNamed(S("PlatformTest_ViewFactory")), nullptr);
    EXPECT_EQ(bundle->classNamed(S("NoSuchClass")), nullptr);
    pool->release();
}

} // namespace
