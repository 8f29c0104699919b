#include "TestPlug.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {
std::vector<double> Ramp(int n, double start) {
    std::vector<double> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<size_t>(i)] = start + i;
    return v;
}
} // namespace

TEST(IFxBaseProcess, BaseCopiesInputsAndSilencesExtraOutputs) {
    TestPlug plug(0, "1-2");
    plug.SetInputChannelConnections(0, 1, true);
    plug.SetOutputChannelConnections(0, 2, true);
    std::vector<double> in = Ramp(4, 1.0), out0(4, -1.0), out1(4, -1.0);
    double* inputs[] = {in.data()};
    double* outputs[] = {out0.data(), out1.data()};
    plug.AttachInputBuffers(0, 1, inputs);
    plug.AttachOutputBuffers(0, 2, outputs);
    plug.PassThroughBuffers(0.0, 4);
    EXPECT_EQ(out0, in);
    EXPECT_EQ(out1, std::vector<double>(4, 0.0));
    EXPECT_TRUE(plug.mProcessedFrames.empty()); // pass-through never reaches the effect

    plug.mGain = 2.0;
    plug.ProcessBuffers(0.0, 4);
    EXPECT_EQ(plug.mProcessedFrames, std::vector<int>{4});
    EXPECT_EQ(out0, (std::vector<double>{2, 4, 6, 8}));

    // In place: the output buffer is the input buffer.
    double* inPlace[] = {in.data()};
    plug.AttachOutputBuffers(0, 1, inPlace);
    plug.mGain = 1.0;
    plug.PassThroughBuffers(0.0, 4);
    EXPECT_EQ(in, Ramp(4, 1.0));
}

TEST(IFxBaseProcess, UnconnectedChannelsUseZeroedScratchAndConsumeNoPointer) {
    TestPlug plug(0, "2-2");
    plug.SetBlockSize(8);
    plug.SetInputChannelConnections(0, 1, true);
    plug.SetInputChannelConnections(1, 1, false);
    plug.SetOutputChannelConnections(0, 2, true);
    std::vector<double> first = Ramp(8, 1.0), second = Ramp(8, 100.0);
    std::vector<double> out0(8, -1.0), out1(8, -1.0);
    double* inputs[] = {first.data(), second.data()};
    double* outputs[] = {out0.data(), out1.data()};
    plug.AttachInputBuffers(0, 2, inputs); // only the first pointer is taken
    plug.AttachOutputBuffers(0, 2, outputs);
    plug.ProcessBuffers(0.0, 8);
    EXPECT_EQ(out0, first);
    EXPECT_EQ(out1, std::vector<double>(8, 0.0));

    // Blocks longer than the scratch buffers are cut at the block size.
    std::vector<double> longIn = Ramp(32, 1.0), longOut(32, -1.0);
    double* longInputs[] = {longIn.data()};
    double* longOutputs[] = {longOut.data(), longOut.data()};
    plug.AttachInputBuffers(0, 1, longInputs);
    plug.AttachOutputBuffers(0, 1, longOutputs);
    plug.ProcessBuffers(0.0, 32);
    EXPECT_EQ(plug.mProcessedFrames.back(), 8);

    // Growing the block size moves the scratch buffers; unconnected channels follow them.
    plug.SetBlockSize(4096);
    std::vector<double> big = Ramp(4096, 0.0), bigOut0(4096, -1.0), bigOut1(4096, -1.0);
    double* bigInputs[] = {big.data()};
    double* bigOutputs[] = {bigOut0.data(), bigOut1.data()};
    plug.AttachInputBuffers(0, 2, bigInputs);
    plug.AttachOutputBuffers(0, 2, bigOutputs);
    plug.ProcessBuffers(0.0, 4096);
    EXPECT_EQ(bigOut0, big);
    EXPECT_EQ(bigOut1, std::vector<double>(4096, 0.0));
}

TEST(IFxBaseProcess, BlocksWithoutUsableBuffersReachTheEffectEmpty) {
    TestPlug plug(0, "2-2");
    plug.ProcessBuffers(0.0, 16); // channels never configured or attached
    plug.SetInputChannelConnections(0, 2, false);
    plug.SetOutputChannelConnections(0, 2, false);
    plug.ProcessBuffers(0.0, 16); // scratch buffers still empty: block size 0
    plug.PassThroughBuffers(0.0, 16);
    plug.ZeroScratchBuffers();
    // Every block reaches the effect, so its per-block work runs, but no sample is touched.
    EXPECT_EQ(plug.mProcessedFrames, (std::vector<int>{0, 0}));

    plug.SetBlockSize(16);
    plug.ProcessBuffers(0.0, -5);
    plug.ProcessBuffers(0.0, 0);
    plug.ProcessBuffers(0.0, 16);
    EXPECT_EQ(plug.mProcessedFrames, (std::vector<int>{0, 0, 0, 0, 16}));
}

