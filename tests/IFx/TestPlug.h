#pragma once

#include "IFxBase.h"

#include <string>
#include <utility>
#include <vector>

// A plug-in that records what the base asks of its host and effect.
class TestPlug : public IFxBase {
public:
    explicit TestPlug(int nParams = 3, const char* channelIOStr = "1-1 2-2", int nPresets = 2,
                      EAPI api = kAPIAU, int latency = 0)
        : IFxBase(nParams, channelIOStr, nPresets, "Test Effect", "Test Product", "Test Maker",
                  0x10102, 0x54737431, 0x4d6b7231, latency, false, false, false, api) {}

    // Lock depth as seen from inside the plug-in's own calls.
    int LockDepth() const { return mMutex.GetEnterCount(); }

    void OnParamChange(int paramIdx) override {
        IFxBase::OnParamChange(paramIdx);
        mParamChanges.push_back(paramIdx);
        mParamChangeLockDepths.push_back(LockDepth());
    }
    void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override {
        mProcessedFrames.push_back(nFrames);
        if (mGain == 1.0) {
            IFxBase::ProcessDoubleReplacing(inputs, outputs, nFrames);
            return;
        }
        for (int c = 0; c < NOutChannels(); ++c)
            for (int s = 0; s < nFrames; ++s)
                outputs[c][s] = c < NInChannels() ? inputs[c][s] * mGain : 0.0;
    }
    void BeginInformHostOfParamChange(int paramIdx) override {
        mGestures.push_back("begin " + std::to_string(paramIdx));
    }
    void InformHostOfParamChange(int paramIdx, double normalizedValue) override {
        mInformed.emplace_back(paramIdx, normalizedValue);
        mInformLockDepths.push_back(LockDepth());
    }
    void EndInformHostOfParamChange(int paramIdx) override {
        mGestures.push_back("end " + std::to_string(paramIdx));
    }
    void InformHostOfProgramChange() override {}
    double GetSamplePos() override { return 0.0; }
    double GetTempo() override { return mTempo; }
    void GetTimeSig(int*, int*) override {}
    void GetTime(ITimeInfo*) override {}
    void ResizeGraphics(int width, int height) override { mResizes.emplace_back(width, height); }
    bool SendMidiMsg(IMidiMsg* msg) override {
        mSentMidi.push_back(msg);
        return true;
    }
    void PresetsChangedByHost() override { ++mPresetsChanged; }

    double mTempo = 0.0;
    double mGain = 1.0;
    int mPresetsChanged = 0;
    std::vector<int> mParamChanges;
    std::vector<int> mParamChangeLockDepths;
    std::vector<std::pair<int, double>> mInformed;
    std::vector<int> mInformLockDepths;
    std::vector<int> mProcessedFrames;
    std::vector<IMidiMsg*> mSentMidi;
    std::vector<std::string> mGestures; // "begin i" and "end i" as the editor brackets them
    std::vector<std::pair<int, int>> mResizes;
};

// Reads a whole file; "" when it cannot be read.
std::string ReadFile(const std::string& path);
// A path in the test's temporary directory.
std::string TempPath(const std::string& name);
