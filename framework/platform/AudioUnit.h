#pragma once

// The Audio Unit, AudioToolbox, CoreAudio and Component Manager interfaces for Linux: the types,
// selectors, property ids, scopes, flags and status codes under their published names and
// values, the host calls that reach a component through its entry function, and in-process
// parameter and property event listeners. How those calls are packed, and how a component is
// opened by its entry function, is this library's own: see ComponentCall.h.

#include "CoreFoundation.h"

#include <cstddef>

// ---- Status codes --------------------------------------------------------------------------

typedef SInt32 ComponentResult;

inline constexpr OSStatus badComponentInstance = static_cast<OSStatus>(0x80008001u);
inline constexpr OSStatus badComponentSelector = static_cast<OSStatus>(0x80008002u);

inline constexpr OSStatus kAudioUnitErr_InvalidProperty = -10879;
inline constexpr OSStatus kAudioUnitErr_InvalidParameter = -10878;
inline constexpr OSStatus kAudioUnitErr_InvalidElement = -10877;
inline constexpr OSStatus kAudioUnitErr_NoConnection = -10876;
inline constexpr OSStatus kAudioUnitErr_FailedInitialization = -10875;
inline constexpr OSStatus kAudioUnitErr_TooManyFramesToProcess = -10874;
inline constexpr OSStatus kAudioUnitErr_InvalidFile = -10871;
inline constexpr OSStatus kAudioUnitErr_FormatNotSupported = -10868;
inline constexpr OSStatus kAudioUnitErr_Uninitialized = -10867;
inline constexpr OSStatus kAudioUnitErr_InvalidScope = -10866;
inline constexpr OSStatus kAudioUnitErr_PropertyNotWritable = -10865;
inline constexpr OSStatus kAudioUnitErr_InvalidPropertyValue = -10851;
inline constexpr OSStatus kAudioUnitErr_InvalidParameterValue = -66743;

// ---- Component Manager ---------------------------------------------------------------------

typedef struct ComponentInstanceRecord* ComponentInstance;

struct ComponentParameters {
    UInt8 flags;
    UInt8 paramSize; // bytes of argument slots (see ComponentCall.h)
    SInt16 what;     // the selector
    UInt32 padding;
    long params[1];
};

typedef ComponentResult (*ComponentRoutineProcPtr)(ComponentParameters* cp,
                                                   Handle componentStorage);
typedef ComponentRoutineProcPtr ComponentRoutineUPP;

enum : SInt16 {
    kComponentOpenSelect = -1,
    kComponentCloseSelect = -2,
    kComponentCanDoSelect = -3,
    kComponentVersionSelect = -4,
};

// Calls the entry with kComponentCloseSelect and frees the instance, whatever it answers.
OSStatus CloseComponent(ComponentInstance instance);
void SetComponentInstanceStorage(ComponentInstance instance, Handle storage);
Handle GetComponentInstanceStorage(ComponentInstance instance);
ComponentResult CallComponentCanDo(ComponentInstance instance, SInt16 selector);
ComponentResult GetComponentVersion(ComponentInstance instance);

// ---- CoreAudio types -----------------------------------------------------------------------

typedef UInt32 AudioFormatID;
typedef UInt32 AudioFormatFlags;

struct AudioStreamBasicDescription {
    Float64 mSampleRate;
    AudioFormatID mFormatID;
    AudioFormatFlags mFormatFlags;
    UInt32 mBytesPerPacket;
    UInt32 mFramesPerPacket;
    UInt32 mBytesPerFrame;
    UInt32 mChannelsPerFrame;
    UInt32 mBitsPerChannel;
    UInt32 mReserved;
};

enum : AudioFormatID {
    kAudioFormatLinearPCM = FourCharCodeFromText("lpcm"),
    kAudioFormatMPEG4AAC = FourCharCodeFromText("aac "),
    kAudioFormatULaw = FourCharCodeFromText("ulaw"),
};

enum : AudioFormatFlags {
    kAudioFormatFlagIsFloat = 1u << 0,
    kAudioFormatFlagIsBigEndian = 1u << 1,
    kAudioFormatFlagIsSignedInteger = 1u << 2,
    kAudioFormatFlagIsPacked = 1u << 3,
    kAudioFormatFlagIsNonInterleaved = 1u << 5,

#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    kAudioFormatFlagsNativeEndian = kAudioFormatFlagIsBigEndian,
#else
    kAudioFormatFlagsNativeEndian = 0,
#endif
    kAudioFormatFlagsAudioUnitCanonical = kAudioFormatFlagIsFloat | kAudioFormatFlagsNativeEndian |
                                          kAudioFormatFlagIsPacked |
                                          kAudioFormatFlagIsNonInterleaved,
};

