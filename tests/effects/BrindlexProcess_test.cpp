#include "EffectTestSupport.h"
#include "Shapers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace {
constexpr double kAttack = 1.0 / (0.3 * 44100.0);
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// An effect after the host's initialisation, with the given stages switched on.
void SwitchOn(TestBrindlex& effect, bool amp, bool eq, bool limiter) {
    effect.OnParamReset();
    effect.Set(Brindlex::kAmpOn, amp);
    effect.Set(Brindlex::kEQOn, eq);
    effect.Set(Brindlex::kLimiterOn, limiter);
    effect.ClearRecords();
}

// What the amp stage alone at "Amp Noise Reduction" 0 puts out for frames frames, from the draws
// of a generator seeded with seed after skipping the first skip of them: left takes the first
// and third draw of a frame, right the second and fourth.
Stereo PureNoise(int skip, int frames, unsigned seed = NoiseStream::kFirstSeed) {
    NoiseGenerator generator(seed);
    for (int i = 0; i < skip; ++i)
        generator.Next();
    Stereo noise = Constant(frames, 0.0);
    for (int s = 0; s < frames; ++s) {
        int d[4];
        for (int& draw : d)
            draw = generator.Next();
        noise.L[s] = (d[0] / 2147483647.0 + d[2] / 2147483647.0) - 1.0;
        noise.R[s] = (d[1] / 2147483647.0 + d[3] / 2147483647.0) - 1.0;
    }
    return noise;
}

// The amp stage alone, all noise: what the instance's generator draws next shows in the output.
Stereo NextNoise(TestBrindlex& effect, int frames) {
    SwitchOn(effect, true, false, false);
    effect.Set(Brindlex::kAmpNoiseReduction, 0.0);
    return Process(effect, TestSignal(frames, 0.9), 4096);
}

bool SameOutput(const Stereo& a, const Stereo& b) {
    return SameBits(a.L, b.L) && SameBits(a.R, b.R);
}

Stereo Concatenate(const Stereo& a, const Stereo& b) {
    Stereo joined = a;
    joined.L.insert(joined.L.end(), b.L.begin(), b.L.end());
    joined.R.insert(joined.R.end(), b.R.begin(), b.R.end());
    return joined;
}

Stereo Slice(const Stereo& s, int begin, int end) {
    return {std::vector<double>(s.L.begin() + begin, s.L.begin() + end),
            std::vector<double>(s.R.begin() + begin, s.R.begin() + end)};
}

bool AllFinite(const Stereo& s) {
    auto finite = [](double v) { return std::isfinite(v); };
    return std::all_of(s.L.begin(), s.L.end(), finite) &&
           std::all_of(s.R.begin(), s.R.end(), finite);
}
} // namespace

TEST(BrindlexProcess, AllStagesOffPassesAudioUnchanged) {
    TestBrindlex effect;
    effect.OnParamReset();
    effect.ClearRecords();
    Stereo input = TestSignal(1000, 3.0);
    input.L[10] = -0.0;
    input.L[11] = kNaN;
    input.R[12] = kInf;
    input.R[13] = std::numeric_limits<double>::denorm_min();
    const Stereo output = Process(effect, input, 256);
    EXPECT_TRUE(SameBits(output.L, input.L));
    EXPECT_TRUE(SameBits(output.R, input.R));
    // Four blocks, each handing 0 to the amp, output and gain meters in that order.
    ASSERT_EQ(effect.mLog.size(), 12u);
    for (size_t i = 0; i < effect.mLog.size(); i += 3) {
        EXPECT_EQ(effect.mLog[i], (std::pair<std::string, double>{"amp meter", 0.0}));
        EXPECT_EQ(effect.mLog[i + 1], (std::pair<std::string, double>{"output meter", 0.0}));
        EXPECT_EQ(effect.mLog[i + 2], (std::pair<std::string, double>{"gain meter", 0.0}));
    }
    // A fresh instance, before the host initialises it, passes audio too.
    TestBrindlex fresh;
    EXPECT_TRUE(SameBits(Process(fresh, input, 1000).R, input.R));
}

