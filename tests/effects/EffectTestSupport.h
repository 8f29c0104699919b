#pragma once

#include "Brindlex.h"
#include "IControl.h"

#include <string>
#include <utility>
#include <vector>

class TestBrindlex;

// The editor's images as the build painted them, in the order of the image table.
std::vector<std::string> EditorImageFiles();
// What the component's factory hands the effect: its bundle identifier and view factory.
IFxInstanceInfo EffectInstanceInfo();

// Every value handed to any recording control, in the order given: (control name, value).
using ControlLog = std::vector<std::pair<std::string, double>>;

// A lamp or meter that records what the effect shows on it, and how deep the effect held its
// lock at the time.
class RecordingControl : public IControl {
public:
    RecordingControl(std::string name, ControlLog* log, const TestBrindlex* plug)
        : IControl(nullptr, IRECT()), mName(std::move(name)), mLog(log), mPlug(plug) {}
    void SetValueFromPlug(double value) override;
    bool Draw(IGraphics*) override { return true; }

    std::vector<double> mValues;
    std::vector<int> mLockDepths;

private:
    std::string mName;
    ControlLog* mLog;
    const TestBrindlex* mPlug;
};

// The effect with recording lamps and meters attached and a look at its filters.
class TestBrindlex : public Brindlex {
public:
    TestBrindlex();

    using Brindlex::GetFilter;
    using Brindlex::SeedNoise;

    int LockDepth() const { return mMutex.GetEnterCount(); }
    UTL_Mutex& Mutex() { return mMutex; }
    // Sets a parameter's real value and tells the effect, as a host does.
    void Set(int paramIdx, double value);
    void ClearRecords();

    ControlLog mLog;
    RecordingControl mLimiterLight{"limiter light", &mLog, this};
    RecordingControl mEQLight{"EQ light", &mLog, this};
    RecordingControl mEQWidthLight{"EQ width light", &mLog, this};
    RecordingControl mOutputMeter{"output meter", &mLog, this};
    RecordingControl mGainMeter{"gain meter", &mLog, this};
    RecordingControl mAmpLight{"amp light", &mLog, this};
    RecordingControl mAmpMeter{"amp meter", &mLog, this};
};

struct Stereo {
    std::vector<double> L, R;
    int Frames() const { return static_cast<int>(L.size()); }
};

// Deterministic programme-like material of the given peak level; does not touch rand.
Stereo TestSignal(int frames, double level, unsigned seed = 1);
Stereo Constant(int frames, double value);

// Runs the signal through ProcessDoubleReplacing in blocks of blockSize frames, separate
// input and output buffers.
Stereo Process(Brindlex& effect, const Stereo& input, int blockSize);
// The same through the plug-in base's buffer interface, both channels connected.
Stereo ProcessThroughBuffers(Brindlex& effect, const Stereo& input, int blockSize);

// Bitwise equality, so NaN payloads and signed zeros count.
bool SameBits(const std::vector<double>& a, const std::vector<double>& b);
