// Buses, input connections and render. Render takes no lock, allocates nothing and does no
// I/O: every buffer it uses is sized when the maximum frames per slice are set.
#include "IFxAU.h"

#include "Trace.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace {

constexpr UInt32 kBytesPerSample = sizeof(float);

size_t BufferListBytes(int nBuffers) {
    return offsetof(AudioBufferList, mBuffers) +
           static_cast<size_t>(std::max(nBuffers, 1)) * sizeof(AudioBuffer);
}

// -1 when the host has set no count on any bus.
int NHostChannels(const UTL_PtrList<IFxAU::BusChannels>& buses, int excludedIdx = -1) {
    int total = -1;
    for (int i = 0; i < buses.GetSize(); ++i) {
        const int n = buses.Get(i)->mNHostChannels;
        if (i != excludedIdx && n >= 0) total = std::max(total, 0) + n;
    }
    return total;
}

} // namespace

int IFxAU::NActiveChannels(const BusChannels& bus) {
    return bus.mNHostChannels >= 0 ? bus.mNHostChannels : bus.mNPlugChannels;
}

bool IFxAU::CheckLegalIO(AudioUnitScope scope, int busIdx, int nChannels) const {
    // The other side is not constrained here: the host may change both sides one after the
    // other, and Initialize checks them together.
    if (scope == kAudioUnitScope_Input)
        return LegalIO(std::max(NHostChannels(mInBuses, busIdx), 0) + nChannels, -1);
    return LegalIO(-1, std::max(NHostChannels(mOutBuses, busIdx), 0) + nChannels);
}

bool IFxAU::CheckLegalIO() const {
    return LegalIO(NHostChannels(mInBuses), NHostChannels(mOutBuses));
}

void IFxAU::AssessInputConnections() {
    IMutexLock lock(this);
    for (int i = 0; i < mInBuses.GetSize(); ++i) {
        BusChannels* bus = mInBuses.Get(i);
        InputBusConnection* connection = mInBusConnections.Get(i);
        if (connection->mUpstreamRenderProc)
            connection->mInputType = kDirectFastProc;
        else if (connection->mUpstreamUnit)
            connection->mInputType = kDirectNoFastProc;
        else if (connection->mUpstreamRenderCallback.inputProc)
            connection->mInputType = kRenderCallback;
        else
            connection->mInputType = kNotConnected;
        bus->mConnected = connection->mInputType != kNotConnected;
        TRACE("%d:%s:%d:%d:%d", i, AUInputTypeStr(connection->mInputType),
              bus->mPlugChannelStartIdx, bus->mNPlugChannels, bus->mNHostChannels);

        // Channels without a source read silence from their scratch buffers.
        const int nActive = bus->mConnected ? NActiveChannels(*bus) : 0;
        SetInputChannelConnections(bus->mPlugChannelStartIdx, nActive, true);
        SetInputChannelConnections(bus->mPlugChannelStartIdx + nActive,
                                   bus->mNPlugChannels - nActive, false);
    }
    for (int i = 0; i < mOutBuses.GetSize(); ++i) {
        const BusChannels* bus = mOutBuses.Get(i);
        const int nActive = NActiveChannels(*bus);
        SetOutputChannelConnections(bus->mPlugChannelStartIdx, nActive, true);
        SetOutputChannelConnections(bus->mPlugChannelStartIdx + nActive,
                                    bus->mNPlugChannels - nActive, false);
    }
    ZeroScratchBuffers();
    // A new source is pulled even for a sample time already rendered.
    mLastRenderSampleTime = -1.0;
}

ComponentResult IFxAU::SetConnection(AudioUnitElement busIdx,
                                     const AudioUnitConnection* connection) {
    // Connecting the unit to itself would pull forever.
    if (connection->destInputNumber != busIdx || (mCI && connection->sourceAudioUnit == mCI) ||
        connection->sourceOutputNumber > INT_MAX)
        return kAudioUnitErr_InvalidPropertyValue;
    InputBusConnection* input = mInBusConnections.Get(static_cast<int>(busIdx));
    *input = InputBusConnection{};
    if (AudioUnit upstream = connection->sourceAudioUnit) {
        input->mUpstreamUnit = upstream;
        input->mUpstreamBusIdx = static_cast<int>(connection->sourceOutputNumber);
        AudioUnitRenderProc renderProc = nullptr;
        UInt32 size = sizeof renderProc;
        if (AudioUnitGetProperty(upstream, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                                 kAudioUnitRenderSelect, &renderProc, &size) == noErr &&
            renderProc) {
            input->mUpstreamRenderProc = renderProc;
            input->mUpstreamObj = GetComponentInstanceStorage(upstream);
        }
    }
    AssessInputConnections();
    return noErr;
}

