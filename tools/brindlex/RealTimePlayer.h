#pragma once

#include "Component.h"
#include "Programme.h"

#include <atomic>
#include <thread>

// Plays a signal through the prepared unit over and over, in real time and with no audio
// device: a thread of its own renders one slice at a time when its time has come, as a host's
// audio thread would, and drops the output. The unit's parameters and editor stay the caller's
// to use meanwhile, from its own thread.
class RealTimePlayer {
public:
    // The signal must not be empty; both outlive the player.
    RealTimePlayer(EffectUnit& unit, const StereoSignal& signal);
    ~RealTimePlayer(); // stops
    RealTimePlayer(const RealTimePlayer&) = delete;
    RealTimePlayer& operator=(const RealTimePlayer&) = delete;

    void Stop();
    // Frames rendered so far.
    int64_t FramesPlayed() const { return mFramesPlayed.load(std::memory_order_relaxed); }

private:
    void Play();

    EffectUnit& mUnit;
    const StereoSignal& mSignal;
    std::atomic<bool> mStopping{false};
    std::atomic<int64_t> mFramesPlayed{0};
    std::thread mThread;
};
