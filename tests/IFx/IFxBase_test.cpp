#include "IFxAU.h"
#include "TestGraphics.h"
#include "TestPlug.h"
#include "Trace.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

TEST(IFxBase, ConstructionDefaults) {
    TestPlug plug(3, "1-1 2-2", 2);
    EXPECT_EQ(plug.GetSampleRate(), 44100.0);
    EXPECT_EQ(plug.GetBlockSize(), 0);
    EXPECT_EQ(plug.GetHost(), kHostUninit);
    EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
    EXPECT_EQ(plug.GetGUI(), nullptr);
    EXPECT_EQ(plug.NParams(), 3);
    EXPECT_EQ(plug.GetParam(-1), nullptr);
    EXPECT_EQ(plug.GetParam(3), nullptr);
    EXPECT_EQ(plug.GetParam(2)->Type(), kParamKindNone);
    EXPECT_EQ(plug.NPresets(), 2);
    EXPECT_STREQ(plug.GetPresetName(1), "empty");
    ASSERT_EQ(plug.NChannelIO(), 2);
    EXPECT_EQ(plug.GetChannelIO(1)->mOut, 2);
    EXPECT_EQ(plug.NInChannels(), 2); // the largest counts of the list
    EXPECT_EQ(plug.NOutChannels(), 2);
    EXPECT_FALSE(plug.IsInChannelConnected(0));
}

TEST(IFxBaseDeathTest, MalformedChannelIOStringStops) {
    const char* message =
        "framework/IFx/IFxBase:[0-9]+: IFxBase: Assertion `channelIOStrValid' failed";
    EXPECT_DEATH(TestPlug(1, "2"), message);
    EXPECT_DEATH(TestPlug(1, "1-1 x"), message);
    EXPECT_DEATH(TestPlug(1, ""), message);
    EXPECT_DEATH(TestPlug(1, nullptr), message);
}

TEST(IFxBase, ChannelConfiguration) {
    TestPlug plug(0, "1-1 2-2");
    EXPECT_TRUE(plug.LegalIO(1, 1));
    EXPECT_TRUE(plug.LegalIO(2, 2));
    EXPECT_TRUE(plug.LegalIO(-1, 2));
    EXPECT_TRUE(plug.LegalIO(-1, -1));
    EXPECT_FALSE(plug.LegalIO(1, 2));
    EXPECT_FALSE(plug.LegalIO(3, -1));

    TestPlug wild(0, "-1-2 1-1");
    EXPECT_EQ(wild.NInChannels(), 1);
    EXPECT_EQ(wild.NOutChannels(), 2);
    EXPECT_TRUE(wild.LegalIO(6, 2)); // a negative count in the list matches anything
    EXPECT_FALSE(wild.LegalIO(6, 1));

    plug.SetInputChannelConnections(0, 2, true);
    plug.SetInputChannelConnections(1, 5, false); // stops at the channel count
    EXPECT_TRUE(plug.IsInChannelConnected(0));
    EXPECT_FALSE(plug.IsInChannelConnected(1));
    EXPECT_FALSE(plug.IsInChannelConnected(2));
    EXPECT_FALSE(plug.IsInChannelConnected(-1));
    plug.SetOutputChannelConnections(-1, 2, true); // only channel 0 exists in that range
    EXPECT_TRUE(plug.IsOutChannelConnected(0));
    EXPECT_FALSE(plug.IsOutChannelConnected(1));
    plug.SetOutputChannelConnections(1, 0x7fffffff, true); // no wrap-around
    EXPECT_TRUE(plug.IsOutChannelConnected(1));

    TestPlug wide(0, "4-4");
    wide.SetInputChannelConnections(0, 4, true);
    wide.SetOutputChannelConnections(0, 4, false);
    wide.LimitToStereoIO();
    EXPECT_TRUE(wide.IsInChannelConnected(1));
    EXPECT_FALSE(wide.IsInChannelConnected(2));
    EXPECT_FALSE(wide.IsInChannelConnected(3));
    EXPECT_FALSE(wide.IsOutChannelConnected(1));
    EXPECT_TRUE(wide.IsOutChannelConnected(2));
    EXPECT_TRUE(wide.IsOutChannelConnected(3));
}

