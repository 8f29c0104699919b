// The effect's editor as the LV2 plug-in's X11 UI. The binary exports only lv2ui_descriptor
// (see lv2ui.exports).
#include "Brindlex.h"
#include "BrindlexLV2.h"
#include "IFxLV2UI.h"
#include "config.h"

#include <memory>
#include <vector>

#ifndef BRINDLEX_LV2_BUNDLE_ID
#error "The build names the LV2 bundle's identifier (BRINDLEX_LV2_BUNDLE_ID)."
#endif

namespace {

using namespace brindlex::lv2;

// The effect with its editor, which finds its images in the LV2 bundle.
class UIBrindlex : public IFxLV2UIEffect<Brindlex> {
public:
    UIBrindlex() : IFxLV2UIEffect<Brindlex>(InstanceInfo()) {}

    // The editor's meters, in the order of the control output ports.
    std::vector<IControl*> Meters() const {
        const Indicators& shown = GetIndicators();
        return {shown[Indicator::kAmpMeter], shown[Indicator::kOutputMeter],
                shown[Indicator::kGainMeter]};
    }

private:
    static IFxInstanceInfo InstanceInfo() {
        IFxInstanceInfo info;
        info.mBundleID.Set(BRINDLEX_LV2_BUNDLE_ID);
        info.mCocoaViewFactoryClassName.Set(brindlex::kViewClassName);
        return info;
    }
};

static_assert(kAmpMeter == 0 && kOutputMeter == 1 && kGainMeter == 2 && kNumMeters == 3);

std::unique_ptr<IFxLV2UI> MakeUI(std::unique_ptr<IFxLV2UIHost> host,
                                 const LV2_Feature* const* features) {
    auto plug = std::make_unique<UIBrindlex>();
    plug->SetUIHost(host.get());
    std::vector<IControl*> meters = plug->Meters();
    return std::make_unique<IFxLV2UI>(std::move(plug), std::move(meters), std::move(host),
                                      features);
}

} // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    static const IFxLV2UIDescriptor descriptor(kUIURI, MakeUI);
    return index == 0 ? descriptor.Get() : nullptr;
}
