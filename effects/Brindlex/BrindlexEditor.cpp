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

enum class Kind { kKnob, kSwitch, kIndicator };

// What each placed control is: its kind and parameter (-1 for none).
struct ControlRole {
    const ControlPlacement* placement;
    Kind kind;
    int paramIdx;
};

// In attach order, the order of kControls.
constexpr ControlRole kRoles[] = {
    {&kLimiterAttenuationKnob, Kind::kKnob, Brindlex::kLimiterAttenuation},
    {&kGainMeter, Kind::kIndicator, -1},
    {&kOutputMeter, Kind::kIndicator, -1},
    {&kLimiterLight, Kind::kIndicator, -1},
    {&kLimiterSwitch, Kind::kSwitch, Brindlex::kLimiterOn},
    {&kEQFreqKnob, Kind::kKnob, Brindlex::kEQFreq},
    {&kEQLevelKnob, Kind::kKnob, Brindlex::kEQLevel},
    {&kEQLight, Kind::kIndicator, -1},
    {&kEQWidthLight, Kind::kIndicator, -1},
    {&kEQSwitch, Kind::kSwitch, Brindlex::kEQOn},
    {&kEQWidthSwitch, Kind::kSwitch, Brindlex::kEQWide},
    {&kAmpLight, Kind::kIndicator, -1},
    {&kAmpMeter, Kind::kIndicator, -1},
    {&kAmpSwitch, Kind::kSwitch, Brindlex::kAmpOn},
    {&kAmpGainKnob, Kind::kKnob, Brindlex::kAmpGain},
    {&kAmpToneKnob, Kind::kKnob, Brindlex::kAmpTone},
    {&kAmpNoiseReductionKnob, Kind::kKnob, Brindlex::kAmpNoiseReduction},
};

// Compared by value: addresses of distinct objects are not constants to every compiler.
constexpr int ImageIndex(const ImageResource* image) {
    for (int i = 0; i < kNumImages; ++i)
        if (kImages[i]->id == image->id) return i;
    return -1;
}

constexpr bool SamePlace(const ControlPlacement& a, const ControlPlacement& b) {
    return a.x == b.x && a.y == b.y && a.image->id == b.image->id;
}

constexpr bool RolesFollowTheLayout() {
    if (std::size(kRoles) != std::size(kControls)) return false;
    for (size_t i = 0; i < std::size(kRoles); ++i)
        if (!SamePlace(*kRoles[i].placement, *kControls[i]) || ImageIndex(kControls[i]->image) < 0)
            return false;
    return true;
}
static_assert(RolesFollowTheLayout(),
              "one role for each control of the layout, in its order, with a listed image");

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
    return graphics;
}

void Brindlex::LayOutEditor(IGraphics* graphics) {
    graphics->AttachBackground(kBackgroundImage.id, kBackgroundImage.file);
    IBitmap images[kNumImages];
    for (int i = 0; i < kNumImages; ++i)
        if (kImages[i] != &kBackgroundImage)
            images[i] = graphics->LoadIBitmap(kImages[i]->id, kImages[i]->file, kImages[i]->frames);

    Indicators indicators;
    // Where the effect keeps each lamp and meter.
    const struct {
        const ControlPlacement* placement;
        IControl** slot;
    } kept[] = {
        {&kLimiterLight, &indicators.limiterLight}, {&kEQLight, &indicators.eqLight},
        {&kEQWidthLight, &indicators.eqWidthLight}, {&kOutputMeter, &indicators.outputMeter},
        {&kGainMeter, &indicators.gainMeter},       {&kAmpLight, &indicators.ampLight},
        {&kAmpMeter, &indicators.ampMeter},
    };
    for (const ControlRole& role : kRoles) {
        const ControlPlacement& at = *role.placement;
        const IBitmap& image = images[ImageIndex(at.image)];
        IControl* control = nullptr;
        switch (role.kind) {
        case Kind::kKnob:
            control = new IKnobMultiControl(this, at.x, at.y, role.paramIdx, image,
                                            IControl::kDirVertical, 4.0);
            break;
        case Kind::kSwitch:
            control = new ISwitchControl(this, at.x, at.y, role.paramIdx, image);
            break;
        case Kind::kIndicator:
            control = new IBitmapControl(this, at.x, at.y, image);
            for (const auto& keep : kept)
                if (keep.placement == role.placement) *keep.slot = control;
            break;
        }
        graphics->AttachControl(control);
    }
    SetIndicators(indicators);
}
