// The Mac back end: images from the bundle, the screen copy, the view's life in a host's view or
// over a Carbon host's window, and what it asks of the system.

#include "AudioUnit.h"
#include "MacEditorTest.h"

#include <cstdlib>
#include <memory>

namespace {

using MacEditor = MacEditorTest;

// ---- Images --------------------------------------------------------------------------------

TEST_F(MacEditor, ImagesAreTheBundlesPngResourcesOfTheFilesBaseName) {
    std::unique_ptr<PIX_IBitmap> knob(
        IGraphicsMac::LoadImgFromResourceOSX(kTestBundleID, "resources/img/knob.png"));
    ASSERT_NE(knob, nullptr);
    EXPECT_EQ(knob->getWidth(), 8);
    EXPECT_EQ(knob->getHeight(), 6);
    EXPECT_EQ(SourceOf(PIX_GetPixel(knob.get(), 5, 4)), std::make_pair(5, 4));

    std::unique_ptr<PIX_IBitmap> capitals(editor->OSLoadBitmap(0, "elsewhere/knob.PNG"));
    EXPECT_NE(capitals, nullptr) << "the extension in any case, the type png";
    // fake.gif is in the bundle, and a PNG at that: refused by its name alone.
    EXPECT_EQ(editor->OSLoadBitmap(0, "fake.gif"), nullptr);
    EXPECT_EQ(editor->OSLoadBitmap(0, "fake.png"), nullptr) << "no such resource";
    EXPECT_EQ(editor->OSLoadBitmap(0, "knob"), nullptr) << "no extension";
    EXPECT_EQ(editor->OSLoadBitmap(0, "knob.png.gif"), nullptr);
    EXPECT_EQ(editor->OSLoadBitmap(0, nullptr), nullptr);
    EXPECT_EQ(editor->OSLoadBitmap(0, "broken.png"), nullptr) << "not an image";
    EXPECT_EQ(IGraphicsMac::LoadImgFromResourceOSX("org.brindlex.nowhere", "knob.png"), nullptr);
    EXPECT_EQ(IGraphicsMac::LoadImgFromResourceOSX(nullptr, "knob.png"), nullptr);

    // Through the editor's cache: the image draws.
    const IBitmap bitmap = editor->LoadIBitmap(UniqueImageId(), "knob.png", 2);
    EXPECT_EQ(bitmap.width, 8);
    EXPECT_EQ(bitmap.frameCount, 2);
}

// ---- The screen copy -----------------------------------------------------------------------

// A control that draws nothing, so that the surface shows what the test puts there.
IControl* Blank(IFxBase* plug) {
    return new ProbeControl(plug, IRECT(0, 0, 1, 1));
}

void FillSurface(IGraphicsMac* editor) {
    PIX_SysBitmap* surface = editor->GetDrawSurface();
    for (int y = 0; y < surface->getHeight(); ++y)
        for (int x = 0; x < surface->getWidth(); ++x)
            surface->getBits()[y * surface->getRowSpan() + x] =
                PIX_RGBA(x * 2, y * 4, 255 - x, 255);
}

uint32_t Shown(int x, int y) {
    return uint32_t(x * 2) << 16 | uint32_t(y * 4) << 8 | uint32_t(255 - x);
}

TEST_F(MacEditor, TheViewShowsTheSurfacePixelForPixel) {
    editor->AttachControl(Blank(&plug));
    EXPECT_FALSE(editor->DrawScreen(IRECT())) << "no view";
    OpenInWindow();
    FillSurface(editor);
    EXPECT_FALSE(editor->DrawScreen(IRECT())) << "no drawing context outside the view's drawing";
    view->display();
    ASSERT_NE(view->backingStore(), nullptr);
    EXPECT_EQ(CGBitmapContextGetWidth(view->backingStore()), size_t(kWidth));
    for (const auto& [x, y] : {std::pair{0, 0}, {99, 0}, {0, 59}, {99, 59}, {37, 21}})
        EXPECT_EQ(ViewPixel(x, y), Shown(x, y)) << x << ", " << y;
    // The system's colour profile is used from 10.7 on only.
    ASSERT_NE(editor->GetColorSpace(), nullptr);
    EXPECT_EQ(CGColorSpaceCopyName(editor->GetColorSpace()), nullptr) << "10.6.8: device RGB";
}

TEST_F(MacEditor, OnAHighDensityScreenEachPixelIsDoubled) {
    headless->script.systemVersion = {10, 7, 2};
    editor->AttachControl(Blank(&plug));
    OpenInWindow(2);
    FillSurface(editor);
    view->display();
    CGContextRef store = view->backingStore();
    ASSERT_EQ(CGBitmapContextGetWidth(store), size_t(2 * kWidth));
    ASSERT_EQ(CGBitmapContextGetHeight(store), size_t(2 * kHeight));
    for (int y = 0; y < 2 * kHeight; ++y)
        for (int x = 0; x < 2 * kWidth; ++x)
            ASSERT_EQ(ViewPixel(x, y), Shown(x / 2, y / 2)) << x << ", " << y;

    // A repaint of part of the view doubles and copies that part.
    FillSurface(editor);
    editor->GetDrawSurface()->getBits()[10 * editor->GetDrawSurface()->getRowSpan() + 10] =
        PIX_RGBA(1, 2, 3, 255);
    editor->GetDrawSurface()->getBits()[50 * editor->GetDrawSurface()->getRowSpan() + 90] =
        PIX_RGBA(4, 5, 6, 255);
    view->setNeedsDisplayInRect(NSMakeRect(5, 45, 10, 10)); // editor rows 5 to 14
    view->displayIfNeeded();
    EXPECT_EQ(ViewPixel(21, 21), 0x010203u);
    EXPECT_EQ(ViewPixel(180, 100), Shown(90, 50)) << "outside the repaint";

    CFStringRef profile = CGColorSpaceCopyName(editor->GetColorSpace());
    ASSERT_NE(profile, nullptr) << "10.7.2 with a system profile";
    EXPECT_EQ(CFStringCompare(profile, CFSTR("Generic RGB Profile"), 0), kCFCompareEqualTo);
    CFRelease(profile);
}

TEST_F(MacEditor, WithoutASystemProfileTheCopyIsInDeviceRGB) {
    headless->script.systemVersion = {10, 9, 5};
    headless->script.systemColorProfile.reset();
    editor->AttachControl(Blank(&plug));
    OpenInWindow();
    view->display();
    ASSERT_NE(editor->GetColorSpace(), nullptr);
    EXPECT_EQ(CGColorSpaceCopyName(editor->GetColorSpace()), nullptr);
}

TEST_F(MacEditor, ToNSRectTurnsTheYAxisUp) {
    IGraphicsMac tall(&plug, 400, 300);
    const NSRect rect = IGraphicsMac::ToNSRect(&tall, IRECT(10, 20, 110, 70));
    EXPECT_TRUE(NSEqualRects(rect, NSMakeRect(10, 229, 101, 51)));
}

// ---- The view's life -----------------------------------------------------------------------

TEST_F(MacEditor, OpensInTheHostsViewAndClosesStoppingTheTimerFirst) {
    EXPECT_STREQ(editor->GetGUIAPI(), "Cocoa GUI");
    EXPECT_FALSE(editor->WindowIsOpen());
    OpenInWindow();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(editor->WindowIsOpen());
    EXPECT_EQ(editor->GetWindow(), view);
    EXPECT_EQ(view->superview(), window->contentView());
    EXPECT_TRUE(NSEqualRects(view->frame(), NSMakeRect(0, 0, kWidth, kHeight)));
    EXPECT_TRUE(view->isTimerRunning());
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 1u);

