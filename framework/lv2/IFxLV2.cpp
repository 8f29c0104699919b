// An LV2 instance of a plug-in: ports, the real-time run, parameter changes and the state.
#include "IFxLV2.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

namespace {

uint32_t BitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The host may write a control port on another thread while the state is saved.
float ReadPort(const float* port) {
    float value;
    __atomic_load(port, &value, __ATOMIC_RELAXED);
    return value;
}

const void* FindFeature(const LV2_Feature* const* features, const char* uri) {
    for (const LV2_Feature* const* feature = features; feature && *feature; ++feature)
        if ((*feature)->URI && std::strcmp((*feature)->URI, uri) == 0) return (*feature)->data;
    return nullptr;
}

// The state chunk holds native doubles; stored as portable, it must read the same everywhere
// the plug-in is built.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the stored state is declared portable as little-endian bytes");

} // namespace

void IFxLV2OutputControl::SetValueFromPlug(double value) {
    if (mPort) *mPort = static_cast<float>(value);
}

IFxLV2::IFxLV2(std::unique_ptr<IFxBase> plug, std::vector<IFxLV2OutputControl*> outputs,
               const char* pluginURI, double sampleRate, const LV2_Feature* const* features)
    : mPlug(std::move(plug)), mOutputs(std::move(outputs)),
      mPorts(*mPlug, static_cast<int>(mOutputs.size())),
      mStateKey(std::string(pluginURI ? pluginURI : "") + "#state"),
      mAudioIn(mPorts.nAudioIn, nullptr), mAudioOut(mPorts.nAudioOut, nullptr),
      mControlIn(mPorts.nParams), mApplied(mPorts.nParams, 0), mInPtrs(mPorts.nAudioIn, nullptr),
      mOutPtrs(mPorts.nAudioOut, nullptr) {
    int blockSize = kDefaultBlockSize;
    ReadFeatures(features, &blockSize);
    mPlug->SetSampleRate(sampleRate);
    mPlug->SetBlockSize(blockSize);
    if (mPlug->GetBlockSize() != blockSize) throw std::bad_alloc();
    mPlug->SetInputChannelConnections(0, mPorts.nAudioIn, true);
    mPlug->SetOutputChannelConnections(0, mPorts.nAudioOut, true);
    // The plug-in's settings follow its parameters from the start, as after an Audio Unit's
    // initialisation.
    mPlug->OnParamReset();
    MarkPortsApplied();
}

