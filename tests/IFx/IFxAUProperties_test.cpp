// Properties as a host reads and writes them: the errors for bad addresses and buffers, stream
// formats, sample rate and slice size, and the plain values.

#include "AUTestPlug.h"
#include "TestBundle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

namespace {

using IFxAUProperties = AUTest;

TEST_F(IFxAUProperties, BadAddressesAndBuffersAreRefused) {
    AUTestUnit unit;
    AudioUnit au = unit.Unit();
    const AudioUnitScope global = kAudioUnitScope_Global;
    UInt32 value = 0x5A5A5A5A;

    // Unknown or unanswered properties, from 51 on among them.
    for (AudioUnitPropertyID id : {7u, 9u, 15u, 31u, 51u, 52u, 56u, 60u, 62u, 1000u, 5000u}) {
        UInt32 size = 0;
        EXPECT_EQ(AudioUnitGetPropertyInfo(au, id, global, 0, &size, nullptr),
                  kAudioUnitErr_InvalidProperty)
            << id;
        EXPECT_EQ(unit.Get(id, global, 0, &value), kAudioUnitErr_InvalidProperty) << id;
        EXPECT_EQ(unit.Set(id, global, 0, value), kAudioUnitErr_InvalidProperty) << id;
    }
    // Scope, element, parameter.
    EXPECT_EQ(unit.Get(kAudioUnitProperty_Latency, kAudioUnitScope_Input, 0, &value),
              kAudioUnitErr_InvalidScope);
    EXPECT_EQ(unit.Get(kAudioUnitProperty_Latency, 77, 0, &value), kAudioUnitErr_InvalidScope);
    EXPECT_EQ(unit.Get(kAudioUnitProperty_ElementName, global, 0, &value),
              kAudioUnitErr_InvalidScope);
    EXPECT_EQ(unit.Get(kAudioUnitProperty_BypassEffect, global, 1, &value),
              kAudioUnitErr_InvalidElement);
    AudioStreamBasicDescription format{};
    EXPECT_EQ(unit.Get(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 1, &format),
              kAudioUnitErr_InvalidElement);
    EXPECT_EQ(
        unit.Get(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0xFFFFFFFF, &format),
        kAudioUnitErr_InvalidElement);
    AudioUnitParameterInfo info{};
    EXPECT_EQ(unit.Get(kAudioUnitProperty_ParameterInfo, global, kNumAUTestParams, &info),
              kAudioUnitErr_InvalidParameter);

    // A buffer too small, or of unknown size, is left untouched.
    UInt16 small = 0x5A5A;
    UInt32 size = sizeof small;
    EXPECT_EQ(AudioUnitGetProperty(au, kAudioUnitProperty_MaximumFramesPerSlice, global, 0, &small,
                                   &size),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(small, 0x5A5A);
    EXPECT_EQ(AudioUnitGetProperty(au, kAudioUnitProperty_MaximumFramesPerSlice, global, 0, &value,
                                   nullptr),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(value, 0x5A5A5A5Au);
    // Without data a get answers the size, as the info call does.
    size = 0;
    EXPECT_EQ(AudioUnitGetProperty(au, kAudioUnitProperty_ParameterList, global, 0, nullptr, &size),
              noErr);
    EXPECT_EQ(size, kNumAUTestParams * sizeof(AudioUnitParameterID));

    // Sets: data, size, writability.
    EXPECT_EQ(AudioUnitSetProperty(au, kAudioUnitProperty_BypassEffect, global, 0, nullptr, 4),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(AudioUnitSetProperty(au, kAudioUnitProperty_BypassEffect, global, 0, &small, 2),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(unit.Set(kAudioUnitProperty_Latency, global, 0, Float64{1.0}),
              kAudioUnitErr_PropertyNotWritable);
    EXPECT_EQ(unit.Set(kAudioUnitProperty_ElementCount, kAudioUnitScope_Input, 0, UInt32{2}),
              kAudioUnitErr_PropertyNotWritable);
    EXPECT_FALSE(unit.Plug()->IsBypassed());

    // A write-only property reports itself writable and cannot be read.
    Boolean writable = false;
    size = 0;
    EXPECT_EQ(AudioUnitGetPropertyInfo(au, kAudioUnitProperty_AUHostIdentifier, global, 0, &size,
                                       &writable),
              noErr);
    EXPECT_TRUE(writable);
    EXPECT_EQ(size, sizeof(AUHostVersionIdentifier));
    AUHostVersionIdentifier host{};
    EXPECT_EQ(unit.Get(kAudioUnitProperty_AUHostIdentifier, global, 0, &host),
              kAudioUnitErr_InvalidProperty);
    // The info call tolerates missing out-pointers.
    EXPECT_EQ(
        AudioUnitGetPropertyInfo(au, kAudioUnitProperty_SampleRate, global, 0, nullptr, nullptr),
        noErr);
}

TEST_F(IFxAUProperties, StreamFormatsAreFloatBuffersOfLegalChannelCounts) {
    AUTestUnit unit;
    AudioStreamBasicDescription format{};
    ASSERT_EQ(unit.Get(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &format), noErr);
    EXPECT_EQ(format.mSampleRate, 44100.0);
    EXPECT_EQ(format.mFormatID, kAudioFormatLinearPCM);
    EXPECT_EQ(format.mFormatFlags, 41u);
    EXPECT_EQ(format.mChannelsPerFrame, 2u);
    EXPECT_EQ(format.mBytesPerFrame, 4u);
    EXPECT_EQ(format.mBytesPerPacket, 4u);
    EXPECT_EQ(format.mFramesPerPacket, 1u);
    EXPECT_EQ(format.mBitsPerChannel, 32u);
    AudioStreamBasicDescription interleaved;
    IFxAU::MakeDefaultASBD(&interleaved, 48000.0, 2, true);
    EXPECT_EQ(interleaved.mFormatFlags, 9u);
    EXPECT_EQ(interleaved.mBytesPerFrame, 8u);

    // Refused: not PCM, integers, interleaved stereo, no channels, more than the bus has.
    auto refused = [&](AudioStreamBasicDescription candidate) {
        return unit.Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, candidate) ==
               kAudioUnitErr_FormatNotSupported;
    };
    AudioStreamBasicDescription candidate = format;
    candidate.mFormatID = kAudioFormatMPEG4AAC;
    EXPECT_TRUE(refused(candidate));
    candidate = format;
    candidate.mFormatFlags = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked |
                             kAudioFormatFlagIsNonInterleaved;
    candidate.mBitsPerChannel = 16;
    candidate.mBytesPerFrame = candidate.mBytesPerPacket = 2;
    EXPECT_TRUE(refused(candidate));
    EXPECT_TRUE(refused(interleaved));
    candidate = format;
    candidate.mChannelsPerFrame = 0;
    EXPECT_TRUE(refused(candidate));
    candidate.mChannelsPerFrame = 3;
    EXPECT_TRUE(refused(candidate));
    candidate = format;
    candidate.mSampleRate = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(refused(candidate));
    ASSERT_EQ(unit.Get(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &format), noErr);
    EXPECT_EQ(format.mChannelsPerFrame, 2u) << "refused formats change nothing";

    // Mono interleaved is the same layout as mono in one buffer.
    IFxAU::MakeDefaultASBD(&candidate, 44100.0, 1, true);
    EXPECT_EQ(unit.Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, candidate),
              noErr);
    // The global scope stands for output 0; a new rate in a format sets the unit's rate.
    const int resets = unit.Plug()->mResets;
    IFxAU::MakeDefaultASBD(&candidate, 96000.0, 2, false);
    EXPECT_EQ(unit.Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Global, 0, candidate),
              noErr);
    ASSERT_EQ(unit.Get(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &format), noErr);
    EXPECT_EQ(format.mChannelsPerFrame, 2u);
    EXPECT_EQ(unit.Plug()->GetSampleRate(), 96000.0);
    EXPECT_EQ(unit.Plug()->mResets, resets + 1);
}

TEST_F(IFxAUProperties, SampleRateAndSliceSizeResetThePlugIn) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    const int resets = plug->mResets;
    EXPECT_EQ(unit.Set(kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 0, Float64{48000.0}),
              noErr);
    EXPECT_EQ(plug->GetSampleRate(), 48000.0);
    EXPECT_EQ(plug->mResets, resets + 1);
    Float64 rate = 0.0;
    ASSERT_EQ(unit.Get(kAudioUnitProperty_SampleRate, kAudioUnitScope_Input, 0, &rate), noErr);
    EXPECT_EQ(rate, 48000.0);
    for (Float64 bad : {0.0, -44100.0, std::numeric_limits<double>::infinity()})
        EXPECT_EQ(unit.Set(kAudioUnitProperty_SampleRate, kAudioUnitScope_Input, 0, bad),
                  kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(plug->GetSampleRate(), 48000.0);

    EXPECT_EQ(
        unit.Set(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, UInt32{4096}),
        noErr);
    EXPECT_EQ(plug->GetBlockSize(), 4096);
    EXPECT_EQ(plug->mResets, resets + 2);
    for (UInt32 bad : {0u, (1u << 20) + 1, 0xFFFFFFFFu})
        EXPECT_EQ(
            unit.Set(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, bad),
            kAudioUnitErr_InvalidPropertyValue);
    UInt32 frames = 0;
    ASSERT_EQ(
        unit.Get(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &frames),
        noErr);
    EXPECT_EQ(frames, 4096u);
}

TEST_F(IFxAUProperties, PlainValues) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    const AudioUnitScope global = kAudioUnitScope_Global;

    UInt32 count = 0;
    for (AudioUnitScope scope :
         {kAudioUnitScope_Global, kAudioUnitScope_Input, kAudioUnitScope_Output}) {
        ASSERT_EQ(unit.Get(kAudioUnitProperty_ElementCount, scope, 0, &count), noErr);
        EXPECT_EQ(count, 1u);
    }
    CFHolder<CFStringRef> name;
    ASSERT_EQ(unit.Get(kAudioUnitProperty_ElementName, kAudioUnitScope_Output, 0, name.Out()),
              noErr);
    EXPECT_EQ(CFText(name.Get()), "output");

    AUChannelInfo channels[3] = {};
    UInt32 size = sizeof channels;
    ASSERT_EQ(AudioUnitGetProperty(unit.Unit(), kAudioUnitProperty_SupportedNumChannels, global, 0,
                                   channels, &size),
              noErr);
    ASSERT_EQ(size, 2 * sizeof(AUChannelInfo));
    EXPECT_EQ(channels[0].inChannels, 1);
    EXPECT_EQ(channels[1].outChannels, 2);

    AudioUnitParameterID ids[kNumAUTestParams + 1] = {};
    size = sizeof ids;
    ASSERT_EQ(
        AudioUnitGetProperty(unit.Unit(), kAudioUnitProperty_ParameterList, global, 0, ids, &size),
        noErr);
    EXPECT_EQ(size, kNumAUTestParams * sizeof(AudioUnitParameterID));
    EXPECT_EQ(ids[kTrim], AudioUnitParameterID{kTrim});
    size = sizeof ids;
    ASSERT_EQ(AudioUnitGetProperty(unit.Unit(), kAudioUnitProperty_ParameterList,
                                   kAudioUnitScope_Input, 0, ids, &size),
              noErr);
    EXPECT_EQ(size, 0u) << "parameters live in the global scope only";

    Float64 seconds = -1.0;
    ASSERT_EQ(unit.Get(kAudioUnitProperty_Latency, global, 0, &seconds), noErr);
    EXPECT_EQ(seconds, 0.0);
    ASSERT_EQ(unit.Get(kAudioUnitProperty_TailTime, global, 0, &seconds), noErr);
    EXPECT_EQ(seconds, 0.0);

    UInt32 flag = 7;
    ASSERT_EQ(unit.Get(kAudioUnitProperty_InPlaceProcessing, global, 0, &flag), noErr);
    EXPECT_EQ(flag, 1u);
    ASSERT_EQ(unit.Set(kAudioUnitProperty_OfflineRender, global, 0, UInt32{1}), noErr);
    EXPECT_TRUE(plug->IsRenderingOffline());
    ASSERT_EQ(unit.Get(kAudioUnitProperty_OfflineRender, global, 0, &flag), noErr);
    EXPECT_EQ(flag, 1u);
    ASSERT_EQ(unit.Get(kAudioUnitProperty_RenderQuality, global, 0, &flag), noErr);
    EXPECT_EQ(flag, kRenderQuality_Max);
    EXPECT_EQ(unit.Set(kAudioUnitProperty_RenderQuality, global, 0, UInt32{0x40}), noErr);
    EXPECT_EQ(unit.Set(kAudioUnitProperty_RenderQuality, global, 0, UInt32{0x80}),
              kAudioUnitErr_InvalidPropertyValue);
    ASSERT_EQ(unit.Get(kAudioUnitProperty_RenderQuality, global, 0, &flag), noErr);
    EXPECT_EQ(flag, 0x40u);
    OSStatus lastError = -1;
    ASSERT_EQ(unit.Get(kAudioUnitProperty_LastRenderError, global, 0, &lastError), noErr);
    EXPECT_EQ(lastError, noErr);

    // Bypass: stored, the plug-in deactivated and reset.
    const int resets = plug->mResets;
    ASSERT_EQ(unit.Set(kAudioUnitProperty_BypassEffect, global, 0, UInt32{1}), noErr);
    EXPECT_TRUE(plug->IsBypassed());
    EXPECT_EQ(plug->mActivations.back(), false);
    EXPECT_EQ(plug->mResets, resets + 1);
    ASSERT_EQ(unit.Get(kAudioUnitProperty_BypassEffect, global, 0, &flag), noErr);
    EXPECT_EQ(flag, 1u);
    ASSERT_EQ(unit.Set(kAudioUnitProperty_BypassEffect, global, 0, UInt32{0}), noErr);
    EXPECT_EQ(plug->mActivations.back(), true);

    // No editor, no Cocoa view.
    AudioUnitCocoaViewInfo cocoa{};
    EXPECT_EQ(unit.Get(kAudioUnitProperty_CocoaUI, global, 0, &cocoa),
              kAudioUnitErr_InvalidProperty);
}

TEST_F(IFxAUProperties, TheCocoaViewIsTheFactoryClassOfTheLoadedBundle) {
    gAUTestConfig.withEditor = true;
    AUTestUnit unit;
    const AudioUnitScope global = kAudioUnitScope_Global;
    AudioUnitCocoaViewInfo cocoa{};
    EXPECT_EQ(unit.Get(kAudioUnitProperty_CocoaUI, global, 0, &cocoa),
              kAudioUnitErr_InvalidProperty)
        << "a bundle that is not loaded offers nothing";

    const std::string bundle = LoadTestBundle("org.brindlex.au-test", {});
    UInt32 size = 0;
    Boolean writable = true;
    ASSERT_EQ(AudioUnitGetPropertyInfo(unit.Unit(), kAudioUnitProperty_CocoaUI, global, 0, &size,
                                       &writable),
              noErr);
    EXPECT_EQ(size, sizeof(AudioUnitCocoaViewInfo));
    EXPECT_FALSE(writable);
    ASSERT_EQ(unit.Get(kAudioUnitProperty_CocoaUI, global, 0, &cocoa), noErr);
    char path[4096];
    ASSERT_TRUE(CFURLGetFileSystemRepresentation(cocoa.mCocoaAUViewBundleLocation, true,
                                                 reinterpret_cast<UInt8*>(path), sizeof path));
    EXPECT_EQ(std::filesystem::canonical(path), std::filesystem::canonical(bundle));
    EXPECT_EQ(CFText(cocoa.mCocoaAUViewClass[0]), "AUTest_View");
    CFRelease(cocoa.mCocoaAUViewBundleLocation);
    CFRelease(cocoa.mCocoaAUViewClass[0]);
    EXPECT_EQ(unit.Set(kAudioUnitProperty_CocoaUI, global, 0, cocoa),
              kAudioUnitErr_PropertyNotWritable);
    EXPECT_EQ(unit.Get(kAudioUnitProperty_CocoaUI, global, 1, &cocoa),
              kAudioUnitErr_InvalidElement);
}

TEST_F(IFxAUProperties, PresentPresetRestoresByNumber) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    AUPreset preset{-1, nullptr};
    ASSERT_EQ(unit.Get(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &preset),
              noErr);
    EXPECT_EQ(preset.presetNumber, 0);
    EXPECT_EQ(CFText(preset.presetName), "Unity");
    CFRelease(preset.presetName);

    ASSERT_EQ(
        unit.Set(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, AUPreset{1, nullptr}),
        noErr);
    EXPECT_EQ(plug->GetCurrentPresetIdx(), 1);
    EXPECT_EQ(plug->GetParam(kGain)->Value(), 2.0);
    EXPECT_EQ(plug->mGain, 2.0);
    for (SInt32 bad : {-1, 2, 1000})
        EXPECT_EQ(unit.Set(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0,
                           AUPreset{bad, nullptr}),
                  kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(plug->GetCurrentPresetIdx(), 1);
    ASSERT_EQ(unit.Get(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &preset),
              noErr);
    EXPECT_EQ(CFText(preset.presetName), "Loud");
    CFRelease(preset.presetName);
}

} // namespace
