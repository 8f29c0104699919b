#include "EffectTestSupport.h"

#include "TestBundle.h"
#include "config.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace {

// The effect's bundle with the images the build painted, known before any test makes an effect,
// so that every editor finds its images as the component's does.
class EffectBundle : public ::testing::Environment {
public:
    void SetUp() override { LoadTestBundle(brindlex::kBundleID, EditorImageFiles()); }
};
const ::testing::Environment* const gEffectBundle =
    ::testing::AddGlobalTestEnvironment(new EffectBundle);

} // namespace

std::vector<std::string> EditorImageFiles() {
    std::vector<std::string> files;
    for (const brindlex::ImageResource* image : brindlex::kImages)
        files.push_back(std::string(EDITOR_IMAGE_FOLDER "/") +
                        std::filesystem::path(image->file).filename().string());
    return files;
}

IFxInstanceInfo EffectInstanceInfo() {
    IFxInstanceInfo info;
    info.mBundleID.Set(brindlex::kBundleID);
    info.mCocoaViewFactoryClassName.Set(brindlex::kViewClassName);
    return info;
}

void RecordingControl::SetValueFromPlug(double value) {
    mValues.push_back(value);
    mLockDepths.push_back(mPlug ? mPlug->LockDepth() : 0);
    if (mLog) mLog->emplace_back(mName, value);
}

TestBrindlex::TestBrindlex() : Brindlex(EffectInstanceInfo()) {
    SetIndicators({&mLimiterLight, &mEQLight, &mEQWidthLight, &mOutputMeter, &mGainMeter,
                   &mAmpLight, &mAmpMeter});
}

void TestBrindlex::Set(int paramIdx, double value) {
    GetParam(paramIdx)->Set(value);
    OnParamChange(paramIdx);
}

void TestBrindlex::ClearRecords() {
    mLog.clear();
    for (RecordingControl* control : {&mLimiterLight, &mEQLight, &mEQWidthLight, &mOutputMeter,
                                      &mGainMeter, &mAmpLight, &mAmpMeter}) {
        control->mValues.clear();
        control->mLockDepths.clear();
    }
}

Stereo TestSignal(int frames, double level, unsigned seed) {
    Stereo signal{std::vector<double>(frames), std::vector<double>(frames)};
    unsigned state = seed;
    auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 16777216.0 * 2.0 - 1.0;
    };
    const double pi = 3.141592653589793;
    for (int s = 0; s < frames; ++s) {
        const double t = s / 44100.0;
        const double swell = 0.5 + 0.5 * std::sin(2.0 * pi * 4.0 * t);
        signal.L[s] = level * (0.6 * swell * std::sin(2.0 * pi * 180.0 * t) + 0.25 * noise() +
                               0.15 * std::sin(2.0 * pi * 3100.0 * t));
        signal.R[s] = level * (0.6 * (1.0 - swell) * std::sin(2.0 * pi * 260.0 * t + 1.0) +
                               0.25 * noise() + 0.15 * std::sin(2.0 * pi * 7000.0 * t));
    }
    return signal;
}

Stereo Constant(int frames, double value) {
    return {std::vector<double>(frames, value), std::vector<double>(frames, value)};
}

Stereo Process(Brindlex& effect, const Stereo& input, int blockSize) {
    Stereo in = input;
    Stereo out{std::vector<double>(in.L.size()), std::vector<double>(in.R.size())};
    for (int start = 0; start < in.Frames(); start += blockSize) {
        const int n = std::min(blockSize, in.Frames() - start);
        double* inputs[] = {in.L.data() + start, in.R.data() + start};
        double* outputs[] = {out.L.data() + start, out.R.data() + start};
        effect.ProcessDoubleReplacing(inputs, outputs, n);
    }
    return out;
}

Stereo ProcessThroughBuffers(Brindlex& effect, const Stereo& input, int blockSize) {
    effect.SetInputChannelConnections(0, 2, true);
    effect.SetOutputChannelConnections(0, 2, true);
    Stereo in = input;
    Stereo out{std::vector<double>(in.L.size()), std::vector<double>(in.R.size())};
    for (int start = 0; start < in.Frames(); start += blockSize) {
        const int n = std::min(blockSize, in.Frames() - start);
        double* inputs[] = {in.L.data() + start, in.R.data() + start};
        double* outputs[] = {out.L.data() + start, out.R.data() + start};
        effect.AttachInputBuffers(0, 2, inputs);
        effect.AttachOutputBuffers(0, 2, outputs);
        effect.ProcessBuffers(0.0, n);
    }
    return out;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}
