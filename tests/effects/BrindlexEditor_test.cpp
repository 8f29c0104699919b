// The effect's editor as a host shows it: opened through the view factory the CocoaUI property
// names, in a window, drawn by its timer; what the view shows is compared with the images.

#include "ComponentCall.h"
#include "EffectTestSupport.h"
#include "IFxAUViewFactory.h"
#include "IGraphicsMac.h"
#include "WindowSystem.h"
#include "config.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace brindlex;

ComponentResult EffectEntry(ComponentParameters* params, Handle storage) {
    return IFxAU::IFxAUEntry(params, storage);
}

// An image of the editor as the build painted it, loaded once.
PIX_IBitmap* Image(const ImageResource& resource) {
    static std::map<const ImageResource*, std::unique_ptr<PIX_IBitmap>> images;
    std::unique_ptr<PIX_IBitmap>& image = images[&resource];
    if (!image) {
        const std::string file = std::string(EDITOR_IMAGE_FOLDER "/") +
                                 std::filesystem::path(resource.file).filename().string();
        image.reset(PIX_LoadPNG(file.c_str()));
    }
    return image.get();
}

// What the editor should show where a control sits: its image's frame over the background.
std::unique_ptr<PIX_MemBitmap> Composite(const ControlPlacement& at, int frame) {
    const ImageResource& image = *at.image;
    auto composite = std::make_unique<PIX_MemBitmap>(image.width, image.height);
    PIX_Blit(composite.get(), Image(kBackgroundImage), 0, 0, at.x, at.y, image.width, image.height,
             1.0f, PIX_COMBINE_COPY);
    PIX_Blit(composite.get(), Image(image), 0, 0, 0, (frame - 1) * image.height, image.width,
             image.height, 1.0f, PIX_COMBINE_COPY | PIX_COMBINE_USE_SOURCE_ALPHA);
    return composite;
}

// Whether the view shows the composite where the control sits (the view's scale is 1; its
// backing store holds 0xAARRGGBB words, top row first).
testing::AssertionResult Shows(NSView* view, const ControlPlacement& at, int frame) {
    CGContextRef store = view->backingStore();
    if (!store) return testing::AssertionFailure() << "nothing drawn";
    const std::unique_ptr<PIX_MemBitmap> expected = Composite(at, frame);
    const auto* bytes = static_cast<const unsigned char*>(CGBitmapContextGetData(store));
    const size_t rowBytes = CGBitmapContextGetBytesPerRow(store);
    for (int y = 0; y < at.image->height; ++y) {
        for (int x = 0; x < at.image->width; ++x) {
            uint32_t shown;
            std::memcpy(&shown, bytes + size_t(at.y + y) * rowBytes + size_t(at.x + x) * 4, 4);
            const PIX_pixel want = PIX_GetPixel(expected.get(), x, y);
            const uint32_t wanted = 0xFF000000u | uint32_t(PIX_GETR(want)) << 16 |
                                    uint32_t(PIX_GETG(want)) << 8 | uint32_t(PIX_GETB(want));
            if (shown != wanted)
                return testing::AssertionFailure()
                       << "at (" << at.x + x << ", " << at.y + y << ") the view shows " << std::hex
                       << shown << ", frame " << std::dec << frame << " has " << std::hex << wanted;
        }
    }
    return testing::AssertionSuccess();
}

bool FramesDiffer(const ControlPlacement& at, int a, int b) {
    const std::unique_ptr<PIX_MemBitmap> first = Composite(at, a), second = Composite(at, b);
    for (int y = 0; y < at.image->height; ++y)
        for (int x = 0; x < at.image->width; ++x)
            if (PIX_GetPixel(first.get(), x, y) != PIX_GetPixel(second.get(), x, y)) return true;
    return false;
}

