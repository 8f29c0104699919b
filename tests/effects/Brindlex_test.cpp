#include "EffectTestSupport.h"
#include "IGraphics.h"
#include "config.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {
void ExpectSameCoefs(const BiquadCoefs& a, const BiquadCoefs& b) {
    EXPECT_EQ(a.b0, b.b0);
    EXPECT_EQ(a.b1, b.b1);
    EXPECT_EQ(a.b2, b.b2);
    EXPECT_EQ(a.a1, b.a1);
    EXPECT_EQ(a.a2, b.a2);
}

void ExpectAtRest(const Biquad& filter) {
    for (const BiquadState& s : filter.state) {
        EXPECT_EQ(s.x1, 0.0);
        EXPECT_EQ(s.x2, 0.0);
        EXPECT_EQ(s.y1, 0.0);
        EXPECT_EQ(s.y2, 0.0);
    }
}

// True when call, run on another thread, has to wait for the plug-in's lock.
template <class Call> bool WaitsForTheLock(TestBrindlex& effect, Call call) {
    std::atomic<bool> done{false};
    effect.Mutex().Enter();
    std::thread caller([&] {
        call();
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const bool waited = !done;
    effect.Mutex().Leave();
    caller.join();
    return waited && done;
}
} // namespace

TEST(Brindlex, Identity) {
    std::unique_ptr<IFxAU> plug(MakePlug());
    EXPECT_STREQ(plug->GetEffectName(), "Brindlex");
    EXPECT_STREQ(plug->GetProductName(), "");
    EXPECT_STREQ(plug->GetMfrName(), "Halvermoor");
    EXPECT_EQ(plug->GetEffectVersion(false), 0x10102);
    EXPECT_EQ(plug->GetEffectVersion(true), 10102);
    EXPECT_EQ(plug->GetUniqueID(), 0x42726e78); // 'B' 'r' 'n' 'x'
    EXPECT_EQ(plug->GetMfrID(), 0x48766d72);    // 'H' 'v' 'm' 'r'
    EXPECT_EQ(plug->GetLatency(), 0);
    EXPECT_FALSE(plug->DoesMIDI());
    EXPECT_FALSE(plug->DoesStateChunks());
    EXPECT_FALSE(plug->IsInst());
    EXPECT_EQ(plug->GetAPI(), kAPIAU);
    EXPECT_EQ(plug->NParams(), 10);
    EXPECT_EQ(plug->NPresets(), 1);
    EXPECT_EQ(plug->NChannelIO(), 2);
    EXPECT_TRUE(plug->LegalIO(1, 1));
    EXPECT_TRUE(plug->LegalIO(2, 2));
    EXPECT_FALSE(plug->LegalIO(1, 2));
    EXPECT_STREQ(plug->GetBundleID(), "com.halvermoor.audiounit.Brindlex");
    EXPECT_STREQ(plug->GetCocoaViewFactoryClassName(), "Brindlex_View");
    ASSERT_NE(plug->GetGUI(), nullptr) << "the constructor builds the editor";
    EXPECT_STREQ(plug->GetGUI()->GetGUIAPI(), "Cocoa GUI");
    EXPECT_EQ(brindlex::FourCharCode(brindlex::kComponentType), 0x61756678);
}

TEST(Brindlex, Parameters) {
    TestBrindlex effect;
    struct Expected {
        int index;
        const char* name;
        double value, min, max, shape;
    };
    const Expected knobs[] = {
        {Brindlex::kLimiterAttenuation, "Limiter Attenuation", 120.0, 0.0, 120.0, 1.0},
        {Brindlex::kEQFreq, "EQ Freq", 5000.0, 0.0, 15000.0, 1.0},
        {Brindlex::kEQLevel, "EQ Level", 0.0, -12.0, 12.0, 1.0},
        {Brindlex::kAmpGain, "Amp Gain", 1.0, 0.0, 100.0, 2.0},
        {Brindlex::kAmpTone, "Amp Tone", 0.0, -12.0, 12.0, 1.0},
        {Brindlex::kAmpNoiseReduction, "Amp Noise Reduction", 100.0, 0.0, 100.0, 1.0},
    };
    for (const Expected& e : knobs) {
        SCOPED_TRACE(e.name);
        const IParam* param = effect.GetParam(e.index);
        double lo, hi;
        param->GetBounds(&lo, &hi);
        EXPECT_STREQ(param->GetNameForHost(), e.name);
        EXPECT_EQ(param->Type(), kParamKindDouble);
        EXPECT_EQ(param->Value(), e.value);
        EXPECT_EQ(param->GetDefault(), e.value);
        EXPECT_EQ(lo, e.min);
        EXPECT_EQ(hi, e.max);
        EXPECT_EQ(param->GetStep(), 0.01);
        EXPECT_EQ(param->GetShape(), e.shape);
        EXPECT_EQ(param->GetPrecision(), 2);
        EXPECT_STREQ(param->GetLabelForHost(), "%");
        EXPECT_STREQ(param->GetParamGroupForHost(), "");
    }
    // The stage switches are never initialised: unnamed, 0 to 1 in whole steps, off.
    for (int index : {Brindlex::kLimiterOn, Brindlex::kEQWide, Brindlex::kEQOn, Brindlex::kAmpOn}) {
        SCOPED_TRACE(index);
        IParam* param = effect.GetParam(index);
        double lo, hi;
        param->GetBounds(&lo, &hi);
        EXPECT_EQ(param->Type(), kParamKindNone);
        EXPECT_STREQ(param->GetNameForHost(), "");
        EXPECT_STREQ(param->GetLabelForHost(), "");
        EXPECT_EQ(param->Value(), 0.0);
        EXPECT_EQ(lo, 0.0);
        EXPECT_EQ(hi, 1.0);
        EXPECT_EQ(param->GetStep(), 1.0);
        EXPECT_EQ(param->GetPrecision(), 0);
        param->SetNormalized(0.7);
        EXPECT_EQ(param->Value(), 1.0);
        param->SetNormalized(0.3);
        EXPECT_EQ(param->Value(), 0.0);
    }
    IParam* gain = effect.GetParam(Brindlex::kAmpGain);
    gain->SetNormalized(0.5);
    EXPECT_EQ(gain->Value(), 25.0);
    EXPECT_EQ(effect.GetParam(10), nullptr);
}

TEST(Brindlex, DefaultPresetHoldsTheInitialValues) {
    TestBrindlex effect;
    EXPECT_STREQ(effect.GetPresetName(0), "-");
    const double changed[] = {50, 1, 700, -3, 1, 1, 44, 6, 20, 1};
    for (int i = 0; i < 10; ++i)
        effect.Set(i, changed[i]);
    ASSERT_TRUE(effect.RestorePreset("-"));
    const double stored[] = {120, 0, 5000, 0, 0, 0, 1, 0, 100, 0};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(effect.GetParam(i)->Value(), stored[i]) << i;
}

TEST(Brindlex, Construction) {
    TestBrindlex effect;
    ExpectSameCoefs(effect.GetFilter(Brindlex::kInputHighPass).coefs, kInputHighPassCoefs);
    ExpectSameCoefs(effect.GetFilter(Brindlex::kInputLowPass).coefs, kInputLowPassCoefs);
    ExpectSameCoefs(effect.GetFilter(Brindlex::kShaperPeak).coefs, kShaperPeakCoefs);
    // The designed filters wait for their parameters.
    for (Brindlex::EFilter f :
         {Brindlex::kToneFilter, Brindlex::kEQHighShelf, Brindlex::kEQPeak, Brindlex::kEQLowShelf})
        ExpectSameCoefs(effect.GetFilter(f).coefs, BiquadCoefs{});
    for (int f = Brindlex::kEQHighShelf; f <= Brindlex::kInputLowPass; ++f)
        ExpectAtRest(effect.GetFilter(static_cast<Brindlex::EFilter>(f)));
    EXPECT_TRUE(effect.mLog.empty()); // no lamp is touched while constructing
}

TEST(Brindlex, ParamResetDesignsTheFiltersFromTheDefaults) {
    TestBrindlex effect;
    effect.OnParamReset();
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQPeak).coefs, DesignPeak(5000.0, 1.0, 0.0));
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQHighShelf).coefs, DesignHighShelf(6000.0, -0.0));
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQLowShelf).coefs, DesignLowShelf(4000.0, -0.0));
    ExpectSameCoefs(effect.GetFilter(Brindlex::kToneFilter).coefs, DesignTone(0.0));
    // All stages off: the four lamps are told so.
    EXPECT_EQ(effect.mLimiterLight.mValues, std::vector<double>{0.0});
    EXPECT_EQ(effect.mEQWidthLight.mValues, std::vector<double>{0.0});
    EXPECT_EQ(effect.mEQLight.mValues, std::vector<double>{0.0});
    EXPECT_EQ(effect.mAmpLight.mValues, std::vector<double>{0.0});
}