typedef Float32 AudioSampleType;
typedef Float32 AudioUnitSampleType;

struct AudioBuffer {
    UInt32 mNumberChannels;
    UInt32 mDataByteSize;
    void* mData;
};

// mBuffers holds mNumberBuffers entries; see AudioBufferListWithBuffers for storage.
struct AudioBufferList {
    UInt32 mNumberBuffers;
    AudioBuffer mBuffers[1];
};

// Storage for an AudioBufferList of count buffers, laid out as the platform's list.
template <UInt32 count> struct AudioBufferListWithBuffers {
    static_assert(count >= 1, "a buffer list has at least one buffer");
    UInt32 mNumberBuffers = count;
    AudioBuffer mBuffers[count] = {};

    AudioBufferList* List() { return reinterpret_cast<AudioBufferList*>(this); }
};
static_assert(offsetof(AudioBufferListWithBuffers<2>, mBuffers) ==
                  offsetof(AudioBufferList, mBuffers),
              "buffer list storage matches the list");

typedef UInt32 SMPTETimeType;
typedef UInt32 SMPTETimeFlags;
struct SMPTETime {
    SInt16 mSubframes;
    SInt16 mSubframeDivisor;
    UInt32 mCounter;
    SMPTETimeType mType;
    SMPTETimeFlags mFlags;
    SInt16 mHours;
    SInt16 mMinutes;
    SInt16 mSeconds;
    SInt16 mFrames;
};

typedef UInt32 AudioTimeStampFlags;
enum : AudioTimeStampFlags {
    kAudioTimeStampSampleTimeValid = 1u << 0,
    kAudioTimeStampHostTimeValid = 1u << 1,
};

struct AudioTimeStamp {
    Float64 mSampleTime;
    UInt64 mHostTime;
    Float64 mRateScalar;
    UInt64 mWordClockTime;
    SMPTETime mSMPTETime;
    AudioTimeStampFlags mFlags;
    UInt32 mReserved;
};

// Host time is in nanoseconds of the monotonic clock.
UInt64 AudioGetCurrentHostTime();

// ---- Audio Unit types ----------------------------------------------------------------------

typedef ComponentInstance AudioComponentInstance;
typedef AudioComponentInstance AudioUnit;
typedef UInt32 AudioUnitPropertyID;
typedef UInt32 AudioUnitScope;
typedef UInt32 AudioUnitElement;
typedef UInt32 AudioUnitParameterID;
typedef Float32 AudioUnitParameterValue;
typedef UInt32 AudioUnitRenderActionFlags;

struct AudioComponentDescription {
    OSType componentType;
    OSType componentSubType;
    OSType componentManufacturer;
    UInt32 componentFlags;
    UInt32 componentFlagsMask;
};

enum : OSType {
    kAudioUnitType_MusicDevice = FourCharCodeFromText("aumu"),
    kAudioUnitType_MusicEffect = FourCharCodeFromText("aumf"),
    kAudioUnitType_Effect = FourCharCodeFromText("aufx"),
};

enum : SInt16 {
    kAudioUnitInitializeSelect = 0x0001,
    kAudioUnitUninitializeSelect = 0x0002,
    kAudioUnitGetPropertyInfoSelect = 0x0003,
    kAudioUnitGetPropertySelect = 0x0004,
    kAudioUnitSetPropertySelect = 0x0005,
    kAudioUnitGetParameterSelect = 0x0006,
    kAudioUnitSetParameterSelect = 0x0007,
    kAudioUnitResetSelect = 0x0009,
    kAudioUnitAddPropertyListenerSelect = 0x000A,
    kAudioUnitRemovePropertyListenerSelect = 0x000B,
    kAudioUnitRenderSelect = 0x000E,
    kAudioUnitAddRenderNotifySelect = 0x000F,
    kAudioUnitRemoveRenderNotifySelect = 0x0010,
    kAudioUnitScheduleParametersSelect = 0x0011,
    kAudioUnitRemovePropertyListenerWithUserDataSelect = 0x0012,
    kAudioUnitComplexRenderSelect = 0x0013,
    kAudioUnitProcessSelect = 0x0014,

