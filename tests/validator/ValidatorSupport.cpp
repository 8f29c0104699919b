#include "ValidatorSupport.h"

#include "ComponentCall.h"

#include <cmath>
#include <cstdlib>
#include <dlfcn.h>
#include <limits>

const double kSampleRates[8] = {8000, 11025, 22050, 44100, 48000, 88200, 96000, 192000};
const UInt32 kMaxFrames[8] = {1, 17, 64, 137, 512, 1024, 2027, 4096};

namespace {

struct LoadedComponent {
    ComponentRoutineUPP entry = nullptr;
    std::string error;
};

// Loaded once and never unloaded, as a host keeps a component it has opened.
const LoadedComponent& Component() {
    static const LoadedComponent component = [] {
        LoadedComponent loaded;
        const char* buildDir = std::getenv("BRINDLEX_BUILD_DIR");
        const std::string path = std::string(buildDir ? buildDir : ".") +
                                 "/Brindlex.component/Contents/" BUNDLE_EXECUTABLE_FOLDER
                                 "/Brindlex.so";
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const char* reason = dlerror();
            loaded.error = path + ": " + (reason ? reason : "cannot load");
            return loaded;
        }
        loaded.entry = reinterpret_cast<ComponentRoutineUPP>(dlsym(module, "Brindlex_Entry"));
        if (!loaded.entry) loaded.error = path + ": no Brindlex_Entry";
        return loaded;
    }();
    return component;
}

// A well-mixed hash of the position, so that noise needs no generator state.
uint64_t Mix(uint64_t x) {
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

AudioStreamBasicDescription StereoFloat(double sampleRate) {
    AudioStreamBasicDescription format{};
    format.mSampleRate = sampleRate;
    format.mFormatID = kAudioFormatLinearPCM;
    format.mFormatFlags = kAudioFormatFlagsAudioUnitCanonical;
    format.mBytesPerPacket = format.mBytesPerFrame = sizeof(float);
    format.mFramesPerPacket = 1;
    format.mChannelsPerFrame = 2;
    format.mBitsPerChannel = 32;
    return format;
}

template <class Proc> Proc FastDispatch(AudioUnit unit, SInt16 selector) {
    Proc proc = nullptr;
    UInt32 size = sizeof proc;
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                             static_cast<AudioUnitElement>(selector), &proc, &size) != noErr)
        return nullptr;
    return proc;
}

} // namespace

ComponentRoutineUPP ComponentEntry() {
    return Component().entry;
}

std::string ComponentLoadError() {
    return Component().error;
}

float SignalSample(Signal signal, int channel, uint64_t sampleTime) {
    if (signal == Signal::kSilence) return 0.0f;
    const uint64_t bits = Mix(sampleTime * 2 + static_cast<uint64_t>(channel)) >> 40;
    return static_cast<float>(static_cast<double>(bits) / (1ull << 23) - 1.0); // [-1, 1)
}

OutputFaults CheckOutput(const std::vector<float>& samples) {
    OutputFaults faults;
    for (size_t i = 0; i < samples.size(); ++i) {
        const int kind = std::fpclassify(samples[i]);
        const bool nonFinite = kind == FP_NAN || kind == FP_INFINITE;
        faults.nonFinite += nonFinite;
        faults.subnormal += kind == FP_SUBNORMAL;
        if ((nonFinite || kind == FP_SUBNORMAL) && faults.firstBad < 0)
            faults.firstBad = static_cast<long>(i);
    }
    return faults;
}

::testing::AssertionResult CleanOutput(const std::vector<float>& left,
                                       const std::vector<float>& right) {
    const std::vector<float>* channels[] = {&left, &right};
    for (int c = 0; c < 2; ++c) {
        const OutputFaults faults = CheckOutput(*channels[c]);
        if (faults.firstBad >= 0)
            return ::testing::AssertionFailure()
                   << (c == 0 ? "left" : "right") << " output: " << faults.nonFinite
                   << " non-finite and " << faults.subnormal << " subnormal samples, the first at "
                   << faults.firstBad << " ("
                   << (*channels[c])[static_cast<size_t>(faults.firstBad)] << ")";
    }
    return ::testing::AssertionSuccess();
}

ValidatedUnit::ValidatedUnit() {
    mOpenStatus = OpenComponentWithEntry(ComponentEntry(), &mUnit);
}