TEST(BrindlexProcess, EmptyBlockSendsZerosAndKeepsState) {
    TestBrindlex effect, twin;
    for (TestBrindlex* e : {&effect, &twin}) {
        SwitchOn(*e, true, true, true);
        e->Set(Brindlex::kLimiterAttenuation, 20.0);
        e->SeedNoise(3);
        Process(*e, TestSignal(700, 0.8), 350);
    }
    EXPECT_GT(effect.mGainMeter.mValues.back(), 0.0);
    effect.ClearRecords();
    double* none[] = {nullptr, nullptr};
    effect.ProcessDoubleReplacing(none, none, 0);
    effect.ProcessDoubleReplacing(nullptr, nullptr, 16); // no buffers: nothing to process
    ASSERT_EQ(effect.mLog.size(), 6u);
    for (const auto& [name, value] : effect.mLog)
        EXPECT_EQ(value, 0.0) << name;

    // The generator was not advanced either.
    const Stereo next = TestSignal(200, 0.8, 9);
    EXPECT_TRUE(SameOutput(Process(effect, next, 200), Process(twin, next, 200)));
}

TEST(BrindlexProcess, BufferInterfaceMatchesDirectCalls) {
    const Stereo input = TestSignal(1500, 0.7);
    TestBrindlex direct, buffered;
    for (TestBrindlex* e : {&direct, &buffered}) {
        SwitchOn(*e, true, true, true);
        e->Set(Brindlex::kLimiterAttenuation, 35.0);
        e->Set(Brindlex::kEQLevel, -5.0);
    }
    // The same noise for every run.
    direct.SeedNoise(1);
    buffered.SeedNoise(1);
    const Stereo expected = Process(direct, input, 300);
    const Stereo viaBase = ProcessThroughBuffers(buffered, input, 300);
    EXPECT_TRUE(SameBits(viaBase.L, expected.L));
    EXPECT_TRUE(SameBits(viaBase.R, expected.R));
    EXPECT_EQ(buffered.mOutputMeter.mValues, direct.mOutputMeter.mValues);
}

TEST(BrindlexProcess, BlockSizeDoesNotMatterWithoutTheLimiter) {
    const Stereo input = TestSignal(3001, 0.6);
    for (bool amp : {false, true}) {
        SCOPED_TRACE(amp ? "amp and EQ" : "EQ");
        TestBrindlex whole, pieces;
        for (TestBrindlex* e : {&whole, &pieces}) {
            SwitchOn(*e, amp, true, false);
            e->Set(Brindlex::kEQLevel, 7.0);
            e->Set(Brindlex::kAmpGain, 6.0);
            e->Set(Brindlex::kAmpNoiseReduction, 80.0);
        }
        whole.SeedNoise(42);
        pieces.SeedNoise(42);
        const Stereo once = Process(whole, input, 3001);
        Stereo split;
        int start = 0;
        for (int size : {1, 7, 64, 333, 2, 511, 1000, 1083}) {
            split = Concatenate(split, Process(pieces, Slice(input, start, start + size), size));
            start += size;
        }
        ASSERT_EQ(start, 3001);
        EXPECT_TRUE(SameBits(once.L, split.L));
        EXPECT_TRUE(SameBits(once.R, split.R));
        EXPECT_EQ(whole.mAmpMeter.mValues.back(), pieces.mAmpMeter.mValues.back());
    }
}

TEST(BrindlexProcess, LimiterEnvelopeFallsOnlyAtBlockStarts) {
    // A burst over the threshold, then a level under it.
    Stereo input = Concatenate(Constant(200, 1.0), Constant(2000, 0.3));
    TestBrindlex oneBlock, smallBlocks;
    for (TestBrindlex* e : {&oneBlock, &smallBlocks}) {
        SwitchOn(*e, false, false, true);
        e->Set(Brindlex::kLimiterAttenuation, 50.0);
    }
    const Stereo held = Process(oneBlock, input, 2200);
    const Stereo recovering = Process(smallBlocks, input, 50);
    // Within one block the gain reduction holds, so the quiet part comes out nearly level...
    EXPECT_NEAR(held.L[2199], held.L[300], 1e-12);
    EXPECT_LT(held.L[2199], vox_fasttanh2(0.3) - 0.05);
    // ...while every new block lets the envelope fall by 2%.
    EXPECT_GT(recovering.L[2199], held.L[2199] + 0.05);
}

