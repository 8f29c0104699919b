// Frames per second of the effect's processing, next to what it cannot avoid: the floor of its
// two pow calls a frame, and a plain copy of the same buffers; and the cost of one draw of the
// instance's noise generator. `bench/compare build/bench/effect_bench` prints the effect with
// all stages on as a multiple of the floor.
#include "Brindlex.h"
#include "NoiseGenerator.h"
#include "config.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {
constexpr int kBlock = 512;
constexpr double kPi = 3.141592653589793;

// A stereo block of programme-like material: two partials each side under a slow swell.
struct StereoBlock {
    std::vector<double> inL, inR, outL, outR;
    StereoBlock() : inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock) {
        for (int s = 0; s < kBlock; ++s) {
            const double t = s / 44100.0;
            const double swell = 0.6 + 0.4 * std::sin(2.0 * kPi * 3.0 * t);
            inL[s] = swell * (0.5 * std::sin(2.0 * kPi * 220.0 * t) +
                              0.2 * std::sin(2.0 * kPi * 1375.0 * t));
            inR[s] = swell * (0.45 * std::sin(2.0 * kPi * 330.0 * t + 0.3) +
                              0.25 * std::sin(2.0 * kPi * 2750.0 * t));
        }
    }
};

std::unique_ptr<IFxAU> MakeEffect(bool allOn) {
    std::unique_ptr<IFxAU> effect(MakePlug());
    if (allOn) {
        auto set = [&effect](int index, double value) { effect->GetParam(index)->Set(value); };
        set(Brindlex::kAmpOn, 1.0);
        set(Brindlex::kEQOn, 1.0);
        set(Brindlex::kLimiterOn, 1.0);
        set(Brindlex::kAmpGain, 25.0);
        set(Brindlex::kAmpNoiseReduction, 90.0);
        set(Brindlex::kLimiterAttenuation, 50.0);
        set(Brindlex::kEQLevel, 6.0);
    }
    effect->OnParamReset();
    return effect;
}

void RunEffect(benchmark::State& state, bool allOn) {
    std::unique_ptr<IFxAU> effect = MakeEffect(allOn);
    StereoBlock block;
    double* inputs[] = {block.inL.data(), block.inR.data()};
    double* outputs[] = {block.outL.data(), block.outR.data()};
    for (auto _ : state) {
        effect->ProcessDoubleReplacing(inputs, outputs, kBlock);
        benchmark::DoNotOptimize(block.outL.data());
        benchmark::DoNotOptimize(block.outR.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

void BM_EffectAllOff(benchmark::State& state) {
    RunEffect(state, false);
}

void Ours_AllStagesOn(benchmark::State& state) {
    RunEffect(state, true);
}

// The library calls the chain must make per frame, with arguments from the waveshaper's pow
// range.
void TwoPow_AllStagesOn(benchmark::State& state) {
    StereoBlock block;
    for (auto _ : state) {
        for (int s = 0; s < kBlock; ++s) {
            const double baseL = 1.0 - (std::fabs(block.inL[s]) + 0.056);
            const double baseR = 1.0 - (std::fabs(block.inR[s]) + 0.056);
            block.outL[s] = std::pow(baseL, 12.0);
            block.outR[s] = std::pow(baseR, 12.0);
        }
        benchmark::DoNotOptimize(block.outL.data());
        benchmark::DoNotOptimize(block.outR.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

void BM_NoiseDraw(benchmark::State& state) {
    NoiseGenerator generator(NoiseStream::kFirstSeed);
    for (auto _ : state)
        benchmark::DoNotOptimize(generator.Next());
    state.SetItemsProcessed(state.iterations());
}

void BM_Copy(benchmark::State& state) {
    StereoBlock block;
    for (auto _ : state) {
        std::copy(block.inL.begin(), block.inL.end(), block.outL.begin());
        std::copy(block.inR.begin(), block.inR.end(), block.outR.begin());
        benchmark::DoNotOptimize(block.outL.data());
        benchmark::DoNotOptimize(block.outR.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}
} // namespace

BENCHMARK(BM_EffectAllOff);
BENCHMARK(Ours_AllStagesOn);
BENCHMARK(TwoPow_AllStagesOn);
BENCHMARK(BM_NoiseDraw);
BENCHMARK(BM_Copy);

BENCHMARK_MAIN();