// The effect opened as a host opens it, its editor made by the view factory and shown in a
// window of the editor's size.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetWindowSystem(nullptr);
        headless = GetHeadlessWindowSystem();
        mPool = new NSAutoreleasePool;
        ASSERT_EQ(OpenComponentWithEntry(EffectEntry, &unit), noErr);
        ASSERT_EQ(AudioUnitInitialize(unit), noErr);
        plug = reinterpret_cast<Brindlex*>(GetComponentInstanceStorage(unit));
        window = (new NSWindow)
                     ->initWithContentRect(NSMakeRect(0, 0, kEditorWidth, kEditorHeight),
                                           NSTitledWindowMask, NSBackingStoreBuffered, false);
        // As a host does: the factory by name, its view placed; the window holds the view.
        NSAutoreleasePool* pool = new NSAutoreleasePool;
        Class factoryClass = NSClassFromString(NSSTR("Brindlex_View"));
        id instance = class_createInstance(factoryClass, 0);
        auto* factory = dynamic_cast<AUCocoaUIBase*>(instance);
        if (factory) {
            EXPECT_EQ(factory->interfaceVersion(), 0u);
            EXPECT_STREQ(instance->description()->UTF8String(), "Brindlex View");
            view = factory->uiViewForAudioUnit(unit, NSMakeSize(300, 200));
        }
        if (view) window->contentView()->addSubview(view);
        if (instance) instance->release();
        pool->release();
        ASSERT_NE(factory, nullptr);
        ASSERT_NE(view, nullptr);
        window->orderFront(nullptr);
        Run(0.01);
    }
    void TearDown() override {
        if (window) window->release();
        AudioUnitUninitialize(unit);
        CloseComponent(unit);
        mPool->release();
    }
    // Runs the main run loop for that many seconds of the virtual clock.
    static void Run(NSTimeInterval seconds) {
        NSRunLoop::mainRunLoop()->runUntilDate(NSDate::dateWithTimeIntervalSinceNow(seconds));
    }
    // A click of the left button at an editor pixel.
    void Click(int x, int y) {
        const NSPoint at = NSMakePoint(x + 0.5, kEditorHeight - y - 0.5);
        for (const NSEventType type : {NSLeftMouseDown, NSLeftMouseUp})
            window->sendEvent(NSEvent::mouseEventWithType(type, at, 0, 0, window->windowNumber(),
                                                          nullptr, 0, 1, 1));
    }
    void Process(double level, int frames = 512) {
        std::vector<double> left(frames), right(frames);
        for (int i = 0; i < frames; ++i)
            left[i] = right[i] = level * ((i / 25) % 2 ? 1.0 : -1.0);
        double* inputs[2] = {left.data(), right.data()};
        double* outputs[2] = {left.data(), right.data()};
        plug->ProcessDoubleReplacing(inputs, outputs, frames);
    }

    HeadlessWindowSystem* headless = nullptr;
    AudioUnit unit = nullptr;
    Brindlex* plug = nullptr;
    NSView* view = nullptr;
    NSWindow* window = nullptr;

private:
    NSAutoreleasePool* mPool = nullptr;
};

const ControlPlacement* const kSwitches[] = {&kLimiterSwitch, &kEQSwitch, &kEQWidthSwitch,
                                             &kAmpSwitch};
const ControlPlacement* const kLamps[] = {&kLimiterLight, &kEQLight, &kEQWidthLight, &kAmpLight};
const ControlPlacement* const kMeters[] = {&kGainMeter, &kOutputMeter, &kAmpMeter};

TEST(BrindlexEditorLayout, SeventeenControlsOverTheBackgroundInOrder) {
    TestBrindlex effect;
    IGraphics* editor = effect.GetGUI();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->Width(), 700);
    EXPECT_EQ(editor->Height(), 700);
    EXPECT_EQ(editor->FPS(), 25);
    EXPECT_STREQ(static_cast<IGraphicsMac*>(editor)->GetBundleID(), kBundleID);
    ASSERT_EQ(editor->NControls(), 18);
    const IControl* background = editor->GetControl(0);
    EXPECT_EQ(background->GetRECT(), IRECT(0, 0, 700, 700));
    EXPECT_EQ(background->GetBlend().method, IChannelBlend::kBlendOverwrite);

    // Class, position and parameter, in attach order.
    enum { kKnob, kSwitch, kLamp };
    const struct {
        int kind, x, y, paramIdx;
    } expected[] = {{kKnob, 283, 470, 0},   {kLamp, 99, 470, -1},   {kLamp, 456, 470, -1},
                    {kLamp, 110, 630, -1},  {kSwitch, 177, 629, 1}, {kKnob, 276, 271, 2},
                    {kKnob, 516, 276, 3},   {kLamp, 110, 364, -1},  {kLamp, 445, 375, -1},
                    {kSwitch, 179, 363, 5}, {kSwitch, 430, 295, 4}, {kLamp, 60, 150, -1},
                    {kLamp, 515, 35, -1},   {kSwitch, 130, 147, 9}, {kKnob, 340, 35, 6},
                    {kKnob, 245, 30, 7},    {kKnob, 245, 130, 8}};
    for (int i = 0; i < 17; ++i) {
        SCOPED_TRACE("control " + std::to_string(i + 1));
        IControl* control = editor->GetControl(i + 1);
        const ImageResource& image = *kControls[i]->image;
        EXPECT_EQ(control->GetRECT(),
                  IRECT(expected[i].x, expected[i].y, expected[i].x + image.width,
                        expected[i].y + image.height));
        EXPECT_EQ(control->ParamIdx(), expected[i].paramIdx);
        switch (expected[i].kind) {
        case kKnob:
            EXPECT_NE(dynamic_cast<IKnobMultiControl*>(control), nullptr);
            break;
        case kSwitch:
            EXPECT_NE(dynamic_cast<ISwitchControl*>(control), nullptr);
            break;
        default:
            EXPECT_EQ(typeid(*control), typeid(IBitmapControl));
        }
    }
    // The images: id 107 for parameter 3, 102 for parameter 6.
    EXPECT_EQ(kControls[6]->image->id, 107);
    EXPECT_EQ(kControls[14]->image->id, 102);
}

