#pragma once

#include "IControl.h"
#include "IFxBase.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The ports of a plug-in as LV2 numbers them: its audio inputs, its audio outputs, one control
// input per parameter in index order, then the control outputs it feeds (meters and the like).
struct IFxLV2Ports {
    IFxLV2Ports(const IFxBase& plug, int nControlOutputs)
        : nAudioIn(plug.NInChannels()), nAudioOut(plug.NOutChannels()), nParams(plug.NParams()),
          nControlOut(nControlOutputs) {}

    int FirstAudioOut() const { return nAudioIn; }
    int FirstParam() const { return nAudioIn + nAudioOut; }
    int FirstControlOut() const { return FirstParam() + nParams; }
    int Count() const { return FirstControlOut() + nControlOut; }

    int nAudioIn;
    int nAudioOut;
    int nParams;
    int nControlOut;
};

// A control that publishes what the plug-in shows on it to an LV2 control output port: it
// stands in for an editor's meter, say, which the plug-in's UI shows from that port.
class IFxLV2OutputControl : public IControl {
public:
    // Part of no editor: no plug-in, no area, nothing to draw.
    IFxLV2OutputControl() : IControl(nullptr, IRECT()) {}
    bool Draw(IGraphics*) override { return false; }
    void SetValueFromPlug(double value) override;
    // A null port publishes nothing.
    void Connect(float* port) { mPort = port; }

private:
    float* mPort = nullptr;
};

// One LV2 instance of a plug-in.
//
// Run is real-time safe: it allocates nothing, never waits for a lock and does no I/O. Control
// inputs that changed are applied before the block, in index order, under the plug-in's mutex
// taken without waiting; while another thread holds it (saving state) they stay pending for the
// next block. A port that comes to hold what its parameter already holds changes nothing. Audio
// goes through the plug-in's float buffer attachment, as the Audio Unit render's does, so the
// results match it to the bit and an input port may share its buffer with an output port. Blocks
// longer than the block size are processed in pieces of that size.
//
// The state is the plug-in's state chunk, stored as one atom:Chunk under "<plug-in URI>#state".
// Saving may happen on another thread while Run goes on, and at any time after the host wrote
// its ports: the saved parameters are those the ports ask for, pending or not (for a plug-in
// whose state is its parameters), read under the mutex, so that Run neither waits nor races.
// A restore counts as newer than what the ports hold at the time: only a later change of a port
// overrides the restored value. Restoring refuses (leaving the plug-in as it was) a value of
// another type, or one that is not a whole state: for a plug-in whose state is its parameters, one
// finite value within range per parameter.
class IFxLV2 {
public:
    // Used when the host does not tell its maximum block length.
    static constexpr int kDefaultBlockSize = 4096;
    // A longer maximum is processed in pieces, rather than held in buffers.
    static constexpr int kMaxBlockSize = 65536;

    // outputs feed the control output ports in port order; the plug-in owns them. The host's
    // features may give urid:map (needed for the state) and options (bufsz:maxBlockLength).
    IFxLV2(std::unique_ptr<IFxBase> plug, std::vector<IFxLV2OutputControl*> outputs,
           const char* pluginURI, double sampleRate, const LV2_Feature* const* features);
    IFxLV2(const IFxLV2&) = delete;
    IFxLV2& operator=(const IFxLV2&) = delete;

    const IFxLV2Ports& Ports() const { return mPorts; }
    IFxBase& Plug() { return *mPlug; }
    int GetBlockSize() const { return mPlug->GetBlockSize(); }

    // Unknown port indices are ignored.
    void ConnectPort(uint32_t port, void* data);
    void Activate();
    void Deactivate();
    void Run(uint32_t nFrames);

    // LV2_STATE_ERR_NO_FEATURE when the host gave no urid:map.
    LV2_State_Status SaveState(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

private:
    void ReadFeatures(const LV2_Feature* const* features, int* blockSize);
    const float* ControlPort(int paramIdx) const {
        return mControlIn[paramIdx].load(std::memory_order_relaxed);
    }
    // The first parameter whose port holds a value other than the one last applied; -1 if none.
    int FirstChangedControl() const;
    void ApplyControlChanges();
    // What the ports hold now counts as applied (an unconnected port's parameter value), so
    // that only later changes of the ports reach the plug-in.
    void MarkPortsApplied();
    // What the parameter takes from its port holding value: the value within the range; its
    // own value while the port holds no number or what it held when last applied.
    double ValueFromPort(int paramIdx, float value) const;
    // The parameters as a state chunk, each with its port's pending value. Under the mutex.
    bool PutPortValues(ByteChunk* chunk) const;
    bool IsWholeParamState(const ByteChunk& chunk) const;

    std::unique_ptr<IFxBase> mPlug;
    std::vector<IFxLV2OutputControl*> mOutputs;
    IFxLV2Ports mPorts;
    std::string mStateKey;
    LV2_URID_Map* mMap = nullptr;
    LV2_URID mStateKeyURID = 0;
    LV2_URID mChunkURID = 0;

    std::vector<const float*> mAudioIn;
    std::vector<float*> mAudioOut;
    // Atomic: a host may connect ports on its audio thread while the state is saved.
    std::vector<std::atomic<const float*>> mControlIn;
    // Bits of the float each port held when last applied; written by Run under the mutex.
    std::vector<uint32_t> mApplied;
    std::vector<float*> mInPtrs; // this piece's positions in the audio ports
    std::vector<float*> mOutPtrs;
};

// The LV2 entry points for one plug-in. The factory makes an instance, or returns null.
class IFxLV2Descriptor {
public:
    using Factory = std::unique_ptr<IFxLV2> (*)(const char* pluginURI, double sampleRate,
                                                const char* bundlePath,
                                                const LV2_Feature* const* features);

    IFxLV2Descriptor(const char* pluginURI, Factory factory);
    const LV2_Descriptor* Get() const { return &mDescriptor; }

private:
    static LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double sampleRate,
                                  const char* bundlePath, const LV2_Feature* const* features);
    static void ConnectPort(LV2_Handle instance, uint32_t port, void* data);
    static void Activate(LV2_Handle instance);
    static void Run(LV2_Handle instance, uint32_t nFrames);
    static void Deactivate(LV2_Handle instance);
    static void Cleanup(LV2_Handle instance);
    static const void* ExtensionData(const char* uri);
    static LV2_State_Status Save(LV2_Handle instance, LV2_State_Store_Function store,
                                 LV2_State_Handle handle, uint32_t flags,
                                 const LV2_Feature* const* features);
    static LV2_State_Status Restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
                                    LV2_State_Handle handle, uint32_t flags,
                                    const LV2_Feature* const* features);

    LV2_Descriptor mDescriptor; // first: the host's pointer to it leads back to the factory
    Factory mFactory;
};
