#pragma once

// The Audio Unit, AudioToolbox, CoreAudio and Component Manager interfaces for Linux: the types,
// selectors, property ids, scopes, flags and status codes under their published names and
// values, the host calls that reach a component through its entry function, and in-process
// parameter and property event listeners.

#include "CoreFoundation.h"

#include <cstddef>
#include <cstring>
#include <tuple>
#include <type_traits>

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
inline constexpr OSStatus kAudioUnitErr_IllegalInstrument = -10873;
inline constexpr OSStatus kAudioUnitErr_InstrumentTypeNotFound = -10872;
inline constexpr OSStatus kAudioUnitErr_InvalidFile = -10871;
inline constexpr OSStatus kAudioUnitErr_UnknownFileType = -10870;
inline constexpr OSStatus kAudioUnitErr_FileNotSpecified = -10869;
inline constexpr OSStatus kAudioUnitErr_FormatNotSupported = -10868;
inline constexpr OSStatus kAudioUnitErr_Uninitialized = -10867;
inline constexpr OSStatus kAudioUnitErr_InvalidScope = -10866;
inline constexpr OSStatus kAudioUnitErr_PropertyNotWritable = -10865;
inline constexpr OSStatus kAudioUnitErr_CannotDoInCurrentContext = -10863;
inline constexpr OSStatus kAudioUnitErr_InvalidPropertyValue = -10851;
inline constexpr OSStatus kAudioUnitErr_PropertyNotInUse = -10850;
inline constexpr OSStatus kAudioUnitErr_Initialized = -10849;
inline constexpr OSStatus kAudioUnitErr_InvalidOfflineRender = -10848;
inline constexpr OSStatus kAudioUnitErr_Unauthorized = -10847;
inline constexpr OSStatus kAudioUnitErr_InvalidParameterValue = -66743;

// ---- Component Manager ---------------------------------------------------------------------

typedef struct ComponentInstanceRecord* ComponentInstance;

struct ComponentParameters {
    UInt8 flags;
    UInt8 paramSize; // bytes of argument slots, see the packing convention below
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
    kComponentRegisterSelect = -5,
    kComponentTargetSelect = -6,
    kComponentUnregisterSelect = -7,
};

// Opens an instance of the component whose entry routine is given: makes the instance record,
// then calls the entry with kComponentOpenSelect. When the entry fails, the instance is gone and
// its result is returned. (Both calls answer a full OSStatus, where the platform's Component
// Manager narrows results to OSErr.)
OSStatus OpenComponentWithEntry(ComponentRoutineUPP entry, ComponentInstance* outInstance);
// Calls the entry with kComponentCloseSelect and frees the instance, whatever it answers.
OSStatus CloseComponent(ComponentInstance instance);
void SetComponentInstanceStorage(ComponentInstance instance, Handle storage);
Handle GetComponentInstanceStorage(ComponentInstance instance);
ComponentResult CallComponentCanDo(ComponentInstance instance, SInt16 selector);
ComponentResult GetComponentVersion(ComponentInstance instance);

// ---- Packing convention --------------------------------------------------------------------
//
// A call to a component puts its selector in `what` and its arguments, not counting the instance
// it is addressed to, one per `long` slot of `params`, in reverse order:
//
//     params[0]       the last argument
//     ...
//     params[n - 1]   the first argument after the instance
//     params[n]       the instance (for kComponentOpenSelect, the new instance)
//     paramSize       n * sizeof(long): the instance slot is not counted
//
// A pointer (function pointers included) is stored as its address, an integer converted to long
// (so sign- or zero-extended by its own type), a Float32 as its bit pattern in the low 32 bits.
// For example AudioUnitSetParameter(unit, id, scope, element, value, offset) gives
// params = {offset, value bits, element, scope, id, unit} and paramSize = 5 * sizeof(long).
//
// Each selector's arguments are described once, by the record below that names them in call
// order; the host calls pack with it and a component unpacks with GetComponentArguments.

static_assert(sizeof(long) == sizeof(void*), "argument slots hold pointers");

constexpr int kComponentMaxArguments = 8;

// A ComponentParameters with room for the largest call.
struct ComponentCallParameters {
    ComponentParameters parameters;
    long moreParams[kComponentMaxArguments];
};
static_assert(offsetof(ComponentCallParameters, moreParams) ==
                  offsetof(ComponentParameters, params) + sizeof(long),
              "the slots of a call follow each other");

