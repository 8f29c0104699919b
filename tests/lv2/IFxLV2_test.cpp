// A plug-in run as an LV2 instance: ports, the real-time run, parameter changes, the state.
#include "IFxLV2.h"
#include "LV2TestHost.h"
#include "TestPlug.h"

#include <lv2/atom/atom.h>

#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

constexpr char kURI[] = "urn:brindlex:test";

// Three parameters: a level, a switch and a shaped amount.
std::unique_ptr<TestPlug> MakeTestPlug() {
    auto plug = std::make_unique<TestPlug>(3);
    plug->GetParam(0)->InitDouble("Level", 1.0, 0.0, 10.0, 0.01);
    plug->GetParam(2)->InitDouble("Amount", 0.5, -1.0, 1.0, 0.01);
    return plug;
}

// One instance with its ports: audio buffers of kFrames and a float per control port.
class LV2Instance {
public:
    static constexpr int kFrames = 64;

    explicit LV2Instance(LV2TestHost& host, bool withMap = true,
                         std::vector<IFxLV2OutputControl*> outputs = {})
        : mLV2(MakeTestPlug(), std::move(outputs), kURI, 48000.0, host.Features(withMap)),
          mControls(mLV2.Ports().nParams), mOutputs(mLV2.Ports().nControlOut, -1.0f) {
        for (auto* buffers : {&mIn, &mOut})
            for (std::vector<float>& buffer : *buffers)
                buffer.assign(kFrames, 0.0f);
        const IFxLV2Ports& ports = mLV2.Ports();
        for (int c = 0; c < 2; ++c) {
            mLV2.ConnectPort(c, mIn[c].data());
            mLV2.ConnectPort(ports.FirstAudioOut() + c, mOut[c].data());
        }
        for (int i = 0; i < ports.nParams; ++i) {
            mControls[i] = static_cast<float>(Plug().GetParam(i)->Value());
            mLV2.ConnectPort(ports.FirstParam() + i, &mControls[i]);
        }
        for (int i = 0; i < ports.nControlOut; ++i)
            mLV2.ConnectPort(ports.FirstControlOut() + i, &mOutputs[i]);
        Plug().mParamChanges.clear();
        Plug().mParamChangeLockDepths.clear();
    }

    TestPlug& Plug() { return static_cast<TestPlug&>(mLV2.Plug()); }

    IFxLV2 mLV2;
    std::vector<float> mIn[2], mOut[2];
    std::vector<float> mControls;
    std::vector<float> mOutputs;
};

std::vector<float> Ramp(int frames, float start, float step) {
    std::vector<float> values(frames);
    for (int s = 0; s < frames; ++s)
        values[s] = start + step * static_cast<float>(s);
    return values;
}

// What the plug-in's float path makes of a sample: widened, scaled in double, rounded back.
float Scaled(float sample, double gain) {
    return static_cast<float>(static_cast<double>(sample) * gain);
}

TEST(IFxLV2, PortsFollowTheChannelsParametersAndOutputs) {
    LV2TestHost host;
    IFxLV2OutputControl meter;
    LV2Instance instance(host, true, {&meter});
    const IFxLV2Ports& ports = instance.mLV2.Ports();
    EXPECT_EQ(ports.nAudioIn, 2);
    EXPECT_EQ(ports.FirstAudioOut(), 2);
    EXPECT_EQ(ports.FirstParam(), 4);
    EXPECT_EQ(ports.FirstControlOut(), 7);
    EXPECT_EQ(ports.Count(), 8);
    instance.mLV2.ConnectPort(8, nullptr); // no such port: ignored
    instance.mLV2.ConnectPort(UINT32_MAX, nullptr);
    instance.mLV2.Run(4);
    EXPECT_EQ(instance.Plug().mProcessedFrames, std::vector<int>{4});
}