    kMusicDeviceMIDIEventSelect = 0x0101,
    kMusicDeviceSysExSelect = 0x0102,
    kMusicDevicePrepareInstrumentSelect = 0x0103,
    kMusicDeviceReleaseInstrumentSelect = 0x0104,
    kMusicDeviceStartNoteSelect = 0x0105,
    kMusicDeviceStopNoteSelect = 0x0106,

    kAudioUnitCarbonViewCreateSelect = 0x0301,
    kAudioUnitCarbonViewSetEventListenerSelect = 0x0302,
};

enum : AudioUnitScope {
    kAudioUnitScope_Global = 0,
    kAudioUnitScope_Input = 1,
    kAudioUnitScope_Output = 2,
};

enum : AudioUnitPropertyID {
    kAudioUnitProperty_ClassInfo = 0,
    kAudioUnitProperty_MakeConnection = 1,
    kAudioUnitProperty_SampleRate = 2,
    kAudioUnitProperty_ParameterList = 3,
    kAudioUnitProperty_ParameterInfo = 4,
    kAudioUnitProperty_FastDispatch = 5,
    kAudioUnitProperty_StreamFormat = 8,
    kAudioUnitProperty_ElementCount = 11,
    kAudioUnitProperty_Latency = 12,
    kAudioUnitProperty_SupportedNumChannels = 13,
    kAudioUnitProperty_MaximumFramesPerSlice = 14,
    kAudioUnitProperty_ParameterValueStrings = 16,
    kAudioUnitProperty_TailTime = 20,
    kAudioUnitProperty_BypassEffect = 21,
    kAudioUnitProperty_LastRenderError = 22,
    kAudioUnitProperty_SetRenderCallback = 23,
    kAudioUnitProperty_FactoryPresets = 24,
    kAudioUnitProperty_RenderQuality = 26,
    kAudioUnitProperty_HostCallbacks = 27,
    kAudioUnitProperty_InPlaceProcessing = 29,
    kAudioUnitProperty_ElementName = 30,
    kAudioUnitProperty_CocoaUI = 31,
    kAudioUnitProperty_ParameterStringFromValue = 33,
    kAudioUnitProperty_ParameterClumpName = 35,
    kAudioUnitProperty_PresentPreset = 36,
    kAudioUnitProperty_OfflineRender = 37,
    kAudioUnitProperty_ParameterValueFromString = 38,
    kAudioUnitProperty_AUHostIdentifier = 46,

    kMusicDeviceProperty_InstrumentCount = 1000,
};

enum : UInt32 {
    kRenderQuality_Max = 0x7F,
};

enum : AudioUnitRenderActionFlags {
    kAudioUnitRenderAction_PreRender = 1u << 2,
    kAudioUnitRenderAction_PostRender = 1u << 3,
    kAudioUnitRenderAction_OutputIsSilence = 1u << 4,
    kAudioUnitRenderAction_PostRenderError = 1u << 8,
};

typedef OSStatus (*AURenderCallback)(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                                     const AudioTimeStamp* inTimeStamp, UInt32 inBusNumber,
                                     UInt32 inNumberFrames, AudioBufferList* ioData);
struct AURenderCallbackStruct {
    AURenderCallback inputProc;
    void* inputProcRefCon;
};

typedef void (*AudioUnitPropertyListenerProc)(void* inRefCon, AudioUnit inUnit,
                                              AudioUnitPropertyID inID, AudioUnitScope inScope,
                                              AudioUnitElement inElement);

// Fast-dispatch entries (kAudioUnitProperty_FastDispatch, element = the selector); they take
// the component's storage instead of the instance.
typedef OSStatus (*AudioUnitGetParameterProc)(void* inComponentStorage, AudioUnitParameterID inID,
                                              AudioUnitScope inScope, AudioUnitElement inElement,
                                              AudioUnitParameterValue* outValue);
typedef OSStatus (*AudioUnitSetParameterProc)(void* inComponentStorage, AudioUnitParameterID inID,
                                              AudioUnitScope inScope, AudioUnitElement inElement,
                                              AudioUnitParameterValue inValue,
                                              UInt32 inBufferOffsetInFrames);
typedef OSStatus (*AudioUnitRenderProc)(void* inComponentStorage,
                                        AudioUnitRenderActionFlags* ioActionFlags,
                                        const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                                        UInt32 inNumberFrames, AudioBufferList* ioData);

struct AudioUnitConnection {
    AudioUnit sourceAudioUnit;
    UInt32 sourceOutputNumber;
    UInt32 destInputNumber;
};

