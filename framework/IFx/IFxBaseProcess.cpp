// The render path: buffer attachment, processing dispatch and the latency delay line. Nothing
// here allocates, locks or does I/O.
#include "IFxBase.h"

#include "UTL_FlushDenormals.h"

#include <algorithm>
#include <climits>
#include <cstring>

void IFxBase::ChannelRange(int first, int count, int nChannels, int* begin, int* end) {
    // 64 bits, so a huge count cannot wrap around into range.
    *begin = std::max(first, 0);
    *end = static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(first) + count, 0, nChannels));
}

// Hands the host's buffers, in order, to the connected channels of [first, first + count).
template <class Channel, class Buffer, class Attach>
void IFxBase::AttachEach(UTL_PtrList<Channel>& channels, int first, int count,
                         Buffer* const* buffers, Attach&& attach) {
    if (!buffers) return;
    int begin, end, next = 0;
    ChannelRange(first, count, channels.GetSize(), &begin, &end);
    for (int i = begin; i < end; ++i) {
        Channel* channel = channels.Get(i);
        if (channel->mConnected) attach(channel, buffers[next++]);
    }
}

void IFxBase::AttachInputBuffers(int first, int count, double* const* buffers) {
    AttachEach(mInChannels, first, count, buffers,
               [](InChannel* channel, double* buffer) { *channel->mSrc = buffer; });
}

void IFxBase::AttachInputBuffers(int first, int count, float* const* buffers, int nFrames) {
    AttachEach(mInChannels, first, count, buffers, [nFrames](InChannel* channel, float* source) {
        double* scratch = channel->mScratchBuf.Get();
        const int frames = std::clamp(nFrames, 0, channel->mScratchBuf.GetSize());
        if (source)
            std::copy_n(source, frames, scratch);
        else
            std::fill_n(scratch, frames, 0.0);
        *channel->mSrc = scratch;
    });
}

void IFxBase::AttachOutputBuffers(int first, int count, double* const* buffers) {
    AttachEach(mOutChannels, first, count, buffers, [](OutChannel* channel, double* buffer) {
        *channel->mDest = buffer;
        channel->mFDest = nullptr;
    });
}

void IFxBase::AttachOutputBuffers(int first, int count, float* const* buffers) {
    AttachEach(mOutChannels, first, count, buffers, [](OutChannel* channel, float* buffer) {
        *channel->mDest = channel->mScratchBuf.Get();
        channel->mFDest = buffer;
    });
}

int IFxBase::FramesToProcess(int nFrames) const {
    int frames = std::max(nFrames, 0);
    // A scratch buffer holds only what SetBlockSize gave it; a missing buffer holds nothing.
    auto limit = [&frames](const double* data, const UTL_TypedBuf<double>& scratch) {
        if (!data)
            frames = 0;
        else if (data == scratch.Get())
            frames = std::min(frames, scratch.GetSize());
    };
    for (int i = 0; i < NInChannels(); ++i) {
        const InChannel* channel = mInChannels.Get(i);
        limit(*channel->mSrc, channel->mScratchBuf);
    }
    for (int i = 0; i < NOutChannels(); ++i) {
        const OutChannel* channel = mOutChannels.Get(i);
        limit(*channel->mDest, channel->mScratchBuf);
    }
    return frames;
}

void IFxBase::ConvertFloatOutputs(int nFrames, bool accumulate) {
    UTL_FlushDenormals flush; // values below the float range become 0, not subnormal floats
    const int frames = FramesToProcess(nFrames);
    for (int i = 0; i < NOutChannels(); ++i) {
        const OutChannel* channel = mOutChannels.Get(i);
        if (!channel->mConnected || !channel->mFDest) continue;
        const double* source = *channel->mDest;
        float* dest = channel->mFDest;
        if (accumulate) {
            for (int s = 0; s < frames; ++s)
                dest[s] += static_cast<float>(source[s]);
        } else {
            std::copy_n(source, frames, dest);
            std::fill(dest + frames, dest + std::max(nFrames, frames), 0.0f);
        }
    }
}

void IFxBase::ProcessBuffers(double, int nFrames) {
    // Called for every block, also an empty one: the effect does per-block work (its meters)
    // even when no sample can be processed.
    UTL_FlushDenormals flush;
    ProcessDoubleReplacing(mInData.Get(), mOutData.Get(), FramesToProcess(nFrames));
}