TEST(IFxBaseProcess, FloatBuffersConvertInAndOut) {
    TestPlug plug(0, "2-2");
    plug.SetBlockSize(4);
    plug.SetInputChannelConnections(0, 1, true);
    plug.SetInputChannelConnections(1, 1, false);
    plug.SetOutputChannelConnections(0, 2, true);
    std::vector<float> in0 = {0.5f, -0.25f, 1.0f, 2.0f}, in1 = {9, 9, 9, 9};
    std::vector<float> out0(4, -1.0f), out1(4, -1.0f);
    float* inputs[] = {in0.data(), in1.data()};
    float* outputs[] = {out0.data(), out1.data()};
    plug.mGain = 2.0;
    plug.AttachInputBuffers(0, 2, inputs, 4);
    plug.AttachOutputBuffers(0, 2, outputs);
    plug.ProcessBuffers(0.0f, 4);
    EXPECT_EQ(out0, (std::vector<float>{1.0f, -0.5f, 2.0f, 4.0f}));
    EXPECT_EQ(out1, std::vector<float>(4, 0.0f)); // the unconnected input is silent

    plug.ProcessBuffersAccumulating(0.0f, 4);
    EXPECT_EQ(out0, (std::vector<float>{2.0f, -1.0f, 4.0f, 8.0f}));

    plug.PassThroughBuffers(0.0f, 4);
    EXPECT_EQ(out0, in0);

    // A host block longer than the block size: the part past it is not invented.
    std::vector<float> longIn(6, 1.0f), longOut(6, -1.0f), longOut1(6, -1.0f);
    float* longInputs[] = {longIn.data()};
    float* longOutputs[] = {longOut.data(), longOut1.data()};
    plug.mGain = 1.0;
    plug.AttachInputBuffers(0, 1, longInputs, 6);
    plug.AttachOutputBuffers(0, 2, longOutputs);
    plug.ProcessBuffers(0.0f, 6);
    EXPECT_EQ(longOut, (std::vector<float>{1, 1, 1, 1, 0, 0}));

    // Double outputs after float ones write no stale float destination.
    std::vector<double> d0(4, -1.0), d1(4, -1.0);
    double* doubleOutputs[] = {d0.data(), d1.data()};
    plug.AttachInputBuffers(0, 1, inputs, 4);
    plug.AttachOutputBuffers(0, 2, doubleOutputs);
    longOut.assign(6, 7.0f);
    plug.ProcessBuffers(0.0f, 4);
    EXPECT_EQ(longOut, std::vector<float>(6, 7.0f));
    EXPECT_EQ(d0, (std::vector<double>{0.5, -0.25, 1.0, 2.0}));
}

TEST(IFxBaseProcess, SubnormalsNeverReachTheOutputs) {
    TestPlug plug(0, "1-1");
    plug.SetBlockSize(4);
    plug.SetInputChannelConnections(0, 1, true);
    plug.SetOutputChannelConnections(0, 1, true);
    std::vector<float> in = {1.0f, 1e-30f, 1e-36f, -0.75f}, out(4, -1.0f);
    float* inputs[] = {in.data()};
    float* outputs[] = {out.data()};
    plug.mGain = 1e-5; // 1e-35 and 1e-41 lie below the smallest normal float
    plug.AttachInputBuffers(0, 1, inputs, 4);
    plug.AttachOutputBuffers(0, 1, outputs);
    plug.ProcessBuffers(0.0f, 4);
    EXPECT_EQ(out,
              (std::vector<float>{static_cast<float>(1.0 * 1e-5), static_cast<float>(1e-30f * 1e-5),
                                  0.0f, static_cast<float>(-0.75 * 1e-5)}));

    // In double the effect's own arithmetic flushes, the host's tiny input passes as 0.
    plug.mGain = 1e-300;
    std::vector<double> dIn = {1e-10, 2.0, 1e-320, 0.5}, dOut(4, -1.0);
    double* dInputs[] = {dIn.data()};
    double* dOutputs[] = {dOut.data()};
    plug.AttachInputBuffers(0, 1, dInputs);
    plug.AttachOutputBuffers(0, 1, dOutputs);
    plug.ProcessBuffers(0.0, 4);
    EXPECT_EQ(dOut, (std::vector<double>{0.0, 2e-300, 0.0, 0.5e-300}));

    // Passed through, an input too small for a float comes out as 0.
    std::vector<float> tiny = {1e-40f, 0.25f, -1e-39f, 0.0f};
    float* tinyInputs[] = {tiny.data()};
    plug.AttachInputBuffers(0, 1, tinyInputs, 4);
    plug.AttachOutputBuffers(0, 1, outputs);
    plug.PassThroughBuffers(0.0f, 4);
    EXPECT_EQ(out, (std::vector<float>{0.0f, 0.25f, -0.0f, 0.0f}));
    for (float sample : out)
        EXPECT_NE(std::fpclassify(sample), FP_SUBNORMAL);
}