struct AUChannelInfo {
    SInt16 inChannels;
    SInt16 outChannels;
};

typedef UInt32 AudioUnitParameterUnit;
enum : AudioUnitParameterUnit {
    kAudioUnitParameterUnit_Generic = 0,
    kAudioUnitParameterUnit_Indexed = 1,
    kAudioUnitParameterUnit_Boolean = 2,
    kAudioUnitParameterUnit_CustomUnit = 26,
};

typedef UInt32 AudioUnitParameterOptions;
enum : AudioUnitParameterOptions {
    kAudioUnitParameterFlag_CFNameRelease = 1u << 4,
    kAudioUnitParameterFlag_DisplaySquareRoot = 1u << 16,
    kAudioUnitParameterFlag_DisplayCubeRoot = 4u << 16,
    kAudioUnitParameterFlag_HasClump = 1u << 20,
    kAudioUnitParameterFlag_ValuesHaveStrings = 1u << 21,
    kAudioUnitParameterFlag_NonRealTime = 1u << 24,
    kAudioUnitParameterFlag_HasCFNameString = 1u << 27,
    kAudioUnitParameterFlag_IsGlobalMeta = 1u << 28,
    kAudioUnitParameterFlag_IsReadable = 1u << 30,
    kAudioUnitParameterFlag_IsWritable = 1u << 31,
};

enum : UInt32 { kAudioUnitClumpID_System = 0 };

struct AudioUnitParameterInfo {
    char name[52];
    CFStringRef unitName;
    UInt32 clumpID;
    CFStringRef cfNameString;
    AudioUnitParameterUnit unit;
    AudioUnitParameterValue minValue;
    AudioUnitParameterValue maxValue;
    AudioUnitParameterValue defaultValue;
    AudioUnitParameterOptions flags;
};

struct AudioUnitParameterValueFromString {
    AudioUnitParameterID inParamID;
    CFStringRef inString;
    AudioUnitParameterValue outValue;
};

struct AudioUnitParameterStringFromValue {
    AudioUnitParameterID inParamID;
    const AudioUnitParameterValue* inValue;
    CFStringRef outString;
};

struct AudioUnitParameterValueName {
    AudioUnitParameterID inParamID;
    const Float32* inValue;
    CFStringRef outName;
};

enum : SInt32 { kAudioUnitParameterName_Full = -1 };
struct AudioUnitParameterNameInfo {
    AudioUnitParameterID inID;
    SInt32 inDesiredLength;
    CFStringRef outName;
};
typedef AudioUnitParameterNameInfo AudioUnitParameterIDName;

typedef UInt32 AUParameterEventType;
enum : AUParameterEventType { kParameterEvent_Immediate = 1, kParameterEvent_Ramped = 2 };

struct AudioUnitParameterEvent {
    AudioUnitScope scope;
    AudioUnitElement element;
    AudioUnitParameterID parameter;
    AUParameterEventType eventType;
    union {
        struct {
            SInt32 startBufferOffset;
            UInt32 durationInFrames;
            AudioUnitParameterValue startValue;
            AudioUnitParameterValue endValue;
        } ramp;
        struct {
            UInt32 bufferOffset;
            AudioUnitParameterValue value;
        } immediate;
    } eventValues;
};

struct AUPreset {
    SInt32 presetNumber;
    CFStringRef presetName;
};

struct AudioUnitCocoaViewInfo {
    CFURLRef mCocoaAUViewBundleLocation;
    CFStringRef mCocoaAUViewClass[1];
};

struct AUHostVersionIdentifier {
    CFStringRef hostName;
    UInt32 hostVersion;
};

typedef OSStatus (*HostCallback_GetBeatAndTempo)(void* inHostUserData, Float64* outCurrentBeat,
                                                 Float64* outCurrentTempo);
typedef OSStatus (*HostCallback_GetMusicalTimeLocation)(void* inHostUserData,
                                                        UInt32* outDeltaSampleOffsetToNextBeat,
                                                        Float32* outTimeSig_Numerator,
                                                        UInt32* outTimeSig_Denominator,
                                                        Float64* outCurrentMeasureDownBeat);
typedef OSStatus (*HostCallback_GetTransportState)(void* inHostUserData, Boolean* outIsPlaying,
                                                   Boolean* outTransportStateChanged,
                                                   Float64* outCurrentSampleInTimeLine,
                                                   Boolean* outIsCycling,
                                                   Float64* outCycleStartBeat,
                                                   Float64* outCycleEndBeat);
