// Every parameter at its bounds, at random, out of range and not a number at all, through every
// way a host sets parameters, with audio rendering in between.
#include "ValidatorSupport.h"

#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>
#include <random>

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Route {
    const char* name;
    std::function<OSStatus(ValidatedUnit&, AudioUnitParameterID, float)> set;
};

const Route kRoutes[] = {
    {"immediate",
     [](ValidatedUnit& u, AudioUnitParameterID id, float v) { return u.SetParameter(id, v); }},
    {"scheduled", [](ValidatedUnit& u, AudioUnitParameterID id,
                     float v) { return u.SetParameterScheduled(id, v); }},
    {"fast dispatch",
     [](ValidatedUnit& u, AudioUnitParameterID id, float v) { return u.SetParameterFast(id, v); }},
};

class Parameters : public ValidatorTest {
protected:
    void SetUp() override {
        ValidatorTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(mUnit.OpenStatus(), noErr);
        ASSERT_EQ(mUnit.Configure(44100, 256), noErr);
        for (AudioUnitParameterID stage : {kAmpOn, kEQOn, kLimiterOn})
            ASSERT_EQ(mUnit.SetParameter(stage, 1.0f), noErr);
        ASSERT_EQ(mUnit.Initialize(), noErr);
    }

    ::testing::AssertionResult RendersClean() {
        std::vector<float> left, right;
        const OSStatus status = mUnit.Render(256, left, right);
        if (status != noErr) return ::testing::AssertionFailure() << "render: " << status;
        return CleanOutput(left, right);
    }

    ValidatedUnit mUnit;
    std::mt19937 mRandom{20240611};
};

TEST_F(Parameters, TheUnitListsTenParametersWithSaneRanges) {
    const std::vector<AudioUnitParameterID> ids = mUnit.ParameterIDs();
    ASSERT_EQ(ids.size(), size_t{kParamCount});
    for (AudioUnitParameterID id : ids) {
        const AudioUnitParameterInfo info = mUnit.ParameterInfo(id);
        EXPECT_TRUE(std::isfinite(info.minValue) && std::isfinite(info.maxValue)) << id;
        EXPECT_LT(info.minValue, info.maxValue) << id;
        EXPECT_GE(info.defaultValue, info.minValue) << id;
        EXPECT_LE(info.defaultValue, info.maxValue) << id;
        EXPECT_TRUE(info.flags & kAudioUnitParameterFlag_IsWritable) << id;
    }
}

TEST_F(Parameters, EveryValueEveryRouteWhileRendering) {
    for (const Route& route : kRoutes) {
        for (AudioUnitParameterID id : mUnit.ParameterIDs()) {
            const AudioUnitParameterInfo info = mUnit.ParameterInfo(id);
            const float lo = info.minValue, hi = info.maxValue, span = hi - lo;
            std::uniform_real_distribution<float> inRange(lo, hi);
            // Finite values are taken, clamped to the range.
            std::vector<float> values = {lo,       hi,      lo - span - 1, hi + span + 1,
                                         -FLT_MAX, FLT_MAX, -FLT_MIN / 2,  FLT_MIN};
            for (int i = 0; i < 8; ++i)
                values.push_back(inRange(mRandom));
            for (float value : values) {
                SCOPED_TRACE(::testing::Message()
                             << route.name << ", parameter " << id << " = " << value);
                ASSERT_EQ(route.set(mUnit, id, value), noErr);
                EXPECT_EQ(mUnit.GetParameter(id), std::clamp(value, lo, hi));
                ASSERT_TRUE(RendersClean());
            }
            // Values that are not numbers are refused and change nothing.
            const float before = mUnit.GetParameter(id);
            for (float value : {kNaN, kInf, -kInf, -kNaN}) {
                SCOPED_TRACE(::testing::Message()
                             << route.name << ", parameter " << id << " = " << value);
                EXPECT_EQ(route.set(mUnit, id, value), kAudioUnitErr_InvalidParameterValue);
                EXPECT_EQ(mUnit.GetParameter(id), before);
                ASSERT_TRUE(RendersClean());
            }
        }
    }
}

