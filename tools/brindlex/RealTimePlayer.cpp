#include "RealTimePlayer.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <vector>

RealTimePlayer::RealTimePlayer(EffectUnit& unit, const StereoSignal& signal)
    : mUnit(unit), mSignal(signal), mThread([this] { Play(); }) {}

RealTimePlayer::~RealTimePlayer() {
    Stop();
}

void RealTimePlayer::Stop() {
    mStopping = true;
    if (mThread.joinable()) mThread.join();
}

void RealTimePlayer::Play() {
    // Signals are for the thread that handles the user, whose waits they end.
    sigset_t signals;
    sigfillset(&signals);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    using Clock = std::chrono::steady_clock;
    const int slice = mUnit.MaxFrames();
    const int64_t length = mSignal.Frames();
    std::vector<float> outL(static_cast<size_t>(slice)), outR(outL.size());
    const Clock::time_point start = Clock::now();
    int64_t played = 0, position = 0;
    while (!mStopping.load(std::memory_order_relaxed) && length > 0) {
        // Slices end at the loop's end, so that the signal starts over on a slice of its own.
        const int n = static_cast<int>(std::min<int64_t>(slice, length - position));
        const auto at = static_cast<size_t>(position);
        const float* const input[2] = {mSignal.left.data() + at, mSignal.right.data() + at};
        float* const output[2] = {outL.data(), outR.data()};
        mUnit.Render(input, output, n);
        played += n;
        position = (position + n) % length;
        mFramesPlayed.store(played, std::memory_order_relaxed);
        // The next slice is due when the ones played so far would have been heard.
        const std::chrono::duration<double> heard(static_cast<double>(played) / mSignal.sampleRate);
        std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(heard));
    }
}