TEST(Brindlex, FilterDesignsIgnoreTheHostRate) {
    TestBrindlex at44k, at96k;
    at96k.SetSampleRate(96000.0);
    at44k.Set(Brindlex::kAmpTone, 5.0);
    at96k.Set(Brindlex::kAmpTone, 5.0);
    at96k.OnParamReset();
    at44k.OnParamReset();
    for (int f = Brindlex::kEQHighShelf; f <= Brindlex::kInputLowPass; ++f) {
        const auto filter = static_cast<Brindlex::EFilter>(f);
        ExpectSameCoefs(at96k.GetFilter(filter).coefs, at44k.GetFilter(filter).coefs);
    }
}

TEST(Brindlex, EQRedesign) {
    TestBrindlex effect;
    effect.OnParamReset();
    effect.Set(Brindlex::kEQLevel, 6.0);
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQPeak).coefs, DesignPeak(5000.0, 1.0, 6.0));
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQHighShelf).coefs, DesignHighShelf(6000.0, -6.0));
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQLowShelf).coefs, DesignLowShelf(4000.0, -6.0));

    // Wide moves the shelves 5000 Hz away; the low one clamps at 100 Hz.
    effect.Set(Brindlex::kEQWide, 1.0);
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQHighShelf).coefs, DesignHighShelf(10000.0, -6.0));
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQLowShelf).coefs, DesignLowShelf(100.0, -6.0));

    effect.Set(Brindlex::kEQWide, 0.0);
    effect.Set(Brindlex::kEQFreq, 0.0);
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQPeak).coefs, DesignPeak(100.0, 1.0, 6.0));
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQLowShelf).coefs, DesignLowShelf(100.0, -6.0));
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQHighShelf).coefs, DesignHighShelf(1000.0, -6.0));

    effect.Set(Brindlex::kEQFreq, 15000.0);
    effect.Set(Brindlex::kEQLevel, -12.0);
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQPeak).coefs, DesignPeak(15000.0, 1.0, -12.0));
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQHighShelf).coefs, DesignHighShelf(16000.0, 12.0));
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQLowShelf).coefs, DesignLowShelf(14000.0, 12.0));
    effect.Set(Brindlex::kEQWide, 1.0); // the high shelf clamps at 19000 Hz
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQHighShelf).coefs, DesignHighShelf(19000.0, 12.0));
    ExpectSameCoefs(effect.GetFilter(Brindlex::kEQLowShelf).coefs, DesignLowShelf(10000.0, 12.0));
    // Tone has a filter of its own.
    effect.Set(Brindlex::kAmpTone, -4.5);
    ExpectSameCoefs(effect.GetFilter(Brindlex::kToneFilter).coefs, DesignTone(-4.5));
}