namespace component_detail {

template <class T> long ToSlot(T value) {
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<long>(value);
    } else if constexpr (std::is_floating_point_v<T>) {
        static_assert(sizeof(T) == sizeof(UInt32), "only Float32 values travel in slots");
        UInt32 bits;
        std::memcpy(&bits, &value, sizeof bits);
        return static_cast<long>(bits);
    } else {
        return static_cast<long>(value);
    }
}

template <class T> T FromSlot(long slot) {
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<T>(slot);
    } else if constexpr (std::is_floating_point_v<T>) {
        const auto bits = static_cast<UInt32>(slot);
        T value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    } else {
        return static_cast<T>(slot);
    }
}

// Slot i of a ComponentParameters, read without indexing past its declared array.
inline long ReadSlot(const ComponentParameters* params, size_t i) {
    long slot;
    std::memcpy(&slot,
                reinterpret_cast<const char*>(params) + offsetof(ComponentParameters, params) +
                    i * sizeof(long),
                sizeof slot);
    return slot;
}

inline void WriteSlot(ComponentParameters* params, size_t i, long slot) {
    std::memcpy(reinterpret_cast<char*>(params) + offsetof(ComponentParameters, params) +
                    i * sizeof(long),
                &slot, sizeof slot);
}

} // namespace component_detail

// Packs a call with the arguments of a record (see below) into call.
template <class Arguments>
void PackComponentCall(ComponentCallParameters& call, ComponentInstance instance, SInt16 what,
                       Arguments arguments) {
    auto fields = arguments.Fields();
    constexpr size_t count = std::tuple_size_v<decltype(fields)>;
    static_assert(count <= kComponentMaxArguments, "too many arguments for one call");
    call.parameters.flags = 0;
    call.parameters.paramSize = static_cast<UInt8>(count * sizeof(long));
    call.parameters.what = what;
    call.parameters.padding = 0;
    std::apply(
        [&](auto&... field) {
            [[maybe_unused]] size_t index = 0;
            // Argument k (in call order) goes to slot count - 1 - k.
            ((component_detail::WriteSlot(&call.parameters, count - 1 - index++,
                                          component_detail::ToSlot(field))),
             ...);
        },
        fields);
    component_detail::WriteSlot(&call.parameters, count, component_detail::ToSlot(instance));
}

// A call without arguments.
struct NoComponentArguments {
    auto Fields() { return std::tie(); }
};

// Reads a call's arguments into the record; false, leaving it untouched, when the call does not
// carry exactly that many arguments.
template <class Arguments>
bool GetComponentArguments(const ComponentParameters* params, Arguments& arguments) {
    auto fields = arguments.Fields();
    constexpr size_t count = std::tuple_size_v<decltype(fields)>;
    if (!params || params->paramSize != count * sizeof(long)) return false;
    std::apply(
        [&](auto&... field) {
            [[maybe_unused]] size_t index = 0;
            ((field = component_detail::FromSlot<std::remove_reference_t<decltype(field)>>(
                  component_detail::ReadSlot(params, count - 1 - index++))),
             ...);
        },
        fields);
    return true;
}

// The instance a call is addressed to; null when paramSize is not a whole number of slots.
inline ComponentInstance GetComponentCallInstance(const ComponentParameters* params) {
    if (!params || params->paramSize % sizeof(long) != 0) return nullptr;
    return component_detail::FromSlot<ComponentInstance>(
        component_detail::ReadSlot(params, params->paramSize / sizeof(long)));
}

// Passes a packed call to the instance's entry with its storage; badComponentInstance for a
// null instance.
ComponentResult CallComponentEntry(ComponentInstance instance, ComponentParameters* params);

template <class Arguments>
ComponentResult CallComponentFunction(ComponentInstance instance, SInt16 what,
                                      Arguments arguments) {
    ComponentCallParameters call;
    PackComponentCall(call, instance, what, arguments);
    return CallComponentEntry(instance, &call.parameters);
}

