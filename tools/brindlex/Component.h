#pragma once

#include "AudioUnit.h"
#include "CFRef.h"

#include <cstdint>
#include <string>
#include <vector>

// The effect as a host sees it: a component bundle whose shared object exports Brindlex_Entry,
// opened and driven only through the Audio Unit selectors and properties.

// Where the bundle is looked for when --component is not given: $BRINDLEX_COMPONENT, else
// Brindlex.component next to the executable, else the installed ../lib/brindlex/ one.
// environment is the variable's value (null when unset).
std::vector<std::string> ComponentCandidates(const std::string& option, const char* environment,
                                             const std::string& executableFolder);
// The first candidate that exists; throws naming the places looked in when none does.
std::string LocateComponentBundle(const std::string& option);

// Loads the bundle's shared object (it stays loaded until the process ends) and finds its entry.
ComponentRoutineUPP LoadComponentEntry(const std::string& bundlePath);

// What parameter info and the value-strings property say about one parameter.
struct ParameterInfo {
    AudioUnitParameterID id = 0;
    std::string name; // may be empty
    AudioUnitParameterUnit unit = kAudioUnitParameterUnit_Generic;
    std::string unitLabel; // the custom unit's name
    float minValue = 0, maxValue = 0, defaultValue = 0;
    std::vector<std::string> valueStrings; // texts of indexed values, from the minimum on
};

// The class-info state's identity entries.
struct ComponentIdentity {
    OSType type = 0, subtype = 0, manufacturer = 0;
};

// One open instance of the effect; closed when the object goes. Errors throw CommandError with
// the component's path as subject.
class EffectUnit {
public:
    explicit EffectUnit(const std::string& bundlePath);
    ~EffectUnit();
    EffectUnit(const EffectUnit&) = delete;
    EffectUnit& operator=(const EffectUnit&) = delete;

    const std::string& BundlePath() const { return mBundlePath; }
    // The host's handle of the instance, for what a host asks of it directly (its editor).
    AudioUnit Unit() const { return mUnit; }

    std::vector<ParameterInfo> Parameters() const;
    float GetParameter(AudioUnitParameterID id) const;
    void SetParameter(AudioUnitParameterID id, float value);
    // The effect's own text for a value of the parameter.
    std::string ValueText(AudioUnitParameterID id, float value) const;

    CFRef<CFPropertyListRef> CopyClassInfo() const;
    ComponentIdentity Identity() const;
    // The status the unit answered; the caller words the failure for its file.
    OSStatus RestoreClassInfo(CFPropertyListRef classInfo);

    // Stereo float streams at the rate, slices of at most maxFrames, input from a render
    // callback; then initialises. A refused rate is reported against source, the audio's origin.
    void Prepare(double sampleRate, int maxFrames, const std::string& source);
    int MaxFrames() const { return mMaxFrames; }
    // Processes one slice of at most MaxFrames() frames; the buffers are planar.
    void Render(const float* const input[2], float* const output[2], int nFrames);

private:
    static OSStatus SupplyInput(void* refCon, AudioUnitRenderActionFlags* flags,
                                const AudioTimeStamp* timeStamp, UInt32 bus, UInt32 nFrames,
                                AudioBufferList* ioData);
    [[noreturn]] void Fail(const std::string& what, OSStatus status) const;

    std::string mBundlePath;
    AudioUnit mUnit = nullptr;
    bool mInitialized = false;
    int mMaxFrames = 0;
    double mSampleTime = 0;
    const float* mInput[2] = {};
    UInt32 mInputFrames = 0;
};

// "kAudioUnitErr_InvalidPropertyValue (-10851)" and the like.
std::string StatusText(OSStatus status);
// 'aufx' as text, or the number when it is not printable.
std::string FourCharText(OSType code);
