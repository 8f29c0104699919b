#pragma once

#include "EffectTestSupport.h"

#include <lv2/core/lv2.h>

#include <string>
#include <vector>

// Ports of the bundle's plug-in: stereo audio in and out, the parameters, the three meters.
constexpr int kFirstParamPort = 4;
constexpr int kFirstMeterPort = kFirstParamPort + Brindlex::kNumParams;
constexpr int kNumMeters = 3;

// The bundle's shared object in the build tree.
constexpr const char* kBundleSharedObject = LV2_BUNDLE_DIR "/Brindlex.so";

struct FloatStereo {
    std::vector<float> L, R;
    int Frames() const { return static_cast<int>(L.size()); }
};

FloatStereo ToFloat(const Stereo& signal);

// The effect in-process, fed as the Audio Unit render feeds it: float buffers through the
// plug-in base's float attachment, parameters through the host path, in blocks of blockSize.
class ReferenceEffect {
public:
    explicit ReferenceEffect(int blockSize);
    void Set(int paramIdx, float value) { mEffect.SetParameterFromHost(paramIdx, value); }
    FloatStereo Render(const FloatStereo& input);
    // The meters' last values (amp, output, gain) as a float port shows them.
    std::vector<float> Meters() const;

private:
    TestBrindlex mEffect;
    int mBlockSize;
};

// Output of a command with its standard error, and its exit status.
struct CommandResult {
    std::string output;
    int status = -1;
};
CommandResult RunCommand(const std::string& command);
std::string Quote(const std::string& text);
