#pragma once

// How a call reaches a component here: this library's own plumbing, not the platform's
// published interface. Each call is packed into a ComponentParameters by the convention below,
// every selector's arguments are named by one record, and a component is opened by its entry
// function rather than found by a registered description. The host calls of AudioUnit.h pack
// with these records and IFxAU unpacks with them.

#include "AudioUnit.h"

#include <cstddef>
#include <cstring>
#include <tuple>
#include <type_traits>

// Opens an instance of the component whose entry routine is given: makes the instance record,
// then calls the entry with kComponentOpenSelect. When the entry fails, the instance is gone and
// its result is returned. (It answers a full OSStatus, as CloseComponent does, where the
// platform's Component Manager narrows results to OSErr.)
OSStatus OpenComponentWithEntry(ComponentRoutineUPP entry, ComponentInstance* outInstance);

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
