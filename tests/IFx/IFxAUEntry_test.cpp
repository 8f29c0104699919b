// The component entry as a host drives it: open and close, the selector table, initialisation,
// listeners, MIDI, fast dispatch, the Carbon view and the host's identity and callbacks.

#include "AUTestPlug.h"
#include "ComponentCall.h"
#include "Trace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

using IFxAUEntry = AUTest;

TEST_F(IFxAUEntry, OpenMakesThePlugInAndCloseDeletesIt) {
    const int before = AUTestPlug::sLiveCount;
    {
        AUTestUnit unit;
        AUTestPlug* plug = unit.Plug();
        ASSERT_NE(plug, nullptr);
        EXPECT_EQ(AUTestPlug::sLiveCount, before + 1);
        EXPECT_EQ(plug->GetComponentInstance(), unit.Unit());
        EXPECT_EQ(plug->GetHost(), kHostUnknown) << "a test executable has no bundle identifier";
        EXPECT_EQ(plug->NPresets(), 2) << "the preset never made is pruned";
        EXPECT_FALSE(plug->IsActive());
        EXPECT_EQ(plug->GetBlockSize(), 1024);
        EXPECT_EQ(GetComponentVersion(unit.Unit()), 0x10203);
    }
    EXPECT_EQ(AUTestPlug::sLiveCount, before);

    // A call with no instance behind it, and one that is not packed as its selector says.
    ComponentCallParameters call;
    PackComponentCall(call, nullptr, kAudioUnitInitializeSelect, NoComponentArguments{});
    EXPECT_EQ(IFxAU::IFxAUEntry(&call.parameters, nullptr), badComponentInstance);
    EXPECT_EQ(IFxAU::IFxAUEntry(nullptr, nullptr), paramErr);
    AUTestUnit unit;
    PackComponentCall(call, unit.Unit(), kAudioUnitResetSelect, NoComponentArguments{});
    EXPECT_EQ(CallComponentEntry(unit.Unit(), &call.parameters), paramErr);
}

TEST_F(IFxAUEntry, SelectorTableAndCanDo) {
    AUTestUnit unit;
    for (SInt16 selector : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 14, 15, 16, 17})
        EXPECT_EQ(CallComponentCanDo(unit.Unit(), selector), 1) << selector;
    // The listener removal with user data works but is not announced.
    for (SInt16 selector : {0, 8, 12, 13, 18, 19, 20, 257, 769, -1, -4})
        EXPECT_EQ(CallComponentCanDo(unit.Unit(), selector), 0) << selector;
    for (SInt16 selector :
         std::initializer_list<SInt16>{kAudioUnitComplexRenderSelect, kAudioUnitProcessSelect,
                                       kAudioUnitCarbonViewCreateSelect, 0x7000})
        EXPECT_EQ(CallComponentFunction(unit.Unit(), selector), badComponentSelector) << selector;
    EXPECT_EQ(MusicDevicePrepareInstrument(unit.Unit(), 3), noErr);
    EXPECT_EQ(MusicDeviceReleaseInstrument(unit.Unit(), 3), noErr);
}

TEST_F(IFxAUEntry, InitializeChecksTheChannelsTheHostSet) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    // Nothing set: every count matches.
    EXPECT_EQ(AudioUnitInitialize(unit.Unit()), noErr);
    EXPECT_TRUE(plug->IsActive());
    EXPECT_EQ(plug->mActivations, std::vector<bool>{true});
    EXPECT_EQ(plug->mParamChanges.size(), size_t{kNumAUTestParams}) << "every parameter reset";
    EXPECT_EQ(AudioUnitUninitialize(unit.Unit()), noErr);
    EXPECT_FALSE(plug->IsActive());
    EXPECT_EQ(plug->mActivations, (std::vector<bool>{true, false}));

    // Each side is legal on its own ("1-1 2-2"), together they are not.
    ASSERT_EQ(unit.SetFormat(kAudioUnitScope_Input, 0, 1), noErr);
    ASSERT_EQ(unit.SetFormat(kAudioUnitScope_Output, 0, 2), noErr);
    plug->mActivations.clear();
    EXPECT_EQ(AudioUnitInitialize(unit.Unit()), badComponentSelector);
    EXPECT_FALSE(plug->IsActive());
    EXPECT_TRUE(plug->mActivations.empty());
    ASSERT_EQ(unit.SetFormat(kAudioUnitScope_Output, 0, 1), noErr);
    EXPECT_EQ(AudioUnitInitialize(unit.Unit()), noErr);
}

