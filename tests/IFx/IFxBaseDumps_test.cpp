#include "TestPlug.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
std::string Encode(const std::vector<unsigned char>& bytes) {
    std::vector<char> text(
        static_cast<size_t>(Base64EncodedLength(static_cast<int>(bytes.size()))) + 1);
    const int length = base64encode(bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                    static_cast<int>(text.size()));
    EXPECT_EQ(length, static_cast<int>(text.size()) - 1);
    return text.data();
}

const char* kUnwritablePath = "/nonexistent-brindlex-dir/preset.txt";
} // namespace

TEST(Base64, EncodesWithPadding) {
    EXPECT_EQ(Encode({'a', 'b', 'c'}), "YWJj");
    EXPECT_EQ(Encode({0xFF}), "/w==");
    EXPECT_EQ(Encode({0xFB, 0xEF}), "++8=");
    EXPECT_EQ(Encode({}), "");
    EXPECT_EQ(Base64EncodedLength(1533), 2044);
    EXPECT_EQ(Base64EncodedLength(0x7fffffff), -1);

    const unsigned char bytes[] = {'a', 'b', 'c', 'd'};
    char small[8] = "garbage";
    EXPECT_EQ(base64encode(bytes, 4, small, 8), -1); // needs 8 characters and a terminator
    EXPECT_STREQ(small, "");
    EXPECT_EQ(base64encode(bytes, -1, small, 8), -1);
    EXPECT_EQ(base64encode(bytes, 4, nullptr, 100), -1);
}

TEST(Base64, DecodesUpToTheFirstForeignCharacterAndTheLimit) {
    unsigned char out[8] = {};
    EXPECT_EQ(base64decode("YWJj", out, 8), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 3), "abc");
    EXPECT_EQ(base64decode("/w==", out, 8), 1);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(base64decode("YW*Jj", out, 8), 1);        // stops at '*'
    EXPECT_EQ(base64decode("YWJjZGVmZ2hp", out, 4), 4); // bytes past the limit are dropped
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 4), "abcd");
    EXPECT_EQ(base64decode(nullptr, out, 8), 0);
    EXPECT_EQ(base64decode("YWJj", nullptr, 0), 0);

    // Every byte value survives a round trip, also through long texts whose accumulator
    // has long since wrapped around.
    std::vector<unsigned char> all;
    for (int round = 0; round < 20; ++round)
        for (int b = 0; b < 256; ++b)
            all.push_back(static_cast<unsigned char>(b));
    const std::string text = Encode(all);
    std::vector<unsigned char> back(all.size());
    EXPECT_EQ(base64decode(text.c_str(), back.data(), static_cast<int>(back.size())),
              static_cast<int>(all.size()));
    EXPECT_EQ(back, all);
}

TEST(IFxBaseDumps, PresetSourceCode) {
    TestPlug plug(4, "1-1", 1);
    plug.GetParam(0)->InitBool("Switch", true);
    plug.GetParam(1)->InitEnum("Mode", 2, 3);
    plug.GetParam(2)->InitDouble("Level", -1.5, -10.0, 10.0, 0.01);
    // parameter 3 stays uninitialised: printed like a double
    const char* names[] = {"kSwitch", "kMode", "kLevel", "kSpare"};
    const std::string path = TempPath("source.txt");
    ASSERT_TRUE(plug.DumpPresetSrcCode(path.c_str(), names));
    EXPECT_EQ(ReadFile(path), "  MakePresetFromNamedParams(\"name\", 4,\n"
                              "    kSwitch, true,\n"
                              "    kMode, 2,\n"
                              "    kLevel, -1.500000,\n"
                              "    kSpare, 0.000000);\n");
    std::remove(path.c_str());

    EXPECT_FALSE(plug.DumpPresetSrcCode(kUnwritablePath, names));
    EXPECT_FALSE(plug.DumpPresetSrcCode(path.c_str(), nullptr));
}

TEST(IFxBaseDumps, PresetAndBankBlobs) {
    TestPlug plug(1, "1-1", 3);
    plug.GetParam(0)->InitDouble("Level", 1.0, 0.0, 10.0, 0.01);
    plug.MakeDefaultPreset("one", 1);
    plug.GetParam(0)->Set(3.0);
    plug.MakeDefaultPreset("two", 1);

    const std::string path = TempPath("blob.txt");
    ASSERT_TRUE(plug.DumpPresetBlob(path.c_str()));
    EXPECT_EQ(ReadFile(path), "MakePresetFromBlob(\"name\", \"AAAAAAAA8D8=\", 8);\n");

    ASSERT_TRUE(plug.DumpBankBlob(path.c_str()));
    EXPECT_EQ(ReadFile(path), "MakePresetFromBlob(\"one\", \"AAAAAAAA8D8=\", 8);\n"
                              "MakePresetFromBlob(\"two\", \"AAAAAAAACEA=\", 8);\n"
                              "MakePresetFromBlob(\"empty\", \"\", 0);\n");
    std::remove(path.c_str());

    EXPECT_FALSE(plug.DumpPresetBlob(kUnwritablePath));
    EXPECT_FALSE(plug.DumpBankBlob(kUnwritablePath));
}

TEST(IFxBaseDumps, ChunksLargerThanAClassicBlobBufferAreWrittenWhole) {
    const int nParams = 400; // 3200 bytes of state, 4268 characters of base64
    TestPlug plug(nParams, "1-1", 2);
    for (int i = 0; i < nParams; ++i) {
        plug.GetParam(i)->InitDouble("P", 0.0, -1000.0, 1000.0, 0.01);
        plug.GetParam(i)->Set(i * 0.5);
    }
    plug.MakeDefaultPreset("big", 1);
    const std::string path = TempPath("big.txt");
    ASSERT_TRUE(plug.DumpPresetBlob(path.c_str()));
    const std::string text = ReadFile(path);
    const std::string prefix = "MakePresetFromBlob(\"name\", \"";
    const std::string suffix = "\", 3200);\n";
    ASSERT_EQ(text.compare(0, prefix.size(), prefix), 0) << text.substr(0, 40);
    ASSERT_EQ(text.size(), prefix.size() + 4268 + suffix.size());
    EXPECT_EQ(text.substr(text.size() - suffix.size()), suffix);

    // The text makes the same preset again.
    const std::string blob = text.substr(prefix.size(), 4268);
    for (int i = 0; i < nParams; ++i)
        plug.GetParam(i)->Set(0.0);
    plug.MakePresetFromBlob("again", blob.c_str(), 3200);
    ASSERT_TRUE(plug.RestorePreset(1));
    for (int i = 0; i < nParams; ++i)
        ASSERT_EQ(plug.GetParam(i)->Value(), i * 0.5) << i;
    std::remove(path.c_str());
}