TEST(BrindlexProcess, InPlaceAndCrossedBuffers) {
    const Stereo input = TestSignal(777, 0.9);
    for (int stages = 0; stages < 8; ++stages) {
        SCOPED_TRACE(stages);
        TestBrindlex separate, inPlace, crossed;
        for (TestBrindlex* e : {&separate, &inPlace, &crossed}) {
            SwitchOn(*e, stages & 1, stages & 2, stages & 4);
            e->Set(Brindlex::kLimiterAttenuation, 40.0);
            e->Set(Brindlex::kEQLevel, 4.0);
            e->SeedNoise(7);
        }
        const Stereo expected = Process(separate, input, 777);

        Stereo buffers = input;
        double* same[] = {buffers.L.data(), buffers.R.data()};
        inPlace.ProcessDoubleReplacing(same, same, 777);
        EXPECT_TRUE(SameBits(buffers.L, expected.L));
        EXPECT_TRUE(SameBits(buffers.R, expected.R));

        // Left output into the right input's buffer and the other way round.
        buffers = input;
        double* in[] = {buffers.L.data(), buffers.R.data()};
        double* out[] = {buffers.R.data(), buffers.L.data()};
        crossed.ProcessDoubleReplacing(in, out, 777);
        EXPECT_TRUE(SameBits(buffers.R, expected.L));
        EXPECT_TRUE(SameBits(buffers.L, expected.R));
    }
}

TEST(BrindlexProcess, AmpDrawsFourRandomNumbersPerFrame) {
    const int frames = 1234;
    // The process's own generator is neither seeded nor drawn from.
    std::srand(9);
    const int firstOfSeed9 = std::rand();
    std::srand(9);
    for (double reduction : {100.0, 35.0}) {
        TestBrindlex effect; // alone in the process: rand()'s sequence after srand(666)
        SwitchOn(effect, true, false, false);
        effect.Set(Brindlex::kAmpNoiseReduction, reduction);
        Process(effect, TestSignal(frames, 0.5), 100);
        EXPECT_TRUE(SameOutput(NextNoise(effect, 3), PureNoise(4 * frames, 3))) << reduction;
    }
    TestBrindlex quiet;
    SwitchOn(quiet, false, true, true);
    Process(quiet, TestSignal(frames, 0.5), 100);
    EXPECT_TRUE(SameOutput(NextNoise(quiet, 3), PureNoise(0, 3))) << "no draws without the amp";
    EXPECT_EQ(std::rand(), firstOfSeed9);
}

TEST(BrindlexProcess, NoiseAloneAtZeroNoiseReduction) {
    const int frames = 120000;
    TestBrindlex effect;
    const Stereo out = NextNoise(effect, frames);
    EXPECT_TRUE(SameOutput(out, PureNoise(0, frames)));
    // Triangular between -1 and 1: mean 0, variance 1/6, three quarters within +-0.5.
    for (const std::vector<double>* channel : {&out.L, &out.R}) {
        double sum = 0.0, squares = 0.0;
        int inner = 0;
        for (double v : *channel) {
            ASSERT_GE(v, -1.0);
            ASSERT_LE(v, 1.0);
            sum += v;
            squares += v * v;
            inner += std::fabs(v) < 0.5;
        }
        EXPECT_NEAR(sum / frames, 0.0, 0.01);
        EXPECT_NEAR(squares / frames, 1.0 / 6.0, 0.005);
        EXPECT_NEAR(static_cast<double>(inner) / frames, 0.75, 0.01);
    }
    EXPECT_GT(effect.mAmpMeter.mValues.back(), 0.3);
}

TEST(BrindlexProcess, AmpStageIsSilentForSilence) {
    TestBrindlex effect;
    SwitchOn(effect, true, false, false);
    effect.Set(Brindlex::kAmpGain, 80.0);
    effect.Set(Brindlex::kAmpTone, 9.0);
    const Stereo out = Process(effect, Constant(1000, 0.0), 250);
    EXPECT_TRUE(SameBits(out.L, std::vector<double>(1000, 0.0)));
    EXPECT_TRUE(SameBits(out.R, std::vector<double>(1000, 0.0)));
    EXPECT_EQ(effect.mAmpMeter.mValues, std::vector<double>(4, 0.0));
}

