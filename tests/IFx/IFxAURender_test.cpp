// Render as a host drives it: input from a render callback or an upstream unit, pulled once per
// sample time, render notifications around it, bypass, and the checks of its arguments.

#include "AUTestPlug.h"
#include "ComponentCall.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using IFxAURender = AUTest;

// A host's input callback: channel c of frame s is (c + 1) * (s + 1) / 1000.
struct Source {
    int calls = 0;
    std::vector<UInt32> buses;
    std::vector<const void*> buffers; // where it was asked to write, channel 0
    std::vector<std::string>* log = nullptr;
    OSStatus result = noErr;
};

OSStatus FillInput(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*,
                   UInt32 busNumber, UInt32 nFrames, AudioBufferList* ioData) {
    auto* source = static_cast<Source*>(refCon);
    ++source->calls;
    source->buses.push_back(busNumber);
    source->buffers.push_back(ioData->mBuffers[0].mData);
    if (source->log) source->log->push_back("input");
    if (source->result != noErr) return source->result;
    for (UInt32 c = 0; c < ioData->mNumberBuffers; ++c) {
        auto* samples = static_cast<float*>(ioData->mBuffers[c].mData);
        for (UInt32 s = 0; s < nFrames; ++s)
            samples[s] = static_cast<float>((c + 1) * (s + 1)) / 1000.0f;
    }
    return noErr;
}

float Expected(int channel, int frame, double gain) {
    return static_cast<float>(static_cast<float>((channel + 1) * (frame + 1)) / 1000.0f * gain);
}

void Connect(const AUTestUnit& unit, Source* source) {
    ASSERT_EQ(unit.Set(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                       AURenderCallbackStruct{FillInput, source}),
              noErr);
}

OSStatus Render(const AUTestUnit& unit, double sampleTime, UInt32 nFrames, AudioBufferList* list,
                AudioUnitRenderActionFlags flags = 0) {
    const AudioTimeStamp timeStamp = SampleTime(sampleTime);
    return AudioUnitRender(unit.Unit(), &flags, &timeStamp, 0, nFrames, list);
}

TEST_F(IFxAURender, InputComesFromTheRenderCallbackOncePerSampleTime) {
    AUTestUnit unit;
    Source source;
    Connect(unit, &source);
    ASSERT_EQ(AudioUnitSetParameter(unit.Unit(), kGain, kAudioUnitScope_Global, 0, 0.5f, 0), noErr);
    ASSERT_EQ(AudioUnitInitialize(unit.Unit()), noErr);

    RenderBuffers out(2, 64);
    ASSERT_EQ(Render(unit, 0.0, 64, out.List()), noErr);
    EXPECT_EQ(source.calls, 1);
    EXPECT_EQ(source.buses, std::vector<UInt32>{0});
    for (int c = 0; c < 2; ++c)
        for (int s : {0, 17, 63})
            EXPECT_FLOAT_EQ(out.Channel(c)[s], Expected(c, s, 0.5)) << c << ":" << s;
    EXPECT_EQ(source.buffers[0], out.Channel(0)) << "in place: pulled into the output buffers";

    // The same sample time again: the input is not pulled a second time, still processed.
    RenderBuffers again(2, 64);
    ASSERT_EQ(Render(unit, 0.0, 64, again.List()), noErr);
    EXPECT_EQ(source.calls, 1);
    EXPECT_FLOAT_EQ(again.Channel(1)[63], Expected(1, 63, 0.5));
    ASSERT_EQ(Render(unit, 64.0, 32, out.List()), noErr);
    EXPECT_EQ(source.calls, 2);
    // After a reset a host may start over at a sample time already rendered.
    ASSERT_EQ(AudioUnitReset(unit.Unit(), kAudioUnitScope_Global, 0), noErr);
    ASSERT_EQ(Render(unit, 64.0, 32, out.List()), noErr);
    EXPECT_EQ(source.calls, 3);

    // Not in place: the input goes to the unit's own buffers first.
    ASSERT_EQ(unit.Set(kAudioUnitProperty_InPlaceProcessing, kAudioUnitScope_Global, 0, UInt32{0}),
              noErr);
    ASSERT_EQ(Render(unit, 96.0, 32, out.List()), noErr);
    EXPECT_NE(source.buffers.back(), out.Channel(0));
    EXPECT_FLOAT_EQ(out.Channel(1)[31], Expected(1, 31, 0.5));
}

