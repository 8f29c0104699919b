// The host calls pack their arguments as documented and a component unpacks them intact.

#include "ComponentCall.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// What the recording component last received, unpacked with the argument records.
struct Received {
    SInt16 what = 0;
    UInt8 paramSize = 0;
    Handle storage = nullptr;
    ComponentInstance instance = nullptr;
    std::vector<long> slots; // every slot, the instance's included
    ComponentCanDoArguments canDo{};
    AudioUnitGetPropertyInfoArguments getPropertyInfo{};
    AudioUnitGetPropertyArguments getProperty{};
    AudioUnitSetPropertyArguments setProperty{};
    AudioUnitGetParameterArguments getParameter{};
    AudioUnitSetParameterArguments setParameter{};
    AudioUnitResetArguments reset{};
    AudioUnitPropertyListenerArguments propertyListener{};
    AudioUnitRemovePropertyListenerArguments removePropertyListener{};
    AudioUnitRenderNotifyArguments renderNotify{};
    AudioUnitScheduleParametersArguments scheduleParameters{};
    AudioUnitRenderArguments render{};
    MusicDeviceMIDIEventArguments midiEvent{};
    MusicDeviceSysExArguments sysEx{};
    MusicDeviceInstrumentArguments instrument{};
    MusicDeviceStartNoteArguments startNote{};
    MusicDeviceStopNoteArguments stopNote{};
    AudioUnitCarbonViewCreateArguments viewCreate{};
    AudioUnitCarbonViewSetEventListenerArguments viewListener{};
};

Received gReceived;
char gStorage; // the recording component's storage is this byte's address

// Every call answers 1000 + its selector, so that results are seen to come back.
template <class Arguments>
ComponentResult Unpack(ComponentParameters* params, Arguments& arguments) {
    return GetComponentArguments(params, arguments) ? 1000 + params->what : paramErr;
}

ComponentResult RecordingEntry(ComponentParameters* params, Handle storage) {
    Received& r = gReceived;
    r.what = params->what;
    r.paramSize = params->paramSize;
    r.storage = storage;
    r.instance = GetComponentCallInstance(params);
    r.slots.assign(params->paramSize / sizeof(long) + 1, 0);
    std::memcpy(r.slots.data(),
                reinterpret_cast<const char*>(params) + offsetof(ComponentParameters, params),
                r.slots.size() * sizeof(long));
    switch (params->what) {
    case kComponentOpenSelect:
        SetComponentInstanceStorage(r.instance, reinterpret_cast<Handle>(&gStorage));
        return params->paramSize == 0 ? noErr : paramErr;
    case kComponentCloseSelect:
        return noErr;
    case kComponentVersionSelect:
    case kAudioUnitInitializeSelect:
    case kAudioUnitUninitializeSelect:
        return params->paramSize == 0 ? 1000 + params->what : paramErr;
    case kComponentCanDoSelect:
        return Unpack(params, r.canDo);
    case kAudioUnitGetPropertyInfoSelect:
        return Unpack(params, r.getPropertyInfo);
    case kAudioUnitGetPropertySelect:
        return Unpack(params, r.getProperty);
    case kAudioUnitSetPropertySelect:
        return Unpack(params, r.setProperty);
    case kAudioUnitGetParameterSelect:
        return Unpack(params, r.getParameter);
    case kAudioUnitSetParameterSelect:
        return Unpack(params, r.setParameter);
    case kAudioUnitResetSelect:
        return Unpack(params, r.reset);
    case kAudioUnitAddPropertyListenerSelect:
    case kAudioUnitRemovePropertyListenerWithUserDataSelect:
        return Unpack(params, r.propertyListener);
    case kAudioUnitRemovePropertyListenerSelect:
        return Unpack(params, r.removePropertyListener);
    case kAudioUnitAddRenderNotifySelect:
    case kAudioUnitRemoveRenderNotifySelect:
        return Unpack(params, r.renderNotify);
    case kAudioUnitScheduleParametersSelect:
        return Unpack(params, r.scheduleParameters);
    case kAudioUnitRenderSelect:
        return Unpack(params, r.render);
    case kMusicDeviceMIDIEventSelect:
        return Unpack(params, r.midiEvent);
    case kMusicDeviceSysExSelect:
        return Unpack(params, r.sysEx);
    case kMusicDevicePrepareInstrumentSelect:
    case kMusicDeviceReleaseInstrumentSelect:
        return Unpack(params, r.instrument);
    case kMusicDeviceStartNoteSelect:
        return Unpack(params, r.startNote);
    case kMusicDeviceStopNoteSelect:
        return Unpack(params, r.stopNote);
    case kAudioUnitCarbonViewCreateSelect:
        return Unpack(params, r.viewCreate);
    case kAudioUnitCarbonViewSetEventListenerSelect:
        return Unpack(params, r.viewListener);
    default:
        return badComponentSelector;
    }
}

