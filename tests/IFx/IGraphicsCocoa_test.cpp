// The editor's view: its timer repaints what is dirty, the window's events reach the editor in
// editor pixels with the buttons and keys, and prompts run through its menus and text entry.

#include "IPopupMenu.h"
#include "MacEditorTest.h"

#include <string>
#include <vector>

namespace {

using CocoaView = MacEditorTest;

// Records the keys that reach it, as the host's view around the editor.
class KeyRecorder : public NSView {
public:
    std::vector<std::string> keys;
    void keyDown(NSEvent* event) override { keys.emplace_back(event->characters()->UTF8String()); }
};

TEST_F(CocoaView, TheTimerRepaintsEachDirtyControlOnItsOwnAtTheFrameRate) {
    auto* left = new ProbeControl(&plug, IRECT(0, 0, 10, 10));
    auto* middle = new ProbeControl(&plug, IRECT(40, 20, 60, 40));
    auto* right = new ProbeControl(&plug, IRECT(90, 50, 100, 60));
    for (ProbeControl* probe : {left, middle, right})
        editor->AttachControl(probe);
    OpenInWindow();
    ASSERT_EQ(left->mDraws, 1) << "the first display draws everything";
    ASSERT_EQ(middle->mDraws, 1);

    left->SetDirty(false);
    right->SetDirty(false);
    Run(0.038); // the view came into its window at 0, the first tick is due at 0.04
    EXPECT_EQ(left->mDraws, 1) << "not before the tick (25 a second)";
    Run(0.002);
    EXPECT_EQ(left->mDraws, 2);
    EXPECT_EQ(right->mDraws, 2);
    EXPECT_EQ(middle->mDraws, 1) << "nothing between the two is drawn";
    EXPECT_FALSE(left->IsDirty());
    Run(0.2);
    EXPECT_EQ(left->mDraws, 2) << "clean controls are left alone";

    // The timer runs at the editor's rate, and only while the view is in a window.
    IGraphicsMac fast(&plug, 20, 20, 50);
    fast.AttachControl(new ProbeControl(&plug, IRECT(0, 0, 20, 20)));
    fast.PrepDraw();
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    auto* quick = static_cast<IGraphicsCocoa*>(fast.OpenWindow(nullptr));
    EXPECT_FALSE(quick->isTimerRunning());
    window->contentView()->addSubview(quick);
    EXPECT_TRUE(quick->isTimerRunning());
    pool->release(); // the window holds the view now
    auto* probe = static_cast<ProbeControl*>(fast.GetControl(0));
    Run(0.001);
    const int draws = probe->mDraws;
    probe->SetDirty(false);
    Run(0.021);
    EXPECT_EQ(probe->mDraws, draws + 1) << "a tick every 20 ms";
    quick->removeFromSuperview();
    EXPECT_FALSE(fast.WindowIsOpen()) << "the host let the view go";
}

TEST_F(CocoaView, MouseEventsReachTheEditorInEditorPixelsWithButtonsAndKeys) {
    auto* probe = new ProbeControl(&plug, IRECT(10, 10, 50, 40));
    editor->AttachControl(probe);
    editor->HandleMouseOver(true);
    OpenInWindow();

    Send(NSLeftMouseDown, 20, 15);
    Send(NSLeftMouseDragged, 22, 12, NSShiftKeyMask);
    Send(NSLeftMouseUp, 22, 12);
    Send(NSLeftMouseDown, 20, 15, NSCommandKeyMask);
    Send(NSLeftMouseUp, 20, 15, NSCommandKeyMask);
    Send(NSRightMouseDown, 11, 39, NSShiftKeyMask | NSControlKeyMask | NSAlternateKeyMask);
    Send(NSRightMouseDragged, 12, 38);
    Send(NSRightMouseUp, 12, 38);
    Send(NSLeftMouseDown, 30, 30, 0, 2);
    Send(NSLeftMouseUp, 30, 30);
    Send(NSScrollWheel, 25, 25, NSControlKeyMask);
    Send(NSMouseMoved, 49, 10);
    EXPECT_EQ(probe->mEvents,
              (std::vector<std::string>{"down 20 15 L", "drag 22 12 2 -3 L S", "up 22 12 L",
                                        "down 20 15 L R", "up 20 15 L R", "down 11 39 R S C A",
                                        "drag 12 38 1 -1 R", "up 12 38 R", "dbl 30 30 L",
                                        "up 30 30 L", "wheel 25 25 3 C", "over 49 10"}));
}

TEST_F(CocoaView, KeysGoToTheControlUnderThePointerOrOnToTheHost) {
    auto* probe = new ProbeControl(&plug, IRECT(10, 10, 50, 40));
    editor->AttachControl(new ProbeControl(&plug, IRECT(0, 0, kWidth, kHeight))); // background
    editor->AttachControl(probe);
    window = (new NSWindow)
                 ->initWithContentRect(NSMakeRect(0, 0, kWidth, kHeight), NSTitledWindowMask,
                                       NSBackingStoreBuffered, false);
    auto* host = static_cast<KeyRecorder*>(
        (new KeyRecorder)->initWithFrame(NSMakeRect(0, 0, kWidth, kHeight)));
    window->setContentView(host);
    host->release();
    view = static_cast<IGraphicsCocoa*>(editor->OpenWindow(host));
    window->orderFront(nullptr);
    Send(NSLeftMouseDown, 20, 20); // the view takes the keyboard
    Send(NSLeftMouseUp, 20, 20);

    MovePointerTo(20, 20);
    SendKey("a");
    SendKey("\xC3\xA9");
    probe->mTakesKeys = false;
    SendKey("q");
    MovePointerTo(70, 20); // over no control
    SendKey("z");
    EXPECT_EQ(probe->mEvents, (std::vector<std::string>{"down 20 20 L", "up 20 20 L", "key 97",
                                                        "key 233", "key 113"}));
    EXPECT_EQ(host->keys, (std::vector<std::string>{"q", "z"}));
}

TEST_F(CocoaView, ADetachedViewPassesItsEventsOn) {
    auto* probe = new ProbeControl(&plug, IRECT(0, 0, kWidth, kHeight));
    editor->AttachControl(probe);
    OpenInWindow();
    view->retain();
    editor->CloseWindow();
    window->contentView()->addSubview(view);
    view->release();
    Send(NSLeftMouseDown, 5, 5);
    Send(NSLeftMouseUp, 5, 5);
    EXPECT_TRUE(probe->mEvents.empty());
    EXPECT_FALSE(view->isTimerRunning());
    const int draws = probe->mDraws;
    view->display();
    EXPECT_EQ(probe->mDraws, draws);
}

// ---- Prompts -------------------------------------------------------------------------------

// A plug-in whose parameter 0 is a gain in dB and 1 a three-way choice, with controls that
// prompt on a right click.
struct Prompts : MacEditorTest {
    void SetUp() override {
        MacEditorTest::SetUp();
        plug.GetParam(0)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.1, "dB");
        plug.GetParam(1)->InitEnum("Band", 1, 3);
        for (int i = 0; i < 3; ++i)
            plug.GetParam(1)->SetDisplayText(i, i == 0 ? "Low" : i == 1 ? "Mid" : "High");
        const IBitmap knob = editor->LoadIBitmap(UniqueImageId(), "knob.png", 1);
        gain = new IKnobMultiControl(&plug, 10, 10, 0, knob); // (10, 10, 18, 16)
        band = new ISwitchPopUpControl(&plug, 60, 10, 1, knob);
        gain->DisablePrompt(false);
        editor->AttachControl(gain);
        editor->AttachControl(band);
        plug.AttachGraphics(editor);
        OpenInWindow();
    }

