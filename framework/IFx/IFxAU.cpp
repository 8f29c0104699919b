// Construction, the component entry and its selector dispatch, the fast-dispatch lookup, the
// Carbon view entry, and what the adapter asks of the host (identity, transport, tempo).
#include "IFxAU.h"

#include "ComponentCall.h"
#include "IFxAUInternal.h"
#include "IFxAUViewFactory.h"
#include "IGraphics.h"
#include "Trace.h"
#include "UTL_Mutex.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <new>

namespace {

// Every IFxAU alive in the process, so that a view handed some other unit's storage can tell it
// is not a plug-in of ours (or no longer one).
struct LivePlugs {
    UTL_Mutex mutex;
    UTL_PtrList<IFxAU> plugs;
};

// Never destroyed: plug-ins may outlive static destruction.
LivePlugs& GetLivePlugs() {
    static LivePlugs* live = new LivePlugs;
    return *live;
}

bool IsLivePlug(const IFxAU* plug) {
    LivePlugs& live = GetLivePlugs();
    UTL_MutexLock lock(&live.mutex);
    return plug && live.plugs.Find(plug) >= 0;
}

// The Carbon view component's own storage.
struct CarbonViewRecord {
    ComponentInstance mCI;
    IFxAU* mPlug;
};
static_assert(sizeof(CarbonViewRecord) == 16, "the view record holds two pointers");

bool CanDo(SInt16 selector) {
    switch (selector) {
    case kAudioUnitInitializeSelect:
    case kAudioUnitUninitializeSelect:
    case kAudioUnitGetPropertyInfoSelect:
    case kAudioUnitGetPropertySelect:
    case kAudioUnitSetPropertySelect:
    case kAudioUnitGetParameterSelect:
    case kAudioUnitSetParameterSelect:
    case kAudioUnitResetSelect:
    case kAudioUnitAddPropertyListenerSelect:
    case kAudioUnitRemovePropertyListenerSelect:
    case kAudioUnitRenderSelect:
    case kAudioUnitAddRenderNotifySelect:
    case kAudioUnitRemoveRenderNotifySelect:
    case kAudioUnitScheduleParametersSelect:
        return true;
    default: // kAudioUnitRemovePropertyListenerWithUserDataSelect included, although it works
        return false;
    }
}

// Unpacks a call's arguments and hands them to f; paramErr for a call that does not carry them.
template <class Arguments, class F>
ComponentResult WithArguments(ComponentParameters* params, F f) {
    Arguments arguments;
    if (!GetComponentArguments(params, arguments)) return paramErr;
    return f(arguments);
}

bool IsMidiData(UInt32 value) {
    return value <= 0x7F;
}

constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kNoteOff = 0x80;

} // namespace

IFxAU::IFxAU(const IFxInstanceInfo& instanceInfo, int nParams, const char* channelIOStr,
             int nPresets, const char* effectName, const char* productName, const char* mfrName,
             int version, int uniqueID, int mfrID, int latency, bool doesMIDI, bool doesStateChunks,
             bool isInst, int sideChainChans)
    : IFxBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, version, uniqueID,
              mfrID, latency, doesMIDI, doesStateChunks, isInst, kAPIAU) {
    TRACE("%s", GetEffectName());
    mBundleID.Set(instanceInfo.mBundleID.Get());
    mCocoaViewFactoryClassName.Set(instanceInfo.mCocoaViewFactoryClassName.Get());
    mResourceFolder.Set(instanceInfo.mResourceFolder.Get());

    auto addBus = [](UTL_PtrList<BusChannels>& buses, int first, int count) {
        buses.Add(new BusChannels{false, -1, count, first});
    };
    const int nIn = NInChannels(), nOut = NOutChannels();
    const int nSideChain = std::min(sideChainChans, nIn);
    if (nSideChain > 0) {
        addBus(mInBuses, 0, nIn - nSideChain);
        addBus(mInBuses, nIn - nSideChain, nSideChain);
        SetInputBusLabel(0, "main input");
        SetInputBusLabel(1, "aux input");
    } else if (nIn > 0) {
        addBus(mInBuses, 0, nIn);
        SetInputBusLabel(0, "input");
        SetInputBusLabel(1, "aux input");
    }
    for (int i = 0; i < mInBuses.GetSize(); ++i)
        mInBusConnections.Add(new InputBusConnection{});

    if (isInst) {
        for (int k = 0; 2 * k < nOut; ++k) {
            addBus(mOutBuses, 2 * k, std::min(2, nOut - 2 * k));
            UTL_String label;
            label.SetFormatted("output %i", k + 1);
            SetOutputBusLabel(k, label.Get());
        }
    } else {
        addBus(mOutBuses, 0, nOut);
        SetOutputBusLabel(0, "output");
    }

    mInFloatPtrs.Resize(nIn);
    mOutFloatPtrs.Resize(nOut);
    int pullListBytes = 0;
    for (int i = 0; i < mInBuses.GetSize(); ++i)
        pullListBytes +=
            static_cast<int>(offsetof(AudioBufferList, mBuffers) +
                             std::max(mInBuses.Get(i)->mNPlugChannels, 1) * sizeof(AudioBuffer));
    mPullBufferLists.Resize(pullListBytes);

    AssessInputConnections();
    SetBlockSize(1024);

    LivePlugs& live = GetLivePlugs();
    UTL_MutexLock lock(&live.mutex);
    live.plugs.Add(this);
}

