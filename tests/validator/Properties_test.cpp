// Every property at every address a host might try, with buffers of exactly the size the unit
// asks for (the sanitizers catch a byte written past them), and settings the unit must refuse.
#include "ValidatorSupport.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

class Properties : public ValidatorTest {
protected:
    void SetUp() override {
        ValidatorTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(mUnit.OpenStatus(), noErr);
        ASSERT_EQ(mUnit.Configure(44100, 512), noErr);
    }

    // Releases what a property answered with that the host owns.
    static void ReleaseAnswer(AudioUnitPropertyID id, void* data) {
        auto release = [](const void* object) {
            CFTypeRef reference;
            std::memcpy(&reference, object, sizeof reference);
            if (reference) CFRelease(reference);
        };
        switch (id) {
        case kAudioUnitProperty_ClassInfo:
        case kAudioUnitProperty_ParameterValueStrings:
        case kAudioUnitProperty_FactoryPresets:
        case kAudioUnitProperty_ElementName:
            release(data);
            break;
        case kAudioUnitProperty_PresentPreset: {
            AUPreset preset;
            std::memcpy(&preset, data, sizeof preset);
            release(&preset.presetName);
            break;
        }
        case kAudioUnitProperty_ParameterInfo: {
            AudioUnitParameterInfo info;
            std::memcpy(&info, data, sizeof info);
            if (info.flags & kAudioUnitParameterFlag_CFNameRelease) {
                release(&info.cfNameString);
                release(&info.unitName);
            }
            break;
        }
        case kAudioUnitProperty_CocoaUI: {
            AudioUnitCocoaViewInfo info;
            std::memcpy(&info, data, sizeof info);
            release(&info.mCocoaAUViewBundleLocation);
            release(&info.mCocoaAUViewClass[0]);
            break;
        }
        case kAudioUnitProperty_ParameterStringFromValue: {
            AudioUnitParameterStringFromValue request;
            std::memcpy(&request, data, sizeof request);
            release(&request.outString);
            break;
        }
        default:
            break;
        }
    }

    ValidatedUnit mUnit;
};

TEST_F(Properties, EveryAddressAnswersWithinTheSizeItReports) {
    int answered = 0;
    for (AudioUnitPropertyID id = 0; id < 70; ++id) {
        for (AudioUnitScope scope : {0u, 1u, 2u, 3u, 7u, 1000u}) {
            for (AudioUnitElement element : {0u, 1u, 2u, 9u, 0xffffffffu}) {
                SCOPED_TRACE(::testing::Message() << "property " << id << ", scope " << scope
                                                  << ", element " << element);
                UInt32 size = 0;
                Boolean writable = false;
                if (AudioUnitGetPropertyInfo(mUnit.Get(), id, scope, element, &size, &writable) !=
                    noErr)
                    continue;
                ASSERT_LE(size, 1u << 16);
                // Exactly the size asked for, on the heap, so that one byte more is caught.
                std::unique_ptr<unsigned char[]> data(new unsigned char[size + 1]);
                if (size > 0) {
                    std::memset(data.get(), 0xA5, size);
                    UInt32 shortSize = size - 1;
                    EXPECT_NE(AudioUnitGetProperty(mUnit.Get(), id, scope, element, data.get(),
                                                   &shortSize),
                              noErr);
                    for (UInt32 i = 0; i < size; ++i)
                        ASSERT_EQ(data[i], 0xA5) << "a refused answer wrote byte " << i;
                    std::memset(data.get(), 0, size);
                }
                std::unique_ptr<unsigned char[]> exact(new unsigned char[size]);
                std::memcpy(exact.get(), data.get(), size);
                UInt32 answerSize = size;
                if (AudioUnitGetProperty(mUnit.Get(), id, scope, element, exact.get(),
                                         &answerSize) == noErr) {
                    ++answered;
                    EXPECT_EQ(answerSize, size);
                    ReleaseAnswer(id, exact.get());
                }
            }
        }
    }
    EXPECT_GT(answered, 30);
    ASSERT_EQ(mUnit.Initialize(), noErr);
    std::vector<float> left, right;
    ASSERT_EQ(mUnit.Render(512, left, right), noErr);
    EXPECT_TRUE(CleanOutput(left, right));
}

