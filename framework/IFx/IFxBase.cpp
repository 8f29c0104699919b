// Construction, channel configuration, settings, host identification, editor synchronisation
// and the preset makers the effect calls while it is constructed.
#include "IFxBase.h"

#include "IGraphics.h"
#include "Trace.h"
#include "UTL_Assert.h"
#include "Version.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
bool CountMatches(int requested, int supported) {
    return requested < 0 || supported < 0 || requested == supported;
}

template <class Channel>
void SetLabel(UTL_PtrList<Channel>& channels, int index, const char* label) {
    if (Channel* channel = channels.Get(index)) channel->mLabel.Set(label);
}

void ReplaceBusLabel(UTL_PtrList<UTL_String>& labels, int index, const char* label) {
    labels.Delete(index, true);
    labels.Insert(index, new UTL_String(label));
}

// Marks the parameters a named-parameter preset leaves at their current value.
constexpr double kNotGiven = 9.999e-08;

IPreset* GetNextUninitializedPreset(const UTL_PtrList<IPreset>& presets) {
    for (int i = 0; i < presets.GetSize(); ++i)
        if (!presets.Get(i)->mInitialized) return presets.Get(i);
    return nullptr;
}

// The next free preset, now initialised and named; null when every preset is taken.
IPreset* TakeNextUninitializedPreset(const UTL_PtrList<IPreset>& presets, const char* name) {
    IPreset* preset = GetNextUninitializedPreset(presets);
    if (preset) {
        preset->mInitialized = true;
        preset->SetName(name);
    }
    return preset;
}

// Bool, int and enum values travel through the variable arguments as ints, others as doubles.
double NextValueArg(va_list& args, EParamKind kind) {
    switch (kind) {
    case kParamKindBool:
    case kParamKindInt:
    case kParamKindEnum:
        return va_arg(args, int);
    default:
        return va_arg(args, double);
    }
}
} // namespace

IFxBase::IFxBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
                 const char* productName, const char* mfrName, int version, int uniqueID, int mfrID,
                 int latency, bool doesMIDI, bool doesStateChunks, bool isInst, EAPI api)
    : mUniqueID(uniqueID), mMfrID(mfrID), mVersion(version), mAPI(api),
      mStateChunks(doesStateChunks), mIsInst(isInst), mDoesMIDI(doesMIDI), mLatency(latency) {
    TRACE("%s:%s", effectName ? effectName : "", CurrentTime());

    for (int i = 0; i < nParams; ++i)
        mParams.Add(new IParam);
    for (int i = 0; i < nPresets; ++i)
        mPresets.Add(new IPreset(i));

    UTL_CopyText(mEffectName, sizeof mEffectName, effectName);
    UTL_CopyText(mProductName, sizeof mProductName, productName);
    UTL_CopyText(mMfrName, sizeof mMfrName, mfrName);

    int nInputs = 0, nOutputs = 0;
    const char* item = channelIOStr ? channelIOStr : "";
    for (;;) {
        int nIn = 0, nOut = 0;
        const bool channelIOStrValid = std::sscanf(item, "%d-%d", &nIn, &nOut) == 2;
        UTL_ASSERT(channelIOStrValid);
        mChannelIO.Add(new ChannelIO{nIn, nOut});
        nInputs = std::max(nInputs, nIn);
        nOutputs = std::max(nOutputs, nOut);
        item = std::strchr(item, ' ');
        if (!item) break;
        ++item;
    }

    mInData.Resize(nInputs);
    mOutData.Resize(nOutputs);
    for (int i = 0; i < nInputs; ++i) {
        InChannel* channel = mInChannels.Add(new InChannel);
        channel->mSrc = mInData.Get() + i;
    }
    for (int i = 0; i < nOutputs; ++i) {
        OutChannel* channel = mOutChannels.Add(new OutChannel);
        channel->mDest = mOutData.Get() + i;
    }

    // Bypass must keep the timing the host compensates for.
    if (latency > 0) {
        mDelay = std::make_unique<NChanDelayLine>(nInputs, nOutputs);
        mDelay->SetDelayTime(latency);
    }
}

IFxBase::~IFxBase() {
    mGraphics.reset();
    mParams.Empty(true);
    mPresets.Empty(true);
    mInChannels.Empty(true);
    mOutChannels.Empty(true);
    mChannelIO.Empty(true);
    mInputBusLabels.Empty(true);
    mOutputBusLabels.Empty(true);
    mDelay.reset();
}

void IFxBase::Reset() {
    IMutexLock lock(this);
}

void IFxBase::OnParamChange(int) {
    IMutexLock lock(this);
}

void IFxBase::OnActivate(bool) {
    IMutexLock lock(this);
}

void IFxBase::ProcessMidiMsg(IMidiMsg* msg) {
    SendMidiMsg(msg);
}

