#pragma once

// A strict host for the Brindlex component: the bundle's shared object loaded with dlopen and
// driven through its exported entry and the Audio Unit calls only, with every render watched
// (RealtimeProbe) and every output sample checked.

#include "AudioUnit.h"
#include "CFHolder.h"
#include "RealtimeProbe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// The component's entry; null (with the reason in ComponentLoadError()) when it did not load.
ComponentRoutineUPP ComponentEntry();
std::string ComponentLoadError();

// Test audio whose samples depend only on the sample time, so that any way of slicing a
// stream hands the unit the same signal.
enum class Signal { kSilence, kNoise };
float SignalSample(Signal signal, int channel, uint64_t sampleTime);

// What one block of output held that a host must never receive.
struct OutputFaults {
    long nonFinite = 0;
    long subnormal = 0;
    long firstBad = -1; // sample index of the first fault, or -1
};
OutputFaults CheckOutput(const std::vector<float>& samples);

// How a render reaches the unit.
enum class RenderRoute { kEntry, kFastDispatch };

// One open instance of the effect, driven as a strict host drives it. Statuses are returned,
// never asserted, so that each test states what it expects.
class ValidatedUnit {
public:
    ValidatedUnit();
    ~ValidatedUnit();
    ValidatedUnit(const ValidatedUnit&) = delete;
    ValidatedUnit& operator=(const ValidatedUnit&) = delete;

    AudioUnit Get() const { return mUnit; }
    OSStatus OpenStatus() const { return mOpenStatus; }

    // Stereo non-interleaved float on both sides at the rate, the slice size, and this object
    // as the input's render callback.
    OSStatus Configure(double sampleRate, UInt32 maxFrames);
    OSStatus Initialize();
    OSStatus Uninitialize();

    void SetSignal(Signal signal) { mSignal = signal; }
    // Frames rendered so far; the next render's sample time.
    uint64_t SampleTime() const { return mSampleTime; }
    void SetSampleTime(uint64_t sampleTime) { mSampleTime = sampleTime; }
    // How often the unit pulled its input.
    int InputPulls() const { return mInputPulls; }

    // Renders nFrames into left and right (resized to nFrames) inside a RenderScope; the sample
    // time advances only on success.
    OSStatus Render(UInt32 nFrames, std::vector<float>& left, std::vector<float>& right,
                    RenderRoute route = RenderRoute::kEntry);
    // Renders frames in slices of the given sizes (cycled), appending to left and right, and
    // returns the first failing status.
    OSStatus RenderSliced(uint64_t frames, const std::vector<UInt32>& slices,
                          std::vector<float>& left, std::vector<float>& right,
                          RenderRoute route = RenderRoute::kEntry);

    OSStatus SetParameter(AudioUnitParameterID id, float value);
    // NaN when the unit refuses to answer.
    float GetParameter(AudioUnitParameterID id) const;
    OSStatus SetParameterScheduled(AudioUnitParameterID id, float value);
    OSStatus SetParameterFast(AudioUnitParameterID id, float value);
    OSStatus SetBypass(bool bypassed);

    // The parameter's range as the unit publishes it.
    AudioUnitParameterInfo ParameterInfo(AudioUnitParameterID id) const;
    std::vector<AudioUnitParameterID> ParameterIDs() const;

    // The class-info state (owned by the caller), and its XML text.
    CFPropertyListRef CopyClassInfo() const;
    std::string ClassInfoXML() const;
    OSStatus SetClassInfo(CFPropertyListRef state);

private:
    static OSStatus SupplyInput(void* refCon, AudioUnitRenderActionFlags* flags,
                                const AudioTimeStamp* timeStamp, UInt32 bus, UInt32 nFrames,
                                AudioBufferList* ioData);

    AudioUnit mUnit = nullptr;
    OSStatus mOpenStatus = noErr;
    Signal mSignal = Signal::kNoise;
    uint64_t mSampleTime = 0;
    int mInputPulls = 0;
};

// The XML text of a property list; "" when it cannot be written.
std::string PropertyListXML(CFPropertyListRef plist);

// Fails the test when the output of a render holds a non-finite or subnormal sample.
::testing::AssertionResult CleanOutput(const std::vector<float>& left,
                                       const std::vector<float>& right);

// Every validator test: the component must be loaded, and no render in the test may allocate,
// free or lock.
class ValidatorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // For a plug-in standard that lets render try a lock it never waits for.
    void AllowTryLocks() { mTryLocksAllowed = true; }

private:
    RealtimeCounts mBefore;
    bool mTryLocksAllowed = false;
};

// The sample rates and slice sizes a host may choose.
extern const double kSampleRates[8];
extern const UInt32 kMaxFrames[8];

// Stage switches and knobs by index.
enum BrindlexParam : AudioUnitParameterID {
    kLimiterAttenuation = 0,
    kLimiterOn = 1,
    kEQFreq = 2,
    kEQLevel = 3,
    kEQWide = 4,
    kEQOn = 5,
    kAmpGain = 6,
    kAmpTone = 7,
    kAmpNoiseReduction = 8,
    kAmpOn = 9,
    kParamCount = 10
};
