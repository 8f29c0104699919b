#pragma once

#include "Hosts.h"
#include "IFxStructs.h"
#include "IParam.h"
#include "UTL_HeapBuf.h"
#include "UTL_Mutex.h"
#include "UTL_PtrList.h"
#include "UTL_String.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

class IGraphics;

// The plug-in API a build serves. Stored as a plain 32-bit code, so any value is well defined.
enum EAPI : int32_t {
    kAPIVST2 = 0,
    kAPIVST3 = 1,
    kAPIAU = 2,
    kAPIRTAS = 3,
    kAPIAAX = 4,
    kAPISA = 5
};

// Delays every channel by the same number of frames, for pass-through of a plug-in that
// reports latency.
class NChanDelayLine {
public:
    NChanDelayLine(int nInputChannels, int nOutputChannels);

    // Sets the delay, clears the line and starts writing at its beginning.
    void SetDelayTime(int delayFrames);
    uint64_t GetDelayTime() const { return mDelayTime; }
    void ClearBuffer();
    // Channels present on both sides are delayed; other inputs are ignored and other outputs
    // untouched. Inputs and outputs may be the same buffers.
    void ProcessBlock(double** inputs, double** outputs, int nFrames);

private:
    UTL_TypedBuf<double> mBuffer; // one ring of delay-time samples per input, channel after channel
    uint64_t mWritePos = 0;
    uint32_t mNInputChannels;
    uint32_t mNOutputChannels;
    uint64_t mDelayTime = 0;
};

// The host-independent core of a plug-in: parameters, presets, channel configuration, buffers
// and the virtual interface through which a host adapter and an effect meet.
class IFxBase {
public:
    struct ChannelIO {
        int mIn;
        int mOut;
    };

    // The slot is this channel's entry in the array handed to ProcessDoubleReplacing.
    struct InChannel {
        bool mConnected = false;
        double** mSrc = nullptr;
        UTL_TypedBuf<double> mScratchBuf;
        UTL_String mLabel;
    };
    struct OutChannel {
        bool mConnected = false;
        double** mDest = nullptr;
        float* mFDest = nullptr; // the host's single-precision buffer, when attached as float
        UTL_TypedBuf<double> mScratchBuf;
        UTL_String mLabel;
    };

    // Holds the plug-in's recursive mutex for a scope. The try form never waits (for the audio
    // thread): it holds the mutex only if it was free or already held by this thread.
    class IMutexLock {
    public:
        explicit IMutexLock(IFxBase* plug) : mLock(plug ? &plug->mMutex : nullptr) {}
        IMutexLock(IFxBase* plug, std::try_to_lock_t)
            : mLock(plug ? &plug->mMutex : nullptr, std::try_to_lock) {}
        bool OwnsLock() const { return mLock.OwnsLock(); }

    private:
        UTL_MutexLock mLock;
    };

    static constexpr int kNameSize = 128;                   // 127 characters and the terminator
    static constexpr int32_t kIFxVersionMagic = 0x70666674; // "pfft"
    static constexpr int32_t kIFxVersion = 0x00010000;      // 1.0.0

