#include "AUTestPlug.h"

#include "ComponentCall.h"

#include <gtest/gtest.h>

AUTestConfig gAUTestConfig;
int AUTestPlug::sLiveCount = 0;

AUTestPlug::AUTestPlug(const AUTestConfig& config)
    : IFxAU(IFxInstanceInfo{UTL_String("org.brindlex.au-test"), UTL_String("AUTest_View"),
                            UTL_String()},
            kNumAUTestParams, config.channelIO, config.nPresets, "AU Test", "", "Test Maker",
            0x10203, FourCharCodeFromText("Tst1"), FourCharCodeFromText("TMkr"), 0, false, false,
            config.isInst, config.sideChain) {
    ++sLiveCount;
    GetParam(kGain)->InitDouble("Gain", 1.0, 0.0, 2.0, 0.01, "x", "Level");
    GetParam(kMute)->InitBool("Mute", false);
    GetParam(kMode)->InitEnum("Mode", 0, 3, "", "Level");
    GetParam(kMode)->SetDisplayText(0, "A");
    GetParam(kMode)->SetDisplayText(1, "B");
    GetParam(kMode)->SetDisplayText(2, "C");
    GetParam(kSteps)->InitInt("Steps", 2, 0, 10, "st");
    GetParam(kDrive)->InitDouble("Drive", 0.0, 0.0, 100.0, 0.1, "", "Tone", 2.0);
    GetParam(kTrim)->InitDouble("Trim", 0.0, -12.0, 12.0, 0.1, "dB");
    GetParam(kTrim)->NegateDisplay();
    if (config.withEditor) {
        mEditor = new RecordingEditor(this);
        AttachGraphics(mEditor);
    }
    MakePresetFromNamedParams("Unity", 1, kGain, 1.0);
    MakePresetFromNamedParams("Loud", 2, kGain, 2.0, kMode, 2);
}

AUTestPlug::~AUTestPlug() {
    --sLiveCount;
}

void AUTestPlug::Reset() {
    IFxAU::Reset();
    ++mResets;
}

void AUTestPlug::OnParamChange(int paramIdx) {
    IMutexLock lock(this);
    mParamChanges.push_back(paramIdx);
    if (paramIdx == kGain) mGain = GetParam(kGain)->Value();
    if (paramIdx == kMute) mMuted = GetParam(kMute)->Bool();
}

void AUTestPlug::OnActivate(bool active) {
    IFxAU::OnActivate(active);
    mActivations.push_back(active);
}

void AUTestPlug::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
    mProcessedFrames.push_back(nFrames);
    mProcessLockDepths.push_back(mMutex.GetEnterCount());
    const double gain = mMuted ? 0.0 : mGain;
    for (int c = 0; c < NOutChannels(); ++c)
        for (int s = 0; s < nFrames; ++s)
            outputs[c][s] = c < NInChannels() ? inputs[c][s] * gain : 0.0;
}

IFxAU* MakePlug() {
    return new AUTestPlug(gAUTestConfig);
}

ComponentResult AUTestEntry(ComponentParameters* params, Handle storage) {
    return IFxAU::IFxAUEntry(params, storage);
}

AUTestUnit::AUTestUnit() {
    EXPECT_EQ(OpenComponentWithEntry(AUTestEntry, &mUnit), noErr);
}

AUTestUnit::~AUTestUnit() {
    if (mUnit) CloseComponent(mUnit);
}

AUTestPlug* AUTestUnit::Plug() const {
    return static_cast<AUTestPlug*>(reinterpret_cast<IFxAU*>(GetComponentInstanceStorage(mUnit)));
}

OSStatus AUTestUnit::SetFormat(AudioUnitScope scope, AudioUnitElement element, int nChannels,
                               double sampleRate) const {
    AudioStreamBasicDescription format;
    IFxAU::MakeDefaultASBD(&format, sampleRate, nChannels, false);
    return Set(kAudioUnitProperty_StreamFormat, scope, element, format);
}

RenderBuffers::RenderBuffers(int nChannels, int nFrames)
    : mSamples(static_cast<size_t>(nChannels), std::vector<float>(static_cast<size_t>(nFrames))),
      mList(offsetof(AudioBufferList, mBuffers) +
            static_cast<size_t>(std::max(nChannels, 1)) * sizeof(AudioBuffer)) {
    AudioBufferList* list = List();
    list->mNumberBuffers = static_cast<UInt32>(nChannels);
    for (int c = 0; c < nChannels; ++c)
        list->mBuffers[c] = AudioBuffer{1, static_cast<UInt32>(nFrames * sizeof(float)),
                                        mSamples[static_cast<size_t>(c)].data()};
}

AudioTimeStamp SampleTime(double sampleTime) {
    AudioTimeStamp timeStamp{};
    timeStamp.mSampleTime = sampleTime;
    timeStamp.mFlags = kAudioTimeStampSampleTimeValid;
    return timeStamp;
}