TEST(IFxLV2, AudioIsConvertedAsTheFloatAttachmentDoesAlsoInPlace) {
    LV2TestHost host;
    LV2Instance instance(host);
    instance.Plug().mGain = 0.3;
    const std::vector<float> left = Ramp(LV2Instance::kFrames, -0.7f, 0.0213f);
    const std::vector<float> right = Ramp(LV2Instance::kFrames, 0.9f, -0.0171f);
    instance.mIn[0] = left;
    instance.mIn[1] = right;
    instance.mLV2.Run(LV2Instance::kFrames);
    for (int s = 0; s < LV2Instance::kFrames; ++s) {
        ASSERT_EQ(instance.mOut[0][s], Scaled(left[s], 0.3)) << s;
        ASSERT_EQ(instance.mOut[1][s], Scaled(right[s], 0.3)) << s;
    }

    // Hosts may hand the same buffer as input and output, or cross the channels.
    const IFxLV2Ports& ports = instance.mLV2.Ports();
    std::vector<float> a = left, b = right;
    instance.mLV2.ConnectPort(0, a.data());
    instance.mLV2.ConnectPort(1, b.data());
    instance.mLV2.ConnectPort(ports.FirstAudioOut(), a.data());
    instance.mLV2.ConnectPort(ports.FirstAudioOut() + 1, b.data());
    instance.mLV2.Run(LV2Instance::kFrames);
    EXPECT_EQ(a, instance.mOut[0]);
    EXPECT_EQ(b, instance.mOut[1]);

    a = left, b = right;
    instance.mLV2.ConnectPort(ports.FirstAudioOut(), b.data());
    instance.mLV2.ConnectPort(ports.FirstAudioOut() + 1, a.data());
    instance.mLV2.Run(LV2Instance::kFrames);
    EXPECT_EQ(b, instance.mOut[0]);
    EXPECT_EQ(a, instance.mOut[1]);

    // An unconnected input reads silence; an unconnected output is skipped.
    instance.mLV2.ConnectPort(0, nullptr);
    instance.mLV2.ConnectPort(ports.FirstAudioOut() + 1, nullptr);
    instance.mLV2.ConnectPort(ports.FirstAudioOut(), instance.mOut[0].data());
    instance.mLV2.Run(LV2Instance::kFrames);
    EXPECT_EQ(instance.mOut[0], std::vector<float>(LV2Instance::kFrames, 0.0f));
}

TEST(IFxLV2, BlocksBeyondTheBlockSizeRunInPieces) {
    LV2TestHost host;
    {
        // Without the host's maximum, the default; every piece lands in its place.
        LV2Instance instance(host);
        ASSERT_EQ(instance.mLV2.GetBlockSize(), IFxLV2::kDefaultBlockSize);
        const int frames = 2 * IFxLV2::kDefaultBlockSize + 100;
        std::vector<float> in = Ramp(frames, -1.0f, 1.0f / frames), out(frames);
        const IFxLV2Ports& ports = instance.mLV2.Ports();
        instance.mLV2.ConnectPort(0, in.data());
        instance.mLV2.ConnectPort(1, nullptr);
        instance.mLV2.ConnectPort(ports.FirstAudioOut(), out.data());
        instance.mLV2.ConnectPort(ports.FirstAudioOut() + 1, nullptr);
        instance.mLV2.Run(frames);
        EXPECT_EQ(instance.Plug().mProcessedFrames,
                  (std::vector<int>{IFxLV2::kDefaultBlockSize, IFxLV2::kDefaultBlockSize, 100}));
        EXPECT_EQ(out, in);
        // An empty block still reaches the plug-in once, for its per-block work.
        instance.mLV2.Run(0);
        EXPECT_EQ(instance.Plug().mProcessedFrames.back(), 0);
    }
    host.SetMaxBlockLength(96);
    EXPECT_EQ(LV2Instance(host).mLV2.GetBlockSize(), 96);
    host.SetMaxBlockLength(1 << 30);
    EXPECT_EQ(LV2Instance(host).mLV2.GetBlockSize(), IFxLV2::kMaxBlockSize);
    host.SetMaxBlockLength(-5);
    EXPECT_EQ(LV2Instance(host).mLV2.GetBlockSize(), IFxLV2::kDefaultBlockSize);
}