typedef OSStatus (*HostCallback_GetTransportState2)(
    void* inHostUserData, Boolean* outIsPlaying, Boolean* outIsRecording,
    Boolean* outTransportStateChanged, Float64* outCurrentSampleInTimeLine, Boolean* outIsCycling,
    Float64* outCycleStartBeat, Float64* outCycleEndBeat);

struct HostCallbackInfo {
    void* hostUserData;
    HostCallback_GetBeatAndTempo beatAndTempoProc;
    HostCallback_GetMusicalTimeLocation musicalTimeLocationProc;
    HostCallback_GetTransportState transportStateProc;
    HostCallback_GetTransportState2 transportStateProc2;
};

// Class-info (.aupreset) dictionary keys.
#define kAUPresetVersionKey "version"
#define kAUPresetTypeKey "type"
#define kAUPresetSubtypeKey "subtype"
#define kAUPresetManufacturerKey "manufacturer"
#define kAUPresetDataKey "data"
#define kAUPresetNameKey "name"
#define kAUPresetRenderQualityKey "render-quality"
#define kAUPresetCPULoadKey "cpu-load"
#define kAUPresetElementNameKey "element-name"
#define kAUPresetPartKey "part"

// ---- Music devices -------------------------------------------------------------------------

typedef UInt32 MusicDeviceInstrumentID;
typedef UInt32 MusicDeviceGroupID;
typedef UInt32 NoteInstanceID;

enum : UInt32 { kMusicNoteEvent_Unused = 0xFFFFFFFFu };

struct NoteParamsControlValue {
    AudioUnitParameterID mID;
    AudioUnitParameterValue mValue;
};

struct MusicDeviceNoteParams {
    UInt32 argCount;
    Float32 mPitch;
    Float32 mVelocity;
    NoteParamsControlValue mControls[1];
};

// ---- Carbon views --------------------------------------------------------------------------

typedef struct OpaqueWindowPtr* WindowRef;
typedef struct OpaqueControlRef* ControlRef;
typedef ComponentInstance AudioUnitCarbonView;
typedef SInt32 AudioUnitCarbonViewEventID;

struct Float32Point {
    Float32 x;
    Float32 y;
};

struct AudioUnitParameter;
typedef void (*AudioUnitCarbonViewEventListener)(void* inUserData, AudioUnitCarbonView inView,
                                                 const AudioUnitParameter* inParameter,
                                                 AudioUnitCarbonViewEventID inEvent,
                                                 const void* inEventParam);

// ---- Host calls (AudioToolbox) -------------------------------------------------------------
//
// Each packs its arguments with the record of its selector (ComponentCall.h) and calls the
// instance's entry.
// None allocates or locks, so the render call is safe on an audio thread.

OSStatus AudioUnitInitialize(AudioUnit inUnit);
OSStatus AudioUnitUninitialize(AudioUnit inUnit);
OSStatus AudioUnitGetPropertyInfo(AudioUnit inUnit, AudioUnitPropertyID inID,
                                  AudioUnitScope inScope, AudioUnitElement inElement,
                                  UInt32* outDataSize, Boolean* outWritable);
OSStatus AudioUnitGetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, void* outData, UInt32* ioDataSize);
OSStatus AudioUnitSetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, const void* inData, UInt32 inDataSize);
OSStatus AudioUnitAddPropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                      AudioUnitPropertyListenerProc inProc, void* inProcUserData);
OSStatus AudioUnitRemovePropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                         AudioUnitPropertyListenerProc inProc);
OSStatus AudioUnitRemovePropertyListenerWithUserData(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                     AudioUnitPropertyListenerProc inProc,
                                                     void* inProcUserData);
OSStatus AudioUnitAddRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData);
OSStatus AudioUnitRemoveRenderNotify(AudioUnit inUnit, AURenderCallback inProc,
                                     void* inProcUserData);
OSStatus AudioUnitGetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                               AudioUnitElement inElement, AudioUnitParameterValue* outValue);
OSStatus AudioUnitSetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                               AudioUnitElement inElement, AudioUnitParameterValue inValue,
                               UInt32 inBufferOffsetInFrames);
OSStatus AudioUnitScheduleParameters(AudioUnit inUnit,
                                     const AudioUnitParameterEvent* inParameterEvent,
                                     UInt32 inNumParamEvents);
