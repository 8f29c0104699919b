#include "TestGraphics.h"
#include "TestPlug.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {
// Three parameters of different kinds: a switch, a count and a level.
void InitParams(TestPlug& plug) {
    plug.GetParam(0)->InitBool("Switch", false);
    plug.GetParam(1)->InitInt("Count", 2, 0, 10);
    plug.GetParam(2)->InitDouble("Level", 0.5, -10.0, 10.0, 0.01);
}

std::vector<double> Values(const TestPlug& plug) {
    std::vector<double> values;
    for (int i = 0; i < plug.NParams(); ++i)
        values.push_back(plug.GetParam(i)->Value());
    return values;
}

std::vector<double> Doubles(const ByteChunk& chunk) {
    std::vector<double> values(static_cast<size_t>(chunk.Size()) / sizeof(double));
    if (!values.empty()) std::memcpy(values.data(), chunk.GetBytes(), values.size() * 8);
    return values;
}

ByteChunk ChunkOf(std::vector<double> values) {
    ByteChunk chunk;
    for (double value : values)
        chunk.Put(&value);
    return chunk;
}

// The stored bytes of preset index, read back from the preset list the way a host gets them.
ByteChunk PresetChunk(TestPlug& plug, int index) {
    ByteChunk list;
    plug.SerializePresets(&list);
    UTL_String name;
    bool initialized = false;
    int pos = 0;
    for (int i = 0; i < index; ++i) {
        pos = list.GetBool(&initialized, list.GetStr(&name, pos));
        if (initialized) pos += plug.NParams() * 8;
    }
    pos = list.GetBool(&initialized, list.GetStr(&name, pos));
    ByteChunk chunk;
    if (initialized) chunk.PutBytes(list.GetBytes() + pos, plug.NParams() * 8);
    return chunk;
}
} // namespace

TEST(IFxBaseState, ParamsSerialiseAsDoublesInIndexOrder) {
    TestPlug plug;
    InitParams(plug);
    plug.GetParam(2)->Set(-3.25);
    ByteChunk chunk;
    EXPECT_TRUE(plug.SerializeState(&chunk));
    EXPECT_EQ(chunk.Size(), 24);
    EXPECT_EQ(Doubles(chunk), (std::vector<double>{0.0, 2.0, -3.25}));
    EXPECT_FALSE(plug.SerializeParams(nullptr));

    TestPlug other;
    InitParams(other);
    EXPECT_EQ(other.UnserializeState(&chunk, 0), 24);
    EXPECT_EQ(Values(other), Values(plug));
    EXPECT_EQ(other.mParamChanges, (std::vector<int>{0, 1, 2}));          // OnParamReset
    EXPECT_EQ(other.mParamChangeLockDepths, (std::vector<int>{1, 1, 1})); // under the lock

    // Values are clamped to the ranges.
    ByteChunk wild = ChunkOf({7.0, 99.0, -1e300});
    EXPECT_EQ(other.UnserializeParams(&wild, 0), 24);
    EXPECT_EQ(Values(other), (std::vector<double>{1.0, 10.0, -10.0}));

    // With a header in front, reading starts after it.
    ByteChunk prefixed;
    IFxBase::InitChunkWithIFxVer(&prefixed);
    prefixed.PutChunk(&chunk);
    EXPECT_EQ(other.UnserializeParams(&prefixed, 8), 32);
    EXPECT_EQ(Values(other), Values(plug));
}

TEST(IFxBaseState, ShortChunksLeaveTheParametersAsTheyWere) {
    TestPlug plug;
    InitParams(plug);
    ByteChunk chunk = ChunkOf({1.0, 5.0, 4.0});
    plug.GetParam(2)->Set(9.0);
    // From 8 only two values remain for three parameters. Setting the third to its value
    // nearest 0 would corrupt it; instead nothing changes.
    EXPECT_EQ(plug.UnserializeParams(&chunk, 8), -1);
    EXPECT_EQ(Values(plug), (std::vector<double>{0.0, 2.0, 9.0}));
    EXPECT_TRUE(plug.mParamChanges.empty());
    EXPECT_EQ(plug.UnserializeParams(&chunk, -8), -1);
    EXPECT_EQ(plug.UnserializeParams(&chunk, 0x7ffffff0), -1);
    EXPECT_EQ(plug.UnserializeParams(nullptr, 0), -1);
    EXPECT_EQ(Values(plug), (std::vector<double>{0.0, 2.0, 9.0}));

    // No parameter can hold a value that is not finite: such a chunk is corrupt, not clamped.
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        ByteChunk corrupt = ChunkOf({1.0, bad, 4.0});
        EXPECT_EQ(plug.UnserializeParams(&corrupt, 0), -1) << bad;
    }
    EXPECT_EQ(Values(plug), (std::vector<double>{0.0, 2.0, 9.0}));
    EXPECT_TRUE(plug.mParamChanges.empty());
}