inline ComponentResult CallComponentFunction(ComponentInstance instance, SInt16 what) {
    return CallComponentFunction(instance, what, NoComponentArguments{});
}

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
    kAudioFormatAC3 = FourCharCodeFromText("ac-3"),
    kAudioFormatAppleIMA4 = FourCharCodeFromText("ima4"),
    kAudioFormatMPEG4AAC = FourCharCodeFromText("aac "),
    kAudioFormatMPEGLayer3 = FourCharCodeFromText(".mp3"),
    kAudioFormatAppleLossless = FourCharCodeFromText("alac"),
    kAudioFormatULaw = FourCharCodeFromText("ulaw"),
    kAudioFormatALaw = FourCharCodeFromText("alaw"),
    kAudioFormatMIDIStream = FourCharCodeFromText("midi"),
};

enum : AudioFormatFlags {
    kAudioFormatFlagIsFloat = 1u << 0,
    kAudioFormatFlagIsBigEndian = 1u << 1,
    kAudioFormatFlagIsSignedInteger = 1u << 2,
    kAudioFormatFlagIsPacked = 1u << 3,
    kAudioFormatFlagIsAlignedHigh = 1u << 4,
    kAudioFormatFlagIsNonInterleaved = 1u << 5,
    kAudioFormatFlagIsNonMixable = 1u << 6,
    kAudioFormatFlagsAreAllClear = 0x80000000u,

    kLinearPCMFormatFlagIsFloat = kAudioFormatFlagIsFloat,
    kLinearPCMFormatFlagIsBigEndian = kAudioFormatFlagIsBigEndian,
    kLinearPCMFormatFlagIsSignedInteger = kAudioFormatFlagIsSignedInteger,
    kLinearPCMFormatFlagIsPacked = kAudioFormatFlagIsPacked,
    kLinearPCMFormatFlagIsAlignedHigh = kAudioFormatFlagIsAlignedHigh,
    kLinearPCMFormatFlagIsNonInterleaved = kAudioFormatFlagIsNonInterleaved,
    kLinearPCMFormatFlagIsNonMixable = kAudioFormatFlagIsNonMixable,
    kLinearPCMFormatFlagsSampleFractionShift = 7,
    kLinearPCMFormatFlagsSampleFractionMask = 0x3Fu << 7,
    kLinearPCMFormatFlagsAreAllClear = kAudioFormatFlagsAreAllClear,

#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    kAudioFormatFlagsNativeEndian = kAudioFormatFlagIsBigEndian,
#else
    kAudioFormatFlagsNativeEndian = 0,
#endif
    kAudioFormatFlagsCanonical =
        kAudioFormatFlagIsFloat | kAudioFormatFlagsNativeEndian | kAudioFormatFlagIsPacked,
    kAudioFormatFlagsAudioUnitCanonical = kAudioFormatFlagIsFloat | kAudioFormatFlagsNativeEndian |
                                          kAudioFormatFlagIsPacked |
                                          kAudioFormatFlagIsNonInterleaved,
    kAudioFormatFlagsNativeFloatPacked =
        kAudioFormatFlagIsFloat | kAudioFormatFlagsNativeEndian | kAudioFormatFlagIsPacked,
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
    kAudioTimeStampNothingValid = 0,
    kAudioTimeStampSampleTimeValid = 1u << 0,
    kAudioTimeStampHostTimeValid = 1u << 1,
    kAudioTimeStampRateScalarValid = 1u << 2,
    kAudioTimeStampWordClockTimeValid = 1u << 3,
    kAudioTimeStampSMPTETimeValid = 1u << 4,
    kAudioTimeStampSampleHostTimeValid =
        kAudioTimeStampSampleTimeValid | kAudioTimeStampHostTimeValid,
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
UInt64 AudioConvertHostTimeToNanos(UInt64 hostTime);
UInt64 AudioConvertNanosToHostTime(UInt64 nanos);

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
    kAudioUnitType_Output = FourCharCodeFromText("auou"),
    kAudioUnitType_MusicDevice = FourCharCodeFromText("aumu"),
    kAudioUnitType_MusicEffect = FourCharCodeFromText("aumf"),
    kAudioUnitType_FormatConverter = FourCharCodeFromText("aufc"),
    kAudioUnitType_Effect = FourCharCodeFromText("aufx"),
    kAudioUnitType_Mixer = FourCharCodeFromText("aumx"),
    kAudioUnitType_Panner = FourCharCodeFromText("aupn"),
    kAudioUnitType_Generator = FourCharCodeFromText("augn"),
    kAudioUnitType_OfflineEffect = FourCharCodeFromText("auol"),
};

