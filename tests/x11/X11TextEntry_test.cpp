// The effect's editor in this process, on a private Xvfb: a value typed into the editor's text
// entry through the X keyboard reaches the parameter, a fine drag hides the pointer and puts
// it back where it was, and the window system's own pop-up menus and alerts answer the keys.

// GoogleTest first: Xlib's macros (None, Bool) would break its names.
#include <gtest/gtest.h>

#include "Brindlex.h"
#include "EffectTestSupport.h"
#include "IControl.h"
#include "IGraphicsMac.h"
#include "IPopupMenu.h"
#include "X11TestSupport.h"
#include "X11WindowSystem.h"
#include "resource.h"

#include <X11/Xlib.h>

#include <memory>

namespace {

// Where the amp's tone knob sits in the editor, and its index there (after the background).
constexpr int kToneX = 245 + 40, kToneY = 30 + 40;
constexpr int kToneControl = 16;

class EditorInThisProcess : public testing::Test {
protected:
    void SetUp() override {
        if (FindProgram("Xvfb").empty() || FindProgram("xdotool").empty())
            GTEST_SKIP() << "Xvfb or xdotool is not installed";
        mServer = std::make_unique<XvfbServer>();
        if (!mServer->Running()) GTEST_SKIP() << "Xvfb did not start";
        std::string error;
        std::unique_ptr<X11WindowSystem> display =
            X11WindowSystem::Open(mServer->Name().c_str(), &error);
        ASSERT_TRUE(display) << error;
        mDisplay = display.get();
        mPrevious = SetWindowSystem(std::move(display));

        mPlug.reset(MakePlug());
        mGraphics = static_cast<IGraphicsMac*>(mPlug->GetGUI());
        NSAutoreleasePool* pool = new NSAutoreleasePool;
        mWindow = (new NSWindow)
                      ->initWithContentRect(
                          NSMakeRect(100, 0, brindlex::kEditorWidth, brindlex::kEditorHeight),
                          NSTitledWindowMask, NSBackingStoreBuffered, false);
        mWindow->setReleasedWhenClosed(false);
        mGraphics->OpenWindow(mWindow->contentView());
        mWindow->orderFront(nullptr);
        pool->release();
    }

    void TearDown() override {
        if (!mDisplay) return;
        NSAutoreleasePool* pool = new NSAutoreleasePool;
        mGraphics->CloseWindow();
        mWindow->close();
        mWindow->release();
        pool->release();
        mPlug.reset();
        SetWindowSystem(std::move(mPrevious));
    }

    // Runs the main run loop until the condition holds (at most five seconds).
    template <class Condition> bool RunUntil(Condition condition) {
        return WaitFor(5.0, [&] {
            NSAutoreleasePool* pool = new NSAutoreleasePool;
            NSRunLoop::mainRunLoop()->runMode(NSDefaultRunLoopMode,
                                              NSDate::dateWithTimeIntervalSinceNow(0.02));
            pool->release();
            return condition();
        });
    }

    RunResult Xdotool(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv = {FindProgram("xdotool")};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return RunProgram(argv, mServer->Name());
    }

    // Sends the keys to the window of that name once it shows. Should it not show within ten
    // seconds, Escape goes to whatever has the keyboard, so that a modal loop waiting for the
    // user ends and the test fails rather than hangs.
    ChildProcess KeysFor(const std::string& name, const std::vector<std::string>& keys) const {
        std::vector<std::string> argv = {
            "/bin/sh", "-c",
            "x=\"$0\" n=\"$1\"; shift; w=$(timeout 10 \"$x\" search --sync --onlyvisible "
            "--name \"^$n$\") || { \"$x\" key Escape; exit 1; }; "
            "\"$x\" key --window \"${w%%[!0-9]*}\" \"$@\"; exit 0",
            FindProgram("xdotool"), name};
        argv.insert(argv.end(), keys.begin(), keys.end());
        return ChildProcess(argv, mServer->Name(), "/dev/null");
    }

    std::string WindowId() const { return std::to_string(mDisplay->XWindowOf(mWindow)); }