TEST_F(Parameters, RandomSettingsOfAllParametersRenderClean) {
    const std::vector<AudioUnitParameterID> ids = mUnit.ParameterIDs();
    std::vector<AudioUnitParameterInfo> infos;
    for (AudioUnitParameterID id : ids)
        infos.push_back(mUnit.ParameterInfo(id));
    std::bernoulli_distribution atBound(0.3), high(0.5);
    for (int setting = 0; setting < 200; ++setting) {
        for (size_t i = 0; i < ids.size(); ++i) {
            const float lo = infos[i].minValue, hi = infos[i].maxValue;
            const float value = atBound(mRandom)
                                    ? (high(mRandom) ? hi : lo)
                                    : std::uniform_real_distribution<float>(lo, hi)(mRandom);
            ASSERT_EQ(mUnit.SetParameter(ids[i], value), noErr);
        }
        mUnit.SetSignal(setting % 4 == 3 ? Signal::kSilence : Signal::kNoise);
        ASSERT_TRUE(RendersClean()) << "setting " << setting;
    }
}

TEST_F(Parameters, ScheduledRampsAreIgnoredAndBatchesStopAtTheFirstError) {
    const float before = mUnit.GetParameter(kEQLevel);
    AudioUnitParameterEvent events[3] = {};
    for (AudioUnitParameterEvent& event : events) {
        event.scope = kAudioUnitScope_Global;
        event.eventType = kParameterEvent_Immediate;
    }
    events[0].eventType = kParameterEvent_Ramped;
    events[0].parameter = kEQLevel;
    events[0].eventValues.ramp = {0, 64, -12.0f, 12.0f};
    events[1].parameter = kAmpGain;
    events[1].eventValues.immediate.value = 50.0f;
    events[2].parameter = kAmpTone;
    events[2].eventValues.immediate.value = kNaN;
    EXPECT_EQ(AudioUnitScheduleParameters(mUnit.Get(), events, 3),
              kAudioUnitErr_InvalidParameterValue);
    EXPECT_EQ(mUnit.GetParameter(kEQLevel), before);
    EXPECT_EQ(mUnit.GetParameter(kAmpGain), 50.0f);
    EXPECT_EQ(mUnit.GetParameter(kAmpTone), 0.0f);
    EXPECT_EQ(AudioUnitScheduleParameters(mUnit.Get(), nullptr, 1), paramErr);
    EXPECT_EQ(AudioUnitScheduleParameters(mUnit.Get(), nullptr, 0), noErr);
    EXPECT_TRUE(RendersClean());
}

TEST_F(Parameters, AddressesOutsideTheParametersAreRefused) {
    AudioUnitParameterValue value = 0.0f;
    for (AudioUnitParameterID id : {AudioUnitParameterID{kParamCount}, 0x7fffffffu, 0xffffffffu}) {
        EXPECT_EQ(AudioUnitSetParameter(mUnit.Get(), id, kAudioUnitScope_Global, 0, 1.0f, 0),
                  kAudioUnitErr_InvalidParameter);
        EXPECT_EQ(AudioUnitGetParameter(mUnit.Get(), id, kAudioUnitScope_Global, 0, &value),
                  kAudioUnitErr_InvalidParameter);
        EXPECT_EQ(mUnit.SetParameterFast(id, 1.0f), kAudioUnitErr_InvalidParameter);
    }
    for (AudioUnitScope scope :
         {AudioUnitScope{kAudioUnitScope_Input}, AudioUnitScope{kAudioUnitScope_Output}, 99u}) {
        EXPECT_EQ(AudioUnitSetParameter(mUnit.Get(), 0, scope, 0, 1.0f, 0),
                  kAudioUnitErr_InvalidScope);
        EXPECT_EQ(AudioUnitGetParameter(mUnit.Get(), 0, scope, 0, &value),
                  kAudioUnitErr_InvalidScope);
    }
    EXPECT_EQ(AudioUnitSetParameter(mUnit.Get(), 0, kAudioUnitScope_Global, 1, 1.0f, 0),
              kAudioUnitErr_InvalidElement);
    EXPECT_EQ(AudioUnitGetParameter(mUnit.Get(), 0, kAudioUnitScope_Global, 0, nullptr), paramErr);
    EXPECT_TRUE(RendersClean());
}

} // namespace