enum : SInt16 {
    kAudioUnitRange = 0x0000,
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
    kAudioUnitProcessMultipleSelect = 0x0015,

    kMusicDeviceRange = 0x0100,
    kMusicDeviceMIDIEventSelect = 0x0101,
    kMusicDeviceSysExSelect = 0x0102,
    kMusicDevicePrepareInstrumentSelect = 0x0103,
    kMusicDeviceReleaseInstrumentSelect = 0x0104,
    kMusicDeviceStartNoteSelect = 0x0105,
    kMusicDeviceStopNoteSelect = 0x0106,

    kAudioUnitCarbonViewRange = 0x0300,
    kAudioUnitCarbonViewCreateSelect = 0x0301,
    kAudioUnitCarbonViewSetEventListenerSelect = 0x0302,
};

enum : AudioUnitScope {
    kAudioUnitScope_Global = 0,
    kAudioUnitScope_Input = 1,
    kAudioUnitScope_Output = 2,
    kAudioUnitScope_Group = 3,
    kAudioUnitScope_Part = 4,
    kAudioUnitScope_Note = 5,
    kAudioUnitScope_Layer = 6,
    kAudioUnitScope_LayerItem = 7,
};

enum : AudioUnitPropertyID {
    kAudioUnitProperty_ClassInfo = 0,
    kAudioUnitProperty_MakeConnection = 1,
    kAudioUnitProperty_SampleRate = 2,
    kAudioUnitProperty_ParameterList = 3,
    kAudioUnitProperty_ParameterInfo = 4,
    kAudioUnitProperty_FastDispatch = 5,
    kAudioUnitProperty_CPULoad = 6,
    kAudioUnitProperty_StreamFormat = 8,
    kAudioUnitProperty_ElementCount = 11,
    kAudioUnitProperty_Latency = 12,
    kAudioUnitProperty_SupportedNumChannels = 13,
    kAudioUnitProperty_MaximumFramesPerSlice = 14,
    kAudioUnitProperty_SetExternalBuffer = 15,
    kAudioUnitProperty_ParameterValueStrings = 16,
    kAudioUnitProperty_GetUIComponentList = 18,
    kAudioUnitProperty_AudioChannelLayout = 19,
    kAudioUnitProperty_TailTime = 20,
    kAudioUnitProperty_BypassEffect = 21,
    kAudioUnitProperty_LastRenderError = 22,
    kAudioUnitProperty_SetRenderCallback = 23,
    kAudioUnitProperty_FactoryPresets = 24,
    kAudioUnitProperty_ContextName = 25,
    kAudioUnitProperty_RenderQuality = 26,
    kAudioUnitProperty_HostCallbacks = 27,
    kAudioUnitProperty_CurrentPreset = 28,
    kAudioUnitProperty_InPlaceProcessing = 29,
    kAudioUnitProperty_ElementName = 30,
    kAudioUnitProperty_CocoaUI = 31,
    kAudioUnitProperty_SupportedChannelLayoutTags = 32,
    kAudioUnitProperty_ParameterValueName = 33,
    kAudioUnitProperty_ParameterStringFromValue = 33,
    kAudioUnitProperty_ParameterIDName = 34,
    kAudioUnitProperty_ParameterClumpName = 35,
    kAudioUnitProperty_PresentPreset = 36,
    kAudioUnitProperty_OfflineRender = 37,
    kAudioUnitProperty_ParameterValueFromString = 38,
    kAudioUnitProperty_IconLocation = 39,
    kAudioUnitProperty_PresentationLatency = 40,
    kAudioUnitProperty_DependentParameters = 45,
    kAudioUnitProperty_AUHostIdentifier = 46,
    kAudioUnitProperty_MIDIOutputCallbackInfo = 47,
    kAudioUnitProperty_MIDIOutputCallback = 48,
    kAudioUnitProperty_InputSamplesInOutput = 49,
    kAudioUnitProperty_ClassInfoFromDocument = 50,
    kAudioUnitProperty_ShouldAllocateBuffer = 51,
    kAudioUnitProperty_FrequencyResponse = 52,
    kAudioUnitProperty_ParameterHistoryInfo = 53,
    kAudioUnitProperty_NickName = 54,
    kAudioUnitProperty_RequestViewController = 56,
    kAudioUnitProperty_ParametersForOverview = 57,
    kAudioUnitProperty_SupportsMPE = 58,
    kAudioUnitProperty_RenderContextObserver = 60,
    kAudioUnitProperty_LastRenderSampleTime = 61,
    kAudioUnitProperty_LoadedOutOfProcess = 62,

