// The effect's editor as the LV2 plug-in's X11 UI. The binary exports only lv2ui_descriptor
// (see lv2ui.exports).
#include "Brindlex.h"
#include "BrindlexLV2.h"
#include "IFxLV2UI.h"
#include "config.h"

#include <filesystem>
#include <memory>
#include <vector>

#ifndef BRINDLEX_LV2_IMAGE_FOLDER
#error "The build names the editor's image folder in the bundle (BRINDLEX_LV2_IMAGE_FOLDER)."
#endif

namespace {

using namespace brindlex::lv2;

// The effect with its editor, which finds its images in the bundle folder the host passes.
class UIBrindlex : public IFxLV2UIEffect<Brindlex> {
public:
    explicit UIBrindlex(const char* bundlePath)
        : IFxLV2UIEffect<Brindlex>(InstanceInfo(bundlePath)) {}

    // The editor's meters, in the order of the control output ports.
    std::vector<IControl*> Meters() const {
        const Indicators& shown = GetIndicators();
        return {shown[Indicator::kAmpMeter], shown[Indicator::kOutputMeter],
                shown[Indicator::kGainMeter]};
    }

private:
    static IFxInstanceInfo InstanceInfo(const char* bundlePath) {
        IFxInstanceInfo info;
        const std::filesystem::path images =
            std::filesystem::path(bundlePath) / BRINDLEX_LV2_IMAGE_FOLDER;
        info.mResourceFolder.Set(images.c_str());
        info.mCocoaViewFactoryClassName.Set(brindlex::kViewClassName);
        return info;
    }
};

static_assert(kAmpMeter == 0 && kOutputMeter == 1 && kGainMeter == 2 && kNumMeters == 3);

std::unique_ptr<IFxLV2UI> MakeUI(std::unique_ptr<IFxLV2UIHost> host, const char* bundlePath,
                                 const LV2_Feature* const* features) {
    auto plug = std::make_unique<UIBrindlex>(bundlePath);
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
