// What an instance costs when others run beside it: one instance on one thread against two
// instances, each on its own thread of the same process, all stages on, through the plug-in's
// two entries as hosts load them (the LV2 bundle's shared object, the component bundle's).
// Each iteration runs every instance through the same second of audio in 256-frame blocks on
// its own thread; the time is the wall clock, so items per second is one instance's frames per
// second. `bench/compare parallel` prints the two-thread rate as a share of the one-thread rate.
// The memory cases open one instance, then sixteen more, and report what each further one added
// to the process's resident memory (the component's instances with their editors built, never
// shown).
#include "AudioUnit.h"
#include "ComponentCall.h"
#include "LV2TestHost.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {
constexpr uint32_t kBlock = 256;
constexpr int kBlocksPerRun = 172; // a second at 44.1 kHz
constexpr double kSampleRate = 44100.0;

// The settings of every run, by parameter index: all three stages on with real drive.
struct Setting {
    uint32_t index;
    float value;
};
// Limiter Attenuation, EQ Freq, EQ Level, EQ Wide, Amp Gain, Amp Tone, Amp Noise Reduction,
// and the three stage switches.
constexpr Setting kAllOn[] = {{0, 50.0f}, {1, 1.0f},  {2, 5000.0f}, {3, 6.0f},  {4, 0.0f},
                              {5, 1.0f},  {6, 25.0f}, {7, 0.0f},    {8, 90.0f}, {9, 1.0f}};
constexpr uint32_t kParamCount = 10;
constexpr uint32_t kMeterCount = 3;

std::string BuildDir() {
    const char* dir = std::getenv("BRINDLEX_BUILD_DIR");
    return dir ? dir : BRINDLEX_BUILD_DIR;
}

void Fill(std::vector<float>& samples, double frequency) {
    for (size_t s = 0; s < samples.size(); ++s)
        samples[s] =
            float(0.6 * std::sin(2.0 * 3.141592653589793 * frequency * double(s) / kSampleRate));
}

// One LV2 instance with every port connected.
class LV2Runner {
public:
    LV2Runner(const LV2_Descriptor* descriptor, LV2TestHost& host, const std::string& bundle)
        : mInstance(descriptor, host, kSampleRate, bundle.c_str()) {
        for (uint32_t c = 0; c < 2; ++c) {
            mIn[c].resize(kBlock);
            mOut[c].resize(kBlock);
            Fill(mIn[c], 220.0 * (c + 1));
            mInstance.Connect(c, mIn[c].data());
            mInstance.Connect(2 + c, mOut[c].data());
        }
        for (const Setting& setting : kAllOn) {
            mControls[setting.index] = setting.value;
            mInstance.Connect(4 + setting.index, &mControls[setting.index]);
        }
        for (uint32_t i = 0; i < kMeterCount; ++i)
            mInstance.Connect(4 + kParamCount + i, &mMeters[i]);
        mInstance.Activate();
    }
    bool Valid() const { return mInstance.Valid(); }
    void Run() {
        for (int b = 0; b < kBlocksPerRun; ++b)
            mInstance.Run(kBlock);
        benchmark::DoNotOptimize(mOut[0].data());
    }

private:
    LV2TestInstance mInstance;
    std::vector<float> mIn[2], mOut[2];
    float mControls[kParamCount] = {};
    float mMeters[kMeterCount] = {};
};

// The component's entry, found as a host finds it: the shared object its bundle names.
ComponentRoutineUPP ComponentEntry(std::string* error) {
    static ComponentRoutineUPP entry = [error] {
        const std::string bundlePath = BuildDir() + "/Brindlex.component";
        CFURLRef url = CFURLCreateFromFileSystemRepresentation(
            nullptr, reinterpret_cast<const UInt8*>(bundlePath.data()), CFIndex(bundlePath.size()),
            true);
        CFBundleRef bundle = CFBundleCreate(nullptr, url); // kept: the editor finds it by name
        CFRelease(url);
        CFURLRef executable = bundle ? CFBundleCopyExecutableURL(bundle) : nullptr;
        char path[4096] = "";
        if (executable) {
            CFURLGetFileSystemRepresentation(executable, true, reinterpret_cast<UInt8*>(path),
                                             sizeof path);
            CFRelease(executable);
        }
        void* library = *path ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : nullptr;
        if (!library) *error = bundlePath + ": cannot load its shared object";
        return library ? reinterpret_cast<ComponentRoutineUPP>(dlsym(library, "Brindlex_Entry"))
                       : nullptr;
    }();
    return entry;
}