ComponentResult IFxAU::SetRenderCallback(AudioUnitElement busIdx,
                                         const AURenderCallbackStruct* callback) {
    InputBusConnection* input = mInBusConnections.Get(static_cast<int>(busIdx));
    *input = InputBusConnection{};
    input->mUpstreamRenderCallback = *callback;
    AssessInputConnections();
    return noErr;
}

void IFxAU::ClearConnections() {
    for (int i = 0; i < mInBuses.GetSize(); ++i) {
        BusChannels* bus = mInBuses.Get(i);
        bus->mConnected = false;
        bus->mNHostChannels = -1;
        *mInBusConnections.Get(i) = InputBusConnection{};
    }
    for (int i = 0; i < mOutBuses.GetSize(); ++i) {
        BusChannels* bus = mOutBuses.Get(i);
        bus->mConnected = false;
        bus->mNHostChannels = -1;
    }
}

void IFxAU::SetBlockSize(int blockSize) {
    const int frames = std::max(blockSize, 0);
    // Grown first, so that a failure leaves every buffer at the old block size.
    const int64_t nIn = int64_t{NInChannels()} * frames, nOut = int64_t{NOutChannels()} * frames;
    if (nIn > INT_MAX || nOut > INT_MAX) return;
    if (nIn > mInScratchBuf.GetSize() && !mInScratchBuf.Resize(static_cast<int>(nIn))) return;
    if (nOut > mOutScratchBuf.GetSize() && !mOutScratchBuf.Resize(static_cast<int>(nOut))) return;
    IFxBase::SetBlockSize(frames);
}

AudioBufferList* IFxAU::PullBufferList(int inputBusIdx) {
    size_t offset = 0;
    for (int i = 0; i < inputBusIdx; ++i)
        offset += BufferListBytes(mInBuses.Get(i)->mNPlugChannels);
    return reinterpret_cast<AudioBufferList*>(static_cast<char*>(mPullBufferLists.Get()) + offset);
}

void IFxAU::AddRenderNotify(AURenderCallback proc, void* refCon) {
    mRenderNotify.Add(new AURenderCallbackStruct{proc, refCon});
}

void IFxAU::RemoveRenderNotify(AURenderCallback proc) {
    for (int i = 0; i < mRenderNotify.GetSize(); ++i) {
        if (mRenderNotify.Get(i)->inputProc == proc) {
            mRenderNotify.Delete(i, true);
            return;
        }
    }
}

OSStatus IFxAU::RenderProc(void* plugStorage, AudioUnitRenderActionFlags* ioActionFlags,
                           const AudioTimeStamp* timeStamp, UInt32 outputBusIdx, UInt32 nFrames,
                           AudioBufferList* ioData) {
    auto* plug = static_cast<IFxAU*>(plugStorage);
    if (!plug) return badComponentInstance;
    const OSStatus result = plug->Render(ioActionFlags, timeStamp, outputBusIdx, nFrames, ioData);
    if (result != noErr) plug->mLastRenderError.store(result, std::memory_order_relaxed);
    return result;
}

void IFxAU::NotifyRender(AudioUnitRenderActionFlags flags, const AudioTimeStamp* timeStamp,
                         UInt32 outputBusIdx, UInt32 nFrames, AudioBufferList* ioData) {
    // By index: a callback may remove itself through the entry while it is called.
    for (int i = 0; i < mRenderNotify.GetSize(); ++i) {
        const AURenderCallbackStruct* notify = mRenderNotify.Get(i);
        AudioUnitRenderActionFlags notifyFlags = flags;
        notify->inputProc(notify->inputProcRefCon, &notifyFlags, timeStamp, outputBusIdx, nFrames,
                          ioData);
    }
}

