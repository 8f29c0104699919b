// Opening, initialising, uninitialising and closing, over and over, as hosts do when they scan,
// load projects and change settings.
#include "ComponentCall.h"
#include "ValidatorSupport.h"

#include <memory>

namespace {

using Lifecycle = ValidatorTest;

constexpr int kCycles = 100;

TEST_F(Lifecycle, ColdCyclesOfOpenInitializeUninitializeClose) {
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        AudioUnit unit = nullptr;
        ASSERT_EQ(OpenComponentWithEntry(ComponentEntry(), &unit), noErr) << cycle;
        ASSERT_EQ(AudioUnitInitialize(unit), noErr) << cycle;
        ASSERT_EQ(AudioUnitUninitialize(unit), noErr) << cycle;
        ASSERT_EQ(CloseComponent(unit), noErr) << cycle;
    }
}

TEST_F(Lifecycle, WarmCyclesRenderBetweenInitializeAndUninitialize) {
    std::vector<float> left, right;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        ValidatedUnit unit;
        ASSERT_EQ(unit.OpenStatus(), noErr) << cycle;
        ASSERT_EQ(unit.Configure(kSampleRates[cycle % 8], kMaxFrames[cycle % 8]), noErr) << cycle;
        ASSERT_EQ(unit.SetParameter(kAmpOn, 1.0f), noErr);
        ASSERT_EQ(unit.SetParameter(kEQOn, 1.0f), noErr);
        ASSERT_EQ(unit.SetParameter(kLimiterOn, 1.0f), noErr);
        ASSERT_EQ(unit.Initialize(), noErr) << cycle;
        ASSERT_EQ(unit.Render(kMaxFrames[cycle % 8], left, right), noErr) << cycle;
        ASSERT_TRUE(CleanOutput(left, right)) << cycle;
        ASSERT_EQ(unit.Uninitialize(), noErr) << cycle;
    }
}

TEST_F(Lifecycle, OneInstanceInitializedAgainAndAgain) {
    ValidatedUnit unit;
    ASSERT_EQ(unit.OpenStatus(), noErr);
    ASSERT_EQ(unit.Configure(48000, 512), noErr);
    ASSERT_EQ(unit.SetParameter(kAmpOn, 1.0f), noErr);
    std::vector<float> left, right;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        ASSERT_EQ(unit.Initialize(), noErr) << cycle;
        ASSERT_EQ(unit.Render(512, left, right), noErr) << cycle;
        ASSERT_TRUE(CleanOutput(left, right)) << cycle;
        ASSERT_EQ(unit.Uninitialize(), noErr) << cycle;
    }
    // Parameters survive re-initialisation.
    EXPECT_EQ(unit.GetParameter(kAmpOn), 1.0f);
}

// Hosts may render an instance they have not initialised, or no longer have.
TEST_F(Lifecycle, RendersBeforeInitializeAndAfterUninitialize) {
    ValidatedUnit unit;
    ASSERT_EQ(unit.OpenStatus(), noErr);
    ASSERT_EQ(unit.Configure(44100, 256), noErr);
    for (AudioUnitParameterID stage : {kAmpOn, kEQOn, kLimiterOn})
        ASSERT_EQ(unit.SetParameter(stage, 1.0f), noErr);
    std::vector<float> left, right;
    ASSERT_EQ(unit.Render(256, left, right), noErr);
    EXPECT_TRUE(CleanOutput(left, right));
    ASSERT_EQ(unit.Initialize(), noErr);
    ASSERT_EQ(unit.Render(256, left, right), noErr);
    ASSERT_EQ(unit.Uninitialize(), noErr);
    ASSERT_EQ(unit.Render(256, left, right, RenderRoute::kFastDispatch), noErr);
    EXPECT_TRUE(CleanOutput(left, right));
}

TEST_F(Lifecycle, ManyInstancesLiveAtOnce) {
    std::vector<std::unique_ptr<ValidatedUnit>> units;
    for (int i = 0; i < 16; ++i) {
        units.push_back(std::make_unique<ValidatedUnit>());
        ASSERT_EQ(units.back()->OpenStatus(), noErr);
        ASSERT_EQ(units.back()->Configure(44100, 256), noErr);
        ASSERT_EQ(units.back()->Initialize(), noErr);
    }
    std::vector<float> left, right;
    for (auto& unit : units) {
        ASSERT_EQ(unit->Render(256, left, right), noErr);
        EXPECT_TRUE(CleanOutput(left, right));
    }
    // Closed out of the order they were opened in.
    for (size_t i = 0; i < units.size(); i += 2)
        units[i].reset();
}

} // namespace