    // Opening again replaces the view.
    view->retain();
    IGraphicsCocoa* first = view;
    view = static_cast<IGraphicsCocoa*>(editor->OpenWindow(window->contentView()));
    EXPECT_NE(view, first);
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 1u);
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_FALSE(first->isTimerRunning());
    EXPECT_EQ(first->graphics(), nullptr);
    first->release();

    view->retain();
    editor->CloseWindow();
    EXPECT_FALSE(editor->WindowIsOpen());
    EXPECT_FALSE(view->isTimerRunning());
    EXPECT_EQ(view->superview(), nullptr);
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), 0u);
    view->release();
    editor->CloseWindow(); // again: nothing to close
}

TEST_F(MacEditor, AttachesItsOwnWindowOverACarbonHostsWindowAndRemovesIt) {
    const Rect bounds{100, 100, 400, 500}; // 400 wide: the editor sits 150 in
    WindowRef carbon = nullptr;
    ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &bounds, &carbon), noErr);
    auto* opened = static_cast<IGraphicsCocoa*>(editor->OpenWindow(carbon, nullptr, 0, 0));
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(editor->GetWindow(), opened);
    NSWindow* child = opened->window();
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(child->canBecomeKeyWindow());
    EXPECT_FALSE(child->hasShadow());
    EXPECT_EQ(child->frame().origin.x, 250);
    EXPECT_EQ(child->frame().size.width, kWidth);
    ASSERT_NE(child->parentWindow(), nullptr);
    EXPECT_EQ(child->parentWindow()->windowRef(), carbon);
    Run(0.2);
    EXPECT_EQ(headless->VisibleWindows().size(), 2u);
    EXPECT_TRUE(opened->isTimerRunning());

    // Attaching again first removes the earlier window.
    editor->AttachSubWindow(carbon);
    EXPECT_EQ(headless->VisibleWindows().size(), 2u);

    editor->RemoveSubWindow();
    EXPECT_FALSE(editor->WindowIsOpen());
    EXPECT_TRUE(headless->VisibleWindows().empty());
    Run(0.2);
    EXPECT_TRUE(headless->VisibleWindows().empty()) << "no delayed bring-to-front after removal";
    editor->RemoveSubWindow(); // nothing attached
    DisposeWindow(carbon);
    EXPECT_EQ(editor->OpenWindow(nullptr, nullptr, 0, 0), nullptr) << "no Carbon window";
}