TEST(IFxBase, ChannelAndBusLabels) {
    TestPlug plug(0, "2-2");
    plug.SetInputLabel(1, "right in");
    plug.SetOutputLabel(0, "left out");
    plug.SetInputLabel(2, "ignored");
    plug.SetOutputLabel(-1, "ignored");
    EXPECT_STREQ(plug.GetInputLabel(1), "right in");
    EXPECT_STREQ(plug.GetInputLabel(0), "");
    EXPECT_STREQ(plug.GetOutputLabel(0), "left out");
    EXPECT_STREQ(plug.GetInputLabel(2), "");

    plug.SetInputBusLabel(2, "ignored");
    EXPECT_EQ(plug.GetInputBusLabel(0), nullptr);
    plug.SetInputBusLabel(1, "aux");
    ASSERT_NE(plug.GetInputBusLabel(0), nullptr); // past the end of the list appends
    EXPECT_STREQ(plug.GetInputBusLabel(0)->Get(), "aux");
    plug.SetInputBusLabel(0, "main");
    EXPECT_STREQ(plug.GetInputBusLabel(0)->Get(), "main");
    EXPECT_EQ(plug.GetInputBusLabel(1), nullptr);

    plug.SetOutputBusLabel(2, "out");
    ASSERT_NE(plug.GetOutputBusLabel(0), nullptr);
    EXPECT_STREQ(plug.GetOutputBusLabel(0)->Get(), "out");
    plug.SetOutputBusLabel(1, "second");
    plug.SetOutputBusLabel(-1, "ignored");
    EXPECT_STREQ(plug.GetOutputBusLabel(1)->Get(), "second");
    EXPECT_EQ(plug.GetOutputBusLabel(2), nullptr);
}

TEST(IFxBase, SettingsAndIdentityTexts) {
    TestPlug plug;
    plug.SetSampleRate(48000.0);
    EXPECT_EQ(plug.GetSampleRate(), 48000.0);
    EXPECT_EQ(plug.GetSamplesPerBeat(), 0.0); // no tempo yet
    plug.mTempo = 120.0;
    EXPECT_EQ(plug.GetSamplesPerBeat(), 24000.0);

    char text[16];
    plug.GetEffectVersionStr(text, sizeof text);
    EXPECT_STREQ(text, "v1.1.2D");
    char tiny[5];
    plug.GetEffectVersionStr(tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "v1.1");
    EXPECT_STREQ(plug.GetArchString(), "x64");

    const char* names[] = {"VST2", "VST3", "AU", "RTAS", "AAX", "Standalone"};
    for (int api = 0; api < 6; ++api)
        EXPECT_STREQ(TestPlug(0, "1-1", 0, static_cast<EAPI>(api)).GetAPIString(), names[api]);
    EXPECT_STREQ(TestPlug(0, "1-1", 0, static_cast<EAPI>(6)).GetAPIString(), "");
    EXPECT_STREQ(TestPlug(0, "1-1", 0, static_cast<EAPI>(-1)).GetAPIString(), "");

    plug.SetHost("Ardour", 0x80400);
    EXPECT_EQ(plug.GetHost(), kHostArdour);
    EXPECT_EQ(plug.GetHostVersion(true), 80400);
    plug.SetHost(nullptr, 0);
    EXPECT_EQ(plug.GetHost(), kHostUnknown); // identified, but not a host we know
}

TEST(IFxBase, DefaultVirtualBehaviour) {
    TestPlug plug;
    char name[4] = "xyz";
    EXPECT_FALSE(plug.MidiNoteName(60, name));
    EXPECT_STREQ(name, "");
    EXPECT_FALSE(plug.MidiNoteName(60, nullptr));

    IMidiMsg msg{3, 0x90, 60, 100};
    plug.ProcessMidiMsg(&msg);
    ASSERT_EQ(plug.mSentMidi.size(), 1u);
    EXPECT_EQ(plug.mSentMidi[0], &msg);

    ISysEx sysEx;
    EXPECT_FALSE(plug.SendSysEx(&sysEx));
    EXPECT_FALSE(plug.IsRenderingOffline());
    EXPECT_FALSE(plug.HostRequestingAboutBox());

    plug.Reset();
    plug.OnActivate(true);
    EXPECT_EQ(plug.LockDepth(), 0); // taken and released
}