TEST(IFxLV2, ChangedControlsAreAppliedInIndexOrderUnderTheLock) {
    LV2TestHost host;
    LV2Instance instance(host);
    TestPlug& plug = instance.Plug();
    instance.mLV2.Run(8);
    EXPECT_TRUE(plug.mParamChanges.empty()); // the ports hold what the parameters hold

    instance.mControls[2] = 0.25f;
    instance.mControls[0] = 12.0f; // beyond the range: clamped, as the Audio Unit does
    instance.mLV2.Run(8);
    EXPECT_EQ(plug.mParamChanges, (std::vector<int>{0, 2}));
    EXPECT_EQ(plug.mParamChangeLockDepths, (std::vector<int>{2, 2}));
    EXPECT_EQ(plug.GetParam(0)->Value(), 10.0);
    EXPECT_EQ(plug.GetParam(2)->Value(), 0.25);

    plug.mParamChanges.clear();
    instance.mLV2.Run(8);
    EXPECT_TRUE(plug.mParamChanges.empty()); // unchanged ports are not applied again

    // A port holding no number is not applied, and not retried every block.
    instance.mControls[1] = std::numeric_limits<float>::quiet_NaN();
    instance.mControls[2] = std::numeric_limits<float>::infinity();
    instance.mLV2.Run(8);
    instance.mLV2.Run(8);
    EXPECT_TRUE(plug.mParamChanges.empty());
    EXPECT_EQ(plug.GetParam(2)->Value(), 0.25);

    // An unconnected control leaves its parameter alone.
    instance.mLV2.ConnectPort(instance.mLV2.Ports().FirstParam(), nullptr);
    instance.mControls[1] = 1.0f;
    instance.mLV2.Run(8);
    EXPECT_EQ(plug.mParamChanges, std::vector<int>{1});
    EXPECT_EQ(plug.mParamChangeLockDepths.back(), 2);
    EXPECT_EQ(plug.LockDepth(), 0);
}

TEST(IFxLV2, ChangesWaitWhileAnotherThreadHoldsTheMutex) {
    LV2TestHost host;
    LV2Instance instance(host);
    TestPlug& plug = instance.Plug();

    std::mutex mutex;
    std::condition_variable changed;
    bool held = false, release = false;
    std::thread saver([&] {
        IFxBase::IMutexLock lock(&plug);
        std::unique_lock<std::mutex> guard(mutex);
        held = true;
        changed.notify_all();
        changed.wait(guard, [&] { return release; });
    });
    {
        std::unique_lock<std::mutex> guard(mutex);
        changed.wait(guard, [&] { return held; });
    }

    instance.mControls[0] = 3.0f;
    instance.mLV2.Run(16); // audio goes on; the change waits
    EXPECT_EQ(plug.mProcessedFrames, std::vector<int>{16});
    EXPECT_TRUE(plug.mParamChanges.empty());
    EXPECT_EQ(plug.GetParam(0)->Value(), 1.0);

    {
        std::lock_guard<std::mutex> guard(mutex);
        release = true;
    }
    changed.notify_all();
    saver.join();
    instance.mLV2.Run(16);
    EXPECT_EQ(plug.mParamChanges, std::vector<int>{0});
    EXPECT_EQ(plug.GetParam(0)->Value(), 3.0);
}

TEST(IFxLV2, OutputControlsPublishToTheirPorts) {
    IFxLV2OutputControl meter;
    meter.SetValueFromPlug(0.5); // not connected: nowhere
    float port = -1.0f;
    meter.Connect(&port);
    meter.SetValueFromPlug(0.1);
    EXPECT_EQ(port, 0.1f);

    // The instance routes the output ports to the controls in order.
    LV2TestHost host;
    IFxLV2OutputControl first, second;
    LV2Instance instance(host, true, {&first, &second});
    first.SetValueFromPlug(0.25);
    second.SetValueFromPlug(0.75);
    EXPECT_EQ(instance.mOutputs, (std::vector<float>{0.25f, 0.75f}));
}

