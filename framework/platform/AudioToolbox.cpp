// Component instances and the host calls that reach them through their entry routine.

#include "ComponentCall.h"
#include "ComponentInternal.h"

#include <ctime>
#include <new>

OSStatus OpenComponentWithEntry(ComponentRoutineUPP entry, ComponentInstance* outInstance) {
    if (!outInstance) return paramErr;
    *outInstance = nullptr;
    if (!entry) return paramErr;
    auto* instance =
        new (std::nothrow) ComponentInstanceRecord{entry, nullptr, AUDeliverEventToLocalListeners};
    if (!instance) return memFullErr;
    const ComponentResult result = CallComponentFunction(instance, kComponentOpenSelect);
    if (result != noErr) {
        delete instance;
        return result;
    }
    *outInstance = instance;
    return noErr;
}

OSStatus CloseComponent(ComponentInstance instance) {
    if (!instance) return badComponentInstance;
    const ComponentResult result = CallComponentFunction(instance, kComponentCloseSelect);
    delete instance;
    return result;
}

void SetComponentInstanceStorage(ComponentInstance instance, Handle storage) {
    if (instance) instance->storage = storage;
}

Handle GetComponentInstanceStorage(ComponentInstance instance) {
    return instance ? instance->storage : nullptr;
}

ComponentResult CallComponentEntry(ComponentInstance instance, ComponentParameters* params) {
    if (!instance || !instance->entry) return badComponentInstance;
    return instance->entry(params, instance->storage);
}

ComponentResult CallComponentCanDo(ComponentInstance instance, SInt16 selector) {
    return CallComponentFunction(instance, kComponentCanDoSelect,
                                 ComponentCanDoArguments{selector});
}

ComponentResult GetComponentVersion(ComponentInstance instance) {
    return CallComponentFunction(instance, kComponentVersionSelect);
}

UInt64 AudioGetCurrentHostTime() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<UInt64>(now.tv_sec) * 1000000000u + static_cast<UInt64>(now.tv_nsec);
}

OSStatus AudioUnitInitialize(AudioUnit inUnit) {
    return CallComponentFunction(inUnit, kAudioUnitInitializeSelect);
}

OSStatus AudioUnitUninitialize(AudioUnit inUnit) {
    return CallComponentFunction(inUnit, kAudioUnitUninitializeSelect);
}

OSStatus AudioUnitGetPropertyInfo(AudioUnit inUnit, AudioUnitPropertyID inID,
                                  AudioUnitScope inScope, AudioUnitElement inElement,
                                  UInt32* outDataSize, Boolean* outWritable) {
    return CallComponentFunction(
        inUnit, kAudioUnitGetPropertyInfoSelect,
        AudioUnitGetPropertyInfoArguments{inID, inScope, inElement, outDataSize, outWritable});
}

OSStatus AudioUnitGetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, void* outData, UInt32* ioDataSize) {
    return CallComponentFunction(
        inUnit, kAudioUnitGetPropertySelect,
        AudioUnitGetPropertyArguments{inID, inScope, inElement, outData, ioDataSize});
}

OSStatus AudioUnitSetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, const void* inData, UInt32 inDataSize) {
    return CallComponentFunction(
        inUnit, kAudioUnitSetPropertySelect,
        AudioUnitSetPropertyArguments{inID, inScope, inElement, inData, inDataSize});
}

OSStatus AudioUnitAddPropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                      AudioUnitPropertyListenerProc inProc, void* inProcUserData) {
    return CallComponentFunction(inUnit, kAudioUnitAddPropertyListenerSelect,
                                 AudioUnitPropertyListenerArguments{inID, inProc, inProcUserData});
}

OSStatus AudioUnitRemovePropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID,
                                         AudioUnitPropertyListenerProc inProc) {
    return CallComponentFunction(inUnit, kAudioUnitRemovePropertyListenerSelect,
                                 AudioUnitRemovePropertyListenerArguments{inID, inProc});
}

OSStatus AudioUnitRemovePropertyListenerWithUserData(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                     AudioUnitPropertyListenerProc inProc,
                                                     void* inProcUserData) {
    return CallComponentFunction(inUnit, kAudioUnitRemovePropertyListenerWithUserDataSelect,
                                 AudioUnitPropertyListenerArguments{inID, inProc, inProcUserData});
}

OSStatus AudioUnitAddRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData) {
    return CallComponentFunction(inUnit, kAudioUnitAddRenderNotifySelect,
                                 AudioUnitRenderNotifyArguments{inProc, inProcUserData});
}

OSStatus AudioUnitRemoveRenderNotify(AudioUnit inUnit, AURenderCallback inProc,
                                     void* inProcUserData) {
    return CallComponentFunction(inUnit, kAudioUnitRemoveRenderNotifySelect,
                                 AudioUnitRenderNotifyArguments{inProc, inProcUserData});
}

