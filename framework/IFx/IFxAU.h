#pragma once

#include "AudioUnit.h"
#include "IFxBase.h"
#include "UTL_HeapBuf.h"
#include "UTL_PtrList.h"
#include "UTL_String.h"

#include <atomic>

// What the component's factory knows about the instance it makes.
struct IFxInstanceInfo {
    UTL_String mBundleID;
    UTL_String mCocoaViewFactoryClassName;
    // When set, the folder the editor's images are read from instead of the resources of the
    // bundle named by mBundleID: for hosts that pass the plug-in's folder rather than load it
    // as a bundle.
    UTL_String mResourceFolder;
};

// The Audio Unit side of a plug-in: serves the Audio Unit (version 2) API for the effect derived
// from it. The host reaches it through IFxAUEntry, called by the component's exported entry.
//
// Every answer at the host boundary is a status code; bad arguments (unknown ids, wrong scopes
// or elements, null pointers, short buffers, values out of range) are refused and leave the
// unit as it was.
class IFxAU : public IFxBase {
public:
    enum EAUInputType {
        kNotConnected = 0,
        kDirectFastProc = 1,   // an upstream unit, pulled through its fast-dispatch render
        kDirectNoFastProc = 2, // an upstream unit, pulled through AudioUnitRender
        kRenderCallback = 3    // the host's render callback
    };

    // One bus as the host sees it, mapped onto a run of the plug-in's channels.
    struct BusChannels {
        bool mConnected;    // input: has a source; output: the host set its format
        int mNHostChannels; // -1 until the host sets a stream format
        int mNPlugChannels; // channels of the plug-in the bus spans
        int mPlugChannelStartIdx;
    };

    // Where an input bus takes its audio from.
    struct InputBusConnection {
        void* mUpstreamObj; // the upstream unit's instance storage, for its fast render
        AudioUnit mUpstreamUnit;
        int mUpstreamBusIdx;
        AudioUnitRenderProc mUpstreamRenderProc;
        AURenderCallbackStruct mUpstreamRenderCallback;
        EAUInputType mInputType;
    };

    struct PropertyListener {
        AudioUnitPropertyID mPropID;
        AudioUnitPropertyListenerProc mListenerProc;
        void* mProcArgs;
    };

    IFxAU(const IFxInstanceInfo& instanceInfo, int nParams, const char* channelIOStr, int nPresets,
          const char* effectName, const char* productName, const char* mfrName, int version,
          int uniqueID, int mfrID, int latency, bool doesMIDI, bool doesStateChunks, bool isInst,
          int sideChainChans);
    ~IFxAU() override;

    // The component entry: one call per selector, arguments packed as the platform packs them.
    // plug is the instance storage (the IFxAU made at open, null before).
    static ComponentResult IFxAUEntry(ComponentParameters* params, void* plug);
    // The legacy Carbon view component's entry; view is its own storage.
    static ComponentResult IFxAUCarbonViewEntry(ComponentParameters* params, void* view);
    // The Cocoa view factory's work: the unit's editor opened in a new view of no window (the
    // host places it; it comes autoreleased) and the plug-in told (OnGUIOpen). Null when the
    // unit is no plug-in of this process or has no editor.
    static void* OpenCocoaEditorView(AudioUnit unit);

    // Linear PCM, 32-bit float, packed; interleaved or one buffer per channel.
    static void MakeDefaultASBD(AudioStreamBasicDescription* format, double sampleRate,
                                int nChannels, bool interleaved);
    // "NotConnected", "DirectFastProc", "DirectNoFastProc", "RenderCallback".
    static const char* AUInputTypeStr(int type);

    // The fast-dispatch entries for render, get parameter and set parameter (data size 8);
    // kAudioUnitErr_InvalidElement for any other selector. Without out, only the size.
    ComponentResult GetProc(AudioUnitElement selector, UInt32* dataSize, void* out);