TEST_F(IFxAURender, BuffersTheHostLeavesEmptyAreTheUnits) {
    AUTestUnit unit;
    Source source;
    Connect(unit, &source);
    RenderBuffers out(2, 16);
    out.List()->mBuffers[0].mData = nullptr;
    out.List()->mBuffers[1].mData = nullptr;
    out.List()->mBuffers[1].mDataByteSize = 0;
    ASSERT_EQ(Render(unit, 0.0, 16, out.List()), noErr);
    const AudioBuffer& right = out.List()->mBuffers[1];
    ASSERT_NE(right.mData, nullptr);
    EXPECT_EQ(right.mDataByteSize, 16 * sizeof(float));
    EXPECT_FLOAT_EQ(static_cast<const float*>(right.mData)[15], Expected(1, 15, 1.0));
}

// The audio thread must not wait behind a state or parameter call that holds the lock.
TEST_F(IFxAURender, RenderTakesNoLockThroughTheEntryOrTheFastPath) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    Source source;
    Connect(unit, &source);
    ASSERT_EQ(AudioUnitInitialize(unit.Unit()), noErr);
    RenderBuffers out(2, 16);
    ASSERT_EQ(Render(unit, 0.0, 16, out.List()), noErr);
    AudioUnitRenderProc renderProc = nullptr;
    ASSERT_EQ(unit.Get(kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                       kAudioUnitRenderSelect, &renderProc),
              noErr);
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp timeStamp = SampleTime(16.0);
    ASSERT_EQ(renderProc(plug, &flags, &timeStamp, 0, 16, out.List()), noErr);
    EXPECT_EQ(plug->mProcessLockDepths, (std::vector<int>{0, 0}));
}

TEST_F(IFxAURender, WithoutASourceTheInputIsSilent) {
    AUTestUnit unit;
    RenderBuffers out(2, 8);
    out.Channel(0)[3] = 5.0f;
    ASSERT_EQ(Render(unit, 0.0, 8, out.List()), noErr);
    EXPECT_EQ(out.Channel(0)[3], 0.0f);

    // A source that goes away leaves silence behind, not its last block.
    Source source;
    Connect(unit, &source);
    ASSERT_EQ(Render(unit, 8.0, 8, out.List()), noErr);
    EXPECT_NE(out.Channel(0)[3], 0.0f);
    ASSERT_EQ(unit.Set(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                       AURenderCallbackStruct{nullptr, nullptr}),
              noErr);
    ASSERT_EQ(Render(unit, 16.0, 8, out.List()), noErr);
    EXPECT_EQ(out.Channel(0)[3], 0.0f);
    EXPECT_EQ(source.calls, 1);
}

TEST_F(IFxAURender, MonoTakesOneBufferEachWay) {
    AUTestUnit unit;
    ASSERT_EQ(unit.SetFormat(kAudioUnitScope_Input, 0, 1), noErr);
    ASSERT_EQ(unit.SetFormat(kAudioUnitScope_Output, 0, 1), noErr);
    ASSERT_EQ(AudioUnitInitialize(unit.Unit()), noErr);
    Source source;
    Connect(unit, &source);
    RenderBuffers out(1, 32);
    ASSERT_EQ(Render(unit, 0.0, 32, out.List()), noErr);
    EXPECT_FLOAT_EQ(out.Channel(0)[31], Expected(0, 31, 1.0));
}

// An upstream component that answers only through its entry (no fast dispatch), writing a ramp.
int gUpstreamRenders = 0;
ComponentResult SlowUpstreamEntry(ComponentParameters* params, Handle) {
    switch (params->what) {
    case kComponentOpenSelect:
    case kComponentCloseSelect:
        return noErr;
    case kAudioUnitRenderSelect: {
        AudioUnitRenderArguments a;
        if (!GetComponentArguments(params, a)) return paramErr;
        ++gUpstreamRenders;
        for (UInt32 c = 0; c < a.ioData->mNumberBuffers; ++c)
            for (UInt32 s = 0; s < a.inNumberFrames; ++s)
                static_cast<float*>(a.ioData->mBuffers[c].mData)[s] =
                    static_cast<float>((c + 1) * (s + 1)) / 1000.0f;
        return noErr;
    }
    default:
        return kAudioUnitErr_InvalidProperty;
    }
}