struct ListenerCall {
    void* refCon;
    AudioUnitPropertyID id;
    AudioUnitScope scope;
    AudioUnitElement element;
    UInt32 bypassSeen; // the property's value while the listener runs
};
std::vector<ListenerCall> gListenerCalls;

void RecordListener(void* refCon, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope,
                    AudioUnitElement element) {
    UInt32 bypass = 99, size = sizeof bypass;
    AudioUnitGetProperty(unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, &bypass,
                         &size);
    gListenerCalls.push_back({refCon, id, scope, element, bypass});
}

TEST_F(IFxAUEntry, PropertyListenersAreKeptOnceAndToldBeforeTheChange) {
    gListenerCalls.clear();
    AUTestUnit unit;
    int a = 0, b = 0;
    const AudioUnitPropertyID bypass = kAudioUnitProperty_BypassEffect;
    EXPECT_EQ(AudioUnitAddPropertyListener(unit.Unit(), bypass, RecordListener, &a), noErr);
    EXPECT_EQ(AudioUnitAddPropertyListener(unit.Unit(), bypass, RecordListener, &b), noErr);
    EXPECT_EQ(AudioUnitAddPropertyListener(unit.Unit(), bypass, nullptr, &b), paramErr);
    ASSERT_EQ(unit.Set(bypass, kAudioUnitScope_Global, 0, UInt32{1}), noErr);
    ASSERT_EQ(gListenerCalls.size(), 1u) << "the same procedure for the same property is kept once";
    EXPECT_EQ(gListenerCalls[0].refCon, &a);
    EXPECT_EQ(gListenerCalls[0].id, bypass);
    EXPECT_EQ(gListenerCalls[0].bypassSeen, 0u) << "told before the value changes";

    // A refused set tells no one; another property's listeners are not told.
    ASSERT_EQ(unit.Set(bypass, kAudioUnitScope_Global, 1, UInt32{0}), kAudioUnitErr_InvalidElement);
    ASSERT_EQ(unit.Set(kAudioUnitProperty_OfflineRender, kAudioUnitScope_Global, 0, UInt32{1}),
              noErr);
    EXPECT_EQ(gListenerCalls.size(), 1u);

    // Removal with user data needs the same data; plain removal does not.
    EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit.Unit(), bypass, RecordListener, &b),
              noErr);
    ASSERT_EQ(unit.Set(bypass, kAudioUnitScope_Global, 0, UInt32{0}), noErr);
    EXPECT_EQ(gListenerCalls.size(), 2u);
    EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit.Unit(), bypass, RecordListener, &a),
              noErr);
    ASSERT_EQ(unit.Set(bypass, kAudioUnitScope_Global, 0, UInt32{0}), noErr);
    EXPECT_EQ(gListenerCalls.size(), 2u);
    EXPECT_EQ(AudioUnitAddPropertyListener(unit.Unit(), bypass, RecordListener, &a), noErr);
    EXPECT_EQ(AudioUnitRemovePropertyListener(unit.Unit(), bypass, RecordListener), noErr);
    EXPECT_EQ(AudioUnitRemovePropertyListener(unit.Unit(), bypass, RecordListener), noErr);
    ASSERT_EQ(unit.Set(bypass, kAudioUnitScope_Global, 0, UInt32{1}), noErr);
    EXPECT_EQ(gListenerCalls.size(), 2u);
}