IFxAU::~IFxAU() {
    {
        LivePlugs& live = GetLivePlugs();
        UTL_MutexLock lock(&live.mutex);
        live.plugs.Delete(live.plugs.Find(this));
    }
    mRenderNotify.Empty(true);
    mInBuses.Empty(true);
    mOutBuses.Empty(true);
    mInBusConnections.Empty(true);
    mPropertyListeners.Empty(true);
}

void IFxAU::MakeDefaultASBD(AudioStreamBasicDescription* format, double sampleRate, int nChannels,
                            bool interleaved) {
    if (!format) return;
    *format = AudioStreamBasicDescription{};
    const UInt32 channels = static_cast<UInt32>(std::max(nChannels, 0));
    format->mSampleRate = sampleRate;
    format->mFormatID = kAudioFormatLinearPCM;
    format->mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked;
    format->mBitsPerChannel = 32;
    format->mChannelsPerFrame = channels;
    format->mFramesPerPacket = 1;
    if (interleaved) {
        format->mBytesPerFrame = format->mBytesPerPacket = 4 * channels;
    } else {
        format->mFormatFlags |= kAudioFormatFlagIsNonInterleaved;
        format->mBytesPerFrame = format->mBytesPerPacket = 4;
    }
}

const char* IFxAU::AUInputTypeStr(int type) {
    switch (type) {
    case kDirectFastProc:
        return "DirectFastProc";
    case kDirectNoFastProc:
        return "DirectNoFastProc";
    case kRenderCallback:
        return "RenderCallback";
    default:
        return "NotConnected";
    }
}