    IControl* gain = nullptr;
    IControl* band = nullptr;
};

TEST_F(Prompts, TypedTextReachesTheParameterWhenTheUserPressesReturn) {
    Send(NSRightMouseDown, 12, 12);
    Send(NSRightMouseUp, 12, 12);
    NSTextField* field = view->textEntry();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->superview(), view);
    EXPECT_EQ(window->firstResponder(), field);
    EXPECT_EQ(headless->record.textInputs, std::vector<std::string>{"0.0"});
    EXPECT_EQ(field->maximumLength(), 7u);
    EXPECT_EQ(field->alignment(), NSCenterTextAlignment);
    EXPECT_EQ(field->backgroundColor()->redComponent(), 1) << "the style's white entry box";

    // A box for a few digits over the knob's centre (14, 13), in view coordinates.
    EXPECT_TRUE(NSEqualRects(field->frame(), NSMakeRect(-6, kHeight - 21 - 1, 41, 17)));

    field->retain(); // to look at it once the view has let it go
    SendKey("-");
    SendKey("4");
    SendKey(".");
    SendKey("5");
    SendKey("\r");
    EXPECT_EQ(view->textEntry(), nullptr);
    EXPECT_EQ(field->superview(), nullptr);
    field->release();
    EXPECT_EQ(window->firstResponder(), view);
    EXPECT_NEAR(plug.GetParam(0)->Value(), -4.5, 1e-9);
    EXPECT_DOUBLE_EQ(gain->GetValue(), plug.GetParam(0)->GetNormalized(-4.5));
}