void IFxBase::ProcessBuffers(float, int nFrames) {
    ProcessBuffers(0.0, nFrames);
    ConvertFloatOutputs(nFrames, false);
}

void IFxBase::ProcessBuffersAccumulating(float, int nFrames) {
    ProcessBuffers(0.0, nFrames);
    ConvertFloatOutputs(nFrames, true);
}

void IFxBase::PassThroughBuffers(double, int nFrames) {
    UTL_FlushDenormals flush;
    const int frames = FramesToProcess(nFrames);
    if (frames <= 0) return;
    if (mLatency && mDelay)
        mDelay->ProcessBlock(mInData.Get(), mOutData.Get(), frames);
    else
        IFxBase::ProcessDoubleReplacing(mInData.Get(), mOutData.Get(), frames);
}

void IFxBase::PassThroughBuffers(float, int nFrames) {
    PassThroughBuffers(0.0, nFrames);
    ConvertFloatOutputs(nFrames, false);
}

void IFxBase::ZeroScratchBuffers() {
    for (int i = 0; i < NInChannels(); ++i) {
        UTL_TypedBuf<double>& scratch = mInChannels.Get(i)->mScratchBuf;
        std::fill_n(scratch.Get(), std::min(mBlockSize, scratch.GetSize()), 0.0);
    }
    for (int i = 0; i < NOutChannels(); ++i) {
        UTL_TypedBuf<double>& scratch = mOutChannels.Get(i)->mScratchBuf;
        std::fill_n(scratch.Get(), std::min(mBlockSize, scratch.GetSize()), 0.0);
    }
}

void IFxBase::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
    if (!outputs || nFrames <= 0) return;
    const int nIn = inputs ? NInChannels() : 0;
    for (int j = 0; j < NOutChannels(); ++j) {
        double* out = outputs[j];
        const double* in = j < nIn ? inputs[j] : nullptr;
        if (!out) continue;
        if (!in)
            std::fill_n(out, nFrames, 0.0);
        else if (in != out)
            std::memmove(out, in, static_cast<size_t>(nFrames) * sizeof(double));
    }
}

NChanDelayLine::NChanDelayLine(int nInputChannels, int nOutputChannels)
    : mNInputChannels(static_cast<uint32_t>(std::max(nInputChannels, 0))),
      mNOutputChannels(static_cast<uint32_t>(std::max(nOutputChannels, 0))) {}

void NChanDelayLine::SetDelayTime(int delayFrames) {
    const int64_t frames = std::max(delayFrames, 0);
    const int64_t samples = frames * mNInputChannels;
    // A line too long to hold degrades to no delay rather than to a short ring.
    const bool held =
        samples <= INT_MAX && (samples == 0 || mBuffer.Resize(static_cast<int>(samples)));
    mDelayTime = held ? static_cast<uint64_t>(frames) : 0;
    if (!held) mBuffer.Resize(0);
    mWritePos = 0;
    ClearBuffer();
}

void NChanDelayLine::ClearBuffer() {
    std::fill_n(mBuffer.Get(), mBuffer.GetSize(), 0.0);
}

void NChanDelayLine::ProcessBlock(double** inputs, double** outputs, int nFrames) {
    if (!inputs || !outputs || nFrames <= 0) return;
    const uint32_t nChannels = std::min(mNInputChannels, mNOutputChannels);
    for (uint32_t c = 0; c < nChannels; ++c)
        if (!inputs[c] || !outputs[c]) return;

    if (mDelayTime == 0) {
        for (uint32_t c = 0; c < nChannels; ++c)
            if (inputs[c] != outputs[c])
                std::memmove(outputs[c], inputs[c], static_cast<size_t>(nFrames) * sizeof(double));
        return;
    }

    double* ring = mBuffer.Get();
    for (int s = 0; s < nFrames; ++s) {
        for (uint32_t c = 0; c < nChannels; ++c) {
            double& slot = ring[c * mDelayTime + mWritePos];
            const double input = inputs[c][s]; // read first: the output may be the input buffer
            outputs[c][s] = slot;
            slot = input;
        }
        mWritePos = (mWritePos + 1) % mDelayTime;
    }
}