TEST(Brindlex, RedesignLeavesFilterStatesAlone) {
    TestBrindlex effect;
    effect.OnParamReset();
    effect.Set(Brindlex::kEQOn, 1.0);
    effect.Set(Brindlex::kEQLevel, 9.0);
    Process(effect, TestSignal(300, 0.5), 300);
    const Biquad before = effect.GetFilter(Brindlex::kEQPeak);
    EXPECT_NE(before.state[0].y1, 0.0);
    effect.Set(Brindlex::kEQLevel, -3.0);
    effect.Set(Brindlex::kEQFreq, 800.0);
    const Biquad after = effect.GetFilter(Brindlex::kEQPeak);
    EXPECT_EQ(std::memcmp(before.state, after.state, sizeof before.state), 0);
    EXPECT_NE(before.coefs.b0, after.coefs.b0);
}

TEST(Brindlex, LampsFollowTheirSwitches) {
    TestBrindlex effect;
    struct Case {
        int param;
        RecordingControl* lamp;
    };
    const Case cases[] = {{Brindlex::kLimiterOn, &effect.mLimiterLight},
                          {Brindlex::kEQOn, &effect.mEQLight},
                          {Brindlex::kEQWide, &effect.mEQWidthLight},
                          {Brindlex::kAmpOn, &effect.mAmpLight}};
    for (const Case& c : cases) {
        effect.ClearRecords();
        effect.Set(c.param, 1.0);
        effect.Set(c.param, 0.0);
        effect.GetParam(c.param)->SetNormalized(0.9);
        effect.OnParamChange(c.param);
        EXPECT_EQ(c.lamp->mValues, (std::vector<double>{1.0, 0.0, 1.0})) << c.param;
        EXPECT_EQ(effect.mLog.size(), 3u) << "only the lamp of the switch is touched";
        for (int depth : c.lamp->mLockDepths)
            EXPECT_EQ(depth, 1) << "lamps are set under the plug-in's lock";
    }
    effect.ClearRecords();
    for (int knob : {Brindlex::kLimiterAttenuation, Brindlex::kEQFreq, Brindlex::kEQLevel,
                     Brindlex::kAmpGain, Brindlex::kAmpTone, Brindlex::kAmpNoiseReduction})
        effect.OnParamChange(knob);
    EXPECT_TRUE(effect.mLog.empty());
}