TEST(IFxBaseState, VersionHeader) {
    ByteChunk chunk;
    chunk.PutStr("stale");
    IFxBase::InitChunkWithIFxVer(&chunk);
    const unsigned char expected[] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
    ASSERT_EQ(chunk.Size(), 8);
    EXPECT_EQ(std::memcmp(chunk.GetBytes(), expected, 8), 0);
    int pos = 0;
    EXPECT_EQ(IFxBase::GetIFxVerFromChunk(&chunk, &pos), 65536);
    EXPECT_EQ(pos, 8);

    pos = 4;
    EXPECT_EQ(IFxBase::GetIFxVerFromChunk(&chunk, &pos), 0); // no magic at 4
    EXPECT_EQ(pos, 4);
    ByteChunk cut;
    cut.PutBytes(expected, 6); // magic without a whole version after it
    pos = 0;
    EXPECT_EQ(IFxBase::GetIFxVerFromChunk(&cut, &pos), 0);
    EXPECT_EQ(pos, 0);
    pos = -3;
    EXPECT_EQ(IFxBase::GetIFxVerFromChunk(&chunk, &pos), 0);
    EXPECT_EQ(pos, -3);
}

TEST(IFxBaseState, CompareStateToleratesSinglePrecisionNoise) {
    TestPlug plug(2);
    plug.GetParam(0)->InitDouble("A", 0.5, 0.0, 1.0, 0.000001);
    plug.GetParam(1)->InitDouble("B", 0.25, 0.0, 1.0, 0.000001);
    ByteChunk same = ChunkOf({0.5, 0.25});
    ByteChunk close = ChunkOf({0.500004, 0.25});
    ByteChunk far = ChunkOf({0.50002, 0.25});
    EXPECT_TRUE(plug.CompareState(same.GetBytes(), same.Size(), 0));
    EXPECT_TRUE(plug.CompareState(close.GetBytes(), close.Size(), 0));
    EXPECT_FALSE(plug.CompareState(far.GetBytes(), far.Size(), 0));

    ByteChunk offset = ChunkOf({9.0, 0.5, 0.25}); // start counts doubles, not bytes
    EXPECT_TRUE(plug.CompareState(offset.GetBytes(), offset.Size(), 1));
    EXPECT_FALSE(plug.CompareState(offset.GetBytes(), offset.Size(), 0));
    EXPECT_FALSE(plug.CompareState(offset.GetBytes(), offset.Size(), 2)); // too short
    EXPECT_FALSE(plug.CompareState(offset.GetBytes(), offset.Size(), -1));
    EXPECT_FALSE(plug.CompareState(nullptr, 0, 0));
    ByteChunk huge = ChunkOf({1e300, 0.25});
    EXPECT_FALSE(plug.CompareState(huge.GetBytes(), huge.Size(), 0));

    TestPlug none(0);
    EXPECT_TRUE(none.CompareState(nullptr, 0, 0));
}

TEST(IFxBasePresets, MakeDefaultPresetsTakeTheCurrentState) {
    TestPlug plug(3, "1-1", 3);
    InitParams(plug);
    plug.MakeDefaultPreset("-", 1);
    plug.GetParam(1)->Set(7.0);
    plug.MakeDefaultPreset(nullptr, 5); // only two free presets left
    EXPECT_STREQ(plug.GetPresetName(0), "-");
    EXPECT_STREQ(plug.GetPresetName(1), "Empty");
    EXPECT_STREQ(plug.GetPresetName(2), "Empty");
    EXPECT_EQ(Doubles(PresetChunk(plug, 0)), (std::vector<double>{0.0, 2.0, 0.5}));
    EXPECT_EQ(Doubles(PresetChunk(plug, 2)), (std::vector<double>{0.0, 7.0, 0.5}));
    EXPECT_STREQ(plug.GetPresetName(-1), "");
    EXPECT_STREQ(plug.GetPresetName(3), "");

    TestPlug partly(3, "1-1", 3);
    InitParams(partly);
    partly.MakeDefaultPreset("first", 1);
    partly.EnsureDefaultPreset();
    EXPECT_STREQ(partly.GetPresetName(0), "first");
    EXPECT_STREQ(partly.GetPresetName(2), "Empty");
}