    // channelIOStr lists the legal "inputs-outputs" pairs separated by single blanks, e.g.
    // "1-1 2-2"; a string that does not parse is a programming error and stops the program.
    IFxBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
            const char* productName, const char* mfrName, int version, int uniqueID, int mfrID,
            int latency, bool doesMIDI, bool doesStateChunks, bool isInst, EAPI api);
    virtual ~IFxBase();
    IFxBase(const IFxBase&) = delete;
    IFxBase& operator=(const IFxBase&) = delete;

    // The virtual interface; the order of declaration is the order of the slots.
    virtual void Reset();
    virtual void OnParamChange(int paramIdx);
    // Copies input j to output j while there are inputs and fills the other outputs with zeros.
    virtual void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames);
    virtual void OnGUIOpen() {}
    virtual void OnGUIClose() {}
    virtual void OnIdle() {}
    virtual void OnActivate(bool active);
    virtual void ProcessMidiMsg(IMidiMsg* msg);
    virtual void ProcessSysEx(ISysEx* /*sysEx*/) {}
    virtual bool MidiNoteName(int noteNumber, char* name);
    virtual bool SerializeState(ByteChunk* chunk) { return SerializeParams(chunk); }
    virtual int UnserializeState(const ByteChunk* chunk, int startPos) {
        return UnserializeParams(chunk, startPos);
    }
    // True when the parameters match the doubles stored in data from double number startPos
    // on, to within 1e-5 in single precision; false when data holds fewer than needed.
    virtual bool CompareState(const unsigned char* data, int dataSize, int startPos);
    virtual void OnWindowResize() {}
    virtual bool HostRequestingAboutBox() { return false; }
    virtual void OnHostIdentified() {}
    virtual void PopupHostContextMenuForParam(int /*paramIdx*/, int /*x*/, int /*y*/) {}
    virtual void SetParameterFromGUI(int paramIdx, double normalizedValue);
    virtual void BeginInformHostOfParamChange(int paramIdx) = 0;
    virtual void InformHostOfParamChange(int paramIdx, double normalizedValue) = 0;
    virtual void EndInformHostOfParamChange(int paramIdx) = 0;
    virtual void InformHostOfProgramChange() = 0;
    virtual bool IsRenderingOffline() { return false; }
    virtual double GetSamplePos() = 0;
    virtual double GetTempo() = 0;
    virtual void GetTimeSig(int* numerator, int* denominator) = 0;
    virtual void GetTime(ITimeInfo* timeInfo) = 0;
    virtual EHost GetHost() { return mHost; }
    virtual EAPI GetAPI() { return mAPI; }
    virtual void ResizeGraphics(int width, int height) = 0;
    virtual void HostSpecificInit() {}
    // Takes ownership; pushes every parameter's normalised value into the editor first.
    virtual void AttachGraphics(IGraphics* graphics);
    virtual void SetLatency(int samples);
    virtual bool SendMidiMsg(IMidiMsg* msg) = 0;
    virtual bool SendSysEx(ISysEx* /*sysEx*/) { return false; }
    virtual void RedrawParamControls();
    virtual void DirtyPTCompareState() {}
    virtual void PresetsChangedByHost() {}
    virtual void SetBlockSize(int blockSize);

    // Channel configuration. A negative count matches any count.
    bool LegalIO(int nIn, int nOut) const;
    int NChannelIO() const { return mChannelIO.GetSize(); }
    const ChannelIO* GetChannelIO(int index) const { return mChannelIO.Get(index); }
    void LimitToStereoIO();
    // An unconnected channel reads or writes its own scratch buffer.
    void SetInputChannelConnections(int first, int count, bool connected);
    void SetOutputChannelConnections(int first, int count, bool connected);
    bool IsInChannelConnected(int index) const;
    bool IsOutChannelConnected(int index) const;
    int NInChannels() const { return mInChannels.GetSize(); }
    int NOutChannels() const { return mOutChannels.GetSize(); }
    void SetInputLabel(int index, const char* label);
    void SetOutputLabel(int index, const char* label);
    // "" for an index outside the channels.
    const char* GetInputLabel(int index) const;
    const char* GetOutputLabel(int index) const;
    // Input buses 0 and 1 only; a position past the end of the list appends.
    void SetInputBusLabel(int index, const char* label);
    void SetOutputBusLabel(int index, const char* label);
    const UTL_String* GetInputBusLabel(int index) const { return mInputBusLabels.Get(index); }
    const UTL_String* GetOutputBusLabel(int index) const { return mOutputBusLabels.Get(index); }

    // The render path: attach the host's buffers to the channels (one pointer per connected
    // channel in [first, first + count)), then process. These neither allocate nor lock.
    // Scratch buffers hold the block size, so float buffers and unconnected channels limit a
    // block to that many frames; float outputs get zeros beyond what was processed.
    // Processing and the conversion to float run with subnormals flushed to zero
    // (UTL_FlushDenormals): normal results are exact, decaying tails end in true zeros, and no
    // subnormal sample reaches the host.
    void AttachInputBuffers(int first, int count, double* const* buffers);
    void AttachInputBuffers(int first, int count, float* const* buffers, int nFrames);
    void AttachOutputBuffers(int first, int count, double* const* buffers);
    void AttachOutputBuffers(int first, int count, float* const* buffers);
    // The tag only selects the sample type of the outputs.
    void ProcessBuffers(double tag, int nFrames);
    void ProcessBuffers(float tag, int nFrames);
    void ProcessBuffersAccumulating(float tag, int nFrames);
    // Copies inputs to outputs (through the delay line when the plug-in has latency and one).
    void PassThroughBuffers(double tag, int nFrames);
    void PassThroughBuffers(float tag, int nFrames);
    void ZeroScratchBuffers();

    // Settings and identity.
    void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
    double GetSampleRate() const { return mSampleRate; }
    int GetBlockSize() const { return mBlockSize; }
    int GetLatency() const { return mLatency; }
    uint32_t GetTailSize() const { return mTailSize; }
    int GetUniqueID() const { return mUniqueID; }
    int GetMfrID() const { return mMfrID; }
    const char* GetEffectName() const { return mEffectName; }
    const char* GetProductName() const { return mProductName; }
    const char* GetMfrName() const { return mMfrName; }
    bool IsInst() const { return mIsInst; }
    bool DoesMIDI() const { return mDoesMIDI; }
    bool DoesStateChunks() const { return mStateChunks; }
    // Atomic: hosts switch bypass on their main thread while the audio thread renders.
    bool IsBypassed() const { return mIsBypassed.load(std::memory_order_relaxed); }
    void SetBypassed(bool bypassed) { mIsBypassed.store(bypassed, std::memory_order_relaxed); }
    int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
    IGraphics* GetGUI() const { return mGraphics.get(); }
    int NParams() const { return mParams.GetSize(); }
    int NPresets() const { return mPresets.GetSize(); }
    // Null for an index outside the parameters.
    IParam* GetParam(int index) const { return mParams.Get(index); }
    int GetEffectVersion(bool decimal) const;
    // The version text with "D" appended, cut to the buffer.
    void GetEffectVersionStr(char* buffer, size_t bufferSize) const;
    const char* GetArchString() const { return "x64"; }
    // "VST2", "VST3", "AU", "RTAS", "AAX", "Standalone"; "" for any other code.
    const char* GetAPIString() const;
    double GetSamplesPerBeat();

    // Identifies the host from the name or bundle identifier it reports.
    void SetHost(const char* host, int version);
    int GetHostVersion(bool decimal) const;

    // Parameter synchronisation with the editor and the host.
    // A host's change, holding the mutex: the parameter's Set (which clamps and ignores a NaN),
    // the editor's SetParameterFromPlug with the real value, then OnParamChange.
    void SetParameterFromHost(int paramIdx, double value);
    void DirtyParameters();
    // OnParamChange for every parameter in index order.
    void OnParamReset();

    // State: the parameter values as doubles in index order, nothing else. Unserialising
    // clamps each value to its parameter's range and returns the position after the last value
    // read, or -1 (parameters untouched) when the chunk holds fewer values than there are
    // parameters or a value that is not finite.
    bool SerializeParams(ByteChunk* chunk);
    int UnserializeParams(const ByteChunk* chunk, int startPos);
    // Per preset: its name, its initialised flag and, when set, its state bytes.
    bool SerializePresets(ByteChunk* chunk);
    int UnserializePresets(const ByteChunk* chunk, int startPos);

    // Each Make operation fills the first preset not yet initialised, and does nothing when
    // every preset is.

    // count presets named name ("Empty" for null) take the current state.
    void MakeDefaultPreset(const char* name, int count);
    // One value per parameter follows the name: an int for bool, int and enum parameters, a
    // double for the others.
    void MakePreset(const char* name, ...);
    // nParamsNamed pairs of (parameter index, value typed as for MakePreset) follow; parameters
    // not named keep their current value.
    void MakePresetFromNamedParams(const char* name, int nParamsNamed, ...);
    void MakePresetFromChunk(const char* name, const ByteChunk* chunk);
    // A chunk of chunkSize bytes, decoded from base64 text.
    void MakePresetFromBlob(const char* name, const char* blob, int chunkSize);
    // Every preset not yet made takes the current state, named "Empty".
    void EnsureDefaultPreset();
    void PruneUninitializedPresets();

    // Restoring a preset that was never made captures the current state into it instead.
    bool RestorePreset(int index);
    bool RestorePreset(const char* name);
    // Stores the current state in the current preset, renaming it when name is not empty.
    void ModifyCurrentPreset(const char* name = nullptr);
    // "" for an index outside the presets.
    const char* GetPresetName(int index) const;

    // The file version header: magic and framework version.
    static void InitChunkWithIFxVer(ByteChunk* chunk);
    // The version after a header at *pos, moving *pos past it; 0 (pos unchanged) without one.
    static int GetIFxVerFromChunk(const ByteChunk* chunk, int* pos);

    // Developer dumps: presets as source text. Each returns false when the file cannot be
    // written. paramNames holds one source name per parameter.
    bool DumpPresetSrcCode(const char* path, const char* const* paramNames) const;
    bool DumpPresetBlob(const char* path) const;
    bool DumpBankBlob(const char* path) const;