    kMusicDeviceProperty_InstrumentCount = 1000,
};

enum : UInt32 {
    kRenderQuality_Max = 0x7F,
    kRenderQuality_High = 0x60,
    kRenderQuality_Medium = 0x40,
    kRenderQuality_Low = 0x20,
    kRenderQuality_Min = 0,
};

enum : AudioUnitRenderActionFlags {
    kAudioUnitRenderAction_PreRender = 1u << 2,
    kAudioUnitRenderAction_PostRender = 1u << 3,
    kAudioUnitRenderAction_OutputIsSilence = 1u << 4,
    kAudioOfflineUnitRenderAction_Preflight = 1u << 5,
    kAudioOfflineUnitRenderAction_Render = 1u << 6,
    kAudioOfflineUnitRenderAction_Complete = 1u << 7,
    kAudioUnitRenderAction_PostRenderError = 1u << 8,
    kAudioUnitRenderAction_DoNotCheckRenderArgs = 1u << 9,
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
    kAudioUnitParameterUnit_Percent = 3,
    kAudioUnitParameterUnit_Seconds = 4,
    kAudioUnitParameterUnit_SampleFrames = 5,
    kAudioUnitParameterUnit_Phase = 6,
    kAudioUnitParameterUnit_Rate = 7,
    kAudioUnitParameterUnit_Hertz = 8,
    kAudioUnitParameterUnit_Cents = 9,
    kAudioUnitParameterUnit_RelativeSemiTones = 10,
    kAudioUnitParameterUnit_MIDINoteNumber = 11,
    kAudioUnitParameterUnit_MIDIController = 12,
    kAudioUnitParameterUnit_Decibels = 13,
    kAudioUnitParameterUnit_LinearGain = 14,
    kAudioUnitParameterUnit_Degrees = 15,
    kAudioUnitParameterUnit_EqualPowerCrossfade = 16,
    kAudioUnitParameterUnit_MixerFaderCurve1 = 17,
    kAudioUnitParameterUnit_Pan = 18,
    kAudioUnitParameterUnit_Meters = 19,
    kAudioUnitParameterUnit_AbsoluteCents = 20,
    kAudioUnitParameterUnit_Octaves = 21,
    kAudioUnitParameterUnit_BPM = 22,
    kAudioUnitParameterUnit_Beats = 23,
    kAudioUnitParameterUnit_Milliseconds = 24,
    kAudioUnitParameterUnit_Ratio = 25,
    kAudioUnitParameterUnit_CustomUnit = 26,
};