ComponentResult IFxAU::IFxAUEntry(ComponentParameters* params, void* plugStorage) {
    if (!params) return paramErr;
    const SInt16 select = params->what;
    // The render selector stays out of the log: the log does I/O.
    if (select != kAudioUnitRenderSelect) TRACE("(%d:%s)", select, AUSelectStr(select));
    auto* plug = static_cast<IFxAU*>(plugStorage);
    try {
        switch (select) {
        case kComponentOpenSelect: {
            ComponentInstance instance = GetComponentCallInstance(params);
            if (!instance) return badComponentInstance;
            std::unique_ptr<IFxAU> made(MakePlug());
            if (!made) return memFullErr;
            made->HostSpecificInit();
            made->PruneUninitializedPresets();
            made->mCI = instance;
            SetComponentInstanceStorage(instance, reinterpret_cast<Handle>(made.release()));
            return noErr;
        }
        case kComponentCloseSelect:
            if (plug) {
                plug->ClearConnections();
                delete plug;
            }
            return noErr;
        case kAudioUnitRenderSelect:
            // The audio thread must never wait for the lock, which state, parameter and
            // property calls on other threads hold for as long as they take.
            if (!plug) return badComponentInstance;
            return plug->Dispatch(params);
        default: {
            if (!plug) return badComponentInstance;
            IMutexLock lock(plug);
            return plug->Dispatch(params);
        }
        }
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
}

ComponentResult IFxAU::Dispatch(ComponentParameters* params) {
    switch (params->what) {
    case kComponentVersionSelect:
        return WithArguments<NoComponentArguments>(
            params, [&](auto&) { return static_cast<ComponentResult>(GetEffectVersion(false)); });
    case kComponentCanDoSelect:
        return WithArguments<ComponentCanDoArguments>(
            params, [](auto& a) { return static_cast<ComponentResult>(CanDo(a.selector)); });
    case kAudioUnitInitializeSelect:
        return WithArguments<NoComponentArguments>(params, [&](auto&) {
            if (!CheckLegalIO()) return badComponentSelector;
            mActive = true;
            mLastRenderSampleTime = -1.0;
            OnParamReset();
            OnActivate(true);
            return noErr;
        });
    case kAudioUnitUninitializeSelect:
        return WithArguments<NoComponentArguments>(params, [&](auto&) {
            mActive = false;
            OnActivate(false);
            return noErr;
        });
    case kAudioUnitGetPropertyInfoSelect:
        return WithArguments<AudioUnitGetPropertyInfoArguments>(params, [&](auto& a) {
            UInt32 size = 0;
            Boolean writable = false;
            UInt32* sizeOut = a.outDataSize ? a.outDataSize : &size;
            Boolean* writableOut = a.outWritable ? a.outWritable : &writable;
            *writableOut = false;
            return GetProperty(a.inID, a.inScope, a.inElement, sizeOut, writableOut, nullptr);
        });
    case kAudioUnitGetPropertySelect:
        return WithArguments<AudioUnitGetPropertyArguments>(params, [&](auto& a) {
            // Without a size the host's buffer counts as empty, so nothing is written to it.
            UInt32 size = 0;
            Boolean writable = false;
            return GetProperty(a.inID, a.inScope, a.inElement, a.ioDataSize ? a.ioDataSize : &size,
                               &writable, a.outData);
        });
    case kAudioUnitSetPropertySelect:
        return WithArguments<AudioUnitSetPropertyArguments>(params, [&](auto& a) {
            return SetProperty(a.inID, a.inScope, a.inElement, a.inDataSize, a.inData);
        });
    case kAudioUnitGetParameterSelect:
        return WithArguments<AudioUnitGetParameterArguments>(params, [&](auto& a) {
            return GetParamProc(this, a.inID, a.inScope, a.inElement, a.outValue);
        });
    case kAudioUnitSetParameterSelect:
        return WithArguments<AudioUnitSetParameterArguments>(params, [&](auto& a) {
            return SetParamProc(this, a.inID, a.inScope, a.inElement, a.inValue,
                                a.inBufferOffsetInFrames);
        });
    case kAudioUnitResetSelect:
        return WithArguments<AudioUnitResetArguments>(params, [&](auto&) {
            // After a reset the host may start again at a sample time already rendered.
            mLastRenderSampleTime = -1.0;
            Reset();
            return noErr;
        });
    case kAudioUnitAddPropertyListenerSelect:
        return WithArguments<AudioUnitPropertyListenerArguments>(params, [&](auto& a) {
            if (!a.inProc) return paramErr;
            AddPropertyListener(a.inID, a.inProc, a.inProcUserData);
            return noErr;
        });
    case kAudioUnitRemovePropertyListenerSelect:
        return WithArguments<AudioUnitRemovePropertyListenerArguments>(params, [&](auto& a) {
            RemovePropertyListener(a.inID, a.inProc, false, nullptr);
            return noErr;
        });
    case kAudioUnitRemovePropertyListenerWithUserDataSelect:
        return WithArguments<AudioUnitPropertyListenerArguments>(params, [&](auto& a) {
            RemovePropertyListener(a.inID, a.inProc, true, a.inProcUserData);
            return noErr;
        });
    case kAudioUnitRenderSelect:
        return WithArguments<AudioUnitRenderArguments>(params, [&](auto& a) {
            return RenderProc(this, a.ioActionFlags, a.inTimeStamp, a.inOutputBusNumber,
                              a.inNumberFrames, a.ioData);
        });
    case kAudioUnitAddRenderNotifySelect:
        return WithArguments<AudioUnitRenderNotifyArguments>(params, [&](auto& a) {
            if (!a.inProc) return paramErr;
            AddRenderNotify(a.inProc, a.inProcUserData);
            return noErr;
        });
    case kAudioUnitRemoveRenderNotifySelect:
        return WithArguments<AudioUnitRenderNotifyArguments>(params, [&](auto& a) {
            RemoveRenderNotify(a.inProc);
            return noErr;
        });
    case kAudioUnitScheduleParametersSelect:
        return WithArguments<AudioUnitScheduleParametersArguments>(params, [&](auto& a) {
            return ScheduleParameters(a.inParameterEvent, a.inNumParamEvents);
        });
    case kMusicDeviceMIDIEventSelect:
        return WithArguments<MusicDeviceMIDIEventArguments>(params, [&](auto& a) {
            if (a.inStatus > 0xFF || !IsMidiData(a.inData1) || !IsMidiData(a.inData2) ||
                a.inOffsetSampleFrame > INT_MAX)
                return paramErr;
            IMidiMsg msg;
            msg.mOffset = static_cast<int>(a.inOffsetSampleFrame);
            msg.mStatus = static_cast<uint8_t>(a.inStatus);
            msg.mData1 = static_cast<uint8_t>(a.inData1);
            msg.mData2 = static_cast<uint8_t>(a.inData2);
            ProcessMidiMsg(&msg);
            return noErr;
        });
    case kMusicDeviceSysExSelect:
        return WithArguments<MusicDeviceSysExArguments>(params, [&](auto& a) {
            if ((!a.inData && a.inLength > 0) || a.inLength > INT_MAX) return paramErr;
            ISysEx sysEx;
            sysEx.mData = a.inData;
            sysEx.mSize = static_cast<int>(a.inLength);
            ProcessSysEx(&sysEx);
            return noErr;
        });
    case kMusicDevicePrepareInstrumentSelect:
    case kMusicDeviceReleaseInstrumentSelect:
        return WithArguments<MusicDeviceInstrumentArguments>(params, [](auto&) { return noErr; });
    case kMusicDeviceStartNoteSelect:
        return WithArguments<MusicDeviceStartNoteArguments>(params, [&](auto& a) {
            if (!a.inParams || a.inOffsetSampleFrame > INT_MAX) return paramErr;
            const Float32 pitch = a.inParams->mPitch, velocity = a.inParams->mVelocity;
            if (!(pitch >= 0.0f && pitch < 128.0f) || !(velocity >= 0.0f && velocity < 128.0f))
                return paramErr;
            const int note = static_cast<int>(pitch);
            if (a.outNoteInstanceID) *a.outNoteInstanceID = static_cast<NoteInstanceID>(note);
            IMidiMsg msg;
            msg.mOffset = static_cast<int>(a.inOffsetSampleFrame);
            msg.mStatus = kNoteOn;
            msg.mData1 = static_cast<uint8_t>(note);
            msg.mData2 = static_cast<uint8_t>(velocity);
            ProcessMidiMsg(&msg);
            return noErr;
        });
    case kMusicDeviceStopNoteSelect:
        return WithArguments<MusicDeviceStopNoteArguments>(params, [&](auto& a) {
            if (!IsMidiData(a.inNoteInstanceID) || a.inOffsetSampleFrame > INT_MAX) return paramErr;
            IMidiMsg msg;
            msg.mOffset = static_cast<int>(a.inOffsetSampleFrame);
            msg.mStatus = kNoteOff;
            msg.mData1 = static_cast<uint8_t>(a.inNoteInstanceID);
            ProcessMidiMsg(&msg);
            return noErr;
        });
    default:
        return badComponentSelector;
    }
}

ComponentResult IFxAU::GetProc(AudioUnitElement selector, UInt32* dataSize, void* out) {
    TRACE("%s:(%u:%s)", out ? "" : "Info", selector, AUSelectStr(static_cast<int>(selector)));
    if (!dataSize) return paramErr;
    if (out && *dataSize < sizeof(void*)) return kAudioUnitErr_InvalidPropertyValue;
    switch (selector) {
    case kAudioUnitRenderSelect:
        if (out) *static_cast<AudioUnitRenderProc*>(out) = RenderProc;
        break;
    case kAudioUnitSetParameterSelect:
        if (out) *static_cast<AudioUnitSetParameterProc*>(out) = SetParamProc;
        break;
    case kAudioUnitGetParameterSelect:
        if (out) *static_cast<AudioUnitGetParameterProc*>(out) = GetParamProc;
        break;
    default:
        return kAudioUnitErr_InvalidElement;
    }
    *dataSize = sizeof(void*);
    return noErr;
}

ComponentResult IFxAU::IFxAUCarbonViewEntry(ComponentParameters* params, void* viewStorage) {
    if (!params) return paramErr;
    const SInt16 select = params->what;
    TRACE("%d:%s", select, AUSelectStr(select));
    auto* view = static_cast<CarbonViewRecord*>(viewStorage);
    switch (select) {
    case kComponentOpenSelect: {
        ComponentInstance instance = GetComponentCallInstance(params);
        if (!instance) return badComponentInstance;
        auto* record = new (std::nothrow) CarbonViewRecord{instance, nullptr};
        if (!record) return memFullErr;
        SetComponentInstanceStorage(instance, reinterpret_cast<Handle>(record));
        return noErr;
    }
    case kComponentCloseSelect:
        // The unit may have been closed before its view. The editor's own window over the
        // host's goes with the view.
        if (view && IsLivePlug(view->mPlug) && view->mPlug->GetGUI()) {
            view->mPlug->GetGUI()->RemoveSubWindow();
            view->mPlug->GetGUI()->CloseWindow();
        }
        delete view;
        return noErr;
    case kAudioUnitCarbonViewCreateSelect:
        return WithArguments<AudioUnitCarbonViewCreateArguments>(params, [&](auto& a) {
            if (!view || !a.outControl) return paramErr;
            auto* plug = reinterpret_cast<IFxAU*>(GetComponentInstanceStorage(a.inEditAudioUnit));
            if (!IsLivePlug(plug) || !plug->GetGUI()) return badComponentSelector;
            view->mPlug = plug;
            const int width = a.inSize ? static_cast<int>(a.inSize->x) : 0;
            const int height = a.inSize ? static_cast<int>(a.inSize->y) : 0;
            *a.outControl = static_cast<ControlRef>(
                plug->GetGUI()->OpenWindow(a.inWindow, a.inParentControl, width, height));
            return noErr;
        });
    default:
        return badComponentSelector;
    }
}

void* IFxAU::OpenCocoaEditorView(AudioUnit unit) {
    auto* plug = reinterpret_cast<IFxAU*>(GetComponentInstanceStorage(unit));
    if (!IsLivePlug(plug) || !plug->GetGUI()) return nullptr;
    void* view = plug->GetGUI()->OpenWindow(nullptr);
    plug->OnGUIOpen();
    return view;
}

NSView* IFxAUViewFactory::uiViewForAudioUnit(AudioUnit unit, NSSize) {
    return static_cast<NSView*>(IFxAU::OpenCocoaEditorView(unit));
}

void IFxAU::HostSpecificInit() {
    GetHost();
    OnHostIdentified();
}

EHost IFxAU::GetHost() {
    if (IFxBase::GetHost() == kHostUninit) {
        char bundleID[256];
        CFBundleRef mainBundle = CFBundleGetMainBundle();
        if (mainBundle &&
            GetCFStringText(CFBundleGetIdentifier(mainBundle), bundleID, sizeof bundleID))
            SetHost(bundleID, 0);
        if (IFxBase::GetHost() == kHostUninit) SetHost("", 0);
    }
    return IFxBase::GetHost();
}

void IFxAU::ResizeGraphics(int, int) {
    if (GetGUI()) OnWindowResize();
}

bool IFxAU::SendMidiMsg(IMidiMsg*) {
    return false;
}

double IFxAU::GetTempo() {
    ITimeInfo timeInfo;
    GetTime(&timeInfo);
    return timeInfo.mTempo;
}

double IFxAU::GetSamplePos() {
    ITimeInfo timeInfo;
    GetTime(&timeInfo);
    return timeInfo.mSamplePos;
}

void IFxAU::GetTimeSig(int* numerator, int* denominator) {
    ITimeInfo timeInfo;
    GetTime(&timeInfo);
    if (numerator) *numerator = timeInfo.mNumerator;
    if (denominator) *denominator = timeInfo.mDenominator;
}

void IFxAU::GetTime(ITimeInfo* timeInfo) {
    if (!timeInfo) return;
    *timeInfo = ITimeInfo{};
    void* user = mHostCallbacks.hostUserData;
    if (mHostCallbacks.beatAndTempoProc) {
        Float64 beat = 0.0, tempo = 0.0;
        if (mHostCallbacks.beatAndTempoProc(user, &beat, &tempo) == noErr) {
            timeInfo->mPPQPos = beat;
            if (tempo > 0.0) mTempo = tempo;
        }
    }
    timeInfo->mTempo = mTempo;
    if (mHostCallbacks.musicalTimeLocationProc) {
        UInt32 deltaToNextBeat = 0, denominator = 0;
        Float32 numerator = 0.0f;
        Float64 downBeat = 0.0;
        if (mHostCallbacks.musicalTimeLocationProc(user, &deltaToNextBeat, &numerator, &denominator,
                                                   &downBeat) == noErr &&
            numerator >= 1.0f && numerator <= 64.0f && denominator >= 1 && denominator <= 64) {
            timeInfo->mNumerator = static_cast<int>(numerator);
            timeInfo->mDenominator = static_cast<int>(denominator);
            timeInfo->mLastBar = downBeat;
        }
    }
    if (mHostCallbacks.transportStateProc) {
        Boolean playing = false, changed = false, cycling = false;
        Float64 samplePos = 0.0, cycleStart = 0.0, cycleEnd = 0.0;
        if (mHostCallbacks.transportStateProc(user, &playing, &changed, &samplePos, &cycling,
                                              &cycleStart, &cycleEnd) == noErr) {
            timeInfo->mSamplePos = samplePos;
            timeInfo->mTransportIsRunning = playing;
            timeInfo->mTransportLoopEnabled = cycling;
        }
    }
}
