// The signal chain. Nothing here allocates, locks or does I/O; the per-sample path calls only
// the instance's noise generator, pow (inside the waveshaper) and vox_fasttanh2.
#include "Brindlex.h"

#include "IControl.h"
#include "Shapers.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

namespace {
constexpr double kRandScale = NoiseGenerator::kMax;
constexpr int kRunFrames = 256; // frames taken through the stages together

// The larger magnitude of the pair; the right one wins only when strictly larger.
inline double PeakOf(double left, double right) {
    double peak = std::fabs(left);
    const double r = std::fabs(right);
    if (r > peak) peak = r;
    return peak;
}

// One-pole follower: rises toward target with the attack coefficient, falls with the release.
inline double Follow(double envelope, double target, double attack, double release) {
    const double c = envelope > target ? release : attack;
    return target * c + envelope * (1.0 - c);
}

bool IsFinite(const BiquadState& s) {
    return std::isfinite(s.x1) && std::isfinite(s.x2) && std::isfinite(s.y1) && std::isfinite(s.y2);
}

bool IsFinite(const Biquad& f) {
    return IsFinite(f.state[0]) && IsFinite(f.state[1]);
}

void ClearStates(std::initializer_list<Biquad*> filters) {
    for (Biquad* filter : filters)
        filter->state[0] = filter->state[1] = BiquadState{};
}

// Only the states go back: the coefficients belong to the settings.
void StoreStates(const Biquad& from, Biquad& to) {
    to.state[0] = from.state[0];
    to.state[1] = from.state[1];
}

void ShowValue(IControl* control, double value) {
    if (control) control->SetValueFromPlug(std::isfinite(value) ? value : 0.0);
}

void PassThrough(const double* inL, const double* inR, double* outL, double* outR, int nFrames) {
    if (outL == inR || outR == inL) {
        // Crossed buffers: each frame reads both inputs before writing.
        for (int s = 0; s < nFrames; ++s) {
            const double left = inL[s], right = inR[s];
            outL[s] = left;
            outR[s] = right;
        }
        return;
    }
    const size_t bytes = static_cast<size_t>(nFrames) * sizeof(double);
    if (outL != inL) std::memmove(outL, inL, bytes);
    if (outR != inR) std::memmove(outR, inR, bytes);
}
} // namespace

void Brindlex::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
    // Taken once, so a block runs with one configuration throughout.
    const Settings& settings = mProcessSettings.Read();
    MeterValues meters;
    const bool haveBuffers =
        inputs && outputs && inputs[0] && inputs[1] && outputs[0] && outputs[1];
    if (haveBuffers && nFrames > 0) {
        if (settings.ampOn || settings.eqOn || settings.limiterOn)
            meters = RunStages(settings, inputs[0], inputs[1], outputs[0], outputs[1], nFrames);
        else
            PassThrough(inputs[0], inputs[1], outputs[0], outputs[1], nFrames);
    }
    ShowValue(mIndicators[Indicator::kAmpMeter], meters.amp);
    ShowValue(mIndicators[Indicator::kOutputMeter], meters.output);
    ShowValue(mIndicators[Indicator::kGainMeter], meters.gain);
}