OSStatus SomeRenderCallback(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32,
                            UInt32, AudioBufferList*) {
    return noErr;
}

void SomePropertyListener(void*, AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement) {
}

void SomeViewListener(void*, AudioUnitCarbonView, const AudioUnitParameter*,
                      AudioUnitCarbonViewEventID, const void*) {}

class ComponentCall : public ::testing::Test {
protected:
    void SetUp() override {
        gReceived = Received{};
        ASSERT_EQ(OpenComponentWithEntry(RecordingEntry, &mUnit), noErr);
    }
    void TearDown() override { EXPECT_EQ(CloseComponent(mUnit), noErr); }

    // The result a call gives when the component unpacked it.
    static ComponentResult Answer(SInt16 selector) { return 1000 + selector; }

    // Checks that the last call had this selector and these arguments.
    template <class Arguments> void Expect(SInt16 selector, Arguments& got, Arguments sent) {
        EXPECT_EQ(gReceived.what, selector);
        EXPECT_EQ(gReceived.storage, reinterpret_cast<Handle>(&gStorage));
        EXPECT_EQ(gReceived.instance, mUnit);
        EXPECT_EQ(got.Fields(), sent.Fields()) << "selector " << selector;
    }

    AudioUnit mUnit = nullptr;
};

TEST_F(ComponentCall, OpenPassesTheNewInstanceAndKeepsTheStorage) {
    EXPECT_EQ(GetComponentInstanceStorage(mUnit), reinterpret_cast<Handle>(&gStorage));
    ASSERT_EQ(AudioUnitInitialize(mUnit), Answer(kAudioUnitInitializeSelect));
    EXPECT_EQ(gReceived.instance, mUnit);
    EXPECT_EQ(gReceived.storage, reinterpret_cast<Handle>(&gStorage));
    EXPECT_EQ(AudioUnitUninitialize(mUnit), Answer(kAudioUnitUninitializeSelect));
    EXPECT_EQ(GetComponentVersion(mUnit), Answer(kComponentVersionSelect));
}

