// A host's user-interface thread changing parameters (and bypass) while its audio thread
// renders. The ThreadSanitizer build runs these (their names say Concurrent) to prove the
// hand-over race-free; every build checks the audio.
#include "ValidatorSupport.h"

#include <atomic>
#include <cmath>
#include <functional>
#include <random>
#include <thread>

namespace {

constexpr int kBlocks = 500;
constexpr UInt32 kBlockFrames = 32;

class Threads : public ValidatorTest, public ::testing::WithParamInterface<RenderRoute> {
protected:
    void SetUp() override {
        ValidatorTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(mUnit.OpenStatus(), noErr);
        ASSERT_EQ(mUnit.Configure(48000, kBlockFrames), noErr);
        for (AudioUnitParameterID stage : {kAmpOn, kEQOn, kLimiterOn})
            ASSERT_EQ(mUnit.SetParameter(stage, 1.0f), noErr);
        ASSERT_EQ(mUnit.Initialize(), noErr);
        for (AudioUnitParameterID id : mUnit.ParameterIDs())
            mInfos.push_back(mUnit.ParameterInfo(id));
    }

    // Renders kBlocks blocks on this thread while another runs changes until they are done.
    void RenderWhile(const std::function<void(std::mt19937&)>& change) {
        std::atomic<bool> done{false};
        std::atomic<long> changes{0};
        std::thread changer([&] {
            std::mt19937 random(77);
            while (!done.load()) {
                change(random);
                changes.fetch_add(1);
            }
        });
        std::vector<float> left, right;
        bool clean = true;
        OSStatus status = noErr;
        for (int block = 0; block < kBlocks && status == noErr && clean; ++block) {
            const long before = changes.load();
            status = mUnit.Render(kBlockFrames, left, right, GetParam());
            clean = CheckOutput(left).firstBad < 0 && CheckOutput(right).firstBad < 0;
            // At least one change per block, as an audio callback's period would allow: on a
            // busy machine the blocks could otherwise all pass before the other thread starts.
            while (changes.load() == before)
                std::this_thread::yield();
        }
        done.store(true);
        changer.join();
        EXPECT_EQ(status, noErr);
        EXPECT_TRUE(clean) << "the last block rendered: " << CleanOutput(left, right).message();
        EXPECT_GE(changes.load(), kBlocks);
    }

    float RandomValue(AudioUnitParameterID id, std::mt19937& random) const {
        const AudioUnitParameterInfo& info = mInfos[id];
        return std::uniform_real_distribution<float>(info.minValue, info.maxValue)(random);
    }

    ValidatedUnit mUnit;
    std::vector<AudioUnitParameterInfo> mInfos;
};

TEST_P(Threads, ConcurrentParameterChangesWhileRendering) {
    RenderWhile([this](std::mt19937& random) {
        const auto id = static_cast<AudioUnitParameterID>(random() % kParamCount);
        const float value = RandomValue(id, random);
        const OSStatus status =
            random() % 2 ? mUnit.SetParameter(id, value) : mUnit.SetParameterScheduled(id, value);
        EXPECT_EQ(status, noErr);
        EXPECT_FALSE(std::isnan(mUnit.GetParameter(id)));
    });
}

TEST_P(Threads, ConcurrentBypassWhileRendering) {
    RenderWhile([this](std::mt19937& random) { EXPECT_EQ(mUnit.SetBypass(random() % 2), noErr); });
}

INSTANTIATE_TEST_SUITE_P(Validator, Threads,
                         ::testing::Values(RenderRoute::kFastDispatch, RenderRoute::kEntry),
                         [](const ::testing::TestParamInfo<RenderRoute>& info) {
                             return info.param == RenderRoute::kEntry ? "Entry" : "FastDispatch";
                         });

} // namespace
