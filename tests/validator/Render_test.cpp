// Rendering at every sample rate and slice size a host may choose, with noise and silence,
// whole and sliced, and slices the unit must refuse.
#include "ValidatorSupport.h"

#include <random>

namespace {

// Enough audio per case to settle every filter and envelope, little enough to keep the whole
// matrix to seconds.
constexpr double kSecondsPerSignal = 0.25;

// Opened, configured for the rate and slice size, every stage switched on, initialized.
::testing::AssertionResult ReadyWithEveryStageOn(ValidatedUnit& unit, double sampleRate,
                                                 UInt32 maxFrames) {
    OSStatus status = unit.OpenStatus();
    if (status == noErr) status = unit.Configure(sampleRate, maxFrames);
    for (AudioUnitParameterID stage : {kAmpOn, kEQOn, kLimiterOn})
        if (status == noErr) status = unit.SetParameter(stage, 1.0f);
    if (status == noErr) status = unit.Initialize();
    if (status == noErr) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "getting the unit ready: status " << status;
}

// Slice sizes from 1 to maxFrames, including the extremes, in a fixed random order.
std::vector<UInt32> RandomSlices(UInt32 maxFrames, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<UInt32> size(1, maxFrames);
    std::vector<UInt32> slices = {maxFrames, 1};
    for (int i = 0; i < 30; ++i)
        slices.push_back(size(random));
    return slices;
}

// One test per sample rate, each running every slice size, so that the matrix costs a few
// processes rather than one per cell.
class RenderMatrix : public ValidatorTest, public ::testing::WithParamInterface<double> {};

TEST_P(RenderMatrix, NoiseThenSilenceComeOutClean) {
    const double sampleRate = GetParam();
    const auto frames = static_cast<uint64_t>(sampleRate * kSecondsPerSignal);
    for (UInt32 maxFrames : kMaxFrames) {
        SCOPED_TRACE(::testing::Message() << maxFrames << " frames per slice");
        ValidatedUnit unit;
        ASSERT_TRUE(ReadyWithEveryStageOn(unit, sampleRate, maxFrames));
        for (Signal signal : {Signal::kNoise, Signal::kSilence}) {
            unit.SetSignal(signal);
            std::vector<float> left, right;
            ASSERT_EQ(unit.RenderSliced(frames, {maxFrames}, left, right), noErr);
            EXPECT_TRUE(CleanOutput(left, right))
                << (signal == Signal::kNoise ? "noise" : "silence");
        }
    }
}

TEST_P(RenderMatrix, SlicesSmallerThanTheMaximumGiveTheSameAudio) {
    const double sampleRate = GetParam();
    const auto frames = static_cast<uint64_t>(sampleRate * kSecondsPerSignal);
    for (UInt32 maxFrames : kMaxFrames) {
        SCOPED_TRACE(::testing::Message() << maxFrames << " frames per slice");
        // The limiter restarts its running peak every slice, so it is left out of the
        // comparison; the amp's noise is drawn but not mixed in at the default noise reduction.
        std::vector<float> whole[2], sliced[2];
        for (int pass = 0; pass < 2; ++pass) {
            ValidatedUnit unit;
            ASSERT_EQ(unit.OpenStatus(), noErr);
            ASSERT_EQ(unit.Configure(sampleRate, maxFrames), noErr);
            ASSERT_EQ(unit.SetParameter(kAmpOn, 1.0f), noErr);
            ASSERT_EQ(unit.SetParameter(kEQOn, 1.0f), noErr);
            ASSERT_EQ(unit.Initialize(), noErr);
            const std::vector<UInt32> slices =
                pass == 0 ? std::vector<UInt32>{maxFrames} : RandomSlices(maxFrames, maxFrames);
            std::vector<float>* out = pass == 0 ? whole : sliced;
            ASSERT_EQ(unit.RenderSliced(frames, slices, out[0], out[1], RenderRoute::kFastDispatch),
                      noErr);
            EXPECT_TRUE(CleanOutput(out[0], out[1]));
        }
        EXPECT_EQ(whole[0], sliced[0]);
        EXPECT_EQ(whole[1], sliced[1]);
    }
}

TEST_P(RenderMatrix, ASliceAboveTheMaximumIsRefusedAndChangesNothing) {
    const double sampleRate = GetParam();
    for (UInt32 maxFrames : kMaxFrames) {
        SCOPED_TRACE(::testing::Message() << maxFrames << " frames per slice");
        ValidatedUnit unit;
        ASSERT_TRUE(ReadyWithEveryStageOn(unit, sampleRate, maxFrames));
        for (RenderRoute route : {RenderRoute::kEntry, RenderRoute::kFastDispatch}) {
            std::vector<float> left, right;
            ASSERT_EQ(unit.Render(maxFrames, left, right, route), noErr);
            const int pulls = unit.InputPulls();
            const uint64_t sampleTime = unit.SampleTime();
            EXPECT_EQ(unit.Render(maxFrames + 1, left, right, route),
                      kAudioUnitErr_InvalidPropertyValue);
            EXPECT_EQ(unit.InputPulls(), pulls) << "a refused slice pulls no input";
            EXPECT_EQ(unit.SampleTime(), sampleTime);
            EXPECT_EQ(left, std::vector<float>(maxFrames + 1, 0.0f)) << "nor writes any output";
            ASSERT_EQ(unit.Render(maxFrames, left, right, route), noErr);
            EXPECT_TRUE(CleanOutput(left, right));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Validator, RenderMatrix, ::testing::ValuesIn(kSampleRates),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return std::to_string(static_cast<int>(info.param)) + "Hz";
                         });

using Render = ValidatorTest;

// A filter tail decays through the subnormal numbers on its way to zero; a host must never see
// them (they are slow on every processor, and a validator fails them).
TEST_F(Render, DecayingTailsNeverReachTheHostAsSubnormals) {
    for (AudioUnitParameterID stage : {kAmpOn, kEQOn, kLimiterOn}) {
        ValidatedUnit unit;
        ASSERT_EQ(unit.OpenStatus(), noErr);
        ASSERT_EQ(unit.Configure(44100, 4096), noErr);
        ASSERT_EQ(unit.SetParameter(stage, 1.0f), noErr);
        ASSERT_EQ(unit.SetParameter(kEQLevel, 12.0f), noErr);
        ASSERT_EQ(unit.Initialize(), noErr);
        std::vector<float> left, right;
        ASSERT_EQ(unit.RenderSliced(4096, {4096}, left, right), noErr);
        // Long enough for the slowest tail (the amp's 90 Hz high-pass) to pass below the
        // smallest normal double.
        unit.SetSignal(Signal::kSilence);
        for (int block = 0; block < 160; ++block) {
            ASSERT_EQ(unit.Render(4096, left, right), noErr);
            ASSERT_TRUE(CleanOutput(left, right)) << "stage " << stage << ", block " << block;
        }
    }
}

TEST_F(Render, TheUnitsOwnBuffersWhenTheHostGivesNone) {
    ValidatedUnit unit;
    ASSERT_TRUE(ReadyWithEveryStageOn(unit, 44100, 512));
    AudioBufferListWithBuffers<2> list;
    for (AudioBuffer& buffer : list.mBuffers)
        buffer = AudioBuffer{1, 0, nullptr};
    AudioTimeStamp timeStamp{};
    timeStamp.mFlags = kAudioTimeStampSampleTimeValid;
    AudioUnitRenderActionFlags flags = 0;
    OSStatus status;
    {
        RenderScope scope;
        status = AudioUnitRender(unit.Get(), &flags, &timeStamp, 0, 512, list.List());
    }
    ASSERT_EQ(status, noErr);
    for (int c = 0; c < 2; ++c) {
        ASSERT_NE(list.mBuffers[c].mData, nullptr);
        ASSERT_EQ(list.mBuffers[c].mDataByteSize, 512 * sizeof(float));
        const auto* samples = static_cast<const float*>(list.mBuffers[c].mData);
        EXPECT_EQ(CheckOutput(std::vector<float>(samples, samples + 512)).firstBad, -1);
    }
}

TEST_F(Render, MalformedRenderCallsAreRefused) {
    ValidatedUnit unit;
    ASSERT_EQ(unit.OpenStatus(), noErr);
    ASSERT_EQ(unit.Configure(44100, 512), noErr);
    ASSERT_EQ(unit.Initialize(), noErr);
    float samples[2][512];
    AudioBufferListWithBuffers<2> list;
    for (int c = 0; c < 2; ++c)
        list.mBuffers[c] = AudioBuffer{1, sizeof samples[c], samples[c]};
    AudioTimeStamp timeStamp{};
    timeStamp.mFlags = kAudioTimeStampSampleTimeValid;
    AudioUnitRenderActionFlags flags = 0;
    AudioTimeStamp noSampleTime{};
    // Each call in a watched scope, its status checked outside it.
    auto render = [&](const AudioTimeStamp* stamp, UInt32 bus, UInt32 frames,
                      AudioBufferList* data) {
        RenderScope scope;
        return AudioUnitRender(unit.Get(), &flags, stamp, bus, frames, data);
    };
    EXPECT_EQ(render(&noSampleTime, 0, 512, list.List()), kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(render(nullptr, 0, 512, list.List()), kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(render(&timeStamp, 1, 512, list.List()), kAudioUnitErr_InvalidPropertyValue)
        << "there is one output bus";
    EXPECT_EQ(render(&timeStamp, 0, 512, nullptr), paramErr);
    list.mNumberBuffers = 1;
    EXPECT_EQ(render(&timeStamp, 0, 512, list.List()), paramErr);
    list.mNumberBuffers = 2;
    list.mBuffers[1].mDataByteSize = 511 * sizeof(float);
    EXPECT_EQ(render(&timeStamp, 0, 512, list.List()), paramErr);
    list.mBuffers[1].mDataByteSize = sizeof samples[1];
    EXPECT_EQ(render(&timeStamp, 0, 512, list.List()), noErr);
    EXPECT_EQ(render(&timeStamp, 0, 0, list.List()), noErr) << "an empty slice is legal";
}

} // namespace