TEST(IFxLV2, StateHoldsWhatThePortsSayAndRestoresIt) {
    LV2TestHost host;
    LV2Instance source(host);
    // A host saves right after writing the ports, before any block ran.
    source.mControls = {12.0f, 1.0f, -0.125f}; // 12 is beyond the range: clamped
    LV2StateStore store;
    ASSERT_EQ(source.mLV2.SaveState(LV2StateStore::Store, &store), LV2_STATE_SUCCESS);
    ASSERT_EQ(store.properties.size(), 1u);
    const auto& [key, saved] = *store.properties.begin();
    EXPECT_EQ(key, host.Map(std::string(kURI) + "#state"));
    EXPECT_EQ(saved.type, host.Map(LV2_ATOM__Chunk));
    EXPECT_EQ(saved.flags, uint32_t{LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE});
    EXPECT_EQ(saved.value, DoubleBytes({10.0, 1.0, -0.125}));
    EXPECT_TRUE(source.Plug().mParamChanges.empty()); // the changes are still Run's to apply
    source.mLV2.Run(1);
    EXPECT_EQ(source.Plug().mParamChanges, (std::vector<int>{0, 1, 2}));

    // A fresh instance, its ports at the defaults, as a host that restores only the state has
    // it: the restore is newer than the ports.
    LV2Instance restored(host);
    TestPlug& plug = restored.Plug();
    ASSERT_EQ(restored.mLV2.RestoreState(LV2StateStore::Retrieve, &store), LV2_STATE_SUCCESS);
    restored.mLV2.Run(1);
    EXPECT_EQ(plug.GetParam(0)->Value(), 10.0);
    EXPECT_EQ(plug.GetParam(1)->Value(), 1.0);
    EXPECT_EQ(plug.GetParam(2)->Value(), -0.125);
    EXPECT_EQ(plug.mParamChanges, (std::vector<int>{0, 1, 2}));
    LV2StateStore again;
    ASSERT_EQ(restored.mLV2.SaveState(LV2StateStore::Store, &again), LV2_STATE_SUCCESS);
    EXPECT_EQ(again.properties.begin()->second.value, saved.value);

    // A host that also sets the ports to the saved values changes nothing; a port that says
    // otherwise afterwards wins.
    plug.mParamChanges.clear();
    restored.mControls = {10.0f, 1.0f, -0.125f};
    restored.mLV2.Run(1);
    EXPECT_TRUE(plug.mParamChanges.empty());
    restored.mControls[0] = 2.0f;
    restored.mLV2.Run(1);
    EXPECT_EQ(plug.mParamChanges, std::vector<int>{0});
}

TEST(IFxLV2, RestoreRefusesWhatIsNotAWholeState) {
    LV2TestHost host;
    LV2Instance instance(host);
    TestPlug& plug = instance.Plug();
    const uint32_t key = host.Map(std::string(kURI) + "#state");
    const uint32_t chunk = host.Map(LV2_ATOM__Chunk);
    const double nan = std::numeric_limits<double>::quiet_NaN();

    struct Case {
        const char* what;
        std::vector<unsigned char> value;
        uint32_t type;
        LV2_State_Status expected;
    } cases[] = {
        {"another type", DoubleBytes({2.0, 0.0, 0.0}), host.Map(LV2_ATOM__Int),
         LV2_STATE_ERR_BAD_TYPE},
        {"too short", DoubleBytes({2.0, 0.0}), chunk, LV2_STATE_ERR_UNKNOWN},
        {"too long", DoubleBytes({2.0, 0.0, 0.0, 0.0}), chunk, LV2_STATE_ERR_UNKNOWN},
        {"not a number", DoubleBytes({2.0, nan, 0.0}), chunk, LV2_STATE_ERR_UNKNOWN},
        {"out of range", DoubleBytes({2.0, 0.0, 1.5}), chunk, LV2_STATE_ERR_UNKNOWN},
        {"a stray byte", {1}, chunk, LV2_STATE_ERR_UNKNOWN},
    };
    for (const Case& c : cases) {
        LV2StateStore store;
        store.properties[key] = {c.value, c.type, LV2_STATE_IS_POD};
        EXPECT_EQ(instance.mLV2.RestoreState(LV2StateStore::Retrieve, &store), c.expected)
            << c.what;
    }
    LV2StateStore empty;
    EXPECT_EQ(instance.mLV2.RestoreState(LV2StateStore::Retrieve, &empty),
              LV2_STATE_ERR_NO_PROPERTY);
    EXPECT_EQ(instance.mLV2.RestoreState(nullptr, &empty), LV2_STATE_ERR_UNKNOWN);
    EXPECT_EQ(plug.GetParam(0)->Value(), 1.0); // untouched throughout
    EXPECT_TRUE(plug.mParamChanges.empty());

    // Without urid:map there is no way to name the state.
    LV2Instance unmapped(host, false);
    EXPECT_EQ(unmapped.mLV2.SaveState(LV2StateStore::Store, &empty), LV2_STATE_ERR_NO_FEATURE);
    EXPECT_EQ(unmapped.mLV2.RestoreState(LV2StateStore::Retrieve, &empty),
              LV2_STATE_ERR_NO_FEATURE);
    EXPECT_TRUE(empty.properties.empty());
}