typedef UInt32 AudioUnitParameterOptions;
enum : AudioUnitParameterOptions {
    kAudioUnitParameterFlag_CFNameRelease = 1u << 4,
    kAudioUnitParameterFlag_OmitFromPresets = 1u << 13,
    kAudioUnitParameterFlag_PlotHistory = 1u << 14,
    kAudioUnitParameterFlag_MeterReadOnly = 1u << 15,
    kAudioUnitParameterFlag_DisplayMask = 7u << 16 | 1u << 22,
    kAudioUnitParameterFlag_DisplaySquareRoot = 1u << 16,
    kAudioUnitParameterFlag_DisplaySquared = 2u << 16,
    kAudioUnitParameterFlag_DisplayCubed = 3u << 16,
    kAudioUnitParameterFlag_DisplayCubeRoot = 4u << 16,
    kAudioUnitParameterFlag_DisplayExponential = 5u << 16,
    kAudioUnitParameterFlag_HasClump = 1u << 20,
    kAudioUnitParameterFlag_ValuesHaveStrings = 1u << 21,
    kAudioUnitParameterFlag_DisplayLogarithmic = 1u << 22,
    kAudioUnitParameterFlag_IsHighResolution = 1u << 23,
    kAudioUnitParameterFlag_NonRealTime = 1u << 24,
    kAudioUnitParameterFlag_CanRamp = 1u << 25,
    kAudioUnitParameterFlag_ExpertMode = 1u << 26,
    kAudioUnitParameterFlag_HasCFNameString = 1u << 27,
    kAudioUnitParameterFlag_IsGlobalMeta = 1u << 28,
    kAudioUnitParameterFlag_IsElementMeta = 1u << 29,
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

enum : UInt32 {
    kMusicNoteEvent_UseGroupInstrument = 0xFFFFFFFFu,
    kMusicNoteEvent_Unused = 0xFFFFFFFFu
};

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
enum : AudioUnitCarbonViewEventID {
    kAudioUnitCarbonViewEvent_MouseDownInControl = 0,
    kAudioUnitCarbonViewEvent_MouseUpInControl = 1,
};

struct Float32Point {
    Float32 x;
    Float32 y;
};

struct AudioUnitParameter;
typedef void (*AudioUnitCarbonViewEventListener)(void* inUserData, AudioUnitCarbonView inView,
                                                 const AudioUnitParameter* inParameter,
                                                 AudioUnitCarbonViewEventID inEvent,
                                                 const void* inEventParam);

// ---- Argument records ----------------------------------------------------------------------
//
// One per call shape, naming the arguments after the instance in call order (see the packing
// convention above). The selectors that use each record are listed with it.

// kComponentCanDoSelect
struct ComponentCanDoArguments {
    SInt16 selector;
    auto Fields() { return std::tie(selector); }
};

// kAudioUnitGetPropertyInfoSelect
struct AudioUnitGetPropertyInfoArguments {
    AudioUnitPropertyID inID;
    AudioUnitScope inScope;
    AudioUnitElement inElement;
    UInt32* outDataSize;
    Boolean* outWritable;
    auto Fields() { return std::tie(inID, inScope, inElement, outDataSize, outWritable); }
};

// kAudioUnitGetPropertySelect
struct AudioUnitGetPropertyArguments {
    AudioUnitPropertyID inID;
    AudioUnitScope inScope;
    AudioUnitElement inElement;
    void* outData;
    UInt32* ioDataSize;
    auto Fields() { return std::tie(inID, inScope, inElement, outData, ioDataSize); }
};

// kAudioUnitSetPropertySelect
struct AudioUnitSetPropertyArguments {
    AudioUnitPropertyID inID;
    AudioUnitScope inScope;
    AudioUnitElement inElement;
    const void* inData;
    UInt32 inDataSize;
    auto Fields() { return std::tie(inID, inScope, inElement, inData, inDataSize); }
};

// kAudioUnitGetParameterSelect
struct AudioUnitGetParameterArguments {
    AudioUnitParameterID inID;
    AudioUnitScope inScope;
    AudioUnitElement inElement;
    AudioUnitParameterValue* outValue;
    auto Fields() { return std::tie(inID, inScope, inElement, outValue); }
};

// kAudioUnitSetParameterSelect
struct AudioUnitSetParameterArguments {
    AudioUnitParameterID inID;
    AudioUnitScope inScope;
    AudioUnitElement inElement;
    AudioUnitParameterValue inValue;
    UInt32 inBufferOffsetInFrames;
    auto Fields() { return std::tie(inID, inScope, inElement, inValue, inBufferOffsetInFrames); }
};

// kAudioUnitResetSelect
struct AudioUnitResetArguments {
    AudioUnitScope inScope;
    AudioUnitElement inElement;
    auto Fields() { return std::tie(inScope, inElement); }
};

// kAudioUnitAddPropertyListenerSelect, kAudioUnitRemovePropertyListenerWithUserDataSelect
struct AudioUnitPropertyListenerArguments {
    AudioUnitPropertyID inID;
    AudioUnitPropertyListenerProc inProc;
    void* inProcUserData;
    auto Fields() { return std::tie(inID, inProc, inProcUserData); }
};

// kAudioUnitRemovePropertyListenerSelect
struct AudioUnitRemovePropertyListenerArguments {
    AudioUnitPropertyID inID;
    AudioUnitPropertyListenerProc inProc;
    auto Fields() { return std::tie(inID, inProc); }
};

// kAudioUnitAddRenderNotifySelect, kAudioUnitRemoveRenderNotifySelect
struct AudioUnitRenderNotifyArguments {
    AURenderCallback inProc;
    void* inProcUserData;
    auto Fields() { return std::tie(inProc, inProcUserData); }
};

// kAudioUnitScheduleParametersSelect
struct AudioUnitScheduleParametersArguments {
    const AudioUnitParameterEvent* inParameterEvent;
    UInt32 inNumParamEvents;
    auto Fields() { return std::tie(inParameterEvent, inNumParamEvents); }
};

// kAudioUnitRenderSelect
struct AudioUnitRenderArguments {
    AudioUnitRenderActionFlags* ioActionFlags;
    const AudioTimeStamp* inTimeStamp;
    UInt32 inOutputBusNumber;
    UInt32 inNumberFrames;
    AudioBufferList* ioData;
    auto Fields() {
        return std::tie(ioActionFlags, inTimeStamp, inOutputBusNumber, inNumberFrames, ioData);
    }
};

// kMusicDeviceMIDIEventSelect
struct MusicDeviceMIDIEventArguments {
    UInt32 inStatus;
    UInt32 inData1;
    UInt32 inData2;
    UInt32 inOffsetSampleFrame;
    auto Fields() { return std::tie(inStatus, inData1, inData2, inOffsetSampleFrame); }
};

// kMusicDeviceSysExSelect
struct MusicDeviceSysExArguments {
    const UInt8* inData;
    UInt32 inLength;
    auto Fields() { return std::tie(inData, inLength); }
};

// kMusicDevicePrepareInstrumentSelect, kMusicDeviceReleaseInstrumentSelect
struct MusicDeviceInstrumentArguments {
    MusicDeviceInstrumentID inInstrument;
    auto Fields() { return std::tie(inInstrument); }
};

// kMusicDeviceStartNoteSelect
struct MusicDeviceStartNoteArguments {
    MusicDeviceInstrumentID inInstrument;
    MusicDeviceGroupID inGroupID;
    NoteInstanceID* outNoteInstanceID;
    UInt32 inOffsetSampleFrame;
    const MusicDeviceNoteParams* inParams;
    auto Fields() {
        return std::tie(inInstrument, inGroupID, outNoteInstanceID, inOffsetSampleFrame, inParams);
    }
};

// kMusicDeviceStopNoteSelect
struct MusicDeviceStopNoteArguments {
    MusicDeviceGroupID inGroupID;
    NoteInstanceID inNoteInstanceID;
    UInt32 inOffsetSampleFrame;
    auto Fields() { return std::tie(inGroupID, inNoteInstanceID, inOffsetSampleFrame); }
};

// kAudioUnitCarbonViewCreateSelect
struct AudioUnitCarbonViewCreateArguments {
    AudioUnit inEditAudioUnit;
    WindowRef inWindow;
    ControlRef inParentControl;
    const Float32Point* inLocation;
    const Float32Point* inSize;
    ControlRef* outControl;
    auto Fields() {
        return std::tie(inEditAudioUnit, inWindow, inParentControl, inLocation, inSize, outControl);
    }
};

// kAudioUnitCarbonViewSetEventListenerSelect
struct AudioUnitCarbonViewSetEventListenerArguments {
    AudioUnitCarbonViewEventListener inCallback;
    void* inUserData;
    auto Fields() { return std::tie(inCallback, inUserData); }
};

// ---- Host calls (AudioToolbox) -------------------------------------------------------------
//
// Each packs its arguments with the record of its selector and calls the instance's entry.
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
OSStatus AUEventListenerRemoveEventType(AUEventListenerRef inListener, void* inObject,
                                        const AudioUnitEvent* inEvent);
OSStatus AUListenerDispose(AUParameterListenerRef inListener);
// Delivers the event to every matching registration except the sender's own (same listener and
// object).
OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject,
                               const AudioUnitEvent* inEvent);
// A value-change event for the parameter.
OSStatus AUParameterListenerNotify(AUParameterListenerRef inSendingListener, void* inSendingObject,
                                   const AudioUnitParameter* inParameter);
// Sets the parameter on its unit, then notifies as AUParameterListenerNotify does.
OSStatus AUParameterSet(AUParameterListenerRef inSendingListener, void* inSendingObject,
                        const AudioUnitParameter* inParameter, AudioUnitParameterValue inValue,
                        UInt32 inBufferOffsetInFrames);