TEST(BrindlexProcess, AmpStageChain) {
    TestBrindlex effect;
    SwitchOn(effect, true, false, false);
    effect.GetParam(Brindlex::kAmpGain)->SetNormalized(0.5); // 25 with shape 2
    effect.OnParamChange(Brindlex::kAmpGain);
    effect.Set(Brindlex::kAmpTone, 6.0);
    const Stereo input = TestSignal(2000, 0.3);
    const Stereo out = Process(effect, input, 500);

    // The chain per channel: high-pass, low-pass, tone, drive 25, waveshaper, shaper peak.
    const BiquadCoefs tone = DesignTone(6.0);
    BiquadState states[2][4];
    const double factors[2] = {kLeftShaperFactor, kRightShaperFactor};
    const std::vector<double>* channels[2] = {&input.L, &input.R};
    const std::vector<double>* outputs[2] = {&out.L, &out.R};
    for (int c = 0; c < 2; ++c)
        for (int s = 0; s < 2000; ++s) {
            double x = BiquadTick(kInputHighPassCoefs, states[c][0], (*channels[c])[s]);
            x = BiquadTick(kInputLowPassCoefs, states[c][1], x);
            x = BiquadTick(tone, states[c][2], x);
            x = AmpWaveshaper(x * 25.0, factors[c]);
            x = BiquadTick(kShaperPeakCoefs, states[c][3], x);
            ASSERT_EQ((*outputs[c])[s], x) << c << " " << s;
        }
    // The amp meter has started its 0.3 s rise toward the shaped level.
    EXPECT_GT(effect.mAmpMeter.mValues.back(), 0.05);
}

TEST(BrindlexProcess, EQStageChain) {
    TestBrindlex effect;
    SwitchOn(effect, false, true, false);
    effect.Set(Brindlex::kEQFreq, 3000.0);
    effect.Set(Brindlex::kEQLevel, 6.0);
    const Stereo input = TestSignal(1500, 0.8);
    const Stereo out = Process(effect, input, 1500);
    const BiquadCoefs chain[3] = {DesignHighShelf(4000.0, -6.0), DesignPeak(3000.0, 1.0, 6.0),
                                  DesignLowShelf(2000.0, -6.0)};
    BiquadState left[3], right[3];
    for (int s = 0; s < 1500; ++s) {
        double l = input.L[s], r = input.R[s];
        for (int f = 0; f < 3; ++f) {
            l = BiquadTick(chain[f], left[f], l);
            r = BiquadTick(chain[f], right[f], r);
        }
        ASSERT_EQ(out.L[s], l) << s;
        ASSERT_EQ(out.R[s], r) << s;
    }
    EXPECT_EQ(effect.mAmpMeter.mValues.back(), 0.0);
    EXPECT_EQ(effect.mGainMeter.mValues.back(), 0.0);
}

TEST(BrindlexProcess, LimiterUnderTheThresholdIsTheTanhAlone) {
    TestBrindlex effect;
    SwitchOn(effect, false, false, true); // threshold 1.2
    Stereo input = Constant(300, 0.5);
    input.R = TestSignal(300, 1.1).R;
    const Stereo out = Process(effect, input, 300);
    for (int s = 0; s < 300; ++s) {
        ASSERT_EQ(out.L[s], vox_fasttanh2(0.5));
        ASSERT_EQ(out.R[s], vox_fasttanh2(input.R[s]));
    }
    EXPECT_NEAR(out.L[0], 0.46173, 1e-5);
}