TEST(IFxBase, AttachGraphicsPushesNormalisedValuesUnderTheLock) {
    int deletions = 0;
    {
        TestPlug plug(2);
        plug.GetParam(0)->InitDouble("A", 5.0, 0.0, 10.0, 0.1, "", "");
        plug.GetParam(1)->InitDouble("B", 25.0, 0.0, 100.0, 0.1, "", "", 2.0);
        plug.AttachGraphics(nullptr);
        EXPECT_EQ(plug.GetGUI(), nullptr);

        auto* editor = new TestGraphics(&plug, 30, 20, 0, &deletions);
        auto* a = new ProbeControl(&plug, IRECT(0, 0, 10, 10), 0);
        auto* b = new ProbeControl(&plug, IRECT(10, 0, 20, 10), 1);
        editor->AttachControl(a);
        editor->AttachControl(b);
        EXPECT_EQ(editor->Surface(), nullptr);
        plug.AttachGraphics(editor);
        EXPECT_EQ(plug.GetGUI(), editor);
        EXPECT_EQ(a->mPlugValues, std::vector<double>{0.5});
        ASSERT_EQ(b->mPlugValues.size(), 1u);
        EXPECT_DOUBLE_EQ(b->mPlugValues[0], 0.5); // shape 2: 25 of 100
        EXPECT_EQ(a->mLockDepths, std::vector<int>{1});
        EXPECT_EQ(b->mLockDepths, std::vector<int>{1});
        ASSERT_NE(editor->Surface(), nullptr); // then PrepDraw
        EXPECT_EQ(editor->Surface()->getWidth(), 30);
        EXPECT_EQ(editor->Surface()->getHeight(), 20);

        // Real values are converted by the parameter on their way in.
        plug.GetParam(1)->Set(100.0);
        plug.RedrawParamControls();
        ASSERT_EQ(b->mPlugValues.size(), 2u);
        EXPECT_DOUBLE_EQ(b->mPlugValues[1], 1.0);
        EXPECT_EQ(b->mLockDepths[1], 0);
        EXPECT_EQ(b->GetValue(), 1.0);

        plug.AttachGraphics(editor); // the same editor again is kept, not deleted
        EXPECT_EQ(deletions, 0);
        plug.AttachGraphics(new TestGraphics(&plug, 30, 20, 0, &deletions));
        EXPECT_EQ(deletions, 1); // a replaced editor is not leaked
    }
    EXPECT_EQ(deletions, 2); // the plug-in owns its editor
}

TEST(IFxBase, ParameterChangesFromTheEditorReachHostAndEffect) {
    TestPlug plug(2);
    plug.GetParam(1)->InitInt("Steps", 0, 0, 3, "", "");
    plug.SetParameterFromGUI(1, 0.5);
    EXPECT_EQ(plug.GetParam(1)->Value(), 2.0);
    ASSERT_EQ(plug.mInformed.size(), 1u);
    EXPECT_EQ(plug.mInformed[0], std::make_pair(1, 0.5)); // the value as the editor sent it
    EXPECT_EQ(plug.mParamChanges, std::vector<int>{1});
    EXPECT_EQ(plug.mInformLockDepths, std::vector<int>{1});
    EXPECT_EQ(plug.mParamChangeLockDepths, std::vector<int>{1});

    plug.SetParameterFromGUI(2, 0.5); // no such parameter
    plug.SetParameterFromGUI(-1, 0.5);
    EXPECT_EQ(plug.mInformed.size(), 1u);

    plug.mInformed.clear();
    plug.mInformLockDepths.clear();
    plug.DirtyParameters();
    ASSERT_EQ(plug.mInformed.size(), 2u);
    EXPECT_EQ(plug.mInformed[0], std::make_pair(0, 0.0));
    EXPECT_DOUBLE_EQ(plug.mInformed[1].second, 2.0 / 3.0);
    EXPECT_EQ(plug.mInformLockDepths, (std::vector<int>{1, 1}));

    plug.mParamChanges.clear();
    plug.OnParamReset();
    EXPECT_EQ(plug.mParamChanges, (std::vector<int>{0, 1}));
}