TEST_F(ComponentCall, EveryHostCallArrivesUnpacked) {
    Received& r = gReceived;
    UInt32 size = 0;
    Boolean writable = 0;
    Float32 value = 0;
    char data[8] = {};

    EXPECT_EQ(CallComponentCanDo(mUnit, kAudioUnitRemovePropertyListenerWithUserDataSelect),
              Answer(kComponentCanDoSelect));
    Expect(kComponentCanDoSelect, r.canDo,
           ComponentCanDoArguments{kAudioUnitRemovePropertyListenerWithUserDataSelect});

    EXPECT_EQ(AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_StreamFormat,
                                       kAudioUnitScope_Input, 1, &size, &writable),
              Answer(kAudioUnitGetPropertyInfoSelect));
    Expect(kAudioUnitGetPropertyInfoSelect, r.getPropertyInfo,
           AudioUnitGetPropertyInfoArguments{kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input,
                                             1, &size, &writable});

    EXPECT_EQ(AudioUnitGetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global,
                                   0xFFFFFFFFu, data, &size),
              Answer(kAudioUnitGetPropertySelect));
    Expect(kAudioUnitGetPropertySelect, r.getProperty,
           AudioUnitGetPropertyArguments{kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global,
                                         0xFFFFFFFFu, data, &size});

    EXPECT_EQ(AudioUnitSetProperty(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 0,
                                   data, 8),
              Answer(kAudioUnitSetPropertySelect));
    Expect(kAudioUnitSetPropertySelect, r.setProperty,
           AudioUnitSetPropertyArguments{kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 0,
                                         data, 8});

    EXPECT_EQ(AudioUnitGetParameter(mUnit, 9, kAudioUnitScope_Global, 0, &value),
              Answer(kAudioUnitGetParameterSelect));
    Expect(kAudioUnitGetParameterSelect, r.getParameter,
           AudioUnitGetParameterArguments{9, kAudioUnitScope_Global, 0, &value});

    EXPECT_EQ(AudioUnitSetParameter(mUnit, 2, kAudioUnitScope_Global, 0, -0.375f, 511),
              Answer(kAudioUnitSetParameterSelect));
    Expect(kAudioUnitSetParameterSelect, r.setParameter,
           AudioUnitSetParameterArguments{2, kAudioUnitScope_Global, 0, -0.375f, 511});

    EXPECT_EQ(AudioUnitReset(mUnit, kAudioUnitScope_Global, 3), Answer(kAudioUnitResetSelect));
    Expect(kAudioUnitResetSelect, r.reset, AudioUnitResetArguments{kAudioUnitScope_Global, 3});

    EXPECT_EQ(AudioUnitAddPropertyListener(mUnit, 21, SomePropertyListener, data),
              Answer(kAudioUnitAddPropertyListenerSelect));
    Expect(kAudioUnitAddPropertyListenerSelect, r.propertyListener,
           AudioUnitPropertyListenerArguments{21, SomePropertyListener, data});
    EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(mUnit, 21, SomePropertyListener, &size),
              Answer(kAudioUnitRemovePropertyListenerWithUserDataSelect));
    Expect(kAudioUnitRemovePropertyListenerWithUserDataSelect, r.propertyListener,
           AudioUnitPropertyListenerArguments{21, SomePropertyListener, &size});
    EXPECT_EQ(AudioUnitRemovePropertyListener(mUnit, 22, SomePropertyListener),
              Answer(kAudioUnitRemovePropertyListenerSelect));
    Expect(kAudioUnitRemovePropertyListenerSelect, r.removePropertyListener,
           AudioUnitRemovePropertyListenerArguments{22, SomePropertyListener});

    EXPECT_EQ(AudioUnitAddRenderNotify(mUnit, SomeRenderCallback, data),
              Answer(kAudioUnitAddRenderNotifySelect));
    Expect(kAudioUnitAddRenderNotifySelect, r.renderNotify,
           AudioUnitRenderNotifyArguments{SomeRenderCallback, data});
    EXPECT_EQ(AudioUnitRemoveRenderNotify(mUnit, SomeRenderCallback, nullptr),
              Answer(kAudioUnitRemoveRenderNotifySelect));
    Expect(kAudioUnitRemoveRenderNotifySelect, r.renderNotify,
           AudioUnitRenderNotifyArguments{SomeRenderCallback, nullptr});

    AudioUnitParameterEvent events[2] = {};
    EXPECT_EQ(AudioUnitScheduleParameters(mUnit, events, 2),
              Answer(kAudioUnitScheduleParametersSelect));
    Expect(kAudioUnitScheduleParametersSelect, r.scheduleParameters,
           AudioUnitScheduleParametersArguments{events, 2});

    AudioUnitRenderActionFlags flags = 0;
    AudioTimeStamp time{};
    AudioBufferListWithBuffers<2> buffers;
    EXPECT_EQ(AudioUnitRender(mUnit, &flags, &time, 0, 512, buffers.List()),
              Answer(kAudioUnitRenderSelect));
    Expect(kAudioUnitRenderSelect, r.render,
           AudioUnitRenderArguments{&flags, &time, 0, 512, buffers.List()});

    EXPECT_EQ(MusicDeviceMIDIEvent(mUnit, 0x90, 60, 100, 17), Answer(kMusicDeviceMIDIEventSelect));
    Expect(kMusicDeviceMIDIEventSelect, r.midiEvent,
           MusicDeviceMIDIEventArguments{0x90, 60, 100, 17});
    const UInt8 sysEx[] = {0xF0, 0x7E, 0xF7};
    EXPECT_EQ(MusicDeviceSysEx(mUnit, sysEx, 3), Answer(kMusicDeviceSysExSelect));
    Expect(kMusicDeviceSysExSelect, r.sysEx, MusicDeviceSysExArguments{sysEx, 3});
    EXPECT_EQ(MusicDevicePrepareInstrument(mUnit, 4), Answer(kMusicDevicePrepareInstrumentSelect));
    Expect(kMusicDevicePrepareInstrumentSelect, r.instrument, MusicDeviceInstrumentArguments{4});
    EXPECT_EQ(MusicDeviceReleaseInstrument(mUnit, 5), Answer(kMusicDeviceReleaseInstrumentSelect));
    Expect(kMusicDeviceReleaseInstrumentSelect, r.instrument, MusicDeviceInstrumentArguments{5});
    NoteInstanceID note = 0;
    const MusicDeviceNoteParams noteParams{2, 60.5f, 99.0f, {}};
    EXPECT_EQ(MusicDeviceStartNote(mUnit, kMusicNoteEvent_Unused, 1, &note, 64, &noteParams),
              Answer(kMusicDeviceStartNoteSelect));
    Expect(kMusicDeviceStartNoteSelect, r.startNote,
           MusicDeviceStartNoteArguments{kMusicNoteEvent_Unused, 1, &note, 64, &noteParams});
    EXPECT_EQ(MusicDeviceStopNote(mUnit, 1, 60, 128), Answer(kMusicDeviceStopNoteSelect));
    Expect(kMusicDeviceStopNoteSelect, r.stopNote, MusicDeviceStopNoteArguments{1, 60, 128});

    const Float32Point where{10, 20}, extent{700, 700};
    ControlRef control = nullptr;
    auto window = reinterpret_cast<WindowRef>(data);
    EXPECT_EQ(AudioUnitCarbonViewCreate(mUnit, mUnit, window, nullptr, &where, &extent, &control),
              Answer(kAudioUnitCarbonViewCreateSelect));
    Expect(kAudioUnitCarbonViewCreateSelect, r.viewCreate,
           AudioUnitCarbonViewCreateArguments{mUnit, window, nullptr, &where, &extent, &control});
    EXPECT_EQ(AudioUnitCarbonViewSetEventListener(mUnit, SomeViewListener, data),
              Answer(kAudioUnitCarbonViewSetEventListenerSelect));
    Expect(kAudioUnitCarbonViewSetEventListenerSelect, r.viewListener,
           AudioUnitCarbonViewSetEventListenerArguments{SomeViewListener, data});
}