TEST(BrindlexProcess, LimiterFirstFrameWorkedThrough) {
    TestBrindlex effect;
    SwitchOn(effect, false, false, true);
    effect.Set(Brindlex::kLimiterAttenuation, 50.0); // threshold 0.5
    const Stereo out = Process(effect, Constant(1, 1.0), 1);
    // Excess 0.5; the envelope rises 4% of it to 0.02, so the gain is 0.98.
    EXPECT_DOUBLE_EQ(out.L[0], vox_fasttanh2(0.98));
    EXPECT_DOUBLE_EQ(effect.mGainMeter.mValues.back(), 0.98 * kAttack);
    EXPECT_DOUBLE_EQ(effect.mOutputMeter.mValues.back(), vox_fasttanh2(0.98) * kAttack);
    EXPECT_EQ(effect.mAmpMeter.mValues.back(), 0.0);

    // Silence after it: the gain envelope keeps rising toward the gain of almost 1.
    TestBrindlex quiet;
    SwitchOn(quiet, false, false, true);
    quiet.SetSampleRate(96000.0); // the coefficients keep their 44100 Hz values
    Process(quiet, Constant(1, 0.0), 1);
    EXPECT_EQ(quiet.mGainMeter.mValues.back(), kAttack);
    EXPECT_EQ(quiet.mOutputMeter.mValues.back(), 0.0);
}

TEST(BrindlexProcess, LimiterHoldsAFullScaleSine) {
    TestBrindlex effect;
    SwitchOn(effect, false, false, true);
    effect.Set(Brindlex::kLimiterAttenuation, 50.0);
    const int frames = 44100 * 4;
    Stereo sine = Constant(frames, 0.0);
    for (int s = 0; s < frames; ++s)
        sine.L[s] = sine.R[s] = std::sin(2.0 * 3.141592653589793 * 1000.0 * s / 44100.0);
    const Stereo out = Process(effect, sine, 512);

    // The gain meter rises from 0 toward the gain, 1 minus an envelope near the 0.5 excess.
    const std::vector<double>& gain = effect.mGainMeter.mValues;
    for (size_t i = 1; i < 86; ++i) // the first second
        EXPECT_GT(gain[i], gain[i - 1]) << i;
    EXPECT_NEAR(gain.back(), 0.5, 0.02);
    double peak = 0.0;
    for (int s = frames - 44100; s < frames; ++s)
        peak = std::max(peak, std::fabs(out.L[s]));
    // About the tanh of the gain; a little above it where a block start lets the envelope dip.
    EXPECT_NEAR(peak, vox_fasttanh2(0.5), 0.015);
    EXPECT_NEAR(effect.mOutputMeter.mValues.back(), 0.36, 0.01);
}

TEST(BrindlexProcess, NonFiniteInputDoesNotPoisonTheStages) {
    for (double bad : {kNaN, kInf, -kInf}) {
        SCOPED_TRACE(bad);
        TestBrindlex hit, fresh;
        for (TestBrindlex* e : {&hit, &fresh}) {
            SwitchOn(*e, true, true, true);
            e->Set(Brindlex::kLimiterAttenuation, 60.0);
            e->Set(Brindlex::kEQLevel, 5.0);
        }
        Stereo poisoned = TestSignal(256, 0.8);
        poisoned.L[200] = bad;
        const Stereo during = Process(hit, poisoned, 256);
        EXPECT_FALSE(std::isfinite(during.L[255]));
        // The meters never see a non-finite value.
        for (RecordingControl* meter : {&hit.mAmpMeter, &hit.mOutputMeter, &hit.mGainMeter})
            EXPECT_TRUE(std::isfinite(meter->mValues.back()));

        // Every stage starts the next block from rest, just like a fresh instance.
        const Stereo next = TestSignal(512, 0.8, 2);
        hit.SeedNoise(11);
        fresh.SeedNoise(11);
        const Stereo recovered = Process(hit, next, 256);
        const Stereo clean = Process(fresh, next, 256);
        EXPECT_TRUE(AllFinite(recovered));
        EXPECT_TRUE(SameBits(recovered.L, clean.L));
        EXPECT_TRUE(SameBits(recovered.R, clean.R));
        EXPECT_EQ(hit.mGainMeter.mValues.back(), fresh.mGainMeter.mValues.back());
    }
}