// One open, initialised Audio Unit instance that pulls a sine from its input callback.
class AURunner {
public:
    explicit AURunner(ComponentRoutineUPP entry) {
        if (OpenComponentWithEntry(entry, &mUnit) != noErr) {
            mUnit = nullptr;
            return;
        }
        AudioStreamBasicDescription format{};
        format.mSampleRate = kSampleRate;
        format.mFormatID = kAudioFormatLinearPCM;
        format.mFormatFlags = kAudioFormatFlagsAudioUnitCanonical;
        format.mBytesPerPacket = format.mBytesPerFrame = sizeof(float);
        format.mFramesPerPacket = 1;
        format.mChannelsPerFrame = 2;
        format.mBitsPerChannel = 32;
        for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output})
            AudioUnitSetProperty(mUnit, kAudioUnitProperty_StreamFormat, scope, 0, &format,
                                 sizeof format);
        UInt32 maxFrames = kBlock;
        AudioUnitSetProperty(mUnit, kAudioUnitProperty_MaximumFramesPerSlice,
                             kAudioUnitScope_Global, 0, &maxFrames, sizeof maxFrames);
        const AURenderCallbackStruct callback{SupplyInput, this};
        AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                             &callback, sizeof callback);
        for (const Setting& setting : kAllOn)
            AudioUnitSetParameter(mUnit, setting.index, kAudioUnitScope_Global, 0, setting.value,
                                  0);
        for (uint32_t c = 0; c < 2; ++c) {
            mIn[c].resize(kBlock);
            mOut[c].resize(kBlock);
            Fill(mIn[c], 220.0 * (c + 1));
        }
        if (AudioUnitInitialize(mUnit) != noErr) {
            CloseComponent(mUnit);
            mUnit = nullptr;
        }
    }
    ~AURunner() {
        if (mUnit) CloseComponent(mUnit);
    }
    AURunner(const AURunner&) = delete;
    AURunner& operator=(const AURunner&) = delete;

    bool Valid() const { return mUnit != nullptr; }
    void Run() {
        AudioBufferListWithBuffers<2> list;
        AudioTimeStamp timeStamp{};
        timeStamp.mFlags = kAudioTimeStampSampleTimeValid;
        for (int b = 0; b < kBlocksPerRun; ++b) {
            for (uint32_t c = 0; c < 2; ++c)
                list.mBuffers[c] = AudioBuffer{1, kBlock * sizeof(float), mOut[c].data()};
            timeStamp.mSampleTime = Float64(mSampleTime);
            AudioUnitRenderActionFlags flags = 0;
            AudioUnitRender(mUnit, &flags, &timeStamp, 0, kBlock, list.List());
            mSampleTime += kBlock;
        }
        benchmark::DoNotOptimize(mOut[0].data());
    }

private:
    static OSStatus SupplyInput(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*,
                                UInt32, UInt32 nFrames, AudioBufferList* ioData) {
        auto* runner = static_cast<AURunner*>(refCon);
        for (UInt32 c = 0; c < ioData->mNumberBuffers && c < 2; ++c)
            std::copy(runner->mIn[c].begin(), runner->mIn[c].begin() + nFrames,
                      static_cast<float*>(ioData->mBuffers[c].mData));
        return noErr;
    }

    AudioUnit mUnit = nullptr;
    std::vector<float> mIn[2], mOut[2];
    uint64_t mSampleTime = 0;
};

// Every runner through one second of audio on its own thread, the first on this one.
template <class Runner> void RunTogether(std::vector<std::unique_ptr<Runner>>& runners) {
    std::vector<std::thread> others;
    for (size_t i = 1; i < runners.size(); ++i)
        others.emplace_back([&runners, i] { runners[i]->Run(); });
    runners[0]->Run();
    for (std::thread& other : others)
        other.join();
}

template <class Make> void RunInstances(benchmark::State& state, Make make) {
    std::vector<decltype(make())> runners;
    for (int i = 0; i < state.range(0); ++i) {
        runners.push_back(make());
        if (!runners.back()->Valid()) {
            state.SkipWithError("the instance did not open");
            return;
        }
    }
    RunTogether(runners); // warm: the first blocks settle the envelopes
    for (auto _ : state)
        RunTogether(runners);
    state.SetItemsProcessed(state.iterations() * int64_t(kBlock) * kBlocksPerRun);
}

long ResidentBytes() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * 4096;
}

template <class Make> void MeasureInstanceMemory(benchmark::State& state, Make make) {
    constexpr int kFurther = 16;
    for (auto _ : state) {
        std::vector<decltype(make())> runners;
        runners.push_back(make());
        runners.back()->Run();
        const long before = ResidentBytes();
        for (int i = 0; i < kFurther; ++i) {
            runners.push_back(make());
            runners.back()->Run();
        }
        state.counters["bytes_per_further_instance"] = double(ResidentBytes() - before) / kFurther;
    }
}

// Runs body with a maker of instances of the LV2 bundle, or marks the case skipped.
template <class Body> void WithLV2Instances(benchmark::State& state, Body body) {
    std::string error;
    const std::string bundle = BuildDir() + "/Brindlex.lv2";
    const LV2_Descriptor* descriptor = LoadPluginDescriptor(bundle + "/Brindlex.so", &error);
    if (!descriptor) {
        state.SkipWithError(error.c_str());
        return;
    }
    LV2TestHost host;
    host.SetMaxBlockLength(kBlock);
    body([&] { return std::make_unique<LV2Runner>(descriptor, host, bundle); });
}

// The same with instances of the component.
template <class Body> void WithAUInstances(benchmark::State& state, Body body) {
    std::string error;
    ComponentRoutineUPP entry = ComponentEntry(&error);
    if (!entry) {
        state.SkipWithError(error.c_str());
        return;
    }
    body([&] { return std::make_unique<AURunner>(entry); });
}

void BM_LV2Instances(benchmark::State& state) {
    WithLV2Instances(state, [&](auto make) { RunInstances(state, make); });
}

void BM_AUInstances(benchmark::State& state) {
    WithAUInstances(state, [&](auto make) { RunInstances(state, make); });
}

void BM_LV2InstanceMemory(benchmark::State& state) {
    WithLV2Instances(state, [&](auto make) { MeasureInstanceMemory(state, make); });
}

void BM_AUInstanceMemory(benchmark::State& state) {
    WithAUInstances(state, [&](auto make) { MeasureInstanceMemory(state, make); });
}
} // namespace

BENCHMARK(BM_LV2Instances)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AUInstances)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LV2InstanceMemory)->Iterations(1);
BENCHMARK(BM_AUInstanceMemory)->Iterations(1);

BENCHMARK_MAIN();