TEST(BrindlexEditorLayout, TheEffectDrivesItsOwnLampsAndMeters) {
    std::unique_ptr<IFxAU> plug(MakePlug());
    plug->OnParamReset();
    IGraphics* editor = plug->GetGUI();
    // Lamps 4, 8, 9, 12 follow parameters 1, 5, 4, 9.
    const std::pair<int, int> lamps[] = {{4, 1}, {8, 5}, {9, 4}, {12, 9}};
    for (const auto& [control, paramIdx] : lamps) {
        SCOPED_TRACE(control);
        EXPECT_EQ(editor->GetControl(control)->GetValue(), 0.0);
        plug->GetParam(paramIdx)->Set(1.0);
        plug->OnParamChange(paramIdx);
        EXPECT_EQ(editor->GetControl(control)->GetValue(), 1.0);
    }
    // Meters 2, 3 and 13 take the block's levels.
    double silence[64] = {}, loud[64];
    for (int i = 0; i < 64; ++i)
        loud[i] = i % 2 ? 0.9 : -0.9;
    double* in[2] = {loud, loud};
    double* out[2] = {silence, silence};
    plug->ProcessDoubleReplacing(in, out, 64);
    for (const int meter : {2, 3, 13})
        EXPECT_GT(editor->GetControl(meter)->GetValue(), 0.0) << meter;
}

TEST_F(EditorTest, AFreshEditorShowsEveryStageSwitchedOff) {
    EXPECT_EQ(headless->record.alerts.size(), 0u);
    ASSERT_TRUE(static_cast<IGraphicsMac*>(plug->GetGUI())->WindowIsOpen());
    for (const ControlPlacement* at : kSwitches) {
        ASSERT_TRUE(FramesDiffer(*at, 1, 2));
        EXPECT_TRUE(Shows(view, *at, 1));
    }
    for (const ControlPlacement* at : kLamps) {
        ASSERT_TRUE(FramesDiffer(*at, 1, 2));
        EXPECT_TRUE(Shows(view, *at, 1));
    }
}

TEST_F(EditorTest, ClickingTheAmpSwitchTurnsTheAmpOnAndLightsItsLampOnTheNextTick) {
    Click(kAmpSwitch.x + kAmpSwitch.image->width / 2, kAmpSwitch.y + kAmpSwitch.image->height / 2);
    AudioUnitParameterValue value = 0;
    ASSERT_EQ(AudioUnitGetParameter(unit, Brindlex::kAmpOn, kAudioUnitScope_Global, 0, &value),
              noErr);
    EXPECT_EQ(value, 1.0f);
    EXPECT_TRUE(Shows(view, kAmpLight, 1)) << "not before the timer comes round";
    Run(0.04);
    EXPECT_TRUE(Shows(view, kAmpLight, 2));
    EXPECT_TRUE(Shows(view, kAmpSwitch, 2));
    EXPECT_TRUE(Shows(view, kEQLight, 1));

    Click(kAmpSwitch.x + 5, kAmpSwitch.y + 5);
    Run(0.04);
    EXPECT_TRUE(Shows(view, kAmpLight, 1)) << "and off again";
}

TEST_F(EditorTest, MetersShowTheFrameForTheLevelsOfTheLastBlock) {
    Process(0.8);
    Run(0.04);
    for (const ControlPlacement* at : kMeters)
        EXPECT_TRUE(Shows(view, *at, 1)) << "all stages off: the meters stay at 0";

    for (const int stage : {Brindlex::kAmpOn, Brindlex::kEQOn, Brindlex::kLimiterOn})
        ASSERT_EQ(AudioUnitSetParameter(unit, stage, kAudioUnitScope_Global, 0, 1.0f, 0), noErr);
    for (int block = 0; block < 40; ++block)
        Process(0.8);
    Run(0.04);
    IGraphics* editor = plug->GetGUI();
    for (const int index : {2, 3, 13}) {
        const IControl* meter = editor->GetControl(index);
        const ControlPlacement& at = *kControls[index - 1];
        const int frame = 1 + static_cast<int>(0.5 + meter->GetValue() * (at.image->frames - 1));
        SCOPED_TRACE("meter " + std::to_string(index) + " at frame " + std::to_string(frame));
        EXPECT_GT(frame, 1);
        EXPECT_TRUE(Shows(view, at, frame));
    }
}

TEST_F(EditorTest, TheHostLettingTheViewGoClosesTheEditor) {
    auto* editor = static_cast<IGraphicsMac*>(plug->GetGUI());
    ASSERT_EQ(editor->GetWindow(), view);
    const NSUInteger timers = NSRunLoop::mainRunLoop()->scheduledTimerCount();
    view->removeFromSuperview();
    EXPECT_EQ(editor->GetWindow(), nullptr);
    EXPECT_EQ(NSRunLoop::mainRunLoop()->scheduledTimerCount(), timers - 1);
    // A new view opens as before.
    NSAutoreleasePool* pool = new NSAutoreleasePool;
    EXPECT_NE(IFxAU::OpenCocoaEditorView(unit), nullptr);
    EXPECT_TRUE(editor->WindowIsOpen());
    pool->release();
    EXPECT_FALSE(editor->WindowIsOpen()) << "released unplaced by the host";
    EXPECT_EQ(IFxAU::OpenCocoaEditorView(nullptr), nullptr);
}

} // namespace