TEST(IFxBaseProcess, BlockSizeAndScratchBuffers) {
    TestPlug plug(0, "1-1");
    plug.SetBlockSize(4);
    EXPECT_EQ(plug.GetBlockSize(), 4);
    plug.SetInputChannelConnections(0, 1, true);
    plug.SetOutputChannelConnections(0, 1, false);
    std::vector<float> in = {1, 2, 3, 4};
    float* inputs[] = {in.data()};
    plug.AttachInputBuffers(0, 1, inputs, 4);

    // The output goes to the output scratch buffer; read it back through a float attach.
    auto readScratchOutput = [&plug]() {
        plug.SetOutputChannelConnections(0, 1, true);
        std::vector<float> out(4, -1.0f);
        float* outputs[] = {out.data()};
        plug.AttachOutputBuffers(0, 1, outputs);
        plug.mGain = 0.5;
        plug.ProcessBuffers(0.0f, 4);
        plug.SetOutputChannelConnections(0, 1, false);
        return out;
    };
    EXPECT_EQ(readScratchOutput(), (std::vector<float>{0.5f, 1, 1.5f, 2}));

    // The same size keeps the input scratch contents; a new size clears them.
    plug.SetBlockSize(4);
    EXPECT_EQ(readScratchOutput(), (std::vector<float>{0.5f, 1, 1.5f, 2}));
    plug.ZeroScratchBuffers();
    EXPECT_EQ(readScratchOutput(), std::vector<float>(4, 0.0f));
    plug.AttachInputBuffers(0, 1, inputs, 4);
    plug.SetBlockSize(5);
    plug.SetBlockSize(4);
    EXPECT_EQ(readScratchOutput(), std::vector<float>(4, 0.0f));
}

TEST(IFxBaseProcess, PassThroughHonoursLatency) {
    TestPlug plug(0, "1-1 2-2", 0, kAPIAU, 3);
    EXPECT_EQ(plug.GetLatency(), 3);
    plug.SetInputChannelConnections(0, 2, true);
    plug.SetOutputChannelConnections(0, 2, true);
    std::vector<double> in0 = Ramp(4, 1.0), in1 = Ramp(4, 11.0);
    std::vector<double> out0(4), out1(4);
    double* inputs[] = {in0.data(), in1.data()};
    double* outputs[] = {out0.data(), out1.data()};
    plug.AttachInputBuffers(0, 2, inputs);
    plug.AttachOutputBuffers(0, 2, outputs);
    plug.PassThroughBuffers(0.0, 4);
    EXPECT_EQ(out0, (std::vector<double>{0, 0, 0, 1}));
    EXPECT_EQ(out1, (std::vector<double>{0, 0, 0, 11}));
    plug.PassThroughBuffers(0.0, 4); // same input again: the delay runs across blocks
    EXPECT_EQ(out0, (std::vector<double>{2, 3, 4, 1}));

    plug.SetLatency(0);
    plug.PassThroughBuffers(0.0, 4);
    EXPECT_EQ(out0, in0);
    plug.SetLatency(1);
    plug.PassThroughBuffers(0.0, 4);
    EXPECT_EQ(out1, (std::vector<double>{0, 11, 12, 13}));
}

TEST(NChanDelayLine, DelaysSharedChannelsInPlace) {
    NChanDelayLine line(3, 2);
    line.SetDelayTime(2);
    EXPECT_EQ(line.GetDelayTime(), 2u);
    std::vector<double> a = {1, 2, 3}, b = {4, 5, 6}, c = {7, 8, 9};
    double* channels[] = {a.data(), b.data(), c.data()};
    line.ProcessBlock(channels, channels, 3); // outputs are the inputs
    EXPECT_EQ(a, (std::vector<double>{0, 0, 1}));
    EXPECT_EQ(b, (std::vector<double>{0, 0, 4}));
    EXPECT_EQ(c, (std::vector<double>{7, 8, 9})); // no matching output: untouched

    a = {10, 20, 30};
    line.ProcessBlock(channels, channels, 3);
    EXPECT_EQ(a, (std::vector<double>{2, 3, 10}));
    line.ClearBuffer();
    a = {1, 1, 1};
    line.ProcessBlock(channels, channels, 3);
    EXPECT_EQ(a, (std::vector<double>{0, 0, 1}));

    line.SetDelayTime(0); // no delay: a plain copy
    std::vector<double> in = {5, 6}, out = {0, 0};
    double* ins[] = {in.data(), in.data()};
    double* outs[] = {out.data(), out.data()};
    line.ProcessBlock(ins, outs, 2);
    EXPECT_EQ(out, in);

    line.SetDelayTime(0x7fffffff); // too long to hold: no delay rather than a short ring
    EXPECT_EQ(line.GetDelayTime(), 0u);
}