TEST(IFxBase, MutexLockExcludesOtherThreads) {
    TestPlug plug;
    std::atomic<bool> informed{false};
    std::thread other;
    {
        IFxBase::IMutexLock lock(&plug);
        IFxBase::IMutexLock again(&plug); // recursive
        EXPECT_EQ(plug.LockDepth(), 2);
        other = std::thread([&] {
            plug.DirtyParameters();
            informed = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(informed); // waits for the lock
    }
    other.join();
    EXPECT_TRUE(informed);
    IFxBase::IMutexLock none(nullptr); // holds nothing
    EXPECT_EQ(plug.LockDepth(), 0);

    // The try form takes a free mutex, and never waits for a held one.
    {
        IFxBase::IMutexLock tried(&plug, std::try_to_lock);
        EXPECT_TRUE(tried.OwnsLock());
        bool owned = true;
        std::thread([&] {
            owned = IFxBase::IMutexLock(&plug, std::try_to_lock).OwnsLock();
        }).join();
        EXPECT_FALSE(owned);
    }
    EXPECT_EQ(plug.LockDepth(), 0);
}

TEST(IFxBase, ParameterChangesFromTheHostReachEditorAndEffect) {
    TestPlug plug(2);
    plug.GetParam(0)->InitDouble("Level", 1.0, 0.0, 10.0, 0.01);
    auto* editor = new RecordingEditor(&plug);
    plug.AttachGraphics(editor);
    ProbeControl* probe = editor->Probe(0);
    probe->mPlugValues.clear();
    probe->mLockDepths.clear();

    plug.SetParameterFromHost(0, 12.5);         // clamped; the editor shows the clamped value
    plug.SetParameterFromHost(0, std::nan("")); // ignored by the parameter, still announced
    plug.SetParameterFromHost(5, 1.0);          // no such parameter
    EXPECT_EQ(plug.GetParam(0)->Value(), 10.0);
    EXPECT_EQ(probe->mPlugValues, (std::vector<double>{1.0, 1.0}));
    EXPECT_EQ(probe->mLockDepths, (std::vector<int>{1, 1}));
    EXPECT_EQ(plug.mParamChanges, (std::vector<int>{0, 0}));
    EXPECT_EQ(plug.mParamChangeLockDepths, (std::vector<int>{1, 1}));
    EXPECT_TRUE(plug.mInformed.empty()); // the host knows already
}

TEST(IFxBase, TraceLinesUseTheirFormats) {
    const std::string path = TempPath("trace.log");
    std::remove(path.c_str());
    setenv("BRINDLEX_TRACE", path.c_str(), 1);
    TraceReconfigure();
    {
        TestPlug plug(1);
        plug.LegalIO(1, 2);
        plug.SetHost("Ardour", 0x80400);
        plug.SetHost("some.other.app", 0);
        plug.SetParameterFromGUI(0, 0.25);
        ByteChunk chunk;
        plug.SerializeParams(&chunk);
    }
    unsetenv("BRINDLEX_TRACE");
    TraceReconfigure();
    const std::string log = ReadFile(path);
    for (const char* expected :
         {" IFxBase:", " LegalIO:", " 1:2:illegal\n", " SetHost:", " host_known:Ardour:v8.4.0\n",
          " host_unknown:some.other.app:v0.0.0\n", " SetParameterFromGUI:", " 0:0.250000\n",
          " SerializeParams:", " 0  0.000000\n"})
        EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
    EXPECT_NE(log.find("Test Effect:20"), std::string::npos) << log; // name and time stamp
    std::remove(path.c_str());
}

TEST(IFxAU, PassesItsIdentityWithTheAudioUnitAPI) {
    IFxInstanceInfo info;
    info.mBundleID.Set("com.halvermoor.audiounit.Brindlex");
    info.mCocoaViewFactoryClassName.Set("Brindlex_View");
    const std::string longName(200, 'x');
    IFxAU plug(info, 10, "1-1 2-2", 1, longName.c_str(), "", "Halvermoor", 0x10102, 0x42726e78,
               0x48766d72, 0, false, false, false, 0);
    EXPECT_EQ(plug.GetAPI(), kAPIAU);
    EXPECT_STREQ(plug.GetAPIString(), "AU");
    EXPECT_STREQ(plug.GetBundleID(), "com.halvermoor.audiounit.Brindlex");
    EXPECT_STREQ(plug.GetCocoaViewFactoryClassName(), "Brindlex_View");
    EXPECT_EQ(plug.NParams(), 10);
    EXPECT_EQ(plug.GetUniqueID(), 0x42726e78);
    EXPECT_EQ(plug.GetMfrID(), 0x48766d72);
    EXPECT_EQ(plug.GetEffectVersion(true), 10102);
    EXPECT_EQ(std::string(plug.GetEffectName()), longName.substr(0, 127));
    EXPECT_STREQ(plug.GetMfrName(), "Halvermoor");
}