TEST_F(IFxAURender, InputComesFromAnUpstreamUnit) {
    // Two of our units in a chain: gains 0.5 and 2 give the source back.
    AUTestUnit upstream, downstream;
    Source source;
    Connect(upstream, &source);
    ASSERT_EQ(AudioUnitSetParameter(upstream.Unit(), kGain, kAudioUnitScope_Global, 0, 0.5f, 0),
              noErr);
    ASSERT_EQ(AudioUnitSetParameter(downstream.Unit(), kGain, kAudioUnitScope_Global, 0, 2.0f, 0),
              noErr);
    ASSERT_EQ(downstream.Set(kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0,
                             AudioUnitConnection{upstream.Unit(), 0, 0}),
              noErr);
    RenderBuffers out(2, 48);
    ASSERT_EQ(Render(downstream, 0.0, 48, out.List()), noErr);
    ASSERT_EQ(Render(downstream, 0.0, 48, out.List()), noErr);
    EXPECT_EQ(source.calls, 1);
    EXPECT_FLOAT_EQ(out.Channel(1)[47], Expected(1, 47, 1.0));
    AudioUnitConnection connection{};
    ASSERT_EQ(
        downstream.Get(kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, &connection),
        noErr);
    EXPECT_EQ(connection.sourceAudioUnit, upstream.Unit());

    // Without fast dispatch the upstream unit is rendered through its entry.
    AudioUnit slow = nullptr;
    ASSERT_EQ(OpenComponentWithEntry(SlowUpstreamEntry, &slow), noErr);
    ASSERT_EQ(downstream.Set(kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0,
                             AudioUnitConnection{slow, 0, 0}),
              noErr);
    gUpstreamRenders = 0;
    ASSERT_EQ(Render(downstream, 0.0, 48, out.List()), noErr);
    EXPECT_EQ(gUpstreamRenders, 1) << "a new source is pulled at a time already rendered";
    EXPECT_FLOAT_EQ(out.Channel(0)[10], Expected(0, 10, 2.0));

    // Bad connections change nothing.
    EXPECT_EQ(downstream.Set(kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0,
                             AudioUnitConnection{downstream.Unit(), 0, 0}),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(downstream.Set(kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0,
                             AudioUnitConnection{upstream.Unit(), 0, 1}),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(downstream.Set(kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 1,
                             AudioUnitConnection{upstream.Unit(), 0, 1}),
              kAudioUnitErr_InvalidElement);
    ASSERT_EQ(Render(downstream, 96.0, 48, out.List()), noErr);
    EXPECT_EQ(gUpstreamRenders, 2);
    // Disconnecting.
    ASSERT_EQ(downstream.Set(kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0,
                             AudioUnitConnection{nullptr, 0, 0}),
              noErr);
    ASSERT_EQ(Render(downstream, 144.0, 48, out.List()), noErr);
    EXPECT_EQ(gUpstreamRenders, 2);
    EXPECT_EQ(out.Channel(0)[10], 0.0f);
    CloseComponent(slow);
}

struct Notifications {
    std::vector<std::string> log;
    std::vector<AudioUnitRenderActionFlags> flags;
};

OSStatus RecordRender(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*,
                      UInt32, UInt32, AudioBufferList*) {
    auto* notifications = static_cast<Notifications*>(refCon);
    notifications->log.push_back(*flags & kAudioUnitRenderAction_PreRender ? "pre" : "post");
    notifications->flags.push_back(*flags);
    return noErr;
}

TEST_F(IFxAURender, RenderNotificationsComeBeforeAndAfter) {
    AUTestUnit unit;
    Notifications notifications;
    Source source;
    source.log = &notifications.log;
    Connect(unit, &source);
    // The same procedure twice is called twice.
    ASSERT_EQ(AudioUnitAddRenderNotify(unit.Unit(), RecordRender, &notifications), noErr);
    ASSERT_EQ(AudioUnitAddRenderNotify(unit.Unit(), RecordRender, &notifications), noErr);
    EXPECT_EQ(AudioUnitAddRenderNotify(unit.Unit(), nullptr, nullptr), paramErr);
    RenderBuffers out(2, 8);
    ASSERT_EQ(Render(unit, 0.0, 8, out.List(), kAudioUnitRenderAction_OutputIsSilence), noErr);
    EXPECT_EQ(notifications.log, (std::vector<std::string>{"pre", "pre", "input", "post", "post"}));
    EXPECT_EQ(notifications.flags[0],
              kAudioUnitRenderAction_PreRender | kAudioUnitRenderAction_OutputIsSilence);
    EXPECT_EQ(notifications.flags[3],
              kAudioUnitRenderAction_PostRender | kAudioUnitRenderAction_OutputIsSilence);

    // A failing input is reported to the host and to the notifications.
    ASSERT_EQ(AudioUnitRemoveRenderNotify(unit.Unit(), RecordRender, &notifications), noErr);
    notifications = Notifications{};
    source.result = kAudioUnitErr_NoConnection;
    EXPECT_EQ(Render(unit, 8.0, 8, out.List()), kAudioUnitErr_NoConnection);
    EXPECT_EQ(notifications.log, (std::vector<std::string>{"pre", "input", "post"}));
    EXPECT_EQ(notifications.flags.back(),
              kAudioUnitRenderAction_PostRender | kAudioUnitRenderAction_PostRenderError);
    OSStatus lastError = noErr;
    ASSERT_EQ(unit.Get(kAudioUnitProperty_LastRenderError, kAudioUnitScope_Global, 0, &lastError),
              noErr);
    EXPECT_EQ(lastError, kAudioUnitErr_NoConnection);
    source.result = noErr;
    EXPECT_EQ(Render(unit, 8.0, 8, out.List()), noErr) << "the failed time is pulled again";
    EXPECT_EQ(source.calls, 3);
}

TEST_F(IFxAURender, BypassPassesTheInputThrough) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    Source source;
    Connect(unit, &source);
    ASSERT_EQ(AudioUnitSetParameter(unit.Unit(), kMute, kAudioUnitScope_Global, 0, 1.0f, 0), noErr);
    ASSERT_EQ(unit.Set(kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, UInt32{1}),
              noErr);
    RenderBuffers out(2, 16);
    plug->mProcessedFrames.clear();
    ASSERT_EQ(Render(unit, 0.0, 16, out.List()), noErr);
    EXPECT_TRUE(plug->mProcessedFrames.empty()) << "the effect is not run";
    EXPECT_FLOAT_EQ(out.Channel(1)[15], Expected(1, 15, 1.0));
    ASSERT_EQ(unit.Set(kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, UInt32{0}),
              noErr);
    ASSERT_EQ(Render(unit, 16.0, 16, out.List()), noErr);
    EXPECT_EQ(out.Channel(1)[15], 0.0f) << "muted";
}

// Hosts switch bypass while the audio thread renders (the validator's ThreadSanitizer run checks
// the same through the component).
TEST_F(IFxAURender, ConcurrentBypassWhileRendering) {
    AUTestUnit unit;
    Source source;
    Connect(unit, &source);
    ASSERT_EQ(AudioUnitInitialize(unit.Unit()), noErr);
    std::atomic<bool> done{false};
    std::thread host([&] {
        for (UInt32 i = 0; !done.load(); ++i)
            unit.Set(kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, UInt32{i % 2});
    });
    RenderBuffers out(2, 16);
    OSStatus status = noErr;
    for (int block = 0; block < 500 && status == noErr; ++block)
        status = Render(unit, block * 16.0, 16, out.List());
    done.store(true);
    host.join();
    EXPECT_EQ(status, noErr);
}

TEST_F(IFxAURender, BadArgumentsAreRefused) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    Source source;
    Connect(unit, &source);
    ASSERT_EQ(
        unit.Set(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, UInt32{256}),
        noErr);
    RenderBuffers out(2, 512);
    AudioUnitRenderActionFlags flags = 0;
    AudioTimeStamp noSampleTime = SampleTime(0.0);
    noSampleTime.mFlags = kAudioTimeStampHostTimeValid;
    const AudioTimeStamp timeStamp = SampleTime(0.0);
    AudioUnit au = unit.Unit();
    // More frames than the maximum the host set (the platform also knows a code for that,
    // kAudioUnitErr_TooManyFramesToProcess; the unit answers as for its other render checks).
    EXPECT_EQ(AudioUnitRender(au, &flags, &timeStamp, 0, 257, out.List()),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(AudioUnitRender(au, &flags, &noSampleTime, 0, 256, out.List()),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(AudioUnitRender(au, &flags, nullptr, 0, 256, out.List()),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(AudioUnitRender(au, &flags, &timeStamp, 1, 256, out.List()),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(AudioUnitRender(au, &flags, &timeStamp, 0, 256, nullptr), paramErr);
    RenderBuffers oneBuffer(1, 256);
    EXPECT_EQ(AudioUnitRender(au, &flags, &timeStamp, 0, 256, oneBuffer.List()), paramErr);
    out.List()->mBuffers[1].mDataByteSize = 100 * sizeof(float);
    EXPECT_EQ(AudioUnitRender(au, &flags, &timeStamp, 0, 256, out.List()), paramErr);
    out.List()->mBuffers[1].mDataByteSize = 512 * sizeof(float);
    out.List()->mBuffers[1].mNumberChannels = 2;
    EXPECT_EQ(AudioUnitRender(au, &flags, &timeStamp, 0, 256, out.List()), paramErr);
    EXPECT_EQ(source.calls, 0);
    EXPECT_TRUE(plug->mProcessedFrames.empty());
    out.List()->mBuffers[1].mNumberChannels = 1;
    EXPECT_EQ(AudioUnitRender(au, nullptr, &timeStamp, 0, 256, out.List()), noErr);
}

} // namespace