std::unique_ptr<IFxLV2> MakeTestInstance(const char* uri, double sampleRate, const char*,
                                         const LV2_Feature* const* features) {
    return std::make_unique<IFxLV2>(MakeTestPlug(), std::vector<IFxLV2OutputControl*>{}, uri,
                                    sampleRate, features);
}

std::unique_ptr<IFxLV2> FailToMake(const char*, double, const char*, const LV2_Feature* const*) {
    throw std::runtime_error("out of something");
}

TEST(IFxLV2Descriptor, EntryPointsReachTheInstance) {
    static const IFxLV2Descriptor descriptor(kURI, MakeTestInstance);
    const LV2_Descriptor* lv2 = descriptor.Get();
    EXPECT_STREQ(lv2->URI, kURI);
    LV2TestHost host;
    EXPECT_EQ(lv2->instantiate(lv2, 0.0, "/", host.Features()), nullptr);
    LV2_Handle handle = lv2->instantiate(lv2, 44100.0, "/", host.Features());
    ASSERT_NE(handle, nullptr);
    auto& plug = static_cast<TestPlug&>(static_cast<IFxLV2*>(handle)->Plug());
    EXPECT_EQ(plug.GetSampleRate(), 44100.0);

    float in[4] = {0.5f, -0.5f, 0.25f, 1.0f}, out[4] = {}, level = 4.0f;
    lv2->connect_port(handle, 0, in);
    lv2->connect_port(handle, 2, out);
    lv2->connect_port(handle, 4, &level);
    lv2->activate(handle);
    lv2->run(handle, 4);
    lv2->deactivate(handle);
    EXPECT_EQ(plug.GetParam(0)->Value(), 4.0);
    EXPECT_EQ(out[3], 1.0f);

    const auto* state =
        static_cast<const LV2_State_Interface*>(lv2->extension_data(LV2_STATE__interface));
    ASSERT_NE(state, nullptr);
    LV2StateStore store;
    EXPECT_EQ(state->save(handle, LV2StateStore::Store, &store, 0, nullptr), LV2_STATE_SUCCESS);
    EXPECT_EQ(state->restore(handle, LV2StateStore::Retrieve, &store, 0, nullptr),
              LV2_STATE_SUCCESS);
    EXPECT_EQ(state->save(nullptr, LV2StateStore::Store, &store, 0, nullptr),
              LV2_STATE_ERR_UNKNOWN);
    EXPECT_EQ(lv2->extension_data("urn:no-such-extension"), nullptr);
    EXPECT_EQ(lv2->extension_data(nullptr), nullptr);
    lv2->cleanup(handle);

    // Nothing reaches the host from a failing factory but a null instance.
    static const IFxLV2Descriptor failing(kURI, FailToMake);
    EXPECT_EQ(failing.Get()->instantiate(failing.Get(), 44100.0, "/", nullptr), nullptr);
    lv2->connect_port(nullptr, 0, in);
    lv2->run(nullptr, 4);
    lv2->cleanup(nullptr);
}

} // namespace