TEST_F(Prompts, TheScriptedUserTypesWhileTheRunLoopWaits) {
    headless->script.typedTexts = {"7.25"};
    Send(NSRightMouseDown, 12, 12);
    Send(NSRightMouseUp, 12, 12);
    ASSERT_NE(view->textEntry(), nullptr);
    EXPECT_EQ(plug.GetParam(0)->Value(), 0.0) << "nothing typed before the program waits";
    Run(0.05);
    EXPECT_EQ(view->textEntry(), nullptr);
    EXPECT_NEAR(plug.GetParam(0)->Value(), 7.25, 1e-9);
}

TEST_F(Prompts, EscapeOrAForcedEndClosesTheEntryWithoutTakingItsText) {
    Send(NSRightMouseDown, 12, 12);
    ASSERT_NE(view->textEntry(), nullptr);
    SendKey("9");
    SendKey("\x1B");
    EXPECT_EQ(view->textEntry(), nullptr);
    EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 0.0);

    Send(NSRightMouseDown, 12, 12);
    SendKey("9");
    editor->ForceEndUserEdit();
    EXPECT_EQ(view->textEntry(), nullptr);
    EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 0.0);
    editor->ForceEndUserEdit(); // nothing open

    // Closing the editor with an entry open takes the entry with it.
    Send(NSRightMouseDown, 12, 12);
    ASSERT_NE(view->textEntry(), nullptr);
    editor->CloseWindow();
    EXPECT_EQ(plug.GetParam(0)->Value(), 0.0);
}

TEST_F(Prompts, ChoicesComeFromAPopupMenuOfTheDisplayTexts) {
    headless->script.menuChoices = {{2}};
    Send(NSLeftMouseDown, 62, 12);
    Send(NSLeftMouseUp, 62, 12);
    ASSERT_EQ(headless->record.menus.size(), 1u);
    const MenuRequest& menu = headless->record.menus[0];
    ASSERT_EQ(menu.items.size(), 3u);
    EXPECT_EQ(menu.items[0].title, "Low");
    EXPECT_TRUE(menu.items[1].checked);
    EXPECT_FALSE(menu.items[0].checked);
    EXPECT_EQ(menu.positionedItem, 1) << "the current choice over the control";
    EXPECT_EQ(plug.GetParam(1)->Int(), 2);
    EXPECT_DOUBLE_EQ(band->GetValue(), 1.0);

    Send(NSLeftMouseDown, 62, 12); // dismissed
    EXPECT_EQ(plug.GetParam(1)->Int(), 2);
}

TEST_F(Prompts, MenusWithSubmenusSeparatorsAndTitles) {
    IPopupMenu menu(1);
    menu.AddItem("Presets", -1, IPopupMenu::kTitle);
    menu.AddSeparator();
    menu.AddItem("Radio");
    auto* more = new IPopupMenu;
    more->AddItem("Telephone");
    more->AddItem("Walkie-talkie", -1, IPopupMenu::kDisabled);
    menu.AddItem("More", more);

    headless->script.menuChoices = {{3, 0}, {3, 1}, {0}, {2}};
    EXPECT_EQ(editor->CreateIPopupMenu(&menu, IRECT(0, 0, 10, 10)), more);
    EXPECT_EQ(more->GetChosenItemIdx(), 0);
    EXPECT_EQ(editor->CreateIPopupMenu(&menu, IRECT(0, 0, 10, 10)), nullptr) << "disabled";
    EXPECT_EQ(editor->CreateIPopupMenu(&menu, IRECT(0, 0, 10, 10)), nullptr) << "a title";
    EXPECT_EQ(editor->CreateIPopupMenu(&menu, IRECT(0, 0, 10, 10)), &menu);
    EXPECT_EQ(menu.GetChosenItemIdx(), 2);
    const MenuRequest& shown = headless->record.menus[0];
    EXPECT_EQ(shown.items[0].title, "1: Presets");
    EXPECT_FALSE(shown.items[0].enabled);
    EXPECT_TRUE(shown.items[1].separator);
    EXPECT_EQ(shown.items[3].submenu[1].title, "Walkie-talkie") << "numbered in its own menu";
    EXPECT_FALSE(shown.items[3].submenu[1].enabled);

    editor->CloseWindow();
    EXPECT_EQ(editor->CreateIPopupMenu(&menu, IRECT(0, 0, 10, 10)), nullptr) << "no view";
    EXPECT_EQ(headless->record.menus.size(), 4u);
}

} // namespace