TEST(Brindlex, WorksWithoutAnEditor) {
    std::unique_ptr<IFxAU> plug(MakePlug());
    plug->OnParamReset();
    for (int i = 0; i < plug->NParams(); ++i) {
        plug->GetParam(i)->SetNormalized(1.0);
        plug->OnParamChange(i);
    }
    std::vector<double> left(64, 0.25), right(64, -0.25);
    double* inputs[] = {left.data(), right.data()};
    plug->ProcessDoubleReplacing(inputs, inputs, 64);
    plug->ProcessDoubleReplacing(inputs, inputs, 0);
    EXPECT_TRUE(std::isfinite(left[63]));
}

TEST(Brindlex, UnknownParameterChangesNothingButTakesTheLock) {
    TestBrindlex touched, untouched;
    touched.OnParamReset();
    untouched.OnParamReset();
    for (TestBrindlex* effect : {&touched, &untouched}) {
        effect->Set(Brindlex::kEQOn, 1.0);
        effect->Set(Brindlex::kLimiterOn, 1.0);
        effect->Set(Brindlex::kLimiterAttenuation, 30.0);
    }
    touched.ClearRecords();
    touched.OnParamChange(10);
    touched.OnParamChange(-1);
    EXPECT_TRUE(touched.mLog.empty());
    EXPECT_EQ(touched.LockDepth(), 0);
    const Stereo input = TestSignal(500, 0.9);
    EXPECT_TRUE(SameBits(Process(touched, input, 500).L, Process(untouched, input, 500).L));
    EXPECT_TRUE(WaitsForTheLock(touched, [&] { touched.OnParamChange(10); }));
}

TEST(Brindlex, ResetKeepsEverythingAndTakesTheLock) {
    TestBrindlex reset, continuous;
    for (TestBrindlex* effect : {&reset, &continuous}) {
        effect->OnParamReset();
        effect->Set(Brindlex::kEQOn, 1.0);
        effect->Set(Brindlex::kEQLevel, 8.0);
        effect->Set(Brindlex::kLimiterOn, 1.0);
        effect->Set(Brindlex::kLimiterAttenuation, 40.0);
    }
    const Stereo first = TestSignal(400, 0.9, 3), second = TestSignal(400, 0.9, 4);
    Process(reset, first, 400);
    Process(continuous, first, 400);
    reset.Reset();
    EXPECT_TRUE(SameBits(Process(reset, second, 400).R, Process(continuous, second, 400).R));
    EXPECT_EQ(reset.mGainMeter.mValues, continuous.mGainMeter.mValues);
    EXPECT_TRUE(WaitsForTheLock(reset, [&] { reset.Reset(); }));
}

TEST(Brindlex, MakePlugIsSafeFromManyThreads) {
    std::vector<std::unique_ptr<IFxAU>> plugs(8);
    std::vector<std::thread> threads;
    for (auto& plug : plugs)
        threads.emplace_back([&plug] { plug.reset(MakePlug()); });
    for (std::thread& thread : threads)
        thread.join();
    for (const auto& plug : plugs) {
        ASSERT_NE(plug, nullptr);
        EXPECT_STREQ(plug->GetBundleID(), brindlex::kBundleID);
        EXPECT_EQ(plug->GetParam(Brindlex::kEQFreq)->Value(), 5000.0);
    }
}