TEST_F(MacEditor, ResizingToTheSameSizeDoesNothing) {
    auto* probe = new ProbeControl(&plug, IRECT(0, 0, 5, 5));
    editor->AttachControl(probe);
    OpenInWindow();
    editor->Resize(kWidth, kHeight);
    ASSERT_EQ(editor->NControls(), 1);
    EXPECT_EQ(editor->GetControl(0), probe);
    EXPECT_TRUE(plug.mResizes.empty());

    editor->Resize(80, 40);
    EXPECT_EQ(editor->NControls(), 0);
    EXPECT_TRUE(NSEqualSizes(view->frame().size, NSMakeSize(80, 40)));
    EXPECT_EQ(editor->GetDrawSurface()->getWidth(), 80);
    ASSERT_EQ(plug.mResizes.size(), 1u);
}

// ---- The cursor ----------------------------------------------------------------------------

TEST_F(MacEditor, HidingTwiceAndShowingOnceRestoresTheCursorWhereItWasFirstHidden) {
    headless->MovePointer(CGPointMake(300, 200));
    editor->HideMouseCursor();
    EXPECT_FALSE(headless->CursorVisible());
    headless->MovePointer(CGPointMake(340, 260)); // the drag moves on
    editor->HideMouseCursor();
    EXPECT_EQ(headless->CursorHideCount(), 1);
    editor->ShowMouseCursor();
    EXPECT_TRUE(headless->CursorVisible());
    ASSERT_EQ(headless->record.cursorMoves.size(), 1u);
    EXPECT_EQ(headless->record.cursorMoves[0].x, 300);
    EXPECT_EQ(headless->record.cursorMoves[0].y, 200);
    editor->ShowMouseCursor();
    EXPECT_EQ(headless->record.cursorMoves.size(), 1u) << "shown already";

    // A hide that fails is tried again next time.
    headless->script.cursorCallsFail = true;
    editor->HideMouseCursor();
    EXPECT_TRUE(headless->CursorVisible());
    headless->script.cursorCallsFail = false;
    editor->HideMouseCursor();
    EXPECT_FALSE(headless->CursorVisible());
    editor->ShowMouseCursor();
    EXPECT_TRUE(headless->CursorVisible());

    // The editor closing in the middle of a drag gives the cursor back.
    OpenInWindow();
    editor->HideMouseCursor();
    editor->CloseWindow();
    EXPECT_TRUE(headless->CursorVisible());
}

// ---- Message boxes -------------------------------------------------------------------------