protected:
    UTL_Mutex mMutex;
    // Distinct parameter group names met by the host adapter, in order of first use.
    UTL_PtrList<const char> mParamGroups;

private:
    // The channels of [first, first + count) that exist, as [*begin, *end).
    static void ChannelRange(int first, int count, int nChannels, int* begin, int* end);
    template <class Channel, class Buffer, class Attach>
    static void AttachEach(UTL_PtrList<Channel>& channels, int first, int count,
                           Buffer* const* buffers, Attach&& attach);
    // Frames that every channel's current buffer can take, at most nFrames.
    int FramesToProcess(int nFrames) const;
    void ConvertFloatOutputs(int nFrames, bool accumulate);

    UTL_PtrList<ChannelIO> mChannelIO;
    char mEffectName[kNameSize] = {};
    char mProductName[kNameSize] = {};
    char mMfrName[kNameSize] = {};
    int mUniqueID;
    int mMfrID;
    int mVersion;
    EAPI mAPI;
    EHost mHost = kHostUninit;
    int mHostVersion = 0;
    bool mStateChunks;
    bool mIsInst;
    bool mDoesMIDI;
    std::atomic<bool> mIsBypassed{false};
    int mCurrentPresetIdx = 0;
    double mSampleRate = 44100.0;
    int mBlockSize = 0;
    int mLatency;
    uint32_t mTailSize = 0;
    std::unique_ptr<NChanDelayLine> mDelay;
    std::unique_ptr<IGraphics> mGraphics;
    UTL_PtrList<IParam> mParams;
    UTL_PtrList<IPreset> mPresets;
    UTL_TypedBuf<double*> mInData;
    UTL_TypedBuf<double*> mOutData;
    UTL_PtrList<InChannel> mInChannels;
    UTL_PtrList<OutChannel> mOutChannels;
    UTL_PtrList<UTL_String> mInputBusLabels;
    UTL_PtrList<UTL_String> mOutputBusLabels;
};

// Base64 with the standard alphabet and "=" padding.
// Characters of the text that encodes length bytes, terminator not counted; -1 when that number
// exceeds the int range.
int Base64EncodedLength(int length);
// Writes the text and its terminator and returns the text length; -1 (writing "" when
// outSize > 0) when out cannot hold Base64EncodedLength(length) + 1 characters.
int base64encode(const unsigned char* in, int length, char* out, int outSize);
// Decodes up to the first character outside the alphabet; bytes past maxBytes are dropped.
// Returns the number of bytes written.
int base64decode(const char* in, unsigned char* out, int maxBytes);
