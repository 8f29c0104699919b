// The effect as an LV2 plug-in. The binary exports only lv2_descriptor (see lv2.exports).
#include "BrindlexLV2.h"

#include "Brindlex.h"
#include "IFxLV2.h"
#include "UTL_Mutex.h"

#include <memory>
#include <vector>

namespace {

using namespace brindlex::lv2;

// The effect without an editor (the host's UI shows one, talking to it through the ports),
// showing its three meters on the instance's control output ports.
class LV2Brindlex : public Brindlex {
public:
    LV2Brindlex() : Brindlex(IFxInstanceInfo(), kWithoutEditor) {
        Indicators indicators = {};
        indicators[Indicator::kAmpMeter] = &mMeters[kAmpMeter];
        indicators[Indicator::kOutputMeter] = &mMeters[kOutputMeter];
        indicators[Indicator::kGainMeter] = &mMeters[kGainMeter];
        SetIndicators(indicators);
    }

    std::vector<IFxLV2OutputControl*> Meters() {
        return {&mMeters[kAmpMeter], &mMeters[kOutputMeter], &mMeters[kGainMeter]};
    }

private:
    IFxLV2OutputControl mMeters[kNumMeters];
};

std::unique_ptr<IFxLV2> MakeInstance(const char* pluginURI, double sampleRate, const char*,
                                     const LV2_Feature* const* features) {
    // Instances are constructed one at a time, as the component's MakePlug does, so each takes
    // its noise stream in the order the host asked for them.
    static UTL_Mutex sMakeMutex;
    UTL_MutexLock lock(&sMakeMutex);
    auto effect = std::make_unique<LV2Brindlex>();
    std::vector<IFxLV2OutputControl*> meters = effect->Meters();
    return std::make_unique<IFxLV2>(std::move(effect), std::move(meters), pluginURI, sampleRate,
                                    features);
}

} // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    static const IFxLV2Descriptor descriptor(kPluginURI, MakeInstance);
    return index == 0 ? descriptor.Get() : nullptr;
}