TEST_F(MacEditor, MessageBoxesMapTheirButtonsToAnswers) {
    struct Case {
        int type;
        CFOptionFlags response;
        int answer;
        const char* defaultButton;
        const char* alternateButton;
        const char* otherButton;
    };
    const Case cases[] = {
        {0, kCFUserNotificationDefaultResponse, 1, nullptr, nullptr, nullptr},
        {1, kCFUserNotificationDefaultResponse, 1, nullptr, "Cancel", nullptr},
        {1, kCFUserNotificationAlternateResponse, 2, nullptr, "Cancel", nullptr},
        {3, kCFUserNotificationDefaultResponse, 1, "Yes", "No", "Cancel"},
        {3, kCFUserNotificationAlternateResponse, 7, "Yes", "No", "Cancel"},
        {3, kCFUserNotificationOtherResponse, 2, "Yes", "No", "Cancel"},
        {4, kCFUserNotificationDefaultResponse, 1, "Yes", "No", nullptr},
        {4, kCFUserNotificationAlternateResponse, 7, "Yes", "No", nullptr},
        {4, kCFUserNotificationCancelResponse, 0, "Yes", "No", nullptr},
        {2, kCFUserNotificationDefaultResponse, 1, nullptr, nullptr, nullptr}, // as 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + ", response " + std::to_string(c.response));
        headless->record.alerts.clear();
        headless->script.alertResponses = {c.response};
        EXPECT_EQ(editor->ShowMessageBox("Replace the preset?", "Brindlex", c.type), c.answer);
        ASSERT_EQ(headless->record.alerts.size(), 1u);
        const AlertRequest& alert = headless->record.alerts[0];
        EXPECT_EQ(alert.header, "Brindlex");
        EXPECT_EQ(alert.message, "Replace the preset?");
        EXPECT_EQ(alert.timeout, 0);
        EXPECT_EQ(alert.flags, CFOptionFlags(kCFUserNotificationNoteAlertLevel));
        auto same = [](const std::optional<std::string>& shown, const char* expected) {
            return expected ? shown == std::string(expected) : !shown;
        };
        EXPECT_TRUE(same(alert.defaultButton, c.defaultButton));
        EXPECT_TRUE(same(alert.alternateButton, c.alternateButton));
        EXPECT_TRUE(same(alert.otherButton, c.otherButton));
    }
    EXPECT_EQ(editor->ShowMessageBox(nullptr, nullptr, 0), 1) << "no texts: empty ones";
}

// ---- File panels ---------------------------------------------------------------------------

TEST_F(MacEditor, FilePromptsNeedAViewAndStartOnTheDesktop) {
    UTL_String file("old.aupreset"), dir;
    editor->PromptForFile(&file, kFileOpen, &dir, "aupreset");
    EXPECT_STREQ(file.Get(), "") << "no view";
    EXPECT_TRUE(headless->record.filePanels.empty());

    OpenInWindow();
    file.Set("old.aupreset");
    editor->PromptForFile(&file, kFileSave, &dir, "aupreset  fxp");
    EXPECT_STREQ(file.Get(), "") << "cancelled";
    EXPECT_STREQ(dir.Get(), "~/Desktop");
    ASSERT_EQ(headless->record.filePanels.size(), 1u);
    const FilePanelRequest& save = headless->record.filePanels[0];
    EXPECT_EQ(save.kind, FilePanelRequest::Kind::kSave);
    EXPECT_EQ(save.directory, std::string(NSHomeDirectory()->UTF8String()) + "/Desktop");
    EXPECT_EQ(save.file, "old.aupreset");
    EXPECT_EQ(save.allowedFileTypes, (std::vector<std::string>{"aupreset", "fxp"}));
    EXPECT_FALSE(save.allowsOtherFileTypes);

    headless->script.filePanelAnswers.push_back({NSOKButton, {"/music/presets/radio.aupreset"}});
    dir.Set("/music/");
    editor->PromptForFile(&file, kFileOpen, &dir, "");
    EXPECT_STREQ(file.Get(), "/music/presets/radio.aupreset");
    EXPECT_STREQ(dir.Get(), "/music/presets/");
    const FilePanelRequest& open = headless->record.filePanels[1];
    EXPECT_EQ(open.kind, FilePanelRequest::Kind::kOpen);
    EXPECT_EQ(open.directory, "/music/");
    EXPECT_TRUE(open.canChooseFiles);
    EXPECT_FALSE(open.canChooseDirectories);
    EXPECT_TRUE(open.resolvesAliases);
    EXPECT_TRUE(open.allowedFileTypes.empty()) << "no extensions: any file";

    editor->PromptForFile(&file, kFileOpen, nullptr);
    EXPECT_EQ(headless->record.filePanels[2].directory,
              std::string(NSHomeDirectory()->UTF8String()) + "/Desktop");
    EXPECT_FALSE(editor->PromptForColor(nullptr));
}

// ---- Addresses, folders and the clipboard --------------------------------------------------