    std::unique_ptr<XvfbServer> mServer;
    X11WindowSystem* mDisplay = nullptr; // installed
    std::unique_ptr<WindowSystem> mPrevious;
    std::unique_ptr<IFxAU> mPlug;
    IGraphicsMac* mGraphics = nullptr;
    NSWindow* mWindow = nullptr;
};

TEST_F(EditorInThisProcess, AValueTypedIntoTheTextEntryReachesTheParameter) {
    // The effect's knobs take no typed values; this one is made to, as other editors' do.
    mGraphics->GetControl(kToneControl)->DisablePrompt(false);
    ASSERT_TRUE(RunUntil([&] { return mGraphics->GetControl(kToneControl)->IsDirty() == false; }));
    const std::string window = WindowId();
    // A right click opens the entry; its text is selected, so what is typed replaces it.
    for (const std::vector<std::string>& step :
         {std::vector<std::string>{"mousemove", "--window", window, std::to_string(kToneX),
                                   std::to_string(kToneY), "click", "3"},
          std::vector<std::string>{"type", "--delay", "10", "--", "-7.5"},
          std::vector<std::string>{"key", "Return"}}) {
        const RunResult run = Xdotool(step);
        ASSERT_EQ(run.status, 0) << run.output;
    }
    const IParam* tone = mPlug->GetParam(Brindlex::kAmpTone);
    EXPECT_TRUE(RunUntil([&] { return tone->Value() == -7.5; })) << tone->Value();
}

TEST_F(EditorInThisProcess, AFineDragHidesThePointerAndPutsItBackWhereItWas) {
    const std::string window = WindowId();
    ASSERT_TRUE(RunUntil([&] { return true; }));
    const RunResult pressed = Xdotool({"mousemove", "--window", window, std::to_string(kToneX),
                                       std::to_string(kToneY), "mousedown", "1"});
    ASSERT_EQ(pressed.status, 0) << pressed.output;
    const CGPoint start = GetWindowSystem().PointerLocation();
    ASSERT_TRUE(RunUntil([&] { return mDisplay->CursorHidden(); }));
    const RunResult dragged = Xdotool({"mousemove", "--window", window, std::to_string(kToneX),
                                       std::to_string(kToneY - 30), "mouseup", "1"});
    ASSERT_EQ(dragged.status, 0) << dragged.output;
    EXPECT_TRUE(RunUntil([&] { return !mDisplay->CursorHidden(); }));
    const CGPoint end = GetWindowSystem().PointerLocation();
    EXPECT_EQ(end.x, start.x);
    EXPECT_EQ(end.y, start.y);
    // 30 pixels of the knob's 320 of travel, up from the middle of -12..12.
    EXPECT_NEAR(mPlug->GetParam(Brindlex::kAmpTone)->Value(), 24.0 * 30.0 / 320.0, 1e-9);
}

TEST_F(EditorInThisProcess, PopUpMenusAndAlertsAnswerTheKeys) {
    ASSERT_TRUE(RunUntil([&] { return true; }));
    // Two steps down, then Return, once the menu is up.
    ChildProcess menuKeys = KeysFor("Menu", {"Down", "Down", "Return"});
    IPopupMenu menu;
    menu.AddItem("One");
    menu.AddItem("Two");
    menu.AddItem("Three");
    const IPopupMenu* chosen = mGraphics->CreateIPopupMenu(&menu, IRECT(245, 30, 325, 110));
    EXPECT_EQ(menuKeys.Wait(5.0), 0);
    ASSERT_EQ(chosen, &menu);
    EXPECT_EQ(menu.GetChosenItemIdx(), 1);

    // Escape answers an alert's alternate button: "No" of Yes and No.
    ChildProcess alertKeys = KeysFor("Brindlex asks", {"Escape"});
    EXPECT_EQ(mGraphics->ShowMessageBox("Keep the settings?", "Brindlex asks", 4), 7);
    EXPECT_EQ(alertKeys.Wait(5.0), 0);
}

} // namespace
