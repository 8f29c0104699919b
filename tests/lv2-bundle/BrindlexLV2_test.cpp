// The plug-in loaded from its bundle with dlopen and driven through its descriptor, as a host
// does, against the effect run in-process the way the Audio Unit render runs it.
#include "BrindlexLV2.h"
#include "BundleTestSupport.h"
#include "LV2TestHost.h"

#include <lv2/atom/atom.h>
#include <lv2/state/state.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using Setting = std::pair<int, float>;

// One instance with its ports connected: control inputs at the effect's defaults.
class Instance : public LV2TestInstance {
public:
    explicit Instance(LV2TestHost& host)
        : LV2TestInstance(LoadPluginDescriptor(kBundleSharedObject, nullptr), host, 44100.0,
                          LV2_BUNDLE_DIR) {
        if (!Valid()) return;
        const Brindlex defaults{IFxInstanceInfo{}};
        for (int i = 0; i < Brindlex::kNumParams; ++i) {
            mControls[i] = static_cast<float>(defaults.GetParam(i)->GetDefault());
            Connect(kFirstParamPort + i, &mControls[i]);
        }
        for (int i = 0; i < kNumMeters; ++i)
            Connect(kFirstMeterPort + i, &mMeters[i]);
        Activate();
    }

    void Apply(const std::vector<Setting>& settings) {
        for (const auto& [paramIdx, value] : settings)
            mControls[paramIdx] = value;
    }

    // Runs the whole signal in host blocks of blockSize; in place when asked.
    FloatStereo Render(const FloatStereo& input, int blockSize, bool inPlace = false) {
        FloatStereo in = input;
        FloatStereo out =
            inPlace ? input
                    : FloatStereo{std::vector<float>(in.L.size()), std::vector<float>(in.R.size())};
        for (int start = 0; start < in.Frames(); start += blockSize) {
            FloatStereo& source = inPlace ? out : in;
            Connect(0, source.L.data() + start);
            Connect(1, source.R.data() + start);
            Connect(2, out.L.data() + start);
            Connect(3, out.R.data() + start);
            Run(static_cast<uint32_t>(std::min(blockSize, in.Frames() - start)));
        }
        return out;
    }

    float mControls[Brindlex::kNumParams] = {};
    float mMeters[kNumMeters] = {-1.0f, -1.0f, -1.0f};
};

class BrindlexLV2 : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_NE(LoadPluginDescriptor(kBundleSharedObject, &error), nullptr) << error;
    }
    LV2TestHost mHost;
};

TEST_F(BrindlexLV2, DescribesOnePlugin) {
    const LV2_Descriptor* descriptor = LoadPluginDescriptor(kBundleSharedObject, nullptr);
    EXPECT_STREQ(descriptor->URI, brindlex::lv2::kPluginURI);
    EXPECT_EQ(descriptor->instantiate(descriptor, -1.0, LV2_BUNDLE_DIR, nullptr), nullptr);
    // Without any feature the plug-in still runs (lv2apply offers none).
    LV2_Handle handle = descriptor->instantiate(descriptor, 48000.0, LV2_BUNDLE_DIR, nullptr);
    ASSERT_NE(handle, nullptr);
    descriptor->cleanup(handle);
}

TEST_F(BrindlexLV2, SoundsAndMetersAsTheFloatRenderPath) {
    using B = Brindlex;
    // "Amp Noise Reduction" stays at 100 throughout: the noise is drawn but not heard, so
    // the two runs agree whatever noise each draws.
    const std::vector<std::vector<Setting>> settings = {
        {},
        {{B::kAmpOn, 1}, {B::kAmpGain, 6}, {B::kAmpTone, 4.5f}},
        {{B::kEQOn, 1}, {B::kEQWide, 1}, {B::kEQFreq, 1800}, {B::kEQLevel, -7}},
        {{B::kAmpOn, 1},
         {B::kAmpGain, 20},
         {B::kEQOn, 1},
         {B::kEQLevel, 9},
         {B::kLimiterOn, 1},
         {B::kLimiterAttenuation, 40},
         {B::kAmpTone, -3}},
    };
    const FloatStereo input = ToFloat(TestSignal(3000, 0.8));
    constexpr int kBlock = 256;
    mHost.SetMaxBlockLength(kBlock);
    for (size_t i = 0; i < settings.size(); ++i) {
        Instance plugin(mHost);
        ASSERT_TRUE(plugin.Valid());
        plugin.Apply(settings[i]);
        ReferenceEffect reference(kBlock);
        for (const auto& [paramIdx, value] : settings[i])
            reference.Set(paramIdx, value);

        const FloatStereo expected = reference.Render(input);
        const FloatStereo got = plugin.Render(input, kBlock);
        EXPECT_EQ(got.L, expected.L) << "setting " << i;
        EXPECT_EQ(got.R, expected.R) << "setting " << i;
        EXPECT_EQ(std::vector<float>(plugin.mMeters, plugin.mMeters + kNumMeters),
                  reference.Meters())
            << "setting " << i;

        Instance inPlace(mHost);
        inPlace.Apply(settings[i]);
        const FloatStereo shared = inPlace.Render(input, kBlock, true);
        EXPECT_EQ(shared.L, expected.L) << "setting " << i;
        EXPECT_EQ(shared.R, expected.R) << "setting " << i;
    }
}

TEST_F(BrindlexLV2, SessionStateBringsEveryParameterBack) {
    Instance source(mHost);
    const float values[Brindlex::kNumParams] = {35, 1, 2500, -4.5f, 1, 1, 12.25f, 6, 80, 1};
    std::memcpy(source.mControls, values, sizeof values);
    // Saved at once, as a host saves right after its ports changed: no block ran yet.
    LV2StateStore saved;
    ASSERT_EQ(source.Save(&saved), LV2_STATE_SUCCESS);
    ASSERT_EQ(saved.properties.size(), 1u);
    const LV2StateStore::Property& state = saved.properties.begin()->second;
    EXPECT_EQ(state.type, mHost.Map(LV2_ATOM__Chunk));
    std::vector<double> expected(values, values + Brindlex::kNumParams);
    EXPECT_EQ(state.value, DoubleBytes(expected)); // the effect's own chunk

    // A fresh instance, its ports still at the defaults, takes the state whole.
    Instance restored(mHost);
    ASSERT_EQ(restored.Restore(&saved), LV2_STATE_SUCCESS);
    LV2StateStore again;
    ASSERT_EQ(restored.Save(&again), LV2_STATE_SUCCESS);
    EXPECT_EQ(again.properties.begin()->second.value, state.value);

    // A wrong state is refused and changes nothing.
    LV2StateStore wrong = saved;
    wrong.properties.begin()->second.value.resize(8 * (Brindlex::kNumParams - 1));
    EXPECT_NE(restored.Restore(&wrong), LV2_STATE_SUCCESS);
    LV2StateStore after;
    ASSERT_EQ(restored.Save(&after), LV2_STATE_SUCCESS);
    EXPECT_EQ(after.properties.begin()->second.value, state.value);
}

} // namespace
