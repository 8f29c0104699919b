// Repainting the effect's editor as its view's timer does, the copy into the view included: all
// seventeen controls and the background, against only the three meters after a block of audio.
// Argument: the screen's device scale (1, or 2 for a high-density screen).
#include "Brindlex.h"
#include "IControl.h"
#include "IGraphicsMac.h"
#include "TestBundle.h"
#include "config.h"
#include "resource.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// The effect's editor in a window of its size, drawn once.
class ShownEditor {
public:
    explicit ShownEditor(CGFloat scale) {
        std::vector<std::string> images;
        for (const brindlex::ImageResource* image : brindlex::kImages)
            images.push_back(std::string(EDITOR_IMAGE_FOLDER "/") +
                             std::filesystem::path(image->file).filename().string());
        LoadTestBundle(brindlex::kBundleID, images);
        mPool = new NSAutoreleasePool;
        mPlug.reset(MakePlug());
        mEditor = static_cast<IGraphicsMac*>(mPlug->GetGUI());
        mWindow = (new NSWindow)
                      ->initWithContentRect(
                          NSMakeRect(0, 0, brindlex::kEditorWidth, brindlex::kEditorHeight),
                          NSTitledWindowMask, NSBackingStoreBuffered, false);
        mWindow->setBackingScaleFactor(scale);
        mView = static_cast<IGraphicsCocoa*>(mEditor->OpenWindow(mWindow->contentView()));
        mWindow->orderFront(nullptr);
        mView->displayIfNeeded();
    }
    ~ShownEditor() {
        mWindow->release();
        mPlug.reset();
        mPool->release();
    }

    IGraphicsMac* Editor() const { return mEditor; }
    // What the view's timer does, then the window system's repaint.
    void Tick() {
        mView->onTimer();
        mView->displayIfNeeded();
    }

private:
    NSAutoreleasePool* mPool;
    std::unique_ptr<IFxAU> mPlug;
    IGraphicsMac* mEditor;
    NSWindow* mWindow;
    IGraphicsCocoa* mView;
};

void BM_FullRedraw(benchmark::State& state) {
    ShownEditor shown(static_cast<CGFloat>(state.range(0)));
    for (auto _ : state) {
        shown.Editor()->SetAllControlsDirty();
        shown.Tick();
    }
}
BENCHMARK(BM_FullRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_MetersRedraw(benchmark::State& state) {
    ShownEditor shown(static_cast<CGFloat>(state.range(0)));
    // The gain, output and amp meters, each moved a few frames as by a block of audio.
    IControl* meters[] = {shown.Editor()->GetControl(2), shown.Editor()->GetControl(3),
                          shown.Editor()->GetControl(13)};
    double level = 0.4;
    for (auto _ : state) {
        level = level == 0.4 ? 0.5 : 0.4;
        for (IControl* meter : meters)
            meter->SetValueFromPlug(level);
        shown.Tick();
    }
}
BENCHMARK(BM_MetersRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
