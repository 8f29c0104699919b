#pragma once

#include "IFxBase.h"
#include "IGraphics.h"

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
    void BeginInformHostOfParamChange(int) override {}
    void InformHostOfParamChange(int paramIdx, double normalizedValue) override {
        mInformed.emplace_back(paramIdx, normalizedValue);
        mInformLockDepths.push_back(LockDepth());
    }
    void EndInformHostOfParamChange(int) override {}
    void InformHostOfProgramChange() override {}
    double GetSamplePos() override { return 0.0; }
    double GetTempo() override { return mTempo; }
    void GetTimeSig(int*, int*) override {}
    void GetTime(ITimeInfo*) override {}
    void ResizeGraphics(int, int) override {}
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
};

// An editor that records the values it is given.
class RecordingEditor : public IGraphics {
public:
    struct Call {
        int mParamIdx;
        double mValue;
        bool mNormalized;
    };

    RecordingEditor(int* deletions = nullptr, const TestPlug* plug = nullptr)
        : mDeletions(deletions), mPlug(plug) {}
    ~RecordingEditor() override {
        if (mDeletions) ++*mDeletions;
    }
    void SetParameterFromPlug(int paramIdx, double value, bool normalized) override {
        mCalls.push_back({paramIdx, value, normalized});
        if (mPlug) mLockDepths.push_back(mPlug->LockDepth());
    }
    void PrepDraw() override { mCalls.push_back({-1, 0.0, false}); }
    void* OpenWindow(void* window, void* parentControl, int width, int height) override {
        mOpened.push_back({window, parentControl, width, height});
        return mView;
    }
    void CloseWindow() override { ++mCloses; }

    struct OpenCall {
        void* mWindow;
        void* mParentControl;
        int mWidth;
        int mHeight;
    };
    std::vector<OpenCall> mOpened;
    int mCloses = 0;
    void* mView = nullptr; // what OpenWindow answers

    std::vector<Call> mCalls; // PrepDraw appears as index -1
    std::vector<int> mLockDepths;

private:
    int* mDeletions;
    const TestPlug* mPlug;
};

// Reads a whole file; "" when it cannot be read.
std::string ReadFile(const std::string& path);
// A path in the test's temporary directory.
std::string TempPath(const std::string& name);