    const char* GetBundleID() const { return mBundleID.Get(); }
    const char* GetCocoaViewFactoryClassName() const { return mCocoaViewFactoryClassName.Get(); }
    const char* GetResourceFolder() const { return mResourceFolder.Get(); }
    // The host's handle of this instance; null until open completes.
    AudioUnit GetComponentInstance() const { return mCI; }
    bool IsActive() const { return mActive; }

    // Host notification: Audio Unit events for the global scope, element 0. They lock and
    // allocate, so they are never called from the render thread.
    void BeginInformHostOfParamChange(int paramIdx) override;
    void InformHostOfParamChange(int paramIdx, double normalizedValue) override;
    void EndInformHostOfParamChange(int paramIdx) override;
    void InformHostOfProgramChange() override;

    // Transport and musical time from the host's callbacks; defaults without them.
    double GetSamplePos() override;
    double GetTempo() override;
    void GetTimeSig(int* numerator, int* denominator) override;
    void GetTime(ITimeInfo* timeInfo) override;

    void HostSpecificInit() override;
    // Identifies the host by the main bundle's identifier when nothing identified it earlier.
    EHost GetHost() override;
    void ResizeGraphics(int width, int height) override;
    bool IsRenderingOffline() override { return mIsOffline; }
    // No MIDI output.
    bool SendMidiMsg(IMidiMsg* msg) override;
    // Also sizes the adapter's float buffers, so that render never allocates.
    void SetBlockSize(int blockSize) override;

private:
    // Properties (IFxAUProperties.cpp). GetProperty without data only reports size and
    // writability.
    ComponentResult GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                AudioUnitElement element, UInt32* dataSize, Boolean* writable,
                                void* data);
    ComponentResult SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                AudioUnitElement element, UInt32 dataSize, const void* data);
    // Scope and element checks, and whether the unit answers the property at all there.
    ComponentResult CheckPropertyAddress(AudioUnitPropertyID propID, AudioUnitScope scope,
                                         AudioUnitElement element);
    // data holds at least the property's size.
    ComponentResult ReadProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                 AudioUnitElement element, void* data);
    ComponentResult WriteProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                  AudioUnitElement element, const void* data);
    ComponentResult SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                    const AudioStreamBasicDescription* format);
    ComponentResult SetMaxFramesPerSlice(UInt32 frames);
    // The bundle holding the Cocoa view factory; null when the unit has no editor or view
    // factory, or its bundle is not loaded.
    CFBundleRef CocoaViewBundle() const;
    void InformListeners(AudioUnitPropertyID propID, AudioUnitScope scope,
                         AudioUnitElement element);
    void AddPropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc,
                             void* procArgs);
    void RemovePropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc,
                                bool matchArgs, void* procArgs);

    // Parameters (IFxAUParams.cpp).
    static OSStatus GetParamProc(void* plug, AudioUnitParameterID paramID, AudioUnitScope scope,
                                 AudioUnitElement element, AudioUnitParameterValue* value);
    static OSStatus SetParamProc(void* plug, AudioUnitParameterID paramID, AudioUnitScope scope,
                                 AudioUnitElement element, AudioUnitParameterValue value,
                                 UInt32 bufferOffset);
    OSStatus ScheduleParameters(const AudioUnitParameterEvent* events, UInt32 nEvents);
    ComponentResult GetParameterInfo(int paramIdx, AudioUnitParameterInfo* info);
    ComponentResult GetParameterValueStrings(int paramIdx, CFArrayRef* strings);
    ComponentResult GetParameterStringFromValue(AudioUnitParameterStringFromValue* request);
    ComponentResult GetParameterValueFromString(AudioUnitParameterValueFromString* request);
    ComponentResult GetParameterClumpName(AudioUnitParameterNameInfo* request);
    // Clumps are the parameter groups, numbered from 1 in the order of their first
    // parameter; kAudioUnitClumpID_System (0) for a parameter without group.
    UInt32 ParamClumpID(const IParam* param);
    void CollectParamGroups();
    void NotifyParamEvent(AudioUnitEventType type, int paramIdx);

    // Class-info state and factory presets (IFxAUState.cpp).
    OSType ComponentType() const;
    ComponentResult GetState(CFPropertyListRef* state);
    ComponentResult SetState(CFPropertyListRef state);
    ComponentResult GetFactoryPresets(CFArrayRef* presets);

    // Buses, connections and render (IFxAURender.cpp).
    static OSStatus RenderProc(void* plug, AudioUnitRenderActionFlags* ioActionFlags,
                               const AudioTimeStamp* timeStamp, UInt32 outputBusIdx, UInt32 nFrames,
                               AudioBufferList* ioData);
    OSStatus Render(AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* timeStamp,
                    UInt32 outputBusIdx, UInt32 nFrames, AudioBufferList* ioData);
    OSStatus PullInputs(const AudioTimeStamp* timeStamp, UInt32 outputBusIdx, UInt32 nFrames,
                        const AudioBufferList* ioData);
    void NotifyRender(AudioUnitRenderActionFlags flags, const AudioTimeStamp* timeStamp,
                      UInt32 outputBusIdx, UInt32 nFrames, AudioBufferList* ioData);
    // The bus of an element in the input or output scope (global means output 0); null when
    // there is none.
    BusChannels* GetBus(AudioUnitScope scope, AudioUnitElement element) const;
    static int NActiveChannels(const BusChannels& bus);
    // Whether the channel counts that the host has set, with nChannels proposed for the bus,
    // make a legal configuration.
    bool CheckLegalIO(AudioUnitScope scope, int busIdx, int nChannels) const;
    // Whether the host's channel counts, taken together, are legal (unset counts match all).
    bool CheckLegalIO() const;
    // Sets each input bus's kind from its connection and the plug-in's channel connections
    // from the buses.
    void AssessInputConnections();
    ComponentResult SetConnection(AudioUnitElement busIdx, const AudioUnitConnection* connection);
    ComponentResult SetRenderCallback(AudioUnitElement busIdx,
                                      const AURenderCallbackStruct* callback);
    void ClearConnections();
    AudioBufferList* PullBufferList(int inputBusIdx);
    void AddRenderNotify(AURenderCallback proc, void* refCon);
    void RemoveRenderNotify(AURenderCallback proc);

    // Dispatch of every selector but open and close, under the plug-in's mutex except for render
    // (IFxAU.cpp).
    ComponentResult Dispatch(ComponentParameters* params);

    UTL_String mBundleID;
    UTL_String mCocoaViewFactoryClassName;
    UTL_String mResourceFolder;
    char mParamValueString[32] = {};
    AudioUnit mCI = nullptr;
    bool mActive = false;
    bool mIsOffline = false;
    double mLastRenderSampleTime = -1.0;
    double mTempo = 120.0;
    HostCallbackInfo mHostCallbacks = {}; // the first four members; the fifth stays null
    UTL_TypedBuf<float> mInScratchBuf;    // block size floats per input channel
    UTL_TypedBuf<float> mOutScratchBuf;   // block size floats per output channel
    UTL_PtrList<AURenderCallbackStruct> mRenderNotify;
    UTL_PtrList<BusChannels> mInBuses;
    UTL_PtrList<BusChannels> mOutBuses;
    UTL_PtrList<InputBusConnection> mInBusConnections;
    UTL_PtrList<PropertyListener> mPropertyListeners;

    // Render state, all sized before render runs.
    UTL_TypedBuf<float*> mInFloatPtrs;  // one per input channel
    UTL_TypedBuf<float*> mOutFloatPtrs; // one per output channel
    UTL_HeapBuf mPullBufferLists;       // one AudioBufferList per input bus, back to back
    std::atomic<OSStatus> mLastRenderError{noErr};
    UInt32 mRenderQuality = kRenderQuality_Max;
    bool mInPlace = true; // an input may be pulled straight into the output buffers
};

// Made by the effect: constructs one instance of the plug-in for the component.
IFxAU* MakePlug();
