#pragma once

// A small effect on the Audio Unit adapter, opened the way a host opens a component: through
// an entry function that forwards to IFxAU::IFxAUEntry.

#include "AudioUnit.h"
#include "CFHolder.h"
#include "IFxAU.h"
#include "TestGraphics.h"
#include "TestPlug.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

// How the next AUTestPlug is made (MakePlug reads it); tests change it through a fixture.
struct AUTestConfig {
    const char* channelIO = "1-1 2-2";
    int nPresets = 3; // two are made, the third stays empty and is pruned at open
    int sideChain = 0;
    bool isInst = false;
    bool withEditor = false;
};
extern AUTestConfig gAUTestConfig;

enum AUTestParam {
    kGain,  // double 0..2, label "x", group "Level"
    kMute,  // bool
    kMode,  // enum of "A", "B", "C", group "Level"
    kSteps, // int 0..10, label "st"
    kBlank, // left as constructed: no name, no kind
    kDrive, // double 0..100, shape 2, group "Tone"
    kTrim,  // double -12..12, label "dB", display negated
    kNumAUTestParams
};

// Output = input * gain, or silence while muted.
class AUTestPlug : public IFxAU {
public:
    explicit AUTestPlug(const AUTestConfig& config);
    ~AUTestPlug() override;

    void Reset() override;
    void OnParamChange(int paramIdx) override;
    void OnActivate(bool active) override;
    void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;
    void ProcessMidiMsg(IMidiMsg* msg) override { mMidi.push_back(*msg); }
    void OnWindowResize() override { ++mWindowResizes; }
    void ProcessSysEx(ISysEx* sysEx) override {
        mSysEx.assign(sysEx->mData, sysEx->mData + sysEx->mSize);
    }

    static int sLiveCount;

    double mGain = 1.0;
    bool mMuted = false;
    int mResets = 0;
    int mWindowResizes = 0;
    std::vector<int> mParamChanges;
    std::vector<bool> mActivations;
    std::vector<int> mProcessedFrames;
    std::vector<int> mProcessLockDepths; // how deep the plug-in's lock was held while processing
    std::vector<IMidiMsg> mMidi;
    std::vector<uint8_t> mSysEx;
    RecordingEditor* mEditor = nullptr; // owned by the base once attached
};

// The component entry of the test effect, as the component's exported entry would be.
ComponentResult AUTestEntry(ComponentParameters* params, Handle storage);

// One opened instance, closed when the object goes.
class AUTestUnit {
public:
    AUTestUnit();
    ~AUTestUnit();
    AUTestUnit(const AUTestUnit&) = delete;
    AUTestUnit& operator=(const AUTestUnit&) = delete;

    AudioUnit Unit() const { return mUnit; }
    AUTestPlug* Plug() const;

    // Host-side conveniences over AudioUnitGetProperty / AudioUnitSetProperty.
    template <class T>
    OSStatus Get(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                 T* value) const {
        UInt32 size = sizeof(T);
        return AudioUnitGetProperty(mUnit, id, scope, element, value, &size);
    }
    template <class T>
    OSStatus Set(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                 const T& value) const {
        return AudioUnitSetProperty(mUnit, id, scope, element, &value, sizeof(T));
    }
    OSStatus SetFormat(AudioUnitScope scope, AudioUnitElement element, int nChannels,
                       double sampleRate = 44100.0) const;

private:
    AudioUnit mUnit = nullptr;
};

// Resets the configuration for each test.
class AUTest : public ::testing::Test {
protected:
    void SetUp() override { gAUTestConfig = AUTestConfig{}; }
    void TearDown() override { gAUTestConfig = AUTestConfig{}; }
};

// Non-interleaved float buffers for a render call.
class RenderBuffers {
public:
    RenderBuffers(int nChannels, int nFrames);
    AudioBufferList* List() { return reinterpret_cast<AudioBufferList*>(mList.data()); }
    float* Channel(int c) { return mSamples[static_cast<size_t>(c)].data(); }

private:
    std::vector<std::vector<float>> mSamples;
    std::vector<char> mList;
};

// A time stamp carrying a sample time.
AudioTimeStamp SampleTime(double sampleTime);
