// The effect's LV2 plug-in, loaded from its bundle and run as LV2 hosts run it, with every run
// watched by the probe and every output sample checked. LV2 lets run try the plug-in's lock
// (changed controls are applied only while no other thread holds it), so tries are allowed here;
// waiting for the lock, allocating and freeing are not.
#include "LV2TestHost.h"
#include "ValidatorSupport.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

namespace {

constexpr uint32_t kFirstParamPort = 4;
constexpr uint32_t kNumMeters = 3;
constexpr uint32_t kMaxBlock = 512;

// One instance with every port connected, fed the validator's noise.
class LV2Plugin : public LV2TestInstance {
public:
    LV2Plugin(const LV2_Descriptor* descriptor, LV2TestHost& host, double sampleRate,
              const std::vector<AudioUnitParameterInfo>& infos)
        : LV2TestInstance(descriptor, host, sampleRate, LV2_BUNDLE_DIR) {
        if (!Valid()) return;
        for (uint32_t c = 0; c < 2; ++c) {
            mIn[c].resize(kMaxBlock);
            mOut[c].resize(kMaxBlock);
            Connect(c, mIn[c].data());
            Connect(2 + c, mOut[c].data());
        }
        for (uint32_t i = 0; i < kParamCount; ++i) {
            mControls[i] = infos[i].defaultValue;
            Connect(kFirstParamPort + i, &mControls[i]);
        }
        for (uint32_t i = 0; i < kNumMeters; ++i)
            Connect(kFirstParamPort + kParamCount + i, &mMeters[i]);
        Activate();
    }

    // Runs nFrames (at most kMaxBlock) inside a RenderScope; left and right get the output.
    void Run(uint32_t nFrames, std::vector<float>& left, std::vector<float>& right) {
        for (uint32_t c = 0; c < 2; ++c)
            for (uint32_t s = 0; s < nFrames; ++s)
                mIn[c][s] = SignalSample(Signal::kNoise, int(c), mSampleTime + s);
        {
            RenderScope scope;
            LV2TestInstance::Run(nFrames);
        }
        mSampleTime += nFrames;
        left.assign(mOut[0].begin(), mOut[0].begin() + nFrames);
        right.assign(mOut[1].begin(), mOut[1].begin() + nFrames);
    }

    // The value the saved state holds for a parameter (NaN when there is none).
    static double SavedValue(const LV2StateStore& store, AudioUnitParameterID id) {
        if (store.properties.size() != 1) return std::nan("");
        const std::vector<unsigned char>& bytes = store.properties.begin()->second.value;
        if (bytes.size() != kParamCount * sizeof(double)) return std::nan("");
        double value;
        std::memcpy(&value, bytes.data() + id * sizeof(double), sizeof value);
        return value;
    }

    float mControls[kParamCount] = {};
    float mMeters[kNumMeters] = {};

private:
    std::vector<float> mIn[2], mOut[2];
    uint64_t mSampleTime = 0;
};

class LV2Run : public ValidatorTest {
protected:
    void SetUp() override {
        ValidatorTest::SetUp();
        if (HasFatalFailure()) return;
        AllowTryLocks();
        std::string error;
        mDescriptor = LoadPluginDescriptor(LV2_BUNDLE_DIR "/Brindlex.so", &error);
        ASSERT_NE(mDescriptor, nullptr) << error;
        ValidatedUnit unit; // the same effect publishes the same ranges
        ASSERT_EQ(unit.OpenStatus(), noErr);
        for (AudioUnitParameterID id = 0; id < kParamCount; ++id)
            mInfos.push_back(unit.ParameterInfo(id));
        mHost.SetMaxBlockLength(kMaxBlock);
    }

    ::testing::AssertionResult MetersInRange(const LV2Plugin& plugin) const {
        for (uint32_t i = 0; i < kNumMeters; ++i)
            if (!(plugin.mMeters[i] >= 0.0f && plugin.mMeters[i] <= 1.0f))
                return ::testing::AssertionFailure() << "meter " << i << ": " << plugin.mMeters[i];
        return ::testing::AssertionSuccess();
    }

    const LV2_Descriptor* mDescriptor = nullptr;
    std::vector<AudioUnitParameterInfo> mInfos;
    LV2TestHost mHost;
    std::mt19937 mRandom{4242};
};

TEST_F(LV2Run, ControlsAtAnyValueAndBlocksOfAnySizeRunClean) {
    const float kNaN = std::numeric_limits<float>::quiet_NaN();
    for (double sampleRate : kSampleRates) {
        SCOPED_TRACE(::testing::Message() << sampleRate << " Hz");
        LV2Plugin plugin(mDescriptor, mHost, sampleRate, mInfos);
        ASSERT_TRUE(plugin.Valid());
        for (AudioUnitParameterID stage : {kAmpOn, kEQOn, kLimiterOn})
            plugin.mControls[stage] = 1.0f;
        std::uniform_int_distribution<uint32_t> frames(0, kMaxBlock);
        std::vector<float> left, right;
        for (int block = 0; block < 60; ++block) {
            // A control moved by the host between blocks: to a bound, anywhere in the range,
            // outside it, or to no number at all (which the plug-in ignores).
            const auto id = static_cast<AudioUnitParameterID>(mRandom() % kParamCount);
            const float lo = mInfos[id].minValue, hi = mInfos[id].maxValue;
            const float choices[] = {lo, hi, std::uniform_real_distribution<float>(lo, hi)(mRandom),
                                     hi + (hi - lo), kNaN};
            plugin.mControls[id] = choices[mRandom() % std::size(choices)];
            const uint32_t n = block == 0 ? kMaxBlock : frames(mRandom);
            plugin.Run(n, left, right);
            ASSERT_TRUE(CleanOutput(left, right)) << "block " << block << ", " << n << " frames";
            ASSERT_TRUE(MetersInRange(plugin)) << "block " << block;
        }
    }
}

// A host saving the session on another thread while the audio thread runs and the user moves a
// control: run never waits for the lock the save holds, and a change it had to leave pending
// arrives at a later block.
TEST_F(LV2Run, ConcurrentStateSavesWhileRunning) {
    LV2Plugin plugin(mDescriptor, mHost, 48000, mInfos);
    ASSERT_TRUE(plugin.Valid());
    plugin.mControls[kAmpOn] = 1.0f;
    std::atomic<bool> done{false};
    std::atomic<long> saves{0};
    std::atomic<bool> saveFailed{false};
    std::thread saver([&] {
        while (!done.load()) {
            LV2StateStore store;
            if (plugin.Save(&store) != LV2_STATE_SUCCESS) saveFailed.store(true);
            saves.fetch_add(1);
        }
    });
    std::vector<float> left, right;
    bool clean = true;
    for (int block = 0; block < 500 && clean; ++block) {
        const long before = saves.load();
        // Atomically, as the save reads the ports meanwhile.
        const float gain = static_cast<float>(block % 50);
        __atomic_store(&plugin.mControls[kAmpGain], &gain, __ATOMIC_RELAXED);
        plugin.Run(32, left, right);
        clean = CleanOutput(left, right);
        while (saves.load() == before)
            std::this_thread::yield();
    }
    done.store(true);
    saver.join();
    EXPECT_TRUE(clean) << CleanOutput(left, right).message();
    EXPECT_FALSE(saveFailed.load());

    plugin.mControls[kAmpGain] = 77.0f;
    plugin.Run(32, left, right);
    LV2StateStore store;
    ASSERT_EQ(plugin.Save(&store), LV2_STATE_SUCCESS);
    EXPECT_EQ(LV2Plugin::SavedValue(store, kAmpGain), 77.0);
}

} // namespace