Brindlex::MeterValues Brindlex::RunStages(const Settings& settings, const double* inL,
                                          const double* inR, double* outL, double* outR,
                                          int nFrames) {
    // Working copies for the block. The output stores and the calls to pow could otherwise
    // touch any member, which would force every state back to memory at every sample.
    Biquad highPass = mInputHighPass, lowPass = mInputLowPass, shaper = mShaperPeak,
           tone = WithCoefs(mToneFilter, settings.tone),
           highShelf = WithCoefs(mEQHighShelf, settings.eqHighShelf),
           peak = WithCoefs(mEQPeak, settings.eqPeak),
           lowShelf = WithCoefs(mEQLowShelf, settings.eqLowShelf);
    double ampEnvelope = mAmpEnvelope, outputEnvelope = mOutputEnvelope,
           gainEnvelope = mGainEnvelope, limiterEnvelope = mLimiterEnvelope;
    NoiseGenerator noise = mNoise;
    const double threshold = settings.threshold, ampGain = settings.ampGain,
                 noiseMix = settings.noiseMix, noiseCount = mNoiseCount, attack = mAttack,
                 release = mRelease;
    const bool ampOn = settings.ampOn, eqOn = settings.eqOn, limiterOn = settings.limiterOn;
    // Indexed by "the envelope is above the target": fall slowly, rise twice as fast.
    static constexpr double kLimiterCoef[2] = {0.04, 0.02};

    MeterValues meters;
    double running = 0.0; // the limiter's running value, from 0 in every block
    // Stage by stage over a run of frames: a frame's path through all seven filters is a long
    // chain of dependent operations, and a loop over one stage lets the processor work on
    // several frames of it at once. Every sample still meets the same operations in the same
    // order, and the noise is drawn frame by frame as before.
    double L[kRunFrames], R[kRunFrames];
    for (int start = 0; start < nFrames; start += kRunFrames) {
        const int n = nFrames - start < kRunFrames ? nFrames - start : kRunFrames;
        // Both inputs are read before any output is written: the buffers may be the same.
        std::memcpy(L, inL + start, sizeof(double) * size_t(n));
        std::memcpy(R, inR + start, sizeof(double) * size_t(n));

        if (ampOn) {
            // The noise is drawn alongside the input filters, which it does not depend on.
            double noiseL[kRunFrames], noiseR[kRunFrames];
            for (int s = 0; s < n; ++s) {
                L[s] = BiquadTick(lowPass.coefs, lowPass.state[0],
                                  BiquadTick(highPass.coefs, highPass.state[0], L[s]));
                R[s] = BiquadTick(lowPass.coefs, lowPass.state[1],
                                  BiquadTick(highPass.coefs, highPass.state[1], R[s]));
                // Four draws a frame, left, right, left, right, whether or not noise is heard.
                double nL = 0.0, nR = 0.0;
                for (int i = 0; i < noiseCount; ++i) {
                    nL += noise.Next() / kRandScale;
                    nR += noise.Next() / kRandScale;
                }
                noiseL[s] = nL - noiseCount / 2.0;
                noiseR[s] = nR - noiseCount / 2.0;
            }
            for (int s = 0; s < n; ++s) {
                double l = BiquadTick(tone.coefs, tone.state[0], L[s]);
                double r = BiquadTick(tone.coefs, tone.state[1], R[s]);
                l = AmpWaveshaper(l * ampGain, kLeftShaperFactor);
                r = AmpWaveshaper(r * ampGain, kRightShaperFactor);
                l = BiquadTick(shaper.coefs, shaper.state[0], l);
                r = BiquadTick(shaper.coefs, shaper.state[1], r);
                L[s] = noiseL[s] * (1.0 - noiseMix) + l * noiseMix;
                R[s] = noiseR[s] * (1.0 - noiseMix) + r * noiseMix;
                ampEnvelope = Follow(ampEnvelope, PeakOf(L[s], R[s]), attack, release);
            }
            meters.amp = ampEnvelope;
        }

        if (eqOn) {
            for (int s = 0; s < n; ++s) {
                double l = L[s], r = R[s];
                l = BiquadTick(highShelf.coefs, highShelf.state[0], l);
                l = BiquadTick(peak.coefs, peak.state[0], l);
                L[s] = BiquadTick(lowShelf.coefs, lowShelf.state[0], l);
                r = BiquadTick(highShelf.coefs, highShelf.state[1], r);
                r = BiquadTick(peak.coefs, peak.state[1], r);
                R[s] = BiquadTick(lowShelf.coefs, lowShelf.state[1], r);
            }
        }

        if (limiterOn) {
            for (int s = 0; s < n; ++s) {
                double over = PeakOf(L[s], R[s]) - threshold;
                if (over < 0.0) over = 0.0;
                double v = std::fabs(over) > running ? std::fabs(over) : running;
                const double c = kLimiterCoef[limiterEnvelope > v];
                v = v * c + limiterEnvelope * (1.0 - c);
                running = v;
                limiterEnvelope = v;
                double reduction = v * 1.0;
                if (reduction > 1.0) reduction = 1.0;
                const double g = 1.0 - reduction;
                L[s] = vox_fasttanh2(L[s] * g);
                R[s] = vox_fasttanh2(R[s] * g);

                outputEnvelope = Follow(outputEnvelope, PeakOf(L[s], R[s]), attack, release);
                gainEnvelope = Follow(gainEnvelope, g, attack, release);
            }
            meters.output = outputEnvelope;
            meters.gain = gainEnvelope;
        }

        std::memcpy(outL + start, L, sizeof(double) * size_t(n));
        std::memcpy(outR + start, R, sizeof(double) * size_t(n));
    }

    // A stage whose state went non-finite would otherwise stay silent or NaN for good, so it
    // starts the next block from rest.
    if (ampOn) {
        if (!IsFinite(highPass) || !IsFinite(lowPass) || !IsFinite(tone) || !IsFinite(shaper) ||
            !std::isfinite(ampEnvelope)) {
            ClearStates({&highPass, &lowPass, &tone, &shaper});
            ampEnvelope = 0.0;
        }
        StoreStates(highPass, mInputHighPass);
        StoreStates(lowPass, mInputLowPass);
        StoreStates(tone, mToneFilter);
        StoreStates(shaper, mShaperPeak);
        mAmpEnvelope = ampEnvelope;
        mNoise = noise;
    }
    if (eqOn) {
        if (!IsFinite(highShelf) || !IsFinite(peak) || !IsFinite(lowShelf))
            ClearStates({&highShelf, &peak, &lowShelf});
        StoreStates(highShelf, mEQHighShelf);
        StoreStates(peak, mEQPeak);
        StoreStates(lowShelf, mEQLowShelf);
    }
    if (limiterOn) {
        if (!std::isfinite(limiterEnvelope) || !std::isfinite(outputEnvelope) ||
            !std::isfinite(gainEnvelope))
            limiterEnvelope = outputEnvelope = gainEnvelope = 0.0;
        mLimiterEnvelope = limiterEnvelope;
        mOutputEnvelope = outputEnvelope;
        mGainEnvelope = gainEnvelope;
    }
    return meters;
}