TEST_F(Properties, SettingsTheUnitCannotTakeAreRefusedAndChangeNothing) {
    const float kNaN = std::numeric_limits<float>::quiet_NaN();
    AudioStreamBasicDescription before{};
    UInt32 size = sizeof before;
    ASSERT_EQ(AudioUnitGetProperty(mUnit.Get(), kAudioUnitProperty_StreamFormat,
                                   kAudioUnitScope_Output, 0, &before, &size),
              noErr);

    for (Float64 rate : {0.0, -44100.0, double(kNaN), HUGE_VAL}) {
        EXPECT_EQ(AudioUnitSetProperty(mUnit.Get(), kAudioUnitProperty_SampleRate,
                                       kAudioUnitScope_Output, 0, &rate, sizeof rate),
                  kAudioUnitErr_InvalidPropertyValue)
            << rate;
    }
    struct FormatCase {
        const char* what;
        void (*change)(AudioStreamBasicDescription&);
    };
    const FormatCase formats[] = {
        {"no channels", [](AudioStreamBasicDescription& f) { f.mChannelsPerFrame = 0; }},
        {"three channels", [](AudioStreamBasicDescription& f) { f.mChannelsPerFrame = 3; }},
        {"many channels", [](AudioStreamBasicDescription& f) { f.mChannelsPerFrame = 1u << 31; }},
        {"interleaved",
         [](AudioStreamBasicDescription& f) {
             f.mFormatFlags &= ~kAudioFormatFlagIsNonInterleaved;
             f.mBytesPerFrame = f.mBytesPerPacket = 8;
         }},
        {"16-bit integers",
         [](AudioStreamBasicDescription& f) {
             f.mFormatFlags = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked |
                              kAudioFormatFlagIsNonInterleaved;
             f.mBitsPerChannel = 16;
             f.mBytesPerFrame = f.mBytesPerPacket = 2;
         }},
        {"64-bit floats",
         [](AudioStreamBasicDescription& f) {
             f.mBitsPerChannel = 64;
             f.mBytesPerFrame = f.mBytesPerPacket = 8;
         }},
        {"big-endian",
         [](AudioStreamBasicDescription& f) { f.mFormatFlags |= kAudioFormatFlagIsBigEndian; }},
        {"not PCM", [](AudioStreamBasicDescription& f) { f.mFormatID = kAudioFormatMPEG4AAC; }},
        {"no rate", [](AudioStreamBasicDescription& f) { f.mSampleRate = 0; }},
        {"rate not a number", [](AudioStreamBasicDescription& f) { f.mSampleRate = std::nan(""); }},
    };
    for (const FormatCase& c : formats) {
        for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output}) {
            AudioStreamBasicDescription format = before;
            c.change(format);
            EXPECT_EQ(AudioUnitSetProperty(mUnit.Get(), kAudioUnitProperty_StreamFormat, scope, 0,
                                           &format, sizeof format),
                      kAudioUnitErr_FormatNotSupported)
                << c.what;
        }
    }
    for (UInt32 frames : {0u, (1u << 20) + 1, 0xffffffffu})
        EXPECT_EQ(AudioUnitSetProperty(mUnit.Get(), kAudioUnitProperty_MaximumFramesPerSlice,
                                       kAudioUnitScope_Global, 0, &frames, sizeof frames),
                  kAudioUnitErr_InvalidPropertyValue)
            << frames;
    const UInt32 frames = 512;
    EXPECT_EQ(AudioUnitSetProperty(mUnit.Get(), kAudioUnitProperty_MaximumFramesPerSlice,
                                   kAudioUnitScope_Global, 0, nullptr, sizeof frames),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(AudioUnitSetProperty(mUnit.Get(), kAudioUnitProperty_MaximumFramesPerSlice,
                                   kAudioUnitScope_Global, 0, &frames, sizeof frames - 1),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(AudioUnitSetProperty(mUnit.Get(), kAudioUnitProperty_Latency, kAudioUnitScope_Global,
                                   0, &frames, sizeof frames),
              kAudioUnitErr_PropertyNotWritable);
    EXPECT_EQ(
        AudioUnitSetProperty(mUnit.Get(), 9999, kAudioUnitScope_Global, 0, &frames, sizeof frames),
        kAudioUnitErr_InvalidProperty);

    AudioStreamBasicDescription after{};
    ASSERT_EQ(AudioUnitGetProperty(mUnit.Get(), kAudioUnitProperty_StreamFormat,
                                   kAudioUnitScope_Output, 0, &after, &size),
              noErr);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
    ASSERT_EQ(mUnit.Initialize(), noErr);
    std::vector<float> left, right;
    ASSERT_EQ(mUnit.Render(512, left, right), noErr);
    EXPECT_TRUE(CleanOutput(left, right));
}

TEST_F(Properties, MonoInAndOutRendersClean) {
    AudioStreamBasicDescription format{};
    UInt32 size = sizeof format;
    ASSERT_EQ(AudioUnitGetProperty(mUnit.Get(), kAudioUnitProperty_StreamFormat,
                                   kAudioUnitScope_Output, 0, &format, &size),
              noErr);
    format.mChannelsPerFrame = 1;
    for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output})
        ASSERT_EQ(AudioUnitSetProperty(mUnit.Get(), kAudioUnitProperty_StreamFormat, scope, 0,
                                       &format, sizeof format),
                  noErr);
    for (AudioUnitParameterID stage : {kAmpOn, kEQOn, kLimiterOn})
        ASSERT_EQ(mUnit.SetParameter(stage, 1.0f), noErr);
    ASSERT_EQ(mUnit.Initialize(), noErr);
    float samples[512];
    AudioBufferListWithBuffers<1> list;
    list.mBuffers[0] = AudioBuffer{1, sizeof samples, samples};
    AudioTimeStamp timeStamp{};
    timeStamp.mFlags = kAudioTimeStampSampleTimeValid;
    AudioUnitRenderActionFlags flags = 0;
    OSStatus status;
    {
        RenderScope scope;
        status = AudioUnitRender(mUnit.Get(), &flags, &timeStamp, 0, 512, list.List());
    }
    ASSERT_EQ(status, noErr);
    EXPECT_EQ(CheckOutput(std::vector<float>(samples, samples + 512)).firstBad, -1);
}

} // namespace