std::vector<int> Fields(const IMidiMsg& msg) {
    return {msg.mStatus, msg.mData1, msg.mData2, msg.mOffset};
}

TEST_F(IFxAUEntry, MidiAndSysExReachThePlugIn) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    NoteInstanceID note = 0;
    MusicDeviceNoteParams params{2, 60.7f, 99.9f, {}};
    EXPECT_EQ(MusicDeviceMIDIEvent(unit.Unit(), 0xB1, 7, 100, 12), noErr);
    EXPECT_EQ(MusicDeviceStartNote(unit.Unit(), 0, 0, &note, 5, &params), noErr);
    EXPECT_EQ(note, 60u);
    EXPECT_EQ(MusicDeviceStopNote(unit.Unit(), 0, note, 9), noErr);
    ASSERT_EQ(plug->mMidi.size(), 3u);
    EXPECT_EQ(Fields(plug->mMidi[0]), (std::vector<int>{0xB1, 7, 100, 12}));
    EXPECT_EQ(Fields(plug->mMidi[1]), (std::vector<int>{0x90, 60, 99, 5}));
    EXPECT_EQ(Fields(plug->mMidi[2]), (std::vector<int>{0x80, 60, 0, 9}));

    // Values that do not fit a MIDI message are refused.
    params.mPitch = 200.0f;
    EXPECT_EQ(MusicDeviceMIDIEvent(unit.Unit(), 0x190, 1, 1, 0), paramErr);
    EXPECT_EQ(MusicDeviceMIDIEvent(unit.Unit(), 0x90, 128, 1, 0), paramErr);
    EXPECT_EQ(MusicDeviceStartNote(unit.Unit(), 0, 0, &note, 0, &params), paramErr);
    EXPECT_EQ(MusicDeviceStartNote(unit.Unit(), 0, 0, &note, 0, nullptr), paramErr);
    EXPECT_EQ(MusicDeviceStopNote(unit.Unit(), 0, 300, 0), paramErr);
    EXPECT_EQ(plug->mMidi.size(), 3u);

    const UInt8 sysEx[] = {0xF0, 0x7D, 0x01, 0xF7};
    EXPECT_EQ(MusicDeviceSysEx(unit.Unit(), sysEx, sizeof sysEx), noErr);
    EXPECT_EQ(plug->mSysEx, std::vector<uint8_t>(sysEx, sysEx + sizeof sysEx));
    EXPECT_EQ(MusicDeviceSysEx(unit.Unit(), nullptr, 4), paramErr);
}