TEST(BrindlexProcess, StageOffKeepsItsState) {
    TestBrindlex toggled, steady;
    for (TestBrindlex* e : {&toggled, &steady}) {
        SwitchOn(*e, false, true, false);
        e->Set(Brindlex::kEQLevel, 10.0);
    }
    const Stereo first = TestSignal(400, 0.5, 5), second = TestSignal(400, 0.5, 6);
    Process(toggled, first, 400);
    Process(steady, first, 400);
    toggled.Set(Brindlex::kEQOn, 0.0);
    const Stereo bypassed = Process(toggled, TestSignal(300, 0.5, 8), 300);
    EXPECT_TRUE(SameBits(bypassed.L, TestSignal(300, 0.5, 8).L));
    toggled.Set(Brindlex::kEQOn, 1.0);
    EXPECT_TRUE(SameBits(Process(toggled, second, 400).L, Process(steady, second, 400).L));
}

// A host changes parameters on its user-interface thread while its audio thread processes; the
// ThreadSanitizer build checks that no value is read while it is written.
TEST(BrindlexProcess, ConcurrentParameterChangesWhileProcessing) {
    std::unique_ptr<IFxAU> effect(MakePlug());
    for (int stage : {Brindlex::kAmpOn, Brindlex::kEQOn, Brindlex::kLimiterOn})
        effect->GetParam(stage)->Set(1.0);
    effect->OnParamReset();
    std::atomic<bool> done{false};
    std::thread changer([&] {
        for (int i = 0; !done.load(); ++i) {
            IFxBase::IMutexLock lock(effect.get()); // as the adapter sets parameters
            const int index = i % Brindlex::kNumParams;
            IParam* param = effect->GetParam(index);
            param->SetNormalized((i % 7) / 6.0);
            effect->OnParamChange(index);
        }
    });
    const Stereo input = TestSignal(32, 0.8);
    Stereo output = Constant(32, 0.0);
    double* inputs[] = {const_cast<double*>(input.L.data()), const_cast<double*>(input.R.data())};
    double* outputs[] = {output.L.data(), output.R.data()};
    bool finite = true;
    for (int block = 0; block < 2000; ++block) {
        effect->ProcessDoubleReplacing(inputs, outputs, 32);
        for (int s = 0; s < 32; ++s)
            finite = finite && std::isfinite(output.L[s]) && std::isfinite(output.R[s]);
    }
    done.store(true);
    changer.join();
    EXPECT_TRUE(finite);
}

// A host runs two instances on two threads, one for each track: each sounds exactly as it does
// when it is processed with nothing else running, and they never share their noise.
TEST(BrindlexProcess, ConcurrentInstancesSoundAsEachDoesAlone) {
    const Stereo input = TestSignal(20000, 0.8);
    auto setUp = [](TestBrindlex& e) {
        SwitchOn(e, true, true, true);
        e.Set(Brindlex::kAmpNoiseReduction, 50.0);
        e.Set(Brindlex::kLimiterAttenuation, 60.0);
    };
    Stereo alone[2];
    {
        TestBrindlex first, second;
        setUp(first);
        setUp(second);
        alone[0] = Process(first, input, 256);
        alone[1] = Process(second, input, 256);
    }
    // The same two streams again, as the instances before them have gone.
    TestBrindlex first, second;
    setUp(first);
    setUp(second);
    Stereo together[2];
    std::thread other([&] { together[1] = Process(second, input, 256); });
    together[0] = Process(first, input, 256);
    other.join();
    EXPECT_TRUE(SameOutput(together[0], alone[0]));
    EXPECT_TRUE(SameOutput(together[1], alone[1]));
    EXPECT_FALSE(SameBits(alone[0].L, alone[1].L));
}

TEST(BrindlexProcess, InstancesAliveTogetherNeverShareNoise) {
    const int frames = 44100;
    TestBrindlex a, b, c;
    const Stereo noise[] = {NextNoise(a, frames), NextNoise(b, frames), NextNoise(c, frames)};
    // Not the same values, nor the same values shifted: no frame of one appears in another.
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) {
            const std::set<double> seen(noise[i].L.begin(), noise[i].L.end());
            int shared = 0;
            for (double v : noise[j].L)
                shared += seen.count(v) != 0;
            EXPECT_EQ(shared, 0) << i << " " << j;
        }
    // The first is the sequence of a lone instance; the others are further seeds.
    EXPECT_TRUE(SameOutput(noise[0], PureNoise(0, frames)));
    EXPECT_TRUE(SameOutput(noise[2], PureNoise(0, frames, NoiseStream::kFirstSeed + 2)));
}