bool IFxBase::MidiNoteName(int, char* name) {
    if (name) *name = '\0';
    return false;
}

bool IFxBase::LegalIO(int nIn, int nOut) const {
    bool legal = false;
    for (int i = 0; i < mChannelIO.GetSize() && !legal; ++i) {
        const ChannelIO* io = mChannelIO.Get(i);
        legal = CountMatches(nIn, io->mIn) && CountMatches(nOut, io->mOut);
    }
    TRACE("%d:%d:%s", nIn, nOut, legal ? "legal" : "illegal");
    return legal;
}

void IFxBase::LimitToStereoIO() {
    const int nIn = NInChannels(), nOut = NOutChannels();
    if (nIn > 2) SetInputChannelConnections(2, nIn - 2, false);
    if (nOut > 2) SetOutputChannelConnections(2, nOut - 2, true);
}

void IFxBase::SetInputChannelConnections(int first, int count, bool connected) {
    int begin, end;
    ChannelRange(first, count, NInChannels(), &begin, &end);
    for (int i = begin; i < end; ++i) {
        InChannel* channel = mInChannels.Get(i);
        channel->mConnected = connected;
        if (!connected) *channel->mSrc = channel->mScratchBuf.Get();
    }
}

void IFxBase::SetOutputChannelConnections(int first, int count, bool connected) {
    int begin, end;
    ChannelRange(first, count, NOutChannels(), &begin, &end);
    for (int i = begin; i < end; ++i) {
        OutChannel* channel = mOutChannels.Get(i);
        channel->mConnected = connected;
        if (!connected) {
            *channel->mDest = channel->mScratchBuf.Get();
            channel->mFDest = nullptr;
        }
    }
}

bool IFxBase::IsInChannelConnected(int index) const {
    const InChannel* channel = mInChannels.Get(index);
    return channel && channel->mConnected;
}

bool IFxBase::IsOutChannelConnected(int index) const {
    const OutChannel* channel = mOutChannels.Get(index);
    return channel && channel->mConnected;
}

void IFxBase::SetInputLabel(int index, const char* label) {
    SetLabel(mInChannels, index, label);
}

void IFxBase::SetOutputLabel(int index, const char* label) {
    SetLabel(mOutChannels, index, label);
}

const char* IFxBase::GetInputLabel(int index) const {
    const InChannel* channel = mInChannels.Get(index);
    return channel ? channel->mLabel.Get() : "";
}

const char* IFxBase::GetOutputLabel(int index) const {
    const OutChannel* channel = mOutChannels.Get(index);
    return channel ? channel->mLabel.Get() : "";
}

void IFxBase::SetInputBusLabel(int index, const char* label) {
    if (index == 0 || index == 1) ReplaceBusLabel(mInputBusLabels, index, label);
}

void IFxBase::SetOutputBusLabel(int index, const char* label) {
    if (index >= 0) ReplaceBusLabel(mOutputBusLabels, index, label);
}

void IFxBase::SetBlockSize(int blockSize) {
    blockSize = std::max(blockSize, 0);
    if (blockSize == mBlockSize) return;
    // Growing may move a scratch buffer, so the slots that read or write it follow it.
    auto resize = [blockSize](UTL_TypedBuf<double>& scratch, double** slot) {
        const bool slotUsesScratch = *slot == scratch.Get();
        if (double* samples = scratch.Resize(blockSize)) std::fill_n(samples, blockSize, 0.0);
        if (slotUsesScratch) *slot = scratch.Get();
    };
    for (int i = 0; i < NInChannels(); ++i)
        resize(mInChannels.Get(i)->mScratchBuf, mInChannels.Get(i)->mSrc);
    for (int i = 0; i < NOutChannels(); ++i)
        resize(mOutChannels.Get(i)->mScratchBuf, mOutChannels.Get(i)->mDest);
    mBlockSize = blockSize;
}

void IFxBase::SetLatency(int samples) {
    mLatency = samples;
    if (samples > 0 && !mDelay)
        mDelay = std::make_unique<NChanDelayLine>(NInChannels(), NOutChannels());
    if (mDelay) mDelay->SetDelayTime(samples);
}

int IFxBase::GetEffectVersion(bool decimal) const {
    return decimal ? GetDecimalVersion(mVersion) : mVersion;
}

void IFxBase::GetEffectVersionStr(char* buffer, size_t bufferSize) const {
    if (!buffer || bufferSize == 0) return;
    GetVersionStr(mVersion, buffer, bufferSize);
    const size_t length = std::strlen(buffer);
    if (length + 1 < bufferSize) std::memcpy(buffer + length, "D", 2);
}

const char* IFxBase::GetAPIString() const {
    switch (mAPI) {
    case kAPIVST2:
        return "VST2";
    case kAPIVST3:
        return "VST3";
    case kAPIAU:
        return "AU";
    case kAPIRTAS:
        return "RTAS";
    case kAPIAAX:
        return "AAX";
    case kAPISA:
        return "Standalone";
    }
    return "";
}