OSStatus IFxAU::Render(AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* timeStamp,
                       UInt32 outputBusIdx, UInt32 nFrames, AudioBufferList* ioData) {
    const BusChannels* outBus =
        outputBusIdx <= INT_MAX ? mOutBuses.Get(static_cast<int>(outputBusIdx)) : nullptr;
    if (!timeStamp || !(timeStamp->mFlags & kAudioTimeStampSampleTimeValid) || !outBus ||
        nFrames > static_cast<UInt32>(GetBlockSize()))
        return kAudioUnitErr_InvalidPropertyValue;

    // One buffer of floats per channel, each large enough for the slice.
    const int nOut = NActiveChannels(*outBus);
    if (!ioData || ioData->mNumberBuffers < static_cast<UInt32>(nOut)) return paramErr;
    const UInt32 bytes = nFrames * kBytesPerSample;
    for (int c = 0; c < nOut; ++c) {
        const AudioBuffer& buffer = ioData->mBuffers[c];
        if (buffer.mNumberChannels != 1 || (buffer.mData && buffer.mDataByteSize < bytes))
            return paramErr;
    }

    AudioUnitRenderActionFlags flags = ioActionFlags ? *ioActionFlags : 0;
    NotifyRender(flags | kAudioUnitRenderAction_PreRender, timeStamp, outputBusIdx, nFrames,
                 ioData);

    // Buffers the host left to the unit are the unit's own.
    const int firstOut = outBus->mPlugChannelStartIdx;
    float** outPtrs = mOutFloatPtrs.Get() + firstOut;
    for (int c = 0; c < nOut; ++c) {
        AudioBuffer& buffer = ioData->mBuffers[c];
        if (!buffer.mData) buffer.mData = mOutScratchBuf.Get() + (firstOut + c) * GetBlockSize();
        buffer.mDataByteSize = bytes;
        outPtrs[c] = static_cast<float*>(buffer.mData);
    }

    OSStatus result = noErr;
    if (timeStamp->mSampleTime != mLastRenderSampleTime) {
        result = PullInputs(timeStamp, outputBusIdx, nFrames, ioData);
        if (result == noErr) mLastRenderSampleTime = timeStamp->mSampleTime;
    }
    if (result == noErr) {
        const int frames = static_cast<int>(nFrames);
        AttachOutputBuffers(firstOut, nOut, outPtrs);
        if (IsBypassed())
            PassThroughBuffers(0.0f, frames);
        else
            ProcessBuffers(0.0f, frames);
        // No host buffer stays attached once the call returns.
        SetOutputChannelConnections(firstOut, nOut, false);
        SetOutputChannelConnections(firstOut, nOut, true);
    }

    flags |= kAudioUnitRenderAction_PostRender;
    if (result != noErr) flags |= kAudioUnitRenderAction_PostRenderError;
    NotifyRender(flags, timeStamp, outputBusIdx, nFrames, ioData);
    return result;
}

OSStatus IFxAU::PullInputs(const AudioTimeStamp* timeStamp, UInt32 outputBusIdx, UInt32 nFrames,
                           const AudioBufferList* ioData) {
    const UInt32 bytes = nFrames * kBytesPerSample;
    for (int i = 0; i < mInBuses.GetSize(); ++i) {
        const BusChannels* bus = mInBuses.Get(i);
        const InputBusConnection* connection = mInBusConnections.Get(i);
        if (connection->mInputType == kNotConnected) continue;

        // In place: the input of bus i is pulled straight into the output buffers of bus i.
        const int nIn = NActiveChannels(*bus);
        const int firstIn = bus->mPlugChannelStartIdx;
        const bool inPlace = mInPlace && static_cast<UInt32>(i) == outputBusIdx &&
                             NActiveChannels(*mOutBuses.Get(i)) == nIn;
        AudioBufferList* list = PullBufferList(i);
        list->mNumberBuffers = static_cast<UInt32>(nIn);
        for (int c = 0; c < nIn; ++c) {
            void* data = inPlace ? ioData->mBuffers[c].mData
                                 : mInScratchBuf.Get() + (firstIn + c) * GetBlockSize();
            list->mBuffers[c] = AudioBuffer{1, bytes, data};
        }

        AudioUnitRenderActionFlags flags = 0;
        OSStatus result = noErr;
        switch (connection->mInputType) {
        case kDirectFastProc:
            result = connection->mUpstreamRenderProc(
                connection->mUpstreamObj, &flags, timeStamp,
                static_cast<UInt32>(connection->mUpstreamBusIdx), nFrames, list);
            break;
        case kDirectNoFastProc:
            result =
                AudioUnitRender(connection->mUpstreamUnit, &flags, timeStamp,
                                static_cast<UInt32>(connection->mUpstreamBusIdx), nFrames, list);
            break;
        case kRenderCallback: {
            const AURenderCallbackStruct& callback = connection->mUpstreamRenderCallback;
            result = callback.inputProc(callback.inputProcRefCon, &flags, timeStamp,
                                        static_cast<UInt32>(i), nFrames, list);
            break;
        }
        case kNotConnected:
            break;
        }
        if (result != noErr) return result;

        // The source may hand back buffers of its own; missing or short ones read as silence.
        float** inPtrs = mInFloatPtrs.Get() + firstIn;
        const int nReturned = static_cast<int>(std::min(list->mNumberBuffers, UInt32(nIn)));
        for (int c = 0; c < nIn; ++c) {
            const AudioBuffer& buffer = list->mBuffers[c];
            const bool usable =
                c < nReturned && buffer.mNumberChannels == 1 && buffer.mDataByteSize >= bytes;
            inPtrs[c] = usable ? static_cast<float*>(buffer.mData) : nullptr;
        }
        AttachInputBuffers(firstIn, nIn, inPtrs, static_cast<int>(nFrames));
    }
    return noErr;
}