void IFxLV2::ReadFeatures(const LV2_Feature* const* features, int* blockSize) {
    mMap = static_cast<LV2_URID_Map*>(const_cast<void*>(FindFeature(features, LV2_URID__map)));
    if (!mMap || !mMap->map) {
        mMap = nullptr;
        return;
    }
    mStateKeyURID = mMap->map(mMap->handle, mStateKey.c_str());
    mChunkURID = mMap->map(mMap->handle, LV2_ATOM__Chunk);

    const auto* options =
        static_cast<const LV2_Options_Option*>(FindFeature(features, LV2_OPTIONS__options));
    const LV2_URID maxBlockLength = mMap->map(mMap->handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID atomInt = mMap->map(mMap->handle, LV2_ATOM__Int);
    for (const LV2_Options_Option* option = options; option && (option->key || option->value);
         ++option) {
        if (option->key != maxBlockLength || option->type != atomInt ||
            option->size != sizeof(int32_t) || !option->value)
            continue;
        int32_t frames;
        std::memcpy(&frames, option->value, sizeof frames);
        if (frames > 0) *blockSize = std::min<int32_t>(frames, kMaxBlockSize);
    }
}

void IFxLV2::ConnectPort(uint32_t port, void* data) {
    if (port >= static_cast<uint32_t>(mPorts.Count())) return;
    const int index = static_cast<int>(port);
    if (index < mPorts.FirstAudioOut())
        mAudioIn[index] = static_cast<const float*>(data);
    else if (index < mPorts.FirstParam())
        mAudioOut[index - mPorts.FirstAudioOut()] = static_cast<float*>(data);
    else if (index < mPorts.FirstControlOut())
        mControlIn[index - mPorts.FirstParam()].store(static_cast<const float*>(data),
                                                      std::memory_order_relaxed);
    else
        mOutputs[index - mPorts.FirstControlOut()]->Connect(static_cast<float*>(data));
}

void IFxLV2::Activate() {
    mPlug->Reset();
    mPlug->OnActivate(true);
}

void IFxLV2::Deactivate() {
    mPlug->OnActivate(false);
}

void IFxLV2::Run(uint32_t nFrames) {
    ApplyControlChanges();
    const auto blockSize = static_cast<uint32_t>(GetBlockSize());
    uint32_t done = 0;
    // At least one call, also for 0 frames: the plug-in does per-block work (its meters).
    do {
        const uint32_t frames = std::min(nFrames - done, blockSize);
        for (int c = 0; c < mPorts.nAudioIn; ++c)
            // The attachment only reads its inputs.
            mInPtrs[c] = mAudioIn[c] ? const_cast<float*>(mAudioIn[c]) + done : nullptr;
        for (int c = 0; c < mPorts.nAudioOut; ++c)
            mOutPtrs[c] = mAudioOut[c] ? mAudioOut[c] + done : nullptr;
        mPlug->AttachInputBuffers(0, mPorts.nAudioIn, mInPtrs.data(), static_cast<int>(frames));
        mPlug->AttachOutputBuffers(0, mPorts.nAudioOut, mOutPtrs.data());
        mPlug->ProcessBuffers(0.0f, static_cast<int>(frames));
        done += frames;
    } while (done < nFrames);
}

int IFxLV2::FirstChangedControl() const {
    for (int i = 0; i < mPorts.nParams; ++i) {
        const float* port = ControlPort(i);
        if (port && BitsOf(ReadPort(port)) != mApplied[i]) return i;
    }
    return -1;
}

double IFxLV2::ValueFromPort(int paramIdx, float value) const {
    const IParam& param = *mPlug->GetParam(paramIdx);
    // The Audio Unit refuses a value that is no number, too.
    if (BitsOf(value) == mApplied[paramIdx] || !std::isfinite(value)) return param.Value();
    double lo, hi;
    param.GetBounds(&lo, &hi);
    return std::clamp(static_cast<double>(value), lo, hi);
}

void IFxLV2::ApplyControlChanges() {
    // Most blocks change nothing; they leave the mutex alone.
    const int first = FirstChangedControl();
    if (first < 0) return;
    IFxBase::IMutexLock lock(mPlug.get(), std::try_to_lock);
    if (!lock.OwnsLock()) return;
    for (int i = first; i < mPorts.nParams; ++i) {
        const float* port = ControlPort(i);
        if (!port) continue;
        const float value = ReadPort(port);
        const double target = ValueFromPort(i, value);
        mApplied[i] = BitsOf(value);
        if (target != mPlug->GetParam(i)->Value()) mPlug->SetParameterFromHost(i, target);
    }
}

void IFxLV2::MarkPortsApplied() {
    for (int i = 0; i < mPorts.nParams; ++i) {
        const float* port = ControlPort(i);
        mApplied[i] =
            BitsOf(port ? ReadPort(port) : static_cast<float>(mPlug->GetParam(i)->Value()));
    }
}

bool IFxLV2::PutPortValues(ByteChunk* chunk) const {
    for (int i = 0; i < mPorts.nParams; ++i) {
        const float* port = ControlPort(i);
        const double value = port ? ValueFromPort(i, ReadPort(port)) : mPlug->GetParam(i)->Value();
        if (chunk->Put(&value) <= 0) return false;
    }
    return true;
}

LV2_State_Status IFxLV2::SaveState(LV2_State_Store_Function store, LV2_State_Handle handle) {
    if (!store) return LV2_STATE_ERR_UNKNOWN;
    if (!mMap) return LV2_STATE_ERR_NO_FEATURE;
    ByteChunk chunk;
    {
        // Waits for a Run applying changes to finish; a Run meanwhile leaves them pending.
        IFxBase::IMutexLock lock(mPlug.get());
        // A plug-in with a chunk of its own has its ports' pending values in it from the next
        // Run on.
        const bool saved =
            mPlug->DoesStateChunks() ? mPlug->SerializeState(&chunk) : PutPortValues(&chunk);
        if (!saved || chunk.Size() <= 0) return LV2_STATE_ERR_UNKNOWN;
    }
    return store(handle, mStateKeyURID, chunk.GetBytes(), static_cast<size_t>(chunk.Size()),
                 mChunkURID, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status IFxLV2::RestoreState(LV2_State_Retrieve_Function retrieve,
                                      LV2_State_Handle handle) {
    if (!retrieve) return LV2_STATE_ERR_UNKNOWN;
    if (!mMap) return LV2_STATE_ERR_NO_FEATURE;
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* data = retrieve(handle, mStateKeyURID, &size, &type, &flags);
    if (!data) return LV2_STATE_ERR_NO_PROPERTY;
    if (type != mChunkURID) return LV2_STATE_ERR_BAD_TYPE;
    if (size == 0 || size > INT_MAX) return LV2_STATE_ERR_UNKNOWN;

    ByteChunk chunk;
    if (chunk.PutBytes(data, static_cast<int>(size)) != static_cast<int>(size))
        return LV2_STATE_ERR_UNKNOWN;
    if (!mPlug->DoesStateChunks() && !IsWholeParamState(chunk)) return LV2_STATE_ERR_UNKNOWN;
    if (mPlug->UnserializeState(&chunk, 0) <= 0) return LV2_STATE_ERR_UNKNOWN;
    MarkPortsApplied();
    return LV2_STATE_SUCCESS;
}

bool IFxLV2::IsWholeParamState(const ByteChunk& chunk) const {
    if (chunk.Size() != mPorts.nParams * static_cast<int>(sizeof(double))) return false;
    int pos = 0;
    for (int i = 0; i < mPorts.nParams; ++i) {
        double value = 0.0, lo = 0.0, hi = 0.0;
        pos = chunk.Get(&value, pos);
        mPlug->GetParam(i)->GetBounds(&lo, &hi);
        if (pos < 0 || !std::isfinite(value) || value < lo || value > hi) return false;
    }
    return true;
}

IFxLV2Descriptor::IFxLV2Descriptor(const char* pluginURI, Factory factory)
    : mDescriptor{pluginURI, Instantiate, ConnectPort, Activate,
                  Run,       Deactivate,  Cleanup,     ExtensionData},
      mFactory(factory) {
    static_assert(std::is_standard_layout_v<IFxLV2Descriptor>);
}

LV2_Handle IFxLV2Descriptor::Instantiate(const LV2_Descriptor* descriptor, double sampleRate,
                                         const char* bundlePath,
                                         const LV2_Feature* const* features) {
    if (!descriptor || !(sampleRate > 0.0)) return nullptr;
    const auto* self = reinterpret_cast<const IFxLV2Descriptor*>(descriptor);
    // Nothing may be thrown across the host's call.
    try {
        return self->mFactory(descriptor->URI, sampleRate, bundlePath, features).release();
    } catch (...) {
        return nullptr;
    }
}

void IFxLV2Descriptor::ConnectPort(LV2_Handle instance, uint32_t port, void* data) {
    if (instance) static_cast<IFxLV2*>(instance)->ConnectPort(port, data);
}

void IFxLV2Descriptor::Activate(LV2_Handle instance) {
    if (instance) static_cast<IFxLV2*>(instance)->Activate();
}

void IFxLV2Descriptor::Run(LV2_Handle instance, uint32_t nFrames) {
    if (instance) static_cast<IFxLV2*>(instance)->Run(nFrames);
}

void IFxLV2Descriptor::Deactivate(LV2_Handle instance) {
    if (instance) static_cast<IFxLV2*>(instance)->Deactivate();
}

void IFxLV2Descriptor::Cleanup(LV2_Handle instance) {
    delete static_cast<IFxLV2*>(instance);
}

const void* IFxLV2Descriptor::ExtensionData(const char* uri) {
    static const LV2_State_Interface state = {Save, Restore};
    return uri && std::strcmp(uri, LV2_STATE__interface) == 0 ? &state : nullptr;
}

LV2_State_Status IFxLV2Descriptor::Save(LV2_Handle instance, LV2_State_Store_Function store,
                                        LV2_State_Handle handle, uint32_t,
                                        const LV2_Feature* const*) {
    if (!instance) return LV2_STATE_ERR_UNKNOWN;
    return static_cast<IFxLV2*>(instance)->SaveState(store, handle);
}

LV2_State_Status IFxLV2Descriptor::Restore(LV2_Handle instance,
                                           LV2_State_Retrieve_Function retrieve,
                                           LV2_State_Handle handle, uint32_t,
                                           const LV2_Feature* const*) {
    if (!instance) return LV2_STATE_ERR_UNKNOWN;
    return static_cast<IFxLV2*>(instance)->RestoreState(retrieve, handle);
}