ValidatedUnit::~ValidatedUnit() {
    if (mUnit) CloseComponent(mUnit);
}

OSStatus ValidatedUnit::Configure(double sampleRate, UInt32 maxFrames) {
    const AudioStreamBasicDescription format = StereoFloat(sampleRate);
    for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output}) {
        const OSStatus status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_StreamFormat, scope,
                                                     0, &format, sizeof format);
        if (status != noErr) return status;
    }
    OSStatus status = AudioUnitSetProperty(mUnit, kAudioUnitProperty_MaximumFramesPerSlice,
                                           kAudioUnitScope_Global, 0, &maxFrames, sizeof maxFrames);
    if (status != noErr) return status;
    const AURenderCallbackStruct callback{SupplyInput, this};
    return AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input,
                                0, &callback, sizeof callback);
}

OSStatus ValidatedUnit::Initialize() {
    return AudioUnitInitialize(mUnit);
}

OSStatus ValidatedUnit::Uninitialize() {
    return AudioUnitUninitialize(mUnit);
}

// Runs inside render: no allocation, no test assertions.
OSStatus ValidatedUnit::SupplyInput(void* refCon, AudioUnitRenderActionFlags*,
                                    const AudioTimeStamp* timeStamp, UInt32, UInt32 nFrames,
                                    AudioBufferList* ioData) {
    auto* unit = static_cast<ValidatedUnit*>(refCon);
    ++unit->mInputPulls;
    const auto start = static_cast<uint64_t>(timeStamp->mSampleTime);
    for (UInt32 c = 0; c < ioData->mNumberBuffers && c < 2; ++c) {
        auto* samples = static_cast<float*>(ioData->mBuffers[c].mData);
        if (!samples) return paramErr;
        for (UInt32 s = 0; s < nFrames; ++s)
            samples[s] = SignalSample(unit->mSignal, static_cast<int>(c), start + s);
    }
    return noErr;
}

OSStatus ValidatedUnit::Render(UInt32 nFrames, std::vector<float>& left, std::vector<float>& right,
                               RenderRoute route) {
    left.assign(nFrames, 0.0f);
    right.assign(nFrames, 0.0f);
    AudioBufferListWithBuffers<2> list;
    list.mBuffers[0] = AudioBuffer{1, static_cast<UInt32>(nFrames * sizeof(float)), left.data()};
    list.mBuffers[1] = AudioBuffer{1, static_cast<UInt32>(nFrames * sizeof(float)), right.data()};
    AudioTimeStamp timeStamp{};
    timeStamp.mSampleTime = static_cast<Float64>(mSampleTime);
    timeStamp.mFlags = kAudioTimeStampSampleTimeValid;
    AudioUnitRenderActionFlags flags = 0;

    // Looked up outside the watched scope: a host asks for the procedure once, not per slice.
    AudioUnitRenderProc renderProc =
        route == RenderRoute::kFastDispatch
            ? FastDispatch<AudioUnitRenderProc>(mUnit, kAudioUnitRenderSelect)
            : nullptr;
    void* storage = GetComponentInstanceStorage(mUnit);
    if (route == RenderRoute::kFastDispatch && !renderProc) return badComponentSelector;

    OSStatus status;
    {
        RenderScope scope;
        status = renderProc ? renderProc(storage, &flags, &timeStamp, 0, nFrames, list.List())
                            : AudioUnitRender(mUnit, &flags, &timeStamp, 0, nFrames, list.List());
    }
    if (status == noErr) mSampleTime += nFrames;
    return status;
}

OSStatus ValidatedUnit::RenderSliced(uint64_t frames, const std::vector<UInt32>& slices,
                                     std::vector<float>& left, std::vector<float>& right,
                                     RenderRoute route) {
    std::vector<float> sliceLeft, sliceRight;
    for (size_t i = 0; frames > 0; ++i) {
        const UInt32 n = static_cast<UInt32>(std::min<uint64_t>(slices[i % slices.size()], frames));
        const OSStatus status = Render(n, sliceLeft, sliceRight, route);
        if (status != noErr) return status;
        left.insert(left.end(), sliceLeft.begin(), sliceLeft.end());
        right.insert(right.end(), sliceRight.begin(), sliceRight.end());
        frames -= n;
    }
    return noErr;
}

OSStatus ValidatedUnit::SetParameter(AudioUnitParameterID id, float value) {
    return AudioUnitSetParameter(mUnit, id, kAudioUnitScope_Global, 0, value, 0);
}