TEST(IFxBasePresets, MakePresetReadsOneTypedValuePerParameter) {
    TestPlug plug(3, "1-1", 2);
    InitParams(plug);
    plug.MakePreset("typed", 1, 4, -2.5); // bool and int kinds as ints, double as double
    EXPECT_STREQ(plug.GetPresetName(0), "typed");
    EXPECT_EQ(Doubles(PresetChunk(plug, 0)), (std::vector<double>{1.0, 4.0, -2.5}));

    const std::string longName(300, 'p');
    plug.MakePreset(longName.c_str(), 0, 0, 0.0);
    EXPECT_EQ(std::string(plug.GetPresetName(1)), longName.substr(0, 255));
    plug.MakePreset("no room", 1, 1, 1.0); // every preset is taken
    EXPECT_STREQ(plug.GetPresetName(0), "typed");
}

TEST(IFxBasePresets, NamedParamsKeepTheRestAtTheirCurrentValue) {
    TestPlug plug(3, "1-1", 3);
    InitParams(plug);
    plug.MakePresetFromNamedParams("named", 3, 2, 1.5, 1, 6, 2, 3.0); // the later pair wins
    EXPECT_EQ(Doubles(PresetChunk(plug, 0)), (std::vector<double>{0.0, 6.0, 3.0}));
    // The not-given marker itself reads as "not given".
    plug.MakePresetFromNamedParams("marker", 1, 2, 9.999e-08);
    EXPECT_EQ(Doubles(PresetChunk(plug, 1)), (std::vector<double>{0.0, 2.0, 0.5}));
    plug.MakePresetFromNamedParams("none", 0);
    EXPECT_EQ(Doubles(PresetChunk(plug, 2)), (std::vector<double>{0.0, 2.0, 0.5}));
}

TEST(IFxBasePresetsDeathTest, NamedParamIndexOutOfRangeStops) {
    TestPlug plug(3, "1-1", 2);
    InitParams(plug);
    const char* message = "framework/IFx/IFxBase:[0-9]+: MakePresetFromNamedParams: "
                          "Assertion `paramIdx >= 0 && paramIdx < n' failed";
    EXPECT_DEATH(plug.MakePresetFromNamedParams("bad", 1, 3, 1.0), message);
    EXPECT_DEATH(plug.MakePresetFromNamedParams("bad", 1, -1, 1.0), message);
}

TEST(IFxBasePresets, PresetsFromChunksAndBlobs) {
    TestPlug plug(3, "1-1", 3);
    InitParams(plug);
    const ByteChunk chunk = ChunkOf({1.0, 3.0, -1.0});
    plug.MakePresetFromChunk("chunk", &chunk);
    EXPECT_EQ(Doubles(PresetChunk(plug, 0)), (std::vector<double>{1.0, 3.0, -1.0}));

    // "AAAAAAAA8D8=" is the double 1.0; the rest of the given size stays zero.
    plug.MakePresetFromBlob("blob", "AAAAAAAA8D8=", 24);
    EXPECT_EQ(Doubles(PresetChunk(plug, 1)), (std::vector<double>{1.0, 0.0, 0.0}));
    plug.MakePresetFromBlob("cut", "AAAAAAAA8D8AAAAAAAAIQA==", 8); // the size bounds the decoding
    EXPECT_FALSE(plug.RestorePreset(2)); // 8 bytes cannot restore three parameters
    EXPECT_STREQ(plug.GetPresetName(2), "cut");
}