OSStatus AudioUnitRender(AudioUnit inUnit, AudioUnitRenderActionFlags* ioActionFlags,
                         const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                         UInt32 inNumberFrames, AudioBufferList* ioData);
OSStatus AudioUnitReset(AudioUnit inUnit, AudioUnitScope inScope, AudioUnitElement inElement);

OSStatus MusicDeviceMIDIEvent(AudioUnit inUnit, UInt32 inStatus, UInt32 inData1, UInt32 inData2,
                              UInt32 inOffsetSampleFrame);
OSStatus MusicDeviceSysEx(AudioUnit inUnit, const UInt8* inData, UInt32 inLength);
OSStatus MusicDevicePrepareInstrument(AudioUnit inUnit, MusicDeviceInstrumentID inInstrument);
OSStatus MusicDeviceReleaseInstrument(AudioUnit inUnit, MusicDeviceInstrumentID inInstrument);
OSStatus MusicDeviceStartNote(AudioUnit inUnit, MusicDeviceInstrumentID inInstrument,
                              MusicDeviceGroupID inGroupID, NoteInstanceID* outNoteInstanceID,
                              UInt32 inOffsetSampleFrame, const MusicDeviceNoteParams* inParams);
OSStatus MusicDeviceStopNote(AudioUnit inUnit, MusicDeviceGroupID inGroupID,
                             NoteInstanceID inNoteInstanceID, UInt32 inOffsetSampleFrame);

OSStatus AudioUnitCarbonViewCreate(AudioUnitCarbonView inView, AudioUnit inAudioUnit,
                                   WindowRef inWindow, ControlRef inParentControl,
                                   const Float32Point* inLocation, const Float32Point* inSize,
                                   ControlRef* outControl);
OSStatus AudioUnitCarbonViewSetEventListener(AudioUnitCarbonView inView,
                                             AudioUnitCarbonViewEventListener inCallback,
                                             void* inUserData);

// ---- Parameter and property events ---------------------------------------------------------
//
// Listeners live in the process. A notification is delivered at once, on the notifying thread,
// to every listener registered for a matching event; there is no run loop and no coalescing
// (the run loop, mode, interval and granularity arguments are accepted and ignored). A unit
// opened with OpenComponentWithEntry routes its notifications to the listeners of the copy of
// this library that opened it, so a component can notify its host. Not for the render thread:
// notification locks and allocates.

typedef UInt32 AudioUnitEventType;
enum : AudioUnitEventType {
    kAudioUnitEvent_ParameterValueChange = 0,
    kAudioUnitEvent_BeginParameterChangeGesture = 1,
    kAudioUnitEvent_EndParameterChangeGesture = 2,
    kAudioUnitEvent_PropertyChange = 3,
};

enum : AudioUnitParameterID { kAUParameterListener_AnyParameter = 0xFFFFFFFFu };

struct AudioUnitParameter {
    AudioUnit mAudioUnit;
    AudioUnitParameterID mParameterID; // kAUParameterListener_AnyParameter matches any
    AudioUnitScope mScope;
    AudioUnitElement mElement;
};

struct AudioUnitProperty {
    AudioUnit mAudioUnit;
    AudioUnitPropertyID mPropertyID;
    AudioUnitScope mScope;
    AudioUnitElement mElement;
};

struct AudioUnitEvent {
    AudioUnitEventType mEventType;
    union {
        AudioUnitParameter mParameter; // the three parameter events
        AudioUnitProperty mProperty;   // kAudioUnitEvent_PropertyChange
    } mArgument;
};

typedef struct AUListenerBase* AUParameterListenerRef;
typedef AUParameterListenerRef AUEventListenerRef;

// inParameterValue is the parameter's current value (read from the unit) for value changes, 0
// for other events.
typedef void (*AUEventListenerProc)(void* inCallbackRefCon, void* inObject,
                                    const AudioUnitEvent* inEvent, UInt64 inEventHostTime,
                                    AudioUnitParameterValue inParameterValue);

OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inCallbackRefCon,
                               CFRunLoopRef inRunLoop, CFStringRef inRunLoopMode,
                               Float32 inNotificationInterval, Float32 inValueChangeGranularity,
                               AUEventListenerRef* outListener);
// Registers interest in events like inEvent for inObject (passed back to the listener).
OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject,
                                     const AudioUnitEvent* inEvent);
OSStatus AUListenerDispose(AUParameterListenerRef inListener);
// Delivers the event to every matching registration except the sender's own (same listener and
// object).
OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject,
                               const AudioUnitEvent* inEvent);