TEST_F(MacEditor, OpensWebAddressesAndFiles) {
    EXPECT_TRUE(editor->OpenURL("https://example.org/brindlex"));
    EXPECT_TRUE(editor->OpenURL("/Users/me/manual.pdf"));
    EXPECT_FALSE(editor->OpenURL("http://not an address")) << "nothing opened, and said so";
    EXPECT_FALSE(editor->OpenURL(nullptr));
    ASSERT_EQ(headless->record.openedURLs.size(), 2u);
    EXPECT_EQ(headless->record.openedURLs[0], "https://example.org/brindlex");
    EXPECT_EQ(headless->record.openedURLs[1], "file:///Users/me/manual.pdf");
    headless->script.openURLSucceeds = false;
    EXPECT_FALSE(editor->OpenURL("https://example.org/"));
}

TEST_F(MacEditor, AnswersFoldersOfTheBundleAndTheUser) {
    const std::string home = NSHomeDirectory()->UTF8String();
    UTL_String path;
    editor->DesktopPath(&path);
    EXPECT_EQ(path.Get(), home + "/Desktop");
    editor->AppSupportPath(&path);
    EXPECT_EQ(path.Get(), home + "/Library/Application Support");
    editor->AppSupportPath(&path, true);
    EXPECT_STREQ(path.Get(), "/System/Library/Application Support");
    editor->SandboxSafeAppSupportPath(&path);
    EXPECT_EQ(path.Get(), home + "/Music");

    editor->PluginPath(&path);
    const std::string plugin = path.Get();
    ASSERT_FALSE(plugin.empty());
    EXPECT_EQ(plugin.back(), '/');
    editor->HostPath(&path);
    const std::string executable = path.Get();
    EXPECT_EQ(executable.rfind(plugin, 0), 0u) << executable << " lies in " << plugin;
    EXPECT_NE(executable.find("/Contents/"), std::string::npos);

    editor->SetBundleID("org.brindlex.nowhere");
    path.Set("unchanged");
    editor->HostPath(&path);
    editor->PluginPath(&path);
    EXPECT_STREQ(path.Get(), "unchanged");
}

TEST_F(MacEditor, ReadsTextFromTheClipboard) {
    UTL_String text("stale");
    EXPECT_FALSE(editor->GetTextFromClipboard(&text));
    EXPECT_STREQ(text.Get(), "");
    NSPasteboard* pasteboard = NSPasteboard::generalPasteboard();
    pasteboard->clearContents();
    pasteboard->setString(NSSTR("-6.5"), NSPasteboardTypeString);
    EXPECT_TRUE(editor->GetTextFromClipboard(&text));
    EXPECT_STREQ(text.Get(), "-6.5");
}

TEST_F(MacEditor, ReportsTheSystemVersion) {
    EXPECT_EQ(editor->GetUserOSVersion(), 0x1068);
    headless->script.systemVersion = {10, 11, 6};
    EXPECT_EQ(editor->GetUserOSVersion(), 0x1096);
}

// ---- Tool tips -----------------------------------------------------------------------------

TEST_F(MacEditor, RegistersTheToolTipsOfVisibleControlsWhenEnabled) {
    auto* gain = new ProbeControl(&plug, IRECT(10, 10, 30, 20));
    gain->SetTooltip("Gain");
    auto* hidden = new ProbeControl(&plug, IRECT(40, 10, 50, 20));
    hidden->SetTooltip("Hidden");
    hidden->Hide(true);
    auto* silent = new ProbeControl(&plug, IRECT(60, 10, 70, 20));
    editor->AttachControl(gain);
    editor->AttachControl(hidden);
    editor->AttachControl(silent);
    OpenInWindow();
    EXPECT_EQ(view->toolTipRectCount(), 0u) << "tool tips are off by default";

    editor->EnableTooltips(true);
    editor->UpdateTooltips();
    EXPECT_EQ(view->toolTipRectCount(), 1u);
    NSString* shown = view->toolTipAtPoint(NSMakePoint(15.5, kHeight - 15.5));
    ASSERT_NE(shown, nullptr);
    EXPECT_STREQ(shown->UTF8String(), "Gain");
    EXPECT_EQ(view->toolTipAtPoint(NSMakePoint(65.5, kHeight - 15.5)), nullptr);
    editor->UpdateTooltips();
    EXPECT_EQ(view->toolTipRectCount(), 1u) << "replaced, not added";
}

} // namespace