float ValidatedUnit::GetParameter(AudioUnitParameterID id) const {
    AudioUnitParameterValue value = 0.0f;
    if (AudioUnitGetParameter(mUnit, id, kAudioUnitScope_Global, 0, &value) != noErr)
        return std::numeric_limits<float>::quiet_NaN();
    return value;
}

OSStatus ValidatedUnit::SetParameterScheduled(AudioUnitParameterID id, float value) {
    AudioUnitParameterEvent event{};
    event.scope = kAudioUnitScope_Global;
    event.element = 0;
    event.parameter = id;
    event.eventType = kParameterEvent_Immediate;
    event.eventValues.immediate.bufferOffset = 0;
    event.eventValues.immediate.value = value;
    return AudioUnitScheduleParameters(mUnit, &event, 1);
}

OSStatus ValidatedUnit::SetParameterFast(AudioUnitParameterID id, float value) {
    auto setParameter =
        FastDispatch<AudioUnitSetParameterProc>(mUnit, kAudioUnitSetParameterSelect);
    if (!setParameter) return badComponentSelector;
    return setParameter(GetComponentInstanceStorage(mUnit), id, kAudioUnitScope_Global, 0, value,
                        0);
}

OSStatus ValidatedUnit::SetBypass(bool bypassed) {
    const UInt32 value = bypassed;
    return AudioUnitSetProperty(mUnit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0,
                                &value, sizeof value);
}

AudioUnitParameterInfo ValidatedUnit::ParameterInfo(AudioUnitParameterID id) const {
    AudioUnitParameterInfo info{};
    UInt32 size = sizeof info;
    if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id,
                             &info, &size) != noErr)
        return AudioUnitParameterInfo{};
    if (info.flags & kAudioUnitParameterFlag_CFNameRelease) {
        if (info.cfNameString) CFRelease(info.cfNameString);
        if (info.unitName) CFRelease(info.unitName);
    }
    info.cfNameString = nullptr;
    info.unitName = nullptr;
    return info;
}

std::vector<AudioUnitParameterID> ValidatedUnit::ParameterIDs() const {
    UInt32 size = 0;
    if (AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0,
                                 &size, nullptr) != noErr)
        return {};
    std::vector<AudioUnitParameterID> ids(size / sizeof(AudioUnitParameterID));
    if (!ids.empty() && AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterList,
                                             kAudioUnitScope_Global, 0, ids.data(), &size) != noErr)
        return {};
    return ids;
}

CFPropertyListRef ValidatedUnit::CopyClassInfo() const {
    CFPropertyListRef state = nullptr;
    UInt32 size = sizeof state;
    if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state,
                             &size) != noErr)
        return nullptr;
    return state;
}

std::string ValidatedUnit::ClassInfoXML() const {
    CFHolder<CFPropertyListRef> state(CopyClassInfo());
    return state.Get() ? PropertyListXML(state.Get()) : std::string();
}

OSStatus ValidatedUnit::SetClassInfo(CFPropertyListRef state) {
    return AudioUnitSetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0,
                                &state, sizeof state);
}

std::string PropertyListXML(CFPropertyListRef plist) {
    CFHolder<CFDataRef> data(
        CFPropertyListCreateData(nullptr, plist, kCFPropertyListXMLFormat_v1_0, 0, nullptr));
    if (!data.Get()) return {};
    const UInt8* bytes = CFDataGetBytePtr(data.Get());
    return bytes ? std::string(reinterpret_cast<const char*>(bytes),
                               static_cast<size_t>(CFDataGetLength(data.Get())))
                 : std::string();
}

void ValidatorTest::SetUp() {
    ASSERT_NE(ComponentEntry(), nullptr) << ComponentLoadError();
    mBefore = RealtimeViolations();
}

void ValidatorTest::TearDown() {
    const RealtimeCounts after = RealtimeViolations();
    EXPECT_EQ(after.allocations - mBefore.allocations, 0) << "heap allocations inside render";
    EXPECT_EQ(after.frees - mBefore.frees, 0) << "heap frees inside render";
    EXPECT_EQ(after.locks - mBefore.locks, 0) << "mutex locks inside render";
    if (!mTryLocksAllowed) {
        EXPECT_EQ(after.tryLocks - mBefore.tryLocks, 0) << "mutex tries inside render";
    }
}
