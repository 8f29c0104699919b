// The LV2 plug-in's state restore on arbitrary bytes, through its descriptor as a host restores
// a session: a refused state changes nothing, an accepted one leaves every parameter finite and
// in range, saves back to a state that restores to itself, and renders clean audio.
#include "Brindlex.h"
#include "BrindlexLV2.h"
#include "FuzzSupport.h"
#include "LV2TestHost.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kFrames = 64;
constexpr int kNumPorts = 4 + Brindlex::kNumParams + brindlex::lv2::kNumMeters;

// One instance with every port connected: noise in, the controls at their defaults.
class Instance : public LV2TestInstance {
public:
    explicit Instance(LV2TestHost& host) : LV2TestInstance(lv2_descriptor(0), host, 48000.0, "") {
        FUZZ_CHECK(Valid());
        static const Brindlex defaults{IFxInstanceInfo{}, Brindlex::kWithoutEditor};
        for (int i = 0; i < Brindlex::kNumParams; ++i)
            mPorts[4 + i] = static_cast<float>(defaults.GetParam(i)->GetDefault());
        for (int c = 0; c < 2; ++c) {
            for (uint32_t s = 0; s < kFrames; ++s)
                mIn[c][s] = std::sin(0.37f * float(s + 1) * float(c + 1));
            Connect(uint32_t(c), mIn[c]);
            Connect(uint32_t(2 + c), mOut[c]);
        }
        for (int port = 4; port < kNumPorts; ++port)
            Connect(uint32_t(port), &mPorts[port]);
        Activate();
    }

    LV2StateStore Save() {
        LV2StateStore store;
        FUZZ_CHECK(LV2TestInstance::Save(&store) == LV2_STATE_SUCCESS);
        FUZZ_CHECK(store.properties.size() == 1);
        return store;
    }
    // The control ports at the state's values, as a host restores them with the state.
    void SetControls(const std::vector<double>& values) {
        for (int i = 0; i < Brindlex::kNumParams; ++i)
            mPorts[4 + i] = static_cast<float>(values[size_t(i)]);
    }
    void RunClean() {
        Run(kFrames);
        for (const float* out : mOut)
            for (uint32_t s = 0; s < kFrames; ++s)
                FUZZ_CHECK(std::isfinite(out[s]) && std::fpclassify(out[s]) != FP_SUBNORMAL);
    }

private:
    float mIn[2][kFrames];
    float mOut[2][kFrames];
    float mPorts[kNumPorts] = {};
};

const std::vector<unsigned char>& Value(const LV2StateStore& store) {
    return store.properties.begin()->second.value;
}

// The saved state is the parameters as native doubles, each finite and inside its range.
std::vector<double> CheckedParameters(const LV2StateStore& store) {
    static const Brindlex defaults{IFxInstanceInfo{}, Brindlex::kWithoutEditor};
    const std::vector<unsigned char>& bytes = Value(store);
    FUZZ_CHECK(bytes.size() == Brindlex::kNumParams * sizeof(double));
    std::vector<double> values(Brindlex::kNumParams);
    std::memcpy(values.data(), bytes.data(), bytes.size());
    for (int i = 0; i < Brindlex::kNumParams; ++i) {
        double lo = 0.0, hi = 0.0;
        defaults.GetParam(i)->GetBounds(&lo, &hi);
        const double value = values[size_t(i)];
        FUZZ_CHECK(std::isfinite(value) && value >= lo && value <= hi);
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return -1;
    static LV2TestHost host;
    Instance instance(host);
    const LV2StateStore before = instance.Save();

    // The fuzzed bytes as the value of the plug-in's own key and type.
    LV2StateStore fuzzed = before;
    fuzzed.properties.begin()->second.value.assign(data, data + size);
    if (instance.Restore(&fuzzed) != LV2_STATE_SUCCESS) {
        FUZZ_CHECK(Value(instance.Save()) == Value(before));
    } else {
        LV2StateStore saved = instance.Save();
        const std::vector<double> values = CheckedParameters(saved);
        FUZZ_CHECK(instance.Restore(&saved) == LV2_STATE_SUCCESS);
        FUZZ_CHECK(Value(instance.Save()) == Value(saved));
        instance.SetControls(values);
    }
    instance.RunClean();
    return 0;
}