TEST_F(ComponentCall, SlotsFollowTheDocumentedLayout) {
    // AudioUnitSetParameter(unit, id, scope, element, value, offset): arguments in reverse, then
    // the instance; the instance's slot is not counted in paramSize.
    AudioUnitSetParameter(mUnit, 6, kAudioUnitScope_Output, 2, 0.5f, 256);
    EXPECT_EQ(gReceived.paramSize, 5 * sizeof(long));
    const Float32 half = 0.5f;
    UInt32 halfBits;
    std::memcpy(&halfBits, &half, sizeof halfBits);
    EXPECT_EQ(gReceived.slots,
              (std::vector<long>{256, static_cast<long>(halfBits), 2, kAudioUnitScope_Output, 6,
                                 reinterpret_cast<long>(mUnit)}));

    // Signed values are sign-extended, so they survive whatever the slot is read as.
    CallComponentCanDo(mUnit, kComponentCloseSelect);
    EXPECT_EQ(gReceived.slots[0], -2);
}

TEST_F(ComponentCall, CallsOfTheWrongShapeAreRefused) {
    // A reset carries two arguments; reading it as a render (five) must fail and change nothing.
    AudioUnitReset(mUnit, kAudioUnitScope_Global, 0);
    ComponentCallParameters call;
    PackComponentCall(call, mUnit, kAudioUnitResetSelect,
                      AudioUnitResetArguments{kAudioUnitScope_Global, 0});
    AudioUnitRenderArguments render{nullptr, nullptr, 77, 88, nullptr};
    EXPECT_FALSE(GetComponentArguments(&call.parameters, render));
    EXPECT_EQ(render.inOutputBusNumber, 77u);
    EXPECT_FALSE(GetComponentArguments(nullptr, render));
    EXPECT_EQ(GetComponentCallInstance(&call.parameters), mUnit);
    call.parameters.paramSize = 3;
    EXPECT_EQ(GetComponentCallInstance(&call.parameters), nullptr);
    EXPECT_EQ(CallComponentFunction(mUnit, 8), badComponentSelector);
}

ComponentResult RefusingEntry(ComponentParameters* params, Handle) {
    return params->what == kComponentOpenSelect ? kAudioUnitErr_FailedInitialization : noErr;
}

TEST(ComponentInstance, FailuresLeaveNothingOpen) {
    ComponentInstance instance = reinterpret_cast<ComponentInstance>(&gStorage);
    EXPECT_EQ(OpenComponentWithEntry(RefusingEntry, &instance), kAudioUnitErr_FailedInitialization);
    EXPECT_EQ(instance, nullptr);
    EXPECT_EQ(OpenComponentWithEntry(nullptr, &instance), paramErr);
    EXPECT_EQ(OpenComponentWithEntry(RefusingEntry, nullptr), paramErr);

    AudioUnitRenderActionFlags flags = 0;
    EXPECT_EQ(AudioUnitRender(nullptr, &flags, nullptr, 0, 0, nullptr), badComponentInstance);
    EXPECT_EQ(AudioUnitInitialize(nullptr), badComponentInstance);
    EXPECT_EQ(CloseComponent(nullptr), badComponentInstance);
    EXPECT_EQ(GetComponentInstanceStorage(nullptr), nullptr);
    SetComponentInstanceStorage(nullptr, nullptr);
}

} // namespace
