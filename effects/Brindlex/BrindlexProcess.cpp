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
    for (int s = 0; s < nFrames; ++s) {
        double L = inL[s], R = inR[s];

        if (ampOn) {
            L = BiquadTick(lowPass.coefs, lowPass.state[0],
                           BiquadTick(highPass.coefs, highPass.state[0], L));
            R = BiquadTick(lowPass.coefs, lowPass.state[1],
                           BiquadTick(highPass.coefs, highPass.state[1], R));
            L = BiquadTick(tone.coefs, tone.state[0], L);
            R = BiquadTick(tone.coefs, tone.state[1], R);
            L = AmpWaveshaper(L * ampGain, kLeftShaperFactor);
            R = AmpWaveshaper(R * ampGain, kRightShaperFactor);
            L = BiquadTick(shaper.coefs, shaper.state[0], L);
            R = BiquadTick(shaper.coefs, shaper.state[1], R);

            // Four draws a frame, left, right, left, right, whether or not noise is heard.
            double noiseL = 0.0, noiseR = 0.0;
            for (int i = 0; i < noiseCount; ++i) {
                noiseL += noise.Next() / kRandScale;
                noiseR += noise.Next() / kRandScale;
            }
            noiseL -= noiseCount / 2.0;
            noiseR -= noiseCount / 2.0;
            L = noiseL * (1.0 - noiseMix) + L * noiseMix;
            R = noiseR * (1.0 - noiseMix) + R * noiseMix;

            ampEnvelope = Follow(ampEnvelope, PeakOf(L, R), attack, release);
            meters.amp = ampEnvelope;
        }

        if (eqOn) {
            L = BiquadTick(highShelf.coefs, highShelf.state[0], L);
            L = BiquadTick(peak.coefs, peak.state[0], L);
            L = BiquadTick(lowShelf.coefs, lowShelf.state[0], L);
            R = BiquadTick(highShelf.coefs, highShelf.state[1], R);
            R = BiquadTick(peak.coefs, peak.state[1], R);
            R = BiquadTick(lowShelf.coefs, lowShelf.state[1], R);
        }

        if (limiterOn) {
            double over = PeakOf(L, R) - threshold;
            if (over < 0.0) over = 0.0;
            double v = std::fabs(over) > running ? std::fabs(over) : running;
            const double c = kLimiterCoef[limiterEnvelope > v];
            v = v * c + limiterEnvelope * (1.0 - c);
            running = v;
            limiterEnvelope = v;
            double reduction = v * 1.0;
            if (reduction > 1.0) reduction = 1.0;
            const double g = 1.0 - reduction;
            L = vox_fasttanh2(L * g);
            R = vox_fasttanh2(R * g);

            outputEnvelope = Follow(outputEnvelope, PeakOf(L, R), attack, release);
            meters.output = outputEnvelope;
            gainEnvelope = Follow(gainEnvelope, g, attack, release);
            meters.gain = gainEnvelope;
        }

        outL[s] = L;
        outR[s] = R;
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