TEST_F(IFxAUEntry, FastDispatchHandsOutTheThreeProcedures) {
    AUTestUnit unit;
    const AudioUnitScope global = kAudioUnitScope_Global;
    AudioUnitSetParameterProc setProc = nullptr;
    AudioUnitGetParameterProc getProc = nullptr;
    ASSERT_EQ(
        unit.Get(kAudioUnitProperty_FastDispatch, global, kAudioUnitSetParameterSelect, &setProc),
        noErr);
    ASSERT_EQ(
        unit.Get(kAudioUnitProperty_FastDispatch, global, kAudioUnitGetParameterSelect, &getProc),
        noErr);
    void* storage = GetComponentInstanceStorage(unit.Unit());
    EXPECT_EQ(setProc(storage, kGain, global, 0, 1.5f, 0), noErr);
    AudioUnitParameterValue value = 0;
    EXPECT_EQ(getProc(storage, kGain, global, 0, &value), noErr);
    EXPECT_EQ(value, 1.5f);
    EXPECT_EQ(getProc(nullptr, kGain, global, 0, &value), badComponentInstance);

    void* other = nullptr;
    UInt32 size = 4;
    EXPECT_EQ(unit.Get(kAudioUnitProperty_FastDispatch, global, kAudioUnitResetSelect, &other),
              kAudioUnitErr_InvalidElement);
    EXPECT_EQ(AudioUnitGetProperty(unit.Unit(), kAudioUnitProperty_FastDispatch, global,
                                   kAudioUnitRenderSelect, &other, &size),
              kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(AudioUnitGetPropertyInfo(unit.Unit(), kAudioUnitProperty_FastDispatch, global,
                                       kAudioUnitRenderSelect, &size, nullptr),
              noErr);
    EXPECT_EQ(size, 8u);
}

ComponentResult ViewEntry(ComponentParameters* params, Handle storage) {
    return IFxAU::IFxAUCarbonViewEntry(params, storage);
}

// A component of some other kind, whose storage is not a plug-in.
ComponentResult ForeignEntry(ComponentParameters* params, Handle) {
    static char foreignStorage[64];
    if (params->what == kComponentOpenSelect)
        SetComponentInstanceStorage(GetComponentCallInstance(params),
                                    reinterpret_cast<Handle>(foreignStorage));
    return noErr;
}

TEST_F(IFxAUEntry, TheCarbonViewOpensAndClosesTheEditor) {
    gAUTestConfig.withEditor = true;
    AudioUnit unit = nullptr;
    ASSERT_EQ(OpenComponentWithEntry(AUTestEntry, &unit), noErr);
    auto* plug =
        static_cast<AUTestPlug*>(reinterpret_cast<IFxAU*>(GetComponentInstanceStorage(unit)));
    RecordingEditor* editor = plug->mEditor;
    int viewHandle = 0;
    editor->mView = &viewHandle;
    // The editor's own resizing reaches the plug-in only while there is an editor.
    plug->ResizeGraphics(800, 600);
    EXPECT_EQ(plug->mWindowResizes, 1);

    AudioUnitCarbonView view = nullptr;
    ASSERT_EQ(OpenComponentWithEntry(ViewEntry, &view), noErr);
    int window = 0, parent = 0;
    const Float32Point size{400.0f, 300.0f};
    ControlRef control = nullptr;
    EXPECT_EQ(AudioUnitCarbonViewCreate(view, unit, reinterpret_cast<WindowRef>(&window),
                                        reinterpret_cast<ControlRef>(&parent), nullptr, &size,
                                        &control),
              noErr);
    EXPECT_EQ(control, reinterpret_cast<ControlRef>(&viewHandle));
    ASSERT_EQ(editor->mOpened.size(), 1u);
    EXPECT_EQ(editor->mOpened[0].mWindow, &window);
    EXPECT_EQ(editor->mOpened[0].mParentControl, &parent);
    EXPECT_EQ(editor->mOpened[0].mWidth, 400);
    EXPECT_EQ(editor->mOpened[0].mHeight, 300);
    EXPECT_EQ(AudioUnitCarbonViewCreate(view, unit, nullptr, nullptr, nullptr, nullptr, nullptr),
              paramErr);
    EXPECT_EQ(AudioUnitCarbonViewSetEventListener(view, nullptr, nullptr), badComponentSelector);
    EXPECT_EQ(CloseComponent(view), noErr);
    EXPECT_EQ(editor->mCloses, 1);

    // The unit goes before its view: closing the view must not reach the deleted editor.
    ASSERT_EQ(OpenComponentWithEntry(ViewEntry, &view), noErr);
    ASSERT_EQ(AudioUnitCarbonViewCreate(view, unit, nullptr, nullptr, nullptr, nullptr, &control),
              noErr);
    CloseComponent(unit);
    EXPECT_EQ(CloseComponent(view), noErr);

    // Units without an editor, or not ours, cannot be shown.
    gAUTestConfig.withEditor = false;
    AUTestUnit plain;
    plain.Plug()->ResizeGraphics(800, 600);
    EXPECT_EQ(plain.Plug()->mWindowResizes, 0);
    AudioUnit foreign = nullptr;
    ASSERT_EQ(OpenComponentWithEntry(ForeignEntry, &foreign), noErr);
    ASSERT_EQ(OpenComponentWithEntry(ViewEntry, &view), noErr);
    EXPECT_EQ(
        AudioUnitCarbonViewCreate(view, plain.Unit(), nullptr, nullptr, nullptr, nullptr, &control),
        badComponentSelector);
    EXPECT_EQ(
        AudioUnitCarbonViewCreate(view, foreign, nullptr, nullptr, nullptr, nullptr, &control),
        badComponentSelector);
    CloseComponent(view);
    CloseComponent(foreign);
}

struct FakeTransport {
    Float64 beat = 16.5;
    Float64 tempo = 96.0;
    Float64 samplePos = 44100.0;
};

OSStatus BeatAndTempo(void* user, Float64* beat, Float64* tempo) {
    const auto* transport = static_cast<FakeTransport*>(user);
    *beat = transport->beat;
    *tempo = transport->tempo;
    return noErr;
}

OSStatus MusicalTime(void*, UInt32* delta, Float32* numerator, UInt32* denominator,
                     Float64* downBeat) {
    *delta = 0;
    *numerator = 7.0f;
    *denominator = 8;
    *downBeat = 14.0;
    return noErr;
}

OSStatus TransportState(void* user, Boolean* playing, Boolean* changed, Float64* samplePos,
                        Boolean* cycling, Float64*, Float64*) {
    *playing = true;
    *changed = false;
    *samplePos = static_cast<FakeTransport*>(user)->samplePos;
    *cycling = true;
    return noErr;
}

TEST_F(IFxAUEntry, TimeAndIdentityComeFromTheHost) {
    AUTestUnit unit;
    AUTestPlug* plug = unit.Plug();
    EXPECT_EQ(plug->GetTempo(), 120.0);
    int numerator = 0, denominator = 0;
    plug->GetTimeSig(&numerator, &denominator);
    EXPECT_EQ(numerator, 4);
    EXPECT_EQ(denominator, 4);

    FakeTransport transport;
    HostCallbackInfo callbacks{&transport, BeatAndTempo, MusicalTime, TransportState, nullptr};
    ASSERT_EQ(unit.Set(kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, callbacks),
              noErr);
    EXPECT_EQ(plug->GetTempo(), 96.0);
    EXPECT_EQ(plug->GetSamplePos(), 44100.0);
    plug->GetTimeSig(&numerator, &denominator);
    EXPECT_EQ(numerator, 7);
    EXPECT_EQ(denominator, 8);
    ITimeInfo time;
    plug->GetTime(&time);
    EXPECT_EQ(time.mPPQPos, 16.5);
    EXPECT_EQ(time.mLastBar, 14.0);
    EXPECT_TRUE(time.mTransportIsRunning);
    EXPECT_TRUE(time.mTransportLoopEnabled);
    EXPECT_EQ(plug->GetSamplesPerBeat(), 44100.0 * 60.0 / 96.0);
    HostCallbackInfo back{};
    ASSERT_EQ(unit.Get(kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &back), noErr);
    EXPECT_EQ(back.hostUserData, &transport);
    EXPECT_EQ(back.transportStateProc, TransportState);

    // A host may name itself.
    AUHostVersionIdentifier host{CFSTR("Brindlex command line"), 0x10000};
    ASSERT_EQ(unit.Set(kAudioUnitProperty_AUHostIdentifier, kAudioUnitScope_Global, 0, host),
              noErr);
    EXPECT_EQ(plug->GetHost(), kHostBrindlexCLI);
    EXPECT_EQ(plug->GetHostVersion(false), 0x10000);
    host.hostName = nullptr;
    EXPECT_EQ(unit.Set(kAudioUnitProperty_AUHostIdentifier, kAudioUnitScope_Global, 0, host),
              kAudioUnitErr_InvalidPropertyValue);
}

TEST_F(IFxAUEntry, BusesFollowTheChannelConfiguration) {
    gAUTestConfig.channelIO = "4-4";
    gAUTestConfig.sideChain = 2;
    {
        AUTestUnit unit;
        UInt32 count = 0;
        ASSERT_EQ(unit.Get(kAudioUnitProperty_ElementCount, kAudioUnitScope_Input, 0, &count),
                  noErr);
        EXPECT_EQ(count, 2u);
        CFHolder<CFStringRef> name;
        ASSERT_EQ(unit.Get(kAudioUnitProperty_ElementName, kAudioUnitScope_Input, 1, name.Out()),
                  noErr);
        EXPECT_EQ(CFText(name.Get()), "aux input");
        AudioStreamBasicDescription format{};
        ASSERT_EQ(unit.Get(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 1, &format),
                  noErr);
        EXPECT_EQ(format.mChannelsPerFrame, 2u);
    }
    gAUTestConfig = AUTestConfig{};
    gAUTestConfig.channelIO = "0-5";
    gAUTestConfig.isInst = true;
    AUTestUnit instrument;
    UInt32 count = 0;
    ASSERT_EQ(instrument.Get(kAudioUnitProperty_ElementCount, kAudioUnitScope_Output, 0, &count),
              noErr);
    EXPECT_EQ(count, 3u);
    ASSERT_EQ(instrument.Get(kAudioUnitProperty_ElementCount, kAudioUnitScope_Input, 0, &count),
              noErr);
    EXPECT_EQ(count, 0u);
    AudioStreamBasicDescription format{};
    ASSERT_EQ(instrument.Get(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 2, &format),
              noErr);
    EXPECT_EQ(format.mChannelsPerFrame, 1u) << "the last pair holds the fifth channel alone";
    CFHolder<CFStringRef> name;
    ASSERT_EQ(instrument.Get(kAudioUnitProperty_ElementName, kAudioUnitScope_Output, 1, name.Out()),
              noErr);
    EXPECT_EQ(CFText(name.Get()), "output 2");
    ASSERT_EQ(
        instrument.Get(kMusicDeviceProperty_InstrumentCount, kAudioUnitScope_Global, 0, &count),
        noErr);
}

TEST_F(IFxAUEntry, TraceLinesOfConnectionsAndFormats) {
    const std::string path = TempPath("au-trace.log");
    std::remove(path.c_str());
    setenv("BRINDLEX_TRACE", path.c_str(), 1);
    TraceReconfigure();
    {
        AUTestUnit unit;
        unit.SetFormat(kAudioUnitScope_Input, 0, 1);
        unit.SetFormat(kAudioUnitScope_Output, 0, 3);
        AudioStreamBasicDescription integer;
        IFxAU::MakeDefaultASBD(&integer, 44100.0, 2, false);
        integer.mFormatFlags = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked;
        integer.mFormatID = kAudioFormatULaw;
        unit.Set(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, integer);
        AURenderCallbackStruct callback{[](void*, AudioUnitRenderActionFlags*,
                                           const AudioTimeStamp*, UInt32, UInt32,
                                           AudioBufferList*) { return noErr; },
                                        nullptr};
        unit.Set(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, callback);
    }
    unsetenv("BRINDLEX_TRACE");
    TraceReconfigure();
    const std::string log = ReadFile(path);
    for (const char* expected :
         {" IFxAU:", " AU Test\n", " IFxAUEntry:", " (-1:)\n", " (5:)\n", " (-2:)\n",
          " 0:NotConnected:0:2:-1\n", " 1:0:linearPCM:canonicalFormat:connectionOK\n",
          " 0:NotConnected:0:2:1\n", " 2:0:linearPCM:canonicalFormat:connectionNotOK\n",
          " 2:0:notLinearPCM:notCanonicalFormat:connectionOK\n", " 0:RenderCallback:0:2:1\n"})
        EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
    std::remove(path.c_str());
}

} // namespace
