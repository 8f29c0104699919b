// The effect's editor: its images and controls, where they sit and what they show, and the
// view factory a Cocoa host finds by name.
#include "Brindlex.h"

#include "IControl.h"
#include "IFxAUViewFactory.h"
#include "IGraphicsMac.h"
#include "config.h"
#include "resource.h"

#include <iterator>

namespace {

using namespace brindlex;

// Compared by value: addresses of distinct objects are not constants to every compiler.
constexpr int ImageIndex(const ImageResource* image) {
    for (int i = 0; i < kNumImages; ++i)
        if (kImages[i]->id == image->id) return i;
    return -1;
}

constexpr bool EveryControlHasAListedImage() {
    for (const ControlPlacement* control : kControls)
        if (ImageIndex(control->image) < 0) return false;
    return true;
}
static_assert(EveryControlHasAListedImage());

} // namespace

// The view factory the CocoaUI property names.
class Brindlex_View : public IFxAUViewFactory {
public:
    NSString* description() const override { return NSSTR("Brindlex View"); }
};
NS_REGISTER_CLASS(Brindlex_View);

IGraphics* MakeGraphics(IFxAU* plug, int width, int height, int fps) {
    auto* graphics = new IGraphicsMac(plug, width, height, fps);
    graphics->SetBundleID(plug->GetBundleID());
    graphics->SetResourceFolder(plug->GetResourceFolder());
    return graphics;
}

void Brindlex::LayOutEditor(IGraphics* graphics) {
    graphics->AttachBackground(kBackgroundImage.id, kBackgroundImage.file);
    IBitmap images[kNumImages];
    for (int i = 0; i < kNumImages; ++i)
        if (kImages[i] != &kBackgroundImage)
            images[i] = graphics->LoadIBitmap(kImages[i]->id, kImages[i]->file, kImages[i]->frames);

    Indicators indicators;
    for (const ControlPlacement* placement : kControls) {
        const ControlPlacement& at = *placement;
        const IBitmap& image = images[ImageIndex(at.image)];
        IControl* control = nullptr;
        switch (at.kind) {
        case ControlKind::kKnob:
            control = new IKnobMultiControl(this, at.x, at.y, at.target, image,
                                            IControl::kDirVertical, 4.0);
            break;
        case ControlKind::kSwitch:
            control = new ISwitchControl(this, at.x, at.y, at.target, image);
            break;
        case ControlKind::kIndicator:
            control = new IBitmapControl(this, at.x, at.y, image);
            indicators[at.target] = control;
            break;
        }
        graphics->AttachControl(control);
    }
    SetIndicators(indicators);
}