double IFxBase::GetSamplesPerBeat() {
    const double tempo = GetTempo();
    return tempo > 0.0 ? mSampleRate * 60.0 / tempo : 0.0;
}

void IFxBase::SetHost(const char* host, int version) {
    mHost = LookUpHost(host);
    mHostVersion = version;
    char versionText[32];
    GetVersionStr(version, versionText, sizeof versionText);
    TRACE("host_%sknown:%s:%s", mHost == kHostUnknown ? "un" : "", host ? host : "", versionText);
}

int IFxBase::GetHostVersion(bool decimal) const {
    return decimal ? GetDecimalVersion(mHostVersion) : mHostVersion;
}

void IFxBase::AttachGraphics(IGraphics* graphics) {
    if (!graphics) return;
    IMutexLock lock(this);
    for (int i = 0; i < NParams(); ++i)
        graphics->SetParameterFromPlug(i, GetParam(i)->GetNormalized(), true);
    graphics->PrepDraw();
    if (graphics != mGraphics.get()) mGraphics.reset(graphics);
}

void IFxBase::RedrawParamControls() {
    if (!mGraphics) return;
    for (int i = 0; i < NParams(); ++i)
        mGraphics->SetParameterFromPlug(i, GetParam(i)->Value(), false);
}

void IFxBase::SetParameterFromGUI(int paramIdx, double normalizedValue) {
    TRACE("%d:%f", paramIdx, normalizedValue);
    IMutexLock lock(this);
    IParam* param = GetParam(paramIdx);
    if (!param) return;
    param->SetNormalized(normalizedValue);
    InformHostOfParamChange(paramIdx, normalizedValue);
    OnParamChange(paramIdx);
}

void IFxBase::SetParameterFromHost(int paramIdx, double value) {
    IMutexLock lock(this);
    IParam* param = GetParam(paramIdx);
    if (!param) return;
    param->Set(value);
    if (mGraphics) mGraphics->SetParameterFromPlug(paramIdx, param->Value(), false);
    OnParamChange(paramIdx);
}

void IFxBase::DirtyParameters() {
    IMutexLock lock(this);
    for (int i = 0; i < NParams(); ++i)
        InformHostOfParamChange(i, GetParam(i)->GetNormalized());
}

void IFxBase::OnParamReset() {
    for (int i = 0; i < NParams(); ++i)
        OnParamChange(i);
}

void IFxBase::MakeDefaultPreset(const char* name, int count) {
    for (int i = 0; i < count; ++i) {
        IPreset* preset = TakeNextUninitializedPreset(mPresets, name ? name : "Empty");
        if (!preset) return;
        SerializeState(&preset->mChunk);
    }
}

void IFxBase::MakePreset(const char* name, ...) {
    IPreset* preset = TakeNextUninitializedPreset(mPresets, name);
    if (!preset) return;
    va_list args;
    va_start(args, name);
    for (int i = 0; i < NParams(); ++i) {
        const double value = NextValueArg(args, GetParam(i)->Type());
        preset->mChunk.Put(&value);
    }
    va_end(args);
}

void IFxBase::MakePresetFromNamedParams(const char* name, int nParamsNamed, ...) {
    IPreset* preset = TakeNextUninitializedPreset(mPresets, name);
    if (!preset) return;
    const int n = NParams();
    std::vector<double> values(static_cast<size_t>(n), kNotGiven);
    va_list args;
    va_start(args, nParamsNamed);
    for (int i = 0; i < nParamsNamed; ++i) {
        const int paramIdx = va_arg(args, int);
        UTL_ASSERT(paramIdx >= 0 && paramIdx < n);
        values[static_cast<size_t>(paramIdx)] = NextValueArg(args, GetParam(paramIdx)->Type());
    }
    va_end(args);
    for (int i = 0; i < n; ++i) {
        double& value = values[static_cast<size_t>(i)];
        if (value == kNotGiven) value = GetParam(i)->Value();
        preset->mChunk.Put(&value);
    }
}

void IFxBase::MakePresetFromChunk(const char* name, const ByteChunk* chunk) {
    if (IPreset* preset = TakeNextUninitializedPreset(mPresets, name))
        preset->mChunk.PutChunk(chunk);
}

void IFxBase::MakePresetFromBlob(const char* name, const char* blob, int chunkSize) {
    ByteChunk chunk;
    chunk.Resize(std::max(chunkSize, 0));
    base64decode(blob, chunk.GetBytes(), chunk.Size());
    MakePresetFromChunk(name, &chunk);
}

void IFxBase::EnsureDefaultPreset() {
    MakeDefaultPreset("Empty", NPresets());
}