TEST(IFxBasePresets, RestoringAppliesStateOrCapturesIt) {
    TestPlug plug(3, "1-1", 4);
    InitParams(plug);
    const ByteChunk chunk = ChunkOf({1.0, 3.0, -1.0});
    plug.MakePresetFromChunk("one", &chunk);
    plug.MakePresetFromChunk("old user preset", &chunk);
    plug.MakePresetFromChunk("user preset 1", &chunk);
    auto* editor = new TestGraphics(&plug);
    std::vector<ProbeControl*> controls;
    for (int i = 0; i < 3; ++i) {
        controls.push_back(new ProbeControl(&plug, IRECT(i, 0, i + 1, 1), i));
        editor->AttachControl(controls.back());
    }
    plug.AttachGraphics(editor);
    const auto valuesShown = [&controls] {
        size_t n = 0;
        for (const ProbeControl* control : controls)
            n += control->mPlugValues.size();
        return n;
    };
    const size_t shownAtAttach = valuesShown();

    EXPECT_FALSE(plug.RestorePreset(4));
    EXPECT_FALSE(plug.RestorePreset(-1));
    EXPECT_TRUE(plug.RestorePreset(0));
    EXPECT_EQ(Values(plug), (std::vector<double>{1.0, 3.0, -1.0}));
    EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
    EXPECT_EQ(plug.mPresetsChanged, 1);
    EXPECT_EQ(valuesShown() - shownAtAttach, 3u); // RedrawParamControls

    // An empty slot captures the current state under a new user preset name.
    plug.GetParam(1)->Set(9.0);
    EXPECT_TRUE(plug.RestorePreset(3));
    EXPECT_STREQ(plug.GetPresetName(3), "user preset 3");
    EXPECT_EQ(Doubles(PresetChunk(plug, 3)), (std::vector<double>{1.0, 9.0, -1.0}));
    EXPECT_EQ(plug.GetCurrentPresetIdx(), 3);

    EXPECT_FALSE(plug.RestorePreset(nullptr));
    EXPECT_FALSE(plug.RestorePreset(""));
    EXPECT_FALSE(plug.RestorePreset("ONE"));
    EXPECT_TRUE(plug.RestorePreset("one"));
    EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
    EXPECT_EQ(plug.GetParam(1)->Value(), 3.0);
}

TEST(IFxBasePresets, ModifyAndPrune) {
    TestPlug plug(3, "1-1", 4);
    InitParams(plug);
    plug.MakeDefaultPreset("a", 1);
    plug.MakeDefaultPreset("b", 1);
    plug.GetParam(2)->Set(4.0);
    plug.ModifyCurrentPreset(); // keeps the name
    EXPECT_STREQ(plug.GetPresetName(0), "a");
    EXPECT_EQ(Doubles(PresetChunk(plug, 0)), (std::vector<double>{0.0, 2.0, 4.0}));
    plug.ModifyCurrentPreset("");
    EXPECT_STREQ(plug.GetPresetName(0), "a");
    plug.ModifyCurrentPreset("renamed");
    EXPECT_STREQ(plug.GetPresetName(0), "renamed");

    plug.PruneUninitializedPresets();
    EXPECT_EQ(plug.NPresets(), 2);
    EXPECT_STREQ(plug.GetPresetName(1), "b");
    plug.RestorePreset(1);
    plug.PruneUninitializedPresets();
    EXPECT_EQ(plug.NPresets(), 2);
}

TEST(IFxBasePresets, PresetListRoundTrip) {
    TestPlug source(3, "1-1", 3);
    InitParams(source);
    const ByteChunk chunk = ChunkOf({1.0, 3.0, -1.0});
    source.MakePresetFromChunk("first", &chunk);
    source.MakePresetFromChunk("", &chunk); // an empty name must survive as empty

    ByteChunk list;
    ASSERT_TRUE(source.SerializePresets(&list));
    // name, flag and state bytes per preset; the third preset was never made
    ASSERT_EQ(list.Size(), (4 + 5 + 1 + 24) + (4 + 0 + 1 + 24) + (4 + 5 + 1));
    const unsigned char firstRecord[] = {5, 0, 0, 0, 'f', 'i', 'r', 's', 't', 1};
    EXPECT_EQ(std::memcmp(list.GetBytes(), firstRecord, sizeof firstRecord), 0);

    TestPlug target(3, "1-1", 3);
    InitParams(target);
    target.MakeDefaultPreset("will be replaced", 3);
    EXPECT_EQ(target.UnserializePresets(&list, 0), list.Size());
    EXPECT_STREQ(target.GetPresetName(0), "first");
    EXPECT_STREQ(target.GetPresetName(1), "");
    EXPECT_STREQ(target.GetPresetName(2), "empty");
    EXPECT_EQ(Doubles(PresetChunk(target, 1)), (std::vector<double>{1.0, 3.0, -1.0}));
    // The list ends by restoring the current preset.
    EXPECT_EQ(Values(target), (std::vector<double>{1.0, 3.0, -1.0}));

    // A cut record leaves that preset as it was.
    TestPlug cut(3, "1-1", 3);
    InitParams(cut);
    cut.MakeDefaultPreset("kept", 3);
    ByteChunk shortList;
    shortList.PutBytes(list.GetBytes(), 34 + 20);
    EXPECT_EQ(cut.UnserializePresets(&shortList, 0), -1);
    EXPECT_STREQ(cut.GetPresetName(0), "first");
    EXPECT_STREQ(cut.GetPresetName(1), "kept");
    EXPECT_EQ(Doubles(PresetChunk(cut, 1)), (std::vector<double>{0.0, 2.0, 0.5}));
}
