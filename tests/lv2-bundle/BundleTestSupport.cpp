#include "BundleTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <sys/wait.h>

FloatStereo ToFloat(const Stereo& signal) {
    FloatStereo result;
    for (const double sample : signal.L)
        result.L.push_back(static_cast<float>(sample));
    for (const double sample : signal.R)
        result.R.push_back(static_cast<float>(sample));
    return result;
}

ReferenceEffect::ReferenceEffect(int blockSize) : mBlockSize(blockSize) {
    mEffect.SetBlockSize(blockSize);
    mEffect.SetInputChannelConnections(0, 2, true);
    mEffect.SetOutputChannelConnections(0, 2, true);
    mEffect.OnParamReset();
}

FloatStereo ReferenceEffect::Render(const FloatStereo& input) {
    FloatStereo in = input;
    FloatStereo out{std::vector<float>(in.L.size()), std::vector<float>(in.R.size())};
    for (int start = 0; start < in.Frames(); start += mBlockSize) {
        const int n = std::min(mBlockSize, in.Frames() - start);
        float* inputs[] = {in.L.data() + start, in.R.data() + start};
        float* outputs[] = {out.L.data() + start, out.R.data() + start};
        mEffect.AttachInputBuffers(0, 2, inputs, n);
        mEffect.AttachOutputBuffers(0, 2, outputs);
        mEffect.ProcessBuffers(0.0f, n);
    }
    return out;
}

std::vector<float> ReferenceEffect::Meters() const {
    std::vector<float> meters;
    for (const RecordingControl* meter :
         {&mEffect.mAmpMeter, &mEffect.mOutputMeter, &mEffect.mGainMeter})
        meters.push_back(meter->mValues.empty() ? -1.0f
                                                : static_cast<float>(meter->mValues.back()));
    return meters;
}

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}