OSStatus AudioUnitGetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                               AudioUnitElement inElement, AudioUnitParameterValue* outValue) {
    return CallComponentFunction(
        inUnit, kAudioUnitGetParameterSelect,
        AudioUnitGetParameterArguments{inID, inScope, inElement, outValue});
}

OSStatus AudioUnitSetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                               AudioUnitElement inElement, AudioUnitParameterValue inValue,
                               UInt32 inBufferOffsetInFrames) {
    return CallComponentFunction(
        inUnit, kAudioUnitSetParameterSelect,
        AudioUnitSetParameterArguments{inID, inScope, inElement, inValue, inBufferOffsetInFrames});
}

OSStatus AudioUnitScheduleParameters(AudioUnit inUnit,
                                     const AudioUnitParameterEvent* inParameterEvent,
                                     UInt32 inNumParamEvents) {
    return CallComponentFunction(
        inUnit, kAudioUnitScheduleParametersSelect,
        AudioUnitScheduleParametersArguments{inParameterEvent, inNumParamEvents});
}

OSStatus AudioUnitRender(AudioUnit inUnit, AudioUnitRenderActionFlags* ioActionFlags,
                         const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                         UInt32 inNumberFrames, AudioBufferList* ioData) {
    return CallComponentFunction(inUnit, kAudioUnitRenderSelect,
                                 AudioUnitRenderArguments{ioActionFlags, inTimeStamp,
                                                          inOutputBusNumber, inNumberFrames,
                                                          ioData});
}

OSStatus AudioUnitReset(AudioUnit inUnit, AudioUnitScope inScope, AudioUnitElement inElement) {
    return CallComponentFunction(inUnit, kAudioUnitResetSelect,
                                 AudioUnitResetArguments{inScope, inElement});
}

OSStatus MusicDeviceMIDIEvent(AudioUnit inUnit, UInt32 inStatus, UInt32 inData1, UInt32 inData2,
                              UInt32 inOffsetSampleFrame) {
    return CallComponentFunction(
        inUnit, kMusicDeviceMIDIEventSelect,
        MusicDeviceMIDIEventArguments{inStatus, inData1, inData2, inOffsetSampleFrame});
}

OSStatus MusicDeviceSysEx(AudioUnit inUnit, const UInt8* inData, UInt32 inLength) {
    return CallComponentFunction(inUnit, kMusicDeviceSysExSelect,
                                 MusicDeviceSysExArguments{inData, inLength});
}

OSStatus MusicDevicePrepareInstrument(AudioUnit inUnit, MusicDeviceInstrumentID inInstrument) {
    return CallComponentFunction(inUnit, kMusicDevicePrepareInstrumentSelect,
                                 MusicDeviceInstrumentArguments{inInstrument});
}

OSStatus MusicDeviceReleaseInstrument(AudioUnit inUnit, MusicDeviceInstrumentID inInstrument) {
    return CallComponentFunction(inUnit, kMusicDeviceReleaseInstrumentSelect,
                                 MusicDeviceInstrumentArguments{inInstrument});
}

OSStatus MusicDeviceStartNote(AudioUnit inUnit, MusicDeviceInstrumentID inInstrument,
                              MusicDeviceGroupID inGroupID, NoteInstanceID* outNoteInstanceID,
                              UInt32 inOffsetSampleFrame, const MusicDeviceNoteParams* inParams) {
    return CallComponentFunction(inUnit, kMusicDeviceStartNoteSelect,
                                 MusicDeviceStartNoteArguments{inInstrument, inGroupID,
                                                               outNoteInstanceID,
                                                               inOffsetSampleFrame, inParams});
}

OSStatus MusicDeviceStopNote(AudioUnit inUnit, MusicDeviceGroupID inGroupID,
                             NoteInstanceID inNoteInstanceID, UInt32 inOffsetSampleFrame) {
    return CallComponentFunction(
        inUnit, kMusicDeviceStopNoteSelect,
        MusicDeviceStopNoteArguments{inGroupID, inNoteInstanceID, inOffsetSampleFrame});
}

OSStatus AudioUnitCarbonViewCreate(AudioUnitCarbonView inView, AudioUnit inAudioUnit,
                                   WindowRef inWindow, ControlRef inParentControl,
                                   const Float32Point* inLocation, const Float32Point* inSize,
                                   ControlRef* outControl) {
    return CallComponentFunction(inView, kAudioUnitCarbonViewCreateSelect,
                                 AudioUnitCarbonViewCreateArguments{inAudioUnit, inWindow,
                                                                    inParentControl, inLocation,
                                                                    inSize, outControl});
}

OSStatus AudioUnitCarbonViewSetEventListener(AudioUnitCarbonView inView,
                                             AudioUnitCarbonViewEventListener inCallback,
                                             void* inUserData) {
    return CallComponentFunction(
        inView, kAudioUnitCarbonViewSetEventListenerSelect,
        AudioUnitCarbonViewSetEventListenerArguments{inCallback, inUserData});
}
